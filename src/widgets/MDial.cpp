#include "widgets/MDial.h"

#include <cstdint>
#include <cstdio>

#include "widgets/DialMath.h"
#include "widgets/WidgetEvents.h"
#include "widgets/WidgetInput.h"
#include "widgets/WidgetRegistry.h"

int DialArrow::MouseEvent(int type, int x, int y) {
    const int result = MBmpButton::MouseEvent(type, x, y);
    dial.ApplyPendingStep();
    return result;
}

void DialTextField::Notify(int type) const { NotifyWidgetOwner(GetOwner(), type, 0, 0, GetId()); }

void DialTextField::OnTextChanged() {
    // Writes by the program leave the modified flag clear and are not the user's typing.
    if (!IsModified()) return;
    if (liveTyping) {
        dial.SetFromText(GetText());
        Notify(WidgetEvent::ValueCommitted);
    } else {
        changePending = true;
    }
}

void DialTextField::OnFocusLost() {
    TextField::OnFocusLost();
    dial.CommitText();
    Notify(WidgetEvent::Refresh);
    if (!liveTyping && changePending) {
        Notify(WidgetEvent::ValueCommitted);
        changePending = false;
        dial.CommitHeard();
    }
}

void DialTextField::OnLeftButtonDown() { Notify(WidgetEvent::EditLeftDown); }

void DialTextField::OnRightButtonDown() { Notify(WidgetEvent::EditRightDown); }

MDial::MDial() : upArrow(*this), downArrow(*this), textField(*this) {} // class name "MWnd"

MDial::~MDial() = default;

void MDial::Create(const DialSettings& s) {
    // Creation order is registration order: the body first, so its parts paint over it.
    baseId = s.baseId;
    owner = s.owner;
    min = s.min;
    max = s.max;
    ctrlStep = s.ctrlStep;
    MWnd::Create(baseId, "dial", s.x, s.y, 0, 0, s.owner);
    CreateArrows(s);
    CreateBar(s);
    CreateTextField(s);
    RECT united{};
    const RECT up = upArrow.GetRect(), down = downArrow.GetRect(), field = textField.GetRect();
    UnionRect(&united, &up, &down);
    UnionRect(&united, &united, &field);
    rect = united;
    // Half the span, not the midpoint; owners set the real start value right after.
    SetValue(static_cast<int>((int64_t{max} - min) / 2));
    transparent = true;
    liveTyping = false;
    created = true;
    SetShowable(Showable::Yes);
    Show();
}

void MDial::CreateArrows(const DialSettings& s) {
    upArrow.Create(baseId + 1, "up", s.x + s.upDx, s.y + s.upDy, s.owner, s.upPrefix + "UP",
                   s.upPrefix + "DN");
    upArrow.SetCursorByName("UPCUR");
    downArrow.Create(baseId + 2, "dn", s.x + s.downDx, s.y + s.downDy, s.owner, s.downPrefix + "UP",
                     s.downPrefix + "DN");
    downArrow.SetCursorByName("DNCUR");
    arrowsShown = !s.upPrefix.empty();
}

void MDial::CreateBar(const DialSettings& s) {
    bar.Create({.id = baseId + 4,
                .text = "bar",
                .x = s.x + s.barDx,
                .y = s.y + s.barDy,
                .width = s.barWidth,
                .height = s.barHeight,
                .owner = s.owner,
                .axis = s.barAxis});
    bar.SetRange(min, max);
    bar.SetThumbWidth(s.thumbWidth);
    bar.SetCursorByName(s.barAxis == BarAxis::Horizontal ? "BARHCUR" : "BARVCUR");
    barShown = !(s.barWidth == 0 && s.barHeight == 0);
}

void MDial::CreateTextField(const DialSettings& s) {
    textField.Create({.id = baseId + 3,
                      .owner = s.owner,
                      .x = s.x + s.textDx,
                      .y = s.y + s.textDy,
                      .width = s.textWidth,
                      .height = s.textHeight,
                      .alignment = TextAlign::Center});
    textShown = !(s.textWidth == 0 && s.textHeight == 0);
}

void MDial::Draw(HDC dc) {
    if (transparent) return;
    MWnd::Draw(dc);
}

void MDial::Show() {
    if (created) {
        if (arrowsShown) {
            upArrow.Show();
            downArrow.Show();
        }
        if (barShown) bar.Show();
        // The field is a window of its own: it follows the dial's showable flag here.
        if (textShown && showable) textField.ShowField();
    }
    MWnd::Show();
}

void MDial::Hide() {
    MWnd::Hide();
    if (!created) return;
    if (arrowsShown) {
        upArrow.Hide();
        downArrow.Hide();
    }
    if (barShown) bar.Hide();
    if (textShown && showable) textField.HideField();
}

void MDial::SetShowable(Showable flag) {
    MWnd::SetShowable(flag);
    if (!created) return;
    upArrow.SetShowable(flag);
    downArrow.SetShowable(flag);
    bar.SetShowable(flag);
    textField.SetRedraw(flag == Showable::Yes);
}

void MDial::SetValue(int v) {
    SetValueQuiet(v);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", value);
    textField.SetText(digits);
}

void MDial::SetValueQuiet(int v) {
    value = ClampToRange(v, min, max);
    bar.SetValue(value);
}

int MDial::GetValue() {
    value = ParseLeadingInt(textField.GetText());
    return value;
}

void MDial::OnPartEvent(int partId) {
    if (partId == baseId + 1)
        Step(+1);
    else if (partId == baseId + 2)
        Step(-1);
    else if (partId == baseId + 4)
        SetValue(bar.GetValue());
}

void MDial::Step(int delta) {
    WidgetInput& input = CurrentWidgetInput();
    value = SteppedValue(value, delta, input.ControlHeld(), ctrlStep, min, max);
    if (input.LeftButtonHeld()) {
        // The step shows once the button is up: the arrows apply it on their next mouse event
        // instead of the user-interface thread waiting here for the release.
        pendingValue = value;
        stepPending = true;
        return;
    }
    stepPending = false;
    SetValue(value);
}

void MDial::ApplyPendingStep() {
    if (!stepPending || CurrentWidgetInput().LeftButtonHeld()) return;
    stepPending = false;
    SetValue(pendingValue);
}

void MDial::SetFromText(const std::string& typedText) {
    if (!liveTyping) return;
    const TypedValue typed = LiveTypedValue(typedText, min, max);
    if (typed.replaced) SetValue(typed.value);
    SetValueQuiet(typed.value);
}

void MDial::CommitText() { SetValue(CommittedValue(textField.GetText(), min, max)); }

void MDial::SetTransparent(DialBody body) {
    transparent = body == DialBody::Transparent;
    const bool wasVisible = visible;
    Hide();
    if (wasVisible) Show();
}

void MDial::SetLiveTyping(LiveTyping flag) {
    liveTyping = flag == LiveTyping::On;
    textField.SetLiveTyping(flag);
}

void MDial::SetDialColors(const DialColors& c) {
    // Nothing repaints part by part; the whole dial shows once at the end.
    SetShowable(Showable::No);
    // A body that is not transparent shows as a plain rectangle, its caption invisible.
    ink = c.textPaper;
    paper = c.textPaper;
    upArrow.SetColors(c.arrowInk, c.arrowPaper);
    downArrow.SetColors(c.arrowInk, c.arrowPaper);
    textField.SetColors(c.textInk, c.textPaper);
    bar.SetColors3(c.barInk, c.barPaper, c.thumb);
    SetShowable(Showable::Yes);
    if (visible) Show();
}

void MDial::HideText() {
    textShown = false;
    textField.HideField();
}

void MDial::HideArrows() {
    arrowsShown = false;
    upArrow.Hide();
    downArrow.Hide();
}
