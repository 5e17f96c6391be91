#include "widgets/MBar.h"

#include "widgets/DialMath.h"
#include "widgets/WidgetEvents.h"
#include "widgets/WidgetInput.h"
#include "widgets/WidgetRegistry.h"

namespace {

BarBox ToBox(const RECT& r) { return BarBox{r.left, r.top, r.right, r.bottom}; }

RECT ToRect(const BarBox& b) { return RECT{b.left, b.top, b.right, b.bottom}; }

} // namespace

MBar::MBar() = default; // keeps the class name "MButton"

MBar::~MBar() {
    if (pressed && owner && GetCapture() == owner) ReleaseCapture();
}

void MBar::Create(const BarSettings& s) {
    MButton::Create(s.id, s.text, s.x, s.y, s.width, s.height, s.owner);
    horizontal = s.axis == BarAxis::Horizontal;
}

void MBar::SetColors3(COLORREF newInk, COLORREF newPaper, COLORREF newThumbColor) {
    thumbColor = newThumbColor;
    MWnd::SetColors(newInk, newPaper);
}

void MBar::SetRange(int newMin, int newMax) {
    min = newMin;
    max = newMax;
}

void MBar::SetValue(int v) {
    value = v;
    if (visible) Show();
}

void MBar::Draw(HDC dc) {
    if (!ShouldPaint(dc)) return;
    const BarAreas areas = LayOutBar(ToBox(rect), Axis(), value, min, max, thumbWidth);
    // The thumb goes first and is cut out, so the other two never paint under it.
    if (!areas.thumb.Empty()) {
        FillSolid(dc, ToRect(areas.thumb), thumbColor);
        ExcludeClipRect(dc, areas.thumb.left, areas.thumb.top, areas.thumb.right, areas.thumb.bottom);
    }
    if (!areas.paper.Empty()) FillSolid(dc, ToRect(areas.paper), paper);
    if (!areas.ink.Empty()) FillSolid(dc, ToRect(areas.ink), ink);
    ExcludeOwnRect(dc);
}

void MBar::TakeValueFrom(int x, int y) { SetValue(BarValueAt(ToBox(rect), Axis(), x, y, min, max)); }

void MBar::ShowCursorIfAny() const {
    if (cursor) SetCursor(cursor);
}

void MBar::FinishDrag(int x, int y) {
    TakeValueFrom(x, y);
    pressed = 0;
    if (CapturedWidget() == this) SetCapturedWidget(nullptr);
    if (owner && GetCapture() == owner) ReleaseCapture();
}

int MBar::HitEvent(int type, int x, int y) {
    switch (type) {
    case WidgetEvent::Down:
        if (!HitTest(x, y)) return HitResult::None;
        TakeValueFrom(x, y);
        pressed = 1;
        SetCapturedWidget(this);
        return HitResult::Clicked;
    case WidgetEvent::Up:
        // The release ends a drag wherever the pointer is.
        if (!pressed) return HitResult::None;
        FinishDrag(x, y);
        return HitResult::Clicked;
    case WidgetEvent::RightDown: return HitTest(x, y) ? HitResult::RightClicked : HitResult::None;
    default: return HitResult::None;
    }
}

int MBar::MouseEvent(int type, int x, int y) {
    if (!visible) return HitResult::None;
    if (HitTest(x, y)) ShowCursorIfAny();
    switch (type) {
    case WidgetEvent::Down:
    case WidgetEvent::Up:
    case WidgetEvent::RightDown: inside = true; return HitEvent(type, x, y);
    case WidgetEvent::Move:
        if (CapturedWidget() != this || !pressed) return HitResult::None;
        if (!CurrentWidgetInput().LeftButtonHeld()) {
            // The release went somewhere else (the mouse was taken away): end the drag here.
            FinishDrag(x, y);
            return HitResult::Clicked;
        }
        ShowCursorIfAny();
        // Keeping the mouse lets the drag go on outside the owner window.
        if (owner && GetCapture() != owner) SetCapture(owner);
        TakeValueFrom(x, y);
        return HitResult::Clicked;
    default: return HitResult::None;
    }
}
