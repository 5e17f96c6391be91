// Editing the real program from outside: mouse clicks on the cells with Shift and Alt held in the
// system's key state, right clicks, the measure popup, the toolbar menus, the shortcuts, and a
// measure copied in one running copy and pasted into another.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "files/SavePromptWin32.h"

namespace {

int ColumnX(int k) { return 94 + 38 * (k - 1); }
POINT NoteUp(int k) { return POINT{ColumnX(k) + 4, 2 + 63 + 4}; }
POINT NoteDown(int k) { return POINT{ColumnX(k) + 4, 2 + 72 + 4}; }
POINT MeasureButton(int n) { return POINT{78, 98 - 14 * (n - 1) + 6}; }

int Value(const std::string& text) { return std::atoi(text.c_str()); }

std::vector<int> Values(const std::vector<std::string>& texts) {
    std::vector<int> v;
    for (const std::string& t : texts)
        v.push_back(Value(t));
    return v;
}

int Clamp(int v) { return v < -59 ? -59 : v > 67 ? 67 : v; }

void Click(HWND window, POINT at) { PostClick(window, at.x, at.y); }

// A visible top-level window of the copy's process with the class, other than its main window.
HWND FindProcessWindow(const RunningCopy& copy, const char* className) {
    struct Search {
        DWORD pid;
        HWND main;
        const char* className;
        HWND found;
    } search{copy.process.dwProcessId, copy.window, className, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            char name[64] = {};
            GetClassNameA(w, name, sizeof name);
            if (pid == s->pid && w != s->main && IsWindowVisible(w) && std::string(name) == s->className) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(EditingE2e, CellsFollowClicksAndShiftAndAltSpreadOverTheShownSteps) {
    const std::string log = TempPath("editing.log");
    DeleteFileA(log.c_str());
    ScopedCopy copy({"KESTREL_TONE_LOG=" + log}, kProbeExe);
    HWND window = copy.Window();
    ASSERT_NE(window, nullptr);

    // One click on column 1's up arrow: that note alone goes up.
    std::vector<int> notes = Values(NoteTexts(window));
    Click(window, NoteUp(1));
    std::vector<int> expected = notes;
    expected[0] = Clamp(notes[0] + 1);
    ASSERT_TRUE(WaitFor([&] { return Values(NoteTexts(window)) == expected; }));

    // With Shift, a step down on a column moves every shown note down by one. The column is one
    // whose note is above the lowest shown value, so its step is exactly -1 (a stored -60 shows
    // as -59, and stepping that down would move the others by +1).
    int k = 2;
    while (k < 16 && expected[k - 1] <= -58)
        ++k;
    {
        HeldKey shift(window, VK_SHIFT);
        ASSERT_TRUE(shift.IsHeld());
        Click(window, NoteDown(k));
        for (int& n : expected)
            n = Clamp(n - 1);
        EXPECT_TRUE(WaitFor([&] { return Values(NoteTexts(window)) == expected; }));
    }
    // With Shift and Alt, every shown step takes the value the next column was given.
    const int j = k == 16 ? 15 : k + 1;
    {
        // Alt first: a key pressed after it keeps its release from opening the window's menu.
        HeldKey alt(window, VK_MENU);
        ASSERT_TRUE(alt.IsHeld());
        HeldKey shift(window, VK_SHIFT);
        ASSERT_TRUE(shift.IsHeld());
        Click(window, NoteUp(j));
        const int value = Clamp(expected[j - 1] + 1);
        expected.assign(16, value);
        EXPECT_TRUE(WaitFor([&] { return Values(NoteTexts(window)) == expected; }));
    }
    // What is shown is what plays.
    PressKey(window, VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return LoggedTones(log).size() >= 4; }));
    PressKey(window, VK_SPACE);
    for (const LoggedTone& tone : LoggedTones(log))
        EXPECT_EQ(tone.note, expected[0] + 60);
    DeleteFileA(log.c_str());
}

TEST(EditingE2e, RightClickResetsTransposeAndControlZBringsItBack) {
    ScopedCopy copy;
    HWND window = copy.Window();
    ASSERT_NE(window, nullptr);
    // The transpose bar fills from the bottom: at 67 its top is drawn like its bottom, at 0 (as a
    // fresh setup has it) the top is empty.
    auto full = [&] { return ClientPixel(window, 2, 6) == ClientPixel(window, 2, 78); };
    ASSERT_TRUE(WaitFor([&] { return !full(); })) << "the bar is not drawn at 0";
    PostClick(window, 2, 1); // the top of the bar
    ASSERT_TRUE(WaitFor(full));
    PostRightClick(window, 2, 40);
    EXPECT_TRUE(WaitFor([&] { return !full(); }));
    // Undo from the EDIT menu: its first item.
    PostClick(window, 31 + 8, 10);
    ASSERT_TRUE(WaitFor([&] { return FindProcessWindow(copy.copy, "#32768") != nullptr; }));
    PressKey(window, VK_DOWN);
    PressKey(window, VK_RETURN);
    EXPECT_TRUE(WaitFor(full));
}

TEST(EditingE2e, TheMeasurePopupEditsLinksAndRepeatsAndAKeyHidesIt) {
    ScopedCopy copy;
    HWND window = copy.Window();
    ASSERT_NE(window, nullptr);
    PostRightClick(window, MeasureButton(1).x, MeasureButton(1).y);
    HWND popup = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (popup = FindProcessWindow(copy.copy, "#32770")) != nullptr; }));
    HWND next = GetDlgItem(popup, 1023);
    HWND repeat = GetDlgItem(popup, 1043);
    EXPECT_EQ(FieldText(next), "1"); // a fresh setup links every measure to itself
    EXPECT_EQ(FieldText(repeat), "1");

    // Eight steps up end at 8 and stay there.
    for (int i = 0; i < 8; ++i)
        PostClick(popup, 25, 5);
    EXPECT_TRUE(WaitFor([&] { return FieldText(next) == "8"; }));
    // Typed 0 shows 1 and stores link 0: the popup shows 1 again when reopened.
    TypeInto(next, "0");
    EXPECT_TRUE(WaitFor([&] { return FieldText(next) == "1"; }));
    // Repeats stop at 32, typed or stepped.
    TypeInto(repeat, "30");
    ASSERT_TRUE(WaitFor([&] { return FieldText(repeat) == "30"; }));
    TypeInto(repeat, "40");
    EXPECT_TRUE(WaitFor([&] { return FieldText(repeat) == "32"; }));
    TypeInto(repeat, "29");
    ASSERT_TRUE(WaitFor([&] { return FieldText(repeat) == "29"; }));
    for (int i = 0; i < 5; ++i)
        PostClick(popup, 99, 5);
    EXPECT_TRUE(WaitFor([&] { return FieldText(repeat) == "32"; }));
    // A key in the main window hides the popup; showing it again reads the measure afresh.
    PressKey(window, VK_SHIFT);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(popup); }));
    PostRightClick(window, MeasureButton(1).x, MeasureButton(1).y);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(popup) != FALSE; }));
    EXPECT_EQ(FieldText(next), "1");
    EXPECT_EQ(FieldText(repeat), "32");
    PostRightClick(window, MeasureButton(2).x, MeasureButton(2).y);
    EXPECT_TRUE(WaitFor([&] { return FieldText(next) == "2" && FieldText(repeat) == "1"; }));
}

TEST(EditingE2e, MenusOpenUnderTheirButtons) {
    ScopedCopy copy;
    HWND window = copy.Window();
    ASSERT_NE(window, nullptr);
    const int buttonLeft[] = {13, 31, 49};
    for (int left : buttonLeft) {
        PostClick(window, left + 8, 10);
        HWND menu = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (menu = FindProcessWindow(copy.copy, "#32768")) != nullptr; }));
        RECT r{};
        GetWindowRect(menu, &r);
        POINT corner{left, 19};
        ClientToScreen(window, &corner);
        EXPECT_EQ(r.left, corner.x) << left;
        EXPECT_EQ(r.top, corner.y) << left;
        PressKey(window, VK_ESCAPE);
        EXPECT_TRUE(WaitFor([&] { return FindProcessWindow(copy.copy, "#32768") == nullptr; }));
    }
}

TEST(EditingE2e, AMeasureCopiedInOneCopyIsPastedInAnotherAndUndone) {
    ScopedCopy from({}, kProbeExe);
    ScopedCopy to({}, kProbeExe);
    ASSERT_NE(from.Window(), nullptr);
    ASSERT_NE(to.Window(), nullptr);
    const std::vector<std::string> copied = NoteTexts(from.Window());
    const std::vector<std::string> original = NoteTexts(to.Window());
    ASSERT_NE(copied, original);
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    const UINT format = RegisterClipboardFormatA("KestrelboxLoopv2");
    {
        HeldKey control(from.Window(), VK_CONTROL);
        ASSERT_TRUE(control.IsHeld());
        StrikeKey('C');
        // The copy is done once the measure's format is on the clipboard, which every process shares.
        EXPECT_TRUE(WaitFor([&] { return IsClipboardFormatAvailable(format) != FALSE; }));
    }
    HeldKey control(to.Window(), VK_CONTROL);
    ASSERT_TRUE(control.IsHeld());
    StrikeKey('V');
    EXPECT_TRUE(WaitFor([&] { return NoteTexts(to.Window()) == copied; }));
    StrikeKey('Z');
    EXPECT_TRUE(WaitFor([&] { return NoteTexts(to.Window()) == original; }));
    StrikeKey('Z');
    EXPECT_TRUE(WaitFor([&] { return NoteTexts(to.Window()) == copied; }));
}

// A close request asks about unsaved changes: that is how a changed setup shows from outside.
bool AsksBeforeClosing(RunningCopy& copy) {
    PostMessageA(copy.window, WM_CLOSE, 0, 0);
    HWND prompt = nullptr;
    WaitFor([&] {
        if (WaitForSingleObject(copy.process.hProcess, 0) == WAIT_OBJECT_0) return true;
        prompt = FindWindowA(nullptr, kSavePromptCaption);
        return prompt != nullptr;
    });
    if (prompt == nullptr) return false;
    PostMessageA(prompt, WM_COMMAND, 201, 0); // Don't Save
    return true;
}

TEST(EditingE2e, ControlKChangesNothingAndControlPMarksTheSetupChanged) {
    // The shortcuts' commands, handed to the command window as the accelerators hand them (that
    // the keys are translated to them is checked with the real key state in the Windows tests).
    for (int command : {23006, 23007}) {
        ScopedCopy copy;
        ASSERT_NE(copy.Window(), nullptr);
        HWND commandWindow = FindWindowExA(copy.Window(), nullptr, "Static", "menu");
        ASSERT_NE(commandWindow, nullptr);
        PostMessageA(commandWindow, WM_COMMAND, command, 0);
        EXPECT_EQ(AsksBeforeClosing(copy.copy), command == 23007) << command;
    }
}

// The clock choice lives in the registry beside the settings-file type.
std::string StoredClockChoice() {
    char text[16] = {};
    DWORD size = sizeof text - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Classes\\Pallidorn\\data\\8", "highResTimer",
                     RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "";
    return text;
}

// MIDI, then down to its first item, Use High-Res Timer, then Enter.
void ToggleClockFromTheMenu(HWND window) {
    PostClick(window, 49 + 8, 10);
    ASSERT_TRUE(WaitFor([&] { return FindWindowA("#32768", nullptr) != nullptr; }));
    PressKey(window, VK_DOWN);
    PressKey(window, VK_RETURN);
}

TEST(EditingE2e, TheClockChoiceFromTheMidiMenuIsKeptForTheNextStart) {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Classes\\Pallidorn\\data\\8", "highResTimer");
    {
        ScopedCopy copy;
        ASSERT_NE(copy.Window(), nullptr);
        ToggleClockFromTheMenu(copy.Window()); // on by default, so off
        EXPECT_TRUE(WaitFor([] { return StoredClockChoice() == "off"; }));
        // The choice belongs to the machine, not the setup.
        EXPECT_FALSE(AsksBeforeClosing(copy.copy));
    }
    {
        ScopedCopy copy;
        ASSERT_NE(copy.Window(), nullptr);
        ToggleClockFromTheMenu(copy.Window()); // started off, so on again
        EXPECT_TRUE(WaitFor([] { return StoredClockChoice() == "on"; }));
    }
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Classes\\Pallidorn\\data\\8", "highResTimer");
}

} // namespace
