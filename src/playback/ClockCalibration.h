#pragma once
// Arithmetic of the time-stamp-counter calibration, kept apart from the timer so it can be
// checked on any machine.
#include <cstdint>

// Cycles per millisecond from two counter differences taken over `waitMs` milliseconds: the timed
// wait (`measured`) less the cost of the wait's own calls (`overhead`), truncated.
int32_t CyclesPerMsFromSamples(int64_t measured, int64_t overhead, int waitMs);

// Rounds a measured cycles-per-millisecond count to whole megahertz in three decimal steps, so a
// small measuring error never shows as a tempo error: 2,394,567 gives 2,395,000.
int32_t RoundToWholeMegahertz(int32_t cyclesPerMs);
