#pragma once
// Posted messages on Windows: to this copy's main window, and to every top-level window whose
// title begins with the program's caption (the running copies, found by their windows).
#include <windows.h>

#include "playback/EngineSeams.h"

// Only this many windows from the top of the Z order are examined.
inline constexpr int kBroadcastWindowLimit = 100;

// Posts to every top-level window, from the top of the Z order down, whose title begins with the
// caption; `anyWindow` is any top-level window (null: the desktop's topmost). Returns the number
// of windows posted to, whether or not each post succeeded.
int BroadcastToCopies(HWND anyWindow, UINT message, WPARAM wParam, LPARAM lParam);

class MessagePosterWin32 : public MessagePoster {
public:
    explicit MessagePosterWin32(HWND window = nullptr) : mainWindow(window) {}
    void SetWindow(HWND window) { mainWindow = window; }

    void PostToSelf(unsigned message, uintptr_t wParam, intptr_t lParam) override;
    int BroadcastToCopies(unsigned message, uintptr_t wParam, intptr_t lParam) override;

private:
    HWND mainWindow;
};
