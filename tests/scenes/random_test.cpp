// The generator's range and sequence match the Windows runtime's rand.
#include "scenes/random.h"

#include <gtest/gtest.h>

namespace {

TEST(Random, MatchesTheRuntimeSequenceForSeedOne)
{
    // The first values msvcrt's rand gives after srand(1).
    SeedRandom(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int n : expected)
        EXPECT_EQ(NextRandom(), n);
}

TEST(Random, StaysIn15BitsAndUnitValuesInMinusOneToOne)
{
    SeedRandom(0xDEADBEEFu);
    int nMin = kRandomMax, nMax = 0;
    for (int i = 0; i < 100000; ++i) {
        int g = NextRandom();
        nMin = g < nMin ? g : nMin;
        nMax = g > nMax ? g : nMax;
    }
    EXPECT_EQ(nMin, 0);
    EXPECT_EQ(nMax, kRandomMax);
    for (int i = 0; i < 1000; ++i) {
        float r = NextRandomUnit();
        EXPECT_GE(r, -1.0f);
        EXPECT_LT(r, 1.0f);
    }
}

TEST(Random, SameSeedSameSequence)
{
    SeedRandom(12345);
    float a = NextRandomUnit(), b = NextRandomUnit();
    SeedRandom(12345);
    EXPECT_EQ(NextRandomUnit(), a);
    EXPECT_EQ(NextRandomUnit(), b);
}

}  // namespace
