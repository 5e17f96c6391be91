// Mouse handling of windowless widgets as the owner routes it: press feedback, clicks, drags off
// and back, edges, hidden widgets, widgets that never take input, toggles and held buttons whose
// release went elsewhere.
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "widgets/MButton.h"
#include "widgets/MDial.h"
#include "widgets/MPicture.h"
#include "widgets/MToggleButton.h"

using namespace widget_test;

namespace {

const COLORREF kInk = RGB(250, 0, 0);
const COLORREF kPaper = RGB(0, 0, 250);

// A 20 x 10 button at (10, 10) of a shown owner window, with the left button "held" by the test.
struct ButtonFixture : testing::Test {
    ButtonFixture() {
        button.Create(42, "", 10, 10, 20, 10, owner.hwnd);
        button.SetColors(kInk, kPaper);
        owner.Repaint();
    }
    ~ButtonFixture() override { SetCapturedWidget(nullptr); }

    int Send(int type, int x, int y) { return DispatchMouse(type, x, y, owner.hwnd); }
    int Press(int x, int y) {
        input.leftButton = true;
        return Send(WidgetEvent::Down, x, y);
    }
    int Release(int x, int y) {
        input.leftButton = false;
        return Send(WidgetEvent::Up, x, y);
    }

    TestOwner owner;
    FakeInput input;
    MButton button;
};

TEST_F(ButtonFixture, PressShowsAtOnceAndDraggingOffShowsReleasedWithNoClick) {
    EXPECT_EQ(Press(15, 15), 42);
    EXPECT_TRUE(button.IsPressed());
    EXPECT_EQ(CapturedWidget(), &button);
    // Drawn into the window straight away, without a paint message in between.
    EXPECT_EQ(owner.ScreenPixel(10, 10), kInk);
    EXPECT_EQ(owner.ScreenPixel(20, 15), kPaper);

    EXPECT_EQ(Send(WidgetEvent::Move, 50, 15), 0);
    EXPECT_FALSE(button.IsPressed());
    EXPECT_EQ(owner.ScreenPixel(10, 10), kPaper);

    EXPECT_EQ(Release(50, 15), 0);
    EXPECT_EQ(CapturedWidget(), nullptr);
}

TEST_F(ButtonFixture, DraggingOffAndBackInGivesOneClick) {
    Press(15, 15);
    Send(WidgetEvent::Move, 50, 15);
    Send(WidgetEvent::Move, 51, 16);
    Send(WidgetEvent::Move, 16, 15);
    EXPECT_TRUE(button.IsPressed());
    EXPECT_EQ(owner.ScreenPixel(10, 10), kInk);
    EXPECT_EQ(Release(16, 15), 42);
    EXPECT_FALSE(button.IsPressed());
    EXPECT_EQ(Release(16, 15), 0); // a stray second release clicks nothing
}

TEST_F(ButtonFixture, RightAndBottomEdgesAreOutside) {
    EXPECT_EQ(Press(30, 15), 0);
    EXPECT_EQ(Press(15, 20), 0);
    EXPECT_EQ(Press(9, 15), 0);
    EXPECT_FALSE(button.IsPressed());
    EXPECT_EQ(Press(29, 19), 42);
    EXPECT_EQ(Press(10, 10), 42);
}

TEST_F(ButtonFixture, RightButtonReportsWithoutPressing) {
    EXPECT_EQ(Send(WidgetEvent::RightDown, 15, 15), 42);
    EXPECT_FALSE(button.IsPressed());
    EXPECT_EQ(Send(WidgetEvent::RightDown, 30, 15), 0);
}

TEST_F(ButtonFixture, HiddenWidgetTakesNoEventsAndSetsNoCursor) {
    button.SetCursorByName("PUSHCUR");
    ASSERT_NE(button.Cursor(), nullptr);
    EXPECT_EQ(SetCursorAt(15, 15, owner.hwnd), 42);
    EXPECT_EQ(SetCursorAt(30, 15, owner.hwnd), 0);
    button.Hide();
    EXPECT_EQ(SetCursorAt(15, 15, owner.hwnd), 0);
    EXPECT_EQ(Press(15, 15), 0);
    EXPECT_EQ(Send(WidgetEvent::RightDown, 15, 15), 0);
    EXPECT_FALSE(button.IsPressed());
}

TEST_F(ButtonFixture, ReleaseOffTheButtonWithoutAMoveBetweenGivesNoClick) {
    // A quick flick: the press, then the release somewhere else with no move seen in between.
    Press(15, 15);
    EXPECT_EQ(Release(60, 40), 0);
    EXPECT_FALSE(button.IsPressed());
    EXPECT_EQ(owner.ScreenPixel(10, 10), kPaper);
    // No press is left behind for a later release over the button to complete.
    EXPECT_EQ(Release(15, 15), 0);
}

TEST_F(ButtonFixture, ReleaseOutsideTheWindowDoesNotLeaveAPressToClickLater) {
    Press(15, 15);
    Send(WidgetEvent::Move, 150, 15); // off the button; the release happens outside the window
    input.leftButton = false;
    Send(WidgetEvent::Move, 15, 15); // back over the button with the mouse button up
    EXPECT_FALSE(button.IsPressed());
    EXPECT_EQ(CapturedWidget(), nullptr);
    EXPECT_EQ(owner.ScreenPixel(10, 10), kPaper);
    EXPECT_EQ(Release(15, 15), 0);
}

TEST_F(ButtonFixture, NewerOverlappingWidgetTakesTheEvent) {
    MButton newer;
    newer.Create(43, "", 20, 10, 20, 10, owner.hwnd);
    EXPECT_EQ(Press(25, 15), 43);
    EXPECT_FALSE(button.IsPressed());
    EXPECT_EQ(Release(25, 15), 43);
    EXPECT_EQ(Press(15, 15), 42);
}

TEST_F(ButtonFixture, PicturesAndDialBodiesNeverTakeAClick) {
    TestPictures pictures({{"COVER", {"##########", "##########"}}, {"TUP", {"#"}}, {"TDN", {"#"}}});
    MPicture cover;
    cover.Create(77, "", 10, 10, owner.hwnd, "COVER");
    EXPECT_EQ(Press(12, 11), 42); // through the picture to the button under it
    Release(12, 11);

    MDial dial;
    const DialSettings s{.baseId = 500,
                         .x = 60,
                         .y = 10,
                         .upPrefix = "T",
                         .downPrefix = "T",
                         .downDy = 9,
                         .owner = owner.hwnd,
                         .min = 0,
                         .max = 10};
    dial.Create(s);
    const RECT body = dial.GetRect();
    ASSERT_LT(body.left, body.right);
    EXPECT_EQ(Press(60, 15), 0); // inside the body, between the arrows
    EXPECT_EQ(Press(60, 10), 501);
    EXPECT_EQ(Release(60, 10), 501);
    EXPECT_EQ(Press(60, 19), 502);
}

TEST_F(ButtonFixture, QuickClickWithAMoveStillQueuedIsNotLost) {
    // Real input, all queued before any of it is handled: the move is handled after the button
    // is already up, and must not end the press before the release message arrives.
    SetWidgetInput(nullptr);
    POINT p{15, 15};
    ClientToScreen(owner.hwnd, &p);
    ASSERT_TRUE(MouseTo(owner, p.x, p.y));
    owner.dispatched.clear();
    SendMouse(p.x, p.y, MOUSEEVENTF_LEFTDOWN);
    SendMouse(p.x + 1, p.y, 0);
    SendMouse(p.x + 1, p.y, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(owner.AwaitMouse(WM_LBUTTONUP));
    EXPECT_EQ(owner.dispatched, (std::vector<int>{42, 42}));
    EXPECT_FALSE(button.IsPressed());
    SetWidgetInput(&input);
}

struct ToggleFixture : ButtonFixture {
    ToggleFixture() : pictures({{"TUP", {"####"}}, {"TDN", {"####"}}}) {
        toggle.Create(50, "", 40, 40, owner.hwnd, "TUP", "TDN");
    }
    TestPictures pictures;
    MToggleButton toggle;
};

TEST_F(ToggleFixture, ClickFlipsTheStateBeforeTheOwnerHearsOfIt) {
    EXPECT_EQ(Press(41, 40), 50);
    EXPECT_FALSE(toggle.GetState());
    EXPECT_EQ(Release(41, 40), 50);
    EXPECT_TRUE(toggle.GetState());
    EXPECT_FALSE(toggle.IsPressed());
}

TEST_F(ToggleFixture, DoubleClickFlipsTwice) {
    // A double click arrives as press, release, press again, release.
    Press(41, 40);
    Release(41, 40);
    Press(41, 40);
    Release(41, 40);
    EXPECT_FALSE(toggle.GetState());
}

TEST_F(ToggleFixture, ReleasedOffTheToggleLeavesTheState) {
    Press(41, 40);
    Send(WidgetEvent::Move, 100, 100);
    EXPECT_EQ(Release(100, 100), 0);
    EXPECT_FALSE(toggle.GetState());
}

TEST_F(ToggleFixture, WindowMessagesReachTheWidgets) {
    // Through the owner's real window procedure: press, release, and a double click.
    input.leftButton = true;
    SendMessageA(owner.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(41, 40));
    input.leftButton = false;
    SendMessageA(owner.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(41, 40));
    input.leftButton = true;
    SendMessageA(owner.hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(41, 40));
    input.leftButton = false;
    SendMessageA(owner.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(41, 40));
    EXPECT_EQ(owner.dispatched, (std::vector<int>{50, 50, 50, 50}));
    EXPECT_FALSE(toggle.GetState());
}

} // namespace
