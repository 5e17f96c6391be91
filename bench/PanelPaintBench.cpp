// How long the panel takes to paint and to change width, in process: a real SequencerPanel built
// on a window shaped like the main window (707 x 111 client), timed with the performance counter.
// Rows: a full repaint of every widget into a DIB section and into the window's own DC, and a width
// change from sixteen columns (707) to one (133) and back, each including the repaint it causes
// (child fields too), flushed to the display.
//
//   panel_paint [repetitions]     default 500
#include <windows.h>

#include <cstdlib>
#include <vector>

#include "BenchConditions.h"
#include "panel/SequencerPanel.h"
#include "widgets/InvalidationBatch.h"
#include "widgets/WidgetRegistry.h"

namespace {

// Only painting is timed: no tempo is given.
class NoTempoInput : public TempoInput {
public:
    void TempoEntered(double) override {}
};

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        PaintWidgets(dc, window);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreatePanelWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KestrelPanelBenchWindow";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    RegisterClassA(&wc);
    RECT r{0, 0, 707, 111};
    AdjustWindowRectEx(&r, kStyle, FALSE, 0);
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "panel bench", kStyle, 40, 40, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    return hwnd;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Paints whatever the last change invalidated, the child fields included, and waits for GDI.
void PaintNow(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
}

class Dib {
public:
    Dib(int width, int height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous = SelectObject(dc, bitmap);
    }
    ~Dib() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;
    HDC dc = nullptr;

private:
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
};

template <typename Action> bench::Spread Time(int repetitions, Action action) {
    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(repetitions));
    for (int i = 0; i < repetitions; ++i) {
        const double start = bench::NowMs();
        action();
        samples.push_back(bench::NowMs() - start);
        Pump();
    }
    return bench::Summarise(samples);
}

} // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(10, std::atoi(argv[1])) : 500;
    HWND hwnd = CreatePanelWindow();
    SongDocument document;
    SequencerPanel panel;
    NoTempoInput tempoInput;
    panel.Build(hwnd, tempoInput);
    panel.SetDocument(&document);
    panel.ApplySkin(RGB(40, 90, 160));
    panel.ResizeToSteps(16);
    Pump();
    PaintNow(hwnd);

    Dib dib(720, 120);
    bench::PrintRow("full repaint, PaintWidgets into a DIB",
                    Time(repetitions,
                         [&] {
                             // Each widget cuts its rectangle out of the clipping: without this
                             // reset every run after the first would paint nothing at all.
                             SelectClipRgn(dib.dc, nullptr);
                             PaintWidgets(dib.dc, hwnd);
                             GdiFlush();
                         }),
                    "< 2 ms");
    bench::PrintRow("full repaint, PaintWidgets into the window DC",
                    Time(repetitions,
                         [&] {
                             HDC dc = GetDC(hwnd);
                             PaintWidgets(dc, hwnd);
                             ReleaseDC(hwnd, dc);
                             GdiFlush();
                         }),
                    "< 2 ms");
    bench::PrintRow("full repaint, invalidate + WM_PAINT, children",
                    Time(repetitions,
                         [&] {
                             InvalidateRect(hwnd, nullptr, FALSE);
                             RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
                             PaintNow(hwnd);
                         }),
                    "< 2 ms");

    std::vector<double> narrow, widen, both;
    long requests = 0;
    for (int i = 0; i < repetitions / 2; ++i) {
        const long requestsBefore = InvalidationRequests();
        const double start = bench::NowMs();
        {
            InvalidationScope message; // as the main window handles WM_SIZE
            panel.ResizeToSteps(1);
        }
        PaintNow(hwnd);
        const double middle = bench::NowMs();
        {
            InvalidationScope message;
            panel.ResizeToSteps(16);
        }
        PaintNow(hwnd);
        const double end = bench::NowMs();
        requests = InvalidationRequests() - requestsBefore;
        narrow.push_back(middle - start);
        widen.push_back(end - middle);
        both.push_back(end - start);
        Pump();
    }
    bench::PrintRow("width 707 -> 133, ResizeToSteps + repaint", bench::Summarise(narrow), "< 4 ms");
    bench::PrintRow("width 133 -> 707, ResizeToSteps + repaint", bench::Summarise(widen), "< 4 ms");
    bench::PrintRow("width 707 -> 133 -> 707, both ways", bench::Summarise(both), "< 4 ms");
    std::printf("invalidation requests to the system for both width changes: %ld\n", requests);
    DestroyWindow(hwnd);
    return 0;
}
