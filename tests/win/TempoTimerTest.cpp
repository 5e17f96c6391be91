#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>

#include "playback/TempoTimerWin32.h"

namespace {

// One calibration for the whole suite: it takes about 100 ms at raised priority.
TempoTimer& SharedTimer() {
    static TempoTimer timer;
    return timer;
}

std::atomic<int> calls{0};

void CountCall(void*) { calls.fetch_add(1); }

// Blocks as a long tone at a slow tempo does, and notes when it has finished.
std::atomic<int> finished{0};
void SoundLongTone(void*) {
    calls.fetch_add(1);
    Sleep(300);
    finished.fetch_add(1);
}

int CallsDuring(DWORD ms) {
    const int before = calls.load();
    Sleep(ms);
    return calls.load() - before;
}

} // namespace

TEST(TempoTimer, ConfigureClampsIntoTheDevicePeriodRange) {
    TIMECAPS caps{};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), static_cast<MMRESULT>(TIMERR_NOERROR));
    TempoTimer& timer = SharedTimer();
    timer.Configure(0, CountCall, nullptr);
    EXPECT_EQ(timer.DelayMs(), caps.wPeriodMin);
    timer.Configure(caps.wPeriodMax + 1000u, CountCall, nullptr);
    EXPECT_EQ(timer.DelayMs(), caps.wPeriodMax);
    timer.Configure(1, CountCall, nullptr);
    EXPECT_EQ(timer.DelayMs(), std::max(1u, static_cast<unsigned>(caps.wPeriodMin)));
}

TEST(TempoTimer, StopWithoutStartIsHarmless) {
    TempoTimer& timer = SharedTimer();
    timer.Stop();
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
}

TEST(TempoTimer, TwoStartsLeaveOneEventThatOneStopEnds) {
    TempoTimer& timer = SharedTimer();
    timer.Configure(1, CountCall, nullptr);
    timer.Start();
    timer.Start();
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_GT(CallsDuring(100), 0);
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    Sleep(20); // a callback already queued may still land
    EXPECT_EQ(CallsDuring(100), 0) << "a second event outlived Stop";
}

TEST(TempoTimer, StopDoesNotWaitForATickThatIsSoundingATone) {
    TempoTimer& timer = SharedTimer();
    timer.Configure(1, SoundLongTone, nullptr);
    const int before = calls.load();
    timer.Start();
    while (calls.load() == before) Sleep(1);
    const DWORD stopAt = GetTickCount();
    timer.Stop();
    EXPECT_LT(GetTickCount() - stopAt, 100u) << "the UI thread waited for the tone";
    timer.StopAndWait();
    const int after = calls.load();
    Sleep(50);
    EXPECT_EQ(calls.load(), after) << "a tick came after StopAndWait";
    EXPECT_EQ(finished.load(), after - before);
}

TEST(TempoTimer, DestructionWaitsForATickInProgress) {
    finished = 0;
    const int before = calls.load();
    {
        TempoTimer timer;
        timer.Configure(1, SoundLongTone, nullptr);
        timer.Start();
        while (calls.load() == before) Sleep(1);
    }
    EXPECT_EQ(finished.load(), calls.load() - before) << "the timer went away under a running tick";
}

TEST(TempoTimer, ClockAdvancesWithEitherSourceAndStaysContinuousAcrossASwitch) {
    TempoTimer& timer = SharedTimer();
    for (bool highResolution : {true, false}) {
        timer.SetHighResolution(highResolution);
        const uint32_t start = timer.NowMs();
        Sleep(60);
        const uint32_t elapsed = timer.NowMs() - start;
        EXPECT_GE(elapsed, 50u) << highResolution;
        EXPECT_LT(elapsed, 1000u) << highResolution;
    }
    if (timer.HasTsc()) EXPECT_GT(timer.CyclesPerMs(), 0);
    timer.SetHighResolution(true);
    const uint32_t beforeSwitch = timer.NowMs();
    timer.SetHighResolution(false);
    const uint32_t afterSwitch = timer.NowMs();
    EXPECT_LT(afterSwitch - beforeSwitch, 5u);
    timer.SetHighResolution(true);
    EXPECT_LT(timer.NowMs() - afterSwitch, 5u);
}

TEST(TempoTimer, CalibratedClockKeepsPaceWithThePerformanceCounter) {
    TempoTimer& timer = SharedTimer();
    if (!timer.HasTsc()) GTEST_SKIP() << "no time-stamp counter";
    timer.SetHighResolution(true);
    LARGE_INTEGER frequency{}, before{}, after{};
    QueryPerformanceFrequency(&frequency);
    const uint32_t start = timer.NowMs();
    QueryPerformanceCounter(&before);
    Sleep(500);
    const uint32_t elapsed = timer.NowMs() - start;
    QueryPerformanceCounter(&after);
    const double reference = (after.QuadPart - before.QuadPart) * 1000.0 / frequency.QuadPart;
    // A calibration disturbed by a lost time slice was off by percents; a sound one is off by
    // less than a millisecond here.
    EXPECT_NEAR(elapsed, reference, 0.002 * reference + 2.0);
}
