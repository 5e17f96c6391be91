#pragma once
// Which sample of its stream a sound device plays at a moment of the step clock, taken from the
// device's own count of played samples.
//
// Devices report that count coarsely: a driver may advance it a whole period at a time (Wine's
// does, by 10 ms) and the thread that reads it wakes late now and then, so most readings lag the
// sample being played. The map follows the upper edge of the readings of the last second, at the
// nominal sample rate: a late or coarse reading cannot move it. Some readings run ahead, though:
// Wine's driver paces its period ticks by the sound server's clock, and on a busy machine a tick
// that came late is followed by early ones, which count a period before it is played; the count
// then stands up to 2 ms ahead for a few tens of milliseconds. So the edge is the third highest of
// the highest readings of each 50 ms of that second: two spans of early counts do not lift it.
// When the device loses time (it underran, or the machine stalled it), the
// edge itself falls behind; once every reading has stayed behind for longer than the device's
// coarseness can explain, and the readings have settled on a new edge, the map takes it and
// counts one dropout, so the tones after it are placed where they belong again.
//
// Thread-safety: none; the audio thread owns it.
#include <cstdint>
#include <deque>

struct PositionMapSetup {
    int sampleRate = 44100;
    double edgeMs = 1000.0; // a reading holds the edge up for this long
    // Lost time counts once every reading for this long shows it: longer than the gaps between
    // readings at the edge. Wine's count grows by whole buffers (256 samples) as its mixer takes
    // 441 a period, so a reading within 1 ms of the edge comes only every seventh period.
    double settleMs = 150.0;
    // How far behind the edge counts as lost time, beyond the device's usual step: a reading
    // taken late within a step lies that much behind the edge, and a thread that wakes late for
    // a while takes all its readings late.
    double dropoutMs = 2.0;
    // Readings this soon after the first played sample are ignored, and after it until the count
    // has settled (for half a second, it has not fallen behind the clock by more than its usual
    // step): a driver takes as much as it is given when it starts (Wine's counts the whole ring
    // as played at once, then stands still for a second or more while the sound catches up).
    double warmUpMs = 300.0;
};

class PlayedPositionMap {
public:
    explicit PlayedPositionMap(const PositionMapSetup& setup);

    // The device had played `playedSamples` when the clock read `clockMs` (read after the count).
    // Readings before the device's first played sample, and for warmUpMs after it, are ignored.
    void Add(double clockMs, int64_t playedSamples);

    bool Ready() const { return ready; }
    // The sample being played at clock time `clockMs` (fractional; the stream's first is 0).
    double SampleAt(double clockMs) const;
    // The clock time at which `sample` is played.
    double ClockAt(double sample) const;

    uint64_t Dropouts() const { return dropouts; }
    double LostMs() const;

private:
    struct Reading {
        double clockMs;
        double offset; // played samples less the samples the clock has counted
    };

    double MaxSince(double clockMs) const;
    double UpperEdge() const;
    void NoteStep(int64_t playedSamples);
    double UsualStepSamples() const;

    PositionMapSetup setup;
    double samplesPerMs;
    std::deque<Reading>
        readings; // the last edgeMs of them, oldest first (while warming up, of the last settling span)
    bool started = false;
    double startedAtMs = 0.0;
    bool ready = false;
    double edge = 0.0;
    int64_t lastPlayed = 0;
    double steps[16] = {}; // the latest increments of the count, in samples
    int stepCount = 0;
    uint64_t dropouts = 0;
    double lostSamples = 0.0;
};
