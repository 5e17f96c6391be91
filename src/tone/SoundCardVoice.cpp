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
    explicit CueQueue(size_t capacity) : cells_(capacity), mask_(capacity - 1) {
        for (size_t i = 0; i < capacity; ++i)
            cells_[i].sequence.store(i, std::memory_order_relaxed);
    }

    bool TryPush(const ToneCue& cue) {
        size_t position = tail_.load(std::memory_order_relaxed);
        for (;;) {
            Cell& cell = cells_[position & mask_];
            const size_t sequence = cell.sequence.load(std::memory_order_acquire);
            const auto difference = static_cast<intptr_t>(sequence) - static_cast<intptr_t>(position);
            if (difference == 0) {
                if (tail_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
                    cell.cue = cue;
                    cell.sequence.store(position + 1, std::memory_order_release);
                    return true;
                }
            } else if (difference < 0) {
                return false; // full
            } else {
                position = tail_.load(std::memory_order_relaxed);
            }
        }
    }

    bool TryPop(ToneCue& cue) {
        Cell& cell = cells_[head_ & mask_];
        if (cell.sequence.load(std::memory_order_acquire) != head_ + 1) return false;
        cue = cell.cue;
        cell.sequence.store(head_ + mask_ + 1, std::memory_order_release);
        ++head_;
        return true;
    }

private:
    struct Cell {
        std::atomic<size_t> sequence{0};
        ToneCue cue;
    };
    std::vector<Cell> cells_;
    size_t mask_;
    std::atomic<size_t> tail_{0};
    size_t head_ = 0; // the consumer's alone
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

PositionMapSetup MapFor(const VoiceSetup& setup) {
    PositionMapSetup map;
    map.sampleRate = setup.sampleRate;
    return map;
}

} // namespace

SoundCardVoice::SoundCardVoice(const VoiceSetup& given)
    : setup_(HeldInRange(given)), queue_(std::make_unique<CueQueue>(PowerOfTwoAtLeast(setup_.cueCapacity))),
      synth_({setup_.sampleRate, setup_.amplitude}), map_(MapFor(setup_)) {
    waiting_.reserve(static_cast<size_t>(setup_.cueCapacity));
    if (setup_.fixedLatencyMs > 0.0) latencyMs_.store(setup_.fixedLatencyMs, std::memory_order_relaxed);
}

SoundCardVoice::~SoundCardVoice() = default;

int64_t SoundCardVoice::SamplesFor(double ms) const { return std::llround(ms * setup_.sampleRate / 1000.0); }

void SoundCardVoice::PlayNote(int note, int lengthMs) {
    ToneCue cue;
    cue.run = kImmediateRun;
    cue.note = note;
    cue.lengthMs = lengthMs;
    cue.sound = lengthMs > 0;
    PlayCue(cue);
}

void SoundCardVoice::PlayCue(const ToneCue& cue) {
    if (!queue_->TryPush(cue)) droppedCues_.fetch_add(1, std::memory_order_relaxed);
}

void SoundCardVoice::EndRun(uint32_t run) { EndRunAt(run, std::numeric_limits<double>::quiet_NaN()); }

void SoundCardVoice::EndRunAt(uint32_t run, double clockMs) {
    // Not queued: a full queue must never swallow a stop. The moment goes first, so the audio
    // thread that sees the run sees its moment too (or a later stop's).
    endedAtMs_.store(clockMs, std::memory_order_relaxed);
    uint32_t ended = endedRun_.load(std::memory_order_relaxed);
    while (static_cast<int32_t>(run - ended) > 0 &&
           !endedRun_.compare_exchange_weak(ended, run, std::memory_order_release)) {
    }
}

void SoundCardVoice::Silence() { silenceRequests_.fetch_add(1, std::memory_order_release); }

void SoundCardVoice::ObservePosition(double clockMs, int64_t playedSamples) {
    if (!clockSeen_) {
        clockSeen_ = true;
        lastReadingMs_ = clockMs;
    }
    double step = clockMs - lastReadingMs_;
    if (step < -kClockWrapMs / 2) step += kClockWrapMs;
    if (step > kClockWrapMs / 2) step -= kClockWrapMs;
    lastReadingMs_ = clockMs;
    timelineMs_ += step;
    const bool wasReady = map_.Ready();
    const double lostBefore = map_.LostMs();
    map_.Add(timelineMs_, playedSamples);
    if (!wasReady && map_.Ready()) mapReadyAtMs_ = timelineMs_;
    // The device plays everything not yet rendered that much later: tones placed but not yet
    // rendered move with it, so they are heard where they belong.
    if (map_.LostMs() > lostBefore) synth_.DelayQueued(SamplesFor(map_.LostMs() - lostBefore));
    dropouts_.store(map_.Dropouts(), std::memory_order_relaxed);
    lostMs_.store(map_.LostMs(), std::memory_order_relaxed);
}

double SoundCardVoice::DueOnTimeline(const ToneCue& cue) const {
    if (cue.run == kImmediateRun) return timelineMs_;
    // The due time lineStartMs + dueAfterMs, as milliseconds after the latest reading.
    const double whole = std::floor(lastReadingMs_);
    const auto wholeReading = static_cast<uint32_t>(static_cast<int64_t>(whole));
    const double after = static_cast<double>(static_cast<int32_t>(cue.lineStartMs - wholeReading)) -
                         (lastReadingMs_ - whole) + cue.dueAfterMs;
    return timelineMs_ + after;
}

double SoundCardVoice::ReadingOnTimeline(double clockMs) const {
    double after = clockMs - lastReadingMs_;
    if (after < -kClockWrapMs / 2) after += kClockWrapMs;
    if (after > kClockWrapMs / 2) after -= kClockWrapMs;
    return timelineMs_ + after;
}

bool SoundCardVoice::Placing() const {
    return map_.Ready() && latencyMs_.load(std::memory_order_relaxed) > 0.0;
}

void SoundCardVoice::TakeCues() {
    const uint32_t ended = endedRun_.load(std::memory_order_acquire);
    const double endedAt = endedAtMs_.load(std::memory_order_relaxed);
    const uint32_t silence = silenceRequests_.load(std::memory_order_acquire);
    if (silence != handledSilence_) {
        // The switch to another voice silences at once, whatever still sounds or waits. A
        // silenced run goes on with its next cue.
        handledSilence_ = silence;
        synth_.CutAt(synth_.Position());
        waiting_.clear();
    }
    // A stop is heard a latency after it was made, like every step: the stopped run's cues due
    // before it sound up to that moment, even those still on their way; the rest are dropped.
    const bool stopped = ended != handledEnd_;
    const bool timed = stopped && Placing() && !std::isnan(endedAt);
    const int64_t stopSample =
        timed ? std::max<int64_t>(synth_.Position(),
                                  std::llround(map_.SampleAt(ReadingOnTimeline(endedAt) +
                                                             latencyMs_.load(std::memory_order_relaxed))))
              : synth_.Position();
    if (stopped) {
        handledEnd_ = ended;
        waiting_.clear();
    }
    ToneCue cue;
    while (queue_->TryPop(cue)) {
        const bool stale =
            cue.run != kImmediateRun && handledEnd_ != 0 && static_cast<int32_t>(cue.run - handledEnd_) <= 0;
        if (stale) {
            if (timed && DueOnTimeline(cue) < ReadingOnTimeline(endedAt)) Place(cue);
            continue;
        }
        if (waiting_.size() >= static_cast<size_t>(setup_.cueCapacity)) {
            waiting_.erase(waiting_.begin());
            droppedCues_.fetch_add(1, std::memory_order_relaxed);
        }
        waiting_.push_back(cue);
    }
    if (stopped) synth_.CutAt(stopSample);
}

void SoundCardVoice::RenderBlock(int16_t* out) {
    TakeCues();
    if (Placing()) {
        for (const ToneCue& cue : waiting_)
            Place(cue);
        waiting_.clear();
    }
    synth_.Render(out, static_cast<size_t>(setup_.blockSamples));
    rendered_.store(synth_.Position(), std::memory_order_relaxed);
    MeasureLookahead();
}

void SoundCardVoice::MeasureLookahead() {
    if (!map_.Ready()) return;
    // What is rendered now is heard no earlier than this after the latest reading.
    const double aheadMs =
        (static_cast<double>(synth_.Position()) - map_.SampleAt(timelineMs_)) * 1000.0 / setup_.sampleRate;
    if (aheadMs > lookaheadMs_.load(std::memory_order_relaxed))
        lookaheadMs_.store(aheadMs, std::memory_order_relaxed);
    if (latencyMs_.load(std::memory_order_relaxed) > 0.0) return;
    if (timelineMs_ - mapReadyAtMs_ < setup_.measureMs) return;
    latencyMs_.store(ChosenLatencyMs(), std::memory_order_relaxed);
}

double SoundCardVoice::ChosenLatencyMs() const {
    double latency = lookaheadMs_.load(std::memory_order_relaxed) + setup_.marginMs;
    if (setup_.latencyGridMs > 0.0)
        latency = std::ceil(latency / setup_.latencyGridMs) * setup_.latencyGridMs;
    return std::max(latency, 1.0);
}

void SoundCardVoice::Place(const ToneCue& cue) {
    const double latency = latencyMs_.load(std::memory_order_relaxed);
    const int64_t start = std::llround(map_.SampleAt(DueOnTimeline(cue) + latency));
    if (!cue.sound) {
        synth_.CutAt(start); // a rest ends the tone
        return;
    }
    if (start < synth_.Position()) lateTones_.fetch_add(1, std::memory_order_relaxed);
    tones_.fetch_add(1, std::memory_order_relaxed);
    // The speaker sounds twice the length it is handed.
    synth_.Add({start, SamplesFor(2.0 * cue.lengthMs), SpeakerFrequencyHz(cue.note)});
}

VoiceCounters SoundCardVoice::Counters() const {
    VoiceCounters counters;
    counters.tones = tones_.load(std::memory_order_relaxed);
    counters.droppedCues = droppedCues_.load(std::memory_order_relaxed);
    counters.lateTones = lateTones_.load(std::memory_order_relaxed);
    counters.dropouts = dropouts_.load(std::memory_order_relaxed);
    counters.lostMs = lostMs_.load(std::memory_order_relaxed);
    counters.lookaheadMs = lookaheadMs_.load(std::memory_order_relaxed);
    counters.latencyMs = latencyMs_.load(std::memory_order_relaxed);
    return counters;
}
