#pragma once
// Test build only: lets a test hand the running program a path as if it had been dropped on the
// window, ask for a save, and ask whether a key is held, by WM_COPYDATA from another process.
// Never part of the release.
#include <windows.h>

class MainWindow;

inline constexpr ULONG_PTR kProbeDropPath = 0x4B42'4450; // the data is a UTF-8 path, without its zero
inline constexpr ULONG_PTR kProbeSave = 0x4B42'5356;     // no data: the Save command
// The data is one virtual-key code; the answer (the message's result) is whether the window's own
// thread sees that key held now, read as its handlers read the modifiers. Each process keeps
// the key state it last read for a while, so a key held from outside counts only once this
// answers yes.
inline constexpr ULONG_PTR kProbeKeyHeld = 0x4B42'4B48;

// Posted to the main window: when the program takes it from its queue, everything posted before
// it has been handled; it then paints what is pending and sets the named event below, so another
// process can time input until its effect is on the screen.
inline constexpr UINT kProbeEchoMessage = WM_APP + 0x4C;
inline constexpr char kProbeEchoEvent[] = "KestrelboxProbeEcho";

// Has window answer the requests above.
void InstallProbeHooks(MainWindow& window);
