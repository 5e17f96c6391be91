#include "tone/PlayedPositionMap.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

constexpr int kEdgeRank = 3;
constexpr double kSettlingMs = 500.0;

PositionMapSetup HeldInRange(PositionMapSetup setup) {
    setup.sampleRate = std::clamp(setup.sampleRate, 8000, 192000);
    setup.edgeMs = std::clamp(setup.edgeMs, 10.0, 60000.0);
    setup.settleMs = std::clamp(setup.settleMs, 1.0, setup.edgeMs);
    setup.dropoutMs = std::clamp(setup.dropoutMs, 0.1, 1000.0);
    setup.warmUpMs = std::clamp(setup.warmUpMs, 0.0, 10000.0);
    return setup;
}

} // namespace

PlayedPositionMap::PlayedPositionMap(const PositionMapSetup& given)
    : setup_(HeldInRange(given)), samplesPerMs_(setup_.sampleRate / 1000.0) {}

void PlayedPositionMap::Add(double clockMs, int64_t playedSamples) {
    if (!ready_) {
        if (playedSamples <= 0) return;
        if (!started_) {
            started_ = true;
            startedAtMs_ = clockMs;
        }
        if (clockMs - startedAtMs_ < setup_.warmUpMs) return;
    }
    // A clock that stepped back (it never should) would make every reading look ahead.
    if (!readings_.empty() && clockMs < readings_.back().clockMs) readings_.clear();
    const double offset = static_cast<double>(playedSamples) - clockMs * samplesPerMs_;
    readings_.push_back({clockMs, offset});
    while (readings_.front().clockMs < clockMs - (ready_ ? setup_.edgeMs : kSettlingMs))
        readings_.pop_front();
    if (!ready_) {
        NoteStep(playedSamples);
        // Settled: the newer half of the last span of readings is not below the older half. The
        // highest of a quarter second's readings lies within a fraction of a millisecond of the
        // edge, so the test can be as fine as the one for lost time.
        const bool spanned = readings_.front().clockMs <= clockMs - kSettlingMs * 0.9;
        const double newer = MaxSince(clockMs - kSettlingMs / 2);
        if (!spanned ||
            newer < MaxSince(-std::numeric_limits<double>::infinity()) - setup_.dropoutMs * samplesPerMs_)
            return;
        // Only the newer half goes on: the older may still lie above the edge by the tolerance.
        while (readings_.front().clockMs < clockMs - kSettlingMs / 2)
            readings_.pop_front();
        ready_ = true;
        edge_ = newer;
        return;
    }
    const double highest = MaxSince(-std::numeric_limits<double>::infinity());
    const bool settled = readings_.front().clockMs <= clockMs - setup_.settleMs;
    const double recent = MaxSince(clockMs - setup_.settleMs);
    // Taken only once the new edge holds: while the device is still stalled its readings keep
    // falling, and the newer half of them lies below the older.
    const double newer = MaxSince(clockMs - setup_.settleMs / 2);
    NoteStep(playedSamples);
    const double tolerance = setup_.dropoutMs * samplesPerMs_ + UsualStepSamples();
    if (settled && recent < highest - tolerance && newer >= recent - tolerance) {
        // Lost time: the device plays later than the old edge from here on. What is older than
        // the drop no longer describes the stream.
        ++dropouts_;
        lostSamples_ += highest - newer;
        while (readings_.front().clockMs < clockMs - setup_.settleMs / 2)
            readings_.pop_front();
        edge_ = newer;
        return;
    }
    edge_ = highest;
}

double PlayedPositionMap::MaxSince(double clockMs) const {
    // The third highest, not the highest: a driver that once counts a buffer early must not hold
    // the edge up for a whole second.
    double top[kEdgeRank];
    std::fill(std::begin(top), std::end(top), -std::numeric_limits<double>::infinity());
    int seen = 0;
    for (auto it = readings_.rbegin(); it != readings_.rend() && it->clockMs >= clockMs; ++it, ++seen) {
        double value = it->offset;
        for (double& slot : top)
            if (value > slot) std::swap(value, slot);
    }
    return top[std::clamp(seen, 1, kEdgeRank) - 1];
}

void PlayedPositionMap::NoteStep(int64_t playedSamples) {
    const int64_t step = playedSamples - lastPlayed_;
    lastPlayed_ = playedSamples;
    if (step <= 0) return;
    steps_[stepCount_ % std::size(steps_)] = static_cast<double>(step);
    ++stepCount_;
}

double PlayedPositionMap::UsualStepSamples() const {
    const int count = std::min<int>(stepCount_, static_cast<int>(std::size(steps_)));
    if (count == 0) return 0.0;
    double sorted[std::size(steps_)];
    std::copy(steps_, steps_ + count, sorted);
    std::sort(sorted, sorted + count);
    return sorted[count / 2];
}

double PlayedPositionMap::SampleAt(double clockMs) const { return clockMs * samplesPerMs_ + edge_; }

double PlayedPositionMap::ClockAt(double sample) const { return (sample - edge_) / samplesPerMs_; }

double PlayedPositionMap::LostMs() const { return lostSamples_ / samplesPerMs_; }
