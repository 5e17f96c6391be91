#include <windows.h>

#include "widgets/WidgetInput.h"

namespace {

// The high-order bit of the asynchronous state is set while the key is down.
bool KeyDown(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

class AsyncWidgetInput final : public WidgetInput {
public:
    bool ControlHeld() override { return KeyDown(VK_CONTROL); }
    bool LeftButtonHeld() override {
        // With swapped buttons the primary button is the physical right one.
        return KeyDown(GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON);
    }
};

AsyncWidgetInput realInput;
WidgetInput* installed = nullptr;

} // namespace

WidgetInput& CurrentWidgetInput() { return installed ? *installed : realInput; }

void SetWidgetInput(WidgetInput* input) { installed = input; }
