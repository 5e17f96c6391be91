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
    explicit AboutBox(const AboutBoxArgs& aboutArgs) : args(aboutArgs) {}

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
        case WM_MOUSEMOVE: SetCursor(PointerOnLink(hwnd) ? handCursor : arrowCursor); return FALSE;
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
        for (size_t i = 0; i < links.size(); ++i) {
            links[i].Attach(GetDlgItem(hwnd, IDC_ABOUT_LINK1 + static_cast<int>(i)));
            links[i].SetUrl(kAboutWebAddress);
            links[i].SetUnderline(LinkLabel::kUnderlineAlways);
        }
        handCursor = LoadProgramCursor("HANDCUR");
        if (handCursor == nullptr) handCursor = links[0].Cursor();
        arrowCursor = LoadSystemCursor(IDC_ARROW);
        CentreOverOwner(hwnd);
        PostMessageA(hwnd, kTakeMouse, 0, 0);
    }

    void CentreOverOwner(HWND hwnd) const {
        RECT over{};
        if (args.owner == nullptr || !GetWindowRect(args.owner, &over))
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
        links[0].Follow();
        SetCapture(hwnd);
    }

    INT_PTR OnCtlColor(HDC dc, HWND control, HWND hwnd) const {
        SetBkColor(dc, args.background);
        SetTextColor(dc, control == hwnd ? args.palette.contrastLight : TextColourOf(GetDlgCtrlID(control)));
        return reinterpret_cast<INT_PTR>(args.backgroundBrush);
    }

    COLORREF TextColourOf(int id) const {
        switch (id) {
        case IDC_ABOUT_PATTERN: return args.palette.contrastDark;
        case IDC_ABOUT_LINK1:
        case IDC_ABOUT_LINK2: return args.palette.base;
        default: return args.palette.contrastLight;
        }
    }

    const AboutBoxArgs& args;
    std::array<LinkLabel, 2> links;
    HCURSOR handCursor = nullptr;
    HCURSOR arrowCursor = nullptr;
};

} // namespace

INT_PTR ShowAboutBox(const AboutBoxArgs& args) {
    AboutBox box(args);
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), args.owner,
                           AboutBox::DialogProc, reinterpret_cast<LPARAM>(&box));
}
