// The toolbar's menus and shortcuts and the measure clipboard, on real windows: the menus open
// under their buttons with their items' states set, shortcuts reach the command table through
// the command window, and measures travel through the real clipboard, which also carries what
// other programs put there.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ResourceIds.h"
#include "WidgetTestSupport.h"
#include "panel/Toolbar.h"
#include "song/MeasureRecord.h"

using namespace widget_test;

namespace {

class RecordingTarget : public CommandTarget {
public:
    void RunCommand(int id) override {
        commands.push_back(id);
        if (id == failing) throw std::runtime_error("the disk is full");
    }
    void ReportFault(const char* what) override { faults.push_back(what); }
    std::vector<int> commands;
    std::vector<std::string> faults;
    int failing = 0; // the command that fails
};

class LoadsView : public EditView {
public:
    void LoadMeasure(int m) override { loads.push_back(m); }
    void SetTempo(double) override {}
    void SetLevelB(int) override {}
    void SetTranspose(int) override {}
    void SetMuteButton(bool) override {}
    void SetTempoMode(TempoUnit) override {}
    std::vector<int> loads;
};

// What the open menu showed: where it stood and its items' states.
struct MenuSeen {
    RECT rect{};
    std::vector<UINT> states; // GetMenuState of each id asked for
};
std::vector<int> askedIds;
MenuSeen seen;

// Runs inside the menu's own loop: reads the open menu, then closes it.
void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menuWindow = FindWindowA("#32768", nullptr);
    if (menuWindow == nullptr || !IsWindowVisible(menuWindow)) return;
    KillTimer(nullptr, timer);
    GetWindowRect(menuWindow, &seen.rect);
    auto menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    for (int id : askedIds)
        seen.states.push_back(GetMenuState(menu, id, MF_BYCOMMAND));
    EndMenu();
}

MenuSeen OpenMenu(Toolbar& toolbar, ToolbarMenu menu, std::vector<int> ids) {
    askedIds = std::move(ids);
    seen = MenuSeen{};
    SetTimer(nullptr, 0, 10, ReadOpenMenu);
    toolbar.PopupMenu(menu);
    return seen;
}

struct CommandsFixture : testing::Test {
    CommandsFixture() {
        toolbar.Create("menu", 13, 4, 0, owner.hwnd);
        toolbar.SetDocument(&doc);
        toolbar.SetCommandTarget(&target);
        toolbar.Clipboard().SetNotice([this](const std::string& text) { notices.push_back(text); });
    }

    TestOwner owner{30, 30, 200, 60};
    SongDocument doc;
    Toolbar toolbar;
    RecordingTarget target;
    LoadsView view;
    std::vector<std::string> notices;
};

TEST_F(CommandsFixture, MenusOpenUnderTheirButtonsWithTheSetupsStates) {
    const std::vector<int> ids = {IDC_CMD_UNDO, IDC_CMD_PASTE, IDC_CMD_COPY};
    MenuSeen edit = OpenMenu(toolbar, ToolbarMenu::Edit, ids);
    POINT corner{toolbar.EditButton().GetRect().left, toolbar.EditButton().GetRect().bottom};
    ClientToScreen(owner.hwnd, &corner);
    EXPECT_EQ(edit.rect.left, corner.x);
    EXPECT_EQ(edit.rect.top, corner.y);
    ASSERT_EQ(edit.states.size(), 3u);
    EXPECT_TRUE(edit.states[0] & MF_GRAYED); // nothing to undo yet
    EXPECT_FALSE(edit.states[2] & MF_GRAYED);

    TakeUndoSnapshot(doc);
    doc.mute = 1;
    edit = OpenMenu(toolbar, ToolbarMenu::Edit, ids);
    EXPECT_FALSE(edit.states[0] & MF_GRAYED);
    const MenuSeen midi = OpenMenu(toolbar, ToolbarMenu::Midi,
                                   {IDC_CMD_MUTE, IDC_CMD_BEATS_PER_MINUTE, IDC_CMD_SAMPLES_PER_MEASURE});
    EXPECT_TRUE(midi.states[0] & MF_CHECKED);
    EXPECT_TRUE(midi.states[1] & MF_CHECKED);
    EXPECT_FALSE(midi.states[2] & MF_CHECKED);

    // Moved elsewhere, the FILE menu still opens right below its button.
    doc.dirty = 0;
    SetWindowPos(owner.hwnd, nullptr, 90, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const MenuSeen file = OpenMenu(toolbar, ToolbarMenu::File, {IDC_CMD_SAVE});
    POINT fileCorner{13, 19};
    ClientToScreen(owner.hwnd, &fileCorner);
    EXPECT_EQ(file.rect.left, fileCorner.x);
    EXPECT_EQ(file.rect.top, fileCorner.y);
    EXPECT_TRUE(file.states[0] & MF_GRAYED); // nothing unsaved
}

TEST(FileMenu, OffersTheExportsRightAfterTheSaveItems) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_FILE));
    ASSERT_NE(menu, nullptr);
    HMENU file = GetSubMenu(menu, 0);
    std::vector<int> ids;
    for (int i = 0; i < GetMenuItemCount(file); ++i)
        ids.push_back(static_cast<int>(GetMenuItemID(file, i)));
    const auto saveAs = std::find(ids.begin(), ids.end(), IDC_CMD_SAVE_AS);
    ASSERT_NE(saveAs, ids.end());
    ASSERT_GE(ids.end() - saveAs, 3);
    EXPECT_EQ(saveAs[1], IDC_CMD_EXPORT_WAV);
    EXPECT_EQ(saveAs[2], IDC_CMD_EXPORT_MIDI);
    char text[64] = {};
    GetMenuStringA(file, IDC_CMD_EXPORT_WAV, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Export WAV...");
    GetMenuStringA(file, IDC_CMD_EXPORT_MIDI, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Export MIDI...");
    DestroyMenu(menu);
}

TEST_F(CommandsFixture, ShortcutsReachTheCommandTableThroughTheCommandWindow) {
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    const std::pair<WPARAM, int> keys[] = {
        {'Z', IDC_CMD_UNDO}, {'K', IDC_CMD_NOTHING}, {VK_RIGHT, IDC_CMD_SHIFT_RIGHT}};
    FakeInput input; // widgets read the real keys; the accelerators read the key state below
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_CONTROL] = 0x80;
    SetKeyboardState(state);
    for (auto [key, command] : keys) {
        MSG msg{owner.hwnd, WM_KEYDOWN, key, 1, 0, {}};
        EXPECT_NE(TranslateAcceleratorA(toolbar.CommandWindow(), table, &msg), 0);
        PumpMessages();
        ASSERT_FALSE(target.commands.empty());
        EXPECT_EQ(target.commands.back(), command);
    }
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
    MSG f12{owner.hwnd, WM_KEYDOWN, VK_F12, 1, 0, {}};
    EXPECT_NE(TranslateAcceleratorA(toolbar.CommandWindow(), table, &f12), 0);
    EXPECT_EQ(target.commands.back(), IDC_CMD_CHANGE_COLOR);
    DestroyAcceleratorTable(table);
}

TEST_F(CommandsFixture, AFailedCommandIsToldOfAndTheNextOneRuns) {
    target.failing = IDC_CMD_SAVE;
    SendMessageA(toolbar.CommandWindow(), WM_COMMAND, IDC_CMD_SAVE, 0);
    EXPECT_EQ(target.faults, std::vector<std::string>{"the disk is full"});
    SendMessageA(toolbar.CommandWindow(), WM_COMMAND, IDC_CMD_OPEN, 0);
    EXPECT_EQ(target.commands, (std::vector<int>{IDC_CMD_SAVE, IDC_CMD_OPEN}));
    EXPECT_EQ(target.faults.size(), 1u);
}

void NumberSteps(Measure& m, int base) {
    for (int k = 0; k < 16; ++k) {
        m.steps[k].note = static_cast<int16_t>(base + k);
        m.steps[k].length = static_cast<int16_t>(base + 2 * k);
    }
}

TEST_F(CommandsFixture, AMeasureTravelsWholeAndPasteCanBeUndone) {
    doc.stepsPerMeasure = 8;
    NumberSteps(doc.measures[0], 10);
    toolbar.Clipboard().Copy(toolbar.CommandWindow());
    EXPECT_TRUE(toolbar.Clipboard().HasMeasure());
    EXPECT_EQ(doc.dirty, 0); // copying changes nothing

    doc.editMeasure = 5;
    NumberSteps(doc.measures[5], 40);
    doc.measures[5].next = 3;
    doc.measures[5].repeat = 4;
    toolbar.Clipboard().Paste(toolbar.CommandWindow(), view);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(doc.measures[5].steps[k].note, 10 + k) << k; // hidden steps too
    EXPECT_EQ(doc.measures[5].next, 3);
    EXPECT_EQ(doc.measures[5].repeat, 4);
    EXPECT_EQ(view.loads, std::vector<int>{5});
    EXPECT_EQ(doc.dirty, 1);

    Undo(doc, view);
    EXPECT_EQ(doc.measures[5].steps[12].note, 52);
    Undo(doc, view);
    EXPECT_EQ(doc.measures[5].steps[12].note, 22);
    EXPECT_TRUE(notices.empty());
}

TEST_F(CommandsFixture, AShortForeignBlockChangesNothingAndKeepsTheUndoPoint) {
    NumberSteps(doc.measures[0], 1);
    TakeUndoSnapshot(doc); // the user's last undo point
    doc.measures[0].steps[0].note = 33;
    doc.dirty = 0;
    const std::vector<uint8_t> shortBlock(100, 0x7F);
    // As another program could put it there.
    ASSERT_TRUE(
        PlaceOnClipboard(owner.hwnd, toolbar.Clipboard().Format(), shortBlock.data(), shortBlock.size()));
    toolbar.Clipboard().Paste(toolbar.CommandWindow(), view);
    EXPECT_EQ(notices.size(), 1u);
    EXPECT_EQ(doc.measures[0].steps[5].note, 6);
    EXPECT_EQ(doc.dirty, 0);
    EXPECT_TRUE(view.loads.empty());
    Undo(doc, view); // still undoes the user's edit
    EXPECT_EQ(doc.measures[0].steps[0].note, 1);

    // A whole block with wild values is held in range.
    auto block = EncodeMeasureRecords(doc.measures[0]);
    block[2] = 0xE8; // note 1000 in step 0
    block[3] = 0x03;
    ASSERT_TRUE(PlaceOnClipboard(owner.hwnd, toolbar.Clipboard().Format(), block.data(), block.size()));
    toolbar.Clipboard().Paste(toolbar.CommandWindow(), view);
    EXPECT_EQ(doc.measures[0].steps[0].note, 67);
}

TEST_F(CommandsFixture, AClipboardThatCannotBeUsedIsToldOfAndLeftClosed) {
    // A refused block leaves the clipboard closed for the box that tells of it: held open, it
    // would lock every program out until the box is dismissed.
    const uint8_t bytes[4] = {};
    EXPECT_FALSE(PlaceOnClipboard(owner.hwnd, 0, bytes, sizeof bytes));
    EXPECT_FALSE(CloseClipboard());

    // Another program holding the clipboard open: Copy and Paste say so and change nothing.
    toolbar.Clipboard().Copy(toolbar.CommandWindow());
    ASSERT_TRUE(toolbar.Clipboard().HasMeasure());
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        OpenClipboard(nullptr);
        SetEvent(opened);
        WaitForSingleObject(done, INFINITE);
        CloseClipboard();
    });
    WaitForSingleObject(opened, INFINITE);
    doc.measures[0].steps[0].note = 33;
    toolbar.Clipboard().Copy(toolbar.CommandWindow());
    toolbar.Clipboard().Paste(toolbar.CommandWindow(), view);
    SetEvent(done);
    holder.join();
    CloseHandle(opened);
    CloseHandle(done);
    EXPECT_EQ(notices, (std::vector<std::string>{
                           "Could not copy to the clipboard...",
                           "Could not paste from the clipboard: another program holds it open."}));
    EXPECT_EQ(doc.measures[0].steps[0].note, 33);
    EXPECT_TRUE(view.loads.empty());
    EXPECT_EQ(doc.dirty, 0);
}

TEST_F(CommandsFixture, AFocusedNumberFieldKeepsCopyAndPasteForItsText) {
    HWND field = CreateWindowExA(0, "EDIT", "123", WS_CHILD | WS_VISIBLE, 120, 5, 60, 20, owner.hwnd, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    SetFocus(field);
    ASSERT_EQ(GetFocus(), field);
    const std::string before = std::to_string(doc.measures[0].steps[0].note);

    // A selection: Copy copies the text, not the measure.
    SendMessageA(field, EM_SETSEL, 0, 2);
    toolbar.Clipboard().Copy(toolbar.CommandWindow());
    EXPECT_FALSE(toolbar.Clipboard().HasMeasure());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));

    // Plain text on the clipboard: Paste puts it into the field and leaves the setup alone.
    ASSERT_TRUE(PlaceOnClipboard(owner.hwnd, CF_TEXT, "42", 3));
    SendMessageA(field, EM_SETSEL, 0, -1);
    toolbar.Clipboard().Paste(toolbar.CommandWindow(), view);
    char text[16] = {};
    GetWindowTextA(field, text, sizeof text);
    EXPECT_STREQ(text, "42");
    EXPECT_EQ(doc.dirty, 0);
    EXPECT_TRUE(view.loads.empty());

    // The caret alone: Copy copies the measure.
    SendMessageA(field, EM_SETSEL, 1, 1);
    toolbar.Clipboard().Copy(toolbar.CommandWindow());
    EXPECT_TRUE(toolbar.Clipboard().HasMeasure());
    DestroyWindow(field);
}

} // namespace
