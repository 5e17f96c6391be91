#include "app/ProbeHooks.h"

#include <shlobj.h>

#include <cstring>
#include <string>

#include "app/MainWindow.h"

namespace {

MainWindow* probed = nullptr;

// A drop block as the shell makes one: the header, then the names, each ending in a zero, and
// one more zero at the end. The window's WM_DROPFILES handling owns and releases it.
HDROP MakeDrop(const std::string& path) {
    const size_t size = sizeof(DROPFILES) + path.size() + 2;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (memory == nullptr) return nullptr;
    auto* block = static_cast<DROPFILES*>(GlobalLock(memory));
    block->pFiles = sizeof(DROPFILES);
    block->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(block) + sizeof(DROPFILES), path.data(), path.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

LRESULT CALLBACK WatchSentMessages(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && probed != nullptr && sent->message == WM_COPYDATA &&
        sent->hwnd == probed->Handle()) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(sent->lParam);
        if (data->dwData == kProbeDropPath && data->lpData != nullptr) {
            const std::string path(static_cast<const char*>(data->lpData), data->cbData);
            // Posted, so the drop arrives as the shell's would: after the sender is released.
            if (HDROP drop = MakeDrop(path))
                PostMessageA(probed->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        } else if (data->dwData == kProbeSave) {
            PostMessageA(probed->Handle(), WM_APP + 0x4B, 0, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK WatchPostedMessages(int code, WPARAM wParam, LPARAM lParam) {
    auto* posted = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && probed != nullptr && posted->hwnd == probed->Handle() &&
        posted->message == WM_APP + 0x4B) {
        posted->message = WM_NULL;
        probed->Files().Save();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

void InstallProbeHooks(MainWindow& window) {
    probed = &window;
    SetWindowsHookExA(WH_CALLWNDPROC, WatchSentMessages, nullptr, GetCurrentThreadId());
    SetWindowsHookExA(WH_GETMESSAGE, WatchPostedMessages, nullptr, GetCurrentThreadId());
}
