#include "widgets/DialMath.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int Saturate(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

// Truncation toward zero of a finite double, saturated to int.
int TruncateToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

BarBox Intersect(const BarBox& a, const BarBox& b) {
    BarBox r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
    if (r.Empty()) return BarBox{};
    return r;
}

} // namespace

int ParseLeadingInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Past the int range further digits change nothing; stop growing to stay in 64 bits.
        if (magnitude <= int64_t{INT_MAX} + 1) magnitude = magnitude * 10 + (text[i] - '0');
    }
    return Saturate(negative ? -magnitude : magnitude);
}

int ClampToRange(int v, int min, int max) {
    if (v > max) v = max;
    if (v < min) v = min;
    return v;
}

int SteppedValue(int value, int delta, bool controlHeld, int ctrlStep, int min, int max) {
    int64_t d = static_cast<int16_t>(delta);
    if (controlHeld) d *= ctrlStep;
    return ClampToRange(Saturate(int64_t{value} + d), min, max);
}

TypedValue LiveTypedValue(std::string_view text, int min, int max) {
    const int typed = ParseLeadingInt(text);
    const int v = ClampToRange(typed, min, max);
    return {v, v != typed};
}

int CommittedValue(std::string_view text, int min, int max) {
    return ClampToRange(ParseLeadingInt(text), min, max);
}

int BarValueAt(const BarBox& bar, BarAxis axis, int x, int y, int min, int max) {
    const bool horizontal = axis == BarAxis::Horizontal;
    const double span = static_cast<double>(max) - min;
    if (horizontal) {
        if (x < bar.left) return min;
        if (x > bar.right) return max;
        if (bar.right == bar.left) return min;
        const double part = static_cast<double>(x - bar.left) / (bar.right - bar.left);
        return TruncateToInt(min + part * span);
    }
    if (y < bar.top) return max;
    if (y > bar.bottom) return min;
    if (bar.bottom == bar.top) return min;
    const double part = static_cast<double>(bar.bottom - y) / (bar.bottom - bar.top);
    return TruncateToInt(min + part * span);
}

int BarFillLength(int value, int min, int max, int length) {
    if (max == min || length <= 0) return 0;
    const double f = (static_cast<double>(value) - min) / (static_cast<double>(max) - min) * length;
    return std::clamp(TruncateToInt(f), 0, length);
}

BarAreas LayOutBar(const BarBox& bar, BarAxis axis, int value, int min, int max, int thumbWidth) {
    const bool horizontal = axis == BarAxis::Horizontal;
    BarAreas areas;
    const int half = thumbWidth / 2;
    if (horizontal) {
        const int level = bar.left + BarFillLength(value, min, max, bar.right - bar.left);
        areas.ink = Intersect(bar, {bar.left, bar.top, level, bar.bottom});
        areas.paper = Intersect(bar, {level, bar.top, bar.right, bar.bottom});
        if (thumbWidth > 0)
            areas.thumb = Intersect(bar, {level - half, bar.top, level - half + thumbWidth, bar.bottom});
        return areas;
    }
    const int level = bar.bottom - BarFillLength(value, min, max, bar.bottom - bar.top);
    areas.paper = Intersect(bar, {bar.left, bar.top, bar.right, level});
    areas.ink = Intersect(bar, {bar.left, level, bar.right, bar.bottom});
    if (thumbWidth > 0)
        areas.thumb = Intersect(bar, {bar.left, level - half, bar.right, level - half + thumbWidth});
    return areas;
}
