#pragma once
// Event types that windowless widgets and dial text fields hand to their owner window, and the
// result codes of a widget's mouse handling.

struct WidgetEvent {
    enum : int {
        Refresh = 0,   // a dial's text field lost the focus (cursor refresh only)
        Down = 1,      // left button down, and left double-click
        Up = 2,        // left button up
        RightDown = 4, // right button down
        Move = 64,     // mouse move
        EditRightDown = 11021,
        EditLeftDown = 11022,
        ValueCommitted = 11023, // a dial's text field took a typed value
    };
};

struct HitResult {
    enum : int {
        None = 0,
        Pressed = 1,
        Clicked = 16, // also a bar's every drag step
        RightClicked = 32,
    };
};

// Implemented by each window that hosts widgets; receives the events that dial text fields
// raise themselves (the other events come from the owner's own mouse handling).
class WidgetEventSink {
public:
    virtual ~WidgetEventSink() = default;
    virtual void OnWidgetEvent(int type, int x, int y, int id) = 0;
};
