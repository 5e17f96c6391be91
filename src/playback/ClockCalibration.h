#pragma once
// The time-stamp-counter calibration: its arithmetic and its measuring procedure, kept apart from
// the timer so both can be checked on any machine with counters that a test controls.
#include <atomic>
#include <cstdint>
#include <optional>

// Rounds a measured cycles-per-millisecond count to whole megahertz in three decimal steps, so a
// small measuring error never shows as a tempo error: 2,394,567 gives 2,395,000.
int32_t RoundToWholeMegahertz(int32_t cyclesPerMs);

// The calibration the clock uses. A processor's counter usually runs at a whole number of
// megahertz, and then rounding removes the measuring error; but many run a little off one (a
// virtual machine, a spread-spectrum clock), and there rounding would make the clock run up to
// 500 ppm wrong, about 40 ms over a few minutes of playing. So the rounded value is taken only
// when it lies within 100 ppm of the measurement, far more than a calibration can be off.
int32_t ChooseCyclesPerMs(int32_t measured);

// The two counters a calibration reads, and a way to let time pass between readings.
class CalibrationCounters {
public:
    virtual ~CalibrationCounters() = default;
    virtual int64_t Counter() = 0; // the reference: the performance counter
    virtual int64_t Cycles() = 0;  // the time-stamp counter
    virtual void Pause(int ms) = 0;
};

// One time-stamp-counter reading between two reference readings. The cycle count belongs to the
// middle of the bracket; a thread that lost the processor inside it shows a wide bracket.
struct BracketedReading {
    int64_t cycles = 0;
    int64_t counterBefore = 0;
    int64_t counterAfter = 0;

    int64_t Bracket() const { return counterAfter - counterBefore; }
    double CounterMiddle() const { return 0.5 * (static_cast<double>(counterBefore) + counterAfter); }
};

struct CalibrationSetup {
    int64_t counterFrequency = 0; // reference ticks per second
    int64_t maxBracketTicks = 0;  // readings whose bracket is wider are thrown away
    int attemptsPerReading = 16;  // the narrowest bracket of these tries is kept
    int readings = 11;            // spread over the calibration
    int pauseMs = 10;             // between two readings
};

// The narrowest-bracketed of `attempts` readings; none when every bracket was too wide.
std::optional<BracketedReading> ReadBracketed(CalibrationCounters& counters, int64_t maxBracketTicks,
                                              int attempts);

// Cycles per millisecond between two readings, from the middles of their brackets.
double CyclesPerMsBetween(const BracketedReading& first, const BracketedReading& last,
                          int64_t counterFrequency);

// Calibrates the time-stamp counter against the reference over a run of bracketed readings: the
// ratio of each reading to the one half the run later, the median of those, then the whole
// megahertz rule. Preemption can only widen a bracket, which throws the reading away, so a busy
// machine costs retries, not accuracy. The first good reading becomes the origin that Refine
// measures from.
class TscCalibration {
public:
    // False (and CyclesPerMs() 0) when too few readings had a narrow bracket.
    bool Calibrate(CalibrationCounters& counters, const CalibrationSetup& setup);

    // Takes one more reading and measures the ratio from the origin to it: the longer the
    // program has run, the longer the span and the smaller the error. A ratio more than 0.1 %
    // off the current one (the counter was reset, the machine slept) is ignored. True when the
    // calibration changed.
    bool Refine(CalibrationCounters& counters);

    int32_t CyclesPerMs() const { return cyclesPerMs; }
    // The exact measurement behind CyclesPerMs(), before the whole-megahertz rule.
    double MeasuredCyclesPerMs() const { return measured; }

private:
    CalibrationSetup setup{};
    std::optional<BracketedReading> origin;
    double spanTicks = 0.0; // reference span of the measurement in force
    double measured = 0.0;
    int32_t cyclesPerMs = 0;
};

// Milliseconds from time-stamp-counter readings at a rate that can be refined while other threads
// read the clock: a new rate takes over from the moment it is set, so the reading never jumps.
// The first rate counts from cycle 0, so every process on the machine that chose the same rate
// reads the same milliseconds at the same moment; a later rate keeps this process's reading
// continuous instead, and then only this process reads it.
// One writer; any number of readers (a sequence lock of atomics, so readers never wait on a lock).
class CycleClock {
public:
    // From `atCycles` on, count `cyclesPerMs` to the millisecond: the first time from cycle 0,
    // later continuing from the reading the clock had at `atCycles`.
    void SetRate(int64_t atCycles, double cyclesPerMs);
    double Ms(int64_t cycles) const;
    bool IsSet() const { return cyclesPerMs.load(std::memory_order_relaxed) > 0.0; }
    // Still counting from cycle 0 at its first rate: the machine-wide reading.
    bool FromZero() const { return fromZero.load(std::memory_order_acquire); }

private:
    std::atomic<uint32_t> sequence{0};
    std::atomic<int64_t> baseCycles{0};
    std::atomic<double> baseMs{0.0};
    std::atomic<double> cyclesPerMs{0.0};
    std::atomic<bool> fromZero{false};
};
