// The file side's Windows parts on the real system: the save question's dialog pressed by its
// buttons, the registry of the test prefix, shortcut files made here with the shell's link
// object, full paths, drop blocks and window placement.
#include <windows.h>

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <functional>
#include <string>

#include "app/FileShell.h"
#include "app/SetupWindowWin32.h"
#include "common/WideTextWin32.h"
#include "files/FileRules.h"
#include "files/Preferences.h"
#include "files/RegistryWin32.h"
#include "files/SavePromptWin32.h"
#include "files/ShellWin32.h"

namespace {

// --- The save question -------------------------------------------------------------------------

// Runs the real dialog; once it is up, `press` acts on it from inside its own modal loop.
struct PromptRun {
    SaveAnswer answer = SaveAnswer::Save;
    std::string caption;
    std::string text; // UTF-8
};

std::function<void(HWND)> pendingPress;
PromptRun* pendingRun = nullptr;

BOOL CALLBACK FindPrompt(HWND window, LPARAM found) {
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (std::strcmp(caption, kSavePromptCaption) != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK PressWhenShown(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND prompt = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindPrompt, reinterpret_cast<LPARAM>(&prompt));
    if (prompt == nullptr || !pendingPress) return;
    KillTimer(nullptr, timer);
    char caption[64] = {};
    GetWindowTextA(prompt, caption, sizeof caption);
    pendingRun->caption = caption;
    const int length = GetWindowTextLengthW(GetDlgItem(prompt, IDC_SAVE_PROMPT_TEXT));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetDlgItemTextW(prompt, IDC_SAVE_PROMPT_TEXT, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    pendingRun->text = Utf8(text);
    auto press = std::move(pendingPress);
    pendingPress = nullptr;
    press(prompt);
}

PromptRun AskAndPress(const std::string& question, std::function<void(HWND)> press) {
    PromptRun run;
    pendingRun = &run;
    pendingPress = std::move(press);
    SetTimer(nullptr, 0, 10, PressWhenShown);
    SavePromptWin32 prompt;
    run.answer = prompt.Ask(question);
    pendingRun = nullptr;
    return run;
}

std::function<void(HWND)> Click(int id) {
    return [id](HWND prompt) { SendMessageA(GetDlgItem(prompt, id), BM_CLICK, 0, 0); };
}

TEST(SavePromptDialog, EachButtonGivesItsAnswerAndEscapeCancels) {
    const PromptRun save = AskAndPress(SavePromptText(""), Click(IDOK));
    EXPECT_EQ(save.answer, SaveAnswer::Save);
    EXPECT_EQ(save.caption, std::string(kSavePromptCaption));
    EXPECT_EQ(save.text, "Save changes to\n\"Untitled Settings.^\xC2\xB6^\"?");
    EXPECT_EQ(AskAndPress("q", Click(IDCANCEL)).answer, SaveAnswer::Cancel);
    EXPECT_EQ(AskAndPress("q", Click(IDC_DONT_SAVE)).answer, SaveAnswer::DontSave);
    const PromptRun escape = AskAndPress("q", [](HWND prompt) {
        // Escape in a dialog is the Cancel command; the close box sends the same.
        SendMessageA(prompt, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_EQ(escape.answer, SaveAnswer::Cancel);
    const PromptRun closed = AskAndPress("q", [](HWND prompt) { SendMessageA(prompt, WM_CLOSE, 0, 0); });
    EXPECT_EQ(closed.answer, SaveAnswer::Cancel);
}

TEST(SavePromptDialog, ALongPathInAnyScriptReachesTheDialogWhole) {
    // A folder in Cyrillic and Japanese: none of it fits the ANSI code page.
    const std::string path = "C:\\\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD0\xB8 \xE6\xAD\x8C\\" +
                             std::string(400, 'p') + "\\song.^\xC2\xB6^";
    const PromptRun run = AskAndPress(SavePromptText(path), Click(IDCANCEL));
    EXPECT_EQ(run.text, SavePromptText(path));
}

// --- The registry --------------------------------------------------------------------------------

std::optional<std::string> RawValue(HKEY root, const std::string& key, const char* name,
                                    DWORD* size = nullptr) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return std::nullopt;
    DWORD got = 0;
    RegQueryValueExA(opened, name, nullptr, nullptr, nullptr, &got);
    if (size != nullptr) *size = got;
    std::optional<std::string> text = ReadRegistryString(opened, name);
    RegCloseKey(opened);
    return text;
}

void SetRaw(HKEY root, const std::string& key, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(created, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(created);
}

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Classes\\Pallidorn");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "Pallidorn");
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KestrelTest");
    }
    RegistryWin32 registry;
};

TEST_F(RegistryTest, RegistrationWritesTheUsersClassesWithTheCommandQuotedAndTheZeroStored) {
    const std::string program = ProgramFileName();
    ASSERT_FALSE(program.empty());
    RegisterFileType(registry, program);
    DWORD size = 0;
    const auto command =
        RawValue(HKEY_CURRENT_USER, "Software\\Classes\\Zolk\\shell\\open\\command", nullptr, &size);
    ASSERT_TRUE(command);
    EXPECT_EQ(*command, "\"" + program + "\" \"%1\"");
    EXPECT_EQ(size, command->size() + 1);
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, "Software\\Classes\\Zolk", nullptr), ".Zolk Settings File");
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, "Software\\Classes\\Zolk\\DefaultIcon", nullptr), program + ",1");
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, "Software\\Classes\\.^\xB6^", nullptr), "Zolk");
}

TEST_F(RegistryTest, TheMachinesClassesGetTheSameEntriesWhereTheClassesRootReadsThem) {
    const std::string program = ProgramFileName();
    RegistryWin32 machine(kMachineClasses);
    RegisterFileType(machine, program);
    const auto extension = RawValue(HKEY_LOCAL_MACHINE, "Software\\Classes\\.^\xB6^", nullptr);
    if (!extension) GTEST_SKIP() << "only an administrator may write the machine's classes";
    EXPECT_EQ(*extension, "Zolk");
    EXPECT_EQ(RawValue(HKEY_CLASSES_ROOT, "Zolk\\shell\\open\\command", nullptr), OpenCommand(program));
    EXPECT_EQ(RawValue(HKEY_CLASSES_ROOT, "Zolk\\DefaultIcon", nullptr), program + ",1");
}

TEST_F(RegistryTest, ThePreferenceIsReadFromTheUserFirstThenFromTheClassesRoot) {
    EXPECT_TRUE(LoadHighResPreference(registry));
    SetRaw(HKEY_CLASSES_ROOT, "Pallidorn\\data\\8", "highResTimer", REG_SZ, "off", 4);
    EXPECT_FALSE(LoadHighResPreference(registry)); // a machine-wide value still counts
    SaveHighResPreference(registry, true);
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, "Software\\Classes\\Pallidorn\\data\\8", "highResTimer"), "on");
    EXPECT_TRUE(LoadHighResPreference(registry));
    SaveHighResPreference(registry, false);
    EXPECT_FALSE(LoadHighResPreference(registry));
}

TEST_F(RegistryTest, OnlyStringsAreReadWholeAndEndedWhereverTheyWereStored) {
    const std::string key = "Software\\KestrelTest";
    const DWORD number = 7;
    SetRaw(HKEY_CURRENT_USER, key, "number", REG_DWORD, &number, sizeof number);
    SetRaw(HKEY_CURRENT_USER, key, "expand", REG_EXPAND_SZ, "off", 4);
    SetRaw(HKEY_CURRENT_USER, key, "bare", REG_SZ, "off", 3); // stored without its zero
    const std::string longText(1000, 'v');
    SetRaw(HKEY_CURRENT_USER, key, "long", REG_SZ, longText.c_str(), static_cast<DWORD>(longText.size() + 1));
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, key, "number"), std::nullopt);
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, key, "expand"), std::nullopt);
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, key, "bare"), "off");
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, key, "long"), longText);
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, key, "missing"), std::nullopt);
}

// --- Shortcuts and full paths --------------------------------------------------------------------

class ShellTest : public ::testing::Test {
protected:
    // Paths here are UTF-8, as the shell side takes them.
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        // A folder named in Cyrillic and Japanese: no step may go through the ANSI code page.
        folder = Utf8(temp) +
                 "kestrel shell \xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD0\xB8 \xE6\xAD\x8C \xE2\x99\xAB " +
                 std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryW(Wide(folder).c_str(), nullptr);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void TearDown() override {
        for (const std::string& file : made)
            DeleteFileW(Wide(file).c_str());
        RemoveDirectoryW(Wide(folder).c_str());
        CoUninitialize();
    }
    std::string MakeFile(const std::string& name, const std::string& bytes = "settings") {
        const std::string path = folder + name;
        HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        made.push_back(path);
        return path;
    }
    // A real shortcut file, as the shell's link object writes it.
    std::string MakeShortcut(const std::string& name, const std::string& target) {
        const std::string path = folder + name;
        IShellLinkW* link = nullptr;
        EXPECT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                               IID_IShellLinkW, reinterpret_cast<void**>(&link))));
        if (link == nullptr) return path;
        link->SetPath(Wide(target).c_str());
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            EXPECT_TRUE(SUCCEEDED(file->Save(Wide(path).c_str(), TRUE)));
            file->Release();
        }
        link->Release();
        made.push_back(path);
        return path;
    }
    static std::string LongName(const std::string& path) {
        wchar_t buffer[MAX_PATH * 2] = {};
        GetLongPathNameW(Wide(path).c_str(), buffer, MAX_PATH * 2);
        return Utf8(buffer);
    }
    std::string folder;
    std::vector<std::string> made;
    ShellWin32 shell;
};

TEST_F(ShellTest, AShortcutLeadsToItsSettingsFileInAFormTheEndingRuleAccepts) {
    const std::string target = MakeFile("my song.^\xC2\xB6^");
    const std::string shortcut = MakeShortcut("my song.lnk", target);
    const Shell::Shortcut resolved = shell.ResolveShortcut(shortcut);
    ASSERT_EQ(resolved.status, Shell::Shortcut::Resolved);
    EXPECT_TRUE(IsSettingsName(resolved.target)) << resolved.target;
    const std::optional<std::string> full = shell.FullPath(resolved.target);
    ASSERT_TRUE(full);
    EXPECT_EQ(LongName(*full), LongName(target));
}

TEST_F(ShellTest, AFileThatIsNoShortcutResolvesToNothing) {
    const std::string fake = MakeFile("fake.lnk", "not a link at all");
    EXPECT_EQ(shell.ResolveShortcut(fake).status, Shell::Shortcut::Unresolved);
    EXPECT_EQ(shell.ResolveShortcut(folder + "missing.lnk").status, Shell::Shortcut::Unresolved);
}

TEST_F(ShellTest, FullPathFindsExistingFilesAbsoluteOrRelativeAndRefusesMissingOnes) {
    const std::string file = MakeFile("a b.^\xC2\xB6^");
    const std::optional<std::string> full = shell.FullPath(file);
    ASSERT_TRUE(full);
    EXPECT_EQ(LongName(*full), LongName(file));

    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryW(Wide(folder).c_str());
    const std::optional<std::string> relative = shell.FullPath("a b.^\xC2\xB6^");
    SetCurrentDirectoryA(previous);
    ASSERT_TRUE(relative);
    EXPECT_EQ(LongName(*relative), LongName(file));

    EXPECT_EQ(shell.FullPath(folder + "missing.^\xC2\xB6^"), std::nullopt);
}

TEST_F(ShellTest, TheCallersComSetUpIsLeftAsItWas) {
    const std::string shortcut = MakeShortcut("plain.lnk", MakeFile("plain.^\xC2\xB6^"));
    // Set up by the caller: still set up afterwards.
    EXPECT_EQ(shell.ResolveShortcut(shortcut).status, Shell::Shortcut::Resolved);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    // In another kind of apartment: the shell's own attempt fails and must not be undone.
    CoUninitialize();
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(shell.ResolveShortcut(shortcut).status, Shell::Shortcut::Resolved);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    // Not set up at all: it works, and nothing is left set up.
    EXPECT_EQ(shell.ResolveShortcut(shortcut).status, Shell::Shortcut::Resolved);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); // balanced by TearDown
}

// --- Drops and window placement ------------------------------------------------------------------

HDROP MakeDrop(const std::vector<std::string>& names) {
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& name : names)
        size += name.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* block = static_cast<DROPFILES*>(GlobalLock(memory));
    block->pFiles = sizeof(DROPFILES);
    char* at = reinterpret_cast<char*>(block) + sizeof(DROPFILES);
    for (const std::string& name : names) {
        std::memcpy(at, name.c_str(), name.size() + 1);
        at += name.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST(DroppedFiles, TheFirstNameComesBackWholeHoweverLong) {
    const std::string longName = "C:\\" + std::string(300, 'd') + "\\" + std::string(200, 'e') + ".^\xB6^";
    HDROP drop = MakeDrop({longName, "C:\\second.^\xB6^"});
    EXPECT_EQ(FirstDroppedName(drop), Utf8FromWindows1252(longName)); // an ANSI drop comes back as UTF-8
    DragFinish(drop);
    HDROP empty = MakeDrop({});
    EXPECT_EQ(FirstDroppedName(empty), "");
    DragFinish(empty);
}

class PlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = CreateWindowExA(WS_EX_APPWINDOW, "STATIC", "placement", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 100, 90, 400, 150, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { DestroyWindow(window); }
    RECT Rect() const {
        RECT r{};
        GetWindowRect(window, &r);
        return r;
    }
    HWND window = nullptr;
};

TEST_F(PlacementTest, AMinimisedWindowStillGivesItsRestoredPosition) {
    MoveOntoScreen(window, {130, 70});
    EXPECT_EQ(Rect().left, 130);
    EXPECT_EQ(Rect().top, 70);
    ShowWindow(window, SW_MINIMIZE);
    const ScreenPoint at = RestoredTopLeft(window);
    EXPECT_EQ(at.x, 130);
    EXPECT_EQ(at.y, 70);
}

TEST_F(PlacementTest, APositionOnNoScreenLandsInsideTheNearestWorkArea) {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    for (const ScreenPoint distant :
         {ScreenPoint{-32000, -32000}, ScreenPoint{40000, 300}, ScreenPoint{200, 9000}}) {
        MoveOntoScreen(window, distant);
        const RECT r = Rect();
        EXPECT_GE(r.left, work.left);
        EXPECT_GE(r.top, work.top);
        EXPECT_LE(r.right, work.right);
        EXPECT_LE(r.bottom, work.bottom);
        EXPECT_EQ(r.right - r.left, 400);
    }
    // Partly on screen is on screen: left where it was put.
    MoveOntoScreen(window, {-100, 20});
    EXPECT_EQ(Rect().left, -100);
}

} // namespace
