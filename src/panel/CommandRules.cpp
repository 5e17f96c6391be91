#include "panel/CommandRules.h"

#include "ResourceIds.h"

std::vector<MenuItemState> MenuItemStates(const SongDocument& doc, const MenuFacts& facts) {
    const bool samples = doc.tempoDisplay == 1;
    return {
        {IDC_CMD_UNDO, doc.undoMeasure != doc.editMeasure, ItemMark::None},
        {IDC_CMD_PASTE, !facts.clipboardHasMeasure, ItemMark::None},
        {IDC_CMD_SAVE, doc.dirty == 0, ItemMark::None},
        {IDC_CMD_SAMPLES_PER_MEASURE, false, samples ? ItemMark::Radio : ItemMark::None},
        {IDC_CMD_BEATS_PER_MINUTE, false, samples ? ItemMark::None : ItemMark::Radio},
        {IDC_CMD_MUTE, false, doc.mute != 0 ? ItemMark::Check : ItemMark::None},
        {IDC_CMD_HIGH_RES_TIMER, false, doc.highResTimer != 0 ? ItemMark::Check : ItemMark::None},
        {IDC_CMD_SOUND_CARD, false, facts.soundCardInUse ? ItemMark::Check : ItemMark::None},
    };
}

bool RunDocumentCommand(int id, SongDocument& doc, EditView& view) {
    switch (id) {
    case IDC_CMD_UNDO: Undo(doc, view); return true;
    case IDC_CMD_SHIFT_RIGHT: ShiftSteps(doc, view, true); return true;
    case IDC_CMD_SHIFT_LEFT: ShiftSteps(doc, view, false); return true;
    case IDC_CMD_RANDOMIZE: RandomizeMeasure(doc, view); return true;
    case IDC_CMD_MUTE: ToggleMute(doc, view); return true;
    case IDC_CMD_SAMPLES_PER_MEASURE: SetTempoDisplay(doc, view, 1); return true;
    case IDC_CMD_BEATS_PER_MINUTE: SetTempoDisplay(doc, view, 0); return true;
    case IDC_CMD_OPTION_FLAG: ToggleOptionFlag(doc); return true;
    case IDC_CMD_NOTHING: return true; // Ctrl+K has no handler
    default: return false;
    }
}
