#include "app/PanelController.h"

#include <algorithm>

#include "common/Assert.h"
#include "common/Random.h"
#include "playback/SequencerEngine.h"

namespace {
constexpr int kParams[] = {ParamOn, ParamNote, ParamValue30, ParamValue40, ParamValue50, ParamLength};
constexpr int kDefaultLevel = 80;

bool ValidMeasure(int m) { return m >= 0 && m < kMeasureCount; }
} // namespace

void PanelController::Setup(PanelView& newPanel, SongDocument& newDocument) {
    panel = &newPanel;
    document = &newDocument;
    LoadMeasure(0);
    ready = true;
}

void PanelController::Attach(SequencerEngine* newEngine, EditKeys* newKeys) {
    engine = newEngine;
    keys = newKeys;
}

int PanelController::ShownSteps() const {
    return std::clamp<int>(document->stepsPerMeasure, 1, kStepsPerMeasureMax);
}

void PanelController::LoadMeasure(int m) {
    if (!ValidMeasure(m)) return; // no measure to show: the columns keep what they show
    const Measure& measure = document->measures[m];
    for (int k = 0; k < kStepsPerMeasureMax; ++k) {
        // A hidden column must not appear just because its values change.
        if (!panel->ColumnVisible(k)) panel->SetColumnShowable(k, Showable::No);
        for (int p : kParams)
            panel->SetColumnValue(k, p, measure.steps[k].GetParam(p));
        panel->SetColumnShowable(k, Showable::Yes);
    }
}

void PanelController::SelectMeasure(int m) {
    KB_ASSERT(ValidMeasure(m));
    document->editMeasure = static_cast<int16_t>(m);
    panel->SelectMeasureButton(m);
    LoadMeasure(m);
}

void PanelController::RandomizeSteps(int m) {
    KB_ASSERT(ValidMeasure(m));
    document->RandomizeSteps(m);
    LoadMeasure(m);
}

void PanelController::FreshSetup() {
    // The editor shows one measure, so it is loaded once, when all eight are made.
    for (int i = 0; i < kMeasureCount; ++i) {
        document->measures[i].next = static_cast<int16_t>(i);
        document->measures[i].repeat = 1;
        document->RandomizeSteps(i);
    }
    LoadMeasure(document->editMeasure);
}

void PanelController::SetTempo(double tempo) {
    KB_ASSERT(tempo::IsHeld(tempo));
    document->tempo = tempo;
    panel->ShowTempo(tempo);
    if (engine != nullptr && engine->IsPlaying()) engine->TempoChanged();
}

void PanelController::ShowDocument() {
    KB_ASSERT(tempo::IsHeld(document->tempo));
    panel->ShowTempoUnit(document->tempoDisplay);
    panel->ShowTempo(document->tempo);
    panel->ShowLevel(document->levelB);
    panel->ShowTranspose(document->transpose);
    panel->SetMuteButton(document->mute == 0);
    panel->SelectMeasureButton(document->editMeasure);
    LoadMeasure(document->editMeasure);
    if (engine != nullptr && engine->IsPlaying()) engine->TempoChanged();
}

void PanelController::TempoEntered(double bpm) {
    KB_ASSERT(tempo::IsHeld(bpm));
    if (bpm != document->tempo) document->dirty = 1;
    document->tempo = bpm;
    if (engine != nullptr && engine->IsPlaying()) engine->TempoChanged();
}

void PanelController::SetLevelB(int value) {
    document->levelB = static_cast<int16_t>(value);
    panel->ShowLevel(value);
}

void PanelController::SetTranspose(int value) {
    document->transpose = static_cast<int16_t>(value);
    panel->ShowTranspose(value);
}

void PanelController::SetMuteButton(bool soundOn) { panel->SetMuteButton(soundOn); }

void PanelController::SetTempoMode(TempoUnit unit) { panel->ShowTempoUnit(unit); }

void PanelController::ShowValue(const std::string& text) { panel->SetStatusText(text); }

void PanelController::Press(int id) {
    using namespace control;
    if (id == 0 || InRange(id, kFileMenu, kMidiMenu) || InRange(id, kMeasureGroup, kLastMeasureButton))
        return;
    // Before the control changes anything, so the press can be undone.
    TakeUndoSnapshot(*document);
}

void PanelController::ControlChanged(int id) {
    using namespace control;
    if (id >= kFirstColumn && id < kColumnsEnd) {
        for (int k = 0; k < kStepsPerMeasureMax; ++k) {
            const int base = ColumnBase(k);
            if (id >= base && id <= base + 70) {
                panel->ColumnHandleEvent(k, id);
                StepCellChanged(id);
            }
        }
    }
    // The group's own id names no measure; only its buttons select one.
    if (InRange(id, kFirstMeasureButton, kLastMeasureButton)) {
        const int old = panel->SelectedMeasure();
        panel->SelectMeasureById(id);
        const int chosen = panel->SelectedMeasure();
        if (ValidMeasure(chosen)) {
            SelectMeasure(chosen);
            if (chosen != old) document->dirty = 1;
            if (engine != nullptr) engine->SelectMeasureWhilePlaying(chosen);
        }
    }
    // An arrow steps the field, which hands the new tempo to TempoEntered itself.
    if (InRange(id, kTempo, kTempoLast)) panel->TempoFieldHandleEvent(id);
    if (InRange(id, kLevel, kLevelLast)) {
        document->levelB = static_cast<int16_t>(panel->LevelEvent(id));
        document->dirty = 1;
    }
    if (InRange(id, kTranspose, kTransposeLast)) {
        document->transpose = static_cast<int16_t>(panel->TransposeEvent(id));
        document->dirty = 1;
    }
    if (id == kPlay && engine != nullptr) engine->Toggle();
    if (id == kMute) {
        document->mute = panel->MuteButtonOn() ? 0 : 1;
        document->dirty = 1;
    }
    if (id == kFileMenu) panel->OpenToolbarMenu(ToolbarMenu::File);
    if (id == kEditMenu) panel->OpenToolbarMenu(ToolbarMenu::Edit);
    if (id == kMidiMenu) panel->OpenToolbarMenu(ToolbarMenu::Midi);
}

void PanelController::RightClick(int id) {
    using namespace control;
    if (InRange(id, kFirstMeasureButton, kLastMeasureButton)) {
        panel->ShowMeasurePopup(id - kFirstMeasureButton);
    } else if (InRange(id, kLevel, kLevelLast)) {
        TakeUndoSnapshot(*document);
        SetLevelB(kDefaultLevel);
        document->dirty = 1;
    } else if (InRange(id, kTranspose, kTransposeLast)) {
        TakeUndoSnapshot(*document);
        SetTranspose(0);
        document->dirty = 1;
    }
}

void PanelController::StepCellChanged(int id) {
    using namespace control;
    KB_ASSERT(id >= kFirstColumn && id < kColumnsEnd);
    const int k = (id - kFirstColumn) / kColumnSpan;
    const int p = (id - kFirstColumn) % kColumnSpan / 10 * 10;
    if (p < ParamOn || p > ParamLength) return;
    Measure& measure = document->EditMeasure();
    const int old = measure.steps[k].GetParam(p);
    const int now = panel->ColumnValue(k, p);
    measure.steps[k].SetParam(p, now);
    const int delta = now - old;
    if (keys != nullptr && keys->ShiftHeld()) {
        const bool same = keys->AltHeld();
        const int shown = ShownSteps();
        for (int d = 0; d < shown; ++d) {
            if (d == k) continue;
            Step& step = measure.steps[d];
            if (same) {
                step.SetParam(p, now);
                panel->SetColumnValue(d, p, now);
                continue;
            }
            const int l = step.GetParam(p);
            // Flags invert; other values move by the same amount, within the column's range.
            panel->SetColumnValue(d, p, p == ParamOn ? (l == 0 ? 1 : 0) : l + delta);
            step.SetParam(p, panel->ColumnValue(d, p));
        }
    }
    ShowValue(std::to_string(now));
    document->dirty = 1;
}
