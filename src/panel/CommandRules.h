#pragma once
// The parts of the command table that are rules about the document: which menu items are grayed
// or marked before a menu opens, and the commands that change only the document and what shows
// it. Pure, so the rules are checked on every platform.
#include <vector>

#include "song/EditOperations.h"
#include "song/SongDocument.h"

enum class ItemMark { None, Check, Radio };

struct MenuItemState {
    int id = 0;
    bool grayed = false;
    ItemMark mark = ItemMark::None;
};

// What the menus show besides the setup itself.
struct MenuFacts {
    bool clipboardHasMeasure = false; // another measure waits on the clipboard
    bool soundCardInUse = false;      // the tones sound through the sound card
};

// The items whose state depends on the setup; every other item is always enabled and unmarked.
// A grayed item still runs from its keyboard shortcut.
std::vector<MenuItemState> MenuItemStates(const SongDocument& doc, const MenuFacts& facts);

// Runs the commands that work on the document alone (undo, shifts, randomize, mute, the tempo
// unit, the option flag, and the shortcut that does nothing); false for every other id.
bool RunDocumentCommand(int id, SongDocument& doc, EditView& view);
