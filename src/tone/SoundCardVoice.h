#pragma once
// The speaker's tones on a sound card: the engine's cues go into a small lock-free queue, and the
// audio thread turns them into the square wave, block by block, each tone starting at the sample
// that its due time on the step clock gives, behind a fixed latency. Only the due time decides
// where a tone lands, so however late the timer thread reports a step, it is heard in time.
//
// Thread-safety: PlayNote, PlayCue and EndRun may be called on any thread and never wait (a full
// queue drops the cue and counts it). RenderBlock belongs to the audio thread.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "playback/EngineSeams.h"
#include "tone/SquareWave.h"

struct VoiceSetup {
    int sampleRate = 44100;
    int blockSamples = 256;  // one buffer of the device's ring
    int blocks = 6;          // buffers in the ring
    double latencyMs = 45.0; // from a due time to its tone's first sample, past the ring's length
    int16_t amplitude = 8000;
    int cueCapacity = 64; // cues on their way to the audio thread; a power of two
};

// What went wrong, counted; none of it is ever shown as a dialog.
struct VoiceCounters {
    uint64_t tones = 0;       // sounding cues placed
    uint64_t droppedCues = 0; // the queue was full: the cue never reached the audio thread
    uint64_t lateTones = 0;   // reached the audio thread after their first sample was rendered
};

class SoundCardVoice : public ToneOutput {
public:
    SoundCardVoice(const VoiceSetup& setup, StepTimer& clock);
    ~SoundCardVoice() override;
    SoundCardVoice(const SoundCardVoice&) = delete;
    SoundCardVoice& operator=(const SoundCardVoice&) = delete;

    // A tone due now, for callers without a step clock.
    void PlayNote(int note, int lengthMs) override;
    void PlayCue(const ToneCue& cue) override;
    void EndRun(uint32_t run) override;

    // Renders the next block of setup().blockSamples samples; called when a buffer of the ring is
    // free, so the block is heard once the other buffers have played.
    void RenderBlock(int16_t* out);

    VoiceCounters Counters() const;
    const VoiceSetup& Setup() const { return setup_; }
    // Milliseconds from a block's rendering to its first sample being played, with a full ring.
    double AheadMs() const;

private:
    class CueQueue;

    void Place(const ToneCue& cue, uint32_t nowMs);
    int64_t SamplesFor(double ms) const;

    VoiceSetup setup_;
    StepTimer& clock_;
    std::unique_ptr<CueQueue> queue_;
    std::atomic<uint32_t> endedRun_{0};
    std::atomic<uint64_t> droppedCues_{0};

    // Audio thread only, but counted for any thread to read.
    SquareSynth synth_;
    std::atomic<uint64_t> tones_{0};
    std::atomic<uint64_t> lateTones_{0};
    uint32_t handledEnd_ = 0;
    bool anchored_ = false;
    uint32_t anchorRun_ = 0;
    uint32_t anchorLineStart_ = 0;
    double anchorDueAfter_ = 0.0;
    int64_t anchorSample_ = 0;
};
