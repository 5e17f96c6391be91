#include "playback/SequencerEngine.h"

#include <algorithm>
#include <thread>

#include "playback/Messages.h"
#include "playback/StepTiming.h"
#include "playback/SyncGroup.h"
#include "song/SongDocument.h"

namespace {

int ClampMeasure(int measure) { return std::clamp(measure, 0, kMeasureCount - 1); }

int ClampStep(int step) { return std::clamp(step, 0, kStepsPerMeasureMax - 1); }

} // namespace

// Holds the step claim for one scope and hands `playing` back on leaving it, also when a seam
// throws, so the other thread is never locked out.
class SequencerEngine::Claim {
public:
    explicit Claim(SequencerEngine& owner) : Claim(owner, owner.WaitForClaim()) {}
    Claim(SequencerEngine& owner, int32_t state) : engine(owner), previous(state), releaseAs(state) {}
    ~Claim() { engine.playing.store(releaseAs, std::memory_order_release); }
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;

    bool WasPlaying() const { return previous == kPlaying; }
    void ReleaseAs(int32_t state) { releaseAs = state; }

private:
    SequencerEngine& engine;
    int32_t previous;
    int32_t releaseAs;
};

void SequencerEngine::Initialise(const EngineParts& parts) {
    document = &parts.document;
    timer = &parts.timer;
    tone = &parts.tone;
    poster = &parts.poster;
    panel = &parts.panel;
    keys = &parts.keys;
    timer->Configure(1, &SequencerEngine::TimerCallback, this);
    timer->Start();
    timer->Stop();
}

void SequencerEngine::TimerCallback(void* user) noexcept {
    try {
        static_cast<SequencerEngine*>(user)->OnTimer();
    } catch (...) {
        // The timer thread has nobody to report to; the next tick tries again.
    }
}

int32_t SequencerEngine::WaitForClaim() {
    // A booking on the timer thread takes a few atomic writes and two posts; wait it out.
    for (;;) {
        int32_t state = playing.load(std::memory_order_acquire);
        if (state != kClaimed && playing.compare_exchange_weak(state, kClaimed, std::memory_order_acq_rel)) {
            return state;
        }
        std::this_thread::yield();
    }
}

void SequencerEngine::Start() {
    if (!Ready()) return;
    {
        Claim claim(*this);
        ResetTimeLine(timer->NowMs());
        claim.ReleaseAs(kPlaying);
    }
    timer->Start();
}

void SequencerEngine::Stop() {
    if (document == nullptr) return;
    {
        Claim claim(*this);
        claim.ReleaseAs(kStopped);
    }
    // From here on no step can be booked, whatever the timer thread is doing.
    timer->Stop();
    tone->EndRun(run);
}

void SequencerEngine::ResetTimeLine(uint32_t lineStartMs) {
    stepMs = StepDurationMs(document->tempo);
    tickCount = 1;
    // Start reads the tempo afresh, so a change still pending from the last run is void.
    tempoChanged = 0;
    startMs = lineStartMs;
}

void SequencerEngine::Toggle() {
    if (!Ready()) return;
    const bool alone = keys->ControlHeld();
    if (IsPlaying()) {
        EndPlayback();
        if (!alone) poster->BroadcastToCopies(SEQM_STOP, 0, 0);
        PostMeasureMark(document->playingMeasure, kClearMeasureMark);
        return;
    }
    const ToneRequest first = BeginPlayback(timer->NowMs());
    // The others are told before the first tone blocks this thread, so they start with it, on
    // this copy's time line where their clock can take it up.
    if (!alone) {
        const SharedReading start = timer->Share(first.lineStartMs);
        if (start.clock != 0) {
            broadcastStart = start;
            poster->BroadcastToCopies(SEQM_START, start.clock, static_cast<intptr_t>(start.ms));
        } else {
            poster->BroadcastToCopies(SEQM_START, 0, 0);
        }
    }
    PostMeasureMark(document->editMeasure, document->playingMeasure);
    Sound(first);
}

uint32_t SequencerEngine::StartOfSharedLine(uintptr_t wParam, intptr_t lParam) {
    const uint32_t now = timer->NowMs();
    // wParam 0 is a start from a copy that shares no time line: start now.
    const SharedReading shared{static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam)};
    uint32_t start = now;
    if (shared.clock == 0 || !timer->TakeUp(shared, start)) return now;
    // A reading from the future, or from long ago, is no start of a run that is just beginning.
    const int32_t age = static_cast<int32_t>(now - start);
    return age >= 0 && age <= kSharedStartMaxAgeMs ? start : now;
}

SequencerEngine::ToneRequest SequencerEngine::BeginPlayback(uint32_t lineStartMs) {
    ToneRequest first;
    {
        Claim claim(*this);
        ResetTimeLine(lineStartMs);
        document->playingMeasure = static_cast<int16_t>(ClampMeasure(document->editMeasure));
        document->syncState.stepIndex = 0;
        // The step below begins the first pass and counts it, whatever the counter held before;
        // with one step per measure it may also end that pass.
        document->passCounter = 0;
        run += 1;
        first = BookStep(startMs, 0.0);
        claim.ReleaseAs(kPlaying);
    }
    timer->Start();
    return first;
}

void SequencerEngine::EndPlayback() {
    Stop();
    document->syncState.stepIndex = 0;
    ShowPlayingStep(StepLight::Off);
}

void SequencerEngine::StartFromMessage(uintptr_t wParam, intptr_t lParam) {
    if (!Ready() || IsPlaying()) return;
    // This copy's own start coming back after it was already stopped again: not a new start.
    if (wParam != 0 && static_cast<uint32_t>(wParam) == broadcastStart.clock &&
        static_cast<uint32_t>(lParam) == broadcastStart.ms)
        return;
    const ToneRequest first = BeginPlayback(StartOfSharedLine(wParam, lParam));
    PostMeasureMark(document->editMeasure, document->playingMeasure);
    panel->SetPlayButton(PlayButtonLook::Playing);
    Sound(first);
}

void SequencerEngine::StopFromMessage() {
    if (!Ready() || !IsPlaying()) return;
    EndPlayback();
    PostMeasureMark(document->playingMeasure, kClearMeasureMark);
    panel->SetPlayButton(PlayButtonLook::Stopped);
}

void SequencerEngine::OnTimer() {
    if (playing.load(std::memory_order_acquire) != kPlaying) return;
    if (!StepDue(timer->NowMs())) return;
    ToneRequest request;
    {
        int32_t expected = kPlaying;
        if (!playing.compare_exchange_strong(expected, kClaimed, std::memory_order_acq_rel)) {
            return; // stopped, or the UI thread is changing the position: next tick
        }
        Claim claim(*this, kPlaying);
        // Test again under the claim: the run may have been restarted since the first look.
        const uint32_t now = timer->NowMs();
        if (!StepDue(now)) return;
        request = BookStep(startMs, DuePeriod());
        AdvanceTimeLine(now);
    }
    Sound(request);
}

double SequencerEngine::DuePeriod() const {
    // Due times are multiples of the step length from the start, so jitter never accumulates.
    const double step = stepMs;
    double period = tickCount * step;
    if (tempoChanged != 0) period += pendingStepMs - step;
    return period;
}

bool SequencerEngine::StepDue(uint32_t now) const {
    const double elapsed = static_cast<uint32_t>(now - startMs);
    return elapsed / DuePeriod() >= 1.0;
}

void SequencerEngine::AdvanceTimeLine(uint32_t playedAtMs) {
    tickCount += 1;
    if (tempoChanged == 0) return;
    // The new time line starts when this step was played, not when its tone has ended, so a
    // tempo change does not shift the beat by the tone's length. A step held up by a long tone
    // of the old tempo starts it late rather than being followed by a burst of catch-up steps.
    stepMs = pendingStepMs;
    tickCount = 1;
    startMs = playedAtMs;
    tempoChanged = 0;
}

void SequencerEngine::PlayStep() {
    if (document == nullptr) return;
    ToneRequest request;
    {
        Claim claim(*this);
        request = BookStep(timer->NowMs(), 0.0);
    }
    Sound(request);
}

SequencerEngine::ToneRequest SequencerEngine::BookStep(uint32_t lineStartMs, double dueAfterMs) {
    SongDocument& doc = *document;
    const int measure = ClampMeasure(doc.playingMeasure);
    const int index = ClampStep(doc.syncState.stepIndex);
    const Step& step = doc.measures[measure].steps[index];

    ToneRequest request;
    request.note = SoundingNote(step.note, doc.transpose);
    request.sound = doc.mute == 0 && step.on != 0;
    request.lengthMs = ToneLengthMs(doc.tempo, step.length);
    request.run = run;
    request.lineStartMs = lineStartMs;
    request.dueAfterMs = dueAfterMs;

    PostStepPlayed();
    if (index == 0) {
        doc.passCounter += 1;
        PostMeasureMark(measure, 0);
    }
    AdvancePosition(measure, index);
    return request;
}

void SequencerEngine::AdvancePosition(int measure, int step) {
    SongDocument& doc = *document;
    // The UI thread reads the position without the claim, so it is stored once and already
    // wrapped: step + 1 after the last step would name no step. The pass also ends here when the
    // steps per measure were lowered below the position.
    if (step < StepsPerMeasure() - 1) {
        doc.syncState.stepIndex = static_cast<int16_t>(step + 1);
        return;
    }
    if (doc.passCounter >= doc.measures[measure].repeat) {
        doc.playingMeasure = static_cast<int16_t>(LinkedMeasure(measure));
        doc.passCounter = 0;
    } else {
        doc.playingMeasure = static_cast<int16_t>(measure);
    }
    doc.syncState.stepIndex = 0;
}

int SequencerEngine::StepsPerMeasure() const {
    return std::clamp<int>(document->stepsPerMeasure, 1, kStepsPerMeasureMax);
}

int SequencerEngine::LinkedMeasure(int measure) const {
    // A link that names no measure (a damaged file) keeps the measure looping by itself.
    const int next = document->measures[measure].next;
    return next >= 0 && next < kMeasureCount ? next : measure;
}

void SequencerEngine::Sound(const ToneRequest& request) {
    ToneCue cue;
    cue.run = request.run;
    cue.lineStartMs = request.lineStartMs;
    cue.dueAfterMs = request.dueAfterMs;
    cue.note = request.note;
    cue.lengthMs = request.lengthMs;
    // Zero or negative lengths (tempos above 1500) would only stall the calling thread.
    cue.sound = request.sound && request.lengthMs > 0;
    tone->PlayCue(cue);
}

void SequencerEngine::PostStepPlayed() {
    // One waiting at most: the window reads the position when it takes the message, so a
    // window that falls behind skips highlight frames instead of drowning in messages.
    if (!stepPostWaiting.exchange(true)) poster->PostToSelf(SEQM_STEP_PLAYED, 0, 0);
}

void SequencerEngine::PostMeasureMark(int measure, intptr_t lParam) {
    // The mark to show is kept here; the message only says that it changed, and one waiting
    // message carries every change made before it is taken.
    // The same rule as a message's handling: a mark outside the measures changes nothing.
    if (lParam == kClearMeasureMark)
        markToShow = kNoMark;
    else if (measure >= 0 && measure < kMeasureCount)
        markToShow = measure;
    if (!markPostWaiting.exchange(true))
        poster->PostToSelf(SEQM_MEASURE_MARK, static_cast<uintptr_t>(measure), lParam);
}

void SequencerEngine::TempoChanged() {
    if (document == nullptr) return;
    Claim claim(*this);
    pendingStepMs = StepDurationMs(document->tempo);
    tempoChanged = 1;
}

void SequencerEngine::SelectMeasureWhilePlaying(int index) {
    if (!Ready() || !IsPlaying() || keys->ControlHeld()) return;
    {
        Claim claim(*this);
        SongDocument& doc = *document;
        const int measure = ClampMeasure(doc.editMeasure);
        if (measure != doc.playingMeasure) doc.passCounter = 0;
        doc.playingMeasure = static_cast<int16_t>(measure);
        // A mark still waiting in the queue shows this one when it is taken.
        markToShow = index;
    }
    panel->SetPlayingMark(index);
}

bool SequencerEngine::JumpToMeasure(int measure) {
    if (!Ready() || !IsPlaying() || measure < 0 || measure >= kMeasureCount) return false;
    {
        Claim claim(*this);
        document->playingMeasure = static_cast<int16_t>(measure);
        document->passCounter = 0;
        markToShow = measure;
    }
    panel->SetPlayingMark(measure);
    return true;
}

void SequencerEngine::ShowPlayingStep(StepLight light) {
    if (document == nullptr) return;
    if (light == StepLight::Off) {
        // The lit column is remembered, so the next move turns it off again harmlessly.
        if (litColumn != 0) panel->SetStepHighlighted(litColumn, StepLight::Off);
        return;
    }
    if (!HighlightDue(document->tempo, highlightThrottle)) return;
    // The position has already advanced, so this is the 1-based number of the step just played.
    const int index = document->syncState.stepIndex;
    const int column = std::clamp(index == 0 ? StepsPerMeasure() : index, 1, kStepsPerMeasureMax);
    panel->SetStepHighlighted(column, StepLight::On);
    if (litColumn != 0 && litColumn != column) panel->SetStepHighlighted(litColumn, StepLight::Off);
    litColumn = column;
}

void SequencerEngine::ShowMeasureMark(uintptr_t wParam, intptr_t lParam) {
    if (markPostWaiting.exchange(false)) {
        // Ours: taken first, then read, so a mark set meanwhile is posted anew.
        const int measure = markToShow;
        panel->SetPlayingMark(measure >= 0 && measure < kMeasureCount ? measure : -1);
        return;
    }
    if (lParam == kClearMeasureMark) {
        panel->SetPlayingMark(-1);
    } else if (wParam < static_cast<uintptr_t>(kMeasureCount)) {
        // Any program may post into this range; only a real measure index reaches the panel.
        panel->SetPlayingMark(static_cast<int>(wParam));
    }
}

void SequencerEngine::HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (document == nullptr) return; // messages arrive before the window initialises the engine
    switch (message) {
    case SEQM_MEASURE_MARK: ShowMeasureMark(wParam, lParam); break;
    case SEQM_STEP_PLAYED:
        // Taken before the position is read, so a step booked meanwhile is posted anew.
        stepPostWaiting.exchange(false);
        // A step booked just before a stop may be reported after it; the highlight stays off.
        if (IsPlaying()) ShowPlayingStep(StepLight::On);
        break;
    case SEQM_START: StartFromMessage(wParam, lParam); break;
    case SEQM_STOP: StopFromMessage(); break;
    default:
        if (SyncGroup::IsGroupMessage(message)) {
            SyncGroup(document->syncState, *poster).HandleMessage(message, wParam, lParam);
        }
        break;
    }
}

void SequencerEngine::Shutdown() {
    // Once only: the window's destructor repeats it after the tone outputs may be gone.
    if (document == nullptr || shutDown) return;
    shutDown = true;
    Stop();
    document->syncState.stepIndex = 0;
}
