#include "widgets/MPicture.h"

MPicture::MPicture() = default;

MPicture::~MPicture() = default;

void MPicture::Create(int newId, const std::string& newText, int x, int y, HWND newOwner,
                      const std::string& imageName) {
    image.SetName(imageName);
    const SIZE size = image.GetSize();
    CreateRect(newId, newText, RECT{x, y, x + size.cx, y + size.cy}, newOwner);
}

void MPicture::Draw(HDC dc) {
    if (!ShouldPaint(dc)) return;
    image.DrawAt(dc, ink, paper, rect.left, rect.top);
    ExcludeOwnRect(dc);
}
