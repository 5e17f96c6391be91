#include <gtest/gtest.h>

#include "playback/ClockCalibration.h"

TEST(ClockCalibration, RoundsToWholeMegahertzInThreeSteps) {
    EXPECT_EQ(RoundToWholeMegahertz(2394567), 2395000);
    // The single-precision tenth is slightly above 0.1, so the three roundings carry upward:
    // 239,444.9 -> 239,445 -> 23,945 -> 2,395.
    EXPECT_EQ(RoundToWholeMegahertz(2394449), 2395000);
    EXPECT_EQ(RoundToWholeMegahertz(1999999), 2000000);
    EXPECT_EQ(RoundToWholeMegahertz(3000000), 3000000);
}

TEST(ClockCalibration, FractionsUpToAHalfAreDropped) {
    // 239,444.4 -> 239,444 -> 23,944.4 -> 23,944 -> 2,394.4 -> 2,394.
    EXPECT_EQ(RoundToWholeMegahertz(2394444), 2394000);
    EXPECT_EQ(RoundToWholeMegahertz(2394400), 2394000);
    EXPECT_EQ(RoundToWholeMegahertz(0), 0);
}

TEST(ClockCalibration, SubtractsOverheadAndTruncates) {
    // A 100 ms wait on a 10 MHz counter that ended on its target.
    EXPECT_EQ(CyclesPerMsFromSamples(239456799, 100, 1000000, 10000000), 2394566);
    EXPECT_EQ(CyclesPerMsFromSamples(500, 500, 1000000, 10000000), 0);
}

TEST(ClockCalibration, AWaitThatOvershotIsMeasuredByTheTimeThatPassed) {
    // Preempted near its end, the wait ran 104 ms: 254,329,264 cycles are 2,445,473 per ms, not
    // 2,543,292, a clock 4 % fast.
    const int64_t cycles = 254329264;
    EXPECT_EQ(CyclesPerMsFromSamples(cycles, 0, 1040000, 10000000), 2445473);
    EXPECT_EQ(RoundToWholeMegahertz(CyclesPerMsFromSamples(cycles, 0, 1040000, 10000000)), 2446000);
}

TEST(ClockCalibration, NoCounterOrNoWaitGivesNoCalibration) {
    EXPECT_EQ(CyclesPerMsFromSamples(1000, 0, 0, 10000000), 0);
    EXPECT_EQ(CyclesPerMsFromSamples(1000, 0, 500, 0), 0);
}

TEST(ClockCalibration, RoundsOnlyWhenTheCounterRunsAtWholeMegahertz) {
    // A few ppm off a whole megahertz: measuring error, rounded away.
    EXPECT_EQ(ChooseCyclesPerMs(2'400'012), 2'400'000);
    EXPECT_EQ(ChooseCyclesPerMs(2'999'770), 3'000'000);
    // A counter that really runs between two: rounding would make the clock 184 ppm wrong.
    EXPECT_EQ(ChooseCyclesPerMs(2'445'450), 2'445'450);
    EXPECT_EQ(ChooseCyclesPerMs(2'394'567), 2'394'567);
    EXPECT_EQ(ChooseCyclesPerMs(0), 0);
}
