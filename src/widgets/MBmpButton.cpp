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

void MBmpButton::DrawLook(HDC dc, ButtonLook look, COLORREF lookInk, COLORREF lookPaper) const {
    const bool down = look == ButtonLook::Down;
    const MonoImage& image = down ? downImage : upImage;
    image.DrawAt(dc, lookInk, lookPaper, rect.left, rect.top);
}

void MBmpButton::Draw(HDC dc) {
    if (!ShouldPaint(dc)) return;
    if (pressed)
        DrawLook(dc, ButtonLook::Down, pressedInk, pressedPaper);
    else
        DrawLook(dc, ButtonLook::Up, ink, paper);
    ExcludeOwnRect(dc);
}
