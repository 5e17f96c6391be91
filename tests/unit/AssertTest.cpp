// The project's assertion: live in every build, the Windows test builds' NDEBUG included.
#include <gtest/gtest.h>

#include "common/Assert.h"

namespace {

TEST(Assertion, AFailureNamesItsPlaceAndStops) {
    KB_ASSERT(1 + 1 == 2);
    EXPECT_DEATH(KB_ASSERT(1 + 1 == 3), "AssertTest.cpp:.*: assertion failed: 1 . 1 == 3");
}

} // namespace
