#pragma once
// Hands the engine's tones to one of several outputs, switchable while playing: the engine keeps
// the switch for its life, and the switch forwards to the output chosen now.
//
// Thread-safety: Use runs on the UI thread; the forwarding calls on any thread. The outputs must
// outlive the switch (a call under way may still reach the one switched away from).
#include <atomic>

#include "playback/EngineSeams.h"

class ToneOutputSwitch : public ToneOutput {
public:
    explicit ToneOutputSwitch(ToneOutput& initial) : current(&initial) {}

    // From the next tone on, `output` sounds them; the one before falls silent at once.
    void Use(ToneOutput& output);
    ToneOutput& Current() const { return *current.load(std::memory_order_acquire); }

    void PlayNote(int note, int lengthMs) override { Current().PlayNote(note, lengthMs); }
    void PlayCue(const ToneCue& cue) override { Current().PlayCue(cue); }
    void EndRun(uint32_t run) override { Current().EndRun(run); }
    void Silence() override { Current().Silence(); }

private:
    std::atomic<ToneOutput*> current;
};
