#pragma once
// Which sample of its stream a sound device plays at a moment of the step clock, taken from the
// device's own count of played samples.
//
// Devices report that count coarsely: a driver may advance it a whole period at a time (Wine's
// does, by 10 ms) and the thread that reads it wakes late now and then. But a reading can only lag
// the sample being played at the moment it was taken, never run ahead of it, so the map follows
// the upper edge of the readings of the last second, at the nominal sample rate: a late or coarse
// reading cannot move it. When the device loses time (it underran, or the machine stalled it), the
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
    double settleMs = 60.0; // lost time counts once every reading for this long shows it
    double dropoutMs = 1.5; // how far behind the edge counts as lost time
};

class PlayedPositionMap {
public:
    explicit PlayedPositionMap(const PositionMapSetup& setup);

    // The device had played `playedSamples` when the clock read `clockMs` (read after the count).
    // Readings before the device's first played sample are ignored: it has not started yet.
    void Add(double clockMs, int64_t playedSamples);

    bool Ready() const { return ready_; }
    // The sample being played at clock time `clockMs` (fractional; the stream's first is 0).
    double SampleAt(double clockMs) const;
    // The clock time at which `sample` is played.
    double ClockAt(double sample) const;

    uint64_t Dropouts() const { return dropouts_; }
    double LostMs() const;

private:
    struct Reading {
        double clockMs;
        double offset; // played samples less the samples the clock has counted
    };

    double MaxSince(double clockMs) const;

    PositionMapSetup setup_;
    double samplesPerMs_;
    std::deque<Reading> readings_; // the last edgeMs of them, oldest first
    bool ready_ = false;
    double edge_ = 0.0;
    uint64_t dropouts_ = 0;
    double lostSamples_ = 0.0;
};
