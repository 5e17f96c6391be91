#pragma once
// A picture button that flips its state with each completed click and shows pressed XOR state,
// and its variant with a second colour scheme for highlighting.
#include "widgets/MBmpButton.h"

class MToggleButton : public MBmpButton {
public:
    MToggleButton();
    ~MToggleButton() override;

    void Draw(HDC dc) override;
    int HitEvent(int type, int x, int y) override;

    bool GetState() const { return state; }
    // Stores the state and repaints.
    void SetState(bool flag);

protected:
    // Shown down while pressed and off, or released and on.
    bool LooksDown() const { return (pressed != 0) != state; }

    bool state = false;
};

class MHighlightToggleButton : public MToggleButton {
public:
    MHighlightToggleButton();

    void Draw(HDC dc) override;

    // Stores the flag only; the caller repaints.
    void SetHighlight(bool flag) { highlight = flag; }
    bool GetHighlight() const { return highlight; }
    void SetColors8(COLORREF ink, COLORREF paper, COLORREF pressedInk, COLORREF pressedPaper,
                    COLORREF altUpInk, COLORREF altUpPaper, COLORREF altDownInk, COLORREF altDownPaper);

protected:
    bool highlight = false;
    COLORREF altUpInk;
    COLORREF altUpPaper;
    COLORREF altDownInk;
    COLORREF altDownPaper;
};
