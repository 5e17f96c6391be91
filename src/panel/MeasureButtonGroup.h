#pragma once
// The measure selector: eight numbered picture buttons, one per measure. The button of the edit
// measure shows its up picture (state 0), the others their down picture (state 1); the button of
// the playing measure is drawn in its alternative colours (the playing mark). The group itself is
// a plain MWnd that draws nothing and never takes the mouse; its buttons report ids group + 1..8.
#include <memory>
#include <string>
#include <vector>

#include "widgets/MToggleButton.h"

enum class ButtonPictures { PerButton, Shared };

struct MeasureGroupSettings {
    int id = 0;         // the group's id; button n (1-based) gets id + n
    std::string prefix; // pictures prefix + n + "UP"/"DN", or prefix + "UP"/"DN" when shared
    int x = 0, y = 0;   // origin; button i starts at (x, y + 144 - 20 x i) until moved
    HWND parent = nullptr;
    int count = 8;
    ButtonPictures pictures = ButtonPictures::PerButton;
};

class MeasureButtonGroup : public MWnd {
public:
    MeasureButtonGroup();
    ~MeasureButtonGroup() override;

    void Build(const MeasureGroupSettings& settings);
    // Any index is stored; one outside 0..count - 1 selects no button.
    void Select(int index);
    // Select(controlId - id - 1) for the ids of the buttons; any other id, the group's own
    // included, changes nothing.
    void SelectById(int controlId);
    int SelectedIndex() const { return selected; }
    // -1 (or any index out of range) clears the mark.
    void SetPlayingMark(int index);
    int MarkedIndex() const { return marked; }
    // The button's rectangle in the owner's client coordinates; empty for an index out of range.
    RECT ButtonRect(int index) const;
    void MoveButton(int index, int x, int y);
    // Every button gets the same schemes; the group's own colour is its ink and paper.
    void SetGroupColors(const HighlightColors& buttonColours, COLORREF groupColour);
    void Show() override;
    void Hide() override;
    // Draws nothing of its own and covers nothing beneath it.
    void Draw(HDC) override {}
    bool PaintsItsRect() const override { return false; }

    int Count() const { return count; }
    MHighlightToggleButton& Button(int index) { return *buttons[index]; }

private:
    void RecomputeRect();
    bool InRange(int index) const { return index >= 0 && index < count; }

    std::vector<std::unique_ptr<MHighlightToggleButton>> buttons;
    int count = 0;
    int selected = -1;
    int marked = -1;
    ButtonPictures pictures = ButtonPictures::PerButton;
};
