#include "app/EditKeysWin32.h"

#include <windows.h>

namespace {
bool Held(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }
} // namespace

bool EditKeysWin32::ShiftHeld() { return Held(VK_SHIFT); }

bool EditKeysWin32::AltHeld() { return Held(VK_MENU); }
