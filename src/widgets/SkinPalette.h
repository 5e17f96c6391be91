#pragma once
// The seven panel colours derived from one skin colour. Colours are Windows colour values
// 0x00BBGGRR. Pure arithmetic, so the rules can be checked on any machine.
#include <cstdint>

// Shades a colour by step per channel, direction +1 lighter or -1 darker. When mayReverse is set
// and the shade would run off the scale (all channels past one end, or too bright), the colour is
// shaded twice the other way instead, so the result always differs visibly from the input.
enum class ShadeReversal { Never, WhenOutOfRange };
uint32_t Shade(uint32_t colour, int direction, ShadeReversal reversal, int step);

// Grey level used for a skin colour: a grey stays as it is, any other colour becomes
// ((R x G x B) / 3) modulo 256 in all three channels.
uint32_t SkinGrey(uint32_t colour);

class SkinPalette {
public:
    static constexpr int kShadeStep = 80;

    void Derive(uint32_t colour);

    uint32_t contrastDark = 0;
    uint32_t contrast = 0;
    uint32_t contrastLight = 0;
    uint32_t baseDark = 0;
    uint32_t base = 0;
    uint32_t baseLight = 0;
    uint32_t baseLighter = 0;
};

// Sixteen random colours for the colour chooser's custom row, drawn from the program's random
// generator, blue first, then green, then red for each colour.
void DrawCustomColors(uint32_t (&colours)[16]);
