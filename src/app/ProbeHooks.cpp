#include "app/ProbeHooks.h"

#include <shlobj.h>

#include <cstring>
#include <string>

#include "app/MainWindow.h"
#include "common/SystemWin32.h"
#include "common/WideTextWin32.h"

namespace {

constexpr UINT kSaveRequest = WM_APP + 0x4B;

// A drop block as the shell makes one: the header, then the names in UTF-16, each ending in a
// zero, and one more zero at the end. The window's WM_DROPFILES handling owns and releases it.
HDROP MakeDrop(const std::string& utf8Path) {
    const std::wstring path = Wide(utf8Path);
    const size_t size = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (memory == nullptr) return nullptr;
    auto* block = static_cast<DROPFILES*>(GlobalLock(memory));
    block->pFiles = sizeof(DROPFILES);
    block->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(block) + sizeof(DROPFILES), path.data(),
                path.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// The drop and the save are posted, so they are carried out after the sender has been released,
// as the shell's drop would be; the key is read while the sender waits for the answer.
bool TakeRequest(MainWindow& window, const COPYDATASTRUCT& data) {
    if (data.dwData == kProbeKeyHeld && data.cbData == 1 && data.lpData != nullptr)
        return KeyHeldNow(*static_cast<const unsigned char*>(data.lpData));
    if (data.dwData == kProbeDropPath && data.lpData != nullptr) {
        HDROP drop = MakeDrop(std::string(static_cast<const char*>(data.lpData), data.cbData));
        return drop != nullptr &&
               PostMessageA(window.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    }
    if (data.dwData == kProbeSave) return PostMessageA(window.Handle(), kSaveRequest, 0, 0) != 0;
    return false;
}

MainWindow* probed = nullptr;

void Echo() {
    RedrawWindow(probed->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    static HANDLE event = nullptr;
    if (event == nullptr) event = OpenEventA(EVENT_MODIFY_STATE, FALSE, kProbeEchoEvent);
    if (event != nullptr) SetEvent(event);
}

LRESULT CALLBACK WatchPostedMessages(int code, WPARAM wParam, LPARAM lParam) {
    auto* posted = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && probed != nullptr && posted->hwnd == probed->Handle() &&
        (posted->message == kSaveRequest || posted->message == kProbeEchoMessage)) {
        const UINT request = posted->message;
        posted->message = WM_NULL;
        if (request == kSaveRequest)
            probed->Files().Save();
        else
            Echo();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

void InstallProbeHooks(MainWindow& window) {
    probed = &window;
    window.SetCopyDataHandler(TakeRequest);
    SetWindowsHookExA(WH_GETMESSAGE, WatchPostedMessages, nullptr, GetCurrentThreadId());
}
