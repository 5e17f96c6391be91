#pragma once
// The engine's view of a panel that is not drawn, for programs that run the engine without one
// (the step-timing benchmark, tests of running copies): it keeps the play button's state, the
// playing mark and the lit column.
#include "playback/EngineSeams.h"

class PlayStatePanel : public EnginePanel {
public:
    bool PlayButtonOn() override { return playOn; }
    void SetPlayButton(PlayButtonLook look) override { playOn = look == PlayButtonLook::Playing; }
    void SetPlayingMark(int measure) override { playingMark = measure; }
    void SetStepHighlighted(int column, StepLight light) override {
        if (light == StepLight::On)
            litColumn = column;
        else if (litColumn == column)
            litColumn = 0;
    }

    bool playOn = false;
    int playingMark = -1;
    int litColumn = 0;
};
