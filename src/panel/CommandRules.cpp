#include "panel/CommandRules.h"

#include "ResourceIds.h"

std::vector<MenuItemState> MenuItemStates(const SongDocument& doc, const MenuFacts& facts) {
    const bool samples = doc.tempoDisplay == TempoUnit::SamplesPerMeasure;
    return {
        {.id = IDC_CMD_UNDO, .grayed = doc.undoMeasure != doc.editMeasure},
        {.id = IDC_CMD_PASTE, .grayed = !facts.clipboardHasMeasure},
        {.id = IDC_CMD_SAVE, .grayed = doc.dirty == 0},
        {.id = IDC_CMD_SAMPLES_PER_MEASURE, .mark = samples ? ItemMark::Radio : ItemMark::None},
        {.id = IDC_CMD_BEATS_PER_MINUTE, .mark = samples ? ItemMark::None : ItemMark::Radio},
        {.id = IDC_CMD_MUTE, .mark = doc.mute != 0 ? ItemMark::Check : ItemMark::None},
        {.id = IDC_CMD_HIGH_RES_TIMER, .mark = doc.highResTimer != 0 ? ItemMark::Check : ItemMark::None},
        {.id = IDC_CMD_SOUND_CARD, .mark = facts.soundCardInUse ? ItemMark::Check : ItemMark::None},
    };
}

bool RunDocumentCommand(int id, SongDocument& doc, EditView& view) {
    switch (id) {
    case IDC_CMD_UNDO: Undo(doc, view); return true;
    case IDC_CMD_SHIFT_RIGHT: ShiftSteps(doc, view, ShiftDirection::Right); return true;
    case IDC_CMD_SHIFT_LEFT: ShiftSteps(doc, view, ShiftDirection::Left); return true;
    case IDC_CMD_RANDOMIZE: RandomizeMeasure(doc, view); return true;
    case IDC_CMD_MUTE: ToggleMute(doc, view); return true;
    case IDC_CMD_SAMPLES_PER_MEASURE: SetTempoDisplay(doc, view, TempoUnit::SamplesPerMeasure); return true;
    case IDC_CMD_BEATS_PER_MINUTE: SetTempoDisplay(doc, view, TempoUnit::BeatsPerMinute); return true;
    case IDC_CMD_OPTION_FLAG: ToggleOptionFlag(doc); return true;
    case IDC_CMD_NOTHING: return true; // Ctrl+K has no handler
    default: return false;
    }
}
