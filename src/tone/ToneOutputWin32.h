#pragma once
// The engine's tone output on Windows: the process-wide speaker.
#include "playback/EngineSeams.h"

class ToneOutputWin32 : public ToneOutput {
public:
    ToneOutputWin32(); // builds the process-wide speaker now, so the first step pays nothing
    void PlayNote(int note, int lengthMs) override;
};
