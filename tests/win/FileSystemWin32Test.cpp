// Settings files on the real Windows file API: saves replace the old file in one step and a
// failed save leaves it as it was.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "files/FileSystemWin32.h"
#include "files/SettingsFile.h"

namespace {

class FileSystemWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "kestrel-files-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    void TearDown() override {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string path = folder + found.cFileName;
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
    }
    int FilesInFolder() const {
        int count = 0;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return 0;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return count;
    }
    std::string folder;
    FileSystemWin32 files;
};

TEST_F(FileSystemWin32Test, SaveReplacesTheFileAndLeavesNoTemporaryBehind) {
    const std::string path = folder + "setup.kbx";
    ASSERT_EQ(files.WriteReplace(path, {1, 2, 3}), FileError::None);
    ASSERT_EQ(files.WriteReplace(path, {4, 5}), FileError::None);
    std::vector<uint8_t> back;
    ASSERT_EQ(files.ReadAll(path, back), FileError::None);
    EXPECT_EQ(back, (std::vector<uint8_t>{4, 5}));
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(FileSystemWin32Test, AReadOnlyTargetIsRefusedAndKeptAsItWas) {
    const std::string path = folder + "locked.kbx";
    ASSERT_EQ(files.WriteReplace(path, {9, 9, 9}), FileError::None);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(files.WriteReplace(path, {1}), FileError::AccessDenied);
    std::vector<uint8_t> back;
    ASSERT_EQ(files.ReadAll(path, back), FileError::None);
    EXPECT_EQ(back, (std::vector<uint8_t>{9, 9, 9}));
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(FileSystemWin32Test, FailuresCarryThePlatformsMessage) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(files.ReadAll(folder + "absent.kbx", bytes), FileError::NotFound);
    const FileError noFolder = files.WriteReplace(folder + "no-folder\\x.kbx", {1});
    EXPECT_TRUE(noFolder == FileError::BadPath || noFolder == FileError::NotFound);

    SongDocument doc;
    doc.dirty = 1;
    SettingsFile settings(doc, files);
    const std::string shortFile = folder + "short.kbx";
    ASSERT_EQ(files.WriteReplace(shortFile, std::vector<uint8_t>(700, 0)), FileError::None);
    LoadedPlacement placement;
    std::string error;
    EXPECT_FALSE(settings.Read(shortFile, placement, error));
    EXPECT_EQ(error, "An attempt was made to access " + shortFile + " past its end.");
    EXPECT_EQ(doc.dirty, 1);
    EXPECT_TRUE(doc.path.empty());
}

TEST_F(FileSystemWin32Test, ASavedSetupLoadsBackWithItsTitle) {
    const std::string path = folder + "tune.kbx";
    SongDocument doc;
    doc.tempo = 99.0;
    doc.measures[6].next = 2;
    SettingsFile settings(doc, files);
    std::string error;
    ASSERT_TRUE(settings.Write(path, 10, 20, 0x00112233, error)) << error;
    EXPECT_EQ(doc.title.rfind(" -  +  \xC3\xB7  x :   tune", 0), 0u) << doc.title;

    SongDocument loaded;
    SettingsFile reader(loaded, files);
    LoadedPlacement placement;
    ASSERT_TRUE(reader.Read(path, placement, error)) << error;
    EXPECT_EQ(loaded.tempo, 99.0);
    EXPECT_EQ(loaded.measures[6].next, 2);
    EXPECT_EQ(placement.skinColour, 0x00112233u);
}

} // namespace
