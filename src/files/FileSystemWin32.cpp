#include "files/FileSystemWin32.h"

#include <windows.h>

#include <commdlg.h>

#include "common/WideTextWin32.h"

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : h(handle) {}
    ~FileHandle() {
        if (Valid()) CloseHandle(h);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h; }
    bool Close() {
        const bool closed = CloseHandle(h) != 0;
        h = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE h;
};

FileError LastError() { return FileErrorFromWin32(GetLastError()); }

std::wstring Folder(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash + 1);
}

// Writes and flushes the bytes into the new file at temporary.
FileError WriteTemporary(const wchar_t* temporary, const std::vector<uint8_t>& bytes) {
    FileHandle file(
        CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return LastError();
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return LastError();
    if (written != bytes.size()) return FileError::DiskFull;
    if (!FlushFileBuffers(file.Get())) return LastError();
    if (!file.Close()) return LastError();
    return FileError::None;
}

} // namespace

FileError FileErrorFromWin32(unsigned long code) {
    switch (code) {
    case ERROR_SUCCESS: return FileError::None;
    case ERROR_FILE_NOT_FOUND: return FileError::NotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY: return FileError::BadPath;
    case ERROR_TOO_MANY_OPEN_FILES: return FileError::TooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return FileError::AccessDenied;
    case ERROR_SHARING_VIOLATION: return FileError::SharingViolation;
    case ERROR_LOCK_VIOLATION: return FileError::LockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FileError::DiskFull;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE: return FileError::HardIO;
    case ERROR_HANDLE_EOF: return FileError::EndOfFile;
    default: return FileError::Generic;
    }
}

FileError FileSystemWin32::ReadAll(const std::string& path, std::vector<uint8_t>& bytes) {
    FileHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return LastError();
    bytes.clear();
    uint8_t chunk[4096];
    DWORD got = 0;
    do {
        if (!ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr)) return LastError();
        bytes.insert(bytes.end(), chunk, chunk + got);
    } while (got > 0);
    return FileError::None;
}

FileError FileSystemWin32::WriteReplace(const std::string& path, const std::vector<uint8_t>& bytes) {
    // A target we may not write (read-only, a folder) is refused before anything is touched.
    const std::wstring target = Wide(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return FileError::AccessDenied;
    wchar_t temporary[MAX_PATH] = {};
    if (GetTempFileNameW(Folder(target).c_str(), L"kbx", 0, temporary) == 0) return LastError();
    FileError result = WriteTemporary(temporary, bytes);
    if (result == FileError::None &&
        !MoveFileExW(temporary, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        result = LastError();
    if (result != FileError::None) DeleteFileW(temporary);
    return result;
}

std::string FileSystemWin32::DisplayName(const std::string& path) {
    wchar_t title[MAX_PATH] = {};
    if (GetFileTitleW(Wide(path).c_str(), title, MAX_PATH) == 0) return Utf8(title);
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
