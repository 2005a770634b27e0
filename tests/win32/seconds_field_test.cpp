// The "Seconds" field's text rule, its range and the up-down direction.
#include "win32/seconds_field.h"

#include <gtest/gtest.h>

namespace {

TEST(SecondsText, LeadingNumberOfTheFirstNineCharacters)
{
    EXPECT_EQ(ParseSecondsText("30"), 30);
    EXPECT_EQ(ParseSecondsText("0"), 0);
    EXPECT_EQ(ParseSecondsText(""), 0);
    EXPECT_EQ(ParseSecondsText("abc"), 0);
    EXPECT_EQ(ParseSecondsText("12x34"), 12);
    EXPECT_EQ(ParseSecondsText(" 7"), 7);
    EXPECT_EQ(ParseSecondsText("        42"), 4);             // the ninth character is the 4
    EXPECT_EQ(ParseSecondsText("-5"), -5);
    EXPECT_EQ(ParseSecondsText("123456789"), 123456789);
    EXPECT_EQ(ParseSecondsText("1234567890123"), 123456789);  // no overflow past nine
    EXPECT_EQ(ParseSecondsText("         42"), 0);            // the digits lie beyond nine
    EXPECT_EQ(ParseSecondsText(nullptr), 0);
}

TEST(SecondsText, ClampedToOneThrough9999)
{
    EXPECT_EQ(ClampSeconds(ParseSecondsText("0")), 1);
    EXPECT_EQ(ClampSeconds(ParseSecondsText("99999")), 9999);
    EXPECT_EQ(ClampSeconds(ParseSecondsText("not a number")), 1);
    EXPECT_EQ(ClampSeconds(-3), 1);
    EXPECT_EQ(ClampSeconds(1), 1);
    EXPECT_EQ(ClampSeconds(9999), 9999);
    EXPECT_EQ(ClampSeconds(10000), 9999);
}

// Replays what the up-down control reports for a sequence of clicks, from
// its first position 0, the way the dialog keeps the last position.
int Replay(int nSeconds, std::initializer_list<int> positions)
{
    int nLast = 0;
    for (int nPosition : positions) {
        nSeconds = ClampSeconds(nSeconds + SpinStep(nPosition, nLast));
        nLast = nPosition;
    }
    return nSeconds;
}

TEST(SpinStep, DirectionFromThePositionAndTheRangeEnds)
{
    EXPECT_EQ(SpinStep(0, 0), 1);      // up at the top end: the position stays 0
    EXPECT_EQ(SpinStep(1, 0), -1);     // down moves toward 100
    EXPECT_EQ(SpinStep(4, 5), 1);
    EXPECT_EQ(SpinStep(100, 100), -1); // down at the bottom end
    EXPECT_EQ(SpinStep(50, 50), 1);
    EXPECT_EQ(SpinStep(99, 100), 1);
}

TEST(SpinStep, ClicksOnTheArrows)
{
    EXPECT_EQ(Replay(30, {0, 0, 0, 0}), 34);        // four up
    EXPECT_EQ(Replay(34 - 4, {0, 0, 0, 0, 1, 2}), 32);  // then two down
    EXPECT_EQ(Replay(9999, {0, 0}), 9999);
    EXPECT_EQ(Replay(1, {1, 2, 3}), 1);
    EXPECT_EQ(Replay(10, {1, 2, 1, 0, 0}), 11);      // down, down, up, up, up (0 stays 0)
}

}  // namespace
