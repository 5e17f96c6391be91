#include "widgets/MonoImage.h"

#include "common/SystemWin32.h"

namespace {

BitmapLoader& InstalledLoader() {
    static BitmapLoader loader;
    return loader;
}

HBITMAP LoadFromResources(const std::string& name) {
    // LR_MONOCHROME keeps the picture one bit deep whatever its colour table says, so that the
    // copy to a colour context recolours it.
    return static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), name.c_str(), IMAGE_BITMAP, 0, 0, LR_MONOCHROME));
}

// A single white (paper) pixel stands in for a picture that is missing.
HBITMAP MakePlaceholder() {
    const WORD white = 0xFFFF;
    return CreateBitmap(1, 1, 1, 1, &white);
}

SIZE SizeOf(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return SIZE{1, 1};
    return SIZE{info.bmWidth, info.bmHeight};
}

} // namespace

void SetBitmapLoader(BitmapLoader loader) { InstalledLoader() = std::move(loader); }

HBITMAP LoadMonoBitmap(const std::string& name) {
    const BitmapLoader& loader = InstalledLoader();
    HBITMAP bitmap = loader ? loader(name) : LoadFromResources(name);
    return bitmap ? bitmap : MakePlaceholder();
}

MonoImage::MonoImage() : MonoImage(IsNtFamily()) {}

MonoImage::MonoImage(bool keep) : keepLoaded(keep) {}

void MonoImage::SetName(const std::string& newName) {
    name = newName;
    if (keepLoaded) bitmap.Reset(LoadMonoBitmap(name));
}

SIZE MonoImage::GetSize() const {
    if (keepLoaded) return SizeOf(bitmap.Get());
    GdiBitmap loaded(LoadMonoBitmap(name));
    return SizeOf(loaded.Get());
}

void MonoImage::DrawAt(HDC dc, COLORREF ink, COLORREF paper, int x, int y) const {
    GdiBitmap loaded;
    HBITMAP source = bitmap.Get();
    if (!keepLoaded || !source) {
        loaded.Reset(LoadMonoBitmap(name));
        source = loaded.Get();
    }
    const SIZE size = SizeOf(source);
    SavedDCState saved(dc);
    // A one-bit source copied to a colour context paints 0 bits in the text colour and 1 bits in
    // the background colour: that is the whole recolouring.
    SetTextColor(dc, ink);
    SetBkColor(dc, paper);
    // One memory context for every picture: making and freeing one per picture at every paint
    // cost more than the copy itself. It is compatible with the screen, which any one-bit source
    // can be selected into; the picture is taken out again after the copy.
    static MemoryDC memory(nullptr);
    SelectedObject selected(memory.Get(), source);
    BitBlt(dc, x, y, size.cx, size.cy, memory.Get(), 0, 0, SRCCOPY);
}
