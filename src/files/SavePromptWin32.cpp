#include "files/SavePromptWin32.h"

#include "common/WideTextWin32.h"

namespace {

// The dialog's results for its three buttons.
constexpr INT_PTR kCancelled = 0, kSaveChosen = 1, kDontSaveChosen = 2;

} // namespace

SaveAnswer SavePromptWin32::Ask(const std::string& text) {
    // A Unicode dialog, so a name in any script reaches its text whole.
    const std::wstring wide = Wide(text);
    const INT_PTR answer = DialogBoxParamW(GetModuleHandleW(nullptr), L"SAVECHANGESDLG", owner, DialogProc,
                                           reinterpret_cast<LPARAM>(&wide));
    // A dialog that could not be shown asks nothing, so nothing may be lost: as Cancel.
    if (answer < 0 || answer == kCancelled) return SaveAnswer::Cancel;
    return answer == kSaveChosen ? SaveAnswer::Save : SaveAnswer::DontSave;
}

INT_PTR CALLBACK SavePromptWin32::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextW(dialog, kTextId, reinterpret_cast<const std::wstring*>(lParam)->c_str());
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: EndDialog(dialog, kSaveChosen); return TRUE;
        case IDCANCEL: EndDialog(dialog, kCancelled); return TRUE;
        case kDontSaveId: EndDialog(dialog, kDontSaveChosen); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}
