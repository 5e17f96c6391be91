// The measure selector's buttons: ids, pictures and places, selection and the playing mark with
// indexes in and out of range, the group's own id, colours read back from painted pixels, and a
// click through the owner's mouse handling.
#include <gtest/gtest.h>

#include <utility>

#include "WidgetTestSupport.h"
#include "panel/MeasureButtonGroup.h"

using namespace widget_test;

namespace {

MeasureGroupSettings PanelSettings(HWND owner) {
    MeasureGroupSettings s;
    s.id = 20000;
    s.prefix = "LOOPSCTRL";
    s.x = 70;
    s.y = 0;
    s.parent = owner;
    return s;
}

bool RectIs(const RECT& r, int left, int top, int right, int bottom) {
    return r.left == left && r.top == top && r.right == right && r.bottom == bottom;
}

// Selected buttons (state 0) show up, the others down.
std::vector<int> SelectedButtons(MeasureButtonGroup& group) {
    std::vector<int> on;
    for (int i = 0; i < group.Count(); ++i)
        if (!group.Button(i).GetState()) on.push_back(i);
    return on;
}

std::vector<int> MarkedButtons(MeasureButtonGroup& group) {
    std::vector<int> on;
    for (int i = 0; i < group.Count(); ++i)
        if (group.Button(i).HighlightState()) on.push_back(i);
    return on;
}

// The ink and paper a button draws with, from a picture whose first column is black and the
// rest white.
std::pair<COLORREF, COLORREF> LookOf(MHighlightToggleButton& button) {
    const RECT r = button.GetRect();
    Canvas canvas(r.right, r.bottom, RGB(0, 200, 0));
    button.Draw(canvas.dc);
    return {canvas.Pixel(r.left, r.top), canvas.Pixel(r.left + 1, r.top)};
}

struct MeasureGroupFixture : testing::Test {
    MeasureGroupFixture() { group.Build(PanelSettings(owner.hwnd)); }
    ~MeasureGroupFixture() override { SetCapturedWidget(nullptr); }

    void PlaceAsThePanelDoes() {
        for (int i = 0; i < 8; ++i)
            group.MoveButton(i, 70, 98 - 14 * i);
    }

    TestOwner owner{0, 0, 200, 160};
    MeasureButtonGroup group;
};

TEST_F(MeasureGroupFixture, BuildGivesEightButtonsWithIdsPicturesAndStartingPlaces) {
    ASSERT_EQ(group.Count(), 8);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        MHighlightToggleButton& button = group.Button(i);
        EXPECT_EQ(button.GetId(), 20001 + i);
        EXPECT_EQ(button.UpName(), "LOOPSCTRL" + std::to_string(i + 1) + "UP");
        EXPECT_EQ(button.DownName(), "LOOPSCTRL" + std::to_string(i + 1) + "DN");
        EXPECT_TRUE(RectIs(group.ButtonRect(i), 70, 144 - 20 * i, 86, 157 - 20 * i));
        EXPECT_EQ(button.Cursor(), nullptr); // the owner's default pointer shows over them
        EXPECT_TRUE(button.IsVisible());
    }
    EXPECT_EQ(group.GetId(), 20000);
    EXPECT_STREQ(group.GetClassName(), "MWnd");
    EXPECT_TRUE(RectIs(group.GetRect(), 70, 4, 86, 157));
    EXPECT_EQ(group.SelectedIndex(), 0);
    EXPECT_EQ(group.MarkedIndex(), -1);
    EXPECT_EQ(SelectedButtons(group), std::vector<int>{0});
    EXPECT_TRUE(MarkedButtons(group).empty());
}

TEST_F(MeasureGroupFixture, MovedButtonsSitInThePanelColumnAndTheGroupCoversThem) {
    PlaceAsThePanelDoes();
    EXPECT_TRUE(RectIs(group.ButtonRect(0), 70, 98, 86, 111)); // measure 1 at the bottom
    EXPECT_TRUE(RectIs(group.ButtonRect(2), 70, 70, 86, 83));
    EXPECT_TRUE(RectIs(group.ButtonRect(7), 70, 0, 86, 13)); // measure 8 at the top
    EXPECT_TRUE(RectIs(group.GetRect(), 70, 0, 86, 111));
    EXPECT_TRUE(RectIs(group.ButtonRect(-1), 0, 0, 0, 0));
    EXPECT_TRUE(RectIs(group.ButtonRect(8), 0, 0, 0, 0));
    group.MoveButton(8, 0, 0); // out of range: nothing moves
    EXPECT_TRUE(RectIs(group.GetRect(), 70, 0, 86, 111));
}

TEST_F(MeasureGroupFixture, SelectShowsExactlyTheSelectedButtonUp) {
    group.Select(2);
    EXPECT_EQ(SelectedButtons(group), std::vector<int>{2});
    group.Select(-1);
    EXPECT_TRUE(SelectedButtons(group).empty());
    EXPECT_EQ(group.SelectedIndex(), -1);
    group.Select(5);
    group.Select(12); // stored as is, no button selected
    EXPECT_EQ(group.SelectedIndex(), 12);
    EXPECT_TRUE(SelectedButtons(group).empty());
    group.Select(3);
    group.Select(3);
    EXPECT_EQ(SelectedButtons(group), std::vector<int>{3});
}

TEST_F(MeasureGroupFixture, SelectByIdTakesOnlyTheButtonsIds) {
    group.SelectById(20003);
    EXPECT_EQ(group.SelectedIndex(), 2);
    for (const int id : {20000, 19999, 20009, 0, -1, 1005}) {
        group.SelectById(id);
        EXPECT_EQ(group.SelectedIndex(), 2) << id;
        EXPECT_EQ(SelectedButtons(group), std::vector<int>{2}) << id;
    }
    group.SelectById(20008);
    EXPECT_EQ(group.SelectedIndex(), 7);
}

TEST_F(MeasureGroupFixture, PlayingMarkMovesAndClears) {
    group.SetPlayingMark(4);
    group.SetPlayingMark(4);
    EXPECT_EQ(MarkedButtons(group), std::vector<int>{4});
    group.SetPlayingMark(1);
    EXPECT_EQ(MarkedButtons(group), std::vector<int>{1});
    group.SetPlayingMark(-1);
    EXPECT_TRUE(MarkedButtons(group).empty());
    EXPECT_EQ(group.MarkedIndex(), -1);
    group.SetPlayingMark(6);
    group.SetPlayingMark(8); // out of range clears the old mark and marks nothing
    EXPECT_TRUE(MarkedButtons(group).empty());
    group.SetPlayingMark(-1);
    EXPECT_TRUE(MarkedButtons(group).empty());
}

TEST_F(MeasureGroupFixture, ColoursFollowSelectionAndMark) {
    // Pictures half ink, half paper: the left column black, the rest white.
    TestPictures pictures({{"TUP", {"#..", "#.."}}, {"TDN", {"#..", "#.."}}});
    MeasureButtonGroup tinted;
    MeasureGroupSettings s = PanelSettings(owner.hwnd);
    s.id = 30000;
    s.prefix = "T";
    s.x = 0;
    s.count = 4;
    s.pictures = ButtonPictures::Shared;
    tinted.Build(s);
    for (int i = 0; i < 4; ++i)
        tinted.MoveButton(i, 10 * i, 0);
    const HighlightColors c{.ink = RGB(10, 0, 0),
                            .paper = RGB(20, 0, 0),
                            .pressedInk = RGB(30, 0, 0),
                            .pressedPaper = RGB(40, 0, 0),
                            .altUpInk = RGB(50, 0, 0),
                            .altUpPaper = RGB(60, 0, 0),
                            .altDownInk = RGB(70, 0, 0),
                            .altDownPaper = RGB(80, 0, 0)};
    const COLORREF groupColour = RGB(100, 0, 0);
    tinted.SetGroupColors(c, groupColour);
    EXPECT_EQ(tinted.GetInk(), groupColour);
    EXPECT_EQ(tinted.GetPaper(), groupColour);

    using Look = std::pair<COLORREF, COLORREF>;
    tinted.Select(2);
    tinted.SetPlayingMark(2);
    EXPECT_EQ(LookOf(tinted.Button(0)), Look(c.pressedInk, c.pressedPaper)); // unselected: the pressed pair
    EXPECT_EQ(LookOf(tinted.Button(2)),
              Look(c.altUpInk, c.altUpPaper)); // selected and marked: alternative up
    EXPECT_EQ(LookOf(tinted.Button(3)), Look(c.pressedInk, c.pressedPaper));

    tinted.SetPlayingMark(3);
    EXPECT_EQ(LookOf(tinted.Button(3)),
              Look(c.altDownInk, c.altDownPaper));             // unselected and marked: alternative down
    EXPECT_EQ(LookOf(tinted.Button(2)), Look(c.ink, c.paper)); // selected: the plain pair
}

TEST_F(MeasureGroupFixture, ClickOnAButtonReportsItsIdAndSelectByIdKeepsOneSelected) {
    PlaceAsThePanelDoes();
    const RECT r = group.ButtonRect(2);
    SendMessageA(owner.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 3, r.top + 3));
    SendMessageA(owner.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(r.left + 3, r.top + 3));
    ASSERT_EQ(owner.dispatched.size(), 2u);
    EXPECT_EQ(owner.dispatched.back(), 20003);
    // The clicked toggle flipped itself; the owner then selects by the id it heard.
    group.SelectById(owner.dispatched.back());
    EXPECT_EQ(SelectedButtons(group), std::vector<int>{2});

    // A click on the selected button flips it too; selecting it again shows it selected.
    SendMessageA(owner.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 3, r.top + 3));
    SendMessageA(owner.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(r.left + 3, r.top + 3));
    group.SelectById(owner.dispatched.back());
    EXPECT_EQ(SelectedButtons(group), std::vector<int>{2});

    // Between the buttons lies only the group, which never takes a click.
    owner.dispatched.clear();
    SendMessageA(owner.hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(r.left + 3, r.bottom));
    EXPECT_TRUE(owner.dispatched.empty());
    SendMessageA(owner.hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(r.left + 3, r.top));
    EXPECT_EQ(owner.dispatched, std::vector<int>{20003});
}

TEST_F(MeasureGroupFixture, HideAndShowTakeEveryButton) {
    group.Hide();
    EXPECT_FALSE(group.IsVisible());
    for (int i = 0; i < 8; ++i)
        EXPECT_FALSE(group.Button(i).IsVisible()) << i;
    group.Show();
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(group.Button(i).IsVisible()) << i;
}

} // namespace
