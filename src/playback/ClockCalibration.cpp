#include "playback/ClockCalibration.h"

namespace {

// The single-precision tenth, slightly above 0.1; with it a value just under a half can carry
// into the next decimal step (2,394,449 -> 239,445 -> 23,945 -> 2,395).
constexpr double kTenth = static_cast<double>(0.1f);

// Truncates toward zero and adds 1 only when the dropped fraction is above one half.
int64_t RoundAboveHalf(double x) {
    const int64_t whole = static_cast<int64_t>(x);
    return (x - static_cast<double>(whole) > 0.5) ? whole + 1 : whole;
}

} // namespace

int32_t CyclesPerMsFromSamples(int64_t measured, int64_t overhead, int64_t elapsedTicks,
                               int64_t ticksPerSecond) {
    const int64_t ticksPerMs = ticksPerSecond / 1000;
    if (ticksPerMs <= 0 || elapsedTicks < ticksPerMs)
        return 0; // no counter, or no wait: nothing to calibrate against
    const int64_t cycles = measured - overhead;
    if (elapsedTicks % ticksPerMs == 0)
        return static_cast<int32_t>(cycles / (elapsedTicks / ticksPerMs)); // whole ms: integer math
    return static_cast<int32_t>(static_cast<double>(cycles) * static_cast<double>(ticksPerMs) /
                                static_cast<double>(elapsedTicks));
}

int32_t RoundToWholeMegahertz(int32_t cyclesPerMs) {
    const int64_t c1 = RoundAboveHalf(cyclesPerMs * kTenth);
    const int64_t c2 = RoundAboveHalf(static_cast<double>(c1) * kTenth);
    const int64_t c3 = RoundAboveHalf(static_cast<double>(c2) * kTenth);
    return static_cast<int32_t>(static_cast<double>(c3) * static_cast<double>(1000.0f));
}

int32_t ChooseCyclesPerMs(int32_t measured) {
    const int32_t rounded = RoundToWholeMegahertz(measured);
    const int64_t difference = static_cast<int64_t>(rounded) - measured;
    const int64_t tolerance = static_cast<int64_t>(measured) / 10000;
    return (difference <= tolerance && -difference <= tolerance) ? rounded : measured;
}
