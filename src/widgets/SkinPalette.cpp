#include "widgets/SkinPalette.h"

#include "common/Random.h"

namespace {

int RedOf(uint32_t c) { return static_cast<int>(c & 0xFF); }
int GreenOf(uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
int BlueOf(uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }

uint32_t MakeColour(int r, int g, int b) {
    return static_cast<uint32_t>(r) | (static_cast<uint32_t>(g) << 8) | (static_cast<uint32_t>(b) << 16);
}

uint32_t GreyOf(int level) { return MakeColour(level, level, level); }

// Clamps one shaded channel to 0..255 and counts which end it ran past.
int ClampChannel(int v, int& over, int& under) {
    if (v > 255) {
        ++over;
        return 255;
    }
    if (v < 0) {
        ++under;
        return 0;
    }
    return v;
}

} // namespace

uint32_t Shade(uint32_t colour, int direction, ShadeReversal reversal, int step) {
    const int r = RedOf(colour), g = GreenOf(colour), b = BlueOf(colour);
    const int d = direction * step;
    int over = 0, under = 0;
    const int r2 = ClampChannel(r + d, over, under);
    const int g2 = ClampChannel(g + d, over, under);
    const int b2 = ClampChannel(b + d, over, under);
    const bool tooBright = g + d > 305 || (g2 >= 255 && (r2 >= 255 || b2 >= 255));
    if (reversal == ShadeReversal::WhenOutOfRange && (over == 3 || under == 3 || tooBright)) {
        const uint32_t once = Shade(colour, -direction, ShadeReversal::Never, step);
        return Shade(once, -direction, ShadeReversal::Never, step);
    }
    return MakeColour(r2, g2, b2);
}

uint32_t SkinGrey(uint32_t colour) {
    const uint32_t r = RedOf(colour), g = GreenOf(colour), b = BlueOf(colour);
    if (r == g && g == b) return colour & 0xFFFFFF;
    return GreyOf(static_cast<int>((r * g * b / 3) % 256));
}

void SkinPalette::Derive(uint32_t colour) {
    base = SkinGrey(colour);
    baseDark = Shade(base, -1, ShadeReversal::WhenOutOfRange, kShadeStep);
    baseLight = Shade(base, +1, ShadeReversal::WhenOutOfRange, kShadeStep);
    baseLighter = Shade(baseLight, +1, ShadeReversal::WhenOutOfRange, kShadeStep);
    contrast = GreyOf((RedOf(base) + 128) % 256);
    contrastDark = Shade(contrast, -1, ShadeReversal::WhenOutOfRange, kShadeStep);
    contrastLight = Shade(contrast, +1, ShadeReversal::WhenOutOfRange, kShadeStep);
}

void DrawCustomColors(uint32_t (&colours)[16]) {
    for (uint32_t& c : colours) {
        const int b = RandomBelow(256);
        const int g = RandomBelow(256);
        const int r = RandomBelow(256);
        c = MakeColour(r, g, b);
    }
}
