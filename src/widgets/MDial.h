#pragma once
// The numeric control used for every value on the panel: an up arrow, a down arrow, a text field
// showing the value and a bar, any of which may be left out. The parts are widgets (and one child
// window) of the same owner and report their own ids (base id + 1 up, + 2 down, + 3 text field,
// + 4 bar); the owner hands part events back with OnPartEvent and reads the value with GetValue.
#include "widgets/MBar.h"
#include "widgets/MBmpButton.h"
#include "widgets/TextField.h"

class MDial;

// Everything a dial is made from. All offsets are from the origin.
struct DialSettings {
    int baseId = 0;
    int x = 0, y = 0;
    std::string upPrefix{}; // images prefix + "UP" and + "DN"; empty: arrows are never shown
    int upDx = 0, upDy = 0;
    std::string downPrefix{};
    int downDx = 0, downDy = 0;
    HWND owner = nullptr;
    int textDx = 0, textDy = 0, textWidth = 0, textHeight = 0; // 0 x 0: no text shown
    int min = 0;
    int max = 0;
    int ctrlStep = 1; // an arrow step is multiplied by this while Control is held
    int barDx = 0, barDy = 0, barWidth = 0, barHeight = 0; // 0 x 0: no bar
    int thumbWidth = 0;
    BarAxis barAxis = BarAxis::Vertical;
};

// A dial's colours, part by part; the body shows as the text paper.
struct DialColors {
    COLORREF arrowInk = 0;
    COLORREF arrowPaper = 0;
    COLORREF textInk = 0;
    COLORREF textPaper = 0;
    COLORREF barInk = 0;
    COLORREF barPaper = 0;
    COLORREF thumb = 0;
};

// Live typing: a number typed out of range is replaced by the limit at once.
enum class LiveTyping { Off, On };
enum class DialBody { Transparent, Opaque };

// The dial's arrow: a picture button that also lets the dial finish a step on release.
class DialArrow : public MBmpButton {
public:
    explicit DialArrow(MDial& parentDial) : dial(parentDial) {}
    int MouseEvent(int type, int x, int y) override;

private:
    MDial& dial;
};

// The dial's text field: typed text goes to the dial, and the owner hears of commits.
class DialTextField : public TextField {
public:
    explicit DialTextField(MDial& parentDial) : dial(parentDial) {}

    bool IsLiveTyping() const { return liveTyping; }
    void SetLiveTyping(LiveTyping flag) { liveTyping = flag == LiveTyping::On; }
    bool IsChangePending() const { return changePending; }

protected:
    void OnTextChanged() override;
    void OnFocusLost() override;
    void OnLeftButtonDown() override;
    void OnRightButtonDown() override;

private:
    void Notify(int type) const;

    MDial& dial;
    bool liveTyping = true;
    bool changePending = false;
};

class MDial : public MWnd {
public:
    MDial();
    ~MDial() override;

    using MWnd::Create;
    void Create(const DialSettings& settings);

    void Draw(HDC dc) override;
    void Show() override;
    void Hide() override;
    void SetShowable(Showable flag) override;
    bool PaintsItsRect() const override { return !transparent; }
    // Text typed while live typing is on: out-of-range numbers are replaced by the limit at once.
    virtual void SetFromText(const std::string& text);
    // The field's text taken as the value when the field loses the focus, clamped.
    virtual void CommitText();
    // After the owner has heard of committed typed text (WidgetEvent::ValueCommitted): a dial that
    // hands its value on by itself does it here, so that whatever the owner does first comes first.
    virtual void CommitHeard() {}
    // One arrow step (times ctrlStep with Control held), clamped. The field shows the new value
    // once the left button is up.
    virtual void Step(int delta);

    // Clamps, stores, moves the bar and writes the value into the field as the program's text.
    void SetValue(int v);
    // As SetValue, leaving the field's text alone.
    void SetValueQuiet(int v);
    // The number the field shows (unclamped): the value is whatever the field holds.
    int GetValue();
    void OnPartEvent(int partId);
    void SetTransparent(DialBody body);
    void SetLiveTyping(LiveTyping flag);
    void SetDialColors(const DialColors& colors);
    // Hide the field or the arrows for good: later Show calls and recolouring leave them hidden.
    void HideText();
    void HideArrows();
    // Shows a step that waited for the button to go up, once it is up.
    void ApplyPendingStep();

    int Min() const { return min; }
    int Max() const { return max; }
    int CtrlStep() const { return ctrlStep; }
    bool IsTransparent() const { return transparent; }
    bool IsLiveTyping() const { return liveTyping; }
    MBmpButton& UpArrow() { return upArrow; }
    MBmpButton& DownArrow() { return downArrow; }
    DialTextField& Field() { return textField; }
    MBar& Bar() { return bar; }

protected:
    void CreateArrows(const DialSettings& s);
    void CreateBar(const DialSettings& s);
    void CreateTextField(const DialSettings& s);

    int baseId = 0;
    DialArrow upArrow;
    DialArrow downArrow;
    DialTextField textField;
    MBar bar;
    int value = 0;
    int min = 0;
    int max = 0;
    int ctrlStep = 1;
    bool transparent = false;
    bool liveTyping = false;
    bool created = false;
    bool arrowsShown = false;
    bool barShown = false;
    bool textShown = false;
    bool stepPending = false;
    int pendingValue = 0;
};
