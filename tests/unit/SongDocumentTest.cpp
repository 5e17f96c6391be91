#include <gtest/gtest.h>

#include "common/Random.h"
#include "song/SongDocument.h"

namespace {

TEST(Random, FollowsTheClassicRuntimeSequence) {
    // The classic C runtime's rand() after srand(1) and after srand(42); the host and the Windows
    // build must agree with it so random content is the same everywhere.
    SeedRandom(1);
    EXPECT_EQ(NextRandom(), 41);
    EXPECT_EQ(NextRandom(), 18467);
    EXPECT_EQ(NextRandom(), 6334);
    SeedRandom(42);
    EXPECT_EQ(NextRandom(), 175);
    EXPECT_EQ(RandomBelow(128), 400 % 128);
}

TEST(SongDocument, NewDocumentLoopsMeasureZeroWithDefaults) {
    SongDocument doc;
    EXPECT_EQ(doc.tempo, 126.0);
    EXPECT_EQ(doc.stepsPerMeasure, 16);
    EXPECT_EQ(doc.editMeasure, 0);
    EXPECT_EQ(doc.undoMeasure, -1);
    EXPECT_EQ(doc.levelB, 80);
    EXPECT_EQ(doc.transpose, 0);
    EXPECT_EQ(doc.dirty, 0);
    EXPECT_EQ(doc.highResTimer, 1);
    EXPECT_EQ(doc.syncState.syncSelector, 1);
    for (int m = 0; m < kMeasureCount; ++m) {
        EXPECT_EQ(doc.measures[m].next, m);
        EXPECT_EQ(doc.measures[m].repeat, 1);
        for (const Step& step : doc.measures[m].steps) {
            EXPECT_EQ(step.on, 1);
            EXPECT_GE(step.note, -60);
            EXPECT_LE(step.note, 67);
            EXPECT_GE(step.length, 0);
            EXPECT_LE(step.length, 127);
        }
    }
    // The buffers are plain default measures.
    EXPECT_EQ(doc.undoBuffer.steps[3].value40, 100);
    EXPECT_EQ(doc.clipboardBuffer.steps[3].value50, 64);
    EXPECT_EQ(doc.clipboardBuffer.steps[3].length, 30);
}

TEST(SongDocument, ConstructionDrawsNoteThenValuesThenLengthPerStep) {
    SeedRandom(7);
    int expected[5];
    for (int& r : expected) r = RandomBelow(128);
    SeedRandom(7);
    SongDocument doc;
    const Step& first = doc.measures[0].steps[0];
    EXPECT_EQ(first.note, expected[0] - 60);
    EXPECT_EQ(first.value30, expected[1]);
    EXPECT_EQ(first.value40, expected[2]);
    EXPECT_EQ(first.value50, expected[3]);
    EXPECT_EQ(first.length, expected[4]);
    // Unseeded construction is the same on every start.
    SeedRandom(7);
    SongDocument again;
    EXPECT_EQ(again.measures[7].steps[15].note, doc.measures[7].steps[15].note);
}

TEST(Step, ParamAccessByIdentifier) {
    Step step;
    step.on = 5;
    EXPECT_EQ(step.GetParam(ParamOn), 1);
    step.SetParam(ParamOn, -3);
    EXPECT_EQ(step.on, 1);
    step.SetParam(ParamOn, 0);
    EXPECT_EQ(step.GetParam(ParamOn), 0);
    step.SetParam(ParamNote, 0x12345);
    EXPECT_EQ(step.note, 0x2345);
    step.SetParam(ParamLength, 0xFFFF);
    EXPECT_EQ(step.GetParam(ParamLength), -1); // sign-extended
    step.SetParam(ParamValue40, 7);
    EXPECT_EQ(step.GetParam(ParamValue40), 7);
    const Step before = step;
    EXPECT_EQ(step.GetParam(70), 0);
    step.SetParam(70, 99);
    for (int p : {10, 20, 30, 40, 50, 60}) EXPECT_EQ(step.GetParam(p), before.GetParam(p));
}

TEST(Step, CopyStepsTouchesOnlyTheCountedStepsNeverTheLink) {
    Measure from, to;
    for (int k = 0; k < 16; ++k) {
        from.steps[k].note = static_cast<int16_t>(k + 1);
        from.steps[k].on = 0;
    }
    from.next = 5;
    from.repeat = 9;
    to.next = 2;
    to.repeat = 3;
    CopySteps(to, from, 4);
    EXPECT_EQ(to.steps[3].note, 4);
    EXPECT_EQ(to.steps[3].on, 0);
    EXPECT_EQ(to.steps[4].note, 0);
    EXPECT_EQ(to.steps[4].on, 1);
    EXPECT_EQ(to.next, 2);
    EXPECT_EQ(to.repeat, 3);
}

} // namespace
