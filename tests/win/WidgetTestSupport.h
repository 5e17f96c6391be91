#pragma once
// Shared pieces of the widget tests: a real owner window that paints and routes the mouse as the
// main window does, a colour canvas to paint into and read back, one-bit test pictures and an
// input source the tests control.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "widgets/GdiHandles.h"
#include "widgets/MonoImage.h"
#include "widgets/WidgetEvents.h"
#include "widgets/WidgetInput.h"
#include "widgets/WidgetRegistry.h"

namespace widget_test {

inline void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Handles messages until `done` holds, sleeping only until the next message arrives. The limit is
// a safety net, so that a message that never comes fails the test instead of hanging it.
template <typename Done> bool PumpUntil(Done done) {
    constexpr DWORD kSafetyLimitMs = 10000;
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (done()) return true;
        const DWORD waited = GetTickCount() - start;
        if (waited >= kSafetyLimitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kSafetyLimitMs - waited, QS_ALLINPUT);
    }
}

// A top-level window that hosts widgets: paints them, erases to its own background, hands its
// mouse messages to the widgets and records what the widgets and dial fields report.
class TestOwner : public WidgetEventSink {
public:
    struct Event {
        int type;
        int id;
    };

    explicit TestOwner(int x = 40, int y = 40, int width = 200, int height = 160,
                       COLORREF backgroundColour = RGB(0, 128, 0))
        : background(backgroundColour) {
        RegisterOnce();
        PlaceHost(++liveOwners > 0);
        // A child of one window kept for the whole run: top-level windows take seconds to map
        // and unmap under Wine without a window manager, child windows do not.
        hwnd = CreateWindowExA(0, kClass, "widget test", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width,
                               height, Host(), nullptr, GetModuleHandleA(nullptr), this);
        SetWidgetEventSink(hwnd, this);
        UpdateWindow(hwnd);
        PumpMessages();
    }
    ~TestOwner() override {
        SetWidgetEventSink(hwnd, nullptr);
        DestroyWindow(hwnd);
        PlaceHost(--liveOwners > 0);
        PumpMessages();
    }
    TestOwner(const TestOwner&) = delete;
    TestOwner& operator=(const TestOwner&) = delete;

    void OnWidgetEvent(int type, int, int, int id) override { events.push_back({type, id}); }

    // Handles messages until this window has handled `message` at the pointer's position (a double
    // click counting as a press): real input sent before has then been handled up to that point.
    bool AwaitMouse(UINT message) {
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(hwnd, &at);
        return PumpUntil([&] {
            while (mouseAwaited < mouse.size()) {
                const MouseMessage& m = mouse[mouseAwaited++];
                if (m.message == message && m.x == at.x && m.y == at.y) return true;
            }
            return false;
        });
    }

    // Paints everything that is invalid now.
    void Repaint() {
        UpdateWindow(hwnd);
        PumpMessages();
    }

    COLORREF ScreenPixel(int x, int y) const {
        HDC dc = GetDC(hwnd);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(hwnd, dc);
        return c;
    }

    HWND hwnd = nullptr;
    COLORREF background;
    int erases = 0;
    std::vector<int> dispatched; // ids that DispatchMouse returned from window messages
    std::vector<Event> events;   // events raised by dial text fields

    struct MouseMessage {
        UINT message; // a double click is recorded as a press
        int x;
        int y;
    };
    std::vector<MouseMessage> mouse; // every mouse message handled, in order

private:
    static constexpr const char* kClass = "KestrelWidgetTestOwner";
    size_t mouseAwaited = 0; // mouse messages AwaitMouse has looked at

public:
    // The window every test owner lives in.
    static HWND Host() {
        static HWND host = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
            wc.lpszClassName = "KestrelWidgetTestHost";
            RegisterClassA(&wc);
            HWND h = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "widget tests",
                                     WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 420, 420, nullptr,
                                     nullptr, wc.hInstance, nullptr);
            UpdateWindow(h);
            PumpMessages();
            return h;
        }();
        return host;
    }

private:
    // Keeps the host on top only while widget tests use it, so it never covers other tests'
    // windows; restacking is quick where moving away, hiding and showing again are not.
    static void PlaceHost(bool inUse) {
        SetWindowPos(Host(), inUse ? HWND_TOPMOST : HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }

    static inline int liveOwners = 0;

    static void RegisterOnce() {
        static bool registered = false;
        if (registered) return;
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
        registered = true;
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<TestOwner*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
        return self->Handle(hwnd, message, wParam, lParam);
    }

    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        const int x = static_cast<short>(LOWORD(lParam));
        const int y = static_cast<short>(HIWORD(lParam));
        switch (message) {
        case WM_ERASEBKGND: {
            ++erases;
            RECT r;
            GetClientRect(window, &r);
            FillRect(reinterpret_cast<HDC>(wParam), &r, GdiBrush(CreateSolidBrush(background)).Get());
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            PaintWidgets(dc, window);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: return Route(message, WidgetEvent::Down, x, y);
        case WM_LBUTTONUP: return Route(message, WidgetEvent::Up, x, y);
        case WM_RBUTTONDOWN: return Route(message, WidgetEvent::RightDown, x, y);
        case WM_MOUSEMOVE: return Route(message, WidgetEvent::Move, x, y);
        default: return DefWindowProcA(window, message, wParam, lParam);
        }
    }

    LRESULT Route(UINT message, int type, int x, int y) {
        mouse.push_back({message == WM_LBUTTONDBLCLK ? WM_LBUTTONDOWN : message, x, y});
        if (type != WidgetEvent::RightDown) SetCursorAt(x, y, hwnd);
        if (const int id = DispatchMouse(type, x, y, hwnd)) dispatched.push_back(id);
        return 0;
    }
};

// Real mouse input at a screen position, as the system queues it; flags add button changes.
inline void SendMouse(int x, int y, DWORD flags) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65535) / (width - 1);
    in.mi.dy = (y * 65535) / (height - 1);
    in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
    SendInput(1, &in, sizeof in);
}

// Sends real mouse input and waits until `owner` has handled it: the button change, or the move.
// A move to where the pointer already is brings no message, so none is awaited then.
inline bool MouseTo(TestOwner& owner, int x, int y, DWORD flags = 0) {
    POINT before{};
    GetCursorPos(&before);
    SendMouse(x, y, flags);
    if (flags & MOUSEEVENTF_LEFTDOWN) return owner.AwaitMouse(WM_LBUTTONDOWN);
    if (flags & MOUSEEVENTF_LEFTUP) return owner.AwaitMouse(WM_LBUTTONUP);
    POINT after{};
    GetCursorPos(&after);
    if (after.x == before.x && after.y == before.y) {
        PumpMessages();
        return true;
    }
    return owner.AwaitMouse(WM_MOUSEMOVE);
}

// A 32-bit colour surface with a device context, for painting and reading pixels back.
class Canvas {
public:
    Canvas(int pixelsWide, int pixelsHigh, COLORREF fill) : width(pixelsWide), height(pixelsHigh) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = pixelsWide;
        info.bmiHeader.biHeight = -pixelsHigh; // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap.Reset(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        pixels = static_cast<DWORD*>(bits);
        previous = SelectObject(dc, bitmap.Get());
        Fill(fill);
    }
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void Fill(COLORREF c) {
        RECT r{0, 0, width, height};
        FillRect(dc, &r, GdiBrush(CreateSolidBrush(c)).Get());
    }

    COLORREF Pixel(int x, int y) const {
        GdiFlush();
        const DWORD p = pixels[y * width + x]; // 0x00RRGGBB
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

    // True when every pixel of r has colour c.
    bool AllOf(const RECT& r, COLORREF c) const {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (Pixel(x, y) != c) return false;
        return true;
    }

    HDC dc = nullptr;
    int width;
    int height;

private:
    GdiBitmap bitmap; // deleted after the destructor has deselected it
    HGDIOBJ previous = nullptr;
    DWORD* pixels = nullptr;
};

// A one-bit bitmap from rows of '#' (black) and '.' (white).
inline HBITMAP MakeMonoBitmap(const std::vector<std::string>& rows) {
    const int width = static_cast<int>(rows.at(0).size());
    const int height = static_cast<int>(rows.size());
    const int stride = ((width + 15) / 16) * 2; // rows are word aligned
    std::vector<BYTE> bits(static_cast<size_t>(stride * height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (rows[y][x] == '.') bits[y * stride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    return CreateBitmap(width, height, 1, 1, bits.data());
}

// Serves pictures from a table while installed; other names are missing.
class TestPictures {
public:
    explicit TestPictures(std::vector<std::pair<std::string, std::vector<std::string>>> pictures)
        : table(std::move(pictures)) {
        SetBitmapLoader([this](const std::string& name) -> HBITMAP {
            ++loads;
            for (const auto& entry : this->table)
                if (entry.first == name) return MakeMonoBitmap(entry.second);
            return nullptr;
        });
    }
    ~TestPictures() { SetBitmapLoader(nullptr); }
    TestPictures(const TestPictures&) = delete;
    TestPictures& operator=(const TestPictures&) = delete;

    int loads = 0;

private:
    std::vector<std::pair<std::string, std::vector<std::string>>> table;
};

// Keyboard and mouse state chosen by the test, installed while it lives.
class FakeInput : public WidgetInput {
public:
    FakeInput() { SetWidgetInput(this); }
    ~FakeInput() override { SetWidgetInput(nullptr); }
    FakeInput(const FakeInput&) = delete;
    FakeInput& operator=(const FakeInput&) = delete;

    bool ControlHeld() override { return control; }
    bool LeftButtonHeld() override { return leftButton; }

    bool control = false;
    bool leftButton = false;
};

} // namespace widget_test
