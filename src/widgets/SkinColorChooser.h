#pragma once
// The colour chooser of the Change Color command.
#include <windows.h>

#include "widgets/SkinPalette.h"

// Opens the system colour dialog fully expanded with the palette's base preselected and returns
// the colour it ends with: the preselected base when the user cancels. The sixteen custom colours
// are random, drawn on the first call and kept for the rest of the run.
COLORREF ChooseSkinColor(const SkinPalette& palette, HWND owner);
