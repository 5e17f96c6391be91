#pragma once
// The one place where control events become document changes. The main window hands it every
// mouse event that hits a panel control, by control id; it lets the control update itself, reads
// the new value (the tempo field hands its own over, TempoEntered), writes it into the document,
// marks the document changed and, where playback is concerned, tells the engine. The other way
// round it loads a measure into the step columns and pushes the tempo, level and transpose into
// their controls. UI thread only; the timer thread reads what it writes (tempo, transpose, mute,
// steps) through the document's shared values.
#include <string>

#include "files/DocumentView.h"
#include "panel/ControlIds.h"
#include "panel/PanelView.h"
#include "song/EditOperations.h"
#include "song/SongDocument.h"

class SequencerEngine;

class PanelController : public EditView, public DocumentView, public TempoInput {
public:
    PanelController() = default;
    virtual ~PanelController() = default;
    PanelController(const PanelController&) = delete;
    PanelController& operator=(const PanelController&) = delete;

    // Stores the references (none owned) and loads measure 0 into the step columns.
    void Setup(PanelView& panel, SongDocument& document);
    // The engine that tempo changes and measure choices are handed to, and the modifier keys.
    void Attach(SequencerEngine* engine, EditKeys* keys);
    bool IsReady() const { return ready; }

    // A fresh random setup: every measure linked to itself, played once, new random steps; the
    // edit measure is shown.
    void FreshSetup();
    // New random note, values and length for the sixteen steps of measure m (0 .. 7); on flags
    // stay.
    void RandomizeSteps(int m);
    // Makes measure m (0 .. 7) the edit measure and shows it.
    void SelectMeasure(int m);

    // Input from the main window, by control id.
    void Press(int id);
    void ControlChanged(int id);
    void RightClick(int id);
    // An id of a step column's cell (10000 .. 11599), as ControlChanged has checked.
    void StepCellChanged(int id);

    void ShowValue(const std::string& text);

    // EditView: the document and its controls together.
    void LoadMeasure(int m) override;
    void SetTempo(double tempo) override;
    void SetLevelB(int value) override;
    void SetTranspose(int value) override;
    void SetMuteButton(bool soundOn) override;
    void SetTempoMode(TempoUnit unit) override;

    // DocumentView: a loaded document onto the panel.
    void ShowDocument() override;

    // TempoInput: a tempo the user gave the tempo field into the document, marking it changed
    // only when it differs, and to a playing engine.
    void TempoEntered(double bpm) override;

    SongDocument& Document() { return *document; }

private:
    int ShownSteps() const;

    PanelView* panel = nullptr;
    SongDocument* document = nullptr;
    SequencerEngine* engine = nullptr;
    EditKeys* keys = nullptr;
    bool ready = false;
};
