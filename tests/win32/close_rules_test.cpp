// The mouse threshold and the 32-bit tick arithmetic of the close rules.
#include "win32/close_rules.h"

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

// 100 pixels at 96 DPI, in the physical pixels of the monitor's DPI.
TEST(MouseThreshold, ScalesWithTheMonitorDpi)
{
    const unsigned anDpi[][2] = {{0, 100}, {96, 100}, {120, 125}, {144, 150}, {192, 200}, {240, 250},
                                 {0xFFFFFFFFu, 0x7FFFFFFF}};
    for (const auto& d : anDpi)
        EXPECT_EQ(ScaleMouseThreshold(d[0]), static_cast<int>(d[1])) << d[0] << " DPI";
    EXPECT_FALSE(IsPastMouseThreshold(0, 0, 120, 30, 150));
    EXPECT_TRUE(IsPastMouseThreshold(0, 0, 120, 31, 150));
}

// A move whose position could not be read decides nothing, whatever the
// position buffer holds; an unknown reference is taken, never compared.
TEST(MouseMove, FailedReadsNeverCloseAndUnknownReferencesAreTaken)
{
    struct Case {
        bool bRefSet;
        int nRefX, nRefY;
        bool bRead;
        int nX, nY;
        MouseMoveAction expected;
    } cases[] = {
        {true, 500, 400, false, 5000, 5000, MOUSE_IGNORE},    // garbage far away
        {true, 500, 400, false, 500, 400, MOUSE_IGNORE},
        {false, 0, 0, false, 900, 900, MOUSE_IGNORE},
        {false, 0, 0, true, 900, 900, MOUSE_TAKE_REFERENCE},  // not a 1800-pixel move
        {false, 900, 900, true, 0, 0, MOUSE_TAKE_REFERENCE},
        {true, 500, 400, true, 560, 440, MOUSE_STAY},         // 60 + 40
        {true, 500, 400, true, 561, 440, MOUSE_CLOSE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JudgeMouseMove(c.bRefSet, c.nRefX, c.nRefY, c.bRead, c.nX, c.nY), c.expected)
            << c.bRefSet << " " << c.bRead << " " << c.nX << "," << c.nY;
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
