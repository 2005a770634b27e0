// The mouse threshold and the 32-bit tick arithmetic of the close rules.
#include "host/close_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(MouseThreshold, SumOfAbsoluteDistancesMustExceed100)
{
    EXPECT_FALSE(IsPastMouseThreshold(500, 400, 560, 440));   // 60 + 40
    EXPECT_TRUE(IsPastMouseThreshold(500, 400, 561, 440));
    EXPECT_TRUE(IsPastMouseThreshold(500, 400, 440, 359));    // -60, -41
    EXPECT_FALSE(IsPastMouseThreshold(0, 0, 0, -100));
    EXPECT_TRUE(IsPastMouseThreshold(0, 0, -101, 0));
    EXPECT_TRUE(IsPastMouseThreshold(-2147483647 - 1, 0, 2147483647, 0));  // no overflow
}

TEST(ElapsedTicks, AcrossTheWrap)
{
    EXPECT_EQ(ElapsedTicks(1000, 1199), 199u);
    EXPECT_EQ(ElapsedTicks(0xFFFFFF00u, 0xFFFFFF00u), 0u);
    EXPECT_EQ(ElapsedTicks(0xFFFFFFF0u, 0x00000010u), 0x20u);
    EXPECT_EQ(ElapsedTicks(0xFFFFFFFFu, 0u), 1u);
}

TEST(VerifyPause, RefusesOnlyWithin200msOfALastVerification)
{
    EXPECT_FALSE(IsWithinVerifyPause(kNoVerifyYet, 5));
    EXPECT_TRUE(IsWithinVerifyPause(1000, 1199));
    EXPECT_FALSE(IsWithinVerifyPause(1000, 1200));
    EXPECT_TRUE(IsWithinVerifyPause(0xFFFFFFF0u, 0x000000B0u));   // 192 ms across the wrap
    EXPECT_FALSE(IsWithinVerifyPause(0xFFFFFFF0u, 0x000000B8u));  // 200 ms
}

}  // namespace
