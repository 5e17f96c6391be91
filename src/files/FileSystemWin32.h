#pragma once
// Settings-file storage on Windows: the platform's file API, with saves that replace the old
// file in one rename.
#include "files/FileSystem.h"

class FileSystemWin32 : public FileSystem {
public:
    FileError ReadAll(const std::string& path, std::vector<uint8_t>& bytes) override;
    FileError WriteReplace(const std::string& path, const std::vector<uint8_t>& bytes) override;
    // The file's title as the shell shows it (without the extension where the user hides them).
    std::string DisplayName(const std::string& path) override;
};

// The file error that a Win32 error code stands for.
FileError FileErrorFromWin32(unsigned long code);
