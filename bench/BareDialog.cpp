// A bare dialog program, the yardstick for the panel's start-up: an empty dialog of the main
// window's client size whose background is one colour the start-up benchmark looks for.
#include <windows.h>

#include "BareDialog.h"

namespace {

HBRUSH paper = nullptr;

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        RECT r{0, 0, kBareDialogWidth, kBareDialogHeight};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
        SetWindowPos(dialog, nullptr, 100, 100, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
        return TRUE;
    }
    case WM_CTLCOLORDLG: return reinterpret_cast<INT_PTR>(paper);
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    default: return FALSE;
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    paper = CreateSolidBrush(kBareDialogColour);
    // A template with no controls: style, counts, position and size, then no menu, the default
    // class and the caption, all in 16-bit words.
    alignas(4) WORD words[64] = {};
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words);
    header->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE | DS_CENTER;
    header->cdit = 0;
    header->cx = 400;
    header->cy = 80;
    WORD* tail = reinterpret_cast<WORD*>(header + 1);
    *tail++ = 0; // no menu
    *tail++ = 0; // the dialog class
    for (const char* c = kBareDialogTitle; *c != '\0'; ++c)
        *tail++ = static_cast<WORD>(static_cast<unsigned char>(*c));
    *tail++ = 0;
    const INT_PTR result = DialogBoxIndirectParamA(instance, header, nullptr, Proc, 0);
    DeleteObject(paper);
    return static_cast<int>(result);
}
