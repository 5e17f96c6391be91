#pragma once
// A named one-bit picture from the program's resources, drawn in two colours chosen at run
// time: black pixels in the ink colour, white pixels in the paper colour.
#include <windows.h>

#include <functional>
#include <string>

#include "widgets/GdiHandles.h"

class MonoImage {
public:
    // Holds its bitmap for its lifetime on the NT family; on Windows 9x it loads the bitmap for
    // each use and frees it at once, so scarce GDI memory holds no pictures between paints.
    MonoImage();
    explicit MonoImage(bool keepLoaded);
    virtual ~MonoImage() = default;
    MonoImage(const MonoImage&) = delete;
    MonoImage& operator=(const MonoImage&) = delete;

    void SetName(const std::string& name);
    bool KeepsLoaded() const { return keepLoaded; }

    // Width and height in pixels; 1 x 1 for a picture that cannot be loaded.
    SIZE GetSize() const;

    // Draws the whole picture at natural size with its top-left corner at (x, y).
    void DrawAt(HDC dc, COLORREF ink, COLORREF paper, int x, int y) const;

private:
    std::string name;
    GdiBitmap bitmap;
    bool keepLoaded;
};

// Loads a named picture as a monochrome bitmap; a 1 x 1 bitmap when there is none by that name.
// The caller owns the result.
HBITMAP LoadMonoBitmap(const std::string& name);

// Where pictures come from: by default the bitmap resources of the program's module. A loader
// returns a new bitmap the caller owns, or nullptr when it has none of that name.
using BitmapLoader = std::function<HBITMAP(const std::string& name)>;
void SetBitmapLoader(BitmapLoader loader); // an empty loader restores the default
