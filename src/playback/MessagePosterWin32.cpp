#include "playback/MessagePosterWin32.h"

#include <cstring>

#include "song/SongDocument.h"

namespace {

bool TitleBeginsWithCaption(HWND window) {
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    return std::strncmp(title, kCaption, kCaptionMatchLength) == 0;
}

HWND FirstInZOrder(HWND anyWindow) {
    return anyWindow != nullptr ? GetWindow(anyWindow, GW_HWNDFIRST) : GetTopWindow(nullptr);
}

} // namespace

int BroadcastToCopies(HWND anyWindow, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = FirstInZOrder(anyWindow);
    const HWND last = window != nullptr ? GetWindow(window, GW_HWNDLAST) : nullptr;
    int count = 0;
    for (int examined = 0; window != nullptr && examined < kBroadcastWindowLimit; ++examined) {
        if (TitleBeginsWithCaption(window)) {
            PostMessageA(window, message, wParam, lParam);
            ++count;
        }
        if (window == last) break;
        window = GetWindow(window, GW_HWNDNEXT); // null when the list changed under us
    }
    return count;
}

void MessagePosterWin32::PostToSelf(unsigned message, uintptr_t wParam, intptr_t lParam) {
    // Without a window a post would land in the calling thread's queue, possibly the timer's.
    if (mainWindow != nullptr) PostMessageA(mainWindow, message, wParam, lParam);
}

int MessagePosterWin32::BroadcastToCopies(unsigned message, uintptr_t wParam, intptr_t lParam) {
    return ::BroadcastToCopies(mainWindow, message, wParam, lParam);
}
