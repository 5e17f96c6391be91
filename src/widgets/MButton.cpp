#include "widgets/MButton.h"

#include "widgets/Cursors.h"
#include "widgets/GdiHandles.h"
#include "widgets/WidgetEvents.h"
#include "widgets/WidgetInput.h"
#include "widgets/WidgetRegistry.h"

MButton::MButton() { className = "MButton"; }

MButton::~MButton() {
    if (CapturedWidget() == this) SetCapturedWidget(nullptr);
}

void MButton::Create(int newId, const std::string& newText, int x, int y, int width, int height,
                     HWND newOwner) {
    MWnd::CreateRect(newId, newText, RECT{x, y, x + width, y + height}, newOwner);
    pressedInk = ink;
    pressedPaper = paper;
    cursor = nullptr;
}

void MButton::CreateRect(int newId, const std::string& newText, const RECT& r, HWND newOwner) {
    Create(newId, newText, r.left, r.top, r.right - r.left, r.bottom - r.top, newOwner);
}

void MButton::SetColors(COLORREF newInk, COLORREF newPaper) {
    pressedInk = newInk;
    pressedPaper = newPaper;
    MWnd::SetColors(newInk, newPaper);
}

void MButton::Draw(HDC dc) {
    if (!ShouldPaint(dc)) return;
    RECT face = rect;
    if (pressed) {
        // Sunk by one pixel: the face moves right and down, and a 2-pixel strip of ink shows
        // along the top and left edges.
        face.left += 2;
        face.top += 2;
    }
    FillSolid(dc, face, paper);
    DrawCentredText(dc, face, text, ink, owner);
    ExcludeClipRect(dc, face.left, face.top, face.right, face.bottom);
    FillSolid(dc, rect, ink);
    ExcludeOwnRect(dc);
}

bool MButton::HitTest(int x, int y) const {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

void MButton::SetCursorByName(const char* name) { cursor = LoadProgramCursor(name); }

void MButton::SetColors4(COLORREF newInk, COLORREF newPaper, COLORREF newPressedInk,
                         COLORREF newPressedPaper) {
    SetColors(newInk, newPaper);
    pressedInk = newPressedInk;
    pressedPaper = newPressedPaper;
    if (visible) Show();
}

void MButton::ShowPressedNow(ButtonLook look) {
    pressed = look == ButtonLook::Down ? 1 : 0;
    if (!owner) return;
    WindowDC dc(owner);
    if (dc.Get()) RedrawNow(dc.Get());
}

void MButton::DropStaleHold() {
    if (pressed) ShowPressedNow(ButtonLook::Up);
    if (CapturedWidget() == this) SetCapturedWidget(nullptr);
    inside = false;
}

int MButton::HitEvent(int type, int x, int y) {
    if (!HitTest(x, y)) {
        // A release that lands off a button still shown pressed (the moves in between were
        // never seen) ends the hold without a click, so no press is left behind to click later.
        if (type == WidgetEvent::Up && pressed) DropStaleHold();
        return HitResult::None;
    }
    switch (type) {
    case WidgetEvent::Down:
        ShowPressedNow(ButtonLook::Down);
        SetCapturedWidget(this);
        return HitResult::Pressed;
    case WidgetEvent::Up:
        if (!pressed) return HitResult::None;
        ShowPressedNow(ButtonLook::Up);
        SetCapturedWidget(nullptr);
        return HitResult::Clicked;
    case WidgetEvent::RightDown: return HitResult::RightClicked;
    default: return HitResult::None;
    }
}

int MButton::MouseEvent(int type, int x, int y) {
    if (!visible) return HitResult::None;
    switch (type) {
    case WidgetEvent::Down:
    case WidgetEvent::RightDown: inside = true; return HitEvent(type, x, y);
    case WidgetEvent::Up: {
        MButton* held = CapturedWidget();
        if (held && !held->IsPressed()) {
            SetCapturedWidget(nullptr);
            return HitResult::None;
        }
        inside = true;
        return HitEvent(WidgetEvent::Up, x, y);
    }
    case WidgetEvent::Move:
        if (CapturedWidget() != this) return HitResult::None;
        if (!CurrentWidgetInput().LeftButtonHeld()) {
            // The release happened where this window could not see it.
            DropStaleHold();
            return HitResult::None;
        }
        if (pressed && inside && !HitTest(x, y)) {
            ShowPressedNow(ButtonLook::Up);
            inside = false;
        }
        if (!pressed && !inside && HitTest(x, y)) {
            ShowPressedNow(ButtonLook::Down);
            inside = true;
        }
        return HitResult::None;
    default: return HitResult::None;
    }
}
