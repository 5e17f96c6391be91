#include "playback/SequencerEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "EngineRig.h"
#include "playback/StepTiming.h"

namespace {

class SequencerEngineTest : public ::testing::Test {
protected:
    VirtualClock clock;
    EngineRig rig{clock};
    SongDocument& doc = rig.doc;
    SequencerEngine& engine = rig.engine;
};

// Expected post time of the k-th step after a start at `startMs`: the first whole millisecond at
// or after k step lengths.
uint32_t DueAt(uint32_t startMs, int k, double stepMs) {
    return startMs + static_cast<uint32_t>(std::ceil(static_cast<double>(k) * stepMs));
}

TEST(StepTimingTest, DurationFollowsTheSingleCoefficientWithinOnePartInTenMillion) {
    EXPECT_NEAR(StepDurationMs(126.0), 119.04761904761905, 1e-4);
    EXPECT_NEAR(StepDurationMs(126.0), 119.0476, 5e-5);
    for (double x = tempo::kMinBpm; x <= tempo::kMaxBpm; x *= 1.37) {
        // Tempos that single precision holds exactly are off by the coefficient alone; any other
        // also loses its own rounding to single precision.
        const double t = static_cast<float>(x);
        EXPECT_NEAR(StepDurationMs(t), 15000.0 / t, 15000.0 / t * 1e-7) << "tempo " << t;
        EXPECT_NEAR(StepDurationMs(x), 15000.0 / x, 15000.0 / x * 1.2e-7) << "tempo " << x;
    }
    // The single-precision coefficient makes 120 come out just short of 125 ms.
    EXPECT_LT(StepDurationMs(120.0), 125.0);
}

TEST(StepTimingTest, TempoForTimingStaysFiniteAndPositive) {
    // Every tempo the engine times is held where it entered the song.
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_NEAR(StepDurationMs(tempo::HoldTempo(0.0)), 30000.0, 0.01);
    EXPECT_GT(StepDurationMs(tempo::HoldTempo(inf)), 0.0);
    EXPECT_DOUBLE_EQ(StepDurationMs(tempo::HoldTempo(std::nan(""))), StepDurationMs(126.0));
}

TEST(StepTimingTest, NoteAndToneLength) {
    EXPECT_EQ(SoundingNote(0, 0), 60);
    EXPECT_EQ(SoundingNote(67, 10), 127);
    EXPECT_EQ(SoundingNote(-60, -5), 1);
    // 16-bit arithmetic: a huge offset wraps below zero and plays the lowest note.
    EXPECT_EQ(SoundingNote(32767, 0), 1);

    EXPECT_EQ(ToneLengthMs(126.0, 30), 12);
    EXPECT_EQ(ToneLengthMs(126.0, 127), 53);
    EXPECT_EQ(ToneLengthMs(126.0, 0), 0);
    EXPECT_LE(ToneLengthMs(3000.0, 127), 0);
    // A damaged length is held to the step's window and never goes negative.
    EXPECT_EQ(ToneLengthMs(126.0, 30000), 53);
    EXPECT_EQ(ToneLengthMs(126.0, -40), 0);
    EXPECT_EQ(ToneLengthMs(tempo::kMinBpm, 127), 14877); // the slowest tempo, the longest tone
}

TEST_F(SequencerEngineTest, InitialiseConfiguresOneMillisecondAndLeavesTheTimerStopped) {
    EXPECT_EQ(rig.timer.period, 1u);
    EXPECT_EQ(rig.timer.user, &engine);
    EXPECT_EQ(rig.timer.starts.load(), 1);
    EXPECT_FALSE(rig.timer.armed.load());
    EXPECT_FALSE(engine.IsPlaying());
}

TEST_F(SequencerEngineTest, DefaultsPlayStepZeroAtOnceThenEveryStepWithoutDrift) {
    const uint32_t start = clock.nowMs;
    rig.PressPlay();
    EXPECT_TRUE(engine.IsPlaying());
    EXPECT_TRUE(rig.timer.armed.load());
    ASSERT_EQ(rig.NotesPlayed().size(), 1u);
    EXPECT_EQ(rig.NotesPlayed()[0], 60); // step 0 of measure 0, sounded before any tick

    const double step = StepDurationMs(126.0);
    const int steps = 2000;
    rig.RunUntil(DueAt(start, steps, step));
    const std::vector<uint32_t> times = rig.StepTimes();
    ASSERT_EQ(times.size(), static_cast<size_t>(steps + 1));
    for (int k = 0; k <= steps; ++k)
        ASSERT_EQ(times[k], DueAt(start, k, step)) << "step " << k;

    // Measure 0 loops by itself: every step in order, every pass in measure 0.
    const std::vector<int> notes = rig.NotesPlayed();
    for (size_t k = 0; k < notes.size(); ++k)
        ASSERT_EQ(notes[k], 60 + static_cast<int>(k % 16));
    for (int measure : rig.PassMeasures())
        ASSERT_EQ(measure, 0);
    EXPECT_EQ(rig.PassMeasures().size(), static_cast<size_t>(steps / 16 + 1));
    EXPECT_EQ(rig.tone.Notes()[1].lengthMs, 27); // L = 54 at 126, length 64 of 128
}

TEST_F(SequencerEngineTest, RepeatCountsAndLinksGiveThePassSequence) {
    doc.measures[0].next = 1;
    doc.measures[0].repeat = 3;
    doc.measures[1].next = 0;
    doc.measures[1].repeat = 1;
    rig.PressPlay();
    std::vector<int> countsInMeasure0{doc.passCounter};
    size_t seen = 1;
    while (rig.PassMeasures().size() < 8) {
        rig.RunFor(1);
        const std::vector<int> passes = rig.PassMeasures();
        if (passes.size() != seen) {
            seen = passes.size();
            if (passes.back() == 0) countsInMeasure0.push_back(doc.passCounter);
        }
    }
    EXPECT_EQ(rig.PassMeasures(), (std::vector<int>{0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(countsInMeasure0, (std::vector<int>{1, 2, 3, 1, 2, 3}));
}

TEST_F(SequencerEngineTest, OneStepPerMeasureCountsEveryStepAsAPassEvenAfterAnEarlierRun) {
    doc.stepsPerMeasure = 1;
    doc.measures[0].next = 1;
    doc.measures[0].repeat = 3;
    doc.measures[1].next = 0;
    doc.measures[1].repeat = 1;
    doc.passCounter = 2; // left over from an earlier run
    rig.PressPlay();
    rig.RunFor(static_cast<uint32_t>(StepDurationMs(126.0) * 8));
    const std::vector<int> passes = rig.PassMeasures();
    ASSERT_GE(passes.size(), 8u);
    EXPECT_EQ(std::vector<int>(passes.begin(), passes.begin() + 8),
              (std::vector<int>{0, 0, 0, 1, 0, 0, 0, 1}));
    for (int note : rig.NotesPlayed())
        EXPECT_EQ(note, 60); // always step 0
}

TEST_F(SequencerEngineTest, LoweringStepsPerMeasureBelowThePositionEndsThePass) {
    doc.measures[0].next = 2;
    rig.PressPlay();
    const double step = StepDurationMs(126.0);
    rig.RunUntil(DueAt(rig.timer.NowMs(), 9, step) - 60); // steps 0..8 of measure 0 played
    ASSERT_EQ(doc.syncState.stepIndex, 9);
    doc.stepsPerMeasure = 4;
    rig.RunFor(static_cast<uint32_t>(step * 2));
    const std::vector<int> notes = rig.NotesPlayed();
    ASSERT_GE(notes.size(), 11u);
    EXPECT_EQ(notes[9], 60 + 9);  // still played, but it ends the pass
    EXPECT_EQ(notes[10], 60 + 0); // first step of the linked measure
    EXPECT_EQ(rig.PassMeasures().back(), 2);
}

TEST_F(SequencerEngineTest, TempoChangeTakesEffectOneNewStepAfterThePreviousDueTime) {
    doc.tempo = 120.0;
    const uint32_t start = clock.nowMs;
    rig.PressPlay();
    const double fast = StepDurationMs(120.0);
    const double slow = StepDurationMs(60.0);
    rig.RunUntil(DueAt(start, 2, fast) + 10); // steps 0, 1, 2 played
    doc.tempo = 60.0;
    engine.TempoChanged();
    EXPECT_TRUE(engine.TempoChangePending());
    rig.RunFor(2000);

    const std::vector<uint32_t> times = rig.StepTimes();
    ASSERT_GE(times.size(), 8u);
    const uint32_t previousDue = DueAt(start, 2, fast);
    EXPECT_EQ(times[2], previousDue);
    EXPECT_EQ(times[3], start + static_cast<uint32_t>(std::ceil(2 * fast + slow)));
    EXPECT_EQ(times[3], previousDue + 250);
    // From there the time line restarts at the new length, unaffected by the tones' own length.
    for (size_t k = 4; k < times.size(); ++k) {
        EXPECT_EQ(times[k], times[3] + static_cast<uint32_t>(std::ceil((k - 3) * slow))) << k;
    }
    EXPECT_FALSE(engine.TempoChangePending());
    EXPECT_DOUBLE_EQ(engine.StepMs(), slow);
}

TEST_F(SequencerEngineTest, SpeedingUpAfterALongToneNeitherBurstsNorLosesTheNewStep) {
    doc.tempo = 60.0;
    for (Step& step : doc.measures[0].steps)
        step.length = 127; // 238 ms tones at 60
    rig.PressPlay();
    rig.RunFor(260); // step 1 is sounding, holding the timer thread
    doc.tempo = 240.0;
    engine.TempoChanged();
    rig.RunFor(1000);
    const std::vector<uint32_t> times = rig.StepTimes();
    ASSERT_GE(times.size(), 8u);
    const uint32_t step = static_cast<uint32_t>(StepDurationMs(240.0));
    for (size_t k = 3; k < times.size(); ++k) {
        EXPECT_GE(times[k] - times[k - 1], step) << k;
        EXPECT_LE(times[k] - times[k - 1], step + 1) << k;
    }
}

TEST_F(SequencerEngineTest, TempoChangeLeftPendingByAStopDoesNotLeakIntoTheNextRun) {
    doc.tempo = 120.0;
    rig.PressPlay();
    rig.RunFor(300);
    doc.tempo = 60.0;
    engine.TempoChanged();
    rig.PressPlay();   // stop before the change took effect
    doc.tempo = 240.0; // set while stopped: nobody tells the engine
    const uint32_t start = clock.nowMs;
    rig.poster.ClearRecords();
    rig.PressPlay();
    rig.RunFor(1000);
    const double step = StepDurationMs(240.0);
    const std::vector<uint32_t> times = rig.StepTimes();
    ASSERT_GE(times.size(), 10u);
    for (size_t k = 0; k < times.size(); ++k)
        EXPECT_EQ(times[k], DueAt(start, k, step)) << k;
}

TEST_F(SequencerEngineTest, Tempo3000SoundsNothingAndMovesTheHighlightEverySecondStep) {
    doc.tempo = 3000.0;
    rig.PressPlay();
    rig.RunFor(200); // 5 ms steps: 41 steps
    EXPECT_TRUE(rig.NotesPlayed().empty());
    const std::vector<int>& moves = rig.panel.highlightMoves;
    const size_t steps = rig.StepTimes().size();
    EXPECT_EQ(moves.size(), steps / 2);
    // Each move lights the step just played: every second step number.
    for (size_t k = 0; k < moves.size(); ++k)
        EXPECT_EQ(moves[k], static_cast<int>((2 * k + 1) % 16 + 1));
    EXPECT_EQ(rig.panel.LitCount(), 1);
}

TEST_F(SequencerEngineTest, OffAndMutedStepsAdvanceAndPostButSoundNothing) {
    for (Step& step : doc.measures[0].steps)
        step.on = 0;
    doc.measures[0].steps[3].on = 1;
    rig.PressPlay();
    const uint32_t sixteenSteps = static_cast<uint32_t>(std::ceil(StepDurationMs(126.0) * 16));
    rig.RunFor(sixteenSteps);
    EXPECT_EQ(rig.StepTimes().size(), 17u);
    EXPECT_EQ(rig.NotesPlayed(), (std::vector<int>{63}));
    EXPECT_EQ(rig.PassMeasures().size(), 2u);
    EXPECT_EQ(rig.panel.highlightMoves.size(), 17u);

    doc.mute = 1;
    const size_t before = rig.StepTimes().size();
    rig.RunFor(sixteenSteps);
    EXPECT_EQ(rig.StepTimes().size(), before + 16);
    EXPECT_EQ(rig.NotesPlayed().size(), 1u);
    EXPECT_EQ(rig.panel.playingMark, 0);
}

TEST_F(SequencerEngineTest, StopClearsHighlightAndMarkAndTheNextStartBeginsAtStepZero) {
    doc.editMeasure = 3;
    rig.PressPlay();
    rig.RunFor(600); // into step 5 of measure 3
    EXPECT_EQ(rig.panel.playingMark, 3);
    EXPECT_EQ(rig.panel.LitCount(), 1);
    // A step booked just before the stop is reported after it.
    clock.nowMs += 200;
    rig.timer.Fire();
    rig.keys.control = false;
    rig.panel.playButton = false;
    engine.Toggle();
    rig.Pump();
    EXPECT_FALSE(engine.IsPlaying());
    EXPECT_FALSE(rig.timer.armed.load());
    EXPECT_EQ(doc.syncState.stepIndex, 0);
    EXPECT_EQ(rig.panel.LitCount(), 0);
    EXPECT_EQ(rig.panel.playingMark, -1);
    rig.RunFor(500);
    EXPECT_EQ(rig.StepTimes().size(), 7u); // nothing more after the stop

    doc.editMeasure = 1;
    rig.tone.Clear();
    rig.PressPlay();
    EXPECT_EQ(doc.playingMeasure, 1);
    ASSERT_EQ(rig.NotesPlayed().size(), 1u);
    EXPECT_EQ(rig.NotesPlayed()[0], 60);
    EXPECT_EQ(rig.panel.playingMark, 1);
}

TEST_F(SequencerEngineTest, NotesAreClampedAfterTranspose) {
    doc.measures[0].steps[0].note = 60;
    doc.measures[0].steps[1].note = -60;
    doc.transpose = 20;
    rig.PressPlay();
    doc.transpose = -20;
    rig.RunFor(static_cast<uint32_t>(StepDurationMs(126.0)) + 1);
    EXPECT_EQ(rig.NotesPlayed(), (std::vector<int>{127, 1}));
}

TEST_F(SequencerEngineTest, StartAndStopAreBroadcastUnlessControlIsHeld) {
    rig.PressPlay();
    rig.RunFor(300);
    rig.PressPlay();
    std::vector<Posted> sent = rig.poster.Broadcasts();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].message, SEQM_START);
    EXPECT_EQ(sent[1].message, SEQM_STOP);
    // Its own broadcasts came back and were ignored: still stopped, button still off.
    EXPECT_FALSE(engine.IsPlaying());
    EXPECT_FALSE(rig.panel.playButton);

    rig.poster.ClearRecords();
    rig.PressPlay(true);
    EXPECT_TRUE(engine.IsPlaying());
    rig.PressPlay(true);
    EXPECT_FALSE(engine.IsPlaying());
    EXPECT_TRUE(rig.poster.Broadcasts().empty());
}

TEST_F(SequencerEngineTest, CopyStartedByMessageFollowsTheSamePasses) {
    CopyBus bus;
    EngineRig other(clock);
    bus.Join(&rig.poster);
    bus.Join(&other.poster);
    rig.poster.bus = &bus;
    other.poster.bus = &bus;
    for (EngineRig* copy : {&rig, &other}) {
        copy->doc.measures[0].next = 1;
        copy->doc.measures[0].repeat = 3;
        copy->doc.measures[1].next = 0;
        copy->doc.passCounter = 5;
    }
    rig.PressPlay();
    other.Pump(); // the other copy's window handles SEQM_START
    EXPECT_TRUE(other.engine.IsPlaying());
    EXPECT_TRUE(other.panel.playButton);
    EXPECT_EQ(other.panel.playingMark, 0);
    while (rig.PassMeasures().size() < 8) {
        clock.nowMs += 1;
        rig.timer.Fire();
        other.timer.Fire();
        rig.Pump();
        other.Pump();
    }
    EXPECT_EQ(rig.PassMeasures(), (std::vector<int>{0, 0, 0, 1, 0, 0, 0, 1}));
    std::vector<int> followed = other.PassMeasures();
    followed.resize(8);
    EXPECT_EQ(followed, rig.PassMeasures());

    rig.PressPlay();
    other.Pump();
    EXPECT_FALSE(other.engine.IsPlaying());
    EXPECT_FALSE(other.panel.playButton);
    EXPECT_EQ(other.panel.playingMark, -1);
    EXPECT_EQ(other.doc.syncState.stepIndex, 0);
    EXPECT_TRUE(other.poster.Broadcasts().empty()); // no echo
}

TEST_F(SequencerEngineTest, StartMessageIsIgnoredWhilePlayingAndStopWhileStopped) {
    rig.PressPlay();
    rig.RunFor(400);
    const int16_t index = doc.syncState.stepIndex;
    engine.HandleMessage(SEQM_START, 0, 0);
    EXPECT_EQ(doc.syncState.stepIndex, index);
    EXPECT_TRUE(rig.panel.playButton);
    rig.PressPlay();
    engine.HandleMessage(SEQM_STOP, 0, 0);
    EXPECT_FALSE(rig.panel.playButton);
}

TEST_F(SequencerEngineTest, MeasureSelectionWhilePlaying) {
    doc.measures[0].repeat = 4;
    rig.PressPlay();
    rig.RunFor(2500); // second pass of measure 0
    ASSERT_EQ(doc.passCounter, 2);
    const int16_t index = doc.syncState.stepIndex;

    rig.keys.control = true;
    doc.editMeasure = 5;
    engine.SelectMeasureWhilePlaying(5);
    EXPECT_EQ(doc.playingMeasure, 0);
    rig.keys.control = false;

    engine.SelectMeasureWhilePlaying(5);
    EXPECT_EQ(doc.playingMeasure, 5);
    EXPECT_EQ(doc.passCounter, 0);
    EXPECT_EQ(doc.syncState.stepIndex, index);
    EXPECT_EQ(rig.panel.playingMark, 5);

    EXPECT_TRUE(engine.JumpToMeasure(2));
    EXPECT_EQ(doc.playingMeasure, 2);
    EXPECT_EQ(doc.editMeasure, 5);
    EXPECT_EQ(rig.panel.playingMark, 2);
    EXPECT_FALSE(engine.JumpToMeasure(8));

    rig.PressPlay();
    EXPECT_FALSE(engine.JumpToMeasure(1));
    engine.SelectMeasureWhilePlaying(1);
    EXPECT_EQ(doc.playingMeasure, 2);
}

TEST_F(SequencerEngineTest, UnusableTemposKeepTimeInsteadOfStallingOrFlooding) {
    const double inf = std::numeric_limits<double>::infinity();
    // As the song holds them where they enter.
    for (double tempo : {0.0, -50.0}) {
        doc.tempo = tempo::HoldTempo(tempo);
        const uint32_t start = clock.nowMs;
        rig.PressPlay();
        EXPECT_NEAR(engine.StepMs(), 30000.0, 0.01);
        rig.RunFor(30010);
        EXPECT_EQ(rig.StepTimes().back(), start + 30000);
        rig.PressPlay();
        rig.poster.ClearRecords();
    }
    doc.tempo = tempo::HoldTempo(std::nan(""));
    rig.PressPlay();
    EXPECT_DOUBLE_EQ(engine.StepMs(), StepDurationMs(tempo::kDefaultBpm));
    rig.PressPlay();

    // An infinite tempo plays at the top of the range: one step per tick, no tone at all.
    rig.tone.Clear();
    rig.poster.ClearRecords();
    doc.tempo = tempo::HoldTempo(inf);
    rig.PressPlay();
    rig.RunFor(100);
    EXPECT_EQ(rig.StepTimes().size(), 101u);
    EXPECT_TRUE(rig.NotesPlayed().empty());
    // A tempo change to NaN while playing is just as safe.
    doc.tempo = tempo::HoldTempo(std::nan(""));
    engine.TempoChanged();
    EXPECT_DOUBLE_EQ(engine.PendingStepMs(), StepDurationMs(tempo::kDefaultBpm));
}

TEST_F(SequencerEngineTest, DamagedLinksAndStepCountsStayInsideTheMeasures) {
    doc.measures[0].next = 9;
    doc.measures[1].next = -3;
    doc.stepsPerMeasure = 0;
    rig.PressPlay();
    rig.RunFor(1000);
    for (int measure : rig.PassMeasures())
        EXPECT_EQ(measure, 0); // a broken link loops
    EXPECT_EQ(doc.playingMeasure, 0);
    for (int note : rig.NotesPlayed())
        EXPECT_EQ(note, 60);

    doc.stepsPerMeasure = 99;
    doc.playingMeasure = 1;
    rig.RunFor(static_cast<uint32_t>(StepDurationMs(126.0) * 20));
    for (int measure : rig.PassMeasures())
        EXPECT_TRUE(measure == 0 || measure == 1);
    EXPECT_EQ(doc.playingMeasure, 1);
    rig.PressPlay();

    doc.editMeasure = 40;
    rig.PressPlay();
    EXPECT_EQ(doc.playingMeasure, 7);
    EXPECT_EQ(rig.panel.playingMark, 7);
}

TEST_F(SequencerEngineTest, ZeroOrNegativeToneLengthNeverReachesTheSpeaker) {
    doc.measures[0].steps[0].length = 0;
    doc.measures[0].steps[1].length = -5;
    doc.measures[0].steps[2].length = 1; // 54 / 128 truncates to 0
    doc.measures[0].steps[3].length = 3;
    rig.PressPlay();
    rig.RunFor(static_cast<uint32_t>(StepDurationMs(126.0) * 3) + 1);
    ASSERT_EQ(rig.tone.Notes().size(), 1u);
    EXPECT_EQ(rig.tone.Notes()[0].note, 63);
    EXPECT_EQ(rig.tone.Notes()[0].lengthMs, 1);
}

TEST_F(SequencerEngineTest, AWindowThatFallsBehindHasOneStepAndOneMarkWaitingAtMost) {
    // The fastest tempo the controls allow, one step per measure: a step and a pass on every tick.
    doc.tempo = 1e7;
    doc.stepsPerMeasure = 1;
    doc.measures[0].next = 3;
    rig.PressPlay();
    rig.poster.ClearRecords();
    const size_t cuesBefore = rig.tone.Cues().size();
    auto posted = [&](unsigned message) {
        const std::vector<Posted> all = rig.poster.PostedToSelf();
        return std::count_if(all.begin(), all.end(), [&](const Posted& p) { return p.message == message; });
    };
    // The window is busy for 200 ms: it takes nothing while the timer plays on.
    for (int i = 0; i < 200; ++i) {
        clock.nowMs.fetch_add(1);
        rig.timer.Fire();
    }
    EXPECT_EQ(rig.tone.Cues().size() - cuesBefore, 200u) << "the steps themselves must not wait";
    EXPECT_EQ(posted(SEQM_STEP_PLAYED), 1) << "a step message was posted while one was waiting";
    EXPECT_EQ(posted(SEQM_MEASURE_MARK), 1);
    // Taking them shows where playback is now: measure 0 led to measure 3, which loops.
    rig.Pump();
    EXPECT_EQ(rig.panel.playingMark, 3);
    // Once taken, the next step is told again.
    clock.nowMs.fetch_add(1);
    rig.timer.Fire();
    EXPECT_EQ(posted(SEQM_STEP_PLAYED), 2);
    EXPECT_EQ(posted(SEQM_MEASURE_MARK), 2);
    // A stop while a mark waits: the mark is cleared, as the stop had been the last word.
    clock.nowMs.fetch_add(1);
    rig.timer.Fire();
    engine.Toggle();
    rig.Pump();
    EXPECT_EQ(rig.panel.playingMark, -1);
}

TEST_F(SequencerEngineTest, MeasureMarksFromMessages) {
    engine.HandleMessage(SEQM_MEASURE_MARK, 4, 0);
    EXPECT_EQ(rig.panel.playingMark, 4);
    engine.HandleMessage(SEQM_MEASURE_MARK, 4, kClearMeasureMark);
    EXPECT_EQ(rig.panel.playingMark, -1);
    engine.HandleMessage(SEQM_MEASURE_MARK, 2, 5);
    EXPECT_EQ(rig.panel.playingMark, 2);
    // Another program's message with no measure in it does not reach the panel.
    engine.HandleMessage(SEQM_MEASURE_MARK, 12, 0);
    engine.HandleMessage(SEQM_MEASURE_MARK, static_cast<uintptr_t>(-1), 0);
    EXPECT_EQ(rig.panel.playingMark, 2);
}

TEST_F(SequencerEngineTest, ShutdownStopsQuietlyAndRefusesLaterStarts) {
    rig.PressPlay();
    rig.RunFor(500);
    rig.poster.ClearRecords();
    const size_t marks = rig.panel.marks.size();
    engine.Shutdown();
    EXPECT_FALSE(engine.IsPlaying());
    EXPECT_FALSE(rig.timer.armed.load());
    EXPECT_EQ(rig.poster.PostedCount(), 0u);
    EXPECT_TRUE(rig.poster.Broadcasts().empty());
    EXPECT_EQ(rig.panel.marks.size(), marks);

    engine.HandleMessage(SEQM_START, 0, 0);
    engine.Toggle();
    engine.OnTimer();
    EXPECT_FALSE(engine.IsPlaying());
    EXPECT_FALSE(rig.timer.armed.load());
}

TEST(SequencerEngineUninitialisedTest, MessagesBeforeInitialiseAreHarmless) {
    SequencerEngine engine;
    engine.HandleMessage(SEQM_START, 0, 0);
    engine.HandleMessage(SEQM_STEP_PLAYED, 0, 0);
    engine.HandleMessage(SEQM_GROUP_CLAIM, 5, 0);
    engine.Toggle();
    engine.OnTimer();
    engine.Shutdown();
    EXPECT_FALSE(engine.IsPlaying());
}

} // namespace

namespace {

TEST_F(SequencerEngineTest, EveryStepIsCuedWithItsDueTimeOnTheStepClock) {
    doc.measures[0].steps[2].on = 0;
    rig.PressPlay();
    const uint32_t start = engine.StartMs();
    rig.RunFor(1000);
    rig.PressPlay();

    const std::vector<ToneCue> cues = rig.tone.Cues();
    ASSERT_GE(cues.size(), 8u);
    const double stepMs = StepDurationMs(126.0);
    for (size_t k = 0; k < cues.size(); ++k) {
        // Exact multiples of the step from the start, however late the blocking tones made the
        // timer: the cue, not the moment it was reported, says when the step belongs.
        EXPECT_EQ(cues[k].lineStartMs, start);
        EXPECT_DOUBLE_EQ(cues[k].dueAfterMs, static_cast<double>(k) * stepMs) << k;
        EXPECT_EQ(cues[k].run, cues[0].run);
        EXPECT_EQ(cues[k].sound, k != 2) << "step 2 is off, a rest";
    }
    ASSERT_EQ(rig.tone.EndedRuns().size(), 1u);
    EXPECT_EQ(rig.tone.EndedRuns()[0], cues[0].run);

    // The next start is a new run on a new time line.
    rig.tone.Clear();
    rig.PressPlay();
    ASSERT_FALSE(rig.tone.Cues().empty());
    EXPECT_EQ(rig.tone.Cues()[0].run, cues[0].run + 1);
    EXPECT_EQ(rig.tone.Cues()[0].dueAfterMs, 0.0);
}

TEST_F(SequencerEngineTest, ATempoChangeCuesTheNewStepAtItsOwnDueTime) {
    doc.tempo = 120.0;
    rig.PressPlay();
    const uint32_t start = engine.StartMs();
    rig.RunUntil(start + 130); // step 1 played
    doc.tempo = 60.0;
    engine.TempoChanged();
    rig.RunFor(800);
    const std::vector<ToneCue> cues = rig.tone.Cues();
    ASSERT_GE(cues.size(), 4u);
    // Step 2 falls one new step after step 1's due time; from there the line starts anew.
    EXPECT_DOUBLE_EQ(cues[2].lineStartMs + cues[2].dueAfterMs,
                     start + StepDurationMs(120.0) + StepDurationMs(60.0));
    EXPECT_DOUBLE_EQ(cues[3].dueAfterMs, StepDurationMs(60.0));
}

} // namespace
