// Frame pacing and module cycling arithmetic.
#include "render/pacing.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(Pacing, WaitsUpTo33MsSinceTheLastPacingPointAndKeepsWholeRefreshes)
{
    EXPECT_EQ(PacingWaitUs(1000000, 1010000), 23000);
    EXPECT_EQ(PacingWaitUs(1000000, 1050000), 0);
    EXPECT_EQ(PacingWaitUs(1000000, 1033000), 0);
    EXPECT_EQ(PacingWaitUs(1000000, 1032999), 1);
    EXPECT_EQ(PacingWaitUs(1000000, 1000000), 33000);
    EXPECT_EQ(PacingWaitUs(1010000, 1000000), 23000);  // a clock that went back
    EXPECT_EQ(PacingWaitUs(0, INT64_MAX), 0);
    const int anRefreshes[][2] = {{0, 2}, {1, 2}, {30, 1}, {60, 2}, {75, 3}, {100, 4},
                                  {120, 4}, {144, 5}, {165, 6}, {240, 8}, {-5, 2}};
    for (const auto& r : anRefreshes)
        EXPECT_EQ(RefreshesPerFrame(r[0]), r[1]) << r[0] << " Hz";
}

TEST(ModuleCycling, OneActiveModuleNeverChanges)
{
    EXPECT_FALSE(IsModuleChangeDue(0, 0xF0000000u, 0, 1));
    EXPECT_FALSE(IsModuleChangeDue(0, 100000, 30, 0));
    EXPECT_TRUE(IsModuleChangeDue(0, 100000, 30, 2));
}

TEST(ModuleCycling, ChangesOnlyAfterMoreThanTheCycleTime)
{
    EXPECT_FALSE(IsModuleChangeDue(5000, 35000, 30, 3));
    EXPECT_TRUE(IsModuleChangeDue(5000, 35001, 30, 3));
}

TEST(ModuleCycling, CycleTimeZeroChangesEveryFrame)
{
    EXPECT_TRUE(IsModuleChangeDue(5000, 5001, 0, 2));
    EXPECT_TRUE(IsModuleChangeDue(5000, 5034, 0, 3));
    EXPECT_FALSE(IsModuleChangeDue(5000, 5000, 0, 3));
}

TEST(ModuleCycling, TickWrapAndLongCycleTimes)
{
    EXPECT_FALSE(IsModuleChangeDue(0xFFFFF000u, 0x00001000u, 30, 3));  // 8192 ms across the wrap
    EXPECT_TRUE(IsModuleChangeDue(0xFFFFF000u, 0x00007600u, 30, 3));   // 30208 ms
    // 5,000,000 s does not wrap into a short period in 32-bit milliseconds.
    EXPECT_FALSE(IsModuleChangeDue(0, 0xFFFFFFFFu, 5000000, 3));
    EXPECT_TRUE(IsModuleChangeDue(0, 0xFFFFFFFFu, 4294967, 3));
}

}  // namespace
