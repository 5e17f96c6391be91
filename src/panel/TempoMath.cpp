#include "panel/TempoMath.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tempo {

namespace {

// Samples per measure at 1 beat per minute and 44100 samples a second.
constexpr double kSamplesPerMeasureAtOneBpm = 5292000.0;
constexpr double kSampleRate = 44100.0;

// printf into a string sized for the result, whatever the number's length.
std::string FormatNumber(const char* format, double value) {
    const int length = std::snprintf(nullptr, 0, format, value);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, value);
    text.resize(static_cast<size_t>(length));
    return text;
}

} // namespace

double ShownValue(double bpm, TempoUnit unit) {
    return unit == TempoUnit::SamplesPerMeasure ? kSamplesPerMeasureAtOneBpm / bpm : bpm;
}

std::string FormatShown(double shown) {
    const float single = static_cast<float>(shown);
    // Held tempos never get here unfinished; a field must still never read "inf" or "nan".
    if (!std::isfinite(single)) return "0";
    const bool whole = single == std::trunc(single);
    return FormatNumber(whole ? "%.0f" : "%.3f", static_cast<double>(single));
}

double Stepped(double bpm, int direction, bool controlHeld) {
    const double factor = controlHeld ? kOctave : kSemitone;
    if (direction > 0)
        bpm *= factor;
    else if (direction < 0)
        bpm /= factor;
    return HoldTempo(bpm);
}

ParsedNumber ParseShown(std::string_view text) {
    // Read as atof does: blanks first, then an optional sign. from_chars reads the same digits
    // on every platform, where the C runtimes differ over hexadecimal and "inf".
    size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || (text[start] >= '\t' && text[start] <= '\r')))
        ++start;
    bool negative = false;
    if (start < text.size() && (text[start] == '+' || text[start] == '-')) {
        negative = text[start] == '-';
        ++start;
    }
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    if (first == last || *first == '+' || *first == '-') return {};
    float value = 0.0f;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc() || end == first || !std::isfinite(value)) return {};
    return ParsedNumber{negative ? -value : value, true};
}

double RawTempoFromShown(double value, TempoUnit unit) {
    return unit == TempoUnit::SamplesPerMeasure ? kSampleRate / value * 120.0 : value;
}

double TempoFromShown(double value, TempoUnit unit) { return HoldTempo(RawTempoFromShown(value, unit)); }

Commit CommitText(std::string_view text, double shownValue, double bpm, TempoUnit unit) {
    const ParsedNumber typed = ParseShown(text);
    if (!typed.valid) return Commit{.rewrite = true, .bpm = bpm, .shownValue = shownValue};
    if (static_cast<double>(typed.value) == shownValue) return Commit{.bpm = bpm, .shownValue = shownValue};
    const double raw = RawTempoFromShown(typed.value, unit);
    const double held = HoldTempo(raw);
    // The field now stands for the number as typed, in the unit it shows, as after a Refresh: the
    // next commit compares like with like. Kept in beats per minute instead, a typed 252 samples
    // after a tempo of 252 beats would pass for no change.
    return Commit{.taken = true, .rewrite = held != raw, .bpm = held, .shownValue = typed.value};
}

} // namespace tempo
