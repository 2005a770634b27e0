// Pixel-format score and choice.
#include "win32/pixel_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

const uint32_t kUsable = kPfdSupportOpenGL | kPfdDrawToWindow;

TEST(PixelFormatScore, WorkedValues)
{
    EXPECT_EQ(ScorePixelFormatTraits({kUsable | kPfdDoubleBuffer, kPfdTypeRgba, 32, 24}, 32), 1130u);
    EXPECT_EQ(ScorePixelFormatTraits({kUsable | kPfdDoubleBuffer, kPfdTypeRgba, 32, 16}, 32), 1138u);
    EXPECT_EQ(ScorePixelFormatTraits(
                  {kUsable | kPfdDoubleBuffer | kPfdGenericFormat, kPfdTypeRgba, 32, 32}, 32),
              98u);
    EXPECT_EQ(ScorePixelFormatTraits({kUsable, kPfdTypeRgba, 32, 12}, 32), 1025u);  // 9-15 bits add nothing
    EXPECT_EQ(ScorePixelFormatTraits({kUsable | kPfdGenericFormat, kPfdTypeRgba, 32, 9}, 32), 1u);
}

TEST(PixelFormatScore, UnusableFormatsScoreZero)
{
    const uint32_t dwAll = kUsable | kPfdDoubleBuffer;
    EXPECT_EQ(ScorePixelFormatTraits({dwAll, kPfdTypeRgba, 24, 24}, 32), 0u);  // colour bits
    EXPECT_EQ(ScorePixelFormatTraits({dwAll & ~kPfdSupportOpenGL, kPfdTypeRgba, 32, 24}, 32), 0u);
    EXPECT_EQ(ScorePixelFormatTraits({dwAll & ~kPfdDrawToWindow, kPfdTypeRgba, 32, 24}, 32), 0u);
    EXPECT_EQ(ScorePixelFormatTraits({dwAll, kPfdTypeRgba, 32, 8}, 32), 0u);  // depth must exceed 8
    EXPECT_EQ(ScorePixelFormatTraits({dwAll, 1 /* colour index */, 32, 24}, 32), 0u);
    // A depth buffer beyond 128 bits must not wrap around into a huge score.
    EXPECT_EQ(ScorePixelFormatTraits({dwAll | kPfdGenericFormat, kPfdTypeRgba, 32, 255}, 32), 0u);
}

TEST(PixelFormatChoice, HighestScoreThenHighestIndex)
{
    std::vector<unsigned> anScores = {98, 1130, 1138, 1130, 1138, 0};
    EXPECT_EQ(PickPixelFormat(anScores.data(), 6, 1), 5);
    anScores = {1130, 1130, 0};
    EXPECT_EQ(PickPixelFormat(anScores.data(), 3, 3), 2);
    anScores = {1138, 1130};
    EXPECT_EQ(PickPixelFormat(anScores.data(), 2, 2), 1);
}

TEST(PixelFormatChoice, AllZeroFallsBackToTheProposal)
{
    std::vector<unsigned> anScores = {0, 0, 0, 0};
    EXPECT_EQ(PickPixelFormat(anScores.data(), 4, 3), 3);
    EXPECT_EQ(PickPixelFormat(nullptr, 0, 7), 7);
}

}  // namespace
