#pragma once
// The narrow seams through which the step engine reaches the operating system and the panel.
// Each has one Win32 implementation and fakes in the tests.
#include <cstdint>

// A clock reading as another copy of the program on this machine can take it up: the
// machine-wide clock it is on, and its value there. Clock 0 is this process's own clock, which no
// other process can read.
struct SharedReading {
    uint32_t clock = 0;
    uint32_t ms = 0;
};

// Periodic callback source and millisecond clock.
class StepTimer {
public:
    using Callback = void (*)(void* user);
    virtual ~StepTimer() = default;
    virtual void Configure(unsigned periodMs, Callback callback, void* user) = 0;
    virtual void Start() = 0;     // cancels a running periodic event, then sets it anew
    virtual void Stop() = 0;      // cancels the periodic event, if any
    virtual uint32_t NowMs() = 0; // clock reading in whole milliseconds
    // The same reading with its fraction: its whole part, taken modulo 2^32, is NowMs().
    virtual double PreciseMs() { return NowMs(); }
    // `reading` (a NowMs value) as another copy can take it up; clock 0 when none can.
    virtual SharedReading Share(uint32_t /*reading*/) { return {}; }
    // This clock's reading for another copy's shared one; false when it is on another clock.
    virtual bool TakeUp(const SharedReading& /*shared*/, uint32_t& /*reading*/) { return false; }
};

// A step that has come due, with its place on the step clock, for outputs that place their
// tones themselves. The due time is lineStartMs + dueAfterMs on the StepTimer's clock: due times
// are multiples of the step length from the start of the time line, so the jitter of the thread
// that reports them need not reach the sound.
struct ToneCue {
    uint32_t run = 0;         // counts the starts of playback; cues of one run share a time line
    uint32_t lineStartMs = 0; // clock reading where the step's time line began (wraps with the clock)
    double dueAfterMs = 0.0;  // the step's due time after lineStartMs
    int note = 0;             // 1..127
    int lengthMs = 0;         // as PlayNote takes it: the tone lasts twice as long
    bool sound = false;       // false: a rest (step off, mute, or a length that comes out zero)
};

// Sounds the engine's tones.
class ToneOutput {
public:
    virtual ~ToneOutput() = default;
    // Sounds one note; returns when the tone has ended.
    virtual void PlayNote(int note, int lengthMs) = 0;
    // Every step, sounding or not. By default a sounding step is played with PlayNote, there and
    // then, and a rest is nothing: what the speaker does.
    virtual void PlayCue(const ToneCue& cue) {
        if (cue.sound) PlayNote(cue.note, cue.lengthMs);
    }
    // Playback of `run` has stopped: silence now, and ignore any of its cues still on the way.
    virtual void EndRun(uint32_t /*run*/) {}
    // Another output sounds the tones from now on: silence now; the run goes on, and a later cue
    // of it (once this output is chosen again) sounds as usual.
    virtual void Silence() {}
};

// Posted window messages: to this copy's own main window, and to every running copy.
class MessagePoster {
public:
    virtual ~MessagePoster() = default;
    virtual void PostToSelf(unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
    // Returns the number of windows posted to, this copy's own included.
    virtual int BroadcastToCopies(unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
};

enum class PlayButtonLook { Stopped, Playing };
enum class StepLight { Off, On };

// What the engine shows on the panel; called on the UI thread only.
class EnginePanel {
public:
    virtual ~EnginePanel() = default;
    virtual bool PlayButtonOn() = 0;
    virtual void SetPlayButton(PlayButtonLook look) = 0;              // with redraw
    virtual void SetPlayingMark(int measure) = 0;                     // -1 clears the mark
    virtual void SetStepHighlighted(int column, StepLight light) = 0; // column 1..16
};

// The Control key as held at this moment.
class KeyState {
public:
    virtual ~KeyState() = default;
    virtual bool ControlHeld() = 0;
};
