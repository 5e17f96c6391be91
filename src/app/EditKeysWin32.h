#pragma once
// Shift and Alt for the panel controller, as held at the moment of asking.
#include "panel/PanelView.h"

class EditKeysWin32 : public EditKeys {
public:
    bool ShiftHeld() override;
    bool AltHeld() override;
};
