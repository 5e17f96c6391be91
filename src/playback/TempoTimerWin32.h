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

    // Takes the clock from the time-stamp counter (when there is one) or the performance counter.
    // The reading carries on from where the other source stood, so a switch while playing neither
    // skips nor repeats steps.
    void SetHighResolution(bool flag);

    unsigned DelayMs() const { return delayMs; }
    bool IsRunning() const { return running.Get() != 0; }
    bool HasTsc() const { return hasTsc != 0; }
    bool UsesTsc() const { return hasTsc && useHighResolution.Get() && tscReady.Get() != 0; }
    // The calibration in force and the measurement behind it; UI thread.
    int32_t CyclesPerMs() const { return calibration.CyclesPerMs(); }
    double MeasuredCyclesPerMs() const { return calibration.MeasuredCyclesPerMs(); }

private:
    static void CALLBACK OnEvent(UINT id, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR);
    int64_t SourceMs(bool tsc) const;
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
    Shared<uint8_t> running{0};
    TIMECAPS caps{};
    unsigned delayMs = 1;
    uint8_t hasTsc = 0;
    Shared<uint8_t> useHighResolution{1};
    int64_t qpcFrequency = 0;
    Shared<int64_t> offsetMs[2]{}; // added to each source's reading, [0] counter, [1] TSC
};
