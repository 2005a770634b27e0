// Whole-image comparison of the decoder with libjpeg-turbo (ISLOW IDCT, no
// fancy upsampling: chroma replicated like ours) over the committed corpus.
// Exact mode differs only by the rounding of the two IDCT pass orders; the
// measured maxima per layout are printed and bounded.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <map>

#include <jpeglib.h>

#include "tests/jpeg/jpeg_test_util.h"

namespace {

struct OracleError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void OracleExit(j_common_ptr p) { longjmp(reinterpret_cast<OracleError*>(p->err)->jump, 1); }

bool DecodeWithOracle(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& pixels, int& nWidth, int& nHeight, int& nChannels) {
    jpeg_decompress_struct cinfo;
    OracleError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OracleExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    nWidth = static_cast<int>(cinfo.output_width);
    nHeight = static_cast<int>(cinfo.output_height);
    nChannels = cinfo.output_components;
    pixels.assign(static_cast<size_t>(nWidth) * nHeight * nChannels, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.data() + static_cast<size_t>(cinfo.output_scanline) * nWidth * nChannels;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

const char* LayoutName(const std::string& file) {
    if (file.find("gray") != std::string::npos) return "gray";
    if (file.find("444") != std::string::npos) return "4:4:4";
    if (file.find("422") != std::string::npos) return "4:2:2";
    if (file.find("440") != std::string::npos) return "4:4:0";
    return "4:2:0";
}

int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int nMax = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) nMax = std::max(nMax, std::abs(a[i] - b[i]));
    return nMax;
}

TEST(JpegOracle, EveryCorpusImageMatchesLibjpegTurbo) {
    std::map<std::string, int> exactMax, fastMax;
    std::vector<std::string> files = CorpusFiles();
    ASSERT_GE(files.size(), 25u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        std::vector<uint8_t> bytes = ReadCorpusFile(file);
        std::vector<uint8_t> expected;
        int nWidth, nHeight, nChannels;
        ASSERT_TRUE(DecodeWithOracle(bytes, expected, nWidth, nHeight, nChannels));
        for (bool bFast : {false, true}) {
            DecodedImage image = DecodeImage(bytes, bFast);
            ASSERT_EQ(image.nErrorCode, 0);
            ASSERT_EQ(image.nLastResult, 1);
            ASSERT_EQ(image.nWidth, nWidth);
            ASSERT_EQ(image.nHeight, nHeight);
            ASSERT_EQ(image.nLines, nHeight);
            ASSERT_EQ(image.nBytesPerPixel, nChannels == 1 ? 1 : 4);
            ASSERT_EQ(image.pixels.size(), expected.size());
            int nDiff = MaxDifference(image.pixels, expected);
            int& nSlot = (bFast ? fastMax : exactMax)[LayoutName(file)];
            nSlot = std::max(nSlot, nDiff);
            if (!bFast) EXPECT_LE(nDiff, 2);
            else EXPECT_LE(nDiff, 12);
        }
    }
    for (auto& e : exactMax)
        std::printf("max difference from libjpeg-turbo ISLOW, %-5s exact %d, fast %d\n", e.first.c_str(), e.second, fastMax[e.first]);
}

}  // namespace
