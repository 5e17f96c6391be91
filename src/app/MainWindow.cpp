#include "app/MainWindow.h"

#include "ResourceIds.h"

namespace {

// A cursor of our own, or the system's when the resource is missing.
HCURSOR LoadCursorOr(HINSTANCE instance, const char* name, const char* fallback) {
    HCURSOR cursor = LoadCursorA(instance, name);
    return cursor != nullptr ? cursor : LoadCursorA(nullptr, fallback);
}

} // namespace

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() {
    engine_.Shutdown();
    timer_.StopAndWait(); // the engine must outlive any tick still running inside it
    if (backgroundBrush_ != nullptr) DeleteObject(backgroundBrush_);
}

int MainWindow::RunModal(HINSTANCE instance) {
    hwnd_ = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, DialogProc,
                               reinterpret_cast<LPARAM>(this));
    if (hwnd_ == nullptr) return 1;
    ShowWindow(hwnd_, SW_SHOW);
    MSG msg;
    while (!closed_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (PreTranslate(msg)) continue;
        if (IsDialogMessageA(hwnd_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

INT_PTR CALLBACK MainWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<MainWindow*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    }
    if (self == nullptr) return FALSE;
    return self->HandleMessage(message, wParam, lParam);
}

INT_PTR MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    engine_.HandleMessage(message, wParam, lParam); // never consumes a message
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        return FALSE; // the focus has been set already
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return TRUE;
    case WM_SETCURSOR:
        if (OnSetCursor(LOWORD(lParam))) {
            SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_MOUSEMOVE:
        SetCursor(plainCursor_);
        return TRUE;
    case WM_LBUTTONDOWN:
        FocusHandling();
        return TRUE;
    case WM_CTLCOLORDLG:
        SetBkColor(reinterpret_cast<HDC>(wParam), backgroundColour_);
        SetTextColor(reinterpret_cast<HDC>(wParam), textColour_);
        return reinterpret_cast<INT_PTR>(backgroundBrush_);
    case WM_SIZE:
        if (initialised_) document_.dirty = 1;
        return FALSE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(icon_);
    case WM_COMMAND:
        // Enter and Escape reach the dialog as IDOK and IDCANCEL; neither closes the panel.
        return TRUE;
    case WM_CLOSE:
        OnClose();
        return TRUE;
    case WM_DESTROY:
        // No step may be sounded or posted while the window and its parts go away.
        engine_.Shutdown();
        timer_.StopAndWait();
        closed_ = true;
        return FALSE;
    default:
        return FALSE;
    }
}

bool MainWindow::PreTranslate(MSG& msg) {
    const bool ours = msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd);
    if (ours && msg.message == WM_KEYDOWN && msg.wParam == VK_SPACE) {
        // A held space bar repeats; only the first press toggles, so playback does not flutter.
        if ((msg.lParam & (1 << 30)) == 0) OnSpaceKey();
        return true;
    }
    return false;
}

void MainWindow::OnSpaceKey() {
    playState_.SetPlayButton(!playState_.PlayButtonOn());
    engine_.Toggle();
}

void MainWindow::OnInitDialog() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    char aboutText[128] = {};
    if (LoadStringA(instance, IDS_ABOUT_ITEM, aboutText, sizeof aboutText) > 0) {
        HMENU systemMenu = GetSystemMenu(hwnd_, FALSE);
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, 16, aboutText);
    }
    icon_ = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    if (icon_ != nullptr) {
        SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        // The title bar gets the hand-drawn small image, not the large one shrunk.
        HANDLE small = LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                  GetSystemMetrics(SM_CYSMICON), 0);
        SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small != nullptr ? small : icon_));
    }
    SizeAndCentre();
    backgroundBrush_ = CreateSolidBrush(backgroundColour_);
    plainCursor_ = LoadCursorOr(instance, "NOCUR", MAKEINTRESOURCEA(32512));   // IDC_ARROW
    sizingCursor_ = LoadCursorOr(instance, "SIZECUR", MAKEINTRESOURCEA(32644)); // IDC_SIZEWE
    FocusHandling();
    poster_.SetWindow(hwnd_);
    engine_.Initialise(document_, timer_, *toneOutput_, poster_, playState_, keys_);
    document_.dirty = 0;
    initialised_ = true;
}

SIZE MainWindow::FrameExtra() const {
    RECT window{}, client{};
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
    return SIZE{(window.right - window.left) - client.right, (window.bottom - window.top) - client.bottom};
}

void MainWindow::SizeAndCentre() {
    // Measure the frame rather than trusting AdjustWindowRectEx: the menu-less dialog frame is
    // what the window manager actually gives us.
    const SIZE extra = FrameExtra();
    const int width = kClientWidth + extra.cx;
    const int height = kClientHeight + extra.cy;
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + ((work.right - work.left) - width) / 2;
    const int top = work.top + ((work.bottom - work.top) - height) / 2;
    SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::OnGetMinMaxInfo(MINMAXINFO* info) const {
    if (hwnd_ == nullptr) return;
    const SIZE extra = FrameExtra();
    info->ptMinTrackSize = POINT{kMinClientWidth + extra.cx, kClientHeight + extra.cy};
    info->ptMaxTrackSize = POINT{kClientWidth + extra.cx, kClientHeight + extra.cy};
}

bool MainWindow::OnSetCursor(int hitTest) {
    switch (hitTest) {
    case HTCLIENT:
        return true; // the controls set their own cursors on mouse moves
    case HTLEFT: case HTRIGHT: case HTTOPLEFT: case HTTOPRIGHT: case HTBOTTOMLEFT: case HTBOTTOMRIGHT:
        SetCursor(sizingCursor_);
        return true;
    case HTTOP: case HTBOTTOM:
        SetCursor(plainCursor_);
        return true;
    default:
        return false;
    }
}

void MainWindow::FocusHandling() {
    SetFocus(GetDlgItem(hwnd_, IDC_HIDDEN_BUTTON));
}

void MainWindow::OnClose() {
    DestroyWindow(hwnd_);
}
