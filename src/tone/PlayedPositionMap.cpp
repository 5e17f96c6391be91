#include "tone/PlayedPositionMap.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace {

constexpr int kEdgeRank = 3;
constexpr double kSettlingMs = 500.0;
// The edge is taken from the highest reading of each such span.
constexpr double kSpanMs = 50.0;

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
    : setup(HeldInRange(given)), samplesPerMs(setup.sampleRate / 1000.0) {}

void PlayedPositionMap::Add(double clockMs, int64_t playedSamples) {
    if (!ready) {
        if (playedSamples <= 0) return;
        if (!started) {
            started = true;
            startedAtMs = clockMs;
        }
        if (clockMs - startedAtMs < setup.warmUpMs) return;
    }
    // A clock that stepped back (it never should) would make every reading look ahead.
    if (!readings.empty() && clockMs < readings.back().clockMs) readings.clear();
    const double offset = static_cast<double>(playedSamples) - clockMs * samplesPerMs;
    readings.push_back({clockMs, offset});
    while (readings.front().clockMs < clockMs - (ready ? setup.edgeMs : kSettlingMs))
        readings.pop_front();
    if (!ready) {
        NoteStep(playedSamples);
        // Settled: the newer half of the last span of readings is not below the older half. The
        // highest of a quarter second's readings lies within a fraction of a millisecond of the
        // edge, so the test can be as fine as the one for lost time.
        const bool spanned = readings.front().clockMs <= clockMs - kSettlingMs * 0.9;
        const double newer = MaxSince(clockMs - kSettlingMs / 2);
        if (!spanned ||
            newer < MaxSince(-std::numeric_limits<double>::infinity()) - setup.dropoutMs * samplesPerMs)
            return;
        // Only the newer half goes on: the older may still lie above the edge by the tolerance.
        while (readings.front().clockMs < clockMs - kSettlingMs / 2)
            readings.pop_front();
        ready = true;
        edge = newer;
        return;
    }
    const double highest = UpperEdge();
    const bool settled = readings.front().clockMs <= clockMs - setup.settleMs;
    const double recent = MaxSince(clockMs - setup.settleMs);
    // Taken only once the new edge holds: while the device is still stalled its readings keep
    // falling, and the newer half of them lies below the older.
    const double newer = MaxSince(clockMs - setup.settleMs / 2);
    NoteStep(playedSamples);
    const double tolerance = setup.dropoutMs * samplesPerMs + UsualStepSamples();
    if (settled && recent < highest - tolerance && newer >= recent - tolerance) {
        // Lost time: the device plays later than the old edge from here on. What is older than
        // the drop no longer describes the stream.
        ++dropouts;
        lostSamples += highest - newer;
        while (readings.front().clockMs < clockMs - setup.settleMs / 2)
            readings.pop_front();
        edge = newer;
        return;
    }
    edge = highest;
}

double PlayedPositionMap::MaxSince(double clockMs) const {
    // The third highest, not the highest: a driver that once counts a buffer early must not hold
    // the edge up for a whole second.
    double top[kEdgeRank];
    std::fill(std::begin(top), std::end(top), -std::numeric_limits<double>::infinity());
    int seen = 0;
    for (auto it = readings.rbegin(); it != readings.rend() && it->clockMs >= clockMs; ++it, ++seen) {
        double value = it->offset;
        for (double& slot : top)
            if (value > slot) std::swap(value, slot);
    }
    return top[std::clamp(seen, 1, kEdgeRank) - 1];
}

double PlayedPositionMap::UpperEdge() const {
    // The third highest of the spans' highest readings: a driver that counts early for a few
    // tens of milliseconds lifts one or two spans, not the edge.
    double top[kEdgeRank];
    std::fill(std::begin(top), std::end(top), -std::numeric_limits<double>::infinity());
    int spans = 0;
    auto consider = [&](double value) {
        ++spans;
        for (double& slot : top)
            if (value > slot) std::swap(value, slot);
    };
    double span = 0.0;
    double spanTop = -std::numeric_limits<double>::infinity();
    for (const Reading& reading : readings) {
        const double at = std::floor(reading.clockMs / kSpanMs);
        if (at != span && spanTop != -std::numeric_limits<double>::infinity()) {
            consider(spanTop);
            spanTop = -std::numeric_limits<double>::infinity();
        }
        span = at;
        spanTop = std::max(spanTop, reading.offset);
    }
    if (spanTop != -std::numeric_limits<double>::infinity()) consider(spanTop);
    return top[std::clamp(spans, 1, kEdgeRank) - 1];
}

void PlayedPositionMap::NoteStep(int64_t playedSamples) {
    const int64_t step = playedSamples - lastPlayed;
    lastPlayed = playedSamples;
    if (step <= 0) return;
    steps[stepCount % std::size(steps)] = static_cast<double>(step);
    ++stepCount;
}

double PlayedPositionMap::UsualStepSamples() const {
    const int count = std::min<int>(stepCount, static_cast<int>(std::size(steps)));
    if (count == 0) return 0.0;
    double sorted[std::size(steps)];
    std::copy(steps, steps + count, sorted);
    std::sort(sorted, sorted + count);
    return sorted[count / 2];
}

double PlayedPositionMap::SampleAt(double clockMs) const { return clockMs * samplesPerMs + edge; }

double PlayedPositionMap::ClockAt(double sample) const { return (sample - edge) / samplesPerMs; }

double PlayedPositionMap::LostMs() const { return lostSamples / samplesPerMs; }
