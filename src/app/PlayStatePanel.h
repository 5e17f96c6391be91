#pragma once
// The engine's view of the panel while the window has no step columns or measure selector of
// its own: it keeps the play button's state, the playing mark and the lit column, and draws
// nothing.
#include "playback/EngineSeams.h"

class PlayStatePanel : public EnginePanel {
public:
    bool PlayButtonOn() override { return playOn; }
    void SetPlayButton(bool on) override { playOn = on; }
    void SetPlayingMark(int measure) override { playingMark = measure; }
    void SetStepHighlighted(int column, bool on) override {
        if (on)
            litColumn = column;
        else if (litColumn == column)
            litColumn = 0;
    }

    bool playOn = false;
    int playingMark = -1;
    int litColumn = 0;
};
