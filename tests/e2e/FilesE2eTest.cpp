// Settings files on the real program: opened from the command line, from a shortcut, by a drop
// and through the dialogs, written back by Save and Save As, a damaged or missing file reported,
// and the save question at closing time. Every file lies in a folder whose name is in three
// scripts; under Wine, Linux paths are handed over too.
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
#include "ResourceIds.h"
#include "app/ProbeHooks.h"
#include "common/WideTextWin32.h"
#include "files/SavePromptWin32.h"
#include "files/SettingsFile.h"

namespace {

constexpr DWORD kPatience = 20000; // a safety net only: every wait ends as soon as its condition holds

bool Exited(const RunningCopy& copy, DWORD timeoutMs = kPatience) {
    return WaitForSingleObject(copy.process.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

class FilesE2e : public ::testing::Test {
protected:
    void TearDown() override { EndCopy(copy); }
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
    // Names and paths are UTF-8.
    std::string MakeSetup(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = folder.Path() + name;
        WriteBytes(path, bytes);
        return path;
    }
    // Starts the test build without waiting for its main window (a start-up error comes first).
    void Start(const std::string& arguments) { copy = StartCopy(arguments, {}, kProbeExe, 0); }
    HWND MainWindow() {
        if (copy.window == nullptr) copy.window = FindMainWindow(copy.process.dwProcessId, kPatience);
        return copy.window;
    }
    bool WaitForTitle(const std::string& name) {
        return WaitFor([&] { return WindowText(MainWindow()) == kTitle + name; }, kPatience);
    }
    // Marks the setup changed the way a user does: by a change of width.
    void ChangeWidth() {
        RECT r{};
        GetWindowRect(MainWindow(), &r);
        SetWindowPos(MainWindow(), nullptr, 0, 0, r.right - r.left - 40, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER);
    }
    HWND WaitForPrompt() { return WaitForCaption(copy, kSavePromptCaption); }

    // Spaces, Cyrillic, Japanese and a music sign, as a Linux desktop in Russian or Japanese names
    // the music folder: no step between the command line and the disk may lose any of it.
    ScopedFolder folder{
        "kestrel e2e files \xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD0\xB8 \xE6\xAD\x8C \xE2\x99\xAB"};
    RunningCopy copy;
    const std::string kTitle = kTitlePrefix;
};

TEST_F(FilesE2e, AQuotedPathWithSpacesOpensAndSaveWritesTheSameBytesBack) {
    const std::vector<uint8_t> stored = Setup();
    const std::string path = MakeSetup("my song.^\xC2\xB6^", stored);
    Start("\"" + path + "\"");
    ASSERT_NE(MainWindow(), nullptr);
    ASSERT_TRUE(WaitForTitle("my song.^\xC2\xB6^")) << WindowText(MainWindow());
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
    const std::string path = MakeSetup("an old song.^\xC2\xB6^", Setup());
    Start(path);
    ASSERT_NE(MainWindow(), nullptr);
    EXPECT_TRUE(WaitForTitle("an old song.^\xC2\xB6^")) << WindowText(MainWindow());
}

TEST_F(FilesE2e, AWindowStoredOffScreenOpensOnScreenAndIsSavedWhereItIs) {
    const std::vector<uint8_t> stored = Setup(-32000, -32000);
    const std::string path = MakeSetup("far.^\xC2\xB6^", stored);
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
    const std::string broken = MakeSetup("broken.^\xC2\xB6^", truncated);
    const std::string good = MakeSetup("good.^\xC2\xB6^", Setup());

    // At start-up: the box, then an untitled window.
    Start("\"" + broken + "\"");
    HWND box = WaitForCaption(copy, "NOTE!");
    ASSERT_NE(box, nullptr);
    EXPECT_NE(ChildTexts(box).find("An attempt was made to access " + broken + " past its end."),
              std::string::npos)
        << ChildTexts(box);
    ClickButton(box, IDOK);
    ASSERT_NE(MainWindow(), nullptr);
    EXPECT_EQ(WindowTitle(MainWindow()), " -  +  \xF7  x");
    EndCopy(copy);

    // Over an open file: the box again, and Save still goes to the file that is open.
    Start("\"" + good + "\"");
    ASSERT_NE(MainWindow(), nullptr);
    SendProbe(MainWindow(), kProbeDropPath, broken);
    box = WaitForCaption(copy, "NOTE!");
    ASSERT_NE(box, nullptr);
    ClickButton(box, IDOK);
    WriteBytes(good, {});
    SendProbe(MainWindow(), kProbeSave);
    ASSERT_TRUE(WaitFor([&] { return ReadBytes(good).size() == kSettingsFileSize; }));
    EXPECT_EQ(ReadBytes(broken), truncated);
    EXPECT_EQ(WindowText(MainWindow()), kTitle + "good.^\xC2\xB6^");
}

TEST_F(FilesE2e, ClosingWithChangesAsksAndCancelKeepsTheWindowWhileDontSaveEnds) {
    Start("");
    ASSERT_NE(MainWindow(), nullptr);
    ChangeWidth();
    PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
    HWND prompt = WaitForPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_NE(ChildTexts(prompt).find("Save changes to\n\"Untitled Settings.^\xC2\xB6^\"?"),
              std::string::npos);
    ClickButton(prompt, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(prompt); }));
    EXPECT_FALSE(Exited(copy, 0));
    EXPECT_TRUE(IsWindowVisible(MainWindow()));

    PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
    prompt = WaitForPrompt();
    ASSERT_NE(prompt, nullptr);
    ClickButton(prompt, IDC_DONT_SAVE);
    EXPECT_TRUE(Exited(copy));
}

TEST_F(FilesE2e, ACancelledColourChoiceLeavesNothingToSave) {
    Start("");
    ASSERT_NE(MainWindow(), nullptr);
    const HWND main = MainWindow();
    PressKey(main, VK_F12); // Change Color
    HWND chooser = WaitForWindow(copy, [&](HWND w) { return w != main && ClassOf(w) == "#32770"; });
    ASSERT_NE(chooser, nullptr);
    ClickButton(chooser, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(chooser); }));
    PostMessageA(main, WM_CLOSE, 0, 0);
    bool asked = false;
    ASSERT_TRUE(WaitFor([&] {
        asked = WaitForCaption(copy, kSavePromptCaption, 0) != nullptr;
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
    ClickButton(prompt, IDOK);
    const HWND main = MainWindow();
    HWND saveAs = WaitForWindow(copy, [&](HWND w) {
        return w != main && w != prompt && IsWindow(w) && ClassOf(w) == "#32770" &&
               WindowTitle(w) != kSavePromptCaption;
    });
    ASSERT_NE(saveAs, nullptr);
    // A second close request while the dialog is open asks nothing more.
    PostMessageA(main, WM_CLOSE, 0, 0);
    ClickButton(saveAs, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(saveAs); }));
    EXPECT_FALSE(Exited(copy, 0));
    EXPECT_EQ(WindowTitle(main), " -  +  \xF7  x");

    // Still changed: asked again.
    PostMessageA(main, WM_CLOSE, 0, 0);
    prompt = WaitForPrompt();
    ASSERT_NE(prompt, nullptr);
    ClickButton(prompt, IDC_DONT_SAVE);
    EXPECT_TRUE(Exited(copy));
}

TEST_F(FilesE2e, ADroppedFileAndAShortcutToOneOpen) {
    const std::string dropped = MakeSetup("dropped one.^\xC2\xB6^", Setup());
    const std::string target = MakeSetup("linked one.^\xC2\xB6^", Setup(90, 40));
    const std::string shortcut = folder.Path() + "linked one.lnk";
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        IShellLinkW* link = nullptr;
        ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                               IID_IShellLinkW, reinterpret_cast<void**>(&link))));
        link->SetPath(Wide(target).c_str());
        IPersistFile* file = nullptr;
        ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
        EXPECT_TRUE(SUCCEEDED(file->Save(Wide(shortcut).c_str(), TRUE)));
        file->Release();
        link->Release();
        CoUninitialize();
    }

    Start("");
    ASSERT_NE(MainWindow(), nullptr);
    SendProbe(MainWindow(), kProbeDropPath, dropped);
    EXPECT_TRUE(WaitForTitle("dropped one.^\xC2\xB6^")) << WindowText(MainWindow());
    // A shortcut dropped on the window opens its target.
    SendProbe(MainWindow(), kProbeDropPath, shortcut);
    // The caption is set before the window moves: wait for the move itself.
    EXPECT_TRUE(WaitFor([&] {
        RECT r{};
        GetWindowRect(MainWindow(), &r);
        return r.left == 90 && r.top == 40;
    }));
}

TEST_F(FilesE2e, LinuxPathsOpenFromTheCommandLineAndFromADrop) {
    if (!UnderWine()) GTEST_SKIP() << "Linux paths come from Wine";
    const std::string path = MakeSetup("linux one.^\xC2\xB6^", Setup());
    const std::string dropped = MakeSetup("linux two.^\xC2\xB6^", Setup(90, 40));
    const std::optional<std::string> unixPath = UnixPathOf(path);
    const std::optional<std::string> unixDropped = UnixPathOf(dropped);
    ASSERT_TRUE(unixPath && unixDropped);
    ASSERT_EQ(unixPath->front(), '/');
    // As Wine passes an argument with spaces from a Linux shell: in quotes. Started on drive C:,
    // where a Linux path read as a Windows one would name C:\\tmp or C:\\home.
    copy = StartCopy("\"" + *unixPath + "\"", {}, kProbeExe, 0, folder.Path());
    ASSERT_NE(MainWindow(), nullptr);
    EXPECT_TRUE(WaitForTitle("linux one.^\xC2\xB6^")) << WindowText(MainWindow());
    SendProbe(MainWindow(), kProbeDropPath, *unixDropped);
    EXPECT_TRUE(WaitForTitle("linux two.^\xC2\xB6^")) << WindowText(MainWindow());
}

TEST_F(FilesE2e, AMissingFileIsNamedAndARelativeNameOpensFromTheFolderItStartsIn) {
    const std::string missing = folder.Path() + "gone.^\xC2\xB6^";
    Start("\"" + missing + "\"");
    HWND box = WaitForCaption(copy, "NOTE!");
    ASSERT_NE(box, nullptr);
    EXPECT_NE(ChildTexts(box).find("Path not found.\n" + missing), std::string::npos) << ChildTexts(box);
    ClickButton(box, IDOK);
    ASSERT_NE(MainWindow(), nullptr);
    EXPECT_EQ(WindowTitle(MainWindow()), " -  +  \xF7  x"); // a fresh setup, untitled
    EndCopy(copy);

    MakeSetup("here.^\xC2\xB6^", Setup());
    copy = StartCopy("here.^\xC2\xB6^", {}, kProbeExe, 0, folder.Path());
    ASSERT_NE(MainWindow(), nullptr);
    EXPECT_TRUE(WaitForTitle("here.^\xC2\xB6^")) << WindowText(MainWindow());
}

TEST_F(FilesE2e, SaveAsOpenAndTheSaveQuestionKeepTheNamesWhole) {
    const std::string original = MakeSetup("first.^\xC2\xB6^", Setup());
    Start("");
    ASSERT_NE(MainWindow(), nullptr);
    RunMenuCommand(MainWindow(), IDC_CMD_SAVE_AS);
    HWND dialog = WaitForFileDialog(copy);
    ASSERT_NE(dialog, nullptr);
    const std::string saved = folder.Path() + "\xE2\x99\xAB second.^\xC2\xB6^";
    ChooseInFileDialog(dialog, saved);
    ASSERT_TRUE(WaitForTitle("\xE2\x99\xAB second.^\xC2\xB6^")) << WindowText(MainWindow());
    EXPECT_EQ(ReadBytes(saved).size(), kSettingsFileSize);

    RunMenuCommand(MainWindow(), IDC_CMD_OPEN);
    dialog = WaitForFileDialog(copy);
    ASSERT_NE(dialog, nullptr);
    ChooseInFileDialog(dialog, original);
    ASSERT_TRUE(WaitForTitle("first.^\xC2\xB6^")) << WindowText(MainWindow());
    EXPECT_TRUE(WaitFor([&] { return ClientSize(MainWindow()).cx == 99 + 38 * 5; }));

    ChangeWidth();
    PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
    HWND prompt = WaitForPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_NE(ChildTexts(prompt).find("Save changes to\n\"" + original + "\"?"), std::string::npos)
        << ChildTexts(prompt);
    ClickButton(prompt, IDC_DONT_SAVE);
    EXPECT_TRUE(Exited(copy));
}

// Runs a program built next to the tests with the given arguments (UTF-8) and waits for it.
DWORD RunProgram(const char* exeName, const std::string& arguments) {
    std::wstring line = Wide("\"" + ProgramPath(exeName) + "\" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, kPatience);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST_F(FilesE2e, ExportWritesWhatTheRendererWritesForTheSameSetup) {
    // A chain of two measures with a repeat, so the pass is more than one measure long.
    SongDocument doc;
    doc.stepsPerMeasure = 6;
    doc.tempo = 150.0;
    doc.editMeasure = 1;
    doc.transpose = -3;
    doc.measures[1].next = 4;
    doc.measures[4].next = 1;
    doc.measures[4].repeat = 2;
    const std::string setup = MakeSetup("export me.^\xC2\xB6^", EncodeSettings(doc, 100, 100, 0x00406080));
    Start("\"" + setup + "\"");
    ASSERT_NE(MainWindow(), nullptr);
    ASSERT_TRUE(WaitForTitle("export me.^\xC2\xB6^"));

    const struct {
        int command;
        const char* extension;
    } exports[] = {{IDC_CMD_EXPORT_WAV, ".wav"}, {IDC_CMD_EXPORT_MIDI, ".mid"}};
    for (const auto& e : exports) {
        RunMenuCommand(MainWindow(), e.command);
        HWND dialog = WaitForFileDialog(copy);
        ASSERT_NE(dialog, nullptr);
        // The setup's name with the format's extension is offered.
        EXPECT_TRUE(WaitFor([&] { return FileDialogName(dialog) == "export me" + std::string(e.extension); }))
            << FileDialogName(dialog);
        ChooseInFileDialog(dialog, folder.Path() + "exported" + e.extension);
        // Written in one step: once it is there, it is whole.
        ASSERT_TRUE(WaitFor([&] { return FileExists(folder.Path() + "exported" + e.extension); }, kPatience));
    }

    ASSERT_EQ(RunProgram("kestrelbox-render.exe", "\"" + setup + "\" \"" + folder.Path() +
                                                      "rendered.wav\" --midi \"" + folder.Path() +
                                                      "rendered.mid\""),
              0u);
    const std::vector<uint8_t> wav = ReadBytes(folder.Path() + "exported.wav");
    EXPECT_GT(wav.size(), 44u + 44100u); // more than a second of sound
    EXPECT_TRUE(wav == ReadBytes(folder.Path() + "rendered.wav"));
    EXPECT_EQ(ReadBytes(folder.Path() + "exported.mid"), ReadBytes(folder.Path() + "rendered.mid"));
    // Exporting changed nothing that would need saving.
    PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Exited(copy));
}

struct AnyWindowSearch {
    std::string text;
    HWND found = nullptr;
};

BOOL CALLBACK MatchAnyWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<AnyWindowSearch*>(param);
    if (!IsWindowVisible(window) || WindowText(window) != search->text) return TRUE;
    search->found = window;
    return FALSE;
}

TEST_F(FilesE2e, AfterOneStartTheShellOpensASetupWithTheProgram) {
    if (!UnderWine()) GTEST_SKIP() << "start /unix is Wine's";
    // Whatever an earlier start left where the shell reads goes first: this start must write it.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Zolk");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, Wide("Software\\Classes\\.^\xC2\xB6^").c_str());
    Start("");
    ASSERT_NE(MainWindow(), nullptr);
    ASSERT_TRUE(CloseCopy(copy));
    EndCopy(copy);
    // Readable where Wine's shell looks: HKEY_CLASSES_ROOT.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"Zolk\\shell\\open\\command", 0, KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    wchar_t command[1024] = {};
    DWORD size = sizeof command - sizeof(wchar_t);
    RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(command), &size);
    RegCloseKey(key);
    EXPECT_EQ(Utf8(command), "\"" + ProgramPath(kProbeExe) + "\" \"%1\"");

    // What a double click in a Linux file manager and "wine start /unix" both come to.
    const std::string path = MakeSetup("from the shell.^\xC2\xB6^", Setup());
    const std::optional<std::string> unixPath = UnixPathOf(path);
    ASSERT_TRUE(unixPath);
    std::wstring line = Wide("start.exe /unix \"" + *unixPath + "\"");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION start{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &start));
    WaitForSingleObject(start.hProcess, kPatience);
    CloseHandle(start.hThread);
    CloseHandle(start.hProcess);

    AnyWindowSearch search{kTitle + "from the shell.^\xC2\xB6^"};
    ASSERT_TRUE(WaitFor(
        [&] {
            EnumWindows(MatchAnyWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        kPatience));
    // Opened as a setup, not only named: the window takes its steps.
    EXPECT_TRUE(WaitFor([&] { return ClientSize(search.found).cx == 99 + 38 * 5; }));
    // Not this test's child: adopted, so the fixture ends it in any case.
    DWORD pid = 0;
    GetWindowThreadProcessId(search.found, &pid);
    copy.process.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    copy.process.hThread = OpenThread(SYNCHRONIZE, FALSE, GetWindowThreadProcessId(search.found, nullptr));
    copy.window = search.found;
    EXPECT_TRUE(CloseCopy(copy));
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
