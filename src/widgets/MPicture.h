#pragma once
// A named one-bit picture drawn in ink and paper. It never takes mouse input.
#include "widgets/MWnd.h"
#include "widgets/MonoImage.h"

class MPicture : public MWnd {
public:
    MPicture();
    ~MPicture() override;

    using MWnd::Create;
    // Sized from the picture, as picture buttons are.
    void Create(int id, const std::string& text, int x, int y, HWND owner, const std::string& imageName);
    void Draw(HDC dc) override;

private:
    MonoImage image;
};
