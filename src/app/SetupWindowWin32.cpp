#include "app/SetupWindowWin32.h"

#include "app/MainWindow.h"
#include "common/NoteBoxWin32.h"
#include "common/WideTextWin32.h"
#include "widgets/Cursors.h"

namespace {

ScreenRect FromRect(const RECT& r) { return ScreenRect{r.left, r.top, r.right, r.bottom}; }

} // namespace

ScreenPoint RestoredTopLeft(HWND window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) {
        RECT r{};
        GetWindowRect(window, &r);
        return ScreenPoint{r.left, r.top};
    }
    // The restored rectangle is in work-area coordinates unless the window is a tool window;
    // the difference is where the taskbar sits on that monitor.
    const RECT& normal = placement.rcNormalPosition;
    ScreenPoint at{normal.left, normal.top};
    if ((GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (GetMonitorInfoA(MonitorFromRect(&normal, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
            at.x += monitor.rcWork.left - monitor.rcMonitor.left;
            at.y += monitor.rcWork.top - monitor.rcMonitor.top;
        }
    }
    return at;
}

void MoveOntoScreen(HWND window, ScreenPoint topLeft) {
    RECT now{};
    GetWindowRect(window, &now);
    const int width = now.right - now.left;
    const int height = now.bottom - now.top;
    RECT wanted{topLeft.x, topLeft.y, topLeft.x + width, topLeft.y + height};
    if (MonitorFromRect(&wanted, MONITOR_DEFAULTTONULL) == nullptr) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (GetMonitorInfoA(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor))
            topLeft = KeepInside(topLeft, width, height, FromRect(monitor.rcWork));
    }
    SetWindowPos(window, nullptr, topLeft.x, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetupWindowWin32::HideMeasurePopup() {
    if (window.Panel().IsBuilt()) window.Panel().Popup().Hide();
}

void SetupWindowWin32::Hide() { ShowWindow(window.Handle(), SW_HIDE); }

void SetupWindowWin32::Show() { ShowWindow(window.Handle(), SW_SHOW); }

void SetupWindowWin32::SetCaption(const std::string& title) {
    SetWindowTextW(window.Handle(), Wide(title).c_str());
}

void SetupWindowWin32::ResizeToSteps(int steps) { window.Panel().ResizeToSteps(steps); }

void SetupWindowWin32::MoveTo(ScreenPoint topLeft) { MoveOntoScreen(window.Handle(), topLeft); }

void SetupWindowWin32::ApplySkin(uint32_t colour) { window.ApplySkin(static_cast<COLORREF>(colour)); }

void SetupWindowWin32::UpdateColumnCount() { window.Panel().UpdateColumnCount(); }

ScreenPoint SetupWindowWin32::RestoredPosition() { return RestoredTopLeft(window.Handle()); }

uint32_t SetupWindowWin32::SkinColour() { return window.Panel().SkinColour(); }

void SetupWindowWin32::FocusHandling() { window.FocusHandling(); }

void SetupWindowWin32::ShowBusy(Busy busy) {
    // The next mouse move gives the panel's cursors back in any case.
    if (busy == Busy::Yes)
        beforeBusy = SetCursor(LoadSystemCursor(IDC_WAIT));
    else
        SetCursor(beforeBusy);
}

void SetupWindowWin32::ShowMessage(const std::string& text) { ShowNote(text); }
