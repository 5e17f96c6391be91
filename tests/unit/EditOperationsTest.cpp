#include <gtest/gtest.h>

#include <vector>

#include "common/Random.h"
#include "song/EditOperations.h"

namespace {

// Stands in for the panel controller: applies values to the document as the real one does and
// records what the panel was asked to show.
class RecordingView : public EditView {
public:
    explicit RecordingView(SongDocument& document) : doc(document) {}
    void LoadMeasure(int m) override { loaded.push_back(m); }
    void SetTempo(double t) override { doc.tempo = t; }
    void SetLevelB(int v) override { doc.levelB = static_cast<int16_t>(v); }
    void SetTranspose(int v) override { doc.transpose = static_cast<int16_t>(v); }
    void SetMuteButton(bool soundOn) override { muteButton.push_back(soundOn); }
    void SetTempoMode(TempoUnit unit) override { modes.push_back(unit); }
    SongDocument& doc;
    std::vector<int> loaded;
    std::vector<TempoUnit> modes;
    std::vector<bool> muteButton;
};

std::vector<int> Notes(const Measure& m, int count = 16) {
    std::vector<int> notes;
    for (int k = 0; k < count; ++k)
        notes.push_back(m.steps[k].note);
    return notes;
}

void NumberSteps(Measure& m) {
    for (int k = 0; k < 16; ++k) {
        m.steps[k].note = static_cast<int16_t>(k);
        m.steps[k].length = static_cast<int16_t>(100 + k);
        m.steps[k].on = static_cast<int16_t>(k % 2);
    }
}

TEST(Undo, DoesNothingBeforeTheFirstSnapshot) {
    SongDocument doc;
    RecordingView view(doc);
    const auto before = Notes(doc.measures[0]);
    Undo(doc, view);
    EXPECT_EQ(Notes(doc.measures[0]), before);
    EXPECT_EQ(doc.tempo, 126.0);
    EXPECT_TRUE(view.loaded.empty());
    EXPECT_TRUE(view.muteButton.empty());
}

TEST(Undo, ExchangesSoUndoAndRedoAlternate) {
    SongDocument doc;
    RecordingView view(doc);
    doc.editMeasure = 2;
    doc.transpose = 7;
    NumberSteps(doc.measures[2]);
    TakeUndoSnapshot(doc);
    EXPECT_EQ(doc.undoMeasure, 2);
    EXPECT_EQ(doc.dirty, 1);
    // A right-click reset of transpose, a step edit, a tempo and mute change.
    doc.transpose = 0;
    doc.measures[2].steps[4].note = 50;
    doc.tempo = 90.0;
    doc.mute = 1;
    doc.dirty = 0;

    Undo(doc, view);
    EXPECT_EQ(doc.transpose, 7);
    EXPECT_EQ(doc.measures[2].steps[4].note, 4);
    EXPECT_EQ(doc.tempo, 126.0);
    EXPECT_EQ(doc.mute, 0);
    EXPECT_EQ(view.muteButton.back(), true);
    EXPECT_EQ(view.loaded, std::vector<int>{2});
    EXPECT_EQ(doc.dirty, 0); // undo itself is not a change to save

    Undo(doc, view);
    EXPECT_EQ(doc.transpose, 0);
    EXPECT_EQ(doc.measures[2].steps[4].note, 50);
    EXPECT_EQ(doc.tempo, 90.0);
    EXPECT_EQ(doc.mute, 1);
    EXPECT_EQ(view.muteButton.back(), false);
    EXPECT_EQ(doc.undoMeasure, 2);
}

TEST(Undo, AfterSelectingAnotherMeasureOnlyTheFourValuesAreExchanged) {
    SongDocument doc;
    RecordingView view(doc);
    doc.editMeasure = 2;
    doc.levelB = 30;
    TakeUndoSnapshot(doc);
    doc.measures[2].steps[0].note = 11;
    doc.levelB = 60;
    doc.editMeasure = 5;
    const auto five = Notes(doc.measures[5]);
    Undo(doc, view);
    EXPECT_EQ(Notes(doc.measures[5]), five);
    EXPECT_EQ(doc.measures[2].steps[0].note, 11);
    EXPECT_EQ(doc.levelB, 30);
    EXPECT_TRUE(view.loaded.empty());
}

TEST(RandomizeMeasure, ChangesAllSixteenStepsButNotTheOnFlagsAndIsUndoable) {
    SongDocument doc;
    RecordingView view(doc);
    doc.editMeasure = 3;
    doc.stepsPerMeasure = 4;
    NumberSteps(doc.measures[3]);
    const auto before = Notes(doc.measures[3]);
    SeedRandom(5);
    RandomizeMeasure(doc, view);
    int changedBeyondShown = 0;
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(doc.measures[3].steps[k].on, k % 2);
        EXPECT_LE(doc.measures[3].steps[k].length, 127);
        if (k >= 4 && doc.measures[3].steps[k].note != before[k]) ++changedBeyondShown;
    }
    EXPECT_GE(changedBeyondShown, 10);
    EXPECT_EQ(doc.dirty, 1);
    EXPECT_EQ(view.loaded, std::vector<int>{3});
    Undo(doc, view);
    EXPECT_EQ(Notes(doc.measures[3]), before);
}

TEST(ShiftSteps, RotatesOnlyTheShownStepsWithAllTheirValues) {
    SongDocument doc;
    RecordingView view(doc);
    doc.stepsPerMeasure = 5;
    NumberSteps(doc.measures[0]);
    ShiftSteps(doc, view, ShiftDirection::Right);
    EXPECT_EQ(Notes(doc.measures[0], 7), (std::vector<int>{4, 0, 1, 2, 3, 5, 6}));
    EXPECT_EQ(doc.measures[0].steps[0].length, 104);
    EXPECT_EQ(doc.measures[0].steps[0].on, 0);
    EXPECT_EQ(doc.measures[0].steps[1].on, 0);
    EXPECT_EQ(doc.dirty, 1);
    EXPECT_EQ(doc.undoMeasure, -1); // no undo point
    ShiftSteps(doc, view, ShiftDirection::Left);
    ShiftSteps(doc, view, ShiftDirection::Left);
    EXPECT_EQ(Notes(doc.measures[0], 7), (std::vector<int>{1, 2, 3, 4, 0, 5, 6}));

    doc.stepsPerMeasure = 1;
    const auto one = Notes(doc.measures[0]);
    ShiftSteps(doc, view, ShiftDirection::Right);
    ShiftSteps(doc, view, ShiftDirection::Left);
    EXPECT_EQ(Notes(doc.measures[0]), one);
}

TEST(ShiftSteps, StaysInsideTheMeasureWhateverTheStepCountHolds) {
    SongDocument doc;
    RecordingView view(doc);
    NumberSteps(doc.measures[0]);
    doc.stepsPerMeasure = 40;
    ShiftSteps(doc, view, ShiftDirection::Right);
    EXPECT_EQ(doc.measures[0].steps[0].note, 15);
    doc.stepsPerMeasure = 0;
    ShiftSteps(doc, view, ShiftDirection::Left);
    EXPECT_EQ(doc.measures[0].steps[0].note, 15);
}

TEST(DirtyRules, MuteOptionAndTempoDisplay) {
    SongDocument doc;
    RecordingView view(doc);
    ToggleMute(doc, view);
    EXPECT_EQ(doc.mute, 1);
    EXPECT_EQ(view.muteButton.back(), false);
    EXPECT_EQ(doc.dirty, 1);
    ToggleMute(doc, view);
    EXPECT_EQ(doc.mute, 0);
    EXPECT_EQ(view.muteButton.back(), true);

    doc.dirty = 0;
    ToggleOptionFlag(doc);
    EXPECT_EQ(doc.optionFlag, 1);
    EXPECT_EQ(doc.dirty, 1);

    doc.dirty = 0;
    SetTempoDisplay(doc, view, TempoUnit::SamplesPerMeasure);
    EXPECT_EQ(doc.tempoDisplay, TempoUnit::SamplesPerMeasure);
    EXPECT_EQ(doc.dirty, 1);
    doc.dirty = 0;
    SetTempoDisplay(doc, view, TempoUnit::SamplesPerMeasure); // the same unit again changes nothing
    EXPECT_EQ(doc.dirty, 0);
    EXPECT_EQ(view.modes, std::vector<TempoUnit>{TempoUnit::SamplesPerMeasure});
    EXPECT_EQ(doc.tempo, 126.0);
}

} // namespace
