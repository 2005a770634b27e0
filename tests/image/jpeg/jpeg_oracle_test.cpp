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

#include "tests/image/jpeg/jpeg_test_util.h"

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

// The oracle's IDCT output per component (raw data, before upsampling and
// colour conversion), cropped to each component's own size.
struct Planes {
    int nWidth[3] = {0, 0, 0};
    int nHeight[3] = {0, 0, 0};
    std::vector<uint8_t> plane[3];
};

bool DecodeRawWithOracle(const std::vector<uint8_t>& bytes, Planes& out) {
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
    cinfo.raw_data_out = TRUE;
    cinfo.out_color_space = cinfo.jpeg_color_space;
    jpeg_start_decompress(&cinfo);
    int nComps = cinfo.num_components;
    int nRowsPerCall = cinfo.max_v_samp_factor * DCTSIZE;
    std::vector<std::vector<uint8_t>> storage(nComps);
    std::vector<std::vector<JSAMPROW>> rows(nComps);
    JSAMPARRAY arrays[3];
    for (int c = 0; c < nComps; ++c) {
        jpeg_component_info& ci = cinfo.comp_info[c];
        int nStride = static_cast<int>(ci.width_in_blocks) * DCTSIZE;
        int nRows = ci.v_samp_factor * DCTSIZE;
        out.nWidth[c] = static_cast<int>(ci.downsampled_width);
        out.nHeight[c] = static_cast<int>(ci.downsampled_height);
        out.plane[c].assign(static_cast<size_t>(out.nWidth[c]) * out.nHeight[c], 0);
        storage[c].assign(static_cast<size_t>(nStride) * nRows, 0);
        for (int r = 0; r < nRows; ++r) rows[c].push_back(storage[c].data() + static_cast<size_t>(r) * nStride);
        arrays[c] = rows[c].data();
    }
    int nPass = 0;
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_raw_data(&cinfo, arrays, static_cast<JDIMENSION>(nRowsPerCall));
        for (int c = 0; c < nComps; ++c) {
            int nRows = cinfo.comp_info[c].v_samp_factor * DCTSIZE;
            for (int r = 0; r < nRows; ++r) {
                int y = nPass * nRows + r;
                if (y < out.nHeight[c])
                    std::copy(rows[c][r], rows[c][r] + out.nWidth[c], out.plane[c].begin() + static_cast<size_t>(y) * out.nWidth[c]);
            }
        }
        ++nPass;
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Our IDCT output, gathered from the sample blocks of each MCU row as the
// row is started, compared with the oracle's planes.
int MaxSampleDifference(const std::vector<uint8_t>& bytes, bool bFast, const Planes& expected) {
    JpegMemoryStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
    JpegDecoder decoder(&stream, bFast);
    if (decoder.beginDecoding() != 0) return 1000;
    JpegState& s = JpegDecoderState(decoder);
    int nMax = 0;
    int nMcuRow = 0;
    const uint8_t* pLine;
    uint32_t nLength;
    while (decoder.decodeLine(&pLine, &nLength) == 0) {
        if (s.nRowLinesLeft != s.nMcuHeight - 1) continue;
        int nBlock = 0;
        for (int m = 0; m < s.nMcusPerRow; ++m) {
            int dx = 0, dy = 0, nPrevious = -1;
            for (int b = 0; b < s.nBlocksPerMcu; ++b, ++nBlock) {
                int c = s.mcuComp[b];
                if (c != nPrevious) dx = dy = 0;
                nPrevious = c;
                int nH = s.nComponents == 1 ? 1 : s.comp[c].nH;
                int nV = s.nComponents == 1 ? 1 : s.comp[c].nV;
                int x0 = (m * nH + dx) * 8;
                int y0 = (nMcuRow * nV + dy) * 8;
                const uint8_t* p = s.pSamples + static_cast<size_t>(nBlock) * 64;
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x)
                        if (x0 + x < expected.nWidth[c] && y0 + y < expected.nHeight[c]) {
                            int e = expected.plane[c][static_cast<size_t>(y0 + y) * expected.nWidth[c] + x0 + x];
                            nMax = std::max(nMax, std::abs(e - p[y * 8 + x]));
                        }
                if (++dx == nH) {
                    dx = 0;
                    ++dy;
                }
            }
        }
        ++nMcuRow;
    }
    return nMax;
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
    std::map<std::string, int> exactMax, fastMax, exactSampleMax, fastSampleMax;
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
            // A sample that is off by one moves a colour channel by up to
            // 1 + 1.772 through the conversion.
            EXPECT_LE(nDiff, bFast ? 12 : 3);
        }
        Planes planes;
        ASSERT_TRUE(DecodeRawWithOracle(bytes, planes));
        for (bool bFast : {false, true}) {
            int nDiff = MaxSampleDifference(bytes, bFast, planes);
            int& nSlot = (bFast ? fastSampleMax : exactSampleMax)[LayoutName(file)];
            nSlot = std::max(nSlot, nDiff);
            EXPECT_LE(nDiff, bFast ? 8 : 1);
        }
    }
    for (auto& e : exactMax)
        std::printf("max difference from libjpeg-turbo ISLOW, %-5s samples: exact %d, fast %d; pixels: exact %d, fast %d\n",
                    e.first.c_str(), exactSampleMax[e.first], fastSampleMax[e.first], e.second, fastMax[e.first]);
}

}  // namespace
