#include "playback/TempoTimerWin32.h"

#include <intrin.h>

#include <algorithm>

#include "playback/ClockCalibration.h"

namespace {

constexpr int kCalibrationMs = 100;

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

// Reads the performance counter until keepWaiting(elapsed, target) fails, target being `ms`
// milliseconds of counter ticks; returns the ticks that really passed, 0 without a counter. The
// wait and its overhead twin below share this body, so they make the same calls.
template <typename KeepWaiting> int64_t CounterLoop(int ms, KeepWaiting keepWaiting) {
    LARGE_INTEGER frequency{};
    if (!QueryPerformanceFrequency(&frequency)) return 0;
    const int64_t target = (frequency.QuadPart / 1000) * ms;
    const int64_t start = PerformanceCount();
    int64_t now = 0;
    do {
        now = PerformanceCount();
    } while (keepWaiting(now - start, target));
    return now - start;
}

// Busy-waits `ms` milliseconds; more ticks pass than asked when the thread lost the processor.
int64_t CounterWait(int ms) {
    return CounterLoop(ms, [](int64_t elapsed, int64_t target) { return elapsed < target; });
}

// The same wait, but its loop normally ends after one reading: timing it measures what the wait
// itself costs.
int64_t CounterWaitOverhead(int ms) {
    return CounterLoop(ms, [](int64_t elapsed, int64_t target) { return elapsed == target; });
}

struct TscSample {
    int64_t cycles;
    int64_t counterTicks;
};

template <typename Wait> TscSample TscAcross(Wait wait) {
    const uint64_t before = __rdtsc();
    const int64_t ticks = wait(kCalibrationMs);
    return {static_cast<int64_t>(__rdtsc() - before), ticks};
}

// Raises the process to real-time and this thread to time-critical for its lifetime, so the
// calibration is not interrupted; restores only what it managed to raise.
class CalibrationPriority {
public:
    CalibrationPriority()
        : process_(GetCurrentProcess()), thread_(GetCurrentThread()), oldClass_(GetPriorityClass(process_)),
          oldPriority_(GetThreadPriority(thread_)) {
        if (oldClass_ != 0) SetPriorityClass(process_, REALTIME_PRIORITY_CLASS);
        if (oldPriority_ != THREAD_PRIORITY_ERROR_RETURN)
            SetThreadPriority(thread_, THREAD_PRIORITY_TIME_CRITICAL);
    }
    ~CalibrationPriority() {
        if (oldPriority_ != THREAD_PRIORITY_ERROR_RETURN) SetThreadPriority(thread_, oldPriority_);
        if (oldClass_ != 0) SetPriorityClass(process_, oldClass_);
    }
    CalibrationPriority(const CalibrationPriority&) = delete;
    CalibrationPriority& operator=(const CalibrationPriority&) = delete;

private:
    HANDLE process_;
    HANDLE thread_;
    DWORD oldClass_;
    int oldPriority_;
};

int32_t CalibrateCyclesPerMs(int64_t counterFrequency) {
    TscSample measured{}, overhead{};
    {
        CalibrationPriority priority;
        measured = TscAcross(CounterWait);
        overhead = TscAcross(CounterWaitOverhead);
    }
    return ChooseCyclesPerMs(
        CyclesPerMsFromSamples(measured.cycles, overhead.cycles, measured.counterTicks, counterFrequency));
}

} // namespace

TempoTimer::TempoTimer() {
    hasTsc = ProcessorHasTsc() ? 1 : 0;
    LARGE_INTEGER frequency{};
    if (QueryPerformanceFrequency(&frequency)) qpcFrequency = frequency.QuadPart;
    if (hasTsc) cyclesPerMs = CalibrateCyclesPerMs(qpcFrequency);
    timeGetDevCaps(&caps, sizeof caps);
    if (periodMs < caps.wPeriodMin) periodMs = caps.wPeriodMin;
    timeBeginPeriod(periodMs);
}

TempoTimer::~TempoTimer() {
    // Never leave an event behind that would call into a destroyed owner.
    StopAndWait();
    timeEndPeriod(periodMs);
}

void TempoTimer::StopAndWait() {
    Stop();
    while (callbacksRunning.load() != 0) Sleep(1);
}

void TempoTimer::Configure(unsigned delay, Callback newCallback, void* user) {
    const unsigned low = caps.wPeriodMin;
    const unsigned high = std::max(caps.wPeriodMax, caps.wPeriodMin);
    delayMs = std::clamp(delay, low, high);
    callback = newCallback;
    userValue = user;
}

void TempoTimer::Start() {
    Stop();
    const MMRESULT id = timeSetEvent(delayMs, resolutionMs, OnEvent, reinterpret_cast<DWORD_PTR>(this),
                                     TIME_PERIODIC | TIME_CALLBACK_FUNCTION);
    timerId.store(id);
    running = 1;
}

void TempoTimer::Stop() {
    running = 0;
    // The kill does not wait for a callback in progress: that callback may be sounding a tone,
    // which at a slow tempo lasts most of a step, and the UI thread must not freeze for it. A
    // tick that still lands finds the engine stopped; StopAndWait is for teardown.
    if (const uint32_t id = timerId.exchange(0); id != 0) timeKillEvent(id);
}

void CALLBACK TempoTimer::OnEvent(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* self = reinterpret_cast<TempoTimer*>(user);
    self->callbacksRunning.fetch_add(1);
    if (self->callback != nullptr) {
        try {
            self->callback(self->userValue);
        } catch (...) {
            // Nothing may unwind into the system's timer thread.
        }
    }
    self->callbacksRunning.fetch_sub(1);
}

int64_t TempoTimer::SourceMs(bool tsc) const {
    if (tsc) return static_cast<int64_t>(__rdtsc()) / cyclesPerMs;
    const int64_t ticksPerMs = qpcFrequency / 1000;
    if (ticksPerMs <= 0) return timeGetTime(); // no performance counter: the multimedia clock still counts ms
    return PerformanceCount() / ticksPerMs;
}

uint32_t TempoTimer::NowMs() {
    const bool tsc = UsesTsc();
    return static_cast<uint32_t>(SourceMs(tsc) + offsetMs[tsc ? 1 : 0].Get());
}

void TempoTimer::SetHighResolution(bool flag) {
    const bool fromTsc = UsesTsc();
    const bool toTsc = flag && hasTsc && cyclesPerMs > 0;
    if (fromTsc != toTsc) {
        const int64_t now = SourceMs(fromTsc) + offsetMs[fromTsc ? 1 : 0].Get();
        offsetMs[toTsc ? 1 : 0] = now - SourceMs(toTsc);
    }
    useHighResolution = flag ? 1 : 0;
}
