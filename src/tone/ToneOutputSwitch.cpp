#include "tone/ToneOutputSwitch.h"

void ToneOutputSwitch::Use(ToneOutput& output) {
    ToneOutput* before = current_.exchange(&output, std::memory_order_acq_rel);
    if (before != &output) before->EndRun(lastRun_.load(std::memory_order_relaxed));
}

void ToneOutputSwitch::PlayCue(const ToneCue& cue) {
    lastRun_.store(cue.run, std::memory_order_relaxed);
    Current().PlayCue(cue);
}
