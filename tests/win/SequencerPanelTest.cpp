// The whole panel built on a real window shaped like the main window: where every control lies,
// its id, the stacking order, and the colours each control paints after a skin is applied, read
// back pixel by pixel.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "WidgetTestSupport.h"
#include "panel/SequencerPanel.h"
#include "widgets/InvalidationBatch.h"

namespace {

using widget_test::Canvas;
using widget_test::PumpMessages;

constexpr COLORREF kSkin = RGB(40, 90, 160);

// Nobody types or steps a tempo here.
class NoTempoInput : public TempoInput {
public:
    void TempoEntered(double) override {}
};

class PanelWindow {
public:
    PanelWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KestrelPanelTestWindow";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        RegisterClassA(&wc);
        RECT r{0, 0, 707, 111};
        AdjustWindowRectEx(&r, kStyle, FALSE, 0);
        hwnd = CreateWindowExA(0, wc.lpszClassName, "panel test", kStyle, 0, 0, r.right - r.left,
                               r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        PumpMessages();
    }
    ~PanelWindow() { DestroyWindow(hwnd); }

    static constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
    HWND hwnd = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            PaintWidgets(dc, window);
            EndPaint(window, &ps);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
};

// One panel for the suite: it is built once in the program too, and its widgets live on.
class SequencerPanelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        window = new PanelWindow();
        document = new SongDocument();
        panel = new SequencerPanel();
        panel->Build(window->hwnd, tempoInput);
        panel->SetDocument(document);
        panel->ApplySkin(kSkin);
    }
    static void TearDownTestSuite() {
        delete panel;
        delete document;
        delete window;
    }
    void SetUp() override {
        panel->ApplySkin(kSkin);
        panel->ResizeToSteps(16);
    }

    // Every colour the widgets paint inside r.
    static std::set<COLORREF> ColoursIn(const RECT& r) {
        Canvas canvas(720, 200, RGB(1, 2, 3));
        PaintWidgets(canvas.dc, window->hwnd);
        std::set<COLORREF> colours;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                colours.insert(canvas.Pixel(x, y));
        return colours;
    }
    static bool Within(const std::set<COLORREF>& colours, std::set<COLORREF> allowed) {
        return std::includes(allowed.begin(), allowed.end(), colours.begin(), colours.end());
    }
    // The step number's background, at a corner its text never reaches.
    static COLORREF LabelPaper(int k) {
        const RECT r = panel->Column(k).NumberLabel().GetRect();
        Canvas canvas(720, 200, RGB(1, 2, 3));
        PaintWidgets(canvas.dc, window->hwnd);
        return canvas.Pixel(r.left + 1, r.top + 1);
    }
    static RECT ChildRect(int id) {
        RECT r{};
        HWND child = GetDlgItem(window->hwnd, id);
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window->hwnd, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    static inline PanelWindow* window = nullptr;
    static inline SongDocument* document = nullptr;
    static inline SequencerPanel* panel = nullptr;
    static inline NoTempoInput tempoInput;
};

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

TEST_F(SequencerPanelTest, ControlsLieWhereTheLayoutPutsThemWithTheirIds) {
    EXPECT_TRUE(SameRect(panel->Column(1).GetRect(), RECT{94, 2, 131, 108}));
    EXPECT_TRUE(SameRect(panel->Column(16).GetRect(), RECT{664, 2, 701, 108}));
    EXPECT_EQ(panel->Column(16).GetId(), 11500);
    EXPECT_EQ(panel->Column(16).GetText(), "16");
    EXPECT_EQ(panel->Column(16).LengthCell().Bar().GetId(), 11564);
    EXPECT_TRUE(SameRect(panel->Column(16).LengthCell().Bar().GetRect(), RECT{666, 99, 693, 106}));
    EXPECT_TRUE(SameRect(panel->Column(3).Lamp().GetRect(), RECT{182, 32, 199, 49}));
    EXPECT_TRUE(SameRect(ChildRect(10223), RECT{178, 67, 199, 82})); // column 3's note field
    EXPECT_TRUE(SameRect(panel->PlayButton().GetRect(), RECT{27, 32, 51, 56}));
    EXPECT_TRUE(SameRect(panel->MuteButton().GetRect(), RECT{31, 64, 48, 81}));
    EXPECT_TRUE(SameRect(panel->Tempo().UpArrow().GetRect(), RECT{9, 91, 16, 100}));
    EXPECT_TRUE(SameRect(panel->Tempo().DownArrow().GetRect(), RECT{9, 100, 16, 109}));
    EXPECT_TRUE(SameRect(ChildRect(1008), RECT{16, 94, 69, 107}));
    EXPECT_TRUE(SameRect(panel->TransposeControl().Bar().GetRect(), RECT{0, 1, 6, 81}));
    EXPECT_EQ(panel->TransposeControl().UpArrow().GetRect().top, 90);
    EXPECT_EQ(panel->TransposeControl().DownArrow().GetRect().top, 99);
    EXPECT_TRUE(SameRect(panel->LevelControl().Bar().GetRect(), RECT{-200, 2, -194, 137}));
    EXPECT_EQ(panel->LevelControl().DownArrow().GetRect().top, 155);
    EXPECT_TRUE(SameRect(panel->MenuBar().FileButton().GetRect(), RECT{13, 4, 29, 19}));
    EXPECT_TRUE(SameRect(panel->MenuBar().MidiButton().GetRect(), RECT{49, 4, 65, 19}));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(panel->MeasureSelector().Button(i).GetId(), 20001 + i);
        EXPECT_TRUE(
            SameRect(panel->MeasureSelector().ButtonRect(i), RECT{70, 98 - 14 * i, 86, 111 - 14 * i}));
    }
    // The status line exists below the client area, out of the tab order.
    EXPECT_TRUE(SameRect(ChildRect(3), RECT{30, 171, 330, 186}));
    EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(window->hwnd, 3), GWL_STYLE) & WS_TABSTOP, 0);
    panel->SetStatusText("-12");
    EXPECT_EQ(panel->StatusText(), "-12");
    // The transpose control holds 67 until the document's transpose is set into it.
    EXPECT_EQ(panel->TransposeControl().GetValue(), 67);
}

TEST_F(SequencerPanelTest, LaterControlsLieOnTopOfTheColumns) {
    const auto& nodes = WidgetRegistry::Instance().Nodes();
    auto order = [&](const MWnd& w) {
        return std::find_if(nodes.begin(), nodes.end(), [&](const auto& n) { return n.widget == &w; }) -
               nodes.begin();
    };
    EXPECT_LT(order(panel->Column(16)), order(panel->Column(1)));
    EXPECT_LT(order(panel->Column(1)), order(panel->Background()));
    EXPECT_LT(order(panel->Background()), order(panel->PlayButton()));
    EXPECT_LT(order(panel->PlayButton()), order(panel->MuteButton()));
    EXPECT_LT(order(panel->TransposeControl()), order(panel->MenuBar().FileButton()));
    EXPECT_LT(order(panel->MenuBar().MidiButton()), order(panel->MeasureSelector().Button(0)));
    // A column's parts are newer than the column, so its picture never covers them.
    EXPECT_LT(order(panel->Column(5)), order(panel->Column(5).Lamp()));
}

TEST_F(SequencerPanelTest, EveryControlPaintsInItsSkinColours) {
    const SkinPalette p = panel->Palette(); // a copy: the next skin replaces the panel's
    const RECT column = panel->Column(2).GetRect();
    // The column picture's left edge, the lit-or-not step number and the lamp (on: pressed look).
    EXPECT_TRUE(Within(ColoursIn(RECT{column.left, column.top, column.left + 1, column.top + 60}),
                       {p.base, p.contrast}));
    EXPECT_EQ(LabelPaper(2), p.base);
    EXPECT_TRUE(Within(ColoursIn(panel->Column(2).Lamp().GetRect()), {p.contrastDark, p.contrastLight}));
    EXPECT_TRUE(Within(ColoursIn(panel->Column(2).LengthCell().Bar().GetRect()),
                       {p.contrastDark, p.contrast, p.baseLight}));
    EXPECT_TRUE(Within(ColoursIn(RECT{56, 30, 70, 60}), {p.base, p.baseLighter})); // left-area picture
    EXPECT_TRUE(Within(ColoursIn(panel->PlayButton().GetRect()), {p.contrastDark, p.contrastLight}));
    EXPECT_TRUE(Within(ColoursIn(panel->MuteButton().GetRect()), {p.baseDark, p.baseLight}));
    EXPECT_TRUE(
        Within(ColoursIn(panel->TransposeControl().Bar().GetRect()), {p.baseLight, p.baseDark, p.contrast}));
    // Measure 1 is selected (up picture), the others show their down picture.
    EXPECT_TRUE(Within(ColoursIn(panel->MeasureSelector().ButtonRect(0)), {p.base, p.baseLighter}));
    EXPECT_TRUE(Within(ColoursIn(panel->MeasureSelector().ButtonRect(5)), {p.base, p.contrast}));

    // The playing step's number and the playing measure are lit until the next skin.
    panel->SetStepHighlighted(5, StepLight::On);
    panel->SetPlayingMark(3);
    EXPECT_EQ(LabelPaper(5), p.baseLighter);
    EXPECT_TRUE(Within(ColoursIn(panel->MeasureSelector().ButtonRect(3)), {p.contrastDark, p.contrastLight}));
    panel->ApplySkin(RGB(200, 200, 200)); // a grey is its own base; colours all share one
    const SkinPalette& q = panel->Palette();
    EXPECT_NE(q.base, p.base);
    EXPECT_EQ(LabelPaper(5), q.base);
    EXPECT_TRUE(Within(ColoursIn(panel->PlayButton().GetRect()), {q.contrastDark, q.contrastLight}));
    panel->SetPlayingMark(-1);
}

TEST_F(SequencerPanelTest, TheWidthDecidesTheColumnsAndTheStepCount) {
    panel->ResizeToSteps(4);
    RECT client{};
    GetClientRect(window->hwnd, &client);
    EXPECT_EQ(client.right, 251);
    EXPECT_EQ(client.bottom, 111);
    EXPECT_EQ(document->stepsPerMeasure, 4);
    for (int k = 1; k <= 16; ++k) {
        EXPECT_EQ(panel->Column(k).IsVisible(), k <= 4) << k;
        EXPECT_EQ(IsWindowVisible(GetDlgItem(window->hwnd, 10000 + 100 * (k - 1) + 23)) != FALSE, k <= 4)
            << k;
    }
    // Minimised, the window has no width to fit to: nothing changes.
    ShowWindow(window->hwnd, SW_MINIMIZE);
    PumpMessages();
    EXPECT_EQ(panel->UpdateColumnCount(), 4);
    EXPECT_EQ(document->stepsPerMeasure, 4);
    ShowWindow(window->hwnd, SW_RESTORE);
    PumpMessages();
    panel->ResizeToSteps(16);
    EXPECT_EQ(document->stepsPerMeasure, 16);
    EXPECT_TRUE(panel->Column(16).IsVisible());
}

TEST_F(SequencerPanelTest, ThePopupIsBuiltHiddenBesideNothingYet) {
    HWND popup = panel->Popup().Handle();
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(IsWindowVisible(popup));
    RECT client{};
    GetClientRect(popup, &client);
    EXPECT_EQ(client.right, 127);
    EXPECT_EQ(client.bottom, 22);
    // Right-clicking measure 3 opens it at the button's right edge, 3 pixels above its top.
    panel->ShowMeasurePopup(2);
    POINT corner{86, 70 - 3};
    ClientToScreen(window->hwnd, &corner);
    RECT placed{};
    GetWindowRect(popup, &placed);
    EXPECT_EQ(placed.left, corner.x);
    EXPECT_EQ(placed.top, corner.y);
    EXPECT_TRUE(IsWindowVisible(popup));
    panel->Popup().Hide();
    // Measures outside 0..7 open nothing.
    panel->ShowMeasurePopup(-1);
    EXPECT_FALSE(IsWindowVisible(popup));
}

} // namespace

namespace {

// The client area as it is on the screen, child fields included.
std::vector<DWORD> ScreenPixels(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    Canvas canvas(client.right, client.bottom, RGB(1, 2, 3));
    HDC screen = GetDC(hwnd);
    BitBlt(canvas.dc, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, screen);
    std::vector<DWORD> pixels;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            pixels.push_back(canvas.Pixel(x, y));
    return pixels;
}

// Paints what is invalid, children too, as the message loop would once the message returned.
void PaintPending(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
}

// What the window shows after painting everything afresh.
std::vector<DWORD> FullRepaint(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    return ScreenPixels(hwnd);
}

::testing::AssertionResult SamePicture(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && differing++ == 0) first = i;
    if (differing == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differing << " pixels differ, the first at index " << first;
}

} // namespace

// What a change asks to repaint is gathered while its message is handled and asked for once at
// the end: the screen must then show exactly what a repaint of everything shows, in any skin.
TEST_F(SequencerPanelTest, AfterEachChangeTheScreenEqualsAFullRepaint) {
    const COLORREF skins[] = {RGB(40, 90, 160), RGB(200, 30, 30), RGB(250, 250, 240), RGB(5, 5, 5)};
    int round = 0;
    for (COLORREF skin : skins) {
        SCOPED_TRACE(testing::Message() << "skin " << std::hex << skin);
        {
            InvalidationScope message;
            panel->ApplySkin(skin);
            panel->ResizeToSteps(16);
        }
        const std::vector<DWORD> shown = FullRepaint(window->hwnd);
        EXPECT_TRUE(SamePicture(FullRepaint(window->hwnd), shown)) << "a repaint changed the picture";

        for (int steps : {1, 16, 5}) {
            {
                InvalidationScope message;
                panel->ResizeToSteps(steps);
            }
            PaintPending(window->hwnd);
            const std::vector<DWORD> changed = ScreenPixels(window->hwnd);
            EXPECT_TRUE(SamePicture(changed, FullRepaint(window->hwnd)))
                << "after the width change to " << steps;
        }

        // A measure change, as the controller loads one: hidden columns stay hidden.
        ++round;
        {
            InvalidationScope message;
            for (int k = 0; k < SequencerPanel::kColumns; ++k) {
                if (!panel->ColumnVisible(k)) panel->SetColumnShowable(k, Showable::No);
                panel->SetColumnValue(k, 10, (k + round) % 3 != 0);
                panel->SetColumnValue(k, 20, (k * 7 + round * 11) % 120 - 59);
                panel->SetColumnValue(k, 60, (k * 13 + round * 5) % 128);
                panel->SetColumnShowable(k, Showable::Yes);
            }
            panel->SelectMeasureButton(round % 8);
            panel->SetPlayingMark((round + 3) % 8);
            panel->SetStepHighlighted(1 + round % 5, StepLight::On);
        }
        PaintPending(window->hwnd);
        const std::vector<DWORD> loaded = ScreenPixels(window->hwnd);
        EXPECT_TRUE(SamePicture(loaded, FullRepaint(window->hwnd))) << "after the measure change";
        EXPECT_FALSE(SamePicture(loaded, shown)) << "the measure change showed nothing";
        panel->SetStepHighlighted(1 + round % 5, StepLight::Off);
        panel->SetPlayingMark(-1);
    }
    // The suite shares the panel: lamps on and measure 1 selected, as built.
    for (int k = 0; k < SequencerPanel::kColumns; ++k)
        panel->SetColumnValue(k, 10, 1);
    panel->SelectMeasureButton(0);
}
