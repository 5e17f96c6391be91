#pragma once
// A picture button that flips its state with each completed click and shows pressed XOR state,
// and its variant with a second colour scheme for highlighting.
#include "widgets/MBmpButton.h"

enum class ToggleState { Off, On };
enum class Highlight { Off, On };

class MToggleButton : public MBmpButton {
public:
    MToggleButton();
    ~MToggleButton() override;

    void Draw(HDC dc) override;
    int HitEvent(int type, int x, int y) override;

    bool GetState() const { return state; }
    // Stores the state and repaints.
    void SetState(ToggleState flag);

protected:
    // Shown down while pressed and off, or released and on.
    bool LooksDown() const { return (pressed != 0) != state; }

    bool state = false;
};

// A highlight toggle's two schemes: the plain pairs as any button's, and the pairs shown while
// highlighted.
struct HighlightColors {
    COLORREF ink = 0;
    COLORREF paper = 0;
    COLORREF pressedInk = 0;
    COLORREF pressedPaper = 0;
    COLORREF altUpInk = 0;
    COLORREF altUpPaper = 0;
    COLORREF altDownInk = 0;
    COLORREF altDownPaper = 0;
};

class MHighlightToggleButton : public MToggleButton {
public:
    MHighlightToggleButton();

    void Draw(HDC dc) override;

    // Stores the flag only; the caller repaints.
    void SetHighlight(Highlight flag) { highlight = flag == Highlight::On; }
    bool HighlightState() const { return highlight; }
    void SetHighlightColors(const HighlightColors& colors);

protected:
    bool highlight = false;
    COLORREF altUpInk;
    COLORREF altUpPaper;
    COLORREF altDownInk;
    COLORREF altDownPaper;
};
