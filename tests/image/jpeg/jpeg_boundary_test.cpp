// Decoder behaviour at the edges of the data, each on a small hand-made or
// patched stream: coefficient blocks reused from one MCU row to the next,
// data that ends early, the end-of-image search after the last row, the
// restart marker search, and header fields that only partly count.
#include <gtest/gtest.h>

#include "tests/image/jpeg/jpeg_test_util.h"

namespace {

std::vector<int> Coefficients(std::initializer_list<std::pair<int, int>> terms) {
    std::vector<int> coef(64, 0);
    for (const auto& t : terms) coef[static_cast<size_t>(t.first)] = t.second;
    return coef;
}

// Every combination of mode and entropy bit reader.
struct Setting {
    bool bFast;
    JpegBitReaderChoice nReader;
};
const Setting kSettings[] = {{false, BitReaderPlain}, {false, BitReaderFast}, {true, BitReaderPlain}, {true, BitReaderFast}};

DecodedImage Decode(const std::vector<uint8_t>& bytes, const Setting& setting) {
    return DecodeImage(bytes, setting.bFast, [&setting](JpegState& s) { s.nReaderChoice = setting.nReader; });
}

std::string Describe(const Setting& setting) {
    return std::string(setting.bFast ? "fast" : "exact") + (setting.nReader == BitReaderPlain ? ", plain reader" : ", fast reader");
}

// Blocks of the second MCU row follow blocks whose contents ended at zig-zag
// positions 1, 63 and 3: nothing of those may remain. The last row is partial.
TEST(JpegBlocks, ReusedBlocksCarryNothingIntoTheNextRow) {
    GrayImage image;
    image.nWidth = 24;
    image.nHeight = 12;
    image.blocks = {Coefficients({{0, 40}, {1, 20}}), Coefficients({{0, -40}, {1, 9}, {8, -7}, {63, 3}}),
                    Coefficients({{0, 8}, {8, 30}, {16, -12}}),
                    Coefficients({{0, 40}}), Coefficients({{0, -40}, {1, 5}}), Coefficients({{0, 8}, {1, -6}})};
    std::vector<uint8_t> bytes = image.Build();
    for (const Setting& setting : kSettings) {
        DecodedImage decoded = Decode(bytes, setting);
        ASSERT_EQ(decoded.nErrorCode, 0);
        EXPECT_EQ(decoded.pixels, image.Expected(setting.bFast)) << Describe(setting);
    }
}

// The data of a 2 x 2 block image stops after its first block: the rest of
// the scan reads as 1-bits, which the standard tables decode as a DC
// difference of 0 and an end of block, so the later blocks repeat the DC.
TEST(JpegEnd, DataEndingEarlyReadsAsOneBits) {
    GrayImage image;
    image.nWidth = 16;
    image.nHeight = 16;
    image.blocks = {Coefficients({{0, 80}, {1, -30}, {9, 12}}), Coefficients({{0, 80}}), Coefficients({{0, 80}}),
                    Coefficients({{0, 80}})};
    GrayImage first = image;
    first.nWidth = first.nHeight = 8;
    std::vector<uint8_t> bytes = image.Build();
    bytes.resize(bytes.size() - image.Data().size() - image.tail.size());
    std::vector<uint8_t> data = first.Data();
    bytes.insert(bytes.end(), data.begin(), data.end());
    for (const Setting& setting : kSettings) {
        DecodedImage decoded = Decode(bytes, setting);
        EXPECT_EQ(decoded.nErrorCode, 0);
        EXPECT_EQ(decoded.nLines, 16);
        EXPECT_EQ(decoded.pixels, image.Expected(setting.bFast)) << Describe(setting);
    }
}

// Corpus images cut inside their data (once just after the 0xFF of a stuffed
// pair) decode as if stuffed 0xFF bytes followed, and not as zero bytes.
TEST(JpegEnd, CutImagesDecodeAsIfOneBitsFollowed) {
    for (const char* file : {"c420_160x120.jpg", "gray_17x13.jpg", "prog_c420_160x120.jpg"}) {
        std::vector<uint8_t> bytes = ReadCorpusFile(file);
        size_t nData = 2;   // the first scan's data
        while (bytes[nData] != 0xFF || bytes[nData + 1] != 0xDA) nData += 2 + static_cast<size_t>(bytes[nData + 2] << 8 | bytes[nData + 3]);
        nData += 2 + static_cast<size_t>(bytes[nData + 2] << 8 | bytes[nData + 3]);
        size_t nHalf = (nData + bytes.size()) / 2, nStuffed = nHalf;
        while (nStuffed + 1 < bytes.size() && !(bytes[nStuffed] == 0xFF && bytes[nStuffed + 1] == 0x00)) ++nStuffed;
        ASSERT_LT(nStuffed + 1, bytes.size()) << file;
        for (size_t nKeep : {nData + 20, nHalf, nStuffed + 1}) {
            std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(nKeep));
            std::vector<uint8_t> ones = cut, zeros = cut;
            for (int i = 0; i < 4096; ++i) ones.insert(ones.end(), {0xFF, 0x00});
            zeros.resize(zeros.size() + 8192, 0x00);
            for (std::vector<uint8_t>* p : {&ones, &zeros}) p->insert(p->end(), {0xFF, 0xD9});
            for (const Setting& setting : kSettings) {
                DecodedImage decoded = Decode(cut, setting);
                EXPECT_EQ(decoded.nErrorCode, 0) << file;
                EXPECT_EQ(decoded.nLines, decoded.nHeight) << file;
                EXPECT_EQ(decoded.pixels, Decode(ones, setting).pixels) << file << " cut at " << nKeep << ", " << Describe(setting);
                EXPECT_NE(decoded.pixels, Decode(zeros, setting).pixels) << file << " cut at " << nKeep;
            }
        }
    }
}

// After the last MCU row of a sequential image, the markers that follow the
// data are processed up to the next EOI, SOS or frame marker, and fail as
// they would anywhere: the lines of the last row are then not delivered.
TEST(JpegEnd, MarkersAfterTheLastRowAreProcessed) {
    std::vector<uint8_t> badTable, comment, frame;
    PutSegment(badTable, 0xC4, StandardDcTable(0x18));
    PutSegment(comment, 0xFE, {'o', 'k'});
    comment.insert(comment.end(), {0xFF, 0xD9});
    PutSegment(frame, 0xC2, FrameHeader(8, 8, {1, 0x11, 0}));
    frame.insert(frame.end(), {0xFF, 0x01});   // never reached
    struct Case {
        const char* pName;
        int nHeight;
        std::vector<uint8_t> tail;
        int nCode;
    } cases[] = {{"TEM", 16, {0xFF, 0x01}, JPEG_ERR_UNEXPECTED_MARKER},
                 {"TEM, last row partial", 12, {0xFF, 0x01}, JPEG_ERR_UNEXPECTED_MARKER},
                 {"TEM, one row", 8, {0x00, 0xFF, 0xFF, 0x01}, JPEG_ERR_UNEXPECTED_MARKER},
                 {"RST0", 16, {0xFF, 0xD0}, JPEG_ERR_UNEXPECTED_MARKER},
                 {"DHT for slot 12", 12, badTable, JPEG_ERR_HUFFMAN_SLOT},
                 {"APP1 of length 1", 16, {0xFF, 0xE1, 0x00, 0x01}, JPEG_ERR_SEGMENT_LENGTH},
                 {"DAC", 16, {0xFF, 0xCC, 0x00, 0x04, 0x00, 0x00}, JPEG_ERR_ARITHMETIC},
                 {"COM, then EOI", 16, comment, 0},
                 {"a frame marker stops the search", 12, frame, 0}};
    for (const Case& c : cases) {
        GrayImage image;
        image.nHeight = c.nHeight;
        image.blocks = {Coefficients({{0, 16}, {1, 7}}), Coefficients({{0, -16}, {9, 4}})};
        image.tail = c.tail;
        for (const Setting& setting : kSettings) {
            DecodedImage decoded = Decode(image.Build(), setting);
            EXPECT_EQ(decoded.nErrorCode, c.nCode) << c.pName << ", " << Describe(setting);
            EXPECT_EQ(decoded.nLines, c.nCode ? (c.nHeight - 1) / 8 * 8 : c.nHeight) << c.pName;
            EXPECT_EQ(decoded.nLastResult, c.nCode ? JPEG_ERR_BAD_DATA : 1) << c.pName;
            EXPECT_EQ(decoded.nDetachCount, 1) << c.pName;
        }
    }
    // A scan with no data at all, a table right behind it: the search starts
    // afresh at the table's marker, where the scan stopped.
    std::vector<uint8_t> table;
    PutSegment(table, 0xDB, FlatQuantTable(1, 3));
    table.insert(table.end(), {0xFF, 0xD9});
    GrayImage empty;
    empty.tail = table;
    std::vector<uint8_t> bytes = empty.Build();
    bytes.erase(bytes.end() - static_cast<long>(empty.tail.size() + empty.Data().size()), bytes.end() - static_cast<long>(empty.tail.size()));
    for (const Setting& setting : kSettings) {
        DecodedImage decoded = Decode(bytes, setting);
        EXPECT_EQ(decoded.nErrorCode, 0) << Describe(setting);
        EXPECT_EQ(decoded.pixels, std::vector<uint8_t>(64, 128)) << Describe(setting);
    }
}

// The search for a restart marker reads at most 1536 bytes, the marker's own
// two bytes included: 1534 fill bytes before RST3 are skipped, 1535 are not.
TEST(JpegRestart, MarkerSearchBudget) {
    std::vector<uint8_t> bytes = ReadCorpusFile("c444_80x24_rst1.jpg");
    size_t nRst3 = 0;
    while (!(bytes[nRst3] == 0xFF && bytes[nRst3 + 1] == 0xD3)) ++nRst3;
    for (const Setting& setting : kSettings) {
        DecodedImage reference = Decode(bytes, setting);
        ASSERT_EQ(reference.nErrorCode, 0);
        for (size_t nFill : {size_t(1534), size_t(1535)}) {
            std::vector<uint8_t> filled = bytes;
            filled.insert(filled.begin() + static_cast<long>(nRst3), nFill, 0xFF);
            DecodedImage decoded = Decode(filled, setting);
            if (nFill == 1534) {
                EXPECT_EQ(decoded.nErrorCode, 0) << Describe(setting);
                EXPECT_EQ(decoded.pixels, reference.pixels) << Describe(setting);
            } else {
                EXPECT_EQ(decoded.nErrorCode, JPEG_ERR_RESTART) << Describe(setting);
                EXPECT_EQ(decoded.nLastResult, JPEG_ERR_BAD_DATA);
            }
        }
    }
}

// A sequential scan is read as Ss = 0 and Se = 63 whatever its header says,
// including when it decides which Huffman tables the scan needs.
TEST(JpegScanHeader, SequentialScanTakesTheWholeBand) {
    struct Case {
        int nSs, nSe;
        bool bDcTable, bAcTable;
        int nCode;
    } cases[] = {{1, 5, true, true, 0}, {63, 0, true, true, 0}, {0, 0, true, false, JPEG_ERR_NO_HUFFMAN_TABLE},
                 {1, 63, false, true, JPEG_ERR_NO_HUFFMAN_TABLE}};
    for (const Case& c : cases) {
        GrayImage image;
        image.blocks = {Coefficients({{0, 24}, {1, -11}, {10, 6}})};
        image.nSs = c.nSs;
        image.nSe = c.nSe;
        image.nDcClass = c.bDcTable ? 0x00 : -1;
        image.nAcClass = c.bAcTable ? 0x10 : -1;
        std::vector<uint8_t> bytes = image.Build();
        JpegMemoryStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
        JpegDecoder decoder(&stream, false);
        ASSERT_EQ(decoder.beginDecoding(), c.nCode ? -1 : 0) << "Ss " << c.nSs << ", Se " << c.nSe;
        EXPECT_EQ(decoder.errorCode(), c.nCode);
        if (c.nCode != 0) continue;
        for (const Setting& setting : kSettings)
            EXPECT_EQ(Decode(bytes, setting).pixels, image.Expected(setting.bFast)) << Describe(setting);
    }
}

// Only bit 4 of a DHT class/index byte selects the class; a DC table with an
// index of 4 to 7 lands in an AC slot; slots past 7 are refused.
TEST(JpegMarkers, HuffmanClassIsBitFourAlone) {
    struct Case {
        int nDcByte, nAcByte, nCode;
    } cases[] = {{0x20, 0x30, 0}, {0xE0, 0xF0, 0}, {0x40, 0xD0, 0}, {0x00, 0x04, 0}, {0xA0, 0xE4, 0},
                 {0x00, 0x14, JPEG_ERR_HUFFMAN_SLOT}, {0x00, 0x34, JPEG_ERR_HUFFMAN_SLOT}, {0x0F, 0x10, JPEG_ERR_HUFFMAN_SLOT}};
    for (const Case& c : cases) {
        GrayImage image;
        image.blocks = {Coefficients({{0, -24}, {1, 11}, {17, -6}})};
        image.nDcClass = c.nDcByte;
        image.nAcClass = c.nAcByte;
        for (const Setting& setting : kSettings) {
            DecodedImage decoded = Decode(image.Build(), setting);
            EXPECT_EQ(decoded.nErrorCode, c.nCode) << std::hex << c.nDcByte << " " << c.nAcByte;
            if (c.nCode == 0) {
                EXPECT_EQ(decoded.pixels, image.Expected(setting.bFast)) << std::hex << c.nDcByte << " " << c.nAcByte;
            }
        }
    }
}

}  // namespace
