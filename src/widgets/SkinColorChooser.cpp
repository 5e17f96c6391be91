#include "widgets/SkinColorChooser.h"

#include <commdlg.h>

namespace {

COLORREF* CustomColors() {
    static COLORREF colours[16];
    static bool drawn = false;
    if (!drawn) {
        uint32_t random[16];
        DrawCustomColors(random);
        for (int i = 0; i < 16; ++i)
            colours[i] = random[i];
        drawn = true;
    }
    return colours;
}

} // namespace

COLORREF ChooseSkinColor(const SkinPalette& palette, HWND owner) {
    CHOOSECOLORA chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = owner;
    chooser.rgbResult = palette.base;
    chooser.lpCustColors = CustomColors();
    chooser.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&chooser)) return palette.base;
    return chooser.rgbResult;
}
