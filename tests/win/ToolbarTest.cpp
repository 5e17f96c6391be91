// The toolbar's three picture buttons and the command window over them: places, ids, pictures and
// cursors, a command window that paints nothing so the buttons show through, and clicks that pass
// through it to the main window's widget dispatch.
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "panel/Toolbar.h"

using namespace widget_test;

namespace {

struct ToolbarFixture : testing::Test {
    ToolbarFixture() {
        // The main window is a dialog that does not clip its children: it paints the buttons
        // underneath the command window.
        const LONG_PTR style = GetWindowLongPtrA(owner.hwnd, GWL_STYLE);
        SetWindowLongPtrA(owner.hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CLIPCHILDREN));
        toolbar.Create("menu", 13, 4, RGB(1, 2, 3), owner.hwnd);
    }
    ~ToolbarFixture() override { SetCapturedWidget(nullptr); }

    TestOwner owner{0, 0, 120, 60};
    Toolbar toolbar;
};

bool RectIs(const RECT& r, int left, int top, int right, int bottom) {
    return r.left == left && r.top == top && r.right == right && r.bottom == bottom;
}

TEST_F(ToolbarFixture, ButtonsSitSideBySideWithTheirPicturesAndCursors) {
    struct Expected {
        MBmpButton& button;
        int id, left;
        const char *up, *down;
    } expected[] = {{toolbar.FileButton(), 1002, 13, "FILEUP", "FILEDN"},
                    {toolbar.EditButton(), 1003, 31, "EDITUP", "EDITDN"},
                    {toolbar.MidiButton(), 1004, 49, "MIDIUP", "MIDIDN"}};
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.id);
        EXPECT_EQ(e.button.GetId(), e.id);
        EXPECT_TRUE(RectIs(e.button.GetRect(), e.left, 4, e.left + 16, 19));
        EXPECT_EQ(e.button.UpName(), e.up);
        EXPECT_EQ(e.button.DownName(), e.down);
        EXPECT_NE(e.button.Cursor(), nullptr);
        EXPECT_EQ(e.button.GetOwner(), owner.hwnd);
        EXPECT_TRUE(e.button.GetText().empty());
    }
    // Each button has its own pointer.
    EXPECT_NE(toolbar.FileButton().Cursor(), toolbar.EditButton().Cursor());
    EXPECT_NE(toolbar.EditButton().Cursor(), toolbar.MidiButton().Cursor());
}

TEST_F(ToolbarFixture, CommandWindowIsAPlainStaticOverTheButtons) {
    HWND command = toolbar.CommandWindow();
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(GetParent(command), owner.hwnd);
    char className[32] = {};
    GetClassNameA(command, className, sizeof className);
    EXPECT_STREQ(className, "Static");
    char text[32] = {};
    GetWindowTextA(command, text, sizeof text);
    EXPECT_STREQ(text, "menu");
    EXPECT_EQ(GetDlgCtrlID(command), 0);
    const LONG style = GetWindowLongA(command, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
    EXPECT_EQ(style & SS_NOTIFY, 0);
    RECT r{};
    GetWindowRect(command, &r);
    MapWindowPoints(nullptr, owner.hwnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(RectIs(r, 13, 4, 65, 19));
}

TEST_F(ToolbarFixture, ButtonsShowThroughTheCommandWindowInTheirSkinColours) {
    SkinPalette palette;
    palette.Derive(RGB(128, 128, 128));
    toolbar.ApplySkin(RGB(128, 128, 128));
    EXPECT_EQ(toolbar.FileButton().GetInk(), palette.baseLight);
    EXPECT_EQ(toolbar.FileButton().GetPaper(), palette.baseDark);
    EXPECT_EQ(toolbar.FileButton().PressedInk(), palette.baseLight);
    EXPECT_EQ(toolbar.FileButton().PressedPaper(), palette.baseDark);
    EXPECT_EQ(toolbar.EditButton().GetInk(), palette.contrast);
    EXPECT_EQ(toolbar.EditButton().GetPaper(), palette.contrastDark);
    EXPECT_EQ(toolbar.MidiButton().GetInk(), palette.baseDark);
    EXPECT_EQ(toolbar.MidiButton().GetPaper(), palette.baseLight);

    InvalidateRect(owner.hwnd, nullptr, TRUE);
    InvalidateRect(toolbar.CommandWindow(), nullptr, TRUE);
    owner.Repaint();
    struct Pair {
        MBmpButton& button;
        COLORREF ink, paper;
    } pairs[] = {{toolbar.FileButton(), palette.baseLight, palette.baseDark},
                 {toolbar.EditButton(), palette.contrast, palette.contrastDark},
                 {toolbar.MidiButton(), palette.baseDark, palette.baseLight}};
    for (const Pair& p : pairs) {
        SCOPED_TRACE(p.button.GetId());
        const RECT r = p.button.GetRect();
        int inks = 0, papers = 0, others = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const COLORREF c = owner.ScreenPixel(x, y);
                inks += c == p.ink;
                papers += c == p.paper;
                others += c != p.ink && c != p.paper;
            }
        EXPECT_GT(inks, 0);
        EXPECT_GT(papers, 0);
        EXPECT_EQ(others, 0);
    }
    // The gap between two buttons shows the main window's own background.
    EXPECT_EQ(owner.ScreenPixel(29, 10), owner.background);
}

TEST_F(ToolbarFixture, ClickOnAButtonReachesTheMainWindowThroughTheCommandWindow) {
    RECT r = toolbar.EditButton().GetRect();
    POINT at{r.left + 5, r.top + 5};
    ClientToScreen(owner.hwnd, &at);
    EXPECT_EQ(SendMessageA(toolbar.CommandWindow(), WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)), HTTRANSPARENT);

    MouseTo(owner, at.x, at.y);
    ASSERT_TRUE(MouseTo(owner, at.x, at.y, MOUSEEVENTF_LEFTDOWN));
    ASSERT_TRUE(MouseTo(owner, at.x, at.y, MOUSEEVENTF_LEFTUP));
    // The press and the click both reached the button through the main window's dispatch.
    EXPECT_EQ(owner.dispatched, (std::vector<int>{1003, 1003}));
}

} // namespace
