// The two inverse DCTs sample for sample: every entry point (scalar and SIMD
// twins) against a reference written from the transforms' definitions, on
// named blocks with AC terms, on a seeded sweep of dense blocks, with a few
// outputs pinned as literals, and once through whole decoded images.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/image/jpeg/jpeg_test_util.h"

namespace {

// Every IDCT entry point; a new code path joins the sweep with one line.
struct ExactIdct {
    const char* pName;
    void (*pIdct)(const int16_t*, uint8_t*);
};
const ExactIdct kExactIdcts[] = {{"IdctExact", IdctExact}, {"IdctExactSimd", IdctExactSimd}};

struct FastIdct {
    const char* pName;
    void (*pIdct)(const int16_t*, const uint16_t*, uint8_t*);
};
const FastIdct kFastIdcts[] = {{"IdctFastScalar", IdctFastScalar}, {"IdctFastSimd", IdctFastSimd}};

// Pinned samples of two blocks below, so that a change made to the
// reference and the decoder alike is still caught.
const uint8_t kDenseExact[64] = {
    237, 211, 171, 183, 207, 212, 230, 255,
    187, 179, 207, 175, 166, 210, 247, 255,
    165, 205, 194, 195, 192, 230, 255, 255,
    149, 177, 209, 222, 253, 255, 255, 255,
    103, 73, 107, 152, 181, 255, 255, 255,
    82, 120, 104, 108, 149, 223, 255, 255,
    37, 39, 28, 0, 11, 145, 247, 255,
    0, 0, 0, 0, 0, 0, 115, 250};
const uint8_t kDenseFast[64] = {
    236, 210, 170, 182, 206, 212, 230, 255,
    186, 178, 207, 174, 166, 210, 247, 255,
    166, 205, 193, 196, 192, 231, 255, 255,
    149, 176, 209, 221, 254, 255, 255, 255,
    102, 73, 105, 152, 180, 255, 255, 255,
    81, 118, 103, 106, 148, 222, 255, 255,
    36, 38, 27, 0, 10, 144, 246, 255,
    0, 0, 0, 0, 0, 0, 115, 249};
const uint8_t kWrapExact[64] = {
    131, 255, 0, 0, 255, 0, 0, 0,
    147, 255, 0, 0, 255, 0, 0, 0,
    193, 255, 0, 0, 255, 26, 0, 0,
    231, 255, 0, 0, 255, 65, 0, 0,
    255, 255, 0, 0, 255, 129, 0, 0,
    255, 255, 38, 0, 255, 168, 0, 0,
    255, 255, 83, 0, 255, 213, 0, 0,
    255, 255, 99, 0, 255, 229, 0, 0};
const uint8_t kWrapFast[64] = {
    255, 205, 255, 0, 255, 0, 255, 170,
    0, 0, 200, 0, 185, 0, 0, 0,
    255, 0, 255, 0, 255, 0, 255, 0,
    192, 0, 255, 0, 255, 0, 157, 0,
    255, 0, 255, 0, 255, 0, 254, 0,
    172, 0, 255, 0, 255, 0, 137, 0,
    255, 158, 255, 0, 255, 0, 255, 124,
    0, 0, 153, 0, 138, 0, 0, 0};

// Quantised coefficients (natural index, value) and one quantisation value q:
// the exact transforms get value x q, the fast ones value with q pre-scaled.
struct Block {
    const char* pName;
    std::vector<std::pair<int, int>> terms;
    int q;
    const uint8_t* pExact = nullptr;   // pinned outputs, if any
    const uint8_t* pFast = nullptr;
    bool bWraps = false;               // 16-bit wrap: far from the floating-point transform
};

const Block kBlocks[] = {
    {"one horizontal term", {{1, 80}}, 4},
    {"one negative vertical term", {{0, 16}, {8, -60}}, 8},
    {"highest frequency", {{63, 40}}, 16},
    {"mirrored mid terms", {{21, 50}, {42, -50}}, 10},
    {"dense, clamped both ways", {{0, 30}, {1, -45}, {2, 27}, {3, -9}, {8, 38}, {9, 21}, {10, -17}, {11, 6},
                                  {16, -33}, {17, 12}, {18, 8}, {24, 15}, {25, -7}, {27, 4}, {32, -6}, {36, 5},
                                  {40, 9}, {45, -3}, {49, 2}, {54, -4}, {56, -5}, {59, 3}, {62, 2}, {63, -2}}, 12,
     kDenseExact, kDenseFast},
    {"negative DC with terms", {{0, -100}, {1, 30}, {9, -25}, {2, 12}, {7, -8}}, 10},
    // Found by search so that a rounding bias one off changes a sample.
    {"half-way rounding in the first pass", {{0, -46}, {53, -73}, {63, 128}}, 2},
    {"half-way rounding in the second pass", {{0, -71}, {3, 109}, {5, 91}, {39, -188}}, 2},
    {"just below half-way in the second pass", {{0, -25}, {8, 102}, {26, 57}, {49, -82}, {54, -85}}, 1},
    {"16-bit wrap between the passes", {{0, 1000}, {1, -900}, {8, 1000}, {7, 1023}, {56, -1023}}, 32, kWrapExact, kWrapFast, true},
};

void Expand(const Block& block, int16_t* pDequantised, int16_t* pRaw, uint16_t* pPrescaled) {
    for (int n = 0; n < 64; ++n) {
        pDequantised[n] = pRaw[n] = 0;
        pPrescaled[n] = static_cast<uint16_t>((block.q * ReferenceScale(n) + 2048) >> 12);
    }
    for (const auto& t : block.terms) {
        pRaw[t.first] = static_cast<int16_t>(t.second);
        pDequantised[t.first] = static_cast<int16_t>(t.second * block.q);
    }
}

// The inverse DCT of T.81 A.3.3 in floating point, rounded and clamped.
int FloatSample(const int16_t* pCoef, int y, int x) {
    const double kPi = 3.14159265358979323846, kHalfRoot2 = 0.70710678118654752440;
    double dSum = 0;
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u)
            dSum += (u ? 1 : kHalfRoot2) * (v ? 1 : kHalfRoot2) * pCoef[v * 8 + u] *
                    std::cos((2 * x + 1) * u * kPi / 16) * std::cos((2 * y + 1) * v * kPi / 16);
    return std::min(255, std::max(0, static_cast<int>(std::lround(dSum / 4)) + 128));
}

TEST(JpegIdct, NamedBlocksMatchTheReferenceArithmetic) {
    int16_t dequantised[64], raw[64];
    uint16_t prescaled[64];
    uint8_t expected[64], out[64];
    for (const Block& block : kBlocks) {
        Expand(block, dequantised, raw, prescaled);
        // Against the floating-point transform only where nothing wraps, and for
        // the fast form only where q is large enough for its pre-scaled table.
        bool bWraps = block.bWraps, bFastNear = !bWraps && block.q >= 4;
        ReferenceIdctExact(dequantised, expected);
        for (int i = 0; i < 64 && block.pExact; ++i) ASSERT_EQ(expected[i], block.pExact[i]) << block.pName;
        for (int i = 0; i < 64 && !bWraps; ++i)   // the reference itself, against the definition
            EXPECT_NEAR(expected[i], FloatSample(dequantised, i / 8, i % 8), 1) << block.pName << " sample " << i;
        for (const ExactIdct& idct : kExactIdcts) {
            idct.pIdct(dequantised, out);
            for (int i = 0; i < 64; ++i) EXPECT_EQ(out[i], expected[i]) << idct.pName << ", " << block.pName << ", sample " << i;
        }
        ReferenceIdctFast(raw, prescaled, expected);
        for (int i = 0; i < 64 && block.pFast; ++i) ASSERT_EQ(expected[i], block.pFast[i]) << block.pName;
        for (int i = 0; i < 64 && bFastNear; ++i)
            EXPECT_NEAR(expected[i], FloatSample(dequantised, i / 8, i % 8), 3) << block.pName << " sample " << i;
        for (const FastIdct& idct : kFastIdcts) {
            idct.pIdct(raw, prescaled, out);
            for (int i = 0; i < 64; ++i) EXPECT_EQ(out[i], expected[i]) << idct.pName << ", " << block.pName << ", sample " << i;
        }
    }
}

// Dense random blocks over several ranges (with all-zero rows and columns
// among them, and random pre-scaled tables), every entry point against the
// reference; a checksum of the reference outputs is pinned too.
TEST(JpegIdct, SeededSweepMatchesTheReferenceArithmetic) {
    std::mt19937 random(2026);
    int16_t coef[64];
    uint16_t quant[64];
    uint8_t expected[64], out[64];
    uint32_t dwExactSum = 2166136261u, dwFastSum = 2166136261u;
    auto hash = [](uint32_t& dwSum, const uint8_t* p) {
        for (int i = 0; i < 64; ++i) dwSum = (dwSum ^ p[i]) * 16777619u;
    };
    for (int nRound = 0; nRound < 3000; ++nRound) {
        const uint32_t ranges[] = {65536, 8192, 2048, 512, 64};
        uint32_t nRange = ranges[nRound % 5];
        for (int i = 0; i < 64; ++i) {
            coef[i] = static_cast<int16_t>(static_cast<int>(random() % nRange) - static_cast<int>(nRange / 2));
            if (nRound % 3 == 1 && i % 8 != 0) coef[i] = 0;
            if (nRound % 7 == 2 && i >= 8) coef[i] = 0;
            if (nRound % 4 == 3 && i > 20) coef[i] = 0;
            quant[i] = static_cast<uint16_t>(nRound % 6 == 0 ? random() % 65536 : random() % 128);
        }
        ReferenceIdctExact(coef, expected);
        hash(dwExactSum, expected);
        for (const ExactIdct& idct : kExactIdcts) {
            idct.pIdct(coef, out);
            for (int i = 0; i < 64; ++i) ASSERT_EQ(out[i], expected[i]) << idct.pName << ", round " << nRound << ", sample " << i;
        }
        ReferenceIdctFast(coef, quant, expected);
        hash(dwFastSum, expected);
        for (const FastIdct& idct : kFastIdcts) {
            idct.pIdct(coef, quant, out);
            for (int i = 0; i < 64; ++i) ASSERT_EQ(out[i], expected[i]) << idct.pName << ", round " << nRound << ", sample " << i;
        }
    }
    EXPECT_EQ(dwExactSum, 756428107u);
    EXPECT_EQ(dwFastSum, 2726075848u);
}

TEST(JpegIdct, ScaleTableFromTheCosines) {
    for (int n = 0; n < 64; ++n) EXPECT_EQ(g_JpegScale[n], ReferenceScale(n)) << n;
    for (int k = 0; k < 64; ++k) EXPECT_EQ(g_JpegZigzag[k], ReferenceZigzag(k)) << k;
}

// The named blocks as one image through the decoder, exact and fast, scalar
// and SIMD, with a quantisation table of varied entries.
TEST(JpegIdct, DecodedBlocksMatchTheReferenceArithmetic) {
    GrayImage image;
    image.nWidth = 8 * static_cast<int>(sizeof kBlocks / sizeof kBlocks[0]);
    for (int k = 0; k < 64; ++k) image.quant[static_cast<size_t>(k)] = k == 0 ? 32 : 1 + (k * 7) % 31;
    for (const Block& block : kBlocks) {
        std::vector<int> coef(64, 0);
        for (const auto& t : block.terms) coef[static_cast<size_t>(t.first)] = t.second;
        image.blocks.push_back(coef);
    }
    std::vector<uint8_t> bytes = image.Build();
    for (bool bFast : {false, true}) {
        std::vector<uint8_t> expected = image.Expected(bFast);
        for (bool bSimd : {false, true}) {
            DecodedImage decoded = DecodeImage(bytes, bFast, [bSimd](JpegState& s) { s.bUseSimd = bSimd && JpegSimdAvailable(); });
            ASSERT_EQ(decoded.nErrorCode, 0);
            EXPECT_EQ(decoded.pixels, expected) << (bFast ? "fast" : "exact") << (bSimd ? ", SIMD" : ", scalar");
        }
    }
}

}  // namespace
