#include "about/AboutBox.h"

#include <array>

#include "ResourceIds.h"
#include "about/AboutText.h"
#include "about/LinkLabel.h"
#include "common/DialogOwnerWin32.h"
#include "widgets/Cursors.h"

namespace {

// Taking the mouse once the box is shown: showing and activating a window may let the mouse go.
constexpr UINT kTakeMouse = WM_APP + 1;

class AboutBox {
public:
    explicit AboutBox(const AboutBoxArgs& aboutArgs) : args_(aboutArgs) {}

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = DialogOwner<AboutBox>(hwnd, message, lParam);
        if (self == nullptr) return FALSE;
        return self->Handle(hwnd, message, wParam, lParam);
    }

private:
    INT_PTR Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG: OnInitDialog(hwnd); return TRUE;
        case kTakeMouse: SetCapture(hwnd); return TRUE;
        case WM_MOUSEMOVE: SetCursor(PointerOnLink(hwnd) ? handCursor_ : arrowCursor_); return FALSE;
        case WM_LBUTTONDOWN:
        case WM_NCLBUTTONDOWN: OnPress(hwnd); return TRUE;
        case WM_COMMAND: EndDialog(hwnd, 1); return TRUE; // Enter, Escape, the hidden button
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), hwnd);
        case WM_DESTROY:
            if (GetCapture() == hwnd) ReleaseCapture();
            return FALSE;
        default: return FALSE;
        }
    }

    void OnInitDialog(HWND hwnd) {
        for (size_t i = 0; i < links_.size(); ++i) {
            links_[i].Attach(GetDlgItem(hwnd, IDC_ABOUT_LINK1 + static_cast<int>(i)));
            links_[i].SetUrl(kAboutWebAddress);
            links_[i].SetUnderline(LinkLabel::kUnderlineAlways);
        }
        handCursor_ = LoadProgramCursor("HANDCUR");
        if (handCursor_ == nullptr) handCursor_ = links_[0].Cursor();
        arrowCursor_ = LoadSystemCursor(IDC_ARROW);
        CentreOverOwner(hwnd);
        PostMessageA(hwnd, kTakeMouse, 0, 0);
    }

    void CentreOverOwner(HWND hwnd) const {
        RECT over{};
        if (args_.owner == nullptr || !GetWindowRect(args_.owner, &over))
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &over, 0);
        RECT box{};
        GetWindowRect(hwnd, &box);
        const int width = box.right - box.left;
        const int height = box.bottom - box.top;
        const int left = over.left + ((over.right - over.left) - width) / 2;
        const int top = over.top + ((over.bottom - over.top) - height) / 2;
        SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // Whether the pointer of the message being handled lies on a link line. The box holds the
    // mouse, so the lines never see the pointer themselves.
    bool PointerOnLink(HWND hwnd) const {
        const DWORD at = GetMessagePos();
        const POINT pointer{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
        for (int id : {IDC_ABOUT_LINK1, IDC_ABOUT_LINK2}) {
            RECT line{};
            if (GetWindowRect(GetDlgItem(hwnd, id), &line) && PtInRect(&line, pointer)) return true;
        }
        return false;
    }

    void OnPress(HWND hwnd) {
        if (!PointerOnLink(hwnd)) {
            EndDialog(hwnd, 1);
            return;
        }
        // Both lines carry the same address. The mouse is let go while the browser starts or a
        // failure is reported, so the message box's button can be pressed, and taken back after.
        ReleaseCapture();
        links_[0].Follow();
        SetCapture(hwnd);
    }

    INT_PTR OnCtlColor(HDC dc, HWND control, HWND hwnd) const {
        SetBkColor(dc, args_.background);
        SetTextColor(dc, control == hwnd ? args_.palette.contrastLight : TextColourOf(GetDlgCtrlID(control)));
        return reinterpret_cast<INT_PTR>(args_.backgroundBrush);
    }

    COLORREF TextColourOf(int id) const {
        switch (id) {
        case IDC_ABOUT_PATTERN: return args_.palette.contrastDark;
        case IDC_ABOUT_LINK1:
        case IDC_ABOUT_LINK2: return args_.palette.base;
        default: return args_.palette.contrastLight;
        }
    }

    const AboutBoxArgs& args_;
    std::array<LinkLabel, 2> links_;
    HCURSOR handCursor_ = nullptr;
    HCURSOR arrowCursor_ = nullptr;
};

} // namespace

INT_PTR ShowAboutBox(const AboutBoxArgs& args) {
    AboutBox box(args);
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), args.owner,
                           AboutBox::DialogProc, reinterpret_cast<LPARAM>(&box));
}
