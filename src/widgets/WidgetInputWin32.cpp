#include <windows.h>

#include "common/SystemWin32.h"
#include "widgets/WidgetInput.h"

namespace {

class SystemWidgetInput final : public WidgetInput {
public:
    // Control as held at this very moment, as every modifier is read.
    bool ControlHeld() override { return ControlKeyHeld(); }
    // The primary button as of the message being handled: a release still waiting in the queue
    // must not end a press before its own message arrives, or a quick click would be lost.
    bool LeftButtonHeld() override { return KeyHeldInMessage(VK_LBUTTON); }
};

SystemWidgetInput realInput;
WidgetInput* installed = nullptr;

} // namespace

WidgetInput& CurrentWidgetInput() { return installed ? *installed : realInput; }

void SetWidgetInput(WidgetInput* input) { installed = input; }
