#pragma once
// Invalidations gathered while a window message is handled. Under Wine every InvalidateRect is a
// round trip to the display server, and one click or one measure change touches dozens of
// widgets; so while a message of a widget owner is being handled, the areas its widgets (and the
// text fields) ask to repaint are gathered into one region per window, and handed to the system
// when the outermost handled message returns, before anything can paint. Outside any handled
// message an invalidation goes to the system at once, as before.
//
// A handler that enters a modal loop of its own (a menu, a dialog, a message box) wraps it in a
// ModalLoopScope: what was gathered is handed over first, and the messages the loop dispatches
// are batched and flushed each on their own, as if they came from the main loop. Owners also
// flush on WM_ENTERIDLE, which modal loops send while they wait. UI thread only.
#include <windows.h>

enum class EraseBackground { No, Yes };

// Asks for area (the whole client area when null) of window to be repainted, at once or at the
// end of the handled message.
void InvalidateLater(HWND window, const RECT* area, EraseBackground erase);

// Hands everything gathered so far to the system.
void FlushInvalidations();

// Open while a window message is handled; the outermost one flushes when it closes.
class InvalidationScope {
public:
    InvalidationScope();
    ~InvalidationScope();
    InvalidationScope(const InvalidationScope&) = delete;
    InvalidationScope& operator=(const InvalidationScope&) = delete;
};

// Around a nested message loop entered from inside a handled message.
class ModalLoopScope {
public:
    ModalLoopScope();
    ~ModalLoopScope();
    ModalLoopScope(const ModalLoopScope&) = delete;
    ModalLoopScope& operator=(const ModalLoopScope&) = delete;

private:
    int outerDepth;
};

// For tests and benchmarks: how many times the system was asked to repaint something.
long InvalidationRequests();
