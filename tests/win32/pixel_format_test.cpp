// Pixel-format score and choice.
#include "win32/pixel_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

const uint32_t kUsable = kPfdSupportOpenGL | kPfdDrawToWindow;

TEST(PixelFormatScore, WorkedValues)
{
    EXPECT_EQ(ScorePixelFormatTraits({kUsable | kPfdDoubleBuffer, kPfdTypeRgba, 32, 24}, 32), 1138u);
    EXPECT_EQ(ScorePixelFormatTraits({kUsable | kPfdDoubleBuffer, kPfdTypeRgba, 32, 32}, 32), 1130u);
    EXPECT_EQ(ScorePixelFormatTraits({kUsable | kPfdDoubleBuffer, kPfdTypeRgba, 32, 16}, 32), 1122u);
    EXPECT_EQ(ScorePixelFormatTraits(
                  {kUsable | kPfdDoubleBuffer | kPfdGenericFormat, kPfdTypeRgba, 32, 32}, 32),
              106u);
    EXPECT_EQ(ScorePixelFormatTraits({kUsable, kPfdTypeRgba, 32, 12}, 32), 1025u);  // 9-15 bits add nothing
    EXPECT_EQ(ScorePixelFormatTraits({kUsable | kPfdGenericFormat, kPfdTypeRgba, 32, 9}, 32), 1u);
}

// 24 bits of depth, then 32, then the deepest of 16 to 23 bits; then double
// buffering; an accelerated format still beats any generic one.
TEST(PixelFormatScore, DepthPreference)
{
    const uint32_t dwDouble = kUsable | kPfdDoubleBuffer;
    const int anOrder[] = {24, 28, 32, 23, 16};
    for (size_t i = 1; i < sizeof(anOrder) / sizeof(anOrder[0]); ++i) {
        EXPECT_GT(ScorePixelFormatTraits({dwDouble, kPfdTypeRgba, 32, anOrder[i - 1]}, 32),
                  ScorePixelFormatTraits({dwDouble, kPfdTypeRgba, 32, anOrder[i]}, 32))
            << anOrder[i - 1] << " over " << anOrder[i];
    }
    EXPECT_GT(ScorePixelFormatTraits({dwDouble, kPfdTypeRgba, 32, 24}, 32),
              ScorePixelFormatTraits({kUsable, kPfdTypeRgba, 32, 24}, 32));
    EXPECT_GT(ScorePixelFormatTraits({kUsable, kPfdTypeRgba, 32, 16}, 32),
              ScorePixelFormatTraits({dwDouble | kPfdGenericFormat, kPfdTypeRgba, 32, 24}, 32));
}

TEST(PixelFormatScore, UnusableFormatsScoreZero)
{
    const uint32_t dwAll = kUsable | kPfdDoubleBuffer;
    EXPECT_EQ(ScorePixelFormatTraits({dwAll, kPfdTypeRgba, 24, 24}, 32), 0u);  // colour bits
    EXPECT_EQ(ScorePixelFormatTraits({dwAll & ~kPfdSupportOpenGL, kPfdTypeRgba, 32, 24}, 32), 0u);
    EXPECT_EQ(ScorePixelFormatTraits({dwAll & ~kPfdDrawToWindow, kPfdTypeRgba, 32, 24}, 32), 0u);
    EXPECT_EQ(ScorePixelFormatTraits({dwAll, kPfdTypeRgba, 32, 8}, 32), 0u);  // depth must exceed 8
    EXPECT_EQ(ScorePixelFormatTraits({dwAll, 1 /* colour index */, 32, 24}, 32), 0u);
    // A depth buffer beyond 136 bits must not wrap around into a huge score.
    EXPECT_EQ(ScorePixelFormatTraits({dwAll | kPfdGenericFormat, kPfdTypeRgba, 32, 255}, 32), 0u);
}

TEST(PixelFormatChoice, HighestScoreThenTheProposalThenHighestIndex)
{
    const struct {
        std::vector<unsigned> anScores;
        int nProposal;
        int nExpected;
    } aCases[] = {
        {{106, 1130, 1138, 1130, 1138, 0}, 1, 5},  // the proposal scores less
        {{1130, 1130, 0}, 3, 2},
        {{1138, 1130}, 2, 1},
        {{1130, 1138, 1138, 1138}, 2, 2},         // the proposal ties the best
        {{1138, 1138}, 0, 2},                     // no proposal in range
        {{1138, 1138}, 9, 2},
    };
    for (const auto& c : aCases)
        EXPECT_EQ(PickPixelFormat(c.anScores.data(), static_cast<int>(c.anScores.size()), c.nProposal),
                  c.nExpected)
            << "proposal " << c.nProposal;
}

TEST(PixelFormatChoice, AllZeroFallsBackToTheProposal)
{
    std::vector<unsigned> anScores = {0, 0, 0, 0};
    EXPECT_EQ(PickPixelFormat(anScores.data(), 4, 3), 3);
    EXPECT_EQ(PickPixelFormat(nullptr, 0, 7), 7);
}

}  // namespace
