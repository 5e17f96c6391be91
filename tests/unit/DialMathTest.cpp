#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "widgets/DialMath.h"

namespace {

TEST(ParseLeadingInt, ReadsTypedTextAsTheRuntimeDoes) {
    EXPECT_EQ(ParseLeadingInt("  12ab"), 12);
    EXPECT_EQ(ParseLeadingInt("007"), 7);
    EXPECT_EQ(ParseLeadingInt("-59"), -59);
    EXPECT_EQ(ParseLeadingInt("+5"), 5);
    EXPECT_EQ(ParseLeadingInt("\t 3 4"), 3);
    EXPECT_EQ(ParseLeadingInt(""), 0);
    EXPECT_EQ(ParseLeadingInt("  "), 0);
    EXPECT_EQ(ParseLeadingInt("letters"), 0);
    EXPECT_EQ(ParseLeadingInt("- 4"), 0);
    EXPECT_EQ(ParseLeadingInt("1.9"), 1);
}

TEST(ParseLeadingInt, SaturatesInsteadOfOverflowingOnLongInput) {
    EXPECT_EQ(ParseLeadingInt("2147483647"), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("2147483648"), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseLeadingInt("-2147483649"), INT_MIN);
    EXPECT_EQ(ParseLeadingInt(std::string(5000, '9')), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("-" + std::string(5000, '9')), INT_MIN);
}

TEST(DialText, CommitShowsTheTypedNumberClamped) {
    EXPECT_EQ(CommittedValue("  12xy", 1, 32), 12);
    EXPECT_EQ(CommittedValue("", 1, 32), 1);
    EXPECT_EQ(CommittedValue("letters", 1, 32), 1);
    EXPECT_EQ(CommittedValue("40", 1, 32), 32);
    EXPECT_EQ(CommittedValue("99999999999999999999", 1, 32), 32);
    EXPECT_EQ(CommittedValue("-99999999999999999999", -59, 67), -59);
}

TEST(DialText, LiveTypingReplacesOnlyOutOfRangeNumbers) {
    const TypedValue nine = LiveTypedValue("9", 1, 8);
    EXPECT_EQ(nine.value, 8);
    EXPECT_TRUE(nine.replaced);
    const TypedValue zero = LiveTypedValue("0", 1, 8);
    EXPECT_EQ(zero.value, 1);
    EXPECT_TRUE(zero.replaced);
    const TypedValue cleared = LiveTypedValue("", 1, 8);
    EXPECT_EQ(cleared.value, 1);
    EXPECT_TRUE(cleared.replaced);
    const TypedValue five = LiveTypedValue("05", 1, 8);
    EXPECT_EQ(five.value, 5);
    EXPECT_FALSE(five.replaced); // stays in the field as typed
    // A negative range: the minus sign alone is not yet a number.
    EXPECT_FALSE(LiveTypedValue("-", -59, 67).replaced);
}

TEST(DialStep, ControlMultipliesAndTheResultIsClamped) {
    EXPECT_EQ(SteppedValue(95, +1, true, 10, 0, 100), 100);
    EXPECT_EQ(SteppedValue(95, +1, false, 10, 0, 100), 96);
    EXPECT_EQ(SteppedValue(0, -1, true, 12, -59, 67), -12);
    EXPECT_EQ(SteppedValue(-55, -1, true, 12, -59, 67), -59);
    EXPECT_EQ(SteppedValue(3, -1, false, 1, 1, 8), 2);
    // A huge multiplier near the int limit neither wraps nor escapes the range.
    EXPECT_EQ(SteppedValue(INT_MAX - 1, +1, true, 1000000, INT_MIN, INT_MAX), INT_MAX);
    EXPECT_EQ(SteppedValue(INT_MIN + 1, -1, true, 1000000, INT_MIN, INT_MAX), INT_MIN);
}

TEST(BarValue, VerticalBarGrowsUpwardAndTruncates) {
    const BarBox bar{20, 10, 26, 145};                                      // 135 pixels high
    EXPECT_EQ(BarValueAt(bar, BarAxis::Vertical, 22, 9, 0, 100), 100);      // 1 pixel above the top
    EXPECT_EQ(BarValueAt(bar, BarAxis::Vertical, 22, 144, 0, 100), 0);      // lowest row: 1/135 x 100
    EXPECT_EQ(BarValueAt(bar, BarAxis::Vertical, 22, 10 + 67, 0, 100), 50); // 68/135 x 100 = 50.4
    EXPECT_EQ(BarValueAt(bar, BarAxis::Vertical, 22, 10, 0, 100), 100);
    EXPECT_EQ(BarValueAt(bar, BarAxis::Vertical, 22, 146, 0, 100), 0);
    EXPECT_EQ(BarValueAt(bar, BarAxis::Vertical, -500, 77, 0, 100), 50); // x plays no part
}

TEST(BarValue, HorizontalBarTruncatesTheWholeSumTowardZero) {
    const BarBox bar{40, 0, 67, 7};                                          // 27 pixels wide
    EXPECT_EQ(BarValueAt(bar, BarAxis::Horizontal, 40 + 13, 3, -59, 67), 1); // -59 + 13/27 x 126 = 1.67
    EXPECT_EQ(BarValueAt(bar, BarAxis::Horizontal, 41, 3, -59, 67), -54);    // -54.33, toward zero
    EXPECT_EQ(BarValueAt(bar, BarAxis::Horizontal, 39, 3, -59, 67), -59);
    EXPECT_EQ(BarValueAt(bar, BarAxis::Horizontal, 68, 3, -59, 67), 67);
    EXPECT_EQ(BarValueAt(bar, BarAxis::Horizontal, 67, 3, -59, 67), 67);
}

TEST(BarValue, ZeroSizedBarGivesItsMinimum) {
    const BarBox flat{5, 5, 5, 5};
    EXPECT_EQ(BarValueAt(flat, BarAxis::Horizontal, 5, 5, 3, 9), 3);
    EXPECT_EQ(BarValueAt(flat, BarAxis::Vertical, 5, 5, 3, 9), 3);
}

TEST(BarLayout, HorizontalFillAndThumbStayInsideTheBar) {
    const BarBox bar{100, 50, 127, 57};
    const BarAreas half = LayOutBar(bar, BarAxis::Horizontal, 50, 0, 100, 2);
    EXPECT_EQ(half.ink.left, 100);
    EXPECT_EQ(half.ink.right, 113); // 0.5 x 27 = 13.5, truncated
    EXPECT_EQ(half.paper.left, 113);
    EXPECT_EQ(half.paper.right, 127);
    EXPECT_EQ(half.thumb.left, 112);
    EXPECT_EQ(half.thumb.right, 114);
    // At the ends the thumb is cut to the bar instead of painting past it.
    const BarAreas empty = LayOutBar(bar, BarAxis::Horizontal, 0, 0, 100, 2);
    EXPECT_TRUE(empty.ink.Empty());
    EXPECT_EQ(empty.thumb.left, 100);
    EXPECT_EQ(empty.thumb.right, 101);
    const BarAreas full = LayOutBar(bar, BarAxis::Horizontal, 100, 0, 100, 2);
    EXPECT_TRUE(full.paper.Empty());
    EXPECT_EQ(full.thumb.right, 127);
}

TEST(BarLayout, VerticalLevelLineCountsFromTheBottom) {
    const BarBox bar{0, 1, 6, 81};                                       // 80 high
    const BarAreas a = LayOutBar(bar, BarAxis::Vertical, 4, -59, 67, 2); // 63/126 x 80 = 40
    EXPECT_EQ(a.paper.top, 1);
    EXPECT_EQ(a.paper.bottom, 41);
    EXPECT_EQ(a.ink.top, 41);
    EXPECT_EQ(a.ink.bottom, 81);
    EXPECT_EQ(a.thumb.top, 40);
    EXPECT_EQ(a.thumb.bottom, 42);
    EXPECT_EQ(a.thumb.left, 0);
    EXPECT_EQ(a.thumb.right, 6);
}

TEST(BarLayout, EmptyRangeAndOutOfRangeValuesStayInsideTheBar) {
    const BarBox bar{0, 0, 27, 7};
    EXPECT_EQ(BarFillLength(5, 5, 5, 27), 0);
    EXPECT_EQ(BarFillLength(500, 0, 127, 27), 27);
    EXPECT_EQ(BarFillLength(-3, 0, 127, 27), 0);
    const BarAreas flat = LayOutBar(bar, BarAxis::Horizontal, 5, 5, 5, 0);
    EXPECT_TRUE(flat.ink.Empty());
    EXPECT_TRUE(flat.thumb.Empty());
    EXPECT_EQ(flat.paper.right - flat.paper.left, 27);
}

} // namespace
