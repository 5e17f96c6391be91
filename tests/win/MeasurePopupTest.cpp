// The measure popup as a window of its own: built hidden from its dialog resource with a
// 127 x 22 client area, loaded from the document when shown, and its cells' arrows and typing
// written into the measure's link and repeat count, the document marked changed only when a value
// really changed, and never for a measure outside the eight.
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "panel/MeasurePopup.h"

using namespace widget_test;

namespace {

struct MeasurePopupFixture : testing::Test {
    MeasurePopupFixture() {
        popup.SetDocument(&document);
        EXPECT_TRUE(popup.Create(owner.hwnd));
        document.dirty = 0;
    }
    ~MeasurePopupFixture() override { SetCapturedWidget(nullptr); }

    void ShowFor(int measure) {
        popup.measure = measure;
        popup.x = 300;
        popup.y = 200;
        popup.ShowFor();
    }

    // A click as the popup's own mouse handling receives it.
    void Click(MBmpButton& arrow, UINT down = WM_LBUTTONDOWN) {
        const RECT r = arrow.GetRect();
        const LPARAM at = MAKELPARAM(r.left + 1, r.top + 1);
        SendMessageA(popup.Handle(), down, MK_LBUTTON, at);
        SendMessageA(popup.Handle(), WM_LBUTTONUP, 0, at);
    }

    std::string NextText() { return popup.NextCell().Field().GetText(); }
    std::string RepeatText() { return popup.RepeatCell().Field().GetText(); }

    TestOwner owner;
    FakeInput input;
    SongDocument document;
    MeasurePopup popup;
};

TEST_F(MeasurePopupFixture, IsBuiltHiddenAsABorderlessTopmostWindowWithItsCells) {
    HWND hwnd = popup.Handle();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(popup.IsShown());
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 127);
    EXPECT_EQ(client.bottom, 22);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), GetAncestor(owner.hwnd, GA_ROOT));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongA(hwnd, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));

    MDial& next = popup.NextCell();
    EXPECT_EQ(next.UpArrow().GetId(), 1021);
    EXPECT_EQ(next.DownArrow().GetId(), 1022);
    EXPECT_EQ(next.Field().GetId(), 1023);
    EXPECT_EQ(next.Min(), 1);
    EXPECT_EQ(next.Max(), 8);
    EXPECT_EQ(next.UpArrow().GetRect().left, 22);
    EXPECT_EQ(next.DownArrow().GetRect().top, 10);
    EXPECT_TRUE(next.IsLiveTyping());
    MDial& repeat = popup.RepeatCell();
    EXPECT_EQ(repeat.UpArrow().GetId(), 1041);
    EXPECT_EQ(repeat.Max(), 32);
    EXPECT_EQ(repeat.CtrlStep(), 4);
    EXPECT_EQ(repeat.UpArrow().GetRect().left, 96);
    EXPECT_EQ(repeat.Field().GetRect().left, 103);
    EXPECT_FALSE(repeat.IsTransparent());
}

TEST_F(MeasurePopupFixture, ShowForLoadsTheMeasureWithoutChangingIt) {
    document.measures[2].next = 7;
    document.measures[2].repeat = 0;
    ShowFor(2);
    EXPECT_TRUE(popup.IsShown());
    RECT window{};
    GetWindowRect(popup.Handle(), &window);
    EXPECT_EQ(window.left, 300);
    EXPECT_EQ(window.top, 200);
    EXPECT_EQ(NextText(), "8");
    EXPECT_EQ(RepeatText(), "1"); // a stored 0 shows clamped
    EXPECT_EQ(document.measures[2].repeat, 0);
    EXPECT_EQ(document.dirty, 0);
    EXPECT_NE(GetFocus(), popup.NextCell().Field().Handle());
    EXPECT_NE(GetFocus(), popup.RepeatCell().Field().Handle());

    // Showing it for another measure only reloads the cells.
    document.measures[5].next = 0;
    document.measures[5].repeat = 12;
    ShowFor(5);
    EXPECT_EQ(NextText(), "1");
    EXPECT_EQ(RepeatText(), "12");
}

TEST_F(MeasurePopupFixture, ArrowsWriteTheDocumentAndMarkItChangedOnlyOnChange) {
    document.measures[3].next = 7;
    document.measures[3].repeat = 0;
    ShowFor(3);

    Click(popup.NextCell().UpArrow()); // 8 stays 8
    EXPECT_EQ(NextText(), "8");
    EXPECT_EQ(document.measures[3].next, 7);
    EXPECT_EQ(document.dirty, 0);

    Click(popup.NextCell().DownArrow());
    EXPECT_EQ(NextText(), "7");
    EXPECT_EQ(document.measures[3].next, 6);
    EXPECT_EQ(document.dirty, 1);

    document.dirty = 0;
    Click(popup.RepeatCell().DownArrow()); // shown 1 stays 1, but the stored 0 becomes 1
    EXPECT_EQ(document.measures[3].repeat, 1);
    EXPECT_EQ(document.dirty, 1);

    document.dirty = 0;
    document.measures[3].repeat = 30;
    ShowFor(3);
    input.control = true;
    Click(popup.RepeatCell().UpArrow());
    EXPECT_EQ(document.measures[3].repeat, 32);
    Click(popup.RepeatCell().UpArrow());
    EXPECT_EQ(RepeatText(), "32");
    EXPECT_EQ(document.measures[3].repeat, 32);
    // A double click counts as a second press: two clicks, two steps.
    input.control = false;
    Click(popup.RepeatCell().DownArrow());
    Click(popup.RepeatCell().DownArrow(), WM_LBUTTONDBLCLK);
    EXPECT_EQ(document.measures[3].repeat, 30);
    for (int m = 0; m < kMeasureCount; ++m) {
        if (m != 3) {
            EXPECT_EQ(document.measures[m].repeat, 1) << m;
        }
    }
}

TEST_F(MeasurePopupFixture, TypingInACellIsClampedAndStored) {
    document.measures[1].next = 4;
    ShowFor(1);
    HWND field = popup.NextCell().Field().Handle();
    SendMessageA(field, EM_SETSEL, 0, -1);
    SendMessageA(field, WM_CHAR, '0', 0);
    EXPECT_EQ(NextText(), "1");
    EXPECT_EQ(document.measures[1].next, 0);
    SendMessageA(field, EM_SETSEL, 0, -1);
    SendMessageA(field, WM_CHAR, '9', 0);
    EXPECT_EQ(NextText(), "8");
    EXPECT_EQ(document.measures[1].next, 7);
    EXPECT_EQ(document.dirty, 1);
}

TEST_F(MeasurePopupFixture, PressInThePopupTakesTheFocusFromTheFields) {
    ShowFor(0);
    HWND field = popup.RepeatCell().Field().Handle();
    SetFocus(field);
    ASSERT_EQ(GetFocus(), field);
    SendMessageA(popup.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 10));
    SendMessageA(popup.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(60, 10));
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(MeasurePopupFixture, MeasuresOutsideTheEightAreNeverTouched) {
    const SongDocument before = document;
    ShowFor(8);
    EXPECT_FALSE(popup.IsShown());
    ShowFor(-1);
    EXPECT_FALSE(popup.IsShown());

    ShowFor(0);
    for (const int measure : {-1, 8, 20000}) {
        popup.measure = measure;
        Click(popup.NextCell().DownArrow());
        Click(popup.RepeatCell().UpArrow());
    }
    for (int m = 0; m < kMeasureCount; ++m) {
        EXPECT_EQ(document.measures[m].next, before.measures[m].next) << m;
        EXPECT_EQ(document.measures[m].repeat, before.measures[m].repeat) << m;
    }
    EXPECT_EQ(document.dirty, 0);
}

TEST_F(MeasurePopupFixture, WithoutADocumentNothingIsWritten) {
    popup.SetDocument(nullptr);
    ShowFor(0);
    EXPECT_TRUE(popup.IsShown());
    const int shown = popup.RepeatCell().GetValue();
    Click(popup.RepeatCell().UpArrow());
    EXPECT_EQ(popup.RepeatCell().GetValue(), shown + 1); // the cell itself still works
    EXPECT_EQ(document.measures[0].repeat, 1);
    EXPECT_EQ(document.dirty, 0);
}

TEST_F(MeasurePopupFixture, PaintsItsMarginWithTheBackgroundBrush) {
    SkinPalette palette;
    palette.Derive(RGB(128, 128, 128));
    popup.SetColors(palette);
    EXPECT_EQ(popup.Colours().contrastDark, palette.contrastDark);
    ShowFor(0);
    UpdateWindow(popup.Handle());
    PumpMessages();
    HDC dc = GetDC(popup.Handle());
    const COLORREF margin = GetPixel(dc, 126, 21);
    const COLORREF picture = GetPixel(dc, 60, 1);
    ReleaseDC(popup.Handle(), dc);
    EXPECT_EQ(margin, palette.contrastDark);
    EXPECT_TRUE(picture == palette.base || picture == palette.baseLighter) << std::hex << picture;
}

} // namespace
