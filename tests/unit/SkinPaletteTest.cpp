#include <gtest/gtest.h>

#include <cstdint>

#include "common/Random.h"
#include "widgets/SkinPalette.h"

namespace {

uint32_t Grey(int level) { return static_cast<uint32_t>(level * 0x010101); }
uint32_t Rgb(int r, int g, int b) { return static_cast<uint32_t>(r | (g << 8) | (b << 16)); }

struct Expected {
    const char* what;
    uint32_t skin;
    // contrastDark, contrast, contrastLight, baseDark, base, baseLight, baseLighter (grey levels)
    int levels[7];
};

// Worked out by hand from the shading rule: lighter by 80 while the level stays at most 254,
// otherwise 160 darker; darker by 80 while it stays at least 0, otherwise 160 lighter.
const Expected kCases[] = {
    {"grey 128", Grey(128), {160, 0, 80, 48, 128, 208, 48}},
    {"white", Grey(255), {47, 127, 207, 175, 255, 95, 175}},
    {"grey 174", Grey(174), {206, 46, 126, 94, 174, 254, 94}},
    {"grey 175", Grey(175), {207, 47, 127, 95, 175, 15, 95}},
    {"colour 3 2 1", Rgb(3, 2, 1), {50, 130, 210, 162, 2, 82, 162}},
    {"pure red", Rgb(255, 0, 0), {48, 128, 208, 160, 0, 80, 160}},
    {"pure blue", Rgb(0, 0, 255), {48, 128, 208, 160, 0, 80, 160}},
};

TEST(SkinPalette, DerivesTheSevenGreysOfEachSkin) {
    for (const Expected& c : kCases) {
        SCOPED_TRACE(c.what);
        SkinPalette p;
        p.Derive(c.skin);
        const uint32_t got[7] = {p.contrastDark, p.contrast,  p.contrastLight, p.baseDark,
                                 p.base,         p.baseLight, p.baseLighter};
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(got[i], Grey(c.levels[i])) << "entry " << i;
    }
}

TEST(SkinPalette, DerivingTheBaseAgainChangesNothing) {
    // A cancelled colour chooser hands back the base; the skin must stay as it was.
    SkinPalette first;
    first.Derive(Rgb(90, 200, 17));
    SkinPalette again;
    again.Derive(first.base);
    EXPECT_EQ(again.base, first.base);
    EXPECT_EQ(again.baseLighter, first.baseLighter);
    EXPECT_EQ(again.contrastDark, first.contrastDark);
}

TEST(SkinPalette, ColourSkinBecomesTheGreyOfItsChannelProductModulo256) {
    // 90 x 200 x 17 / 3 = 102000, and 102000 mod 256 = 112.
    EXPECT_EQ(SkinGrey(Rgb(90, 200, 17)), Grey(112));
    EXPECT_EQ(SkinGrey(Grey(77)), Grey(77));
    // Bits above the colour value are not part of the skin.
    EXPECT_EQ(SkinGrey(0x01000000u | Grey(77)), Grey(77));
}

TEST(Shade, TooBrightGreenReversesEvenWhenOnlyOneChannelOverflows) {
    // Green 230 + 80 passes 305: shaded twice the other way instead.
    EXPECT_EQ(Shade(Rgb(0, 230, 0), +1, ShadeReversal::WhenOutOfRange, 80), Rgb(0, 70, 0));
    // Green clamps at 255 but red and blue stay below: a plain step.
    EXPECT_EQ(Shade(Rgb(0, 200, 0), +1, ShadeReversal::WhenOutOfRange, 80), Rgb(80, 255, 80));
    // Without reversal the clamped step is taken as it is.
    EXPECT_EQ(Shade(Grey(200), +1, ShadeReversal::Never, 80), Grey(255));
    EXPECT_EQ(Shade(Grey(20), -1, ShadeReversal::Never, 80), Grey(0));
}

TEST(SkinPalette, CustomColoursDrawBlueThenGreenThenRed) {
    // The first three values after seeding with 1 are 41, 18467 and 6334: modulo 256 they are
    // 41, 35 and 190, taken as blue, green and red.
    SeedRandom(1);
    uint32_t colours[16] = {};
    DrawCustomColors(colours);
    EXPECT_EQ(colours[0], Rgb(190, 35, 41));
    // Each colour uses three fresh values: sixteen colours use up exactly 48 of them.
    SeedRandom(1);
    for (int i = 0; i < 48; ++i)
        NextRandom();
    const int next = NextRandom();
    SeedRandom(1);
    DrawCustomColors(colours);
    EXPECT_EQ(NextRandom(), next);
}

} // namespace
