#include "panel/MeasureButtonGroup.h"

MeasureButtonGroup::MeasureButtonGroup() = default;

MeasureButtonGroup::~MeasureButtonGroup() = default;

void MeasureButtonGroup::Build(const MeasureGroupSettings& s) {
    MWnd::Create(s.id, "", s.x, s.y, 10, 10, s.parent);
    Hide();
    pictures = s.pictures;
    count = s.count < 0 ? 0 : s.count;
    buttons.clear();
    for (int i = 0; i < count; ++i) {
        const std::string number = std::to_string(i + 1);
        const std::string stem = pictures == ButtonPictures::Shared ? s.prefix : s.prefix + number;
        auto button = std::make_unique<MHighlightToggleButton>();
        button->Create(s.id + i + 1, "", s.x, s.y + 144 - 20 * i, s.parent, stem + "UP", stem + "DN");
        // No such cursor exists: the buttons show the owner's default pointer.
        button->SetCursorByName("GENCUR");
        button->SetState(ToggleState::On);
        button->SetHighlight(Highlight::Off);
        buttons.push_back(std::move(button));
    }
    RecomputeRect();
    selected = -1;
    marked = -1;
    Select(0);
    SetPlayingMark(-1);
    Show();
}

void MeasureButtonGroup::Select(int index) {
    if (InRange(selected)) buttons[selected]->SetState(ToggleState::On);
    if (InRange(index)) buttons[index]->SetState(ToggleState::Off);
    selected = index;
}

void MeasureButtonGroup::SelectById(int controlId) {
    const int index = controlId - id - 1;
    if (InRange(index)) Select(index);
}

void MeasureButtonGroup::SetPlayingMark(int index) {
    // The mark is set at every pass; a pass of the measure already marked repaints nothing.
    if (index == marked) return;
    if (InRange(marked)) {
        buttons[marked]->SetHighlight(Highlight::Off);
        buttons[marked]->Show();
    }
    if (InRange(index)) {
        buttons[index]->SetHighlight(Highlight::On);
        buttons[index]->Show();
    }
    marked = index;
}

RECT MeasureButtonGroup::ButtonRect(int index) const {
    return InRange(index) ? buttons[index]->GetRect() : RECT{};
}

void MeasureButtonGroup::MoveButton(int index, int x, int y) {
    if (!InRange(index)) return;
    buttons[index]->MoveTo(x, y);
    RecomputeRect();
}

void MeasureButtonGroup::SetGroupColors(const HighlightColors& buttonColours, COLORREF groupColour) {
    for (auto& button : buttons)
        button->SetHighlightColors(buttonColours);
    SetColors(groupColour, groupColour);
}

void MeasureButtonGroup::Show() {
    for (auto& button : buttons)
        button->Show();
    MWnd::Show();
}

void MeasureButtonGroup::Hide() {
    for (auto& button : buttons)
        button->Hide();
    MWnd::Hide();
}

void MeasureButtonGroup::RecomputeRect() {
    RECT united{};
    for (const auto& button : buttons) {
        const RECT r = button->GetRect();
        UnionRect(&united, &united, &r);
    }
    rect = united;
}
