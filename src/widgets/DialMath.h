#pragma once
// The arithmetic behind the dial and the bar: reading typed numbers, clamping, arrow steps, the
// bar's value under the pointer and the bar's fill. Pure functions, checked on every platform.
#include <string_view>

// Reads a number the way the C library's atoi does (leading blanks, an optional sign, digits,
// anything after them ignored, no number at all gives 0), but saturates at the int limits
// instead of overflowing, so any length of typed digits is safe.
int ParseLeadingInt(std::string_view text);

// v limited to min..max (the upper limit is tested first).
int ClampToRange(int v, int min, int max);

// An arrow step: delta (a 16-bit step) times ctrlStep while Control is held, added to value and
// clamped. Computed wide, so a large multiplier cannot wrap.
int SteppedValue(int value, int delta, bool controlHeld, int ctrlStep, int min, int max);

// A number typed while live typing is on: out-of-range input is replaced by the nearer limit.
struct TypedValue {
    int value;
    bool replaced; // the field must show value instead of what was typed
};
TypedValue LiveTypedValue(std::string_view text, int min, int max);

// The value a field's text stands for when it is committed: the typed number, clamped.
int CommittedValue(std::string_view text, int min, int max);

// The direction a bar's level grows in.
enum class BarAxis { Vertical, Horizontal };

// A rectangle in pixels, right and bottom exclusive.
struct BarBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};

// The bar's value for a pointer position: beyond the ends it is min or max, between them the
// proportional value, computed in floating point and truncated toward zero. A vertical bar grows
// upward. A bar without length reports min.
int BarValueAt(const BarBox& bar, BarAxis axis, int x, int y, int min, int max);

// Length in pixels of the filled part for value, limited to 0..length; 0 when min equals max.
int BarFillLength(int value, int min, int max, int length);

// The three areas a bar paints: the filled part in ink, the rest in paper and the thumb over
// them, each already limited to the bar's own rectangle.
struct BarAreas {
    BarBox ink, paper, thumb;
};
BarAreas LayOutBar(const BarBox& bar, BarAxis axis, int value, int min, int max, int thumbWidth);
