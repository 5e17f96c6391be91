#include "panel/StepColumn.h"

#include "song/Step.h"
#include "widgets/GdiHandles.h"
#include "widgets/TextField.h"

StepNumberLabel::StepNumberLabel() = default;

HFONT StepNumberLabel::LabelFont() {
    static GdiFont font(CreateFontInPoints(kFace, kTenthsOfPoint));
    return font.Get();
}

void StepNumberLabel::Draw(HDC dc) {
    if (!ShouldPaint(dc)) return;
    FillSolid(dc, rect, paper);
    {
        SavedDCState saved(dc);
        if (HFONT font = LabelFont()) SelectObject(dc, font);
        SetTextColor(dc, ink);
        SetBkMode(dc, TRANSPARENT);
        RECT area = rect;
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    ExcludeOwnRect(dc);
}

StepColumn::StepColumn() = default;

StepColumn::~StepColumn() = default;

void StepColumn::Build(int newId, const std::string& number, int x, int y, HWND parent) {
    background.SetName("NOTEBMP");
    const SIZE size = background.GetSize();
    // The column comes first, so its parts are newer, paint before it and are never covered.
    CreateRect(newId, number, RECT{x, y, x + size.cx, y + size.cy}, parent);
    numberLabel.Create(newId, number, x + 12, y + 2, 23, 16, parent);
    lamp.Create(newId + ParamOn, "", x + 12, y + 30, parent, "ONOFFUP", "ONOFFDN");
    lamp.SetCursorByName("PUSHCUR");
    lamp.SetState(ToggleState::On);

    const DialSettings note{.baseId = newId + ParamNote,
                            .x = x + 1,
                            .y = y + 63,
                            .upPrefix = "UPARROW",
                            .downPrefix = "DNARROW",
                            .downDy = 9,
                            .owner = parent,
                            .textDx = 7,
                            .textDy = 2,
                            .textWidth = 21,
                            .textHeight = 15,
                            .min = -59,
                            .max = 67,
                            .ctrlStep = 12};
    noteCell.Create(note);
    noteCell.SetLiveTyping(LiveTyping::On);

    const DialSettings length{.baseId = newId + ParamLength,
                              .x = x + 2,
                              .y = y + 97,
                              .owner = parent,
                              .min = 0,
                              .max = 127,
                              .ctrlStep = 18,
                              .barWidth = 27,
                              .barHeight = 7,
                              .thumbWidth = 2,
                              .barAxis = BarAxis::Horizontal};
    lengthCell.Create(length);
    lengthCell.HideText();
    lengthCell.SetValue(64);
    lengthCell.HideArrows();
    built = true;
    // Created while unbuilt, the column itself could not be made showable yet.
    SetShowable(Showable::Yes);
    Show();
}

void StepColumn::SetValue(int param, int value) {
    switch (param) {
    case ParamOn: lamp.SetState(value != 0 ? ToggleState::On : ToggleState::Off); break;
    case ParamNote: noteCell.SetValue(value); break;
    case ParamLength: lengthCell.SetValue(value); break;
    default: break; // values 30, 40 and 50 have no cell
    }
}

int StepColumn::GetValue(int param) {
    switch (param) {
    case ParamOn: return lamp.GetState() ? 1 : 0;
    case ParamNote: return noteCell.GetValue();
    case ParamLength: return lengthCell.GetValue();
    default: return 0;
    }
}

MWnd* StepColumn::CellFor(int param) {
    switch (param) {
    case ParamOn: return &lamp;
    case ParamNote: return &noteCell;
    case ParamLength: return &lengthCell;
    default: return nullptr;
    }
}

void StepColumn::HandleEvent(int partId) {
    const int offset = partId - id;
    if (offset >= ParamNote && offset <= ParamNote + 5)
        noteCell.OnPartEvent(partId);
    else if (offset >= ParamLength && offset <= ParamLength + 5)
        lengthCell.OnPartEvent(partId);
}

void StepColumn::ApplySkin(COLORREF colour) {
    palette.Derive(colour);
    // The background picture: black pixels in ink, white ones in paper.
    SetColors(palette.base, palette.contrast);
    lamp.SetColors4(palette.contrastDark, palette.contrast, palette.contrastDark, palette.contrastLight);
    noteCell.SetDialColors({.arrowInk = palette.contrastDark,
                            .arrowPaper = palette.contrastLight,
                            .textInk = palette.baseLighter,
                            .textPaper = palette.base});
    lengthCell.SetDialColors({.arrowInk = palette.contrastDark,
                              .arrowPaper = palette.contrastLight,
                              .textInk = palette.baseLighter,
                              .textPaper = palette.base,
                              .barInk = palette.contrastDark,
                              .barPaper = palette.contrast,
                              .thumb = palette.baseLight});
    SetHighlighted(Highlight::Off);
    Show();
}

void StepColumn::SetSharedResources(HFONT font, HBRUSH brush) {
    noteCell.Field().UseFont(font);
    noteCell.Field().UseBrush(brush);
    lengthCell.Field().UseFont(font);
    lengthCell.Field().UseBrush(brush);
}

void StepColumn::SetHighlighted(Highlight on) {
    if (on == Highlight::On)
        numberLabel.SetColors(palette.contrast, palette.baseLighter);
    else
        numberLabel.SetColors(palette.baseLight, palette.base);
}

void StepColumn::Draw(HDC dc) {
    if (!ShouldPaint(dc)) return;
    background.DrawAt(dc, ink, paper, rect.left, rect.top);
    ExcludeOwnRect(dc);
}

void StepColumn::Show() {
    if (!built) return;
    numberLabel.Show();
    lamp.Show();
    noteCell.Show();
    lengthCell.Show();
    MWnd::Show();
}

void StepColumn::Hide() {
    if (!built) return;
    numberLabel.Hide();
    lamp.Hide();
    noteCell.Hide();
    lengthCell.Hide();
    MWnd::Hide();
}

void StepColumn::SetShowable(Showable flag) {
    if (!built) return;
    numberLabel.SetShowable(flag);
    lamp.SetShowable(flag);
    noteCell.SetShowable(flag);
    lengthCell.SetShowable(flag);
    MWnd::SetShowable(flag);
}
