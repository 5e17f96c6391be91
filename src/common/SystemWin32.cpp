#include "common/SystemWin32.h"

#include <windows.h>

bool IsNtFamily() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL known = GetVersionExA(&info);
#pragma GCC diagnostic pop
    return !known || info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

namespace {

// The high bit of a key state: the key is down.
bool DownIn(SHORT keyState) { return (keyState & 0x8000) != 0; }

} // namespace

bool KeyHeldNow(int virtualKey) { return DownIn(GetAsyncKeyState(virtualKey)); }

bool KeyHeldInMessage(int virtualKey) { return DownIn(GetKeyState(virtualKey)); }

bool ControlKeyHeld() { return KeyHeldNow(VK_CONTROL); }
