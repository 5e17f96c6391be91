#pragma once
// One column of the step editor: the step number at the top (lit while its step plays), an on/off
// lamp, a note cell (two arrows and a text field) and a length bar. The column holds the values
// it shows; the panel controller loads them from the document and writes changes back, by
// control id: the column's base id B, the lamp B + 10, the note cell B + 20 (arrows B + 21 and
// B + 22, field B + 23) and the length cell B + 60 (its bar B + 64).
#include <string>

#include "widgets/GdiHandles.h"
#include "widgets/MDial.h"
#include "widgets/MToggleButton.h"
#include "widgets/MonoImage.h"
#include "widgets/SkinPalette.h"

// The step number: its text on its paper colour, centred both ways, in a point font.
class StepNumberLabel : public MWnd {
public:
    StepNumberLabel();
    void Draw(HDC dc) override;

private:
    // Every label draws in the same face and size: one font, made at the first paint and kept for
    // the program's life, rather than one made and freed for every label at every paint.
    static HFONT LabelFont();

    static constexpr char kFace[] = "System";
    static constexpr int kTenthsOfPoint = 90;
};

class StepColumn : public MWnd {
public:
    static constexpr int kWidth = 37;
    static constexpr int kHeight = 106;

    StepColumn();
    ~StepColumn() override;

    void Build(int id, const std::string& number, int x, int y, HWND parent);
    // param 10 on/off (nonzero is on), 20 note, 60 length; the others have no cell.
    void SetValue(int param, int value);
    int GetValue(int param);
    // The part that shows a parameter: the lamp, the note cell or the length cell.
    MWnd* CellFor(int param);
    // An event on one of the column's parts, by the id the part reported.
    void HandleEvent(int id);
    void ApplySkin(COLORREF colour);
    // The note field draws in the panel's font on the panel's brush (both owned by the panel).
    void SetSharedResources(HFONT font, HBRUSH brush);
    void SetHighlighted(Highlight on);

    void Draw(HDC dc) override;
    void Show() override;
    void Hide() override;
    void SetShowable(Showable flag) override;

    bool IsBuilt() const { return built; }
    MToggleButton& Lamp() { return lamp; }
    MDial& NoteCell() { return noteCell; }
    MDial& LengthCell() { return lengthCell; }
    StepNumberLabel& NumberLabel() { return numberLabel; }
    const SkinPalette& Palette() const { return palette; }

private:
    MonoImage background;
    SkinPalette palette;
    StepNumberLabel numberLabel;
    MToggleButton lamp;
    MDial noteCell;
    MDial lengthCell;
    bool built = false;
};
