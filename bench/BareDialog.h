#pragma once
// What the bare dialog program and the start-up benchmark agree on.
#include <windows.h>

inline constexpr int kBareDialogWidth = 707;
inline constexpr int kBareDialogHeight = 111;
inline constexpr COLORREF kBareDialogColour = RGB(12, 34, 56);
inline constexpr char kBareDialogTitle[] = "bare dialog";
