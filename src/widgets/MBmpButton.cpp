#include "widgets/MBmpButton.h"

MBmpButton::MBmpButton() { className = "MBmpButton"; }

MBmpButton::~MBmpButton() = default;

void MBmpButton::Create(int newId, const std::string& newText, int x, int y, HWND newOwner,
                        const std::string& newUpName, const std::string& newDownName) {
    upImage.SetName(newUpName);
    downImage.SetName(newDownName);
    const SIZE size = upImage.GetSize();
    upName = newUpName;
    downName = newDownName;
    CreateRect(newId, newText, RECT{x, y, x + size.cx, y + size.cy}, newOwner);
}

void MBmpButton::DrawLook(HDC dc, bool down, COLORREF lookInk, COLORREF lookPaper) const {
    const MonoImage& image = down ? downImage : upImage;
    image.DrawAt(dc, lookInk, lookPaper, rect.left, rect.top);
}

void MBmpButton::Draw(HDC dc) {
    if (!ShouldPaint(dc)) return;
    if (pressed)
        DrawLook(dc, true, pressedInk, pressedPaper);
    else
        DrawLook(dc, false, ink, paper);
    ExcludeOwnRect(dc);
}
