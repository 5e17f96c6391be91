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

bool ControlKeyHeld() { return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; }
