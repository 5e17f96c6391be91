#pragma once
// The few file operations the settings file needs, behind a seam: the Windows build uses the
// platform's file API, the host (tests, fuzzer) and the renderer the standard library. Paths are
// UTF-8 in any script.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// File failures, named after the platform's standard file-error messages.
enum class FileError {
    None,
    Generic,
    NotFound,
    BadPath,
    TooManyOpenFiles,
    AccessDenied,
    SharingViolation,
    LockViolation,
    DiskFull,
    HardIO,
    EndOfFile,
};

// The standard message for a failure on the file at path, e.g. for EndOfFile
// "An attempt was made to access <path> past its end."
std::string FileErrorText(FileError error, const std::string& path);

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Reads the whole file.
    virtual FileError ReadAll(const std::string& path, std::vector<uint8_t>& bytes) = 0;
    // Writes bytes to a new file beside path, flushes it, then puts it in place of path in one
    // step, so a failure at any point leaves the previous file as it was.
    virtual FileError WriteReplace(const std::string& path, const std::vector<uint8_t>& bytes) = 0;
    // The name to show for the file in a window caption.
    virtual std::string DisplayName(const std::string& path) = 0;
};

// Standard-library implementation: used on the host, and wherever no platform one is needed.
class StdFileSystem : public FileSystem {
public:
    FileError ReadAll(const std::string& path, std::vector<uint8_t>& bytes) override;
    FileError WriteReplace(const std::string& path, const std::vector<uint8_t>& bytes) override;
    std::string DisplayName(const std::string& path) override;
};

// A UTF-8 path as the standard library takes it. On Windows the C runtime's narrow calls would
// read the name in the ANSI code page, so the path goes over as UTF-16.
std::filesystem::path PathFromUtf8(const std::string& utf8);
// fopen for a UTF-8 path.
std::FILE* OpenFileUtf8(const std::string& path, const char* mode);
