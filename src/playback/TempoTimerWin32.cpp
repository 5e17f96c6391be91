#include "playback/TempoTimerWin32.h"

#include <intrin.h>

#include <algorithm>
#include <cmath>

#include "playback/ClockCalibration.h"

namespace {

bool ProcessorHasTsc() {
    int registers[4] = {}; // eax, ebx, ecx, edx of leaf 1
    __cpuid(registers, 1);
    return (static_cast<unsigned>(registers[3]) & (1u << 4)) != 0;
}

int64_t PerformanceCount() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

class MachineCounters : public CalibrationCounters {
public:
    explicit MachineCounters(HANDLE stopEvent = nullptr) : stop(stopEvent) {}
    int64_t Counter() override { return PerformanceCount(); }
    int64_t Cycles() override { return static_cast<int64_t>(__rdtsc()); }
    // A timer going away ends the pauses at once; the readings after it then fail or make a
    // calibration nobody uses.
    void Pause(int ms) override {
        if (stop != nullptr)
            WaitForSingleObject(stop, static_cast<DWORD>(ms));
        else
            Sleep(static_cast<DWORD>(ms));
    }

private:
    HANDLE stop;
};

// Eleven readings 10 ms apart: about 100 ms, as long as the calibration always took. A bracket
// wider than 20 us means the thread lost the processor inside it.
CalibrationSetup CalibrationFor(int64_t counterFrequency) {
    CalibrationSetup setup;
    setup.counterFrequency = counterFrequency;
    setup.maxBracketTicks = std::max<int64_t>(counterFrequency / 50000, 2);
    return setup;
}

// Raises the calling thread to time-critical for its lifetime, so the readings are seldom
// interrupted; a reading that was is thrown away by its wide bracket anyway. The process keeps
// its class: the calibration now runs while the window paints, and lifting the whole process to
// real time would lift the user-interface thread with it.
class CalibrationPriority {
public:
    CalibrationPriority() : thread(GetCurrentThread()), oldPriority(GetThreadPriority(thread)) {
        if (oldPriority != THREAD_PRIORITY_ERROR_RETURN)
            SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    }
    ~CalibrationPriority() {
        if (oldPriority != THREAD_PRIORITY_ERROR_RETURN) SetThreadPriority(thread, oldPriority);
    }
    CalibrationPriority(const CalibrationPriority&) = delete;
    CalibrationPriority& operator=(const CalibrationPriority&) = delete;

private:
    HANDLE thread;
    int oldPriority;
};

// The longest a teardown waits for the system's timer thread to finish a tick it had begun.
constexpr DWORD kDrainLimitMs = 5000;

std::atomic<void (*)()> tickEntryHook{nullptr};

// The system serves every multimedia event on one thread, in turn: once a one-shot event set now
// has fired, any tick that thread had already begun is over.
void DrainTimerThread() {
    HANDLE fired = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (fired == nullptr) return;
    const MMRESULT id = timeSetEvent(1, 0, reinterpret_cast<LPTIMECALLBACK>(fired), 0,
                                     TIME_ONESHOT | TIME_CALLBACK_EVENT_SET);
    if (id != 0) WaitForSingleObject(fired, kDrainLimitMs);
    CloseHandle(fired);
}

constexpr uint32_t kCounterClock = 1;
constexpr uint32_t kCycleClockFlag = 0x80000000u;
constexpr double kClockWrapMs = 4294967296.0;

} // namespace

TempoTimer::TempoTimer() {
    hasTsc = ProcessorHasTsc() ? 1 : 0;
    LARGE_INTEGER frequency{};
    if (QueryPerformanceFrequency(&frequency)) qpcFrequency = frequency.QuadPart;
    timeGetDevCaps(&caps, sizeof caps);
    if (periodMs < caps.wPeriodMin) periodMs = caps.wPeriodMin;
    timeBeginPeriod(periodMs);
    if (hasTsc && qpcFrequency > 0) {
        stopCalibrating = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        try {
            calibrating = std::thread([this] { Calibrate(); });
        } catch (...) {
            // No thread: the performance counter stays the clock.
        }
    }
}

TempoTimer::~TempoTimer() {
    // Never leave an event behind that would call into a destroyed owner.
    StopAndWait();
    if (stopCalibrating != nullptr) SetEvent(stopCalibrating);
    AwaitCalibration();
    if (stopCalibrating != nullptr) CloseHandle(stopCalibrating);
    timeEndPeriod(periodMs);
}

void TempoTimer::AwaitCalibration() {
    if (calibrating.joinable()) calibrating.join();
}

void TempoTimer::Calibrate() {
    MachineCounters counters(stopCalibrating);
    bool calibrated = false;
    {
        CalibrationPriority priority;
        calibrated = calibration.Calibrate(counters, CalibrationFor(qpcFrequency));
    }
    if (!calibrated || WaitForSingleObject(stopCalibrating, 0) == WAIT_OBJECT_0) return;
    tscClock.SetRate(counters.Cycles(), calibration.CyclesPerMs());
    // The time-stamp clock takes over where the counter stands, if the preference wants it.
    // As at any switch of source, the new source's offset is written before it comes into force,
    // so a reader on the timer thread sees either the old source with its offset or the new one
    // with its own. One switch at a time: the preference may change at this very moment.
    std::lock_guard<std::mutex> lock(switchMutex);
    const bool fromTsc = UsesTsc();
    const bool toTsc = hasTsc && useHighResolution.load(std::memory_order_relaxed) != 0;
    if (fromTsc != toTsc)
        offsetMs[toTsc ? 1 : 0].store(ContinuingOffsetMs(fromTsc, toTsc), std::memory_order_release);
    tscReady.store(1, std::memory_order_release);
}

void TempoTimer::StopAndWait() {
    Stop();
    // A tick that the system has begun may not have counted itself yet; it will find `running`
    // cleared once it has, and the drain sees it out either way.
    DrainTimerThread();
    while (callbacksRunning.load() != 0)
        Sleep(1);
}

void TempoTimer::SetTickEntryHookForTests(void (*hook)()) { tickEntryHook.store(hook); }

void TempoTimer::Configure(unsigned delay, Callback newCallback, void* user) {
    const unsigned low = caps.wPeriodMin;
    const unsigned high = std::max(caps.wPeriodMax, caps.wPeriodMin);
    delayMs = std::clamp(delay, low, high);
    callback = newCallback;
    userValue = user;
}

void TempoTimer::Start() {
    Stop();
    RefineCalibration();
    const MMRESULT id = timeSetEvent(delayMs, resolutionMs, OnEvent, reinterpret_cast<DWORD_PTR>(this),
                                     TIME_PERIODIC | TIME_CALLBACK_FUNCTION);
    timerId.store(id);
    running.store(1);
}

void TempoTimer::Stop() {
    running.store(0);
    // The kill does not wait for a callback in progress: that callback may be sounding a tone,
    // which at a slow tempo lasts most of a step, and the UI thread must not freeze for it. A
    // tick that still lands finds the engine stopped; StopAndWait is for teardown.
    if (const uint32_t id = timerId.exchange(0); id != 0) timeKillEvent(id);
}

void TempoTimer::RefineCalibration() {
    if (!IsCalibrated()) return;
    MachineCounters counters;
    // The clock carries on from its present reading at the refined rate, so a run that has
    // already begun neither skips nor repeats a step.
    if (calibration.Refine(counters)) tscClock.SetRate(counters.Cycles(), calibration.CyclesPerMs());
}

void CALLBACK TempoTimer::OnEvent(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    if (void (*hook)() = tickEntryHook.load(); hook != nullptr) hook();
    auto* self = reinterpret_cast<TempoTimer*>(user);
    // Counted first, then `running` looked at (both sequentially consistent): a StopAndWait that
    // cleared `running` before this count either sees the count and waits, or this tick sees the
    // stop and calls nobody.
    self->callbacksRunning.fetch_add(1);
    if (self->running.load() != 0 && self->callback != nullptr) {
        try {
            self->callback(self->userValue);
        } catch (...) {
            // Nothing may unwind into the system's timer thread.
        }
    }
    self->callbacksRunning.fetch_sub(1);
}

double TempoTimer::SourceMs(bool tsc) const {
    if (tsc) return tscClock.Ms(static_cast<int64_t>(__rdtsc()));
    const int64_t ticksPerMs = qpcFrequency / 1000;
    if (ticksPerMs <= 0) return timeGetTime(); // no performance counter: the multimedia clock still counts ms
    return static_cast<double>(PerformanceCount()) / static_cast<double>(ticksPerMs);
}

int64_t TempoTimer::ContinuingOffsetMs(bool fromTsc, bool toTsc) const {
    // The new source is read first and the offset rounded up, so its readings never fall behind
    // one already taken from the old source (a step clock that went back would replay a step);
    // they may run up to a millisecond ahead.
    const double to = SourceMs(toTsc);
    const double from = ReadingMs(fromTsc);
    return static_cast<int64_t>(std::ceil(from - to));
}

double TempoTimer::ReadingMs(bool tsc) const { return SourceMs(tsc) + static_cast<double>(OffsetMs(tsc)); }

uint32_t TempoTimer::NowMs() {
    // Whole milliseconds, the low 32 bits: callers take differences, so the wrap is harmless.
    return static_cast<uint32_t>(static_cast<int64_t>(std::floor(ReadingMs(UsesTsc()))));
}

double TempoTimer::PreciseMs() {
    const double ms = std::fmod(ReadingMs(UsesTsc()), kClockWrapMs);
    return ms < 0.0 ? ms + kClockWrapMs : ms;
}

void TempoTimer::SetHighResolution(bool flag) {
    std::lock_guard<std::mutex> lock(switchMutex); // the calibration's take-over is a switch too
    const bool fromTsc = UsesTsc();
    const bool toTsc = flag && hasTsc && IsCalibrated();
    if (fromTsc != toTsc)
        offsetMs[toTsc ? 1 : 0].store(ContinuingOffsetMs(fromTsc, toTsc), std::memory_order_release);
    useHighResolution.store(flag ? 1 : 0, std::memory_order_release);
}

uint32_t TempoTimer::SharedClock() const {
    if (UsesTsc()) {
        const int32_t rate = calibration.CyclesPerMs();
        if (!tscClock.FromZero() || rate <= 0 || RoundToWholeMegahertz(rate) != rate) return 0;
        return kCycleClockFlag | static_cast<uint32_t>(rate);
    }
    return qpcFrequency / 1000 > 0 ? kCounterClock : 0;
}

SharedReading TempoTimer::Share(uint32_t reading) {
    const uint32_t clock = SharedClock();
    if (clock == 0) return {};
    return {clock, reading - static_cast<uint32_t>(OffsetMs(UsesTsc()))};
}

bool TempoTimer::TakeUp(const SharedReading& shared, uint32_t& reading) {
    const uint32_t clock = SharedClock();
    if (clock == 0 || clock != shared.clock) return false;
    reading = shared.ms + static_cast<uint32_t>(OffsetMs(UsesTsc()));
    return true;
}
