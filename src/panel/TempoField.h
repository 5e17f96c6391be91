#pragma once
// The panel's tempo read-out and editor: an up arrow, a down arrow and a text field. It holds the
// tempo in beats per minute as a double and shows it in beats per minute or as samples per
// measure. Arrows step by a semitone's ratio (an octave's with Control held); typed text is taken
// when the field loses the focus, in the unit shown, and the number typed stays in the field as
// typed: the user sees what they entered, in the unit they entered it in, rather than the same
// tempo converted back and rounded. The dial's own integer value plays no part.
#include <string>

#include "panel/PanelView.h"
#include "panel/TempoMath.h"
#include "widgets/MDial.h"

// The panel's tempo field on owner: id 1005 (arrows 1006 and 1007, field 1008) at (9, 91), the
// down arrow 9 below the up one, the field (7, 3) from the origin, 53 x 13.
DialSettings PanelTempoSettings(HWND owner);

class TempoField : public MDial {
public:
    TempoField();
    ~TempoField() override;

    // Creates the dial with the given settings (the panel's are PanelTempoSettings), then the
    // default tempo, beats-per-minute unit, Refresh. Every tempo the user gives the field from
    // then on goes to tempoInput (not owned), and only those: SetBpm and SetUnit tell nobody.
    void Create(const DialSettings& settings, TempoInput& tempoInput);

    // Typed text is taken only when committed.
    void SetFromText(const std::string& text) override;
    // Takes the field's number when it differs from the one shown; text that is not a number
    // puts the shown value back.
    void CommitText() override;
    // Hands the committed tempo to the input, after the owner's undo point.
    void CommitHeard() override;
    // +1 up, -1 down; hands the new tempo to the input.
    void Step(int direction) override;

    // Writes the tempo into the field in the present unit.
    void Refresh();
    double Bpm() const { return bpm; }
    // A tempo already held to the range, as the document keeps it.
    void SetBpm(double value);
    void SetUnit(tempo::TempoUnit newUnit);
    tempo::TempoUnit Unit() const { return unit; }
    const std::string& ShownText() const { return shownText; }

private:
    void HandOn();

    TempoInput* input = nullptr;
    double bpm = tempo::kDefaultBpm;
    double shownValue = 0.0;
    std::string shownText;
    tempo::TempoUnit unit = tempo::TempoUnit::BeatsPerMinute;
};
