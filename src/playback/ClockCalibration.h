#pragma once
// Arithmetic of the time-stamp-counter calibration, kept apart from the timer so it can be
// checked on any machine.
#include <cstdint>

// Cycles per millisecond from two time-stamp-counter differences: across a timed wait
// (`measured`) and across its overhead twin (`overhead`, the cost of the wait's own calls),
// truncated. The wait lasted `elapsedTicks` of a reference counter running at `ticksPerSecond`.
// A busy wait that loses the processor overshoots its target by milliseconds, so the time that
// really passed is divided by, not the time asked for; undisturbed, the two are the same.
int32_t CyclesPerMsFromSamples(int64_t measured, int64_t overhead, int64_t elapsedTicks,
                               int64_t ticksPerSecond);

// Rounds a measured cycles-per-millisecond count to whole megahertz in three decimal steps, so a
// small measuring error never shows as a tempo error: 2,394,567 gives 2,395,000.
int32_t RoundToWholeMegahertz(int32_t cyclesPerMs);

// The calibration the clock uses. A processor's counter usually runs at a whole number of
// megahertz, and then rounding removes the measuring error; but many run a little off one (a
// virtual machine, a spread-spectrum clock), and there rounding would make the clock run up to
// 500 ppm wrong, about 40 ms over a few minutes of playing. So the rounded value is taken only
// when it lies within 100 ppm of the measurement, far more than a 100 ms calibration can be off.
int32_t ChooseCyclesPerMs(int32_t measured);
