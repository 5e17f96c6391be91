// The real multimedia timer and clock. Nothing here depends on how fast the machine is: waits are
// for events (with a generous limit only so that a broken timer fails instead of hanging), and
// every clock reading is bracketed by two readings of the performance counter, so a thread that
// loses the processor between readings widens the bounds instead of failing the test.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>

#include "playback/TempoTimerWin32.h"

namespace {

constexpr DWORD kSafetyLimitMs = 10000;

// One calibration for the whole suite: it takes about 100 ms on a thread of its own, and the
// tests of the time-stamp clock want it done.
TempoTimer& SharedTimer() {
    static TempoTimer timer;
    timer.AwaitCalibration();
    return timer;
}

// Auto-reset event, closed with its owner.
class Event {
public:
    Event() : handle(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
    ~Event() { CloseHandle(handle); }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE Get() const { return handle; }

private:
    HANDLE handle;
};

// Counts the calls of a periodic callback and lets the test wait for them.
class CallCounter {
public:
    static void Count(void* self) {
        auto* counter = static_cast<CallCounter*>(self);
        counter->calls.fetch_add(1);
        SetEvent(counter->called.Get());
    }
    int Calls() const { return calls.load(); }
    // True once `count` more calls than now have been made.
    bool AwaitMore(int count) const {
        const int target = Calls() + count;
        while (Calls() < target) {
            if (WaitForSingleObject(called.Get(), kSafetyLimitMs) != WAIT_OBJECT_0) return false;
        }
        return true;
    }

private:
    std::atomic<int> calls{0};
    Event called;
};

// A callback that blocks as a long tone at a slow tempo does: while held, until the test releases
// it, or for `holdMs` at most. It counts the tones that began and those that have ended.
class HeldTone {
public:
    explicit HeldTone(DWORD holdFor)
        : holdMs(holdFor), release(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~HeldTone() { CloseHandle(release); }
    HeldTone(const HeldTone&) = delete;
    HeldTone& operator=(const HeldTone&) = delete;

    static void Sound(void* self) {
        auto* tone = static_cast<HeldTone*>(self);
        tone->began.fetch_add(1);
        SetEvent(tone->beganEvent.Get());
        WaitForSingleObject(tone->release, tone->holdMs);
        tone->ended.fetch_add(1);
    }
    void Hold() { ResetEvent(release); }
    void Release() { SetEvent(release); }
    // True once `count` tones in all have begun.
    bool AwaitBegun(int count) const {
        while (Began() < count) {
            if (WaitForSingleObject(beganEvent.Get(), kSafetyLimitMs) != WAIT_OBJECT_0) return false;
        }
        return true;
    }
    int Began() const { return began.load(); }
    int Ended() const { return ended.load(); }

private:
    DWORD holdMs;
    HANDLE release;
    Event beganEvent;
    std::atomic<int> began{0};
    std::atomic<int> ended{0};
};

// How many more calls `count()` reports while an event of our own fires `ticks` times. One thread
// of the system serves every multimedia event in turn, so once ours has fired, whatever a stopped
// event still had under way has run; an event that survived would fire about as often as ours.
template <typename Count> int CallsWhileAnotherEventFires(int ticks, Count count) {
    Event tick;
    const MMRESULT id = timeSetEvent(1, 0, reinterpret_cast<LPTIMECALLBACK>(tick.Get()), 0,
                                     TIME_PERIODIC | TIME_CALLBACK_EVENT_SET);
    EXPECT_NE(id, 0u);
    if (id == 0) return -1;
    WaitForSingleObject(tick.Get(), kSafetyLimitMs);
    const int before = count();
    int fired = 0;
    while (fired < ticks && WaitForSingleObject(tick.Get(), kSafetyLimitMs) == WAIT_OBJECT_0)
        ++fired;
    const int more = count() - before;
    timeKillEvent(id);
    EXPECT_EQ(fired, ticks) << "our own event stopped firing";
    return more;
}

// Lets `ticks` periods of a 1 ms multimedia event of our own pass: the span two clocks are
// compared over, counted in events (ticks that came together count once, so it may last longer).
void LetTicksPass(int ticks) {
    Event tick;
    const MMRESULT id = timeSetEvent(1, 0, reinterpret_cast<LPTIMECALLBACK>(tick.Get()), 0,
                                     TIME_PERIODIC | TIME_CALLBACK_EVENT_SET);
    ASSERT_NE(id, 0u);
    int fired = 0;
    while (fired < ticks && WaitForSingleObject(tick.Get(), kSafetyLimitMs) == WAIT_OBJECT_0)
        ++fired;
    timeKillEvent(id);
    EXPECT_EQ(fired, ticks) << "our own event stopped firing";
}

double CounterMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMs;
}

// A clock reading and the performance-counter time before and after it: the reading was taken
// at some moment in between, however long the thread was held up.
struct Reading {
    uint32_t ms;
    double earliest;
    double latest;
};

Reading Read(TempoTimer& timer) {
    const double earliest = CounterMs();
    const uint32_t ms = timer.NowMs();
    return {ms, earliest, CounterMs()};
}

// Whether the clock advanced from `a` to `b` by the real time that passed between them, within
// `slackMs` for the whole-millisecond readings and `rate` (a fraction) for its calibration.
::testing::AssertionResult AdvancedAsRealTime(const Reading& a, const Reading& b, double slackMs,
                                              double rate) {
    const double advanced = static_cast<int32_t>(b.ms - a.ms);
    const double shortest = b.earliest - a.latest;
    const double longest = b.latest - a.earliest;
    const double low = shortest * (1.0 - rate) - slackMs;
    const double high = longest * (1.0 + rate) + slackMs;
    if (advanced >= low && advanced <= high) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the clock advanced " << advanced << " ms while " << shortest
                                         << " to " << longest << " ms passed";
}

} // namespace

TEST(TempoTimer, ConfigureClampsIntoTheDevicePeriodRange) {
    TIMECAPS caps{};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), static_cast<MMRESULT>(TIMERR_NOERROR));
    TempoTimer& timer = SharedTimer();
    CallCounter counter;
    timer.Configure(0, CallCounter::Count, &counter);
    EXPECT_EQ(timer.DelayMs(), caps.wPeriodMin);
    timer.Configure(caps.wPeriodMax + 1000u, CallCounter::Count, &counter);
    EXPECT_EQ(timer.DelayMs(), caps.wPeriodMax);
    timer.Configure(1, CallCounter::Count, &counter);
    EXPECT_EQ(timer.DelayMs(), std::max(1u, static_cast<unsigned>(caps.wPeriodMin)));
}

TEST(TempoTimer, StopWithoutStartIsHarmless) {
    TempoTimer& timer = SharedTimer();
    timer.Stop();
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
}

// The callbacks' objects below are static: a timer that wrongly calls on after its test must find
// them still there, and fail that test rather than corrupt the next one.

TEST(TempoTimer, TwoStartsLeaveOneEventThatOneStopEnds) {
    TempoTimer& timer = SharedTimer();
    static CallCounter counter;
    timer.Configure(1, CallCounter::Count, &counter);
    timer.Start();
    timer.Start();
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_TRUE(counter.AwaitMore(5)) << "the event never fired";
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_EQ(CallsWhileAnotherEventFires(50, [&] { return counter.Calls(); }), 0)
        << "a second event outlived Stop";
}

TEST(TempoTimer, StopDoesNotWaitForATickThatIsSoundingATone) {
    TempoTimer& timer = SharedTimer();
    static HeldTone tone(kSafetyLimitMs);
    tone.Hold();
    const int ended = tone.Ended();
    timer.Configure(1, HeldTone::Sound, &tone);
    timer.Start();
    ASSERT_TRUE(tone.AwaitBegun(tone.Began() + 1));
    timer.Stop();
    // Stop returned while the tone still sounds: had it waited, the tone would have ended first.
    EXPECT_EQ(tone.Ended(), ended) << "the UI thread waited for the tone";
    tone.Release();
    timer.StopAndWait();
    EXPECT_EQ(tone.Ended(), tone.Began()) << "StopAndWait returned while a tone was sounding";
    EXPECT_EQ(CallsWhileAnotherEventFires(20, [&] { return tone.Began(); }), 0)
        << "a tick came after StopAndWait";
}

// A tick that the system's timer thread has entered but that has not yet counted itself: the
// hook holds it there, at the top of the tick, until released or for 300 ms.
namespace held_entry {
Event entered;
HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
std::atomic<bool> holdNext{false};
std::atomic<bool> stopReturned{false};
std::atomic<int> callsAfterStop{0};
void Hold() {
    if (!holdNext.exchange(false)) return;
    SetEvent(entered.Get());
    WaitForSingleObject(release, 300);
}
void Count(void*) {
    if (stopReturned.load()) callsAfterStop.fetch_add(1);
}
} // namespace held_entry

TEST(TempoTimer, StopAndWaitSeesOutATickThatHasNotCountedItselfYet) {
    using namespace held_entry;
    TempoTimer& timer = SharedTimer();
    // Fresh for every run of the test, a repeated one included.
    ResetEvent(release);
    stopReturned = false;
    callsAfterStop = 0;
    TempoTimer::SetTickEntryHookForTests(Hold);
    timer.Configure(1, Count, nullptr);
    holdNext = true;
    timer.Start();
    ASSERT_EQ(WaitForSingleObject(entered.Get(), kSafetyLimitMs), static_cast<DWORD>(WAIT_OBJECT_0));
    timer.StopAndWait();
    stopReturned = true;
    SetEvent(release);
    // Once an event of our own has fired, the held tick is over, whatever it did.
    CallsWhileAnotherEventFires(5, [] { return 0; });
    TempoTimer::SetTickEntryHookForTests(nullptr);
    EXPECT_EQ(callsAfterStop.load(), 0) << "a tick called the owner after StopAndWait returned";
}

TEST(TempoTimer, DestructionWaitsForATickInProgress) {
    // Nobody releases this tone: it ends after its 300 ms, while the destructor must be waiting.
    static HeldTone tone(300);
    {
        TempoTimer timer;
        timer.Configure(1, HeldTone::Sound, &tone);
        timer.Start();
        ASSERT_TRUE(tone.AwaitBegun(tone.Began() + 1));
    }
    EXPECT_EQ(tone.Ended(), tone.Began()) << "the timer went away under a running tick";
}

TEST(TempoTimer, ClockAdvancesWithEitherSourceAndStaysContinuousAcrossASwitch) {
    {
        // A fresh timer reads the performance counter until its calibration is ready, then the
        // time-stamp clock carries on from there: a run begun at once is timed without a jump.
        TempoTimer fresh;
        const Reading early = Read(fresh);
        fresh.AwaitCalibration();
        EXPECT_EQ(fresh.UsesTsc(), fresh.IsCalibrated());
        EXPECT_TRUE(AdvancedAsRealTime(early, Read(fresh), 2.0, 0.01))
            << "across the calibration's take-over";
    }
    TempoTimer& timer = SharedTimer();
    for (bool highResolution : {true, false}) {
        timer.SetHighResolution(highResolution);
        const Reading start = Read(timer);
        LetTicksPass(60);
        // Whole-millisecond readings are each up to 1 ms short; the calibration is checked closely
        // below, so here it only has to be roughly right.
        EXPECT_TRUE(AdvancedAsRealTime(start, Read(timer), 1.0, 0.01)) << highResolution;
    }
    if (timer.HasTsc()) {
        EXPECT_GT(timer.CyclesPerMs(), 0);
    }
    // Across a switch the reading carries on where the other source stood: neither a jump ahead
    // nor back. Each switch may add up to 1 ms to the truncation of the two readings.
    timer.SetHighResolution(true);
    const Reading beforeSwitch = Read(timer);
    timer.SetHighResolution(false);
    const Reading afterSwitch = Read(timer);
    EXPECT_TRUE(AdvancedAsRealTime(beforeSwitch, afterSwitch, 2.0, 0.0));
    EXPECT_GE(static_cast<int32_t>(afterSwitch.ms - beforeSwitch.ms), 0);
    timer.SetHighResolution(true);
    const Reading switchedBack = Read(timer);
    EXPECT_TRUE(AdvancedAsRealTime(afterSwitch, switchedBack, 2.0, 0.0));
    EXPECT_GE(static_cast<int32_t>(switchedBack.ms - afterSwitch.ms), 0);
}

TEST(TempoTimer, TimersCalibratedApartReadOneMachineWideClock) {
    // What two copies of the program do: each calibrates at its own start. A clock counted from
    // its own calibration would read the time between the two starts apart.
    TempoTimer& first = SharedTimer();
    TempoTimer second;
    first.AwaitCalibration();
    second.AwaitCalibration();
    for (bool highResolution : {true, false}) {
        first.SetHighResolution(highResolution);
        second.SetHighResolution(highResolution);
        const SharedReading a = first.Share(first.NowMs());
        const SharedReading b = second.Share(second.NowMs());
        ASSERT_NE(a.clock, 0u) << highResolution;
        EXPECT_EQ(a.clock, b.clock) << highResolution;
        // Read one after the other: at most a millisecond boundary lies between them.
        EXPECT_LE(static_cast<uint32_t>(b.ms - a.ms), 1u) << highResolution;
        // Taken up as the second's own reading of that moment, whatever a switch of source has
        // added to it.
        uint32_t taken = 0;
        ASSERT_TRUE(second.TakeUp(a, taken));
        EXPECT_LE(static_cast<uint32_t>(second.NowMs() - taken), 1u) << highResolution;
    }
    first.SetHighResolution(true);
}

TEST(TempoTimer, CalibratedClockKeepsPaceWithThePerformanceCounter) {
    TempoTimer& timer = SharedTimer();
    if (!timer.HasTsc()) GTEST_SKIP() << "no time-stamp counter";
    timer.SetHighResolution(true);
    const Reading start = Read(timer);
    LetTicksPass(500);
    // A calibration disturbed by a lost time slice was off by percents; a sound one agrees with
    // the counter to a few hundred parts per million (the step-timing benchmark reports the
    // figure), so 1 % is a wide margin that still tells the two apart.
    EXPECT_TRUE(AdvancedAsRealTime(start, Read(timer), 1.0, 0.01));
}
