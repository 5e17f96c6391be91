#include "playback/KeyStateWin32.h"

#include <windows.h>

bool KeyStateWin32::ControlHeld() { return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; }
