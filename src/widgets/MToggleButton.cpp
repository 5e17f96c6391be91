#include "widgets/MToggleButton.h"

#include "widgets/WidgetEvents.h"
#include "widgets/WidgetRegistry.h"

MToggleButton::MToggleButton() { className = "MToggleButton"; }

MToggleButton::~MToggleButton() = default;

void MToggleButton::Draw(HDC dc) {
    if (!ShouldPaint(dc)) return;
    if (LooksDown())
        DrawLook(dc, ButtonLook::Down, pressedInk, pressedPaper);
    else
        DrawLook(dc, ButtonLook::Up, ink, paper);
    ExcludeOwnRect(dc);
}

int MToggleButton::HitEvent(int type, int x, int y) {
    if (type != WidgetEvent::Up || !pressed || !HitTest(x, y)) return MButton::HitEvent(type, x, y);
    // The state flips before the owner hears of the click, so the owner reads the new state.
    pressed = 0;
    state = !state;
    Show();
    SetCapturedWidget(nullptr);
    return HitResult::Clicked;
}

void MToggleButton::SetState(ToggleState flag) {
    state = flag == ToggleState::On;
    Show();
}

MHighlightToggleButton::MHighlightToggleButton()
    : altUpInk(GetSysColor(COLOR_BTNFACE)), altUpPaper(GetSysColor(COLOR_HIGHLIGHT)),
      altDownInk(GetSysColor(COLOR_BTNFACE)), altDownPaper(GetSysColor(COLOR_HIGHLIGHT)) {}

void MHighlightToggleButton::Draw(HDC dc) {
    if (!highlight) {
        MToggleButton::Draw(dc);
        return;
    }
    if (!ShouldPaint(dc)) return;
    if (LooksDown())
        DrawLook(dc, ButtonLook::Down, altDownInk, altDownPaper);
    else
        DrawLook(dc, ButtonLook::Up, altUpInk, altUpPaper);
    ExcludeOwnRect(dc);
}

void MHighlightToggleButton::SetHighlightColors(const HighlightColors& c) {
    altUpInk = c.altUpInk;
    altUpPaper = c.altUpPaper;
    altDownInk = c.altDownInk;
    altDownPaper = c.altDownPaper;
    SetColors4(c.ink, c.paper, c.pressedInk, c.pressedPaper);
}
