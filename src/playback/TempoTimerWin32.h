#pragma once
// The step clock on Windows: a periodic multimedia-timer event (1 ms by default) and a
// millisecond clock read from the processor's time-stamp counter, calibrated against the
// performance counter at construction and refined at every start, or from the performance
// counter alone.
//
// Thread-safety: Start and Stop are called on the UI thread; the fields the callback reads are
// atomic. Stop cancels the event without waiting for a callback in progress (the engine ignores a
// late tick once stopped); StopAndWait also waits it out, for teardown.
#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <cstdint>

#include "common/Shared.h"
#include "playback/ClockCalibration.h"
#include "playback/EngineSeams.h"

class TempoTimer : public StepTimer {
public:
    TempoTimer(); // calibrates the time-stamp counter: about 100 ms at raised priority
    ~TempoTimer() override;
    TempoTimer(const TempoTimer&) = delete;
    TempoTimer& operator=(const TempoTimer&) = delete;

    // The delay is clamped into the device's period range.
    void Configure(unsigned delay, Callback callback, void* user) override;
    // Also refines the calibration over the time since construction.
    void Start() override;
    void Stop() override;
    // Stops and waits for a callback still running (one sounding a tone, say): for teardown, so
    // nothing calls into the owner once it is gone.
    void StopAndWait();
    uint32_t NowMs() override;
    double PreciseMs() override;
    // Both sources are machine-wide as long as no switch has moved this process's reading off
    // them: the performance counter, and the time-stamp counter counted from cycle 0 at a whole
    // number of megahertz, which every copy that measured the same processor chooses alike.
    SharedReading Share(uint32_t reading) override;
    bool TakeUp(const SharedReading& shared, uint32_t& reading) override;

    // Takes the clock from the time-stamp counter (when there is one) or the performance counter.
    // The reading carries on from where the other source stood, so a switch while playing neither
    // skips nor repeats steps.
    void SetHighResolution(bool flag);

    unsigned DelayMs() const { return delayMs; }
    bool IsRunning() const { return running.load() != 0; }
    bool HasTsc() const { return hasTsc != 0; }
    bool UsesTsc() const {
        return hasTsc && useHighResolution.load(std::memory_order_acquire) != 0 && tscReady.Get() != 0;
    }
    // Called at the top of every tick, before anything else: lets a test hold a tick there.
    static void SetTickEntryHookForTests(void (*hook)());
    // The calibration in force and the measurement behind it; UI thread.
    int32_t CyclesPerMs() const { return calibration.CyclesPerMs(); }
    double MeasuredCyclesPerMs() const { return calibration.MeasuredCyclesPerMs(); }

private:
    static void CALLBACK OnEvent(UINT id, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR);
    int64_t SourceMs(bool tsc) const;
    double SourcePreciseMs(bool tsc) const;
    int64_t OffsetMs(bool tsc) const { return offsetMs[tsc ? 1 : 0].load(std::memory_order_acquire); }
    uint32_t SharedClock() const;
    void RefineCalibration();

    std::atomic<uint32_t> timerId{0};
    std::atomic<int> callbacksRunning{0};
    unsigned periodMs = 1;
    TscCalibration calibration; // UI thread
    CycleClock tscClock;        // read on any thread
    Shared<uint8_t> tscReady{0};
    Callback callback = nullptr;
    void* userValue = nullptr;
    unsigned resolutionMs = 2;
    std::atomic<uint8_t> running{0}; // sequentially consistent: see OnEvent
    TIMECAPS caps{};
    unsigned delayMs = 1;
    uint8_t hasTsc = 0;
    // Published after the offset it goes with, so a reader that sees the new source sees its offset.
    std::atomic<uint8_t> useHighResolution{1};
    int64_t qpcFrequency = 0;
    std::atomic<int64_t> offsetMs[2]{}; // added to each source's reading, [0] counter, [1] TSC
};
