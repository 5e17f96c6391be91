// The tempo field's arithmetic: what the field shows in each unit, the arrows' steps and the range
// they keep to, and what committing typed text does, including text that is no usable tempo.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "panel/TempoMath.h"

using namespace tempo;

namespace {

constexpr TempoUnit kBpm = TempoUnit::BeatsPerMinute;
constexpr TempoUnit kSamples = TempoUnit::SamplesPerMeasure;

std::string Shown(double bpm, TempoUnit unit) { return FormatShown(ShownValue(bpm, unit)); }

// The number a field stands for after showing a tempo, as the field reads its own text back.
double ShownNumber(double bpm, TempoUnit unit) { return ParseShown(Shown(bpm, unit)).value; }

TEST(TempoFormat, WholeSinglePrecisionValuesShowNoFraction) {
    EXPECT_EQ(Shown(126.0, kBpm), "126");
    EXPECT_EQ(Shown(126.0, kSamples), "42000");
    EXPECT_EQ(Shown(133.4923498892712, kBpm), "133.492");
    EXPECT_EQ(Shown(0.5, kBpm), "0.500");
    EXPECT_EQ(Shown(kMaxBpm, kBpm), "10000000");
    EXPECT_EQ(Shown(kMaxBpm, kSamples), "0.529");
    EXPECT_EQ(Shown(kMinBpm, kSamples), "10584000");
    // Just below 126 in double precision, but whole once taken in single precision.
    EXPECT_EQ(FormatShown(125.99999999999999), "126");
}

TEST(TempoFormat, NeverShowsInfinityOrNotANumber) {
    EXPECT_EQ(FormatShown(std::numeric_limits<double>::infinity()), "0");
    EXPECT_EQ(FormatShown(std::numeric_limits<double>::quiet_NaN()), "0");
    EXPECT_EQ(FormatShown(1e300), "0"); // beyond single precision
}

TEST(TempoStep, SemitoneUpAndDownComesBackToTheSameText) {
    const double up = Stepped(126.0, +1, false);
    EXPECT_DOUBLE_EQ(up, 133.4923498892712);
    EXPECT_EQ(Shown(up, kBpm), "133.492");
    const double down = Stepped(up, -1, false);
    EXPECT_EQ(Shown(down, kBpm), "126");
    EXPECT_EQ(Stepped(126.0, 0, true), 126.0);
}

TEST(TempoStep, ControlStepsAnOctaveAndTheArrowsKeepToTheRange) {
    EXPECT_EQ(Stepped(126.0, +1, true), 252.0);
    EXPECT_EQ(Stepped(126.0, -1, true), 63.0);
    EXPECT_EQ(Stepped(0.52, -1, false), 0.5);
    EXPECT_EQ(Stepped(0.5, -1, true), 0.5);
    EXPECT_EQ(Stepped(6000000.0, +1, true), kMaxBpm);
    EXPECT_EQ(Stepped(kMaxBpm, +1, false), kMaxBpm);
}

TEST(TempoHold, EveryTempoEndsInTheArrowsRange) {
    EXPECT_EQ(HoldTempo(0.0), kMinBpm);
    EXPECT_EQ(HoldTempo(-126.0), kMinBpm);
    EXPECT_EQ(HoldTempo(-std::numeric_limits<double>::infinity()), kMinBpm);
    EXPECT_EQ(HoldTempo(std::numeric_limits<double>::infinity()), kMaxBpm);
    EXPECT_EQ(HoldTempo(std::numeric_limits<double>::quiet_NaN()), kDefaultBpm);
    EXPECT_EQ(HoldTempo(1e300), kMaxBpm);
    EXPECT_EQ(HoldTempo(0.5), 0.5);
    EXPECT_EQ(HoldTempo(133.4923498892712), 133.4923498892712);
}

TEST(TempoParse, ReadsTheLeadingNumberAsTheRuntimeDoes) {
    EXPECT_EQ(ParseShown("133.492").value, 133.492f);
    EXPECT_EQ(ParseShown("  42000 samples").value, 42000.0f);
    EXPECT_EQ(ParseShown("+7").value, 7.0f);
    EXPECT_EQ(ParseShown("-3.5").value, -3.5f);
    EXPECT_EQ(ParseShown("1e3").value, 1000.0f);
    EXPECT_EQ(ParseShown(".5").value, 0.5f);
    EXPECT_TRUE(ParseShown("0").valid);
    for (const char* refused :
         {"", "   ", "abc", "nan", "inf", "-inf", "infinity", "+-1", "- 4", ".", "1e99"}) {
        const ParsedNumber parsed = ParseShown(refused);
        EXPECT_FALSE(parsed.valid) << refused;
        EXPECT_EQ(parsed.value, 0.0f) << refused;
    }
}

TEST(TempoCommit, TypedSamplesBecomeTheTempoAndTheUnchangedTextChangesNothing) {
    const double shown = ShownNumber(126.0, kSamples);
    ASSERT_EQ(shown, 42000.0);

    const Commit typed = CommitText("21000", shown, 126.0, kSamples);
    EXPECT_TRUE(typed.taken);
    EXPECT_FALSE(typed.rewrite); // the typed text stays until the next refresh
    EXPECT_EQ(typed.bpm, 252.0);
    EXPECT_EQ(typed.shownValue, 21000.0);
    // Compared in the unit shown: 252 samples after 252 beats per minute is a change.
    EXPECT_EQ(CommitText("252", typed.shownValue, typed.bpm, kSamples).bpm, 21000.0);

    const Commit same = CommitText("42000", shown, 126.0, kSamples);
    EXPECT_FALSE(same.taken);
    EXPECT_FALSE(same.rewrite);
    EXPECT_EQ(same.bpm, 126.0);
    // The same number written differently is no change either.
    EXPECT_FALSE(CommitText(" 042000.0", shown, 126.0, kSamples).taken);
}

TEST(TempoCommit, UnchangedFractionalTextKeepsTheUnroundedTempo) {
    const double bpm = Stepped(126.0, +1, false);
    const Commit same = CommitText(Shown(bpm, kBpm), ShownNumber(bpm, kBpm), bpm, kBpm);
    EXPECT_FALSE(same.taken);
    EXPECT_EQ(same.bpm, bpm);
}

TEST(TempoCommit, ZeroAndNegativeNumbersAreHeldAndShownAgain) {
    struct Case {
        const char* text;
        TempoUnit unit;
        double bpm;
    };
    const Case cases[] = {
        {"0", kBpm, kMinBpm},
        {"-20", kBpm, kMinBpm},
        {"20000000", kBpm, kMaxBpm},
        {"0", kSamples, kMaxBpm},
        {"-42000", kSamples, kMinBpm},
        {"0.01", kSamples, kMaxBpm},
        {"99999999", kSamples, kMinBpm},
    };
    for (const Case& c : cases) {
        const Commit commit = CommitText(c.text, ShownNumber(126.0, c.unit), 126.0, c.unit);
        EXPECT_TRUE(commit.taken) << c.text;
        EXPECT_TRUE(commit.rewrite) << c.text;
        EXPECT_EQ(commit.bpm, c.bpm) << c.text;
        EXPECT_TRUE(std::isfinite(ShownValue(commit.bpm, c.unit))) << c.text;
    }
}

TEST(TempoCommit, TextThatIsNoNumberIsRefusedAndTheFieldGivenBack) {
    for (const char* text : {"abc", "nan", "inf", "", "-"}) {
        for (const TempoUnit unit : {kBpm, kSamples}) {
            const Commit commit = CommitText(text, ShownNumber(126.0, unit), 126.0, unit);
            EXPECT_FALSE(commit.taken) << text;
            EXPECT_TRUE(commit.rewrite) << text;
            EXPECT_EQ(commit.bpm, 126.0) << text;
        }
    }
}

} // namespace
