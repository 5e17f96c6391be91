#pragma once
// The speaker's tones on a sound card: the engine's cues go into a small lock-free queue, and the
// audio thread turns them into the square wave, block by block. Each tone starts at the sample
// that the device plays at its due time plus one fixed latency, found on a map from the step clock
// to the device's played-sample position (PlayedPositionMap). So neither the moment a cue arrives
// nor the moment a block happens to be rendered plays a part: only the due time and what the
// device has really played.
//
// The latency is chosen once the device has played for a little while: the most it was seen to
// run ahead of its played position (what is written but not yet played, which the voice can no
// longer change), plus a margin for the timer thread's lateness, rounded up to a whole grid step
// so that copies on one device choose the same. Until then cues wait. It stays fixed from then
// on, so that copies keep the same latency; a cue that comes too late for it is counted.
//
// Thread-safety: PlayNote, PlayCue, EndRun and Silence may be called on any thread and never wait
// (a full queue drops the cue and counts it). ObservePosition and RenderBlock belong to the audio
// thread. Counters may be read on any thread.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "playback/EngineSeams.h"
#include "tone/PlayedPositionMap.h"
#include "tone/SquareWave.h"

struct VoiceSetup {
    int sampleRate = 44100;
    int blockSamples = 256; // one buffer of the device's ring
    int blocks = 16;        // buffers in the ring
    int16_t amplitude = 8000;
    int cueCapacity = 64;     // cues on their way to the audio thread; a power of two
    double measureMs = 500.0; // the device plays this long before the latency is first chosen
    double marginMs = 4.0;    // on top of the lookahead: how late the timer thread may report a step
    double latencyGridMs = 5.0;
    double fixedLatencyMs = 0.0; // nonzero: this latency, without measuring
};

// What went wrong, and what was chosen, counted; none of it is ever shown as a dialog.
struct VoiceCounters {
    uint64_t tones = 0;       // sounding cues placed
    uint64_t droppedCues = 0; // the queue was full: the cue never reached the audio thread
    uint64_t lateTones = 0;   // their first sample had been rendered before they were placed
    uint64_t dropouts = 0;    // the device lost time
    double lostMs = 0.0;      // the time it lost in all
    double lookaheadMs = 0.0; // the most the device has run ahead of its played position
    double latencyMs = 0.0;   // from a due time to its tone's first sample played; 0 until chosen
};

class SoundCardVoice : public ToneOutput {
public:
    explicit SoundCardVoice(const VoiceSetup& setup);
    ~SoundCardVoice() override;
    SoundCardVoice(const SoundCardVoice&) = delete;
    SoundCardVoice& operator=(const SoundCardVoice&) = delete;

    // A tone due at the latest position reading, for callers without a step clock.
    void PlayNote(int note, int lengthMs) override;
    void PlayCue(const ToneCue& cue) override;
    // Ends the run at once, from the next block rendered.
    void EndRun(uint32_t run) override;
    // Ends the run at `clockMs` (a step-clock reading, like the cues' due times): it is heard
    // then plus the latency, like every step, so a tone due before the stop still sounds up to it,
    // as the speaker's would.
    void EndRunAt(uint32_t run, double clockMs);
    void Silence() override;

    // The device had played `playedSamples` (counted from its first) when the step clock read
    // `clockMs` (StepTimer::PreciseMs, read after the count).
    void ObservePosition(double clockMs, int64_t playedSamples);
    // Renders the next block of Setup().blockSamples samples, for the device to play after what
    // it already has.
    void RenderBlock(int16_t* out);

    VoiceCounters Counters() const;
    const VoiceSetup& Setup() const { return setup; }
    // Samples rendered so far.
    int64_t RenderedSamples() const { return rendered.load(std::memory_order_relaxed); }

private:
    class CueQueue;

    void TakeCues();
    void Place(const ToneCue& cue);
    void MeasureLookahead();
    double ChosenLatencyMs() const;
    double DueOnTimeline(const ToneCue& cue) const;
    double ReadingOnTimeline(double clockMs) const;
    bool Placing() const;
    int64_t SamplesFor(double ms) const;

    VoiceSetup setup;
    std::unique_ptr<CueQueue> queue;
    std::atomic<uint32_t> endedRun{0};
    std::atomic<double> endedAtMs{0.0}; // NaN: at once
    std::atomic<uint32_t> silenceRequests{0};
    std::atomic<uint64_t> droppedCues{0};

    // Audio thread only, but counted for any thread to read.
    SquareSynth synth;
    PlayedPositionMap map;
    std::vector<ToneCue> waiting; // taken from the queue before the latency was chosen
    std::atomic<uint64_t> tones{0};
    std::atomic<uint64_t> lateTones{0};
    std::atomic<uint64_t> dropouts{0};
    std::atomic<double> lostMs{0.0};
    std::atomic<double> lookaheadMs{0.0};
    std::atomic<double> latencyMs{0.0};
    std::atomic<int64_t> rendered{0};
    uint32_t handledEnd = 0;
    uint32_t handledSilence = 0;
    // The step clock as one unbroken line: readings wrap at 2^32 ms, the timeline does not.
    bool clockSeen = false;
    double lastReadingMs = 0.0;
    double timelineMs = 0.0;
    double mapReadyAtMs = 0.0;
};
