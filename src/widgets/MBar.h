#pragma once
// A level bar that doubles as a slider: filled in ink up to its value, the rest in paper, with a
// thumb at the level. Pressing or dragging on it sets the value from the pointer; a drag keeps
// the mouse, so it goes on outside the owner window until the button is let go.
#include "widgets/DialMath.h"
#include "widgets/MButton.h"

struct BarSettings {
    int id = 0;
    std::string text{};
    int x = 0, y = 0, width = 0, height = 0;
    HWND owner = nullptr;
    BarAxis axis = BarAxis::Vertical; // the direction the level grows in
};

class MBar : public MButton {
public:
    MBar();
    ~MBar() override;

    using MButton::Create;
    void Create(const BarSettings& settings);
    void Draw(HDC dc) override;
    int HitEvent(int type, int x, int y) override;
    int MouseEvent(int type, int x, int y) override;
    // Ink and paper as a plain widget's (the pressed pair is left alone), and the thumb colour.
    virtual void SetColors3(COLORREF ink, COLORREF paper, COLORREF thumbColor);

    void SetRange(int newMin, int newMax);
    void SetThumbWidth(int n) { thumbWidth = n; }
    // Stores v as given and repaints.
    void SetValue(int v);
    int GetValue() const { return value; }
    int Min() const { return min; }
    int Max() const { return max; }
    bool IsHorizontal() const { return horizontal; }
    COLORREF ThumbColor() const { return thumbColor; }

private:
    BarAxis Axis() const { return horizontal ? BarAxis::Horizontal : BarAxis::Vertical; }
    void TakeValueFrom(int x, int y);
    // Ends a drag: last value, released look, mouse given back.
    void FinishDrag(int x, int y);
    void ShowCursorIfAny() const;

    COLORREF thumbColor = 0;
    bool horizontal = false;
    int value = 25;
    int min = 0;
    int max = 100;
    int thumbWidth = 2;
};
