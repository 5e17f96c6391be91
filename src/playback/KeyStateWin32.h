#pragma once
// The Control key as the engine sees it: held at the moment of asking, from the asynchronous key
// state, not from the message being handled.
#include "playback/EngineSeams.h"

class KeyStateWin32 : public KeyState {
public:
    bool ControlHeld() override;
};
