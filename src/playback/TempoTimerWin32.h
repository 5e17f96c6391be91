#pragma once
// The step clock on Windows: a periodic multimedia-timer event (1 ms by default) and a
// millisecond clock read from the processor's time-stamp counter, calibrated against the
// performance counter and refined at every start, or from the performance counter alone.
//
// The calibration takes about 100 ms, so it runs on a thread of its own from construction on,
// while the program starts and shows its window. Until it is done the clock reads the performance
// counter, whatever the preference says: a run started that early is timed by the counter and
// never by an uncalibrated time-stamp clock, and nothing waits for it. When the calibration is
// ready the clock carries on from the counter's reading (as at any switch of source), so a run in
// progress neither skips nor repeats a step.
//
// Thread-safety: Start and Stop are called on the UI thread; the fields the callback reads are
// atomic. Stop cancels the event without waiting for a callback in progress (the engine ignores a
// late tick once stopped); StopAndWait also waits it out, for teardown.
#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "common/Shared.h"
#include "playback/ClockCalibration.h"
#include "playback/EngineSeams.h"

class TempoTimer : public StepTimer {
public:
    TempoTimer(); // starts calibrating the time-stamp counter, about 100 ms, on its own thread
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
    // Waits until the calibration has finished (at once when there is none to make). UI thread.
    void AwaitCalibration();
    bool IsCalibrated() const { return tscReady.load(std::memory_order_acquire) != 0; }

    unsigned DelayMs() const { return delayMs; }
    bool IsRunning() const { return running.load() != 0; }
    bool HasTsc() const { return hasTsc != 0; }
    bool UsesTsc() const {
        return hasTsc && useHighResolution.load(std::memory_order_acquire) != 0 && IsCalibrated();
    }
    // Called at the top of every tick, before anything else: lets a test hold a tick there.
    static void SetTickEntryHookForTests(void (*hook)());
    // The calibration in force and the measurement behind it (0 until it is ready); UI thread.
    int32_t CyclesPerMs() const { return IsCalibrated() ? calibration.CyclesPerMs() : 0; }
    double MeasuredCyclesPerMs() const { return IsCalibrated() ? calibration.MeasuredCyclesPerMs() : 0.0; }

private:
    static void CALLBACK OnEvent(UINT id, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR);
    // Milliseconds of one source, unrounded, and the clock's reading from it.
    double SourceMs(bool tsc) const;
    double ReadingMs(bool tsc) const;
    int64_t OffsetMs(bool tsc) const { return offsetMs[tsc ? 1 : 0].load(std::memory_order_acquire); }
    // The offset that lets the `toTsc` source carry on where the `fromTsc` one stands.
    int64_t ContinuingOffsetMs(bool fromTsc, bool toTsc) const;
    uint32_t SharedClock() const;
    void Calibrate(); // the calibration thread
    void RefineCalibration();

    std::atomic<uint32_t> timerId{0};
    std::atomic<int> callbacksRunning{0};
    unsigned periodMs = 1;
    TscCalibration calibration;       // the calibration thread until tscReady, then the UI thread
    CycleClock tscClock;              // read on any thread
    std::atomic<uint8_t> tscReady{0}; // the calibration is done and the clock may read the TSC
    std::mutex switchMutex;           // one switch of source at a time: preference or calibration
    std::thread calibrating;
    HANDLE stopCalibrating = nullptr; // cuts the calibration's pauses short at destruction
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
    // Added to each source's reading, [0] counter, [1] TSC. Whole milliseconds, so a reading handed
    // to another copy can be taken back to the machine-wide source exactly.
    std::atomic<int64_t> offsetMs[2]{};
};
