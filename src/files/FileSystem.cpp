#include "files/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "common/TextEncoding.h"

namespace {

std::string Substitute(const char* pattern, const std::string& path) {
    std::string text(pattern);
    const auto at = text.find("%1");
    if (at != std::string::npos) text.replace(at, 2, path);
    return text;
}

FileError FromErrno(int error) {
    switch (error) {
    case ENOENT: return FileError::NotFound;
    case ENOTDIR: case ENAMETOOLONG: case EINVAL: return FileError::BadPath;
    case EMFILE: case ENFILE: return FileError::TooManyOpenFiles;
    case EACCES: case EPERM: case EROFS: case EISDIR: return FileError::AccessDenied;
    case ENOSPC: return FileError::DiskFull;
    case EIO: return FileError::HardIO;
    default: return FileError::Generic;
    }
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

} // namespace

std::filesystem::path PathFromUtf8(const std::string& utf8) {
#ifdef _WIN32
    const std::u16string wide = Utf16FromUtf8(utf8);
    return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
#else
    return std::filesystem::path(utf8);
#endif
}

std::FILE* OpenFileUtf8(const std::string& path, const char* mode) {
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfopen(PathFromUtf8(path).c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

std::string FileErrorText(FileError error, const std::string& path) {
    switch (error) {
    case FileError::None: return {};
    case FileError::NotFound: return Substitute("%1 was not found.", path);
    case FileError::BadPath: return Substitute("%1 contains an invalid path.", path);
    case FileError::TooManyOpenFiles:
        return Substitute("%1 could not be opened because there are too many open files.", path);
    case FileError::AccessDenied: return Substitute("Access to %1 was denied.", path);
    case FileError::SharingViolation: return Substitute("A sharing violation occurred while accessing %1.", path);
    case FileError::LockViolation: return Substitute("A locking violation occurred while accessing %1.", path);
    case FileError::DiskFull: return Substitute("Disk full while accessing %1.", path);
    case FileError::HardIO: return Substitute("A hardware I/O error was reported while accessing %1.", path);
    case FileError::EndOfFile: return Substitute("An attempt was made to access %1 past its end.", path);
    case FileError::Generic: break;
    }
    return Substitute("An unexpected error occurred while accessing %1.", path);
}

FileError StdFileSystem::ReadAll(const std::string& path, std::vector<uint8_t>& bytes) {
    FilePtr file(OpenFileUtf8(path, "rb"));
    if (!file) return FromErrno(errno);
    bytes.clear();
    uint8_t chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    return std::ferror(file.get()) ? FileError::HardIO : FileError::None;
}

FileError StdFileSystem::WriteReplace(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string temporary = path + ".saving";
    std::error_code ignored;
    {
        FilePtr file(OpenFileUtf8(temporary, "wb"));
        if (!file) return FromErrno(errno);
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
                             std::fflush(file.get()) == 0;
        const int error = errno;
        if (!written) {
            file.reset();
            std::filesystem::remove(PathFromUtf8(temporary), ignored);
            return FromErrno(error);
        }
        if (std::fclose(file.release()) != 0) {
            std::filesystem::remove(PathFromUtf8(temporary), ignored);
            return FileError::HardIO;
        }
    }
    // Replaces an existing file in one rename, on Windows as well.
    std::error_code renamed;
    std::filesystem::rename(PathFromUtf8(temporary), PathFromUtf8(path), renamed);
    if (renamed) {
        std::filesystem::remove(PathFromUtf8(temporary), ignored);
        return FromErrno(renamed.default_error_condition().value());
    }
    return FileError::None;
}

std::string StdFileSystem::DisplayName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
