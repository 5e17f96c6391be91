#pragma once
// Fakes for the step engine's seams and a rig that drives one engine on a virtual millisecond
// clock: the timer fires once per virtual millisecond, posted messages are pumped back into the
// engine as the main window would, and a tone moves the clock on by its length, as a tone that
// blocks the timer thread does. The fakes lock their records, so the two-thread tests can use them.
#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "playback/EngineSeams.h"
#include "playback/Messages.h"
#include "playback/SequencerEngine.h"
#include "song/SongDocument.h"

struct VirtualClock {
    std::atomic<uint32_t> nowMs{5000};
};

class FakeStepTimer : public StepTimer {
public:
    explicit FakeStepTimer(VirtualClock& virtualClock) : clock(virtualClock) {}

    void Configure(unsigned periodMs, Callback cb, void* userValue) override {
        period = periodMs;
        callback = cb;
        user = userValue;
    }
    void Start() override { Record(true); }
    void Stop() override { Record(false); }
    uint32_t NowMs() override { return clock.nowMs.load() + offsetMs; }
    // A machine-wide clock `sharedClock` that this one reads `offsetMs` ahead of.
    SharedReading Share(uint32_t reading) override { return {sharedClock, reading - offsetMs}; }
    bool TakeUp(const SharedReading& shared, uint32_t& reading) override {
        if (sharedClock == 0 || shared.clock != sharedClock) return false;
        reading = shared.ms + offsetMs;
        return true;
    }

    // One tick of the periodic event, if it is set.
    void Fire() {
        if (armed.load() && callback != nullptr) callback(user);
    }

    uint32_t sharedClock = 7;
    uint32_t offsetMs = 0;
    unsigned period = 0;
    Callback callback = nullptr;
    void* user = nullptr;
    std::atomic<bool> armed{false};
    std::atomic<int> starts{0};
    std::atomic<int> stops{0};
    std::atomic<int> callsFromOtherThreads{0};
    std::thread::id owner = std::this_thread::get_id();

private:
    void Record(bool start) {
        armed.store(start);
        (start ? starts : stops).fetch_add(1);
        if (std::this_thread::get_id() != owner) callsFromOtherThreads.fetch_add(1);
    }
    VirtualClock& clock;
};

class ToneRecorder : public ToneOutput {
public:
    struct Note {
        int note;
        int lengthMs;
        uint32_t atMs;
    };
    explicit ToneRecorder(VirtualClock& virtualClock, bool blocking = true)
        : clock(virtualClock), blocks(blocking) {}

    void PlayNote(int note, int lengthMs) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            notes.push_back({note, lengthMs, clock.nowMs.load()});
        }
        // The speaker doubles the length it is given and returns when the tone is over.
        if (blocks && lengthMs > 0) clock.nowMs.fetch_add(static_cast<uint32_t>(2 * lengthMs));
    }
    void PlayCue(const ToneCue& cue) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            cues.push_back(cue);
        }
        ToneOutput::PlayCue(cue);
    }
    void EndRun(uint32_t run) override {
        std::lock_guard<std::mutex> lock(mutex);
        endedRuns.push_back(run);
    }
    std::vector<Note> Notes() const {
        std::lock_guard<std::mutex> lock(mutex);
        return notes;
    }
    std::vector<ToneCue> Cues() const {
        std::lock_guard<std::mutex> lock(mutex);
        return cues;
    }
    std::vector<uint32_t> EndedRuns() const {
        std::lock_guard<std::mutex> lock(mutex);
        return endedRuns;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex);
        notes.clear();
        cues.clear();
    }

private:
    VirtualClock& clock;
    bool blocks;
    mutable std::mutex mutex;
    std::vector<Note> notes;
    std::vector<ToneCue> cues;
    std::vector<uint32_t> endedRuns;
};

struct Posted {
    unsigned message;
    uintptr_t wParam;
    intptr_t lParam;
    uint32_t atMs;
};

class PostQueue;

// The running copies: a broadcast reaches every queue on the bus, the sender's own included.
class CopyBus {
public:
    void Join(PostQueue* queue) { queues.push_back(queue); }
    std::vector<PostQueue*> queues;
};

class PostQueue : public MessagePoster {
public:
    explicit PostQueue(VirtualClock& virtualClock) : clock(virtualClock) {}

    void PostToSelf(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        Deliver({message, wParam, lParam, clock.nowMs.load()});
        std::lock_guard<std::mutex> lock(mutex);
        posted.push_back({message, wParam, lParam, clock.nowMs.load()});
    }
    int BroadcastToCopies(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            broadcasts.push_back({message, wParam, lParam, clock.nowMs.load()});
        }
        if (bus == nullptr) {
            Deliver({message, wParam, lParam, clock.nowMs.load()});
            return 1;
        }
        for (PostQueue* each : bus->queues)
            each->Deliver({message, wParam, lParam, 0});
        return static_cast<int>(bus->queues.size());
    }

    void Deliver(const Posted& message) {
        std::lock_guard<std::mutex> lock(mutex);
        queue.push_back(message);
    }
    std::optional<Posted> Take() {
        std::lock_guard<std::mutex> lock(mutex);
        if (queue.empty()) return std::nullopt;
        Posted message = queue.front();
        queue.pop_front();
        return message;
    }
    std::vector<Posted> PostedToSelf() const {
        std::lock_guard<std::mutex> lock(mutex);
        return posted;
    }
    std::vector<Posted> Broadcasts() const {
        std::lock_guard<std::mutex> lock(mutex);
        return broadcasts;
    }
    size_t PostedCount() const {
        std::lock_guard<std::mutex> lock(mutex);
        return posted.size();
    }
    void ClearRecords() {
        std::lock_guard<std::mutex> lock(mutex);
        posted.clear();
        broadcasts.clear();
    }

    CopyBus* bus = nullptr;

private:
    VirtualClock& clock;
    mutable std::mutex mutex;
    std::deque<Posted> queue;
    std::vector<Posted> posted;
    std::vector<Posted> broadcasts;
};

class FakePanel : public EnginePanel {
public:
    bool PlayButtonOn() override { return playButton; }
    void SetPlayButton(PlayButtonLook look) override { playButton = look == PlayButtonLook::Playing; }
    void SetPlayingMark(int measure) override {
        playingMark = measure;
        marks.push_back(measure);
    }
    void SetStepHighlighted(int column, StepLight light) override {
        const bool on = light == StepLight::On;
        lit.at(static_cast<size_t>(column)) = on;
        if (on) highlightMoves.push_back(column);
    }
    int LitCount() const {
        int count = 0;
        for (bool on : lit)
            count += on ? 1 : 0;
        return count;
    }

    bool playButton = false;
    int playingMark = -1;
    std::vector<int> marks;
    std::array<bool, 17> lit{}; // columns 1..16
    std::vector<int> highlightMoves;
};

class FakeKeys : public KeyState {
public:
    bool ControlHeld() override { return control.load(); }
    std::atomic<bool> control{false};
};

// Gives every step of every measure the note offset equal to its index, so the sounding note
// (offset + 60) tells which step played; all steps on, length 64.
inline void NumberSteps(SongDocument& doc) {
    for (Measure& measure : doc.measures) {
        for (int k = 0; k < kStepsPerMeasureMax; ++k) {
            Step& step = measure.steps[k];
            step.on = 1;
            step.note = static_cast<int16_t>(k);
            step.length = 64;
        }
    }
}

struct EngineRig {
    explicit EngineRig(VirtualClock& sharedClock) : clock(sharedClock) {
        NumberSteps(doc);
        engine.Initialise(
            {.document = doc, .timer = timer, .tone = tone, .poster = poster, .panel = panel, .keys = keys});
        poster.ClearRecords();
    }

    // The window's own handling of the posted messages.
    void Pump() {
        while (auto message = poster.Take()) {
            engine.HandleMessage(message->message, message->wParam, message->lParam);
        }
    }
    // A click on the play button: it flips, then the engine toggles.
    void PressPlay(bool control = false) {
        keys.control = control;
        panel.playButton = !panel.playButton;
        engine.Toggle();
        keys.control = false;
        Pump();
    }
    // Fires the timer once per virtual millisecond until the clock reaches `untilMs`.
    void RunUntil(uint32_t untilMs) {
        while (clock.nowMs.load() < untilMs) {
            clock.nowMs.fetch_add(1);
            timer.Fire();
            Pump();
        }
    }
    void RunFor(uint32_t ms) { RunUntil(clock.nowMs.load() + ms); }

    // Times at which SEQM_STEP_PLAYED was posted, one per played step.
    std::vector<uint32_t> StepTimes() const {
        std::vector<uint32_t> times;
        for (const Posted& p : poster.PostedToSelf()) {
            if (p.message == SEQM_STEP_PLAYED) times.push_back(p.atMs);
        }
        return times;
    }
    // Measures of the passes begun, from the measure marks posted at each pass start.
    // A pass mark follows its step's SEQM_STEP_PLAYED; the start's own mark follows a mark.
    std::vector<int> PassMeasures() const {
        std::vector<int> measures;
        unsigned previous = 0;
        for (const Posted& p : poster.PostedToSelf()) {
            if (p.message == SEQM_MEASURE_MARK && p.lParam == 0 && previous == SEQM_STEP_PLAYED) {
                measures.push_back(static_cast<int>(p.wParam));
            }
            previous = p.message;
        }
        return measures;
    }
    // Sounding notes in order; with NumberSteps, note - 60 is the step index.
    std::vector<int> NotesPlayed() const {
        std::vector<int> notes;
        for (const ToneRecorder::Note& n : tone.Notes())
            notes.push_back(n.note);
        return notes;
    }

    VirtualClock& clock;
    SongDocument doc;
    FakeStepTimer timer{clock};
    ToneRecorder tone{clock};
    PostQueue poster{clock};
    FakePanel panel;
    FakeKeys keys;
    SequencerEngine engine;
};
