#include "tone/SquareWave.h"

#include <algorithm>
#include <cmath>

#include "tone/SpeakerTone.h"

double SpeakerFrequencyHz(int note) {
    const uint16_t divisor = TimerDivisor(NoteFrequency(std::clamp(note, 1, 127)));
    return divisor == 0 ? 0.0 : kTimerInputClockHz / divisor;
}

SquareSynth::SquareSynth(const SquareSynthSetup& given) : setup(given) {
    setup.sampleRate = std::max(setup.sampleRate, 1);
}

void SquareSynth::Add(const SquareTone& tone) {
    SquareTone added = tone;
    if (added.startSample < position) {
        added.lengthSamples -= position - added.startSample;
        added.startSample = position;
    }
    if (added.lengthSamples <= 0) return;
    // Monophonic: the new tone ends anything still sounding at its start.
    CutAt(added.startSample);
    tones.push_back({added, 0.0});
}

void SquareSynth::CutAt(int64_t sample) {
    sample = std::max(sample, position);
    while (!tones.empty() && tones.back().tone.startSample >= sample)
        tones.pop_back();
    if (!tones.empty()) {
        SquareTone& last = tones.back().tone;
        last.lengthSamples = std::min(last.lengthSamples, sample - last.startSample);
    }
}

void SquareSynth::DelayQueued(int64_t samples) {
    if (samples <= 0) return;
    for (Sounding& s : tones) {
        if (s.tone.startSample >= position) s.tone.startSample += samples;
    }
}

void SquareSynth::Render(int16_t* out, size_t count) {
    const int64_t blockStart = position;
    const int64_t blockEnd = position + static_cast<int64_t>(count);
    std::fill(out, out + count, int16_t{0});
    while (!tones.empty()) {
        Sounding& s = tones.front();
        if (s.tone.startSample >= blockEnd) break;
        const int64_t toneEnd = s.tone.startSample + s.tone.lengthSamples;
        RenderTone(s, std::max(s.tone.startSample, blockStart), std::min(toneEnd, blockEnd), out, blockStart);
        if (toneEnd > blockEnd) break;
        tones.pop_front();
    }
    position = blockEnd;
}

void SquareSynth::RenderTone(Sounding& s, int64_t from, int64_t to, int16_t* out, int64_t blockStart) const {
    const SquareTone& tone = s.tone;
    const double rate = setup.sampleRate;
    if (!(tone.frequencyHz > 0.0) || tone.frequencyHz * 2.0 >= rate) return; // silent, see above
    const double half = rate / (2.0 * tone.frequencyHz); // samples per half-cycle, above 1
    const int64_t n = tone.lengthSamples;
    // Where the last, partial cycle begins, and the length of its high half.
    const auto cycles = static_cast<int64_t>(std::floor(static_cast<double>(n) / (2.0 * half)));
    const auto tail = std::min(n, static_cast<int64_t>(std::ceil(static_cast<double>(cycles) * 2.0 * half)));
    const int64_t tailHigh = (n - tail + 1) / 2;

    // Positions relative to the tone's start. Samples run in whole half-cycles, so the loop goes
    // by edges, not by samples; levels are +1 and -1 until written.
    int64_t r = from - tone.startSample;
    const int64_t end = to - tone.startSample;
    while (r < end) {
        int64_t runEnd = 0;
        int level = 0;
        if (r >= tail) {
            const bool inHigh = r - tail < tailHigh;
            level = inHigh ? 1 : -1;
            runEnd = inHigh ? tail + tailHigh : n;
        } else {
            // Sample r starts in half-cycle j, which ends at the edge `next`.
            const auto j = static_cast<int64_t>(std::floor(static_cast<double>(r) / half));
            const double next = static_cast<double>(j + 1) * half;
            level = (j % 2 == 0) ? 1 : -1;
            if (static_cast<double>(r + 1) <= next) {
                runEnd = std::min(tail, std::max(r + 1, static_cast<int64_t>(std::floor(next))));
            } else {
                // The edge falls inside this sample: the exact wave's mean over it is `exact`.
                const double inside = next - static_cast<double>(r);
                const double exact = level * (2.0 * inside - 1.0);
                level = s.error <= exact ? 1 : -1;
                s.error += level - exact;
                runEnd = r + 1;
            }
        }
        runEnd = std::min(runEnd, end);
        int16_t* first = out + (tone.startSample + r - blockStart);
        std::fill(first, first + (runEnd - r), static_cast<int16_t>(level * setup.amplitude));
        r = runEnd;
    }
}
