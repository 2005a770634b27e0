// Behaviour of the JPEG decoder on the committed corpus and on hand-made
// streams: the worked values of the transforms and the colour conversion,
// line delivery per layout, the equalities between the two bit readers,
// the scalar and SIMD fast IDCT, and progressive images and their
// sequential twins; restarts, truncation, and the calling order.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "tests/image/jpeg/jpeg_test_util.h"

namespace {

const std::vector<int> kGray = {1, 0x11, 0};
const std::vector<int> k444 = {1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0};
const std::vector<int> k420 = {1, 0x22, 0, 2, 0x11, 0, 3, 0x11, 0};

std::vector<uint16_t> PrescaledFlatTable(int q) {
    std::vector<uint16_t> t(64);
    for (int n = 0; n < 64; ++n) t[static_cast<size_t>(n)] = static_cast<uint16_t>((q * g_JpegScale[n] + 2048) >> 12);
    return t;
}

TEST(JpegTransform, DcOnlyBlocksGiveTheWorkedSamples) {
    int16_t coef[64] = {0};
    uint8_t out[64];
    std::vector<uint16_t> q1 = PrescaledFlatTable(1);
    struct Case {
        int nDc;
        int nExact;
        int nFast;
    } cases[] = {{64, 136, 136}, {-3, 128, 127}, {0, 128, 128}, {1016, 255, 255}, {-1024, 0, 0}};
    for (const Case& c : cases) {
        coef[0] = static_cast<int16_t>(c.nDc);
        IdctExact(coef, out);
        for (uint8_t v : out) EXPECT_EQ(v, c.nExact) << "exact DC " << c.nDc;
        IdctExactSimd(coef, out);
        for (uint8_t v : out) EXPECT_EQ(v, c.nExact) << "exact SIMD DC " << c.nDc;
        IdctFastScalar(coef, q1.data(), out);
        for (uint8_t v : out) EXPECT_EQ(v, c.nFast) << "fast DC " << c.nDc;
        IdctFastSimd(coef, q1.data(), out);
        for (uint8_t v : out) EXPECT_EQ(v, c.nFast) << "fast SIMD DC " << c.nDc;
    }
    // The same through whole streams: an 8 x 8 grey image with DC 64, q = 1.
    for (bool bFast : {false, true}) {
        DecodedImage image = DecodeImage(DcOnlyImage(8, 8, kGray, {64}), bFast);
        ASSERT_EQ(image.nLines, 8);
        for (uint8_t v : image.pixels) EXPECT_EQ(v, 136);
        image = DecodeImage(DcOnlyImage(8, 8, kGray, {-3}), bFast);
        for (uint8_t v : image.pixels) EXPECT_EQ(v, bFast ? 127 : 128);
    }
}

TEST(JpegTransform, ScaleTableAndPrescaledQuantisation) {
    const int16_t firstRow[8] = {16384, 22725, 21407, 19266, 16384, 12873, 8867, 4520};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(g_JpegScale[i], firstRow[i]);
    EXPECT_EQ(g_JpegScale[9], 31521);
    EXPECT_EQ(g_JpegScale[63], 1247);
    for (int u = 0; u < 8; ++u)
        for (int v = 0; v < 8; ++v) EXPECT_EQ(g_JpegScale[u * 8 + v], g_JpegScale[v * 8 + u]);

    // A DQT of entries 1..64 in segment (zig-zag) order: exact mode keeps them
    // in that order, fast mode pre-scales them into natural order.
    std::vector<uint8_t> bytes = {0xFF, 0xD8};
    std::vector<uint8_t> dqt = {0x01};
    for (int k = 0; k < 64; ++k) dqt.push_back(static_cast<uint8_t>(k + 1));
    PutSegment(bytes, 0xDB, dqt);
    PutSegment(bytes, 0xC0, FrameHeader(8, 8, kGray));
    for (bool bFast : {false, true}) {
        JpegMemoryStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
        JpegDecoder decoder(&stream, bFast);
        ASSERT_EQ(decoder.errorCode(), 0);
        const uint16_t* q = JpegDecoderState(decoder).pQuant[1];
        ASSERT_NE(q, nullptr);
        for (int k = 0; k < 64; ++k) {
            int n = g_JpegZigzag[k];
            if (bFast)
                EXPECT_EQ(q[n], ((k + 1) * g_JpegScale[n] + 2048) >> 12);
            else
                EXPECT_EQ(q[k], k + 1);
        }
    }
}

TEST(JpegTransform, ScalarAndSimdExactIdctAgree) {
    if (!JpegSimdAvailable()) GTEST_SKIP() << "no SIMD on this target";
    std::mt19937 random(99);
    int16_t coef[64];
    uint8_t a[64], b[64];
    for (int nRound = 0; nRound < 20000; ++nRound) {
        int nRange = nRound % 4 == 0 ? 65536 : (nRound % 4 == 1 ? 4096 : 512);
        for (int i = 0; i < 64; ++i) {
            coef[i] = static_cast<int16_t>(static_cast<int>(random() % nRange) - nRange / 2);
            if (nRound % 3 == 0 && i % 8 != 0) coef[i] = 0;   // rows with DC only
            if (nRound % 5 == 0 && i >= 8) coef[i] = 0;       // columns with DC only
        }
        if (nRound == 1) for (int16_t& c : coef) c = -32768;
        if (nRound == 2) for (int16_t& c : coef) c = 32767;
        IdctExact(coef, a);
        IdctExactSimd(coef, b);
        ASSERT_EQ(std::memcmp(a, b, 64), 0) << "round " << nRound;
    }
    for (const std::string& file : CorpusFiles()) {
        std::vector<uint8_t> bytes = ReadCorpusFile(file);
        DecodedImage scalar = DecodeImage(bytes, false, [](JpegState& s) { s.bUseSimd = false; });
        DecodedImage simd = DecodeImage(bytes, false, [](JpegState& s) { s.bUseSimd = true; s.bUseAvx2 = false; });
        DecodedImage avx2 = DecodeImage(bytes, false, [](JpegState& s) { s.bUseSimd = true; s.bUseAvx2 = true; });
        EXPECT_EQ(scalar.pixels, avx2.pixels) << file;
        EXPECT_EQ(scalar.pixels, simd.pixels) << file;
    }
}

TEST(JpegTransform, ScalarAndSimdFastIdctAgree) {
    if (!JpegSimdAvailable()) GTEST_SKIP() << "no SIMD on this target";
    std::mt19937 random(1234);
    int16_t coef[64];
    uint16_t quant[64];
    uint8_t a[64], b[64];
    for (int nRound = 0; nRound < 20000; ++nRound) {
        int nRange = nRound % 4 == 0 ? 65536 : (nRound % 4 == 1 ? 2048 : 256);
        for (int i = 0; i < 64; ++i) {
            coef[i] = static_cast<int16_t>(static_cast<int>(random() % nRange) - nRange / 2);
            if (nRound % 3 == 0 && i > 10) coef[i] = 0;
            quant[i] = static_cast<uint16_t>(nRound % 5 == 0 ? random() % 65536 : random() % 256);
        }
        IdctFastScalar(coef, quant, a);
        IdctFastSimd(coef, quant, b);
        ASSERT_EQ(std::memcmp(a, b, 64), 0) << "round " << nRound;
    }
    // And over every corpus image.
    for (const std::string& file : CorpusFiles()) {
        std::vector<uint8_t> bytes = ReadCorpusFile(file);
        DecodedImage scalar = DecodeImage(bytes, true, [](JpegState& s) { s.bUseSimd = false; });
        DecodedImage simd = DecodeImage(bytes, true, [](JpegState& s) { s.bUseSimd = true; s.bUseAvx2 = false; });
        DecodedImage avx2 = DecodeImage(bytes, true, [](JpegState& s) { s.bUseSimd = true; s.bUseAvx2 = true; });
        EXPECT_EQ(scalar.pixels, avx2.pixels) << file;
        EXPECT_EQ(scalar.nLines, scalar.nHeight) << file;
        EXPECT_EQ(scalar.pixels, simd.pixels) << file;
    }
}

// Random blocks of the kinds photographs hold: dense, rows or columns with
// DC only, DC only, low frequencies only, rows or columns 4-7 zero, one AC
// term, and the extremes.
void FillRandomBlock(std::mt19937& random, int16_t* coef) {
    int nKind = static_cast<int>(random() % 10);
    int nOnly = 1 + static_cast<int>(random() % 63);
    int nRange = nKind == 0 ? 65536 : (random() % 2 ? 4096 : 512);
    for (int i = 0; i < 64; ++i) {
        coef[i] = static_cast<int16_t>(static_cast<int>(random() % nRange) - nRange / 2);
        bool bZero = (nKind == 1 && i % 8 != 0) || (nKind == 2 && i >= 8) || (nKind == 3 && i > 0) || (nKind == 4 && (i % 8 > 2 || i > 24)) ||
                     (nKind == 7 && i > 0 && i != nOnly) || (nKind == 8 && i >= 32) || (nKind == 9 && i % 8 >= 4);
        if (bZero) coef[i] = 0;
        if (nKind == 5) coef[i] = random() % 2 ? -32768 : 32767;
    }
}

// The AVX2 pair kernels and the row transforms (AC-free shortcut, SSE2 for
// a block left over) against the scalar kernels, block for block.
TEST(JpegTransform, VectorRowTransformsAgreeWithScalar) {
    if (!JpegSimdAvailable()) GTEST_SKIP() << "no SIMD on this target";
    const bool bAvx2 = JpegAvx2Available();
    const int kBlocks = 8, kPerMcu = 3;
    std::mt19937 random(7);
    int16_t coef[kBlocks * 64];
    uint16_t quant[kPerMcu][64];
    const uint16_t* ppQuant[kPerMcu] = {quant[0], quant[1], quant[2]};
    uint8_t expect[kBlocks * 64], got[kBlocks * 64];
    for (int nRound = 0; nRound < 3000; ++nRound) {
        for (int k = 0; k < kBlocks; ++k) FillRandomBlock(random, coef + k * 64);
        for (auto& q : quant)
            for (uint16_t& v : q) v = static_cast<uint16_t>(nRound % 5 == 0 ? random() % 65536 : random() % 256);
        for (bool bFast : {false, true}) {
            for (int k = 0; k < kBlocks; ++k) {
                if (bFast)
                    IdctFastScalar(coef + k * 64, ppQuant[k % kPerMcu], expect + k * 64);
                else
                    IdctExact(coef + k * 64, expect + k * 64);
            }
            for (int nWay = 0; nWay < (bAvx2 ? 3 : 2); ++nWay) {
                std::memset(got, 0xA5, sizeof got);
                if (nWay == 2) {   // pairs (0,5), (1,6)...: blocks apart
                    for (int k = 0; k < kBlocks; ++k) {
                        int j = (k + 5) % kBlocks;
                        const int16_t* pc[2] = {coef + k * 64, coef + j * 64};
                        const uint16_t* pq[2] = {ppQuant[k % kPerMcu], ppQuant[j % kPerMcu]};
                        uint8_t* po[2] = {got + k * 64, got + j * 64};
                        if (bFast)
                            IdctFastPairAvx2(pc, pq, po);
                        else
                            IdctExactPairAvx2(pc, po);
                    }
                } else {           // a row of seven blocks and a row of one
                    const int16_t* pLast = coef + (kBlocks - 1) * 64;
                    uint8_t* pLastOut = got + (kBlocks - 1) * 64;
                    if (bFast) {
                        IdctFastBlocks(coef, ppQuant, kPerMcu, got, kBlocks - 1, nWay == 1);
                        IdctFastBlocks(pLast, ppQuant + (kBlocks - 1) % kPerMcu, 1, pLastOut, 1, nWay == 1);
                    } else {
                        IdctExactBlocks(coef, got, kBlocks - 1, nWay == 1);
                        IdctExactBlocks(pLast, pLastOut, 1, nWay == 1);
                    }
                }
                ASSERT_EQ(std::memcmp(expect, got, sizeof got), 0) << "round " << nRound << " fast " << bFast << " way " << nWay;
            }
        }
    }
}

TEST(JpegColour, WorkedConversions) {
    // DC-only 4:4:4 blocks with q = 1: sample = 128 + DC / 8 in both modes.
    struct Case {
        int y, cb, cr;
        uint8_t r, g, b;
    } cases[] = {{128, 128, 128, 128, 128, 128},
                 {100, 200, 50, 0, 131, 228},
                 {255, 128, 255, 255, 164, 255},
                 {0, 0, 128, 0, 44, 0}};
    for (const Case& c : cases) {
        std::vector<int> dc = {(c.y - 128) * 8, (c.cb - 128) * 8, (c.cr - 128) * 8};
        for (bool bFast : {false, true}) {
            DecodedImage image = DecodeImage(DcOnlyImage(8, 8, k444, dc), bFast);
            ASSERT_EQ(image.nLines, 8);
            for (size_t i = 0; i < image.pixels.size(); i += 3) {
                ASSERT_EQ(image.pixels[i], c.r) << c.y << " " << c.cb << " " << c.cr;
                ASSERT_EQ(image.pixels[i + 1], c.g);
                ASSERT_EQ(image.pixels[i + 2], c.b);
            }
        }
    }
}

// The lines of one MCU row of three MCUs (the AVX2 kernels take two at a
// time, then one alone) produced from the given samples by the chosen kernels.
std::vector<uint8_t> ProduceMcuRow(PixelLayout nLayout, int nMcuWidth, int nMcuHeight, std::vector<uint8_t>& samples,
                                   bool bSimd, bool bAvx2) {
    const int kMcus = 3;
    std::unique_ptr<JpegState> state(new JpegState());
    JpegState& s = *state;
    BuildColorTables(s);
    std::vector<uint8_t> line0(kMcus * nMcuWidth * 4), line1(line0.size()), out;
    s.pLine[0] = line0.data();
    s.pLine[1] = line1.data();
    s.pSamples = samples.data();
    s.nLayout = nLayout;
    s.nMcusPerRow = kMcus;
    s.nMcuHeight = nMcuHeight;
    s.nLinesLeft = s.nRowLinesLeft = nMcuHeight;
    s.nLineLength = static_cast<int>(line0.size());
    s.bReady = true;
    s.bUseSimd = bSimd;
    s.bUseAvx2 = bAvx2;
    const uint8_t* pLine;
    uint32_t nLength;
    while (DecodeNextLine(s, &pLine, &nLength) == 0) out.insert(out.end(), pLine, pLine + nLength);
    ReleasePool(s);
    return out;
}

// The SSE2 and AVX2 colour kernels of every layout against the scalar ones,
// on random samples and on the extremes.
TEST(JpegColour, VectorKernelsAgreeWithScalar) {
    if (!JpegSimdAvailable()) GTEST_SKIP() << "no SIMD on this target";
    struct Layout {
        PixelLayout nLayout;
        int nMcuBytes, nMcuWidth, nMcuHeight;
    } layouts[] = {{Layout444, 192, 8, 8}, {Layout422, 256, 16, 8}, {Layout440, 256, 8, 16}, {Layout420, 384, 16, 16}};
    const uint8_t kExtremes[] = {0, 1, 2, 126, 127, 128, 129, 253, 254, 255};
    std::mt19937 random(5);
    for (const Layout& l : layouts) {
        for (int nRound = 0; nRound < 40; ++nRound) {
            std::vector<uint8_t> samples(static_cast<size_t>(3 * l.nMcuBytes));
            for (uint8_t& v : samples) v = static_cast<uint8_t>(nRound % 2 ? kExtremes[random() % 10] : random() % 256);
            std::vector<uint8_t> scalar = ProduceMcuRow(l.nLayout, l.nMcuWidth, l.nMcuHeight, samples, false, false);
            ASSERT_EQ(scalar.size(), static_cast<size_t>(3 * l.nMcuWidth * 4 * l.nMcuHeight));
            EXPECT_EQ(scalar, ProduceMcuRow(l.nLayout, l.nMcuWidth, l.nMcuHeight, samples, true, false)) << "SSE2 layout " << l.nLayout;
            if (JpegAvx2Available()) {
                EXPECT_EQ(scalar, ProduceMcuRow(l.nLayout, l.nMcuWidth, l.nMcuHeight, samples, true, true)) << "AVX2 layout " << l.nLayout;
            }
        }
    }
}

TEST(JpegLines, SkyPictureDeliversFourHundredEightyLines) {
    std::vector<uint8_t> bytes = DcOnlyImage(640, 480, k420, {80, -40, 40});
    JpegMemoryStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
    JpegDecoder decoder(&stream, false);
    ASSERT_EQ(decoder.beginDecoding(), 0);
    ASSERT_EQ(decoder.bytesPerPixel(), 4);
    JpegState& s = JpegDecoderState(decoder);
    const uint8_t* pLine;
    uint32_t nLength;
    int nLines = 0, nRows = 0;
    while (decoder.decodeLine(&pLine, &nLength) == 0) {
        if (s.nRowLinesLeft == 15) ++nRows;
        EXPECT_EQ(nLength, 640u * 4);
        EXPECT_EQ(pLine, s.pLine[nLines & 1]);   // odd lines come from the second buffer
        for (uint32_t i = 3; i < nLength; i += 4) ASSERT_EQ(pLine[i], 0);
        ++nLines;
    }
    EXPECT_EQ(nLines, 480);
    EXPECT_EQ(nRows, 30);
    EXPECT_EQ(decoder.decodeLine(&pLine, &nLength), 1);
    EXPECT_EQ(decoder.decodeLine(&pLine, &nLength), 1);
    EXPECT_EQ(decoder.errorCode(), 0);
}

TEST(JpegLines, OddSizesDeliverExactlyTheImage) {
    struct Case {
        const char* file;
        int nWidth, nHeight, nBpp;
    } cases[] = {{"c420_17x13.jpg", 17, 13, 4}, {"c422_17x13.jpg", 17, 13, 4}, {"c440_17x13.jpg", 17, 13, 4},
                 {"c444_17x13.jpg", 17, 13, 4}, {"gray_17x13.jpg", 17, 13, 1},  {"c420_33x1.jpg", 33, 1, 4},
                 {"prog_c420_33x1.jpg", 33, 1, 4}};
    for (const Case& c : cases) {
        for (bool bFast : {false, true}) {
            DecodedImage image = DecodeImage(ReadCorpusFile(c.file), bFast);
            EXPECT_EQ(image.nWidth, c.nWidth) << c.file;
            EXPECT_EQ(image.nHeight, c.nHeight) << c.file;
            EXPECT_EQ(image.nBytesPerPixel, c.nBpp) << c.file;
            EXPECT_EQ(image.nLines, c.nHeight) << c.file;
            for (uint32_t n : image.lengths) EXPECT_EQ(n, static_cast<uint32_t>(c.nWidth * c.nBpp)) << c.file;
            EXPECT_EQ(image.nLastResult, 1) << c.file;
        }
    }
}

TEST(JpegEntropy, PlainAndFastReadersGiveIdenticalCoefficients) {
    int nFilesWithStuffing = 0, nFilesWithRestarts = 0;
    for (const std::string& file : CorpusFiles()) {
        std::vector<uint8_t> bytes = ReadCorpusFile(file);
        for (size_t i = 0; i + 1 < bytes.size(); ++i) {
            if (bytes[i] == 0xFF && bytes[i + 1] == 0x00) {
                ++nFilesWithStuffing;
                break;
            }
        }
        for (size_t i = 0; i + 1 < bytes.size(); ++i) {
            if (bytes[i] == 0xFF && bytes[i + 1] == 0xDD) {
                ++nFilesWithRestarts;
                break;
            }
        }
        for (bool bFast : {false, true}) {
            std::vector<int16_t> plain = DecodeCoefficients(bytes, bFast, BitReaderPlain);
            std::vector<int16_t> fast = DecodeCoefficients(bytes, bFast, BitReaderFast);
            ASSERT_FALSE(plain.empty()) << file;
            EXPECT_EQ(plain, fast) << file;
        }
    }
    EXPECT_GE(nFilesWithStuffing, 5);
    EXPECT_GE(nFilesWithRestarts, 4);
}

// The stream with its DQT and DHT segments moved ahead of the other segments
// before the first scan, so the decoder builds its tables while constructed.
std::vector<uint8_t> TablesFirst(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> tables(bytes.begin(), bytes.begin() + 2), others;
    size_t i = 2;
    while (i + 4 <= bytes.size() && bytes[i] == 0xFF && bytes[i + 1] != 0xDA) {
        size_t nEnd = i + 2 + static_cast<size_t>(bytes[i + 2] << 8 | bytes[i + 3]);
        std::vector<uint8_t>& to = bytes[i + 1] == 0xDB || bytes[i + 1] == 0xC4 ? tables : others;
        to.insert(to.end(), bytes.begin() + static_cast<long>(i), bytes.begin() + static_cast<long>(nEnd));
        i = nEnd;
    }
    tables.insert(tables.end(), others.begin(), others.end());
    tables.insert(tables.end(), bytes.begin() + static_cast<long>(i), bytes.end());
    return tables;
}

TEST(JpegEntropy, AcShortcutAndCodeByCodeGiveIdenticalPixels) {
    for (const std::string& file : CorpusFiles()) {
        for (int nCase = 0; nCase < 4; ++nCase) {
            bool bTablesFirst = nCase & 1, bFast = nCase & 2;
            std::vector<uint8_t> bytes = ReadCorpusFile(file);
            if (bTablesFirst) bytes = TablesFirst(bytes);
            DecodedImage shortcut = DecodeImage(bytes, bFast);
            DecodedImage codeByCode = DecodeImage(bytes, bFast, [](JpegState& s) {
                UseAcShortcut(s, false);
                for (int nSlot = 4; nSlot < 8; ++nSlot) {
                    const HuffmanLookup* h = s.huff[nSlot].pLookup;
                    for (int i = 0; h && i < (1 << kJpegFastBits); ++i) ASSERT_EQ(h->fastAc[i], 0);
                }
            });
            ASSERT_EQ(shortcut.nErrorCode, 0) << file;
            EXPECT_EQ(codeByCode.nErrorCode, 0) << file;
            EXPECT_EQ(shortcut.pixels, codeByCode.pixels)
                << file << (bFast ? " fast" : " exact") << (bTablesFirst ? ", tables first" : "");
        }
    }
}

// The stream with every DQT segment replaced by one that defines tables 0 to
// 3 with 16-bit entries 65535 - k.
std::vector<uint8_t> WithWideQuantTables(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> dqt;
    for (int t = 0; t < 4; ++t) {
        dqt.push_back(static_cast<uint8_t>(0x10 | t));
        for (int k = 0; k < 64; ++k) {
            dqt.push_back(0xFF);
            dqt.push_back(static_cast<uint8_t>(0xFF - k));
        }
    }
    std::vector<uint8_t> out(bytes.begin(), bytes.begin() + 2);
    PutSegment(out, 0xDB, dqt);
    size_t i = 2;
    while (i + 4 <= bytes.size() && bytes[i] == 0xFF && bytes[i + 1] != 0xDA) {
        size_t nEnd = i + 2 + static_cast<size_t>(bytes[i + 2] << 8 | bytes[i + 3]);
        if (bytes[i + 1] != 0xDB) out.insert(out.end(), bytes.begin() + static_cast<long>(i), bytes.begin() + static_cast<long>(nEnd));
        i = nEnd;
    }
    out.insert(out.end(), bytes.begin() + static_cast<long>(i), bytes.end());
    return out;
}

TEST(JpegProgressive, SequentialTwinsGiveIdenticalPixels) {
    const char* pairs[][2] = {{"prog_c420_160x120.jpg", "c420_160x120.jpg"},
                              {"prog_script_c420_160x120.jpg", "c420_160x120.jpg"},
                              {"prog_script_c420_512x256.jpg", "seq_script_c420_512x256.jpg"},
                              {"prog_script_gray_512x256.jpg", "seq_script_gray_512x256.jpg"},
                              {"prog_gray_17x13.jpg", "gray_17x13.jpg"},
                              {"prog_c444_17x13.jpg", "c444_17x13.jpg"},
                              {"prog_c422_40x36_opt.jpg", "c422_40x36_opt.jpg"},
                              {"prog_c440_40x36.jpg", "c440_40x36.jpg"},
                              {"prog_c420_40x36.jpg", "c420_40x36.jpg"},
                              {"prog_c420_33x1.jpg", "c420_33x1.jpg"},
                              {"prog_c420_64x48_rst1.jpg", "c420_64x48_rst1.jpg"}};
    // Also with 16-bit quantisation entries so large that the products of
    // negative coefficients leave 32 bits: both keep the products' low 16 bits.
    for (auto& pair : pairs) {
        for (bool bWide : {false, true}) {
            for (bool bFast : {false, true}) {
                std::vector<uint8_t> progressiveBytes = ReadCorpusFile(pair[0]);
                std::vector<uint8_t> sequentialBytes = ReadCorpusFile(pair[1]);
                if (bWide) {
                    progressiveBytes = WithWideQuantTables(progressiveBytes);
                    sequentialBytes = WithWideQuantTables(sequentialBytes);
                }
                DecodedImage progressive = DecodeImage(progressiveBytes, bFast);
                DecodedImage sequential = DecodeImage(sequentialBytes, bFast);
                ASSERT_EQ(progressive.nErrorCode, 0) << pair[0];
                EXPECT_EQ(progressive.nLines, progressive.nHeight) << pair[0];
                EXPECT_FALSE(progressive.pixels.empty());
                EXPECT_EQ(progressive.pixels, sequential.pixels)
                    << pair[0] << (bFast ? " fast" : " exact") << (bWide ? " wide" : "");
            }
        }
    }
}

TEST(JpegProgressive, PlainAndFastReadersAgreeOnProgressiveScans) {
    for (const char* file : {"prog_script_c420_512x256.jpg", "prog_c420_64x48_rst1.jpg", "prog_script_gray_512x256.jpg"}) {
        std::vector<uint8_t> bytes = ReadCorpusFile(file);
        DecodedImage plain = DecodeImage(bytes, false, [](JpegState& s) { s.nReaderChoice = BitReaderPlain; });
        DecodedImage fast = DecodeImage(bytes, false, [](JpegState& s) { s.nReaderChoice = BitReaderFast; });
        EXPECT_EQ(plain.nLines, plain.nHeight);
        EXPECT_EQ(plain.pixels, fast.pixels) << file;
    }
}

// AC symbols through the standard table, for hand-made blocks.
void PutAc(BitWriter& w, int nSymbol, int nValueBits = 0, uint32_t dwValue = 0) {
    uint32_t dwCode;
    int nLength;
    ASSERT_TRUE(HuffmanCode(StandardAcTable(0x10), nSymbol, dwCode, nLength));
    w.Put(dwCode, nLength);
    if (nValueBits) w.Put(dwValue, nValueBits);
}

std::vector<uint8_t> GrayImageWithData(int nWidth, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> v = {0xFF, 0xD8};
    PutSegment(v, 0xDB, FlatQuantTable(0, 1));
    PutSegment(v, 0xC0, FrameHeader(8, nWidth, kGray));
    PutSegment(v, 0xC4, StandardDcTable(0x00));
    PutSegment(v, 0xC4, StandardAcTable(0x10));
    PutSegment(v, 0xDA, ScanHeader({1, 0x00}, 0, 63, 0));
    v.insert(v.end(), data.begin(), data.end());
    v.push_back(0xFF);
    v.push_back(0xD9);
    return v;
}

TEST(JpegEntropy, ZeroRunLimits) {
    // ZRL, ZRL (z = 33), a value after 14 zeros (z = 47), then ZRL at 48: accepted.
    BitWriter w;
    w.Put(0, 2);   // DC size 0
    PutAc(w, 0xF0);
    PutAc(w, 0xF0);
    PutAc(w, 0xE1, 1, 1);
    PutAc(w, 0xF0);
    w.Flush();
    DecodedImage image = DecodeImage(GrayImageWithData(8, w.bytes), false);
    EXPECT_EQ(image.nErrorCode, 0);
    EXPECT_EQ(image.nLines, 8);

    // One position later, ZRL at 49 is refused.
    BitWriter bad;
    bad.Put(0, 2);
    PutAc(bad, 0xF0);
    PutAc(bad, 0xF0);
    PutAc(bad, 0xF1, 1, 1);
    PutAc(bad, 0xF0);
    bad.Flush();
    image = DecodeImage(GrayImageWithData(8, bad.bytes), false);
    EXPECT_EQ(image.nLastResult, JPEG_ERR_BAD_DATA);
    EXPECT_EQ(image.nErrorCode, JPEG_ERR_BAD_DATA);
    EXPECT_EQ(image.nDetachCount, 1);
}

TEST(JpegEntropy, BlockEndingAtPosition63NeedsNoEndOfBlock) {
    // Block 1: a value at 63 (after 62 zeros: 3 ZRL + run 14), no EOB; block 2: DC 64 only.
    BitWriter w;
    w.Put(0, 2);
    PutAc(w, 0xF0);
    PutAc(w, 0xF0);
    PutAc(w, 0xF0);
    PutAc(w, 0xE1, 1, 1);
    w.Put(0x1E, 5);   // DC size 7
    w.Put(64, 7);
    PutAc(w, 0x00);
    w.Flush();
    for (bool bFast : {false, true}) {
        DecodedImage image = DecodeImage(GrayImageWithData(16, w.bytes), bFast);
        ASSERT_EQ(image.nErrorCode, 0);
        ASSERT_EQ(image.nLines, 8);
        EXPECT_EQ(image.pixels[8], 136);   // second block: 64 / 8 above the first block's DC of 0
        EXPECT_EQ(image.pixels[15 * 8 + 15 - 8 * 8 + 56], 136);
    }
}

TEST(JpegEntropy, TruncatedStreamStillDeliversEveryLine) {
    std::vector<uint8_t> bytes = ReadCorpusFile("c420_160x120.jpg");
    for (size_t nKeep : {bytes.size() / 2, bytes.size() / 5, size_t(700)}) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(nKeep));
        for (bool bFast : {false, true}) {
            DecodedImage image = DecodeImage(cut, bFast);
            EXPECT_EQ(image.nErrorCode, 0);
            EXPECT_EQ(image.nLines, 120);
            EXPECT_EQ(image.nLastResult, 1);
        }
    }
    std::vector<uint8_t> progressive = ReadCorpusFile("prog_c420_160x120.jpg");
    progressive.resize(progressive.size() / 2);
    DecodedImage image = DecodeImage(progressive, false);
    EXPECT_EQ(image.nErrorCode, 0);
    EXPECT_EQ(image.nLines, 120);
}

size_t FindMarker(const std::vector<uint8_t>& bytes, uint8_t nCode, size_t nFrom = 0) {
    for (size_t i = nFrom; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == nCode) return i;
    return std::string::npos;
}

TEST(JpegRestart, IntervalsWrapAndFillBytesAreSkipped) {
    for (const char* file : {"c444_80x24_rst1.jpg", "c420_64x48_rst1.jpg"}) {
        std::vector<uint8_t> bytes = ReadCorpusFile(file);
        size_t nSecondRst0 = FindMarker(bytes, 0xD0, FindMarker(bytes, 0xD0) + 2);
        ASSERT_NE(nSecondRst0, std::string::npos) << "RST7 -> RST0 wraps in " << file;
        DecodedImage plain = DecodeImage(bytes, false);
        EXPECT_EQ(plain.nErrorCode, 0);
        std::vector<uint8_t> filled = bytes;
        size_t nRst3 = FindMarker(filled, 0xD3);
        filled.insert(filled.begin() + static_cast<long>(nRst3), {0xFF, 0xFF, 0xFF});
        DecodedImage image = DecodeImage(filled, false);
        EXPECT_EQ(image.nErrorCode, 0);
        EXPECT_EQ(image.pixels, plain.pixels);
    }
}

TEST(JpegRestart, StuffedBytesLeftBeforeAMarkerAreSkipped) {
    // Damaged data: entropy bytes with a stuffed 0xFF 0x00 remain before RST3.
    // The search skips them whichever bit reader is in use.
    std::vector<uint8_t> bytes = ReadCorpusFile("c444_80x24_rst1.jpg");
    DecodedImage reference = DecodeImage(bytes, false);
    size_t nRst3 = FindMarker(bytes, 0xD3);
    bytes.insert(bytes.begin() + static_cast<long>(nRst3), {0x12, 0xFF, 0x00, 0x34});
    for (JpegBitReaderChoice nReader : {BitReaderPlain, BitReaderFast}) {
        DecodedImage image = DecodeImage(bytes, false, [nReader](JpegState& s) { s.nReaderChoice = nReader; });
        EXPECT_EQ(image.nErrorCode, 0);
        EXPECT_EQ(image.pixels, reference.pixels);
    }
    // A fuzzer input on which the two readers once disagreed.
    std::vector<uint8_t> found = ReadFile(std::string(VELTHRA_FUZZ_REGRESSIONS) + "/reader-disagreement-1.jpg");
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(DecodeCoefficients(found, false, BitReaderPlain), DecodeCoefficients(found, false, BitReaderFast));
}

TEST(JpegRestart, MissingOrRepeatedMarkerFails) {
    std::vector<uint8_t> bytes = ReadCorpusFile("c444_80x24_rst1.jpg");
    for (uint8_t nWrong : {uint8_t(0xD5), uint8_t(0xD2)}) {
        std::vector<uint8_t> patched = bytes;
        patched[FindMarker(patched, 0xD3) + 1] = nWrong;
        for (bool bFast : {false, true}) {
            DecodedImage image = DecodeImage(patched, bFast);
            EXPECT_EQ(image.nErrorCode, JPEG_ERR_RESTART);
            EXPECT_EQ(image.nLastResult, JPEG_ERR_BAD_DATA);
            EXPECT_EQ(image.nDetachCount, 1);
        }
    }
    std::vector<uint8_t> removed = bytes;
    size_t n = FindMarker(removed, 0xD3);
    removed.erase(removed.begin() + static_cast<long>(n), removed.begin() + static_cast<long>(n) + 2);
    EXPECT_EQ(DecodeImage(removed, false).nErrorCode, JPEG_ERR_RESTART);
}

TEST(JpegMarkers, JunkBeforeStartOfImage) {
    std::vector<uint8_t> bytes = ReadCorpusFile("c420_17x13.jpg");
    DecodedImage reference = DecodeImage(bytes, false);
    std::vector<uint8_t> junk(511 + bytes.size(), 0x00);
    std::copy(bytes.begin(), bytes.end(), junk.begin() + 511);
    DecodedImage image = DecodeImage(junk, false);
    EXPECT_EQ(image.nErrorCode, 0);
    EXPECT_EQ(image.pixels, reference.pixels);
    junk.insert(junk.begin(), 0x00);
    EXPECT_EQ(DecodeImage(junk, false).nConstructCode, JPEG_ERR_NO_SOI);
}

TEST(JpegMarkers, SegmentsAndFillBetweenThemAreSkipped) {
    std::vector<uint8_t> bytes = ReadCorpusFile("c444_17x13.jpg");
    DecodedImage reference = DecodeImage(bytes, false);
    // APP1, COM, a DNL, fill bytes and a stray FF 00 after SOI; a second DHT
    // for an unused slot; tables replaced by later identical copies.
    std::vector<uint8_t> extra;
    PutSegment(extra, 0xE1, {1, 2, 3, 4});
    PutSegment(extra, 0xFE, {'h', 'i'});
    PutSegment(extra, 0xDC, {0, 13});
    extra.insert(extra.end(), {0xFF, 0x00, 0x12, 0xFF, 0xFF});
    PutSegment(extra, 0xC4, StandardDcTable(0x23));   // class bit 5 ignored: DC slot 3
    std::vector<uint8_t> patched = bytes;
    patched.insert(patched.begin() + 2, extra.begin(), extra.end());
    DecodedImage image = DecodeImage(patched, false);
    EXPECT_EQ(image.nErrorCode, 0);
    EXPECT_EQ(image.pixels, reference.pixels);
}

TEST(JpegMarkers, SixteenBitQuantisationEntries) {
    for (const char* file : {"c420_64x48_q16bit.jpg", "gray_64x48_q16bit.jpg"}) {
        std::vector<uint8_t> bytes = ReadCorpusFile(file);
        size_t n = FindMarker(bytes, 0xDB);
        ASSERT_NE(n, std::string::npos);
        EXPECT_EQ(bytes[n + 4] >> 4, 1) << file << " has 16-bit entries";
        DecodedImage image = DecodeImage(bytes, false);
        EXPECT_EQ(image.nErrorCode, 0);
        EXPECT_EQ(image.nLines, 48);
    }
}

TEST(JpegDecoder, CallingOrderAndResults) {
    std::vector<uint8_t> bytes = ReadCorpusFile("gray_17x13.jpg");
    JpegMemoryStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
    JpegDecoder decoder(&stream, false);
    ASSERT_EQ(decoder.errorCode(), 0);
    EXPECT_EQ(decoder.width(), 17);
    EXPECT_EQ(decoder.height(), 13);
    const uint8_t* pLine = nullptr;
    uint32_t nLength = 0;
    EXPECT_EQ(decoder.decodeLine(&pLine, &nLength), -1);   // not begun
    EXPECT_EQ(decoder.beginDecoding(), 0);
    EXPECT_EQ(decoder.beginDecoding(), 0);
    EXPECT_EQ(decoder.bytesPerPixel(), 1);
    uint8_t* pMutable = nullptr;
    EXPECT_EQ(decoder.decodeLine(&pMutable, &nLength), 0);
    EXPECT_EQ(nLength, 17u);
    int nLines = 1;
    while (decoder.decodeLine(&pLine, &nLength) == 0) ++nLines;
    EXPECT_EQ(nLines, 13);
    pLine = nullptr;
    nLength = 99;
    EXPECT_EQ(decoder.decodeLine(&pLine, &nLength), 1);
    EXPECT_EQ(pLine, nullptr);   // untouched
    EXPECT_EQ(nLength, 99u);
}

TEST(JpegDecoder, MemoryStreamReadsInPieces) {
    uint8_t data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    JpegMemoryStream stream(data, 10);
    uint8_t buffer[8];
    bool bEnd = false;
    EXPECT_EQ(stream.read(buffer, 8, &bEnd), 8);
    EXPECT_FALSE(bEnd);
    EXPECT_EQ(stream.read(buffer, 8, &bEnd), 2);
    EXPECT_EQ(buffer[1], 9);
    EXPECT_EQ(stream.consumed, 10u);
    EXPECT_FALSE(bEnd);
    EXPECT_EQ(stream.read(buffer, 8, &bEnd), 0);
    EXPECT_TRUE(bEnd);
}

TEST(JpegDecoder, OnlyTheFirstScanOfASequentialImageIsDecoded) {
    // A second (garbage) scan after the first: never read, the image decodes.
    std::vector<uint8_t> bytes = ReadCorpusFile("gray_17x13.jpg");
    DecodedImage reference = DecodeImage(bytes, false);
    bytes.resize(bytes.size() - 2);
    PutSegment(bytes, 0xDA, ScanHeader({1, 0x77}, 0, 63, 0));
    bytes.insert(bytes.end(), {0x12, 0x34, 0xFF, 0xD9});
    DecodedImage image = DecodeImage(bytes, false);
    EXPECT_EQ(image.nErrorCode, 0);
    EXPECT_EQ(image.pixels, reference.pixels);
}

}  // namespace
