#include "app/EditKeysWin32.h"

#include <windows.h>

#include "common/SystemWin32.h"

bool EditKeysWin32::ShiftHeld() { return KeyHeldNow(VK_SHIFT); }

bool EditKeysWin32::AltHeld() { return KeyHeldNow(VK_MENU); }
