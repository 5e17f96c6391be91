#include "tone/SoundCardVoice.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kImmediateRun = 0xFFFFFFFFu; // PlayNote's cues: due when they arrive
constexpr double kRetieMs = 60.0;

// Milliseconds from clock reading `fromMs` to `lineStartMs + dueAfterMs`, across the wrap.
double MsAfter(uint32_t fromMs, uint32_t lineStartMs, double dueAfterMs) {
    return static_cast<double>(static_cast<int32_t>(lineStartMs - fromMs)) + dueAfterMs;
}

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
    setup.latencyMs = std::clamp(setup.latencyMs, 0.0, 2000.0);
    return setup;
}

} // namespace

SoundCardVoice::SoundCardVoice(const VoiceSetup& setup, StepTimer& clock)
    : setup_(HeldInRange(setup)), clock_(clock),
      queue_(std::make_unique<CueQueue>(PowerOfTwoAtLeast(setup_.cueCapacity))),
      synth_({setup_.sampleRate, setup_.amplitude}) {}

SoundCardVoice::~SoundCardVoice() = default;

double SoundCardVoice::AheadMs() const {
    return 1000.0 * (setup_.blocks - 1) * setup_.blockSamples / setup_.sampleRate;
}

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

void SoundCardVoice::EndRun(uint32_t run) {
    // Not queued: a full queue must never swallow a stop.
    uint32_t ended = endedRun_.load(std::memory_order_relaxed);
    while (static_cast<int32_t>(run - ended) > 0 &&
           !endedRun_.compare_exchange_weak(ended, run, std::memory_order_release)) {
    }
}

void SoundCardVoice::RenderBlock(int16_t* out) {
    const uint32_t nowMs = clock_.NowMs();
    const uint32_t ended = endedRun_.load(std::memory_order_acquire);
    if (ended != handledEnd_) {
        // Stop silences at once: from this block on, whatever still sounds or waits.
        handledEnd_ = ended;
        synth_.CutAt(synth_.Position());
        anchored_ = false;
    }
    ToneCue cue;
    while (queue_->TryPop(cue)) {
        const bool stale =
            cue.run != kImmediateRun && static_cast<int32_t>(cue.run - handledEnd_) <= 0 && handledEnd_ != 0;
        if (!stale) Place(cue, nowMs);
    }
    synth_.Render(out, static_cast<size_t>(setup_.blockSamples));
}

void SoundCardVoice::Place(const ToneCue& cue, uint32_t nowMs) {
    const int64_t blockStart = synth_.Position();
    // Where the stream would put a tone due at `dueFromNowMs`: this block is heard AheadMs()
    // from now, and every tone lands latencyMs after its due time.
    auto fromClock = [&](double dueFromNowMs) {
        return blockStart + SamplesFor(dueFromNowMs + setup_.latencyMs - AheadMs());
    };
    int64_t start = 0;
    if (cue.run == kImmediateRun) {
        start = fromClock(0.0);
    } else {
        const double dueFromNow = MsAfter(nowMs, cue.lineStartMs, cue.dueAfterMs);
        // The first cue of a run ties the run's time line to the stream; later cues are placed
        // from their due times alone, so the moment they arrive plays no part. Should the two
        // clocks have drifted apart by more than the wake-ups of the audio thread can explain
        // (drivers hand buffers back in bursts of 10 ms and more), the line is tied again.
        const int64_t clockPlace = fromClock(dueFromNow);
        if (!anchored_ || cue.run != anchorRun_) {
            anchored_ = true;
            anchorRun_ = cue.run;
            anchorLineStart_ = cue.lineStartMs;
            anchorDueAfter_ = cue.dueAfterMs;
            anchorSample_ = clockPlace;
        }
        start = anchorSample_ +
                SamplesFor(MsAfter(anchorLineStart_, cue.lineStartMs, cue.dueAfterMs) - anchorDueAfter_);
        const int64_t drift = std::llabs(start - clockPlace);
        if (drift > SamplesFor(kRetieMs)) {
            anchorLineStart_ = cue.lineStartMs;
            anchorDueAfter_ = cue.dueAfterMs;
            anchorSample_ = clockPlace;
            start = clockPlace;
        }
    }
    if (!cue.sound) {
        synth_.CutAt(start); // a rest ends the tone
        return;
    }
    if (start < blockStart) lateTones_.fetch_add(1, std::memory_order_relaxed);
    tones_.fetch_add(1, std::memory_order_relaxed);
    // The speaker sounds twice the length it is handed.
    synth_.Add({start, SamplesFor(2.0 * cue.lengthMs), SpeakerFrequencyHz(cue.note)});
}

VoiceCounters SoundCardVoice::Counters() const {
    VoiceCounters counters;
    counters.tones = tones_.load(std::memory_order_relaxed);
    counters.droppedCues = droppedCues_.load(std::memory_order_relaxed);
    counters.lateTones = lateTones_.load(std::memory_order_relaxed);
    return counters;
}
