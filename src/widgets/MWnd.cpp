#include "widgets/MWnd.h"

#include "widgets/GdiHandles.h"
#include "widgets/InvalidationBatch.h"
#include "widgets/WidgetRegistry.h"

void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
    // An opaque empty text output fills with the background colour without a brush.
    const COLORREF previous = SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, previous);
}

void DrawCentredText(HDC dc, const RECT& r, const std::string& text, COLORREF colour, HWND owner) {
    if (text.empty()) return;
    SavedDCState saved(dc);
    if (HFONT font = owner ? reinterpret_cast<HFONT>(SendMessageA(owner, WM_GETFONT, 0, 0)) : nullptr)
        SelectObject(dc, font);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    RECT area = r;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

MWnd::MWnd() = default;

MWnd::~MWnd() { UnregisterWidget(this); }

void MWnd::Create(int newId, const std::string& newText, int x, int y, int width, int height, HWND newOwner) {
    CreateRect(newId, newText, RECT{x, y, x + width, y + height}, newOwner);
}

void MWnd::CreateRect(int newId, const std::string& newText, const RECT& newRect, HWND newOwner) {
    id = newId;
    owner = newOwner;
    text = newText;
    rect = newRect;
    WidgetRegistry::Instance().Append(this);
    SetColors(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_BTNFACE));
    SetShowable(Showable::Yes);
    Show();
}

void MWnd::SetColors(COLORREF newInk, COLORREF newPaper) {
    ink = newInk;
    paper = newPaper;
    if (visible) Show();
}

void MWnd::Draw(HDC dc) {
    if (!ShouldPaint(dc)) return;
    FillSolid(dc, rect, paper);
    DrawCentredText(dc, rect, text, ink, owner);
    ExcludeOwnRect(dc);
}

void MWnd::Show() {
    if (!showable) return;
    visible = true;
    Invalidate(EraseBackground::No);
}

void MWnd::Hide() {
    if (!showable) return;
    visible = false;
    // Erasing lets the owner's background show where the widget was.
    Invalidate(EraseBackground::Yes);
}

void MWnd::SetShowable(Showable flag) { showable = flag == Showable::Yes; }

void MWnd::SetInk(COLORREF c) {
    ink = c;
    if (visible) Show();
}

void MWnd::SetPaper(COLORREF c) {
    paper = c;
    if (visible) Show();
}

void MWnd::MoveTo(int x, int y) {
    Hide();
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    rect = RECT{x, y, x + width, y + height};
    Show();
}

void MWnd::RedrawNow(HDC dc) {
    if (!visible) return;
    {
        SavedDCState saved(dc);
        ExcludeNewerWidgets(dc, this);
        Draw(dc);
    }
    Invalidate(EraseBackground::No);
}

bool MWnd::ShouldPaint(HDC dc) const { return visible && RectVisible(dc, &rect); }

void MWnd::ExcludeOwnRect(HDC dc) const { ExcludeClipRect(dc, rect.left, rect.top, rect.right, rect.bottom); }

void MWnd::Invalidate(EraseBackground erase) const {
    if (owner) InvalidateLater(owner, &rect, erase);
}
