// The dial and the bar as their owner drives them: start value, arrow steps with Control, live
// typing, commits, bar values from the pointer, drags that leave the window, and the show, hide
// and colour operations that must leave hidden parts hidden.
#include <gtest/gtest.h>

#include <algorithm>

#include "WidgetTestSupport.h"
#include "widgets/MDial.h"

using namespace widget_test;

namespace {

// A note-cell style dial: arrows at the origin, a 21 x 15 text field, no bar.
DialSettings TextDial(HWND owner, int min, int max, int ctrlStep) {
    const DialSettings s{.baseId = 1000,
                         .x = 10,
                         .y = 10,
                         .upPrefix = "UPARROW",
                         .downPrefix = "DNARROW",
                         .downDy = 9,
                         .owner = owner,
                         .textDx = 8,
                         .textDy = 2,
                         .textWidth = 21,
                         .textHeight = 15,
                         .min = min,
                         .max = max,
                         .ctrlStep = ctrlStep};
    return s;
}

// A bar-only dial: no arrow pictures, no text field shown.
DialSettings BarDial(HWND owner, int min, int max, int width, int height, BarAxis axis) {
    const DialSettings s{.baseId = 2000,
                         .x = 20,
                         .y = 5,
                         .owner = owner,
                         .min = min,
                         .max = max,
                         .ctrlStep = 10,
                         .barWidth = width,
                         .barHeight = height,
                         .thumbWidth = 2,
                         .barAxis = axis};
    return s;
}

// Types characters into a field as keyboard input would (the edit control marks itself
// modified and tells its parent).
void Type(HWND field, const char* text) {
    for (const char* c = text; *c; ++c)
        SendMessageA(field, WM_CHAR, static_cast<WPARAM>(*c), 0);
}

void ReplaceAllBy(HWND field, const char* text) {
    SendMessageA(field, EM_SETSEL, 0, -1);
    if (*text)
        Type(field, text);
    else
        SendMessageA(field, WM_CHAR, VK_BACK, 0);
}

bool Saw(const TestOwner& owner, int type, int id) {
    return std::any_of(owner.events.begin(), owner.events.end(),
                       [&](const TestOwner::Event& e) { return e.type == type && e.id == id; });
}

struct DialFixture : testing::Test {
    ~DialFixture() override { SetCapturedWidget(nullptr); }
    int Send(int type, int x, int y) { return DispatchMouse(type, x, y, owner.hwnd); }
    TestOwner owner;
    FakeInput input;
};

TEST_F(DialFixture, NewDialStartsAtHalfTheSpanAndPartsHaveTheirIds) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, 1, 8, 1));
    EXPECT_EQ(dial.GetValue(), 3);
    EXPECT_EQ(dial.Field().GetText(), "3");
    EXPECT_FALSE(dial.Field().IsModified());
    EXPECT_EQ(dial.UpArrow().GetId(), 1001);
    EXPECT_EQ(dial.DownArrow().GetId(), 1002);
    EXPECT_EQ(dial.Field().GetId(), 1003);
    EXPECT_EQ(dial.Bar().GetId(), 1004);
    EXPECT_STREQ(dial.GetClassName(), "MWnd");
    EXPECT_STREQ(dial.Bar().GetClassName(), "MButton");
    // The body spans the arrows and the field.
    const RECT r = dial.GetRect();
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 10);
    EXPECT_EQ(r.right, 39);
    EXPECT_EQ(r.bottom, 28);
}

TEST_F(DialFixture, LiveTypingReplacesOutOfRangeNumbersAtOnce) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, 1, 8, 1));
    dial.SetLiveTyping(LiveTyping::On);
    HWND field = dial.Field().Handle();

    ReplaceAllBy(field, "9");
    EXPECT_EQ(dial.Field().GetText(), "8");
    EXPECT_EQ(dial.GetValue(), 8);
    // One keystroke, one report: the replacement the dial writes is not taken as typing.
    ASSERT_EQ(owner.events.size(), 1u);
    EXPECT_EQ(owner.events[0].type, WidgetEvent::ValueCommitted);
    EXPECT_EQ(owner.events[0].id, 1003);

    ReplaceAllBy(field, "0");
    EXPECT_EQ(dial.Field().GetText(), "1");
    ReplaceAllBy(field, "");
    EXPECT_EQ(dial.Field().GetText(), "1");

    ReplaceAllBy(field, "5");
    EXPECT_EQ(dial.Field().GetText(), "5"); // in range: left as typed
    EXPECT_EQ(dial.Bar().GetValue(), 5);
}

TEST_F(DialFixture, ProgramWritesAreNotTakenAsTyping) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, 1, 8, 1));
    dial.SetLiveTyping(LiveTyping::On);
    owner.events.clear();
    dial.SetValue(6);
    dial.Field().SetText("7");
    EXPECT_TRUE(owner.events.empty());
    EXPECT_FALSE(dial.Field().IsModified());
}

TEST_F(DialFixture, ControlStepIsClampedToTheRange) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, 0, 100, 10));
    dial.SetValue(95);
    input.control = true;
    dial.OnPartEvent(1001);
    EXPECT_EQ(dial.GetValue(), 100);
    input.control = false;
    dial.OnPartEvent(1002);
    EXPECT_EQ(dial.GetValue(), 99);
    dial.OnPartEvent(1003); // the field's id is no step
    dial.OnPartEvent(1000);
    EXPECT_EQ(dial.GetValue(), 99);
}

TEST_F(DialFixture, ArrowClickStepsOnTheRelease) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, 1, 32, 4));
    dial.SetValue(10);
    input.leftButton = true;
    ASSERT_EQ(Send(WidgetEvent::Down, 12, 12), 1001);
    input.leftButton = false;
    const int id = Send(WidgetEvent::Up, 12, 12);
    ASSERT_EQ(id, 1001);
    dial.OnPartEvent(id);
    EXPECT_EQ(dial.GetValue(), 11);
}

TEST_F(DialFixture, StepWhileTheButtonIsHeldWaitsForItsReleaseWithoutBlocking) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, 1, 32, 4));
    dial.SetValue(10);
    input.leftButton = true;
    dial.OnPartEvent(1001); // returns at once although the button is down
    EXPECT_EQ(dial.Field().GetText(), "10");
    Send(WidgetEvent::Move, 100, 100);
    EXPECT_EQ(dial.Field().GetText(), "10");
    input.leftButton = false;
    Send(WidgetEvent::Move, 100, 100);
    EXPECT_EQ(dial.Field().GetText(), "11");
    EXPECT_EQ(dial.GetValue(), 11);
}

TEST_F(DialFixture, CommitOnFocusLossShowsTheClampedNumber) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, 1, 32, 4));
    HWND field = dial.Field().Handle();
    SetFocus(field);
    SetWindowTextA(field, "  12xy");
    SetFocus(owner.hwnd);
    EXPECT_EQ(dial.Field().GetText(), "12");
    EXPECT_TRUE(Saw(owner, WidgetEvent::Refresh, 1003));

    SetFocus(field);
    SetWindowTextA(field, "letters");
    SetFocus(owner.hwnd);
    EXPECT_EQ(dial.Field().GetText(), "1");
    SetFocus(field);
    SetWindowTextA(field, std::string(300, '7').c_str());
    SetFocus(owner.hwnd);
    EXPECT_EQ(dial.Field().GetText(), "32");
}

TEST_F(DialFixture, WithoutLiveTypingTheCommitIsReportedOnFocusLoss) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, 1, 32, 4));
    dial.SetLiveTyping(LiveTyping::Off);
    HWND field = dial.Field().Handle();
    SetFocus(field);
    ReplaceAllBy(field, "40");
    EXPECT_FALSE(Saw(owner, WidgetEvent::ValueCommitted, 1003));
    EXPECT_EQ(dial.Field().GetText(), "40"); // nothing replaced while typing
    SetFocus(owner.hwnd);
    EXPECT_TRUE(Saw(owner, WidgetEvent::ValueCommitted, 1003));
    EXPECT_EQ(dial.GetValue(), 32);
    // Only once: the next focus loss without typing commits nothing new.
    owner.events.clear();
    SetFocus(field);
    SetFocus(owner.hwnd);
    EXPECT_FALSE(Saw(owner, WidgetEvent::ValueCommitted, 1003));
}

TEST_F(DialFixture, ClicksInTheFieldAreReported) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, 1, 32, 4));
    HWND field = dial.Field().Handle();
    SendMessageA(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(field, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    SendMessageA(field, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2));
    EXPECT_TRUE(Saw(owner, WidgetEvent::EditLeftDown, 1003));
    EXPECT_TRUE(Saw(owner, WidgetEvent::EditRightDown, 1003));
}

TEST_F(DialFixture, VerticalBarValueFollowsThePointer) {
    MDial dial;
    dial.Create(BarDial(owner.hwnd, 0, 100, 6, 135, BarAxis::Vertical));
    const RECT bar = dial.Bar().GetRect();
    input.leftButton = true;
    ASSERT_EQ(Send(WidgetEvent::Down, bar.left + 2, bar.bottom - 1), 2004);
    dial.OnPartEvent(2004);
    EXPECT_EQ(dial.GetValue(), 0); // lowest row
    ASSERT_EQ(Send(WidgetEvent::Move, bar.left + 2, bar.top + 67), 2004);
    dial.OnPartEvent(2004);
    EXPECT_EQ(dial.GetValue(), 50);
    ASSERT_EQ(Send(WidgetEvent::Move, bar.left + 2, bar.top - 1), 2004);
    dial.OnPartEvent(2004);
    EXPECT_EQ(dial.GetValue(), 100);
    input.leftButton = false;
    EXPECT_EQ(Send(WidgetEvent::Up, 500, 500), 2004); // the release ends the drag anywhere
    dial.OnPartEvent(2004);
    EXPECT_EQ(dial.GetValue(), 0);
    EXPECT_EQ(Send(WidgetEvent::Move, bar.left + 2, bar.top), 0);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(DialFixture, BarDragWhoseReleaseWentElsewhereEndsOnTheNextMove) {
    MDial dial;
    dial.Create(BarDial(owner.hwnd, 0, 100, 6, 135, BarAxis::Vertical));
    const RECT bar = dial.Bar().GetRect();
    input.leftButton = true;
    Send(WidgetEvent::Down, bar.left + 1, bar.bottom - 1);
    Send(WidgetEvent::Move, bar.left + 1, bar.top + 67);
    ASSERT_EQ(GetCapture(), owner.hwnd);
    ReleaseCapture(); // the mouse was taken away; the release is never seen
    input.leftButton = false;
    EXPECT_EQ(Send(WidgetEvent::Move, bar.left + 1, bar.top), 2004);
    EXPECT_FALSE(dial.Bar().IsPressed());
    EXPECT_EQ(Send(WidgetEvent::Move, bar.left + 1, bar.bottom - 1), 0);
    EXPECT_EQ(dial.Bar().GetValue(), 100);
}

TEST_F(DialFixture, HorizontalBarPressSetsTheValue) {
    MDial dial;
    dial.Create(BarDial(owner.hwnd, -59, 67, 27, 7, BarAxis::Horizontal));
    const RECT bar = dial.Bar().GetRect();
    input.leftButton = true;
    ASSERT_EQ(Send(WidgetEvent::Down, bar.left + 13, bar.top + 3), 2004);
    dial.OnPartEvent(2004);
    EXPECT_EQ(dial.GetValue(), 1);
    EXPECT_EQ(dial.Field().GetText(), "1"); // the unseen field still holds the value
    input.leftButton = false;
    Send(WidgetEvent::Up, bar.left + 13, bar.top + 3);
    EXPECT_EQ(Send(WidgetEvent::RightDown, bar.left + 1, bar.top + 1), 2004);
}

TEST_F(DialFixture, BarDrawsFillThumbAndRest) {
    MDial dial;
    dial.Create(BarDial(owner.hwnd, 0, 100, 27, 7, BarAxis::Horizontal));
    const COLORREF ink = RGB(200, 0, 0), paper = RGB(0, 0, 200), thumb = RGB(0, 200, 0);
    dial.SetDialColors({.barInk = ink, .barPaper = paper, .thumb = thumb});
    dial.SetValue(50);
    Canvas canvas(60, 20, RGB(9, 9, 9));
    dial.Bar().Draw(canvas.dc);
    const int left = dial.Bar().GetRect().left, top = dial.Bar().GetRect().top;
    EXPECT_EQ(canvas.Pixel(left, top), ink);
    EXPECT_EQ(canvas.Pixel(left + 11, top + 6), ink);
    EXPECT_EQ(canvas.Pixel(left + 12, top), thumb);
    EXPECT_EQ(canvas.Pixel(left + 13, top), thumb);
    EXPECT_EQ(canvas.Pixel(left + 14, top), paper);
    EXPECT_EQ(canvas.Pixel(left + 26, top + 6), paper);
    EXPECT_EQ(canvas.Pixel(left + 27, top), RGB(9, 9, 9));
}

TEST_F(DialFixture, BarDragGoesOnOutsideTheWindowUntilRelease) {
    // Real mouse input: the drag must keep the mouse once the pointer leaves the owner window.
    SetWidgetInput(nullptr);
    MDial dial;
    dial.Create(BarDial(owner.hwnd, 0, 100, 6, 135, BarAxis::Vertical));
    POINT origin{0, 0};
    ClientToScreen(owner.hwnd, &origin);
    const RECT bar = dial.Bar().GetRect();
    auto sendMouse = [&](int x, int y, DWORD flags) { ASSERT_TRUE(MouseTo(owner, x, y, flags)); };
    const int x = origin.x + bar.left + 2;
    sendMouse(x, origin.y + bar.bottom - 1, 0);
    sendMouse(x, origin.y + bar.bottom - 1, MOUSEEVENTF_LEFTDOWN);
    sendMouse(x, origin.y + bar.bottom - 20, 0);
    EXPECT_EQ(GetCapture(), owner.hwnd);
    // Far below the window: the bar bottoms out at its minimum.
    sendMouse(x, origin.y + 300, 0);
    EXPECT_EQ(dial.Bar().GetValue(), 0);
    // Far above it: the maximum.
    sendMouse(x, std::max(0, static_cast<int>(origin.y) - 30), 0);
    EXPECT_EQ(dial.Bar().GetValue(), 100);
    sendMouse(x, origin.y + 300, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(dial.Bar().GetValue(), 0);
    EXPECT_FALSE(dial.Bar().IsPressed());
    EXPECT_EQ(GetCapture(), nullptr);
    // After the release moving about changes nothing.
    sendMouse(x, origin.y + bar.top + 2, 0);
    EXPECT_EQ(dial.Bar().GetValue(), 0);
    SetWidgetInput(&input);
}

TEST_F(DialFixture, EmptyArrowPrefixLeavesTheArrowsAlone) {
    MDial dial;
    DialSettings s = BarDial(owner.hwnd, 0, 127, 27, 7, BarAxis::Horizontal);
    dial.Create(s);
    EXPECT_EQ(dial.UpArrow().GetRect().right - dial.UpArrow().GetRect().left, 1);
    dial.UpArrow().Hide();
    dial.Show();
    EXPECT_FALSE(dial.UpArrow().IsVisible());
    dial.Hide();
    EXPECT_TRUE(dial.DownArrow().IsVisible());
    EXPECT_FALSE(dial.Bar().IsVisible());
    dial.Show();
    EXPECT_TRUE(dial.Bar().IsVisible());
}

TEST_F(DialFixture, HiddenTextStaysHiddenThroughShowAndRecolouring) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, -59, 67, 12));
    HWND field = dial.Field().Handle();
    dial.HideText();
    EXPECT_FALSE(IsWindowVisible(field));
    dial.SetDialColors({.arrowInk = RGB(1, 1, 1),
                        .arrowPaper = RGB(2, 2, 2),
                        .textInk = RGB(3, 3, 3),
                        .textPaper = RGB(4, 4, 4)});
    EXPECT_FALSE(IsWindowVisible(field));
    dial.Hide();
    dial.Show();
    dial.SetTransparent(DialBody::Opaque);
    EXPECT_FALSE(IsWindowVisible(field));
    EXPECT_TRUE(dial.UpArrow().IsVisible());

    dial.HideArrows();
    dial.SetDialColors({.arrowInk = RGB(1, 1, 1),
                        .arrowPaper = RGB(2, 2, 2),
                        .textInk = RGB(3, 3, 3),
                        .textPaper = RGB(4, 4, 4)});
    dial.Show();
    EXPECT_FALSE(dial.UpArrow().IsVisible());
    EXPECT_FALSE(dial.DownArrow().IsVisible());
}

TEST_F(DialFixture, FrozenDialKeepsItsFieldAsItIs) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, 0, 9, 1));
    dial.SetShowable(Showable::No);
    dial.Hide();
    EXPECT_TRUE(dial.Field().IsShown());
    EXPECT_TRUE(dial.UpArrow().IsVisible());
    dial.SetShowable(Showable::Yes);
    dial.Hide();
    EXPECT_FALSE(dial.Field().IsShown());
    EXPECT_FALSE(dial.UpArrow().IsVisible());
}

TEST_F(DialFixture, RecolouringKeepsAShownFieldShownAndColoursTheParts) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, -59, 67, 12));
    dial.SetDialColors({.arrowInk = RGB(1, 1, 1),
                        .arrowPaper = RGB(2, 2, 2),
                        .textInk = RGB(3, 3, 3),
                        .textPaper = RGB(4, 4, 4),
                        .barInk = RGB(5, 5, 5),
                        .barPaper = RGB(6, 6, 6),
                        .thumb = RGB(7, 7, 7)});
    EXPECT_TRUE(IsWindowVisible(dial.Field().Handle()));
    EXPECT_EQ(dial.UpArrow().GetInk(), RGB(1, 1, 1));
    EXPECT_EQ(dial.DownArrow().GetPaper(), RGB(2, 2, 2));
    EXPECT_EQ(dial.Field().GetInk(), RGB(3, 3, 3));
    EXPECT_EQ(dial.Field().GetPaper(), RGB(4, 4, 4));
    EXPECT_EQ(dial.Bar().ThumbColor(), RGB(7, 7, 7));
    EXPECT_EQ(dial.GetInk(), RGB(4, 4, 4));
    EXPECT_EQ(dial.GetPaper(), RGB(4, 4, 4));
    EXPECT_TRUE(dial.UpArrow().IsShowable());
}

TEST_F(DialFixture, OpaqueBodyPaintsUnderItsParts) {
    MDial dial;
    dial.Create(TextDial(owner.hwnd, 0, 9, 1));
    dial.SetDialColors({.arrowInk = RGB(250, 0, 0),
                        .arrowPaper = RGB(250, 0, 0),
                        .textInk = RGB(0, 0, 0),
                        .textPaper = RGB(0, 0, 250)});
    Canvas transparent(60, 40, RGB(9, 9, 9));
    PaintWidgets(transparent.dc, owner.hwnd);
    EXPECT_EQ(transparent.Pixel(17, 27), RGB(9, 9, 9)); // inside the body, on no part

    dial.SetTransparent(DialBody::Opaque);
    Canvas opaque(60, 40, RGB(9, 9, 9));
    PaintWidgets(opaque.dc, owner.hwnd);
    EXPECT_EQ(opaque.Pixel(17, 27), RGB(0, 0, 250));
    EXPECT_EQ(opaque.Pixel(10, 10), RGB(250, 0, 0)); // the arrow lies on top
}

// An empty dialog window, as the program's main window is one, inside the test host.
class TestDialog : public WidgetEventSink {
public:
    TestDialog() {
        // DLGTEMPLATE, then empty menu, class and title, each one WORD.
        alignas(4) WORD tmpl[16] = {};
        auto* header = reinterpret_cast<DLGTEMPLATE*>(tmpl);
        header->style = DS_CONTROL | WS_CHILD | WS_VISIBLE;
        header->cx = 100;
        header->cy = 60;
        hwnd = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), header, TestOwner::Host(), Proc, 0);
        SetWidgetEventSink(hwnd, this);
    }
    ~TestDialog() override {
        SetWidgetEventSink(hwnd, nullptr);
        DestroyWindow(hwnd);
    }
    void OnWidgetEvent(int type, int, int, int id) override { events.push_back({type, id}); }

    HWND hwnd = nullptr;
    std::vector<TestOwner::Event> events;

private:
    static INT_PTR CALLBACK Proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
};

TEST(DialOnADialog, FieldAnswersColoursAndReportsTypingThroughTheDialog) {
    FakeInput input;
    TestDialog dialog;
    ASSERT_NE(dialog.hwnd, nullptr);
    MDial dial;
    dial.Create(TextDial(dialog.hwnd, 1, 8, 1));
    dial.SetLiveTyping(LiveTyping::On);
    dial.SetDialColors({.textInk = RGB(10, 20, 30), .textPaper = RGB(40, 50, 60)});

    Canvas canvas(2, 2, RGB(0, 0, 0));
    const LRESULT brush = SendMessageA(dialog.hwnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(canvas.dc),
                                       reinterpret_cast<LPARAM>(dial.Field().Handle()));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), dial.Field().Brush());
    EXPECT_EQ(GetTextColor(canvas.dc), RGB(10, 20, 30));
    EXPECT_EQ(GetBkColor(canvas.dc), RGB(40, 50, 60));

    ReplaceAllBy(dial.Field().Handle(), "9");
    EXPECT_EQ(dial.Field().GetText(), "8");
    ASSERT_EQ(dialog.events.size(), 1u);
    EXPECT_EQ(dialog.events[0].type, WidgetEvent::ValueCommitted);
    EXPECT_EQ(dialog.events[0].id, 1003);
}

} // namespace
