#include <gtest/gtest.h>

#include <cmath>

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

TEST(ClockCalibration, RoundsOnlyWhenTheCounterRunsAtWholeMegahertz) {
    // A few ppm off a whole megahertz: measuring error, rounded away.
    EXPECT_EQ(ChooseCyclesPerMs(2'400'012), 2'400'000);
    EXPECT_EQ(ChooseCyclesPerMs(2'999'770), 3'000'000);
    // A counter that really runs between two: rounding would make the clock 184 ppm wrong.
    EXPECT_EQ(ChooseCyclesPerMs(2'445'450), 2'445'450);
    EXPECT_EQ(ChooseCyclesPerMs(2'394'567), 2'394'567);
    EXPECT_EQ(ChooseCyclesPerMs(0), 0);
}

namespace {

// A machine in nanoseconds: a 10 MHz performance counter and a time-stamp counter at
// `cyclesPerMs`. Every counter read costs 40 ns; every `preemptEvery`-th one loses the processor
// for `preemptNs` right after it, that is between the reads of one bracket. Pauses overshoot by
// a varying amount, as a sleep on a busy machine does.
class PreemptedCounters : public CalibrationCounters {
public:
    PreemptedCounters(double cyclesPerMs, int everyNth, int64_t pauseNs)
        : cyclesPerNs(cyclesPerMs / 1e6), preemptEvery(everyNth), preemptNs(pauseNs) {}

    int64_t Counter() override {
        const int64_t value = nowNs / 100;
        nowNs += 40;
        if (preemptEvery > 0 && ++reads % preemptEvery == 0) nowNs += preemptNs;
        return value;
    }
    int64_t Cycles() override {
        const auto value = static_cast<int64_t>(std::floor(static_cast<double>(nowNs) * cyclesPerNs));
        nowNs += 40;
        return value;
    }
    void Pause(int ms) override { nowNs += ms * 1'000'000LL + (pauses++ % 7) * 1'300'000LL; }
    void Advance(int64_t ns) { nowNs += ns; }

private:
    double cyclesPerNs;
    int preemptEvery;
    int64_t preemptNs;
    int64_t nowNs = 7'000'000'000'000LL; // the machine has been up a while
    int64_t reads = 0;
    int pauses = 0;
};

CalibrationSetup TenMegahertzSetup() {
    CalibrationSetup setup;
    setup.counterFrequency = 10'000'000;
    setup.maxBracketTicks = 200; // 20 us
    return setup;
}

} // namespace

TEST(TscCalibration, PreemptionBetweenReadsCostsRetriesNotAccuracy) {
    // Every fifth counter read is followed by 3 ms elsewhere: a measurement across a plain wait
    // would be a percent off. The whole-megahertz counter comes out exact, the other within 1 ppm.
    for (double truth : {2'600'000.0, 2'445'450.4}) {
        PreemptedCounters counters(truth, 5, 3'000'000);
        TscCalibration calibration;
        ASSERT_TRUE(calibration.Calibrate(counters, TenMegahertzSetup())) << truth;
        EXPECT_NEAR(calibration.MeasuredCyclesPerMs(), truth, truth * 1e-6) << truth;
        EXPECT_NEAR(calibration.CyclesPerMs(), std::round(truth), truth == 2'600'000.0 ? 0.0 : 3.0);
    }
}

TEST(TscCalibration, NoNarrowBracketMeansNoCalibration) {
    // Preempted after every read: no bracket is ever narrow, so the timer keeps the counter clock.
    PreemptedCounters counters(2'600'000.0, 1, 100'000);
    TscCalibration calibration;
    EXPECT_FALSE(calibration.Calibrate(counters, TenMegahertzSetup()));
    EXPECT_EQ(calibration.CyclesPerMs(), 0);
    EXPECT_FALSE(calibration.Refine(counters));
}

TEST(TscCalibration, RefiningOverALongerRunShrinksTheError) {
    // A counter between whole megahertz, and a calibration run so short that quantisation of the
    // 10 MHz reference leaves a measurable error.
    const double truth = 2'445'450.4;
    PreemptedCounters counters(truth, 0, 0);
    CalibrationSetup setup = TenMegahertzSetup();
    setup.readings = 3;
    setup.pauseMs = 1;
    TscCalibration calibration;
    ASSERT_TRUE(calibration.Calibrate(counters, setup));
    const double firstError = std::fabs(calibration.MeasuredCyclesPerMs() - truth);

    counters.Advance(60'000'000'000LL); // a minute of playing later
    calibration.Refine(counters);
    const double refinedError = std::fabs(calibration.MeasuredCyclesPerMs() - truth);
    EXPECT_LT(refinedError, truth * 0.01e-6);
    EXPECT_LT(refinedError, firstError);
    EXPECT_NEAR(calibration.CyclesPerMs(), truth, 1.0);
}

TEST(TscCalibration, ARefinementFarOffIsIgnored) {
    PreemptedCounters counters(2'600'000.0, 0, 0);
    TscCalibration calibration;
    ASSERT_TRUE(calibration.Calibrate(counters, TenMegahertzSetup()));
    // The machine slept: the reference went on, the time-stamp counter did not.
    PreemptedCounters resumed(2'600'000.0 * 0.5, 0, 0);
    resumed.Advance(10'000'000'000LL);
    EXPECT_FALSE(calibration.Refine(resumed));
    EXPECT_EQ(calibration.CyclesPerMs(), 2'600'000);
}

TEST(CycleClock, ANewRateTakesOverWithoutAJump) {
    CycleClock clock;
    EXPECT_FALSE(clock.IsSet());
    // The first rate counts from cycle 0, as every other copy choosing it does.
    clock.SetRate(1'000'000, 1000.0);
    EXPECT_TRUE(clock.FromZero());
    EXPECT_DOUBLE_EQ(clock.Ms(1'000'000), 1000.0);
    EXPECT_DOUBLE_EQ(clock.Ms(3'000'000), 3000.0);
    clock.SetRate(3'000'000, 2000.0);
    EXPECT_FALSE(clock.FromZero());
    EXPECT_DOUBLE_EQ(clock.Ms(3'000'000), 3000.0);
    EXPECT_DOUBLE_EQ(clock.Ms(5'000'000), 4000.0);
}
