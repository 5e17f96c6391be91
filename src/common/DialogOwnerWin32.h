#pragma once
// The object behind a dialog procedure: handed to the dialog as its creation parameter and kept
// in DWLP_USER from WM_INITDIALOG on. Windows only.
#include <windows.h>

// The dialog's object; null for the messages that arrive before WM_INITDIALOG and after
// ForgetDialogOwner.
template <typename Owner> Owner* DialogOwner(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    return reinterpret_cast<Owner*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// From now on the dialog's messages reach no object.
inline void ForgetDialogOwner(HWND dialog) { SetWindowLongPtrA(dialog, DWLP_USER, 0); }
