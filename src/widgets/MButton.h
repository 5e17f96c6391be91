#pragma once
// A windowless push button: pressed while the left button is held on it, shown released while
// the pointer is dragged off it, and clicked when the button is let go over it.
#include "widgets/MWnd.h"

enum class ButtonLook { Up, Down };

class MButton : public MWnd {
public:
    MButton();
    ~MButton() override;

    void Create(int id, const std::string& text, int x, int y, int width, int height, HWND owner) override;
    void CreateRect(int id, const std::string& text, const RECT& rect, HWND owner) override;
    void SetColors(COLORREF ink, COLORREF paper) override;
    void Draw(HDC dc) override;
    // The button's reaction to an event at a point; a HitResult code.
    virtual int HitEvent(int type, int x, int y);
    // An event from the owner's mouse handling, whether or not it lies on this button.
    virtual int MouseEvent(int type, int x, int y);

    // Right and bottom edges are outside.
    bool HitTest(int x, int y) const;
    // Loads a cursor resource of the program; a missing one leaves the button without a cursor.
    void SetCursorByName(const char* name);
    HCURSOR Cursor() const { return cursor; }
    void SetColors4(COLORREF ink, COLORREF paper, COLORREF pressedInk, COLORREF pressedPaper);
    COLORREF PressedInk() const { return pressedInk; }
    COLORREF PressedPaper() const { return pressedPaper; }
    bool IsPressed() const { return pressed != 0; }
    void SetPressed(bool flag) { pressed = flag ? 1 : 0; }

protected:
    // Changes the pressed look and paints it at once, without waiting for other input.
    void ShowPressedNow(ButtonLook look);
    // Lets go of a hold whose button release never reached this widget.
    void DropStaleHold();

    int pressed = 0;
    bool inside = false;
    COLORREF pressedInk = 0;
    COLORREF pressedPaper = 0;
    HCURSOR cursor = nullptr;
};
