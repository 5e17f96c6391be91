#pragma once
// What the panel controller needs of the panel, by control: the sixteen step columns, the measure
// selector, the tempo field, the level and transpose controls, the mute button, the status line
// and the toolbar's menus. The sequencer panel implements it on Windows; tests use a fake. UI
// thread only.
#include <string>

#include "panel/ToolbarMenu.h"
#include "song/TempoUnit.h"
#include "widgets/Showable.h"

class PanelView {
public:
    virtual ~PanelView() = default;

    // Step columns, 0-based (0 .. 15: any other is a fault of the caller); param is a step
    // parameter (10 .. 60).
    virtual bool ColumnVisible(int column) = 0;
    virtual void SetColumnShowable(int column, Showable showable) = 0;
    virtual void SetColumnValue(int column, int param, int value) = 0;
    virtual int ColumnValue(int column, int param) = 0;
    // Lets the column update itself from an event on one of its parts.
    virtual void ColumnHandleEvent(int column, int id) = 0;

    // Measure selector.
    virtual void SelectMeasureButton(int measure) = 0;
    virtual int SelectedMeasure() = 0;
    // Selects the button with this id (20001..20008).
    virtual void SelectMeasureById(int id) = 0;
    virtual void ShowMeasurePopup(int measure) = 0;

    // Tempo field (ids 1005..1010): lets the field handle an event on one of its parts; a tempo
    // it takes reaches its TempoInput, not the caller.
    virtual void TempoFieldHandleEvent(int id) = 0;
    virtual void ShowTempo(double bpm) = 0;
    virtual void ShowTempoUnit(TempoUnit unit) = 0;

    // Level (1050..1055) and transpose (1060..1065) controls: handle an event, give the value.
    virtual int LevelEvent(int id) = 0;
    virtual void ShowLevel(int value) = 0;
    virtual int TransposeEvent(int id) = 0;
    virtual void ShowTranspose(int value) = 0;

    // Mute button: on = sound on.
    virtual bool MuteButtonOn() = 0;
    virtual void SetMuteButton(bool soundOn) = 0;

    virtual void SetStatusText(const std::string& text) = 0;
    // 0 FILE, 1 EDIT, 2 MIDI.
    virtual void OpenToolbarMenu(ToolbarMenu menu) = 0;
};

// Where the tempo field hands each tempo the user gives it, an arrow step or typed text committed
// on leaving the field: held to the range, and only once the owner window has handled the event
// that brought it (so the undo point taken on that event holds the tempo before). The panel
// controller implements it. UI thread only.
class TempoInput {
public:
    virtual ~TempoInput() = default;
    virtual void TempoEntered(double bpm) = 0;
};

// Shift and Alt as held at the moment an event is handled, not as the event recorded them.
class EditKeys {
public:
    virtual ~EditKeys() = default;
    virtual bool ShiftHeld() = 0;
    virtual bool AltHeld() = 0;
};
