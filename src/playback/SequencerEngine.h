#pragma once
// The step engine: turns the document's measures into timed tones. A periodic timer calls
// OnTimer about once a millisecond on the timer thread; when the next sixteenth is due the engine
// books the step (note, tone length, next position), posts SEQM_STEP_PLAYED and, at the start of
// a pass, SEQM_MEASURE_MARK to its own window, and then sounds the tone, blocking for its length.
// Neither message is posted while one of its kind still waits in the queue: the window reads the
// position and the mark when it takes the message, so at any tempo its queue holds at most two of
// them and input always gets through.
// The UI thread starts and stops playback, changes tempo and measure, and turns the posted
// messages into the step highlight and the playing mark.
//
// Thread-safety: `playing` is also the step claim. Whoever moves it from kPlaying or kStopped to
// kClaimed may change the playing position and the time line; the timer thread only tries for it
// (it never waits), the UI thread waits the few microseconds a booking takes. Everything a step
// changes is booked before its tone sounds, so a callback still sounding a tone after a stop has
// nothing left to write. Only the UI thread starts or stops the run and the periodic event, so a
// stop always wins over anything the timer thread does. The timing fields are Shared values and
// are read whole; the highlight state below belongs to the UI thread.
#include <atomic>
#include <cstdint>

#include "common/Shared.h"
#include "playback/EngineSeams.h"

class SongDocument;

// What the engine plays from and through; none of it is owned, all of it outlives the engine.
struct EngineParts {
    SongDocument& document;
    StepTimer& timer;
    ToneOutput& tone;
    MessagePoster& poster;
    EnginePanel& panel;
    KeyState& keys;
};

class SequencerEngine {
public:
    SequencerEngine() = default;
    virtual ~SequencerEngine() = default;
    SequencerEngine(const SequencerEngine&) = delete;
    SequencerEngine& operator=(const SequencerEngine&) = delete;

    // Stores the references, configures the timer with a 1 ms period and this engine as the
    // callback's user value, then starts and stops it once.
    void Initialise(const EngineParts& parts);

    // Starts the step clock at the document's tempo and arms the periodic event. UI thread.
    void Start();
    // Ends the run and cancels the periodic event; the playing position is left alone. UI thread.
    void Stop();
    // Play or stop on the user's request; with Control held the other copies are not told.
    void Toggle();
    // Due test; plays at most one step per call. Timer thread.
    void OnTimer();
    // Plays the current step and advances the position. UI thread (tests, first step).
    void PlayStep();
    // Schedules the document's new tempo: the next step falls the new duration after the due time
    // of the previous one, and the time line restarts there.
    void TempoChanged();
    // Measure button `index` was clicked after `editMeasure` was set: playback moves there.
    void SelectMeasureWhilePlaying(int index);
    // Number key: while playing, the playing measure becomes `measure` (0..7) at the same step
    // position with a fresh pass count. Returns false (nothing done) when stopped or out of range.
    bool JumpToMeasure(int measure);
    // Moves (on) or clears (off) the highlight of the step column just played. UI thread.
    void ShowPlayingStep(StepLight light);
    // Every message of the main window passes here first; none is consumed.
    void HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam);
    // For the main window's teardown: stops quietly (no posts, no panel calls, no broadcast),
    // cancels the periodic event and refuses later starts. The timer's implementation must not
    // call back after its Stop returns.
    void Shutdown();

    bool IsPlaying() const { return playing.load(std::memory_order_acquire) != kStopped; }

    // The step clock, for tests and diagnostics.
    double StepMs() const { return stepMs; }
    double PendingStepMs() const { return pendingStepMs; }
    bool TempoChangePending() const { return tempoChanged != 0; }
    uint32_t StartMs() const { return startMs; }
    int32_t TickCount() const { return tickCount; }
    int LitColumn() const { return litColumn; }

    // Callback for the StepTimer; `user` is the engine. Never lets an exception out.
    static void TimerCallback(void* user) noexcept;

private:
    static constexpr int32_t kStopped = 0;
    static constexpr int32_t kPlaying = 1;
    static constexpr int32_t kClaimed = 2;
    // A start shared by another copy older than this is not taken up: the message was held up.
    static constexpr int32_t kSharedStartMaxAgeMs = 1000;

    // What a booked step sounds, after the claim is released.
    struct ToneRequest {
        int note = 0;
        int lengthMs = 0;
        bool sound = false;
        uint32_t run = 0;
        uint32_t lineStartMs = 0;
        double dueAfterMs = 0.0;
    };

    class Claim;

    bool Ready() const { return document != nullptr && !shutDown; }
    int32_t WaitForClaim();
    ToneRequest BeginPlayback(uint32_t lineStartMs);
    void EndPlayback();
    // Another copy's start: on its time line when the clocks agree and the reading is plausible.
    void StartFromMessage(uintptr_t wParam, intptr_t lParam);
    uint32_t StartOfSharedLine(uintptr_t wParam, intptr_t lParam);
    void StopFromMessage();
    void ResetTimeLine(uint32_t lineStartMs);
    double DuePeriod() const; // due time of the next step after startMs
    bool StepDue(uint32_t now) const;
    void AdvanceTimeLine(uint32_t playedAtMs);
    ToneRequest BookStep(uint32_t lineStartMs, double dueAfterMs);
    void AdvancePosition(int measure, int step);
    void Sound(const ToneRequest& request);
    void PostStepPlayed();
    void PostMeasureMark(int measure, intptr_t lParam);
    void ShowMeasureMark(uintptr_t wParam, intptr_t lParam);
    int StepsPerMeasure() const;
    int LinkedMeasure(int measure) const;

    SongDocument* document = nullptr;
    StepTimer* timer = nullptr;
    ToneOutput* tone = nullptr;
    MessagePoster* poster = nullptr;
    EnginePanel* panel = nullptr;
    KeyState* keys = nullptr;

    Shared<uint8_t> tempoChanged{0};        // a tempo change waits for the next step
    std::atomic<int32_t> playing{kStopped}; // nonzero while playing; kClaimed while booking
    Shared<double> stepMs{0.0};             // milliseconds per sixteenth in force
    Shared<double> pendingStepMs{0.0};      // takes over at the next step after a tempo change
    Shared<uint32_t> startMs{0};            // clock reading at the start of the time line
    Shared<int32_t> tickCount{0};           // ordinal of the next due step; 1 after a start
    Shared<uint32_t> run{0};                // counts the starts, so a tone output can tell runs apart

    // The posted notifications, one of a kind waiting at most. A flag is set by whoever posts and
    // cleared by the window when it takes the message, before it reads what the message is about
    // (sequentially consistent, so a change made after the read is always posted anew).
    static constexpr int kNoMark = -1;
    std::atomic<bool> stepPostWaiting{false};
    std::atomic<bool> markPostWaiting{false};
    std::atomic<int> markToShow{kNoMark}; // the measure the playing mark should be on, or kNoMark

    // UI thread only.
    int litColumn = 0;             // step column lit by ShowPlayingStep, 0 = none yet
    int32_t highlightThrottle = 0; // steps since the highlight last moved
    SharedReading broadcastStart;  // the start this copy last told the others of
    bool shutDown = false;
};
