#pragma once
// The arithmetic of one step: its duration at a tempo, the note it sounds and how long the tone
// lasts. Pure functions, shared by the engine and its tests. Every tempo here is one the song
// holds (song/Tempo.h): held where it entered, so never zero, negative, infinite or NaN.
#include <cstdint>

// Milliseconds per sixteenth: 1000 / (t x 0.06666667f) with t the tempo in single precision, the
// quotient taken in extended precision. Within 1e-7 relative of 15000 / tempo; 126 gives 119.0476.
double StepDurationMs(double tempo);

// Note number sounded for a step: note + transpose + 60 wrapped to 16 bits, then held to 1..127.
int SoundingNote(int16_t note, int16_t transpose);

// Length handed to the tone output for a step `length` (a fraction of 128) at `tempo`: the
// window L = half a sixteenth less 5 ms, scaled by length / 128, both truncated toward zero.
// Zero or negative at tempos above 1500. `length` is held to 0..127 first, so a damaged value
// cannot stall the timer thread.
int ToneLengthMs(double tempo, int16_t length);

// True when the highlight should move at this step: counts `throttle` up and moves the highlight
// on every ceil(tempo / 1500)-th step, resetting the count when it does.
// Keeps redraws at about one per 10 ms however fast the steps come.
bool HighlightDue(double tempo, int32_t& throttle);
