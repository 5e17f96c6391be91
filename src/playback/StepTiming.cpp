#include "playback/StepTiming.h"

#include <algorithm>
#include <cmath>

#include "common/Assert.h"
#include "song/Tempo.h"

double StepDurationMs(double tempo) {
    KB_ASSERT(tempo::IsHeld(tempo));
    // A sixteenth is 60000 / 4 / tempo ms; the product of two floats is exact in long double.
    const long double t = static_cast<float>(tempo);
    const long double perMs = t * static_cast<long double>(0.06666667f);
    return static_cast<double>(1000.0L / perMs);
}

int SoundingNote(int16_t note, int16_t transpose) {
    const auto sum = static_cast<int16_t>(note + transpose + 60);
    return std::clamp<int>(sum, 1, 127);
}

int ToneLengthMs(double tempo, int16_t length) {
    KB_ASSERT(tempo::IsHeld(tempo));
    const double window = std::trunc(240000.0 / tempo * 0.03125 - 5.0);
    const double fraction = std::clamp<int16_t>(length, 0, 127) * 0.0078125;
    return static_cast<int>(std::trunc(window * fraction));
}

bool HighlightDue(double tempo, int32_t& throttle) {
    throttle += 1;
    KB_ASSERT(tempo::IsHeld(tempo));
    if (tempo * 0.0006666666666666666 > throttle) return false;
    throttle = 0;
    return true;
}
