// The leap state machine of the ring module and the animation-angle wrap,
// frame by frame as the renderers step them.
#include <gtest/gtest.h>

#include "scenes/module_motion.h"
#include "scenes/random.h"

TEST(AngleWrap, TakesBackOnlyAboveTheWrapValue)
{
    EXPECT_EQ(WrapAnimationAngle(5000000.5f), 0.5f);
    EXPECT_EQ(WrapAnimationAngle(5000000.0f), 5000000.0f);
    EXPECT_EQ(WrapAnimationAngle(1234.25f), 1234.25f);
}

TEST(RingLeap, PauseLastsTwentyOneFramesAtFullRate)
{
    RingLeap leap = {false, 0.0f, 0.0f, 0};
    for (int nFrame = 1; nFrame <= 20; ++nFrame) {
        StepRingLeap(leap, 1.0f);
        ASSERT_FALSE(leap.bFlipping) << "frame " << nFrame;
        EXPECT_EQ(leap.fPauseTimer, 5.0f * nFrame);
    }
    StepRingLeap(leap, 1.0f);
    EXPECT_TRUE(leap.bFlipping);
    EXPECT_EQ(leap.fPauseTimer, 0.0f);
    EXPECT_EQ(leap.fFlipAngle, 0.0f);  // drawn from the next frame on
}

TEST(RingLeap, FlipRisesSteadilyThenEasesToTheEnd)
{
    RingLeap leap = {true, 0.0f, 0.0f, 1};
    int nSteady = 0;
    while (leap.fFlipAngle <= 176.0f) {
        const float fBefore = leap.fFlipAngle;
        StepRingLeap(leap, 1.0f);
        ASSERT_EQ(leap.fFlipAngle, fBefore + 0.5f);
        ++nSteady;
    }
    EXPECT_EQ(nSteady, 353);  // 176.5 is the first value past 176
    int nEase = 0;
    while (leap.bFlipping) {
        const float fBefore = leap.fFlipAngle;
        StepRingLeap(leap, 1.0f);
        ++nEase;
        ASSERT_LT(nEase, 100);
        if (leap.bFlipping) {
            EXPECT_NEAR(leap.fFlipAngle - fBefore, 0.1f * (181.0f - fBefore), 1e-4f);
            EXPECT_LT(leap.fFlipAngle, 180.0f);
        }
    }
    EXPECT_GT(nEase, 1);
    EXPECT_EQ(leap.fFlipAngle, 0.0f);  // snaps back when it reaches 180
    EXPECT_EQ(leap.fPauseTimer, 0.0f);
    EXPECT_EQ(leap.nGroupBase, 1);     // the group changes only when a leap starts
}

TEST(RingLeap, HalfRateDoublesThePause)
{
    RingLeap leap = {false, 0.0f, 0.0f, 0};
    int nFrames = 0;
    while (!leap.bFlipping) {
        StepRingLeap(leap, RingRate(false, 1.0f));
        ++nFrames;
    }
    EXPECT_EQ(nFrames, 41);  // 2.5 per frame passes 100 on the 41st
    EXPECT_EQ(RingRate(true, 1.0f), 1.0f);
}

// Whatever the seed, the group alternates: the first leap from group base 0
// is made by the odd symbols, the next by the even ones.
TEST(RingLeap, GroupsAlternateStartingWithTheOddSymbols)
{
    for (uint32_t nSeed : {1u, 7u, 42u, 1700000000u}) {
        SeedRandom(nSeed);
        RingLeap leap = {false, 0.0f, 0.0f, 0};
        for (int nLeap = 0; nLeap < 4; ++nLeap) {
            while (!leap.bFlipping)
                StepRingLeap(leap, 1.0f);
            const int nExpected = nLeap % 2 == 0 ? 1 : 0;
            for (int i = 0; i < 8; ++i)
                EXPECT_EQ(IsLeapingSymbol(leap, i), i % 2 == nExpected) << "leap " << nLeap << " symbol " << i;
            while (leap.bFlipping)
                StepRingLeap(leap, 1.0f);
        }
    }
}

TEST(RingLeap, RadiusDipsFromEightToSixAndAHalf)
{
    EXPECT_EQ(LeapRadius(0.0f), 8.0f);
    EXPECT_EQ(LeapRadius(90.0f), 6.5f);
    EXPECT_EQ(LeapRadius(180.0f), 8.0f);
    EXPECT_FLOAT_EQ(LeapRadius(45.0f), 7.25f);
}
