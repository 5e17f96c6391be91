#pragma once
// The editing commands that work on the whole document: the single-level undo and its snapshot,
// randomize, shift, mute, the tempo display unit and the option flag. Where a result has to be
// shown on the panel they go through EditView, which the panel controller implements.
#include "song/SongDocument.h"

class EditView {
public:
    virtual ~EditView() = default;
    virtual void LoadMeasure(int m) = 0;           // show measure m's steps in the step editor
    virtual void SetTempo(double tempo) = 0;       // document tempo, tempo field, a playing engine
    virtual void SetLevelB(int value) = 0;         // document levelB and the level control
    virtual void SetTranspose(int value) = 0;      // document transpose and the transpose control
    virtual void SetMuteButton(bool soundOn) = 0;  // the mute button's state
    virtual void SetTempoMode(TempoUnit unit) = 0; // the unit the tempo field shows
};

// Saves the edit measure's steps and the tempo, level, transpose and mute before a change.
void TakeUndoSnapshot(SongDocument& doc);

// Exchanges the snapshot with the present state, so a second Undo redoes. The steps are exchanged
// only when the snapshot belongs to the edit measure; the four values always are.
void Undo(SongDocument& doc, EditView& view);

// New random values (not on flags) for all sixteen steps of the edit measure, undoable.
void RandomizeMeasure(SongDocument& doc, EditView& view);

// Rotates the shown steps of the edit measure by one place; not undoable.
enum class ShiftDirection { Left, Right };
void ShiftSteps(SongDocument& doc, EditView& view, ShiftDirection direction);

void ToggleMute(SongDocument& doc, EditView& view);
void SetTempoDisplay(SongDocument& doc, EditView& view, TempoUnit unit);
void ToggleOptionFlag(SongDocument& doc);
