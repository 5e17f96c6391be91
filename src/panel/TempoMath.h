#pragma once
// The tempo field's arithmetic: the two display units, the arrows' semitone and octave steps, the
// number formats. The range every tempo is held to is the song's (song/Tempo.h). Pure functions,
// checked on every platform.
#include <string>
#include <string_view>

#include "song/Tempo.h"
#include "song/TempoUnit.h"

namespace tempo {

inline constexpr double kSemitone = 1.0594630943592953; // twelfth root of 2
inline constexpr double kOctave = 2.0;

// Samples per measure are counted at 44100 Hz.
using ::TempoUnit;

// The number shown for a tempo in a unit: bpm itself, or 5292000 / bpm samples per measure.
double ShownValue(double bpm, TempoUnit unit);

// The text for a shown value: taken in single precision, "%.3f" when it has a fraction, else
// "%.0f". Never "inf" or "nan": such values are held to the tempo range first by the callers.
std::string FormatShown(double shown);

// One arrow click: times (up) or divided by (down) a semitone, an octave with Control held,
// then held to the range.
double Stepped(double bpm, int direction, bool controlHeld);

// The typed text read as a single-precision number, as the C library's atof would (no number at
// all gives 0). `valid` is false when the text does not start with a finite number.
struct ParsedNumber {
    float value = 0.0f;
    bool valid = false;
};
ParsedNumber ParseShown(std::string_view text);

// The tempo a committed number stands for in a unit (samples: 44100 / v x 120), not yet held:
// 0 samples gives an infinite tempo, a negative number a negative one.
double RawTempoFromShown(double value, TempoUnit unit);

// The tempo a committed number stands for in a unit (samples: 44100 / v x 120), held to the
// range.
double TempoFromShown(double value, TempoUnit unit);

// What committing the field's text does to a tempo shown as shownValue in unit.
struct Commit {
    bool taken = false;   // the text stood for another number: bpm is the new tempo
    bool rewrite = false; // the field must show bpm again: the text was no number, or was held
    double bpm = 0.0;
    double shownValue = 0.0; // the number the field now stands for
};
// Text that is no finite number is refused (the tempo stays, the field is rewritten); the same
// number as shown changes nothing; any other number becomes the tempo, held to the range.
Commit CommitText(std::string_view text, double shownValue, double bpm, TempoUnit unit);

} // namespace tempo
