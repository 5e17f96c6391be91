#include "playback/ClockCalibration.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

std::optional<BracketedReading> ReadBracketed(CalibrationCounters& counters, int64_t maxBracketTicks,
                                              int attempts) {
    std::optional<BracketedReading> best;
    for (int i = 0; i < attempts; ++i) {
        BracketedReading reading;
        reading.counterBefore = counters.Counter();
        reading.cycles = counters.Cycles();
        reading.counterAfter = counters.Counter();
        if (reading.Bracket() < 0 || reading.Bracket() > maxBracketTicks) continue;
        if (!best || reading.Bracket() < best->Bracket()) best = reading;
    }
    return best;
}

double CyclesPerMsBetween(const BracketedReading& first, const BracketedReading& last,
                          int64_t counterFrequency) {
    const double ticks = last.CounterMiddle() - first.CounterMiddle();
    if (ticks <= 0.0 || counterFrequency <= 0) return 0.0;
    const double cycles = static_cast<double>(last.cycles - first.cycles);
    return cycles / ticks * (static_cast<double>(counterFrequency) / 1000.0);
}

namespace {

int32_t ToCyclesPerMs(double measured) {
    if (!(measured >= 1.0) || measured > 2.0e9) return 0;
    return ChooseCyclesPerMs(static_cast<int32_t>(std::llround(measured)));
}

} // namespace

bool TscCalibration::Calibrate(CalibrationCounters& counters, const CalibrationSetup& given) {
    setup = given;
    origin.reset();
    cyclesPerMs = 0;
    measured = 0.0;
    std::vector<BracketedReading> readings;
    for (int i = 0; i < given.readings; ++i) {
        if (i > 0) counters.Pause(given.pauseMs);
        if (auto reading = ReadBracketed(counters, given.maxBracketTicks, given.attemptsPerReading))
            readings.push_back(*reading);
    }
    // Pairs half the run apart: every ratio spans a long stretch, and no reading is used twice on
    // the same side, so one bad reading moves at most one ratio out of the middle.
    const size_t half = readings.size() / 2;
    std::vector<double> ratios;
    for (size_t i = 0; half > 0 && i + half < readings.size(); ++i) {
        const double ratio = CyclesPerMsBetween(readings[i], readings[i + half], given.counterFrequency);
        if (ratio > 0.0) ratios.push_back(ratio);
    }
    if (ratios.size() < 2) return false;
    std::sort(ratios.begin(), ratios.end());
    const size_t n = ratios.size();
    measured = n % 2 == 1 ? ratios[n / 2] : 0.5 * (ratios[n / 2 - 1] + ratios[n / 2]);
    cyclesPerMs = ToCyclesPerMs(measured);
    if (cyclesPerMs == 0) return false;
    origin = readings.front();
    spanTicks = readings[half].CounterMiddle() - readings.front().CounterMiddle();
    return true;
}

bool TscCalibration::Refine(CalibrationCounters& counters) {
    if (!origin) return false;
    const auto reading = ReadBracketed(counters, setup.maxBracketTicks, setup.attemptsPerReading);
    if (!reading) return false;
    const double span = reading->CounterMiddle() - origin->CounterMiddle();
    if (span <= spanTicks) return false; // no longer than the span already measured
    const double ratio = CyclesPerMsBetween(*origin, *reading, setup.counterFrequency);
    if (std::fabs(ratio - measured) > measured * 0.001) return false;
    measured = ratio;
    spanTicks = span;
    const int32_t chosen = ToCyclesPerMs(ratio);
    if (chosen == cyclesPerMs || chosen == 0) return false;
    cyclesPerMs = chosen;
    return true;
}

void CycleClock::SetRate(int64_t atCycles, double rate) {
    const bool first = !IsSet();
    if (first) atCycles = 0;
    const double msThen = first ? 0.0 : Ms(atCycles);
    fromZero.store(first, std::memory_order_release);
    const uint32_t s = sequence.load(std::memory_order_relaxed);
    sequence.store(s + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    baseCycles.store(atCycles, std::memory_order_relaxed);
    baseMs.store(msThen, std::memory_order_relaxed);
    cyclesPerMs.store(rate, std::memory_order_relaxed);
    sequence.store(s + 2, std::memory_order_release);
}

double CycleClock::Ms(int64_t cycles) const {
    for (;;) {
        const uint32_t before = sequence.load(std::memory_order_acquire);
        const int64_t base = baseCycles.load(std::memory_order_relaxed);
        const double msAtBase = baseMs.load(std::memory_order_relaxed);
        const double rate = cyclesPerMs.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if ((before & 1) == 0 && sequence.load(std::memory_order_relaxed) == before) {
            return rate > 0.0 ? msAtBase + static_cast<double>(cycles - base) / rate : 0.0;
        }
    }
}
