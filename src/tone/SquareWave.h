#pragma once
// The speaker's sound as samples: the square wave that counter 2 of the interval timer makes for
// a note, with its edges at exact sample positions. Shared by the sound-card voice and the
// offline renderer, so what is rendered is what is heard.
#include <cstddef>
#include <cstdint>
#include <deque>

// The frequency the speaker sounds for `note` (1..127): the timer's input clock divided by the
// note's whole divisor, exactly as the port path loads it. Note 43 gives 439.97 Hz.
double SpeakerFrequencyHz(int note);

struct SquareTone {
    int64_t startSample = 0;
    int64_t lengthSamples = 0;
    double frequencyHz = 0.0;
};

struct SquareSynthSetup {
    int sampleRate = 44100;
    int16_t amplitude = 8000; // a square wave is loud: about -12 dB of full scale
};

// Renders tones one block after another as 16-bit samples; silence is 0. Monophonic, like the
// speaker: a tone that starts before the one before it has ended cuts that one short.
//
// Each tone starts with the high half of a cycle at its first sample and lasts exactly its
// length. Half-cycles are rarely whole samples long; a sample that an edge falls inside takes the
// level that keeps the running sum of the tone closest to that of the exact wave, so the wave
// carries no offset, whatever the ratio of frequency to sample rate (rounding every edge the same
// way would give one half a sample more each cycle). A tone that ends inside a cycle would leave
// that half-cycle's offset behind as a click, so its last, partial cycle is split into a high and
// a low half of equal length: every tone's samples sum to at most two samples' worth. Frequencies at or above
// half the sample rate cannot be sampled (they would only alias into a false, lower pitch) and are rendered
// silent, as the speaker's own are far above hearing.
//
// Thread-safety: none; one thread adds, cuts and renders.
class SquareSynth {
public:
    explicit SquareSynth(const SquareSynthSetup& setup);

    // Queues a tone. Tones come in order of their starts; a start already rendered moves to the
    // next sample to render (the tone keeps its end).
    void Add(const SquareTone& tone);
    // Ends whatever sounds at `sample` (or at the next sample to render, if that is later) and
    // drops every tone queued from there on.
    void CutAt(int64_t sample);
    // Moves every queued tone that has not begun to sound `samples` later.
    void DelayQueued(int64_t samples);
    // Renders the next `count` samples.
    void Render(int16_t* out, size_t count);

    int64_t Position() const { return position; }
    int SampleRate() const { return setup.sampleRate; }
    bool Idle() const { return tones.empty(); }

private:
    struct Sounding {
        SquareTone tone;
        double error = 0.0; // samples rendered minus the exact wave's integral, in amplitudes
    };

    // Writes the samples of `s` that fall in [from, to) of the stream into out (which holds the
    // stream from `blockStart`); renders each tone's samples in order, once.
    void RenderTone(Sounding& s, int64_t from, int64_t to, int16_t* out, int64_t blockStart) const;

    SquareSynthSetup setup;
    std::deque<Sounding> tones; // the tone sounding or next, then the ones after it
    int64_t position = 0;
};
