// Painting of windowless widgets: looks of buttons and toggles, single-pass painting by clip
// exclusion, and what showing and hiding leave on the owner.
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "widgets/MButton.h"
#include "widgets/MPicture.h"
#include "widgets/MToggleButton.h"

using namespace widget_test;

namespace {

const COLORREF kInk = RGB(250, 0, 0);
const COLORREF kPaper = RGB(0, 0, 250);
const COLORREF kPressedInk = RGB(250, 250, 0);
const COLORREF kPressedPaper = RGB(0, 250, 250);
const COLORREF kGround = RGB(0, 90, 0);

// Solid pictures: every pixel black, so the look shows which ink was used.
TestPictures SolidPictures() { return TestPictures({{"SUP", {"###", "###"}}, {"SDN", {"###", "###"}}}); }

TEST(MButtonLook, PressedShowsATwoPixelInkStripAlongTopAndLeft) {
    TestOwner owner;
    MButton button;
    button.Create(5, "", 2, 2, 10, 8, owner.hwnd);
    button.SetColors(kInk, kPaper);
    Canvas canvas(16, 14, kGround);

    button.Draw(canvas.dc);
    EXPECT_TRUE(canvas.AllOf(RECT{2, 2, 12, 10}, kPaper));

    Canvas pressedCanvas(16, 14, kGround);
    button.SetPressed(true);
    button.Draw(pressedCanvas.dc);
    EXPECT_TRUE(pressedCanvas.AllOf(RECT{2, 2, 12, 4}, kInk));    // top strip
    EXPECT_TRUE(pressedCanvas.AllOf(RECT{2, 2, 4, 10}, kInk));    // left strip
    EXPECT_TRUE(pressedCanvas.AllOf(RECT{4, 4, 12, 10}, kPaper)); // the sunk face
    EXPECT_EQ(pressedCanvas.Pixel(12, 5), kGround);
    EXPECT_EQ(pressedCanvas.Pixel(5, 10), kGround);
}

TEST(ToggleLook, ShowsDownForPressedXorState) {
    TestOwner owner;
    TestPictures pictures = SolidPictures();
    MToggleButton toggle;
    toggle.Create(7, "", 1, 1, owner.hwnd, "SUP", "SDN");
    toggle.SetColors4(kInk, kPaper, kPressedInk, kPressedPaper);
    struct Case {
        bool pressed, state;
        COLORREF look;
    } cases[] = {
        {false, false, kInk}, {true, false, kPressedInk}, {false, true, kPressedInk}, {true, true, kInk}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pressed " << c.pressed << " state " << c.state);
        toggle.SetPressed(c.pressed);
        toggle.SetState(c.state ? ToggleState::On : ToggleState::Off);
        Canvas canvas(6, 5, kGround);
        toggle.Draw(canvas.dc);
        EXPECT_TRUE(canvas.AllOf(RECT{1, 1, 4, 3}, c.look));
    }
}

TEST(ToggleLook, HighlightUsesTheAlternativePairs) {
    TestOwner owner;
    TestPictures pictures({{"HUP", {"#.", "#."}}, {"HDN", {"#.", "#."}}});
    MHighlightToggleButton toggle;
    toggle.Create(8, "", 0, 0, owner.hwnd, "HUP", "HDN");
    const COLORREF altUpInk = RGB(10, 20, 30), altUpPaper = RGB(40, 50, 60);
    const COLORREF altDownInk = RGB(70, 80, 90), altDownPaper = RGB(100, 110, 120);
    toggle.SetHighlightColors({.ink = kInk,
                               .paper = kPaper,
                               .pressedInk = kPressedInk,
                               .pressedPaper = kPressedPaper,
                               .altUpInk = altUpInk,
                               .altUpPaper = altUpPaper,
                               .altDownInk = altDownInk,
                               .altDownPaper = altDownPaper});

    Canvas plain(2, 2, kGround);
    toggle.Draw(plain.dc);
    EXPECT_EQ(plain.Pixel(0, 0), kInk);
    EXPECT_EQ(plain.Pixel(1, 0), kPaper);

    toggle.SetHighlight(Highlight::On);
    Canvas up(2, 2, kGround);
    toggle.Draw(up.dc);
    EXPECT_EQ(up.Pixel(0, 0), altUpInk);
    EXPECT_EQ(up.Pixel(1, 0), altUpPaper);

    toggle.SetState(ToggleState::On);
    Canvas down(2, 2, kGround);
    toggle.Draw(down.dc);
    EXPECT_EQ(down.Pixel(0, 0), altDownInk);
    EXPECT_EQ(down.Pixel(1, 0), altDownPaper);
}

TEST(PaintWidgets, NewerWidgetCoversTheOlderWhichPaintsOnlyOutsideIt) {
    TestOwner owner;
    MWnd older, newer;
    older.Create(1, "", 0, 0, 20, 20, owner.hwnd);
    older.SetColors(kInk, kInk);
    newer.Create(2, "", 10, 10, 20, 20, owner.hwnd);
    newer.SetColors(kPaper, kPaper);
    Canvas canvas(40, 40, kGround);
    PaintWidgets(canvas.dc, owner.hwnd);
    EXPECT_EQ(canvas.Pixel(15, 15), kPaper);
    EXPECT_EQ(canvas.Pixel(5, 5), kInk);
    EXPECT_EQ(canvas.Pixel(25, 25), kPaper);
    // Both rectangles are now cut out of the clipping: what the owner paints next lands only
    // where no widget lies.
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RECT all{0, 0, 40, 40};
    FillRect(canvas.dc, &all, white);
    EXPECT_EQ(canvas.Pixel(5, 5), kInk);
    EXPECT_EQ(canvas.Pixel(15, 15), kPaper);
    EXPECT_EQ(canvas.Pixel(35, 5), RGB(255, 255, 255));
    EXPECT_EQ(canvas.Pixel(5, 35), RGB(255, 255, 255));
}

TEST(PaintWidgets, PaintsOnlyTheWidgetsOfItsOwner) {
    TestOwner owner, other;
    MWnd mine, theirs;
    mine.Create(1, "", 0, 0, 4, 4, owner.hwnd);
    mine.SetColors(kInk, kInk);
    theirs.Create(2, "", 4, 0, 4, 4, other.hwnd);
    theirs.SetColors(kPaper, kPaper);
    Canvas canvas(8, 4, kGround);
    PaintWidgets(canvas.dc, owner.hwnd);
    EXPECT_EQ(canvas.Pixel(1, 1), kInk);
    EXPECT_EQ(canvas.Pixel(5, 1), kGround);
}

TEST(ShowAndHide, HiddenWidgetLeavesTheOwnersBackground) {
    TestOwner owner(60, 60, 100, 80, kGround);
    MWnd widget;
    widget.Create(1, "", 10, 10, 30, 20, owner.hwnd);
    widget.SetColors(kInk, kPaper);
    owner.Repaint();
    EXPECT_EQ(owner.ScreenPixel(20, 20), kPaper);

    const int erasesBefore = owner.erases;
    widget.Hide();
    owner.Repaint();
    EXPECT_GT(owner.erases, erasesBefore); // hiding asks for the background to be erased
    EXPECT_EQ(owner.ScreenPixel(20, 20), kGround);
    Canvas canvas(50, 40, kGround);
    PaintWidgets(canvas.dc, owner.hwnd);
    EXPECT_EQ(canvas.Pixel(20, 20), kGround);

    widget.Show();
    owner.Repaint();
    EXPECT_EQ(owner.ScreenPixel(20, 20), kPaper);
}

TEST(ShowAndHide, NotShowableFreezesVisibility) {
    TestOwner owner;
    MWnd widget;
    widget.Create(1, "", 0, 0, 5, 5, owner.hwnd);
    widget.SetShowable(Showable::No);
    widget.Hide();
    EXPECT_TRUE(widget.IsVisible());
    widget.SetShowable(Showable::Yes);
    widget.Hide();
    EXPECT_FALSE(widget.IsVisible());
    widget.SetShowable(Showable::No);
    widget.Show();
    EXPECT_FALSE(widget.IsVisible());
}

TEST(WidgetRegistry, DestroyedWidgetsLeaveTheList) {
    TestOwner owner;
    const int before = WidgetRegistry::Instance().Count();
    {
        MButton transient;
        transient.Create(3, "", 0, 0, 5, 5, owner.hwnd);
        transient.Create(3, "", 0, 0, 5, 5, owner.hwnd); // a second create keeps one entry
        EXPECT_EQ(WidgetRegistry::Instance().Count(), before + 1);
    }
    EXPECT_EQ(WidgetRegistry::Instance().Count(), before);
    Canvas canvas(8, 8, kGround);
    PaintWidgets(canvas.dc, owner.hwnd);
    EXPECT_EQ(DispatchMouse(WidgetEvent::Down, 1, 1, owner.hwnd), 0);
}

} // namespace
