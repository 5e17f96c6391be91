// A bare dialog program, the yardstick for the panel: an empty dialog of the main window's client
// size whose background is one colour the start-up benchmark looks for, holding 17 plain edit
// controls where the panel has its text fields. It answers the same echo request as the test
// build (paint what is pending, then set the named event) and writes the same start-up phases.
// A click does to the edits what the panel's clicks do to its fields: above a field it writes
// that field's number anew (a note arrow), left of the fields it writes all sixteen (a measure).
#include <windows.h>

#include "BareDialog.h"
#include "app/ProbeHooks.h"
#include "app/StartupPhases.h"

namespace {

HBRUSH paper = nullptr;
bool closed = false;

void AddEdits(HWND dialog) {
    // Sixteen where the note fields lie, one where the tempo field lies.
    for (int k = 0; k < 16; ++k)
        CreateWindowExA(0, "EDIT", "0", WS_CHILD | WS_VISIBLE | ES_CENTER, 94 + 38 * k + 8, 67, 21, 15,
                        dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + k)),
                        GetModuleHandleA(nullptr), nullptr);
    CreateWindowExA(0, "EDIT", "126", WS_CHILD | WS_VISIBLE, 16, 94, 53, 13, dialog,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(1008)), GetModuleHandleA(nullptr), nullptr);
}

int clicks = 0;

void OnClick(HWND dialog, int x, int y) {
    ++clicks;
    char number[16];
    if (x < 94) {
        for (int k = 0; k < 16; ++k) {
            wsprintfA(number, "%d", (k * 7 + clicks * 11) % 120 - 59);
            SetDlgItemTextA(dialog, 100 + k, number);
        }
    } else if (y < 67) {
        wsprintfA(number, "%d", clicks % 120 - 59);
        SetDlgItemTextA(dialog, 100 + (x - 94) / 38, number);
    }
}

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        StartupPhase("dialog created");
        RECT r{0, 0, kBareDialogWidth, kBareDialogHeight};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
        SetWindowPos(dialog, nullptr, 100, 100, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
        AddEdits(dialog);
        StartupPhase("initialised");
        return TRUE;
    }
    case WM_CTLCOLORDLG: return reinterpret_cast<INT_PTR>(paper);
    case WM_LBUTTONUP:
        OnClick(dialog, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return TRUE;
    case WM_CLOSE: DestroyWindow(dialog); return TRUE;
    case WM_DESTROY: closed = true; return FALSE;
    default: return FALSE;
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    StartupPhase("WinMain");
    paper = CreateSolidBrush(kBareDialogColour);
    // A template with no controls: style, counts, position and size, then no menu, the default
    // class and the caption, all in 16-bit words.
    alignas(4) WORD words[64] = {};
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words);
    header->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_CENTER;
    header->cdit = 0;
    header->cx = 400;
    header->cy = 80;
    WORD* tail = reinterpret_cast<WORD*>(header + 1);
    *tail++ = 0; // no menu
    *tail++ = 0; // the dialog class
    for (const char* c = kBareDialogTitle; *c != '\0'; ++c)
        *tail++ = static_cast<WORD>(static_cast<unsigned char>(*c));
    *tail++ = 0;
    // Modeless with a loop of its own, as the program runs its window.
    HWND dialog = CreateDialogIndirectParamA(instance, header, nullptr, Proc, 0);
    if (dialog == nullptr) return 1;
    ShowWindow(dialog, SW_SHOW);
    StartupPhase("shown");
    HANDLE echoed = nullptr;
    MSG msg;
    bool idleSeen = false;
    while (!closed) {
        if (!idleSeen && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            idleSeen = true;
            StartupPhase("first idle");
        }
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
        if (msg.message == kProbeEchoMessage) {
            RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            if (echoed == nullptr) echoed = OpenEventA(EVENT_MODIFY_STATE, FALSE, kProbeEchoEvent);
            if (echoed != nullptr) SetEvent(echoed);
            continue;
        }
        if (IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DeleteObject(paper);
    return 0;
}
