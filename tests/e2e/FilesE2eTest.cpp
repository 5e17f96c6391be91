// Settings files on the real program: opened from the command line, from a shortcut and by a
// drop, written back by Save, a damaged file reported, and the save question at closing time.
#include <windows.h>

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include "E2eSupport.h"
#include "app/ProbeHooks.h"
#include "files/SavePromptWin32.h"
#include "files/SettingsFile.h"
#include "files/ShellWin32.h"

namespace {

constexpr char kProbeExe[] = "kestrelbox_probe.exe";
constexpr DWORD kPatience = 20000; // a safety net only: every wait ends as soon as its condition holds

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = kPatience) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

struct WindowSearch {
    DWORD pid;
    std::function<bool(HWND)> match;
    HWND found = nullptr;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window) || !search->match(window)) return TRUE;
    search->found = window;
    return FALSE;
}

// A visible top-level window of the copy that satisfies match, waited for.
HWND WaitForWindow(const RunningCopy& copy, std::function<bool(HWND)> match) {
    WindowSearch search{copy.process.dwProcessId, std::move(match)};
    WaitFor([&] {
        EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

HWND WaitForCaption(const RunningCopy& copy, const std::string& caption) {
    return WaitForWindow(copy, [&](HWND w) { return WindowTitle(w) == caption; });
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Every text of the window's children, one after another.
std::string ChildTexts(HWND window) {
    std::string texts;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM param) {
            *reinterpret_cast<std::string*>(param) += WindowTitle(child) + "\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

void Click(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

bool Exited(const RunningCopy& copy, DWORD timeoutMs = kPatience) {
    return WaitForSingleObject(copy.process.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void SendProbe(HWND window, ULONG_PTR what, const std::string& data = "") {
    COPYDATASTRUCT message{what, static_cast<DWORD>(data.size()), const_cast<char*>(data.data())};
    SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message));
}

class FilesE2e : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "kestrel e2e files " + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    void TearDown() override {
        EndCopy(copy);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((folder + found.cFileName).c_str());
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
    }
    // A setup unlike a fresh one: five steps, its own place on the screen and its own skin.
    std::vector<uint8_t> Setup(int32_t left = 150, int32_t top = 60) {
        SongDocument doc;
        doc.stepsPerMeasure = 5;
        doc.tempo = 133.0;
        doc.editMeasure = 2;
        doc.levelB = 55;
        doc.transpose = 4;
        return EncodeSettings(doc, left, top, 0x00204080);
    }
    std::string MakeSetup(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = folder + name;
        WriteBytes(path, bytes);
        return path;
    }
    // Starts the test build without waiting for its main window (a start-up error comes first).
    void Start(const std::string& arguments) { copy = StartCopy(arguments, {}, kProbeExe, 0); }
    HWND MainWindow() {
        if (copy.window == nullptr) copy.window = FindMainWindow(copy.process.dwProcessId, kPatience);
        return copy.window;
    }
    // Marks the setup changed the way a user does: by a change of width.
    void ChangeWidth() {
        RECT r{};
        GetWindowRect(MainWindow(), &r);
        SetWindowPos(MainWindow(), nullptr, 0, 0, r.right - r.left - 40, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER);
    }
    HWND WaitForPrompt() { return WaitForCaption(copy, kSavePromptCaption); }

    std::string folder;
    RunningCopy copy;
};

const std::string kTitle = " -  +  \xF7  x :   ";

TEST_F(FilesE2e, AQuotedPathWithSpacesOpensAndSaveWritesTheSameBytesBack) {
    const std::vector<uint8_t> stored = Setup();
    const std::string path = MakeSetup("my song.^\xB6^", stored);
    Start("\"" + path + "\"");
    ASSERT_NE(MainWindow(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return WindowTitle(MainWindow()) == kTitle + "my song.^\xB6^"; }))
        << WindowTitle(MainWindow());
    EXPECT_EQ(ClientSize(MainWindow()).cx, 99 + 38 * 5);
    RECT r{};
    GetWindowRect(MainWindow(), &r);
    EXPECT_EQ(r.left, 150);
    EXPECT_EQ(r.top, 60);

    WriteBytes(path, {}); // so the save is seen arriving
    SendProbe(MainWindow(), kProbeSave);
    ASSERT_TRUE(WaitFor([&] { return ReadBytes(path).size() == kSettingsFileSize; }));
    EXPECT_EQ(ReadBytes(path), stored);
}

TEST_F(FilesE2e, AnUnquotedPathWithSpacesIsTakenWhole) {
    const std::string path = MakeSetup("an old song.^\xB6^", Setup());
    Start(path);
    ASSERT_NE(MainWindow(), nullptr);
    EXPECT_TRUE(WaitFor([&] { return WindowTitle(MainWindow()) == kTitle + "an old song.^\xB6^"; }))
        << WindowTitle(MainWindow());
}

TEST_F(FilesE2e, AWindowStoredOffScreenOpensOnScreenAndIsSavedWhereItIs) {
    const std::vector<uint8_t> stored = Setup(-32000, -32000);
    const std::string path = MakeSetup("far.^\xB6^", stored);
    Start("\"" + path + "\"");
    ASSERT_NE(MainWindow(), nullptr);
    RECT r{}, work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(MainWindow(), &r);
    EXPECT_GE(r.left, work.left);
    EXPECT_GE(r.top, work.top);
    EXPECT_LE(r.right, work.right);
    EXPECT_LE(r.bottom, work.bottom);

    // Minimised, the save still stores where the window will come back.
    ShowWindow(MainWindow(), SW_MINIMIZE);
    WriteBytes(path, {});
    SendProbe(MainWindow(), kProbeSave);
    ASSERT_TRUE(WaitFor([&] { return ReadBytes(path).size() == kSettingsFileSize; }));
    // The same setup, stored at the place the window was moved to.
    std::vector<uint8_t> expected = ReadBytes(path);
    ASSERT_EQ(expected.size(), kSettingsFileSize);
    int32_t at[2] = {};
    std::memcpy(at, expected.data() + 1598, sizeof at);
    EXPECT_EQ(at[0], r.left);
    EXPECT_EQ(at[1], r.top);
    std::memcpy(expected.data() + 1598, stored.data() + 1598, sizeof at);
    EXPECT_EQ(expected, stored);
}

TEST_F(FilesE2e, ATruncatedFileIsReportedAndALaterSaveLeavesItAlone) {
    std::vector<uint8_t> truncated = Setup();
    truncated.resize(1000);
    const std::string broken = MakeSetup("broken.^\xB6^", truncated);
    const std::string good = MakeSetup("good.^\xB6^", Setup());

    // At start-up: the box, then an untitled window.
    Start("\"" + broken + "\"");
    HWND box = WaitForCaption(copy, "NOTE!");
    ASSERT_NE(box, nullptr);
    EXPECT_NE(ChildTexts(box).find("An attempt was made to access " + broken + " past its end."),
              std::string::npos)
        << ChildTexts(box);
    Click(box, IDOK);
    ASSERT_NE(MainWindow(), nullptr);
    EXPECT_EQ(WindowTitle(MainWindow()), " -  +  \xF7  x");
    EndCopy(copy);

    // Over an open file: the box again, and Save still goes to the file that is open.
    Start("\"" + good + "\"");
    ASSERT_NE(MainWindow(), nullptr);
    SendProbe(MainWindow(), kProbeDropPath, broken);
    box = WaitForCaption(copy, "NOTE!");
    ASSERT_NE(box, nullptr);
    Click(box, IDOK);
    WriteBytes(good, {});
    SendProbe(MainWindow(), kProbeSave);
    ASSERT_TRUE(WaitFor([&] { return ReadBytes(good).size() == kSettingsFileSize; }));
    EXPECT_EQ(ReadBytes(broken), truncated);
    EXPECT_EQ(WindowTitle(MainWindow()), kTitle + "good.^\xB6^");
}

TEST_F(FilesE2e, ClosingWithChangesAsksAndCancelKeepsTheWindowWhileDontSaveEnds) {
    Start("");
    ASSERT_NE(MainWindow(), nullptr);
    ChangeWidth();
    PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
    HWND prompt = WaitForPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_NE(ChildTexts(prompt).find("Save changes to\n\"Untitled Settings.^\xB6^\"?"), std::string::npos);
    Click(prompt, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(prompt); }));
    EXPECT_FALSE(Exited(copy, 0));
    EXPECT_TRUE(IsWindowVisible(MainWindow()));

    PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
    prompt = WaitForPrompt();
    ASSERT_NE(prompt, nullptr);
    Click(prompt, IDC_DONT_SAVE);
    EXPECT_TRUE(Exited(copy));
}

TEST_F(FilesE2e, ACancelledColourChoiceLeavesNothingToSave) {
    Start("");
    ASSERT_NE(MainWindow(), nullptr);
    const HWND main = MainWindow();
    PressKey(main, VK_F12); // Change Color
    HWND chooser = WaitForWindow(copy, [&](HWND w) { return w != main && ClassOf(w) == "#32770"; });
    ASSERT_NE(chooser, nullptr);
    Click(chooser, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(chooser); }));
    PostMessageA(main, WM_CLOSE, 0, 0);
    bool asked = false;
    ASSERT_TRUE(WaitFor([&] {
        WindowSearch prompt{copy.process.dwProcessId,
                            [](HWND w) { return WindowTitle(w) == kSavePromptCaption; }};
        EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&prompt));
        asked = prompt.found != nullptr;
        return asked || Exited(copy, 0);
    }));
    EXPECT_FALSE(asked);
}

TEST_F(FilesE2e, SaveOnAnUntitledSetupOpensSaveAsAndCancellingItKeepsTheWindowAndTheChanges) {
    Start("");
    ASSERT_NE(MainWindow(), nullptr);
    ChangeWidth();
    PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
    HWND prompt = WaitForPrompt();
    ASSERT_NE(prompt, nullptr);
    Click(prompt, IDOK);
    const HWND main = MainWindow();
    HWND saveAs = WaitForWindow(copy, [&](HWND w) {
        return w != main && w != prompt && IsWindow(w) && ClassOf(w) == "#32770" &&
               WindowTitle(w) != kSavePromptCaption;
    });
    ASSERT_NE(saveAs, nullptr);
    // A second close request while the dialog is open asks nothing more.
    PostMessageA(main, WM_CLOSE, 0, 0);
    Click(saveAs, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(saveAs); }));
    EXPECT_FALSE(Exited(copy, 0));
    EXPECT_EQ(WindowTitle(main), " -  +  \xF7  x");

    // Still changed: asked again.
    PostMessageA(main, WM_CLOSE, 0, 0);
    prompt = WaitForPrompt();
    ASSERT_NE(prompt, nullptr);
    Click(prompt, IDC_DONT_SAVE);
    EXPECT_TRUE(Exited(copy));
}

TEST_F(FilesE2e, ADroppedFileAndAShortcutToOneOpen) {
    const std::string dropped = MakeSetup("dropped one.^\xB6^", Setup());
    const std::string target = MakeSetup("linked one.^\xB6^", Setup(90, 40));
    const std::string shortcut = folder + "linked one.lnk";
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        IShellLinkA* link = nullptr;
        ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                               IID_IShellLinkA, reinterpret_cast<void**>(&link))));
        link->SetPath(target.c_str());
        IPersistFile* file = nullptr;
        ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
        EXPECT_TRUE(SUCCEEDED(file->Save(WideFromAnsi(shortcut).c_str(), TRUE)));
        file->Release();
        link->Release();
        CoUninitialize();
    }

    Start("");
    ASSERT_NE(MainWindow(), nullptr);
    SendProbe(MainWindow(), kProbeDropPath, dropped);
    EXPECT_TRUE(WaitFor([&] { return WindowTitle(MainWindow()) == kTitle + "dropped one.^\xB6^"; }))
        << WindowTitle(MainWindow());
    // A shortcut dropped on the window opens its target.
    SendProbe(MainWindow(), kProbeDropPath, shortcut);
    // The caption is set before the window moves: wait for the move itself.
    EXPECT_TRUE(WaitFor([&] {
        RECT r{};
        GetWindowRect(MainWindow(), &r);
        return r.left == 90 && r.top == 40;
    }));
}

TEST(ProbeHooks, OnlyTheTestBuildTakesPathsAndSaveRequestsFromOutside) {
    for (const char* exe : {kProbeExe, "kestrelbox.exe"}) {
        RunningCopy copy = StartCopy("", {}, exe);
        ASSERT_NE(copy.window, nullptr);
        // A name that is no settings file: the test build takes it and then ignores it.
        const std::string path = "C:\\not a setup.txt";
        COPYDATASTRUCT message{kProbeDropPath, static_cast<DWORD>(path.size()),
                               const_cast<char*>(path.data())};
        const LRESULT taken = SendMessageA(copy.window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message));
        EXPECT_EQ(taken != 0, exe == std::string(kProbeExe)) << exe;
        EndCopy(copy);
    }
}

} // namespace
