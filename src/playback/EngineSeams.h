#pragma once
// The narrow seams through which the step engine reaches the operating system and the panel.
// Each has one Win32 implementation and fakes in the tests.
#include <cstdint>

// Periodic callback source and millisecond clock.
class StepTimer {
public:
    using Callback = void (*)(void* user);
    virtual ~StepTimer() = default;
    virtual void Configure(unsigned periodMs, Callback callback, void* user) = 0;
    virtual void Start() = 0;         // cancels a running periodic event, then sets it anew
    virtual void Stop() = 0;          // cancels the periodic event, if any
    virtual uint32_t NowMs() = 0;     // clock reading in whole milliseconds
};

// Sounds one note; returns when the tone has ended.
class ToneOutput {
public:
    virtual ~ToneOutput() = default;
    virtual void PlayNote(int note, int lengthMs) = 0;
};

// Posted window messages: to this copy's own main window, and to every running copy.
class MessagePoster {
public:
    virtual ~MessagePoster() = default;
    virtual void PostToSelf(unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
    // Returns the number of windows posted to, this copy's own included.
    virtual int BroadcastToCopies(unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
};

// What the engine shows on the panel; called on the UI thread only.
class EnginePanel {
public:
    virtual ~EnginePanel() = default;
    virtual bool PlayButtonOn() = 0;
    virtual void SetPlayButton(bool on) = 0;               // with redraw
    virtual void SetPlayingMark(int measure) = 0;          // -1 clears the mark
    virtual void SetStepHighlighted(int column, bool on) = 0; // column 1..16
};

// The Control key as held at this moment.
class KeyState {
public:
    virtual ~KeyState() = default;
    virtual bool ControlHeld() = 0;
};
