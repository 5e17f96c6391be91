#include "render/OfflineRender.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "playback/EngineSeams.h"
#include "playback/SequencerEngine.h"
#include "playback/StepTiming.h"

namespace {

class VirtualTimer : public StepTimer {
public:
    void Configure(unsigned, Callback, void*) override {}
    void Start() override {}
    void Stop() override {}
    uint32_t NowMs() override { return nowMs; }
    uint32_t nowMs = 0;
};

class Silent : public MessagePoster, public EnginePanel, public KeyState {
public:
    void PostToSelf(unsigned, uintptr_t, intptr_t) override {}
    int BroadcastToCopies(unsigned, uintptr_t, intptr_t) override { return 1; }
    bool PlayButtonOn() override { return true; }
    void SetPlayButton(PlayButtonLook) override {}
    void SetPlayingMark(int) override {}
    void SetStepHighlighted(int, StepLight) override {}
    bool ControlHeld() override { return true; } // this copy alone: nobody else to tell
};

// Collects the cues and follows the chain, deciding where the render ends.
class Collector : public ToneOutput {
public:
    Collector(SongDocument& document, const RenderLimits& renderLimits, RenderSchedule& out)
        : doc(document), limits(renderLimits), schedule(out), measure(document.playingMeasure) {
        visited.insert(document.playingMeasure);
    }

    void PlayNote(int, int) override {}
    void PlayCue(const ToneCue& cue) override {
        if (done) return;
        const double due = cue.lineStartMs + cue.dueAfterMs;
        if (passEnded) {
            passEnded = false;
            schedule.passes += 1;
            if (limits.seconds <= 0.0 && schedule.passes >= std::max(limits.passes, 1))
                return Finish(due, Ending::Reached);
        }
        const double limitMs = limits.seconds > 0.0 ? limits.seconds * 1000.0 : 0.0;
        const double capMs = limits.capSeconds * 1000.0;
        if (limitMs > 0.0 && limitMs <= capMs && due >= limitMs) return Finish(limitMs, Ending::Reached);
        if (due >= capMs) return Finish(capMs, Ending::Capped);
        if (cue.sound) {
            const Step& step = doc.measures[measure].steps[std::clamp<int>(stepIndex, 0, 15)];
            schedule.notes.push_back({due, 2.0 * cue.lengthMs, cue.note, step.length});
        }
        FollowChain();
    }

    bool done = false;

private:
    enum class Ending { Reached, Capped };

    void Finish(double endMs, Ending ending) {
        schedule.endMs = endMs;
        schedule.capped = ending == Ending::Capped;
        done = true;
    }

    // The engine has already moved on when it cues a step: a step index of 0 with a pass count
    // of 0 means the pass just played followed its link.
    void FollowChain() {
        measure = doc.playingMeasure;
        stepIndex = doc.syncState.stepIndex;
        if (doc.syncState.stepIndex != 0 || doc.passCounter != 0) return;
        const int next = doc.playingMeasure;
        if (visited.count(next) != 0) {
            passEnded = true;
            visited.clear();
        }
        visited.insert(next);
    }

    SongDocument& doc;
    const RenderLimits& limits;
    RenderSchedule& schedule;
    std::set<int> visited;
    bool passEnded = false;
    int measure = 0; // where the next cued step lies
    int stepIndex = 0;
};

} // namespace

RenderSchedule ScheduleRender(SongDocument& doc, const RenderLimits& limits) {
    RenderSchedule schedule;
    schedule.tempo = doc.tempo;
    if (limits.startMeasure >= 0)
        doc.editMeasure = static_cast<int16_t>(std::clamp(limits.startMeasure, 0, 7));
    doc.playingMeasure = std::clamp<int16_t>(doc.editMeasure, 0, 7);

    VirtualTimer timer;
    Silent silent;
    Collector collector(doc, limits, schedule);
    SequencerEngine engine;
    engine.Initialise({.document = doc,
                       .timer = timer,
                       .tone = collector,
                       .poster = silent,
                       .panel = silent,
                       .keys = silent});
    engine.Toggle();
    // One timer call per virtual millisecond, as the multimedia timer gives; the engine plays at
    // most one step per call, and its due times, not the calls, say where the steps fall.
    const double capMs = limits.capSeconds * 1000.0;
    while (!collector.done) {
        timer.nowMs += 1;
        engine.OnTimer();
        if (timer.nowMs > capMs + 1000.0 + 2.0 * StepDurationMs(schedule.tempo)) {
            schedule.endMs = capMs;
            schedule.capped = true;
            break;
        }
    }
    engine.Shutdown();
    return schedule;
}

namespace {

float VersionOf(const std::vector<uint8_t>& bytes) {
    float version = 0.0f;
    std::memcpy(&version, bytes.data(), sizeof version);
    return version;
}

// Bytes of a whole settings file of `version`, by the reader's table of layouts.
size_t LayoutSize(float version) {
    if (version > 2.0f) return 1618;
    if (version == 2.0f) return 1614;
    const size_t step = 16;
    const size_t measureHead = version < 1.003f ? 4 + 2 : 4 + 4;
    return 38 + 8 * (measureHead + 16 * step) + 16 + (version >= 1.5f ? 4 : 0);
}

} // namespace

std::string ForeignSettingsReason(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 4) return "it is too short to hold a format version";
    const float version = VersionOf(bytes);
    if (!std::isfinite(version) || version < 0.99f || version > 2.0015f)
        return "it names no format version of this program";
    if (bytes.size() > LayoutSize(version)) return "it is longer than a settings file of its version";
    return {};
}
