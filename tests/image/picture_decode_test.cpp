// Decoding a picture into texture rows: the copy of each delivered line, the
// bottom-up flip, and the failures, against the real decoder and the real
// pictures. The decoder's own lines are the reference for every row.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/jpeg/jpeg_decoder.h"
#include "image/picture_decode.h"
#include "image/processor_probe.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(std::string(VELTHRA_SOURCE_DIR) + "/" + path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The decoder's lines as it delivers them, top first, unchanged.
std::vector<std::vector<uint8_t>> DecoderLines(const std::vector<uint8_t>& jpeg, bool bFast, int* pnStride)
{
    JpegMemoryStream stream(jpeg.data(), static_cast<uint32_t>(jpeg.size()));
    JpegDecoder decoder(&stream, bFast);
    std::vector<std::vector<uint8_t>> lines;
    if (decoder.errorCode() != 0 || decoder.beginDecoding() != 0)
        return lines;
    *pnStride = decoder.bytesPerPixel();
    const uint8_t* pLine = nullptr;
    uint32_t nLength = 0;
    while (decoder.decodeLine(&pLine, &nLength) == 0)
        lines.emplace_back(pLine, pLine + nLength);
    return lines;
}

std::vector<uint8_t> PackedRow(const std::vector<uint8_t>& line, int nStride)
{
    std::vector<uint8_t> row;
    for (size_t i = 0; i < line.size(); i += nStride)
        for (int c = 0; c < 3; ++c)
            row.push_back(line[i + (nStride == 1 ? 0 : c)]);
    return row;
}

std::vector<uint8_t> PictureRow(const PictureRgb& picture, int nRow)
{
    const uint8_t* p = picture.pPixels + static_cast<size_t>(nRow) * picture.nWidth * 3;
    return std::vector<uint8_t>(p, p + picture.nWidth * 3);
}

// Every row of the result is the decoder's line from the other end.
void ExpectBottomUpCopy(const std::string& path, int nWidth, int nHeight, bool bFast)
{
    const std::vector<uint8_t> jpeg = ReadFile(path);
    ASSERT_FALSE(jpeg.empty()) << path;
    int nStride = 0;
    const auto lines = DecoderLines(jpeg, bFast, &nStride);
    ASSERT_EQ(static_cast<int>(lines.size()), nHeight);

    PictureRgb picture = {};
    ASSERT_EQ(DecodePictureRgb(jpeg.data(), static_cast<uint32_t>(jpeg.size()), bFast, &picture), PictureStatus::Ok);
    EXPECT_EQ(picture.nWidth, nWidth);
    EXPECT_EQ(picture.nHeight, nHeight);
    EXPECT_EQ(picture.nBitsPerPixel, 24);
    for (int nRow = 0; nRow < nHeight; ++nRow)
        ASSERT_EQ(PictureRow(picture, nRow), PackedRow(lines[nHeight - 1 - nRow], nStride)) << path << " row " << nRow;
    std::free(picture.pPixels);
}

}  // namespace

TEST(PictureLines, ColourTakesTheFirstThreeBytesOfEachSlot)
{
    const uint8_t line[] = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0};
    uint8_t dest[9] = {};
    CopyPictureLine(dest, line, 3, 4);
    EXPECT_EQ(std::vector<uint8_t>(dest, dest + 9), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(PictureLines, GreyGivesEachSampleToRedGreenAndBlue)
{
    const uint8_t line[] = {10, 20, 30};
    uint8_t dest[10] = {};
    dest[9] = 0xEE;  // one byte past the row must stay untouched
    CopyPictureLine(dest, line, 3, 1);
    EXPECT_EQ(std::vector<uint8_t>(dest, dest + 10), (std::vector<uint8_t>{10, 10, 10, 20, 20, 20, 30, 30, 30, 0xEE}));
}

TEST(PictureFlip, OddHeightKeepsItsMiddleRow)
{
    const int nWidth = 2, nHeight = 5;
    std::vector<uint8_t> pixels(nWidth * 3 * nHeight);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i / (nWidth * 3));  // each row holds its number
    ASSERT_TRUE(FlipPictureRows(pixels.data(), nWidth, nHeight));
    for (int nRow = 0; nRow < nHeight; ++nRow)
        for (int i = 0; i < nWidth * 3; ++i)
            ASSERT_EQ(pixels[nRow * nWidth * 3 + i], nHeight - 1 - nRow);
}

// Rows wider than 1024 pixels need a scratch row of their own size.
TEST(PictureFlip, WideRowsAreSwappedWhole)
{
    const int nWidth = 3000, nHeight = 2;
    std::vector<uint8_t> pixels(nWidth * 3 * nHeight);
    for (int i = 0; i < nWidth * 3; ++i) {
        pixels[i] = static_cast<uint8_t>(i * 7);
        pixels[nWidth * 3 + i] = static_cast<uint8_t>(i * 13 + 1);
    }
    const std::vector<uint8_t> original = pixels;
    ASSERT_TRUE(FlipPictureRows(pixels.data(), nWidth, nHeight));
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.begin() + nWidth * 3, original.begin() + nWidth * 3));
    EXPECT_TRUE(std::equal(pixels.begin() + nWidth * 3, pixels.end(), original.begin()));
}

TEST(PictureDecode, EarthAndSkyComeOutBottomRowFirst)
{
    const bool bFast = ProbeProcessorFeatures().bMmx;
    ExpectBottomUpCopy("resources/earth.jpg", 512, 512, bFast);
    ExpectBottomUpCopy("resources/sky.jpg", 640, 480, bFast);
    ExpectBottomUpCopy("resources/earth.jpg", 512, 512, !bFast);
}

TEST(PictureDecode, OddHeightAndGreyPictures)
{
    ExpectBottomUpCopy("tests/image/data/odd_height.jpg", 24, 7, true);
    ExpectBottomUpCopy("tests/image/data/grey.jpg", 16, 5, true);

    // The flat rows of the odd picture: the top (red) ends last, grey first,
    // and the middle (yellow) stays in the middle.
    const std::vector<uint8_t> jpeg = ReadFile("tests/image/data/odd_height.jpg");
    PictureRgb picture = {};
    ASSERT_EQ(DecodePictureRgb(jpeg.data(), static_cast<uint32_t>(jpeg.size()), true, &picture), PictureStatus::Ok);
    const auto NearColour = [&](int nRow, int r, int g, int b) {
        const uint8_t* p = picture.pPixels + nRow * 24 * 3 + 12 * 3;
        return std::abs(p[0] - r) < 8 && std::abs(p[1] - g) < 8 && std::abs(p[2] - b) < 8;
    };
    EXPECT_TRUE(NearColour(0, 128, 128, 128));
    EXPECT_TRUE(NearColour(3, 255, 255, 0));
    EXPECT_TRUE(NearColour(6, 255, 0, 0));
    std::free(picture.pPixels);
}

TEST(PictureDecode, FailuresCarryTheDecoderCodeAndFreeThePixels)
{
    const std::vector<uint8_t> text = ReadFile("tests/image/data/not_jpeg.bin");
    PictureRgb picture = {};
    EXPECT_EQ(DecodePictureRgb(text.data(), static_cast<uint32_t>(text.size()), true, &picture),
              PictureStatus::DecoderFailed);
    EXPECT_EQ(picture.nErrorCode, -217);
    EXPECT_EQ(picture.pPixels, nullptr);

    // Refused when decoding begins, after the pixel buffer exists: the
    // dimensions are known, the buffer is gone (ASan reports a leak otherwise).
    const std::vector<uint8_t> layout411 = ReadFile("tests/image/data/sampling411.jpg");
    picture = PictureRgb{};
    EXPECT_EQ(DecodePictureRgb(layout411.data(), static_cast<uint32_t>(layout411.size()), true, &picture),
              PictureStatus::DecoderFailed);
    EXPECT_EQ(picture.nErrorCode, -226);
    EXPECT_EQ(picture.nWidth, 32);
    EXPECT_EQ(picture.nHeight, 16);
    EXPECT_EQ(picture.pPixels, nullptr);

    picture = PictureRgb{};  // no bytes at all
    EXPECT_EQ(DecodePictureRgb(text.data(), 0, true, &picture), PictureStatus::DecoderFailed);
    EXPECT_EQ(picture.pPixels, nullptr);
}

TEST(ProcessorProbe, ReportsMmxOnThisProcessor)
{
    const ProcessorFeatures features = ProbeProcessorFeatures();
#if defined(__x86_64__)
    EXPECT_TRUE(features.bProbed);
    EXPECT_TRUE(features.bMmx);  // every x86-64 processor has MMX
#else
    GTEST_SKIP() << "not an x86-64 processor";
#endif
}
