#include "playback/KeyStateWin32.h"

#include "common/SystemWin32.h"

bool KeyStateWin32::ControlHeld() { return ControlKeyHeld(); }
