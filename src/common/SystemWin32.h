#pragma once
// Facts about the running Windows system and its keyboard that several parts ask for, each read
// in one place so that every caller gets the same answer. Windows only.

// True on the NT family, judged by the platform the system reports rather than by the environment.
// When even the version query fails the answer is NT: guessing wrong there costs the speaker only
// silence, guessing wrong the other way faults on the first port instruction.
bool IsNtFamily();

// A key (or mouse button) as held at this very moment: the asynchronous key state.
bool KeyHeldNow(int virtualKey);
// A key (or mouse button) as held when the message being handled was sent: the queue's key state.
bool KeyHeldInMessage(int virtualKey);

// The Control key as held at this very moment, not as of the message being handled.
bool ControlKeyHeld();

// Windows 11 takes the 1 ms timer resolution away from a process whose windows are minimised or
// hidden, unless the process opts out; the step clock needs it whatever the window does. Where
// the call does not exist (older Windows, Wine) nothing happens. True when the system took it.
bool KeepTimerResolutionWhenHidden();
