#pragma once
// The keyboard and mouse state that widgets read while they handle an event: Control makes an
// arrow step large, and the left button tells whether a press is still going on. The real state
// comes from the system's key state; tests put in their own.

class WidgetInput {
public:
    virtual ~WidgetInput() = default;
    virtual bool ControlHeld() = 0;
    virtual bool LeftButtonHeld() = 0;
};

// The input widgets read now: the real one unless SetWidgetInput installed another.
WidgetInput& CurrentWidgetInput();

// Installs another input source (not owned); nullptr goes back to the real one.
void SetWidgetInput(WidgetInput* input);
