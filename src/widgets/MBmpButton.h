#pragma once
// A button drawn as one of two named one-bit pictures: the up picture in ink and paper, the down
// picture in the pressed pair while it is held. The button is exactly the size of its up picture.
#include "widgets/MButton.h"
#include "widgets/MonoImage.h"

class MBmpButton : public MButton {
public:
    MBmpButton();
    ~MBmpButton() override;

    using MButton::Create;
    void Create(int id, const std::string& text, int x, int y, HWND owner, const std::string& upName,
                const std::string& downName);
    void Draw(HDC dc) override;

    const std::string& UpName() const { return upName; }
    const std::string& DownName() const { return downName; }

protected:
    // Draws the down or the up look at the top-left corner of the button.
    void DrawLook(HDC dc, ButtonLook look, COLORREF lookInk, COLORREF lookPaper) const;

    MonoImage upImage;
    MonoImage downImage;
    std::string upName;
    std::string downName;
};
