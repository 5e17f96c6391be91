#include "panel/SequencerPanel.h"

#include "common/Assert.h"
#include "panel/PanelLayout.h"
#include "song/Step.h"
#include "widgets/Cursors.h"

namespace {

constexpr int kLevelId = 1050;
constexpr int kTransposeId = 1060;

// The panel's colours before the first skin: the system's own.
void UseSystemColours(SkinPalette& p) {
    p.contrastDark = GetSysColor(COLOR_BTNSHADOW);
    p.contrast = GetSysColor(COLOR_BTNFACE);
    p.contrastLight = GetSysColor(COLOR_BTNHIGHLIGHT);
    p.baseDark = GetSysColor(COLOR_HIGHLIGHT);
    p.base = GetSysColor(COLOR_HIGHLIGHT);
    p.baseLight = GetSysColor(COLOR_HIGHLIGHTTEXT);
    p.baseLighter = GetSysColor(COLOR_DESKTOP);
}

// A vertical bar with an arrow pair below it and no text: the transpose and level controls.
DialSettings VerticalBarDial(int id, int x, int y, int barHeight, int min, int max, int ctrlStep,
                             HWND owner) {
    const DialSettings s{.baseId = id,
                         .x = x,
                         .y = y,
                         .upPrefix = "UPARROW",
                         .upDy = barHeight + 9,
                         .downPrefix = "DNARROW",
                         .downDy = barHeight + 18,
                         .owner = owner,
                         .min = min,
                         .max = max,
                         .ctrlStep = ctrlStep,
                         .barWidth = 6,
                         .barHeight = barHeight,
                         .thumbWidth = 2};
    return s;
}

void SetDialColours(MDial& dial, const SkinPalette& p, COLORREF barInk, COLORREF barPaper, COLORREF thumb) {
    dial.SetDialColors({.arrowInk = p.baseLight,
                        .arrowPaper = p.baseDark,
                        .textInk = p.baseDark,
                        .textPaper = p.baseLight,
                        .barInk = barInk,
                        .barPaper = barPaper,
                        .thumb = thumb});
}

} // namespace

SequencerPanel::SequencerPanel() = default;

SequencerPanel::~SequencerPanel() = default;

void SequencerPanel::Build(HWND window, TempoInput& tempoInput) {
    mainWindow = window;
    built = false;
    UseSystemColours(palette);
    textCursor = LoadProgramCursor("TEXTCUR");
    font.Reset(CreateFontInPoints("Arial", 70));
    palette.Derive(GetSysColor(COLOR_HIGHLIGHT));
    sharedBrush.Reset(CreateSolidBrush(palette.contrast));
    BuildColumns();
    BuildLeftArea(tempoInput);
    measurePopup.Create(mainWindow);
    measurePopup.SetColors(palette);
    statusLine.Create({.id = 3,
                       .owner = mainWindow,
                       .ink = palette.contrastDark,
                       .paper = palette.contrast,
                       .x = 30,
                       .y = 171,
                       .width = 300,
                       .height = 15});
    if (HWND field = statusLine.Handle()) {
        SetWindowLongPtrA(field, GWL_STYLE, GetWindowLongPtrA(field, GWL_STYLE) & ~WS_TABSTOP);
    }
    built = true;
}

void SequencerPanel::BuildColumns() {
    // Column 16 first: the columns lie beneath everything created after them.
    for (int k = kColumns; k >= 1; --k) {
        columns[k - 1].Build(control::ColumnBase(k - 1), std::to_string(k), layout::ColumnX(k),
                             layout::kColumnTop, mainWindow);
        columns[k - 1].SetSharedResources(font.Get(), sharedBrush.Get());
    }
}

void SequencerPanel::BuildLeftArea(TempoInput& tempoInput) {
    background.Create(0, "", 0, 0, mainWindow, "GLOBALBMP");

    playButton.Create(control::kPlay, "PLAYBTN", 27, 32, mainWindow, "PLAY2UP", "PLAY2DN");
    playButton.SetCursorByName("PUSHCUR");
    playButton.SetState(ToggleState::Off);
    muteButton.Create(control::kMute, "MUTEBTN", 31, 64, mainWindow, "ONOFFUP", "ONOFFDN");
    muteButton.SetCursorByName("PUSHCUR");
    muteButton.SetState(ToggleState::On);

    tempoField.Create(PanelTempoSettings(mainWindow), tempoInput);
    tempoField.SetTransparent(DialBody::Opaque);
    tempoField.SetLiveTyping(LiveTyping::Off);

    // The level control lies off the client area: it is never seen, but carries the level value.
    levelControl.Create(VerticalBarDial(kLevelId, -200, 2, 135, 0, 100, 10, mainWindow));
    levelControl.HideText();
    levelControl.SetValue(100);
    transposeControl.Create(VerticalBarDial(kTransposeId, 0, 1, 80, -59, 67, 12, mainWindow));
    transposeControl.HideText();
    transposeControl.SetValue(100); // held as 67 until the controller sets the document's value

    toolbar.Create("menu", 13, 4, palette.contrast, mainWindow);

    MeasureGroupSettings group;
    group.id = control::kMeasureGroup;
    group.prefix = "LOOPSCTRL";
    group.x = layout::kMeasureButtonX;
    group.y = 0;
    group.parent = mainWindow;
    group.count = kMeasureCount;
    group.pictures = ButtonPictures::PerButton;
    measureSelector.Build(group);
    for (int i = 0; i < kMeasureCount; ++i)
        measureSelector.MoveButton(i, layout::kMeasureButtonX, layout::MeasureButtonY(i));
}

void SequencerPanel::SetDocument(SongDocument* doc) {
    document = doc;
    toolbar.SetDocument(doc);
    measurePopup.SetDocument(doc);
}

void SequencerPanel::HandOutSharedResources() {
    for (StepColumn& column : columns)
        column.SetSharedResources(font.Get(), sharedBrush.Get());
}

void SequencerPanel::ApplySkin(COLORREF colour) {
    skinColour = colour;
    palette.Derive(colour);
    // The fields let go of the old brush before it is freed.
    GdiBrush previous = std::move(sharedBrush);
    sharedBrush.Reset(CreateSolidBrush(palette.base));
    for (StepColumn& column : columns)
        column.ApplySkin(colour);
    HandOutSharedResources();
    previous.Reset();

    const SkinPalette& p = palette;
    background.SetColors(p.base, p.baseLighter);
    playButton.SetColors4(p.contrastDark, p.contrastLight, p.baseDark, p.baseLight);
    muteButton.SetColors4(p.baseLight, p.base, p.baseDark, p.baseLight);
    tempoField.SetDialColors(
        {.arrowInk = p.baseLight, .arrowPaper = p.baseDark, .textInk = p.baseDark, .textPaper = p.baseLight});
    SetDialColours(levelControl, p, p.baseLight, p.baseDark, p.contrast);
    SetDialColours(transposeControl, p, p.baseLight, p.baseDark, p.contrast);
    measureSelector.SetGroupColors({.ink = p.base,
                                    .paper = p.baseLighter,
                                    .pressedInk = p.base,
                                    .pressedPaper = p.contrast,
                                    .altUpInk = p.contrastDark,
                                    .altUpPaper = p.contrastLight,
                                    .altDownInk = p.contrastDark,
                                    .altDownPaper = p.contrastLight},
                                   p.contrast);
    toolbar.ApplySkin(colour);
    measurePopup.SetColors(p);
    statusLine.SetColors(p.contrastDark, p.contrast);
}

int SequencerPanel::UpdateColumnCount() {
    const int current = document != nullptr ? static_cast<int>(document->stepsPerMeasure) : kColumns;
    // A minimised window has no width worth fitting to; the count stays as it was.
    if (mainWindow == nullptr || IsIconic(mainWindow)) return current;
    RECT client{};
    GetClientRect(mainWindow, &client);
    const int count = layout::ColumnCountForWidth(client.right - client.left);
    for (int k = 1; k <= count; ++k) {
        if (!Column(k).IsVisible()) Column(k).Show();
    }
    for (int k = count + 1; k <= kColumns; ++k) {
        if (Column(k).IsVisible()) Column(k).Hide();
    }
    if (document != nullptr) document->stepsPerMeasure = count;
    return count;
}

void SequencerPanel::ResizeToSteps(int n) {
    RECT window{};
    GetWindowRect(mainWindow, &window);
    RECT wanted{0, 0, layout::ClientWidthForSteps(n), layout::kClientHeight};
    AdjustWindowRectEx(&wanted, static_cast<DWORD>(GetWindowLongPtrA(mainWindow, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(mainWindow, GWL_EXSTYLE)));
    SetWindowPos(mainWindow, nullptr, window.left, window.top, wanted.right - wanted.left,
                 wanted.bottom - wanted.top, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateColumnCount();
}

void SequencerPanel::SetStatusText(const std::string& text) { statusLine.SetText(text); }

bool SequencerPanel::ColumnVisible(int column) {
    KB_ASSERT(ValidColumn(column));
    return columns[column].IsVisible();
}

void SequencerPanel::SetColumnShowable(int column, Showable showable) {
    KB_ASSERT(ValidColumn(column));
    columns[column].SetShowable(showable);
}

void SequencerPanel::SetColumnValue(int column, int param, int value) {
    KB_ASSERT(ValidColumn(column));
    columns[column].SetValue(param, value);
}

int SequencerPanel::ColumnValue(int column, int param) {
    KB_ASSERT(ValidColumn(column));
    return columns[column].GetValue(param);
}

void SequencerPanel::ColumnHandleEvent(int column, int id) {
    KB_ASSERT(ValidColumn(column));
    columns[column].HandleEvent(id);
}

void SequencerPanel::SelectMeasureButton(int measure) { measureSelector.Select(measure); }

int SequencerPanel::SelectedMeasure() { return measureSelector.SelectedIndex(); }

void SequencerPanel::SelectMeasureById(int id) {
    if (control::InRange(id, control::kFirstMeasureButton, control::kLastMeasureButton))
        measureSelector.SelectById(id);
}

void SequencerPanel::ShowMeasurePopup(int measure) {
    if (measure < 0 || measure >= kMeasureCount) return;
    RECT r = measureSelector.ButtonRect(measure);
    MapWindowPoints(mainWindow, nullptr, reinterpret_cast<POINT*>(&r), 2);
    measurePopup.measure = measure;
    measurePopup.x = r.right;
    measurePopup.y = r.top - 3;
    measurePopup.ShowFor();
}

void SequencerPanel::TempoFieldHandleEvent(int id) { tempoField.OnPartEvent(id); }

void SequencerPanel::ShowTempo(double bpm) { tempoField.SetBpm(bpm); }

void SequencerPanel::ShowTempoUnit(TempoUnit unit) { tempoField.SetUnit(unit); }

int SequencerPanel::LevelEvent(int id) {
    levelControl.OnPartEvent(id);
    return levelControl.GetValue();
}

void SequencerPanel::ShowLevel(int value) { levelControl.SetValue(value); }

int SequencerPanel::TransposeEvent(int id) {
    transposeControl.OnPartEvent(id);
    return transposeControl.GetValue();
}

void SequencerPanel::ShowTranspose(int value) { transposeControl.SetValue(value); }

bool SequencerPanel::MuteButtonOn() { return muteButton.GetState(); }

void SequencerPanel::SetMuteButton(bool soundOn) {
    muteButton.SetState(soundOn ? ToggleState::On : ToggleState::Off);
}

void SequencerPanel::OpenToolbarMenu(ToolbarMenu menu) { toolbar.PopupMenu(menu); }

bool SequencerPanel::PlayButtonOn() { return playButton.GetState(); }

void SequencerPanel::SetPlayButton(PlayButtonLook look) {
    playButton.SetState(look == PlayButtonLook::Playing ? ToggleState::On : ToggleState::Off);
}

void SequencerPanel::SetPlayingMark(int measure) { measureSelector.SetPlayingMark(measure); }

void SequencerPanel::SetStepHighlighted(int column, StepLight light) {
    KB_ASSERT(column >= 1 && column <= kColumns);
    Column(column).SetHighlighted(light == StepLight::On ? Highlight::On : Highlight::Off);
}
