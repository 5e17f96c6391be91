#pragma once
// The About box: a small caption-less window with the program's name, a slash pattern and two
// link lines to the program's web page. It holds the mouse while it is open, so a click on a link
// line opens the page and a click anywhere else closes the box, inside it or not.
#include <windows.h>

#include "widgets/SkinPalette.h"

// What the box takes from the main window: it is centred over owner and drawn in the main
// window's colours.
struct AboutBoxArgs {
    HWND owner = nullptr;
    COLORREF background = 0;
    HBRUSH backgroundBrush = nullptr; // owned by the caller, returned for every colour request
    SkinPalette palette;
};

// Runs the box modally (dialog resource 100) and returns 1 when it closes, or -1 when it could
// not be created.
INT_PTR ShowAboutBox(const AboutBoxArgs& args);
