// The engine with a real second thread in the timer's place. The timer thread calls OnTimer in a
// tight loop whether or not the periodic event is set, as an in-flight callback may at any moment,
// while this thread starts, stops, changes tempo and measures. Built with ThreadSanitizer by
// tools/tsan-test.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "EngineRig.h"
#include "playback/SequencerEngine.h"

namespace {

class TimerThread {
public:
    TimerThread(SequencerEngine& engine, VirtualClock& clock)
        : thread([this, &engine, &clock] {
              while (!done.load()) {
                  clock.nowMs.fetch_add(1);
                  engine.OnTimer();
                  calls.fetch_add(1);
              }
          }) {}
    ~TimerThread() {
        done.store(true);
        thread.join();
    }
    // Waits until the timer thread has made `count` more calls.
    void AwaitCalls(long count) const {
        AwaitCalls(count, [] { std::this_thread::yield(); });
    }
    // The same, doing `meanwhile` again and again.
    template <typename Meanwhile> void AwaitCalls(long count, Meanwhile meanwhile) const {
        const long target = calls.load() + count;
        while (calls.load() < target)
            meanwhile();
    }

private:
    std::atomic<bool> done{false};
    std::atomic<long> calls{0};
    std::thread thread;
};

class EngineThreadTest : public ::testing::Test {
protected:
    EngineThreadTest() {
        doc.measures[0].next = 1;
        doc.measures[1].next = 2;
        doc.measures[2].next = 0;
        doc.measures[1].repeat = 2;
    }
    VirtualClock clock;
    EngineRig rig{clock};
    SongDocument& doc = rig.doc;
    SequencerEngine& engine = rig.engine;
};

TEST_F(EngineThreadTest, StopAlwaysWinsOverTheTimerThread) {
    doc.stepsPerMeasure = 3;
    TimerThread timerThread(engine, clock);
    for (int i = 0; i < 400; ++i) {
        // Fast enough that nearly every call plays a step, with a tempo change pending at the stop.
        doc.tempo = i % 2 == 0 ? 200000.0 : 90000.0;
        engine.Toggle();
        ASSERT_TRUE(engine.IsPlaying());
        rig.Pump(); // its own SEQM_START comes back and is ignored
        timerThread.AwaitCalls(i % 7);
        doc.tempo = 150000.0;
        engine.TempoChanged();
        timerThread.AwaitCalls(i % 3);
        if (i % 2 == 0) {
            engine.Toggle();
        } else {
            engine.HandleMessage(SEQM_STOP, 0, 0);
        }
        const size_t postsAtStop = rig.poster.PostedCount();
        ASSERT_FALSE(engine.IsPlaying()) << i;
        ASSERT_FALSE(rig.timer.armed.load()) << i;
        ASSERT_EQ(doc.syncState.stepIndex, 0) << i;

        timerThread.AwaitCalls(20);
        // Nothing the timer thread did after the stop revived the run or moved the position.
        ASSERT_FALSE(engine.IsPlaying()) << i;
        ASSERT_FALSE(rig.timer.armed.load()) << i;
        ASSERT_EQ(doc.syncState.stepIndex, 0) << i;
        ASSERT_EQ(rig.poster.PostedCount(), postsAtStop) << i;
        rig.Pump();
        ASSERT_EQ(rig.panel.LitCount(), 0) << i;
    }
    EXPECT_EQ(rig.timer.callsFromOtherThreads.load(), 0);
}

TEST_F(EngineThreadTest, TheUiThreadNeverSeesThePositionPastTheLastStep) {
    // A step on nearly every call, while the UI thread looks at the position all the time, as the
    // step highlight does: after the last step of a measure it goes back to 0, never through 16.
    doc.stepsPerMeasure = kStepsPerMeasureMax;
    doc.tempo = 300000.0;
    TimerThread timerThread(engine, clock);
    engine.Toggle();
    int highest = 0;
    timerThread.AwaitCalls(20000, [&] { highest = std::max<int>(highest, doc.syncState.stepIndex); });
    engine.Toggle();
    EXPECT_LT(highest, kStepsPerMeasureMax);
    EXPECT_GT(rig.tone.Cues().size(), 10u * kStepsPerMeasureMax) << "too few measures were played";
}

TEST_F(EngineThreadTest, EditsDuringPlaybackKeepThePositionInsideTheMeasures) {
    TimerThread timerThread(engine, clock);
    engine.Toggle();
    for (int i = 0; i < 4000; ++i) {
        doc.stepsPerMeasure = 1 + i % 16;
        doc.transpose = static_cast<int16_t>(i % 40 - 20);
        doc.mute = i % 5 == 0 ? 1 : 0;
        doc.measures[i % 8].steps[i % 16].note = static_cast<int16_t>(i % 120 - 60);
        doc.measures[i % 8].next = static_cast<int16_t>((i * 3) % 8);
        doc.tempo = i % 3 == 0 ? 2000.0 : 300000.0;
        if (i % 4 == 0) engine.TempoChanged();
        if (i % 9 == 0) {
            doc.editMeasure = static_cast<int16_t>(i % 8);
            engine.SelectMeasureWhilePlaying(doc.editMeasure);
        }
        if (i % 13 == 0) engine.JumpToMeasure(i % 8);
        rig.Pump();
        const int index = doc.syncState.stepIndex;
        const int measure = doc.playingMeasure;
        ASSERT_TRUE(index >= 0 && index < kStepsPerMeasureMax) << index;
        ASSERT_TRUE(measure >= 0 && measure < kMeasureCount) << measure;
        if (i % 50 == 0) timerThread.AwaitCalls(5);
    }
    engine.Toggle();
    EXPECT_FALSE(engine.IsPlaying());
    EXPECT_GT(rig.tone.Cues().size(), 100u);
    EXPECT_EQ(rig.timer.callsFromOtherThreads.load(), 0);
}

} // namespace
