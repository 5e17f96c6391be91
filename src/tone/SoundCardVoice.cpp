#include "tone/SoundCardVoice.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr uint32_t kImmediateRun = 0xFFFFFFFFu; // PlayNote's cues: due at the latest reading
constexpr double kClockWrapMs = 4294967296.0;

} // namespace

// A bounded queue for many producers and one consumer: each cell carries a sequence number that
// says whose turn it is, so a producer claims a cell with one compare-exchange and never waits.
class SoundCardVoice::CueQueue {
public:
    explicit CueQueue(size_t capacity) : cells(capacity), mask(capacity - 1) {
        for (size_t i = 0; i < capacity; ++i)
            cells[i].sequence.store(i, std::memory_order_relaxed);
    }

    bool TryPush(const ToneCue& cue) {
        size_t position = tail.load(std::memory_order_relaxed);
        for (;;) {
            Cell& cell = cells[position & mask];
            const size_t sequence = cell.sequence.load(std::memory_order_acquire);
            const auto difference = static_cast<intptr_t>(sequence) - static_cast<intptr_t>(position);
            if (difference == 0) {
                if (tail.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
                    cell.cue = cue;
                    cell.sequence.store(position + 1, std::memory_order_release);
                    return true;
                }
            } else if (difference < 0) {
                return false; // full
            } else {
                position = tail.load(std::memory_order_relaxed);
            }
        }
    }

    bool TryPop(ToneCue& cue) {
        Cell& cell = cells[head & mask];
        if (cell.sequence.load(std::memory_order_acquire) != head + 1) return false;
        cue = cell.cue;
        cell.sequence.store(head + mask + 1, std::memory_order_release);
        ++head;
        return true;
    }

private:
    struct Cell {
        std::atomic<size_t> sequence{0};
        ToneCue cue;
    };
    std::vector<Cell> cells;
    size_t mask;
    std::atomic<size_t> tail{0};
    size_t head = 0; // the consumer's alone
};

namespace {

size_t PowerOfTwoAtLeast(int n) {
    size_t size = 2;
    while (size < static_cast<size_t>(std::max(n, 2)))
        size *= 2;
    return size;
}

VoiceSetup HeldInRange(VoiceSetup setup) {
    setup.sampleRate = std::clamp(setup.sampleRate, 8000, 192000);
    setup.blockSamples = std::clamp(setup.blockSamples, 16, 16384);
    setup.blocks = std::clamp(setup.blocks, 2, 64);
    setup.measureMs = std::clamp(setup.measureMs, 0.0, 10000.0);
    setup.marginMs = std::clamp(setup.marginMs, 0.0, 1000.0);
    setup.latencyGridMs = std::clamp(setup.latencyGridMs, 0.0, 100.0);
    setup.fixedLatencyMs = std::clamp(setup.fixedLatencyMs, 0.0, 2000.0);
    return setup;
}

// How far the clock went from one reading to the next: it counts milliseconds modulo 2^32, and
// no two readings the voice compares are half that apart.
double ClockStepMs(double fromMs, double toMs) {
    double step = toMs - fromMs;
    if (step < -kClockWrapMs / 2) step += kClockWrapMs;
    if (step > kClockWrapMs / 2) step -= kClockWrapMs;
    return step;
}

PositionMapSetup MapFor(const VoiceSetup& setup) {
    PositionMapSetup map;
    map.sampleRate = setup.sampleRate;
    return map;
}

} // namespace

SoundCardVoice::SoundCardVoice(const VoiceSetup& given)
    : setup(HeldInRange(given)), queue(std::make_unique<CueQueue>(PowerOfTwoAtLeast(setup.cueCapacity))),
      synth({setup.sampleRate, setup.amplitude}), map(MapFor(setup)) {
    waiting.reserve(static_cast<size_t>(setup.cueCapacity));
    if (setup.fixedLatencyMs > 0.0) latencyMs.store(setup.fixedLatencyMs, std::memory_order_relaxed);
}

SoundCardVoice::~SoundCardVoice() = default;

int64_t SoundCardVoice::SamplesFor(double ms) const { return std::llround(ms * setup.sampleRate / 1000.0); }

void SoundCardVoice::PlayNote(int note, int lengthMs) {
    ToneCue cue;
    cue.run = kImmediateRun;
    cue.note = note;
    cue.lengthMs = lengthMs;
    cue.sound = lengthMs > 0;
    PlayCue(cue);
}

void SoundCardVoice::PlayCue(const ToneCue& cue) {
    if (!queue->TryPush(cue)) droppedCues.fetch_add(1, std::memory_order_relaxed);
}

void SoundCardVoice::EndRun(uint32_t run) { EndRunAt(run, std::numeric_limits<double>::quiet_NaN()); }

void SoundCardVoice::EndRunAt(uint32_t run, double clockMs) {
    // Not queued: a full queue must never swallow a stop. The moment goes first, so the audio
    // thread that sees the run sees its moment too (or a later stop's).
    endedAtMs.store(clockMs, std::memory_order_relaxed);
    uint32_t ended = endedRun.load(std::memory_order_relaxed);
    while (static_cast<int32_t>(run - ended) > 0 &&
           !endedRun.compare_exchange_weak(ended, run, std::memory_order_release)) {
    }
}

void SoundCardVoice::Silence() { silenceRequests.fetch_add(1, std::memory_order_release); }

void SoundCardVoice::ObservePosition(double clockMs, int64_t playedSamples) {
    if (!clockSeen) {
        clockSeen = true;
        lastReadingMs = clockMs;
    }
    timelineMs += ClockStepMs(lastReadingMs, clockMs);
    lastReadingMs = clockMs;
    const bool wasReady = map.Ready();
    const double lostBefore = map.LostMs();
    map.Add(timelineMs, playedSamples);
    if (!wasReady && map.Ready()) mapReadyAtMs = timelineMs;
    // The device plays everything not yet rendered that much later: tones placed but not yet
    // rendered move with it, so they are heard where they belong.
    if (map.LostMs() > lostBefore) synth.DelayQueued(SamplesFor(map.LostMs() - lostBefore));
    dropouts.store(map.Dropouts(), std::memory_order_relaxed);
    lostMs.store(map.LostMs(), std::memory_order_relaxed);
}

double SoundCardVoice::DueOnTimeline(const ToneCue& cue) const {
    if (cue.run == kImmediateRun) return timelineMs;
    // The due time lineStartMs + dueAfterMs, as milliseconds after the latest reading.
    const double whole = std::floor(lastReadingMs);
    const auto wholeReading = static_cast<uint32_t>(static_cast<int64_t>(whole));
    const double after = static_cast<double>(static_cast<int32_t>(cue.lineStartMs - wholeReading)) -
                         (lastReadingMs - whole) + cue.dueAfterMs;
    return timelineMs + after;
}

double SoundCardVoice::ReadingOnTimeline(double clockMs) const {
    return timelineMs + ClockStepMs(lastReadingMs, clockMs);
}

bool SoundCardVoice::Placing() const {
    return map.Ready() && latencyMs.load(std::memory_order_relaxed) > 0.0;
}

void SoundCardVoice::TakeCues() {
    const uint32_t ended = endedRun.load(std::memory_order_acquire);
    const double endedAt = endedAtMs.load(std::memory_order_relaxed);
    const uint32_t silence = silenceRequests.load(std::memory_order_acquire);
    if (silence != handledSilence) {
        // The switch to another voice silences at once, whatever still sounds or waits. A
        // silenced run goes on with its next cue.
        handledSilence = silence;
        synth.CutAt(synth.Position());
        waiting.clear();
    }
    // A stop is heard a latency after it was made, like every step: the stopped run's cues due
    // before it sound up to that moment, even those still on their way; the rest are dropped.
    const bool stopped = ended != handledEnd;
    const bool timed = stopped && Placing() && !std::isnan(endedAt);
    const int64_t stopSample =
        timed ? std::max<int64_t>(synth.Position(),
                                  std::llround(map.SampleAt(ReadingOnTimeline(endedAt) +
                                                            latencyMs.load(std::memory_order_relaxed))))
              : synth.Position();
    if (stopped) {
        handledEnd = ended;
        waiting.clear();
    }
    ToneCue cue;
    while (queue->TryPop(cue)) {
        const bool stale =
            cue.run != kImmediateRun && handledEnd != 0 && static_cast<int32_t>(cue.run - handledEnd) <= 0;
        if (stale) {
            if (timed && DueOnTimeline(cue) < ReadingOnTimeline(endedAt)) Place(cue);
            continue;
        }
        if (waiting.size() >= static_cast<size_t>(setup.cueCapacity)) {
            waiting.erase(waiting.begin());
            droppedCues.fetch_add(1, std::memory_order_relaxed);
        }
        waiting.push_back(cue);
    }
    if (stopped) synth.CutAt(stopSample);
}

void SoundCardVoice::RenderBlock(int16_t* out) {
    TakeCues();
    if (Placing()) {
        for (const ToneCue& cue : waiting)
            Place(cue);
        waiting.clear();
    }
    synth.Render(out, static_cast<size_t>(setup.blockSamples));
    rendered.store(synth.Position(), std::memory_order_relaxed);
    MeasureLookahead();
}

void SoundCardVoice::MeasureLookahead() {
    if (!map.Ready()) return;
    // What is rendered now is heard no earlier than this after the latest reading.
    const double aheadMs =
        (static_cast<double>(synth.Position()) - map.SampleAt(timelineMs)) * 1000.0 / setup.sampleRate;
    if (aheadMs > lookaheadMs.load(std::memory_order_relaxed))
        lookaheadMs.store(aheadMs, std::memory_order_relaxed);
    if (latencyMs.load(std::memory_order_relaxed) > 0.0) return;
    if (timelineMs - mapReadyAtMs < setup.measureMs) return;
    latencyMs.store(ChosenLatencyMs(), std::memory_order_relaxed);
}

double SoundCardVoice::ChosenLatencyMs() const {
    double latency = lookaheadMs.load(std::memory_order_relaxed) + setup.marginMs;
    if (setup.latencyGridMs > 0.0) latency = std::ceil(latency / setup.latencyGridMs) * setup.latencyGridMs;
    return std::max(latency, 1.0);
}

void SoundCardVoice::Place(const ToneCue& cue) {
    const double latency = latencyMs.load(std::memory_order_relaxed);
    const int64_t start = std::llround(map.SampleAt(DueOnTimeline(cue) + latency));
    if (!cue.sound) {
        synth.CutAt(start); // a rest ends the tone
        return;
    }
    if (start < synth.Position()) lateTones.fetch_add(1, std::memory_order_relaxed);
    tones.fetch_add(1, std::memory_order_relaxed);
    // The speaker sounds twice the length it is handed.
    synth.Add({start, SamplesFor(2.0 * cue.lengthMs), SpeakerFrequencyHz(cue.note)});
}

VoiceCounters SoundCardVoice::Counters() const {
    VoiceCounters counters;
    counters.tones = tones.load(std::memory_order_relaxed);
    counters.droppedCues = droppedCues.load(std::memory_order_relaxed);
    counters.lateTones = lateTones.load(std::memory_order_relaxed);
    counters.dropouts = dropouts.load(std::memory_order_relaxed);
    counters.lostMs = lostMs.load(std::memory_order_relaxed);
    counters.lookaheadMs = lookaheadMs.load(std::memory_order_relaxed);
    counters.latencyMs = latencyMs.load(std::memory_order_relaxed);
    return counters;
}
