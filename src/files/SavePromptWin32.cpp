#include "files/SavePromptWin32.h"

#include "common/WideTextWin32.h"

int SavePromptWin32::Ask(const std::string& text) {
    // A Unicode dialog, so a name in any script reaches its text whole.
    const std::wstring wide = Wide(text);
    const INT_PTR answer = DialogBoxParamW(GetModuleHandleW(nullptr), L"SAVECHANGESDLG", owner_, DialogProc,
                                           reinterpret_cast<LPARAM>(&wide));
    // A dialog that could not be shown asks nothing, so nothing may be lost: as Cancel.
    return answer < 0 ? Cancel : static_cast<int>(answer);
}

INT_PTR CALLBACK SavePromptWin32::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextW(dialog, kTextId, reinterpret_cast<const std::wstring*>(lParam)->c_str());
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: EndDialog(dialog, Save); return TRUE;
        case IDCANCEL: EndDialog(dialog, Cancel); return TRUE;
        case kDontSaveId: EndDialog(dialog, DontSave); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}
