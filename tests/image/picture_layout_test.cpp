// The pictures as embedded in the executable's resources: each must be the
// baseline layout the scenes were made for (SOF0, three components with the
// expected sampling factors, one interleaved scan, no restart interval), so
// that a re-encoded picture cannot slip in unnoticed.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

struct MarkerSummary {
    std::vector<int> frameMarkers;  // every SOFn seen (0xC0 ... 0xCF except DHT, JPG, DAC)
    int nWidth = 0, nHeight = 0, nPrecision = 0;
    std::vector<int> sampling;      // H << 4 | V per frame component
    int nScans = 0;
    int nScanComponents = 0;
    bool bRestartInterval = false;  // a DRI segment
    bool bRestartMarkers = false;   // RSTn in the entropy-coded data
    bool bEndOfImage = false;
    bool bTrailingBytes = false;
    std::string error;
};

std::vector<unsigned char> LoadPicture(WORD wId)
{
    HRSRC hFound = FindResourceA(NULL, MAKEINTRESOURCEA(wId), "jpg");
    if (hFound == NULL)
        return {};
    const unsigned char* p = static_cast<const unsigned char*>(LockResource(LoadResource(NULL, hFound)));
    return std::vector<unsigned char>(p, p + SizeofResource(NULL, hFound));
}

// Skips entropy-coded data from i; returns the position of the next marker.
size_t SkipEntropyData(const std::vector<unsigned char>& b, size_t i, MarkerSummary& s)
{
    while (i + 1 < b.size()) {
        if (b[i] == 0xFF && b[i + 1] != 0x00) {
            if (b[i + 1] >= 0xD0 && b[i + 1] <= 0xD7) {
                s.bRestartMarkers = true;
                i += 2;
                continue;
            }
            return i;
        }
        ++i;
    }
    return b.size();
}

MarkerSummary WalkMarkers(const std::vector<unsigned char>& b)
{
    MarkerSummary s;
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) {
        s.error = "no SOI";
        return s;
    }
    size_t i = 2;
    while (i + 1 < b.size()) {
        if (b[i] != 0xFF) {
            s.error = "expected a marker at " + std::to_string(i);
            return s;
        }
        const int nMarker = b[i + 1];
        if (nMarker == 0xD9) {
            s.bEndOfImage = true;
            s.bTrailingBytes = i + 2 != b.size();
            return s;
        }
        if (i + 3 >= b.size()) {
            s.error = "truncated segment";
            return s;
        }
        const size_t nLength = (b[i + 2] << 8) | b[i + 3];
        const unsigned char* p = &b[i + 4];
        if (nMarker >= 0xC0 && nMarker <= 0xCF && nMarker != 0xC4 && nMarker != 0xC8 && nMarker != 0xCC) {
            s.frameMarkers.push_back(nMarker);
            s.nPrecision = p[0];
            s.nHeight = (p[1] << 8) | p[2];
            s.nWidth = (p[3] << 8) | p[4];
            for (int c = 0; c < p[5]; ++c)
                s.sampling.push_back(p[6 + 3 * c + 1]);
        } else if (nMarker == 0xDD) {
            s.bRestartInterval = true;
        }
        i += 2 + nLength;
        if (nMarker == 0xDA) {
            ++s.nScans;
            s.nScanComponents = p[0];
            i = SkipEntropyData(b, i, s);
        }
    }
    s.error = "no EOI";
    return s;
}

void ExpectBaselineLayout(WORD wId, int nWidth, int nHeight, int nLumaSampling)
{
    const std::vector<unsigned char> bytes = LoadPicture(wId);
    ASSERT_FALSE(bytes.empty()) << "resource " << wId << " of type jpg is missing";
    const MarkerSummary s = WalkMarkers(bytes);
    ASSERT_EQ(s.error, "");
    EXPECT_EQ(s.frameMarkers, std::vector<int>{0xC0});
    EXPECT_EQ(s.nPrecision, 8);
    EXPECT_EQ(s.nWidth, nWidth);
    EXPECT_EQ(s.nHeight, nHeight);
    EXPECT_EQ(s.sampling, (std::vector<int>{nLumaSampling, 0x11, 0x11}));
    EXPECT_EQ(s.nScans, 1);
    EXPECT_EQ(s.nScanComponents, 3);
    EXPECT_FALSE(s.bRestartInterval);
    EXPECT_FALSE(s.bRestartMarkers);
    EXPECT_TRUE(s.bEndOfImage);
    EXPECT_FALSE(s.bTrailingBytes);
}

}  // namespace

TEST(EmbeddedPictures, EarthIsBaseline444In512x512)
{
    ExpectBaselineLayout(IDR_EARTH_JPG, 512, 512, 0x11);
}

TEST(EmbeddedPictures, SkyIsBaseline420In640x480)
{
    ExpectBaselineLayout(IDR_SKY_JPG, 640, 480, 0x22);
}

TEST(EmbeddedPictures, ResourceTypeIsJpg)
{
    EXPECT_EQ(FindResourceA(NULL, MAKEINTRESOURCEA(IDR_EARTH_JPG), RT_RCDATA), (HRSRC)NULL);
    EXPECT_NE(FindResourceA(NULL, MAKEINTRESOURCEA(IDR_EARTH_JPG), "JPG"), (HRSRC)NULL);
}
