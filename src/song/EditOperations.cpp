#include "song/EditOperations.h"

#include <algorithm>

namespace {

// The shift works on the shown steps; keep it inside the measure whatever the field holds.
int ShownSteps(const SongDocument& doc) {
    return std::clamp<int>(doc.stepsPerMeasure, 1, kStepsPerMeasureMax);
}

} // namespace

void TakeUndoSnapshot(SongDocument& doc) {
    CopySteps(doc.undoBuffer, doc.EditMeasure(), kStepsPerMeasureMax);
    doc.undoTempo = doc.tempo;
    doc.undoLevelB = doc.levelB;
    doc.undoTranspose = doc.transpose;
    doc.undoMute = doc.mute;
    doc.undoMeasure = doc.editMeasure;
    doc.dirty = 1;
}

void Undo(SongDocument& doc, EditView& view) {
    if (doc.undoMeasure == -1) return;
    if (doc.undoMeasure == doc.editMeasure) {
        Measure temporary;
        CopySteps(temporary, doc.undoBuffer, kStepsPerMeasureMax);
        CopySteps(doc.undoBuffer, doc.EditMeasure(), kStepsPerMeasureMax);
        CopySteps(doc.EditMeasure(), temporary, kStepsPerMeasureMax);
        view.LoadMeasure(doc.editMeasure);
    }
    const double tempo = doc.tempo;
    const int32_t levelB = doc.levelB;
    const int32_t transpose = doc.transpose;
    const int32_t mute = doc.mute;
    view.SetTempo(doc.undoTempo);
    view.SetLevelB(doc.undoLevelB);
    view.SetTranspose(doc.undoTranspose);
    view.SetMuteButton(doc.undoMute == 0);
    doc.mute = doc.undoMute;
    doc.undoTempo = tempo;
    doc.undoLevelB = levelB;
    doc.undoTranspose = transpose;
    doc.undoMute = mute;
}

void RandomizeMeasure(SongDocument& doc, EditView& view) {
    TakeUndoSnapshot(doc);
    doc.RandomizeSteps(doc.editMeasure);
    view.LoadMeasure(doc.editMeasure);
    doc.dirty = 1;
}

void ShiftSteps(SongDocument& doc, EditView& view, ShiftDirection direction) {
    Measure& measure = doc.EditMeasure();
    const int n = ShownSteps(doc);
    Step aside;
    if (direction == ShiftDirection::Right) {
        CopyStepValues(aside, measure.steps[n - 1]);
        for (int k = n - 1; k >= 1; --k)
            CopyStepValues(measure.steps[k], measure.steps[k - 1]);
        CopyStepValues(measure.steps[0], aside);
    } else {
        CopyStepValues(aside, measure.steps[0]);
        for (int k = 0; k <= n - 2; ++k)
            CopyStepValues(measure.steps[k], measure.steps[k + 1]);
        CopyStepValues(measure.steps[n - 1], aside);
    }
    view.LoadMeasure(doc.editMeasure);
    doc.dirty = 1;
}

void ToggleMute(SongDocument& doc, EditView& view) {
    doc.mute = doc.mute == 0 ? 1 : 0;
    view.SetMuteButton(doc.mute == 0);
    doc.dirty = 1;
}

void SetTempoDisplay(SongDocument& doc, EditView& view, TempoUnit unit) {
    if (doc.tempoDisplay == unit) return;
    doc.tempoDisplay = unit;
    view.SetTempoMode(unit);
    doc.dirty = 1;
}

void ToggleOptionFlag(SongDocument& doc) {
    doc.optionFlag = doc.optionFlag == 0 ? 1 : 0;
    doc.dirty = 1;
}
