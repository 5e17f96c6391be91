#include <gtest/gtest.h>

#include "playback/ClockCalibration.h"

TEST(ClockCalibration, RoundsToWholeMegahertzInThreeSteps)
{
    EXPECT_EQ(RoundToWholeMegahertz(2394567), 2395000);
    // The single-precision tenth is slightly above 0.1, so the three roundings carry upward:
    // 239,444.9 -> 239,445 -> 23,945 -> 2,395.
    EXPECT_EQ(RoundToWholeMegahertz(2394449), 2395000);
    EXPECT_EQ(RoundToWholeMegahertz(1999999), 2000000);
    EXPECT_EQ(RoundToWholeMegahertz(3000000), 3000000);
}

TEST(ClockCalibration, FractionsUpToAHalfAreDropped)
{
    // 239,444.4 -> 239,444 -> 23,944.4 -> 23,944 -> 2,394.4 -> 2,394.
    EXPECT_EQ(RoundToWholeMegahertz(2394444), 2394000);
    EXPECT_EQ(RoundToWholeMegahertz(2394400), 2394000);
    EXPECT_EQ(RoundToWholeMegahertz(0), 0);
}

TEST(ClockCalibration, SubtractsOverheadAndTruncates)
{
    EXPECT_EQ(CyclesPerMsFromSamples(239456799, 100, 100), 2394566);
    EXPECT_EQ(CyclesPerMsFromSamples(500, 500, 100), 0);
    EXPECT_EQ(CyclesPerMsFromSamples(1000, 0, 0), 0); // no wait taken: no calibration
}
