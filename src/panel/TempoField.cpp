#include "panel/TempoField.h"

#include "common/Assert.h"
#include "panel/ControlIds.h"
#include "widgets/WidgetInput.h"

DialSettings PanelTempoSettings(HWND owner) {
    const DialSettings s{.baseId = control::kTempo,
                         .x = 9,
                         .y = 91,
                         .upPrefix = "UPARROW",
                         .downPrefix = "DNARROW",
                         .downDy = 9,
                         .owner = owner,
                         .textDx = 7,
                         .textDy = 3,
                         .textWidth = 53,
                         .textHeight = 13,
                         .min = 0,
                         .max = 1000000,
                         .ctrlStep = 10};
    return s;
}

TempoField::TempoField() = default;

TempoField::~TempoField() = default;

void TempoField::Create(const DialSettings& settings, TempoInput& tempoInput) {
    MDial::Create(settings);
    input = &tempoInput;
    bpm = tempo::kDefaultBpm;
    unit = tempo::TempoUnit::BeatsPerMinute;
    Refresh();
}

void TempoField::SetFromText(const std::string&) {}

void TempoField::CommitText() {
    const tempo::Commit commit = tempo::CommitText(textField.GetText(), shownValue, bpm, unit);
    bpm = commit.bpm;
    shownValue = commit.shownValue;
    // A taken number stays as typed until the next Refresh (see the class comment); refused or
    // held text gives way to the tempo actually in force.
    if (commit.rewrite) Refresh();
}

void TempoField::CommitHeard() { HandOn(); }

void TempoField::Step(int direction) {
    bpm = tempo::Stepped(bpm, direction, CurrentWidgetInput().ControlHeld());
    Refresh();
    HandOn();
}

void TempoField::HandOn() {
    KB_ASSERT(input != nullptr && tempo::IsHeld(bpm));
    input->TempoEntered(bpm);
}

void TempoField::Refresh() {
    shownText = tempo::FormatShown(tempo::ShownValue(bpm, unit));
    textField.SetText(shownText);
    // What the field holds, read back as a typed number would be, so an unchanged commit matches.
    shownValue = tempo::ParseShown(textField.GetText()).value;
}

void TempoField::SetBpm(double newBpm) {
    KB_ASSERT(tempo::IsHeld(newBpm));
    bpm = newBpm;
    Refresh();
}

void TempoField::SetUnit(tempo::TempoUnit newUnit) {
    unit = newUnit;
    Refresh();
}
