#pragma once
// Everything drawn on the main window's client area: the left area (background picture, play and
// mute buttons, tempo field, transpose bar, toolbar), the measure selector and its popup, and the
// sixteen step columns. It places and colours the controls, decides from the window's width how
// many step columns are shown (that number is the setup's steps per measure), and is the view
// through which the panel controller and the engine reach the controls.
#include <windows.h>

#include <string>

#include "panel/ControlIds.h"
#include "panel/MeasureButtonGroup.h"
#include "panel/MeasurePopup.h"
#include "panel/PanelView.h"
#include "panel/StepColumn.h"
#include "panel/TempoField.h"
#include "panel/Toolbar.h"
#include "playback/EngineSeams.h"
#include "song/SongDocument.h"
#include "widgets/GdiHandles.h"
#include "widgets/MPicture.h"
#include "widgets/MToggleButton.h"
#include "widgets/SkinPalette.h"
#include "widgets/TextField.h"

class SequencerPanel : public PanelView, public EnginePanel {
public:
    static constexpr int kColumns = 16;

    SequencerPanel();
    ~SequencerPanel() override;
    SequencerPanel(const SequencerPanel&) = delete;
    SequencerPanel& operator=(const SequencerPanel&) = delete;

    // Creates every control on mainWindow, in stacking order (the first created lies at the
    // bottom), in the system's colours until the first ApplySkin. The tempo field hands the
    // tempos the user gives it to tempoInput (not owned).
    void Build(HWND mainWindow, TempoInput& tempoInput);
    // The document whose step count the width sets; also handed to the toolbar and the popup.
    void SetDocument(SongDocument* doc);
    // Derives the seven colours from the skin colour and recolours every control.
    void ApplySkin(COLORREF colour);
    COLORREF SkinColour() const { return skinColour; }
    const SkinPalette& Palette() const { return palette; }
    // Shows as many columns as the client width holds and makes that the steps per measure.
    // Leaves everything alone while the window is minimised. Returns the count in force.
    int UpdateColumnCount();
    // Keeps the window's top-left corner and sizes it for n columns.
    void ResizeToSteps(int n);
    void SetStatusText(const std::string& text) override;
    std::string StatusText() const { return statusLine.GetText(); }

    bool IsBuilt() const { return built; }
    StepColumn& Column(int k) { return columns[k - 1]; } // k = 1..16
    MToggleButton& PlayButton() { return playButton; }
    MToggleButton& MuteButton() { return muteButton; }
    TempoField& Tempo() { return tempoField; }
    MDial& LevelControl() { return levelControl; }
    MDial& TransposeControl() { return transposeControl; }
    Toolbar& MenuBar() { return toolbar; }
    MeasureButtonGroup& MeasureSelector() { return measureSelector; }
    MeasurePopup& Popup() { return measurePopup; }
    MPicture& Background() { return background; }
    TextField& StatusLine() { return statusLine; }

    // PanelView.
    bool ColumnVisible(int column) override;
    void SetColumnShowable(int column, Showable showable) override;
    void SetColumnValue(int column, int param, int value) override;
    int ColumnValue(int column, int param) override;
    void ColumnHandleEvent(int column, int id) override;
    void SelectMeasureButton(int measure) override;
    int SelectedMeasure() override;
    void SelectMeasureById(int id) override;
    void ShowMeasurePopup(int measure) override;
    void TempoFieldHandleEvent(int id) override;
    void ShowTempo(double bpm) override;
    void ShowTempoUnit(TempoUnit unit) override;
    int LevelEvent(int id) override;
    void ShowLevel(int value) override;
    int TransposeEvent(int id) override;
    void ShowTranspose(int value) override;
    bool MuteButtonOn() override;
    void SetMuteButton(bool soundOn) override;
    void OpenToolbarMenu(ToolbarMenu menu) override;

    // EnginePanel.
    bool PlayButtonOn() override;
    void SetPlayButton(PlayButtonLook look) override;
    void SetPlayingMark(int measure) override;
    void SetStepHighlighted(int column, StepLight light) override;

private:
    void BuildColumns();
    void BuildLeftArea(TempoInput& tempoInput);
    void HandOutSharedResources();
    bool ValidColumn(int column) const { return column >= 0 && column < kColumns; }

    HWND mainWindow = nullptr;
    SongDocument* document = nullptr;
    MPicture background;
    MToggleButton playButton;
    MToggleButton muteButton;
    TempoField tempoField;
    MDial levelControl;
    MDial transposeControl;
    Toolbar toolbar;
    MeasureButtonGroup measureSelector;
    StepColumn columns[kColumns];
    SkinPalette palette;
    TextField statusLine;
    GdiFont font;
    GdiBrush sharedBrush;
    HCURSOR textCursor = nullptr;
    bool built = false;
    MeasurePopup measurePopup;
    COLORREF skinColour = 0;
};
