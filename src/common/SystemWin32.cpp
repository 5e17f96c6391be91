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

bool KeepTimerResolutionWhenHidden() {
    // Looked up, not linked: the import would keep the program from starting on older systems.
    using SetInformation = BOOL(WINAPI*)(HANDLE, PROCESS_INFORMATION_CLASS, LPVOID, DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return false;
    const auto set = reinterpret_cast<SetInformation>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessInformation")));
    if (set == nullptr) return false;
    PROCESS_POWER_THROTTLING_STATE state{};
    state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
    state.ControlMask = PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION;
    state.StateMask = 0; // this process's timer resolution requests are always honoured
    return set(GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof state) != FALSE;
}
