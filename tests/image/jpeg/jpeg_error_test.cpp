// Every error code the decoder can produce, each from a small hand-made
// stream or a byte-patched corpus file, with the after-failure contract:
// beginDecoding and decodeLine answer -1, the stream was attached and
// detached once, and errorCode keeps the first code.
#include <gtest/gtest.h>

#include "tests/image/jpeg/jpeg_test_util.h"

namespace {

enum Stage { AtConstruction, AtBegin, AtLine };

void ExpectFailure(const std::vector<uint8_t>& bytes, int nCode, Stage stage, bool bFast = false) {
    DecodedImage image = DecodeImage(bytes, bFast);
    EXPECT_EQ(image.nErrorCode, nCode);
    EXPECT_EQ(image.nErrorCodeAfter, nCode);
    EXPECT_EQ(image.nAttachCount, 1);
    EXPECT_EQ(image.nDetachCount, 1);
    EXPECT_EQ(image.nBeginAfter, -1);
    EXPECT_EQ(image.nLineAfter, -1);
    EXPECT_EQ(image.nConstructCode, stage == AtConstruction ? nCode : 0);
    EXPECT_EQ(image.nBeginResult, stage == AtLine ? 0 : -1);
    EXPECT_EQ(image.nLastResult, stage == AtLine ? JPEG_ERR_BAD_DATA : -1);
    if (stage != AtLine) {
        EXPECT_EQ(image.nLines, 0);
    }
}

// A small stream assembled from parts that each case replaces.
struct Parts {
    std::vector<uint8_t> head = {0xFF, 0xD8};
    std::vector<uint8_t> tables;
    int nFrameMarker = 0xC0;
    std::vector<uint8_t> frame = FrameHeader(8, 8, {1, 0x11, 0});
    std::vector<uint8_t> afterFrame;
    std::vector<uint8_t> scan = ScanHeader({1, 0x00}, 0, 63, 0);
    std::vector<uint8_t> data = {0x28, 0xA0};   // two blocks of DC 0 + EOB: 00 1010 00 1010 ...
    bool bScan = true;

    Parts() {
        PutSegment(tables, 0xDB, FlatQuantTable(0, 1));
        PutSegment(tables, 0xC4, StandardDcTable(0x00));
        PutSegment(tables, 0xC4, StandardAcTable(0x10));
    }
    std::vector<uint8_t> Build() const {
        std::vector<uint8_t> v = head;
        v.insert(v.end(), tables.begin(), tables.end());
        PutSegment(v, nFrameMarker, frame);
        v.insert(v.end(), afterFrame.begin(), afterFrame.end());
        if (bScan) {
            PutSegment(v, 0xDA, scan);
            v.insert(v.end(), data.begin(), data.end());
        }
        v.push_back(0xFF);
        v.push_back(0xD9);
        return v;
    }
};

std::vector<uint8_t> WithTables(const std::vector<uint8_t>& raw) {
    Parts p;
    p.tables = raw;
    return p.Build();
}

TEST(JpegErrors, ValidBaseStreamDecodes) {
    DecodedImage image = DecodeImage(Parts().Build(), false);
    EXPECT_EQ(image.nErrorCode, 0);
    EXPECT_EQ(image.nLines, 8);
    EXPECT_EQ(image.nDetachCount, 1);   // by destruction
}

TEST(JpegErrors, HuffmanTables) {
    std::vector<uint8_t> tooMany = {0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 255};
    std::vector<uint8_t> v;
    PutSegment(v, 0xC4, tooMany);
    ExpectFailure(WithTables(v), JPEG_ERR_HUFFMAN_CODES, AtConstruction);

    // Refused: three codes of length 1 over-subscribe the code space; a
    // symbol listed twice (same length, a short and a long code, a short
    // and a longer short code) would decode differently through the AC
    // shortcut and code by code.
    const std::vector<std::vector<uint8_t>> refused = {
        {0x00, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3},
        {0x10, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x01},
        {0x10, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x01},
        {0x10, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x01, 0x00},
        {0x00, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0}};
    for (const std::vector<uint8_t>& table : refused) {
        v.clear();
        PutSegment(v, 0xC4, table);
        ExpectFailure(WithTables(v), JPEG_ERR_HUFFMAN_CODES, AtConstruction);
    }
    // One code of length 1 and two of length 16 leave room: accepted.
    std::vector<uint8_t> sparse = {0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 2, 3};
    v.clear();
    PutSegment(v, 0xC4, sparse);
    EXPECT_EQ(DecodeImage(WithTables(v), false).nConstructCode, 0);
    v.clear();
    PutSegment(v, 0xC4, StandardDcTable(0x08));
    ExpectFailure(WithTables(v), JPEG_ERR_HUFFMAN_SLOT, AtConstruction);

    v = {0xFF, 0xC4, 0x00, 0x01};
    ExpectFailure(WithTables(v), JPEG_ERR_HUFFMAN_LENGTH, AtConstruction);
    std::vector<uint8_t> dc = StandardDcTable(0x00);
    v = {0xFF, 0xC4, 0x00, static_cast<uint8_t>(2 + dc.size() - 1)};
    v.insert(v.end(), dc.begin(), dc.end());
    ExpectFailure(WithTables(v), JPEG_ERR_HUFFMAN_LENGTH, AtConstruction);
}

TEST(JpegErrors, QuantisationTables) {
    std::vector<uint8_t> v = {0xFF, 0xDB, 0x00, 0x01};
    ExpectFailure(WithTables(v), JPEG_ERR_QUANT_LENGTH, AtConstruction);
    v.clear();
    PutSegment(v, 0xDB, FlatQuantTable(4, 1));
    ExpectFailure(WithTables(v), JPEG_ERR_QUANT_INDEX, AtConstruction);
    std::vector<uint8_t> q = FlatQuantTable(0, 1);
    v = {0xFF, 0xDB, 0x00, static_cast<uint8_t>(2 + 60)};
    v.insert(v.end(), q.begin(), q.end());
    ExpectFailure(WithTables(v), JPEG_ERR_QUANT_OVERRUN, AtConstruction);
}

TEST(JpegErrors, FrameHeader) {
    Parts p;
    p.frame[0] = 12;
    ExpectFailure(p.Build(), JPEG_ERR_PRECISION, AtConstruction);
    for (int nHeight : {0, 8193}) {
        p = Parts();
        p.frame = FrameHeader(nHeight, 8, {1, 0x11, 0});
        ExpectFailure(p.Build(), JPEG_ERR_HEIGHT, AtConstruction);
    }
    for (int nWidth : {0, 8193}) {
        p = Parts();
        p.frame = FrameHeader(8, nWidth, {1, 0x11, 0});
        ExpectFailure(p.Build(), JPEG_ERR_WIDTH, AtConstruction);
    }
    p = Parts();
    p.frame = FrameHeader(8, 8, {1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0, 4, 0x11, 0, 5, 0x11, 0});
    ExpectFailure(p.Build(), JPEG_ERR_FRAME_COMPONENTS, AtConstruction);
    p = Parts();
    p.frame.push_back(0);
    ExpectFailure(p.Build(), JPEG_ERR_FRAME_LENGTH, AtConstruction);
}

TEST(JpegErrors, SegmentsAndMarkersBeforeTheFrame) {
    ExpectFailure(WithTables({0xFF, 0xE0, 0x00, 0x01}), JPEG_ERR_SEGMENT_LENGTH, AtConstruction);
    ExpectFailure(WithTables({0xFF, 0xDD, 0x00, 0x05, 0x00, 0x01, 0x00}), JPEG_ERR_RESTART_LENGTH, AtConstruction);
    ExpectFailure(WithTables({0xFF, 0xCC, 0x00, 0x04, 0x00, 0x00}), JPEG_ERR_ARITHMETIC, AtConstruction);
    ExpectFailure(WithTables({0xFF, 0xD3}), JPEG_ERR_UNEXPECTED_MARKER, AtConstruction);
    ExpectFailure(WithTables({0xFF, 0x01}), JPEG_ERR_UNEXPECTED_MARKER, AtConstruction);
    ExpectFailure(WithTables({0xFF, 0xC8}), JPEG_ERR_UNEXPECTED_MARKER, AtConstruction);
    Parts p;
    p.nFrameMarker = 0xC9;
    ExpectFailure(p.Build(), JPEG_ERR_ARITHMETIC, AtConstruction);
    p.nFrameMarker = 0xC3;
    ExpectFailure(p.Build(), JPEG_ERR_NO_FRAME, AtConstruction);
    ExpectFailure(WithTables({0xFF, 0xD9}), JPEG_ERR_NO_FRAME, AtConstruction);
    ExpectFailure(WithTables({0xFF, 0xD8}), JPEG_ERR_NO_FRAME, AtConstruction);
}

TEST(JpegErrors, StartOfImage) {
    ExpectFailure({}, JPEG_ERR_NO_SOI, AtConstruction);
    ExpectFailure(std::vector<uint8_t>(512, 0x00), JPEG_ERR_NO_SOI, AtConstruction);
    // A searched SOI at the very end: the synthetic bytes after it read as EOI.
    ExpectFailure({0xFF, 0xD9, 0xFF, 0xD8}, JPEG_ERR_NO_FRAME, AtConstruction);
    std::vector<uint8_t> v = {0x00, 0xFF, 0xD8, 0x00};
    std::vector<uint8_t> rest = Parts().Build();
    v.insert(v.end(), rest.begin() + 2, rest.end());
    ExpectFailure(v, JPEG_ERR_NO_SOI, AtConstruction);
    v.erase(v.begin() + 3);   // now SOI is followed by 0xFF
    DecodedImage image = DecodeImage(v, false);
    EXPECT_EQ(image.nErrorCode, 0);
}

TEST(JpegErrors, ScanHeader) {
    Parts p;
    p.scan.push_back(0);
    ExpectFailure(p.Build(), JPEG_ERR_SCAN_HEADER, AtBegin);
    p = Parts();
    p.scan = {0, 0, 63, 0, 0, 0};
    p.scan.resize(4);   // Ns = 0 with a length that fits it
    ExpectFailure(p.Build(), JPEG_ERR_SCAN_HEADER, AtBegin);
    p = Parts();
    p.frame = FrameHeader(8, 8, {1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0});
    p.scan = ScanHeader({1, 0, 1, 0, 3, 0}, 0, 63, 0);
    ExpectFailure(p.Build(), JPEG_ERR_SCAN_HEADER, AtBegin);   // a component named twice
    p = Parts();
    p.scan = ScanHeader({9, 0x00}, 0, 63, 0);
    ExpectFailure(p.Build(), JPEG_ERR_SCAN_COMPONENT, AtBegin);
}

TEST(JpegErrors, MissingOrUnusableScan) {
    Parts p;
    p.bScan = false;
    ExpectFailure(p.Build(), JPEG_ERR_UNEXPECTED_MARKER, AtBegin);   // no scan at all
    p = Parts();
    PutSegment(p.afterFrame, 0xC0, FrameHeader(8, 8, {1, 0x11, 0}));
    ExpectFailure(p.Build(), JPEG_ERR_UNEXPECTED_MARKER, AtBegin);   // a frame where a scan belongs
    p = Parts();
    p.frame = FrameHeader(8, 8, {1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0});
    p.scan = ScanHeader({1, 0x00}, 0, 63, 0);
    ExpectFailure(p.Build(), JPEG_ERR_UNEXPECTED_MARKER, AtBegin);   // first scan lacks the chroma
    p.scan = ScanHeader({2, 0, 1, 0, 3, 0}, 0, 63, 0);
    ExpectFailure(p.Build(), JPEG_ERR_UNEXPECTED_MARKER, AtBegin);   // out of frame order
}

TEST(JpegErrors, MissingTablesAndSelectors) {
    Parts p;
    p.tables.clear();
    PutSegment(p.tables, 0xC4, StandardDcTable(0x00));
    PutSegment(p.tables, 0xC4, StandardAcTable(0x10));
    ExpectFailure(p.Build(), JPEG_ERR_NO_QUANT_TABLE, AtBegin);
    p = Parts();
    p.frame = FrameHeader(8, 8, {1, 0x11, 4});
    ExpectFailure(p.Build(), JPEG_ERR_NO_QUANT_TABLE, AtBegin);
    p = Parts();
    p.frame = FrameHeader(8, 8, {1, 0x11, 1});
    ExpectFailure(p.Build(), JPEG_ERR_NO_QUANT_TABLE, AtBegin);

    p = Parts();
    p.tables.clear();
    PutSegment(p.tables, 0xDB, FlatQuantTable(0, 1));
    PutSegment(p.tables, 0xC4, StandardDcTable(0x00));
    ExpectFailure(p.Build(), JPEG_ERR_NO_HUFFMAN_TABLE, AtBegin);
    for (int nTables : {0x40, 0x04, 0x80, 0x11}) {
        p = Parts();
        p.scan = ScanHeader({1, nTables}, 0, 63, 0);
        ExpectFailure(p.Build(), JPEG_ERR_NO_HUFFMAN_TABLE, AtBegin);
    }
}

TEST(JpegErrors, ComponentCountsAndSampling) {
    for (const std::vector<int>& components :
         {std::vector<int>{1, 0x11, 0, 2, 0x11, 0}, std::vector<int>{1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0, 4, 0x11, 0},
          std::vector<int>{}}) {
        Parts p;
        p.frame = FrameHeader(8, 8, components);
        DecodedImage image = DecodeImage(p.Build(), false);
        EXPECT_EQ(image.nConstructCode, 0);
        EXPECT_EQ(image.nWidth, 8);
        EXPECT_EQ(image.nHeight, 8);
        ExpectFailure(p.Build(), JPEG_ERR_COMPONENT_COUNT, AtBegin);
    }
    for (const std::vector<int>& components :
         {std::vector<int>{1, 0x41, 0, 2, 0x11, 0, 3, 0x11, 0}, std::vector<int>{1, 0x22, 0, 2, 0x21, 0, 3, 0x11, 0},
          std::vector<int>{1, 0x00, 0, 2, 0x11, 0, 3, 0x11, 0}, std::vector<int>{1, 0x01, 0},
          std::vector<int>{1, 0x10, 0}}) {
        Parts p;
        p.frame = FrameHeader(8, 8, components);
        ExpectFailure(p.Build(), JPEG_ERR_SAMPLING, AtBegin);
    }
}

// A progressive greyscale 8 x 8 frame with one scan.
std::vector<uint8_t> ProgressiveImage(int nSs, int nSe, int nAhAl, const std::vector<uint8_t>& data,
                                      const std::vector<int>& components = {1, 0x11, 0},
                                      const std::vector<int>& scan = {1, 0x00}) {
    Parts p;
    p.nFrameMarker = 0xC2;
    p.frame = FrameHeader(8, 8, components);
    p.scan = ScanHeader(scan, nSs, nSe, nAhAl);
    p.data = data;
    return p.Build();
}

TEST(JpegErrors, ProgressiveScanParameters) {
    ExpectFailure(ProgressiveImage(5, 3, 0, {0}), JPEG_ERR_SPECTRAL, AtBegin);
    ExpectFailure(ProgressiveImage(1, 64, 0, {0}), JPEG_ERR_SPECTRAL, AtBegin);
    ExpectFailure(ProgressiveImage(0, 5, 0, {0}), JPEG_ERR_SPECTRAL, AtBegin);
    ExpectFailure(ProgressiveImage(1, 63, 0, {0}, {1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0}, {1, 0, 2, 0}),
                  JPEG_ERR_SPECTRAL, AtBegin);
    ExpectFailure(ProgressiveImage(1, 63, 0x20, {0}), JPEG_ERR_APPROXIMATION, AtBegin);
    ExpectFailure(ProgressiveImage(0, 0, 0x31, {0}), JPEG_ERR_APPROXIMATION, AtBegin);
}

TEST(JpegErrors, InvalidEntropyCodedData) {
    // Progressive first AC scan: three ZRL run past 63.
    uint32_t dwZrl;
    int nZrl;
    ASSERT_TRUE(HuffmanCode(StandardAcTable(0x10), 0xF0, dwZrl, nZrl));
    BitWriter w;
    for (int i = 0; i < 4; ++i) w.Put(dwZrl, nZrl);
    w.Flush();
    ExpectFailure(ProgressiveImage(1, 63, 0, w.bytes), JPEG_ERR_BAD_DATA, AtBegin);
    // Progressive refinement with a new value of magnitude above 1.
    uint32_t dwCode;
    int nLength;
    ASSERT_TRUE(HuffmanCode(StandardAcTable(0x10), 0x02, dwCode, nLength));
    BitWriter r;
    r.Put(dwCode, nLength);
    r.Put(3, 2);
    r.Flush();
    ExpectFailure(ProgressiveImage(1, 63, 0x10, r.bytes), JPEG_ERR_BAD_DATA, AtBegin);

    // Sequential: a DC size of 17 (a table that maps code 0 to 17).
    Parts p;
    p.tables.clear();
    PutSegment(p.tables, 0xDB, FlatQuantTable(0, 1));
    PutSegment(p.tables, 0xC4, {0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 17});
    PutSegment(p.tables, 0xC4, StandardAcTable(0x10));
    p.data = {0x00};
    for (bool bFast : {false, true}) ExpectFailure(p.Build(), JPEG_ERR_BAD_DATA, AtLine, bFast);
    // Sequential: ZRL at 49.
    BitWriter z;
    z.Put(0, 2);
    ASSERT_TRUE(HuffmanCode(StandardAcTable(0x10), 0xF1, dwCode, nLength));
    z.Put(dwZrl, nZrl);
    z.Put(dwZrl, nZrl);
    z.Put(dwCode, nLength);
    z.Put(1, 1);
    z.Put(dwZrl, nZrl);
    z.Flush();
    p = Parts();
    p.data = z.bytes;
    for (bool bFast : {false, true}) ExpectFailure(p.Build(), JPEG_ERR_BAD_DATA, AtLine, bFast);
}

TEST(JpegErrors, RestartOutOfSequence) {
    std::vector<uint8_t> bytes = ReadCorpusFile("c420_64x48_rst1.jpg");
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xD1) {
            bytes[i + 1] = 0xD0;
            break;
        }
    }
    for (bool bFast : {false, true}) ExpectFailure(bytes, JPEG_ERR_RESTART, AtLine, bFast);
    std::vector<uint8_t> progressive = ReadCorpusFile("prog_c420_64x48_rst1.jpg");
    for (size_t i = 0; i + 1 < progressive.size(); ++i) {
        if (progressive[i] == 0xFF && progressive[i + 1] == 0xD1) {
            progressive[i + 1] = 0xD6;
            break;
        }
    }
    ExpectFailure(progressive, JPEG_ERR_RESTART, AtBegin);
}

class FailingStream : public JpegStream {
public:
    int nDetaches = 0;
    int nReads = 0;
    int nFailAt;
    std::vector<uint8_t> bytes;
    explicit FailingStream(int nFail) : nFailAt(nFail), bytes(Parts().Build()) {}
    int read(uint8_t* pBuffer, int maxCount, bool*) override {
        if (nReads++ == nFailAt) return -1;
        int n = std::min<int>(maxCount, 16);   // small pieces, so refills happen often
        size_t nFrom = static_cast<size_t>(nReads - 1) * 16;
        if (nFrom >= bytes.size()) return 0;
        n = std::min<int>(n, static_cast<int>(bytes.size() - nFrom));
        std::copy(bytes.begin() + static_cast<long>(nFrom), bytes.begin() + static_cast<long>(nFrom) + n, pBuffer);
        return n;
    }
    void detach() override { ++nDetaches; }
};

TEST(JpegErrors, StreamReadFailure) {
    FailingStream stream(0);
    {
        JpegDecoder decoder(&stream, false);
        EXPECT_EQ(decoder.errorCode(), JPEG_ERR_READ);
        EXPECT_EQ(decoder.beginDecoding(), -1);
        EXPECT_EQ(stream.nDetaches, 1);
    }
    EXPECT_EQ(stream.nDetaches, 1);
}

TEST(JpegErrors, FirstCodeIsKept) {
    // A failure inside decodeLine: later calls answer -1 and keep the code.
    Parts p;
    p.tables.clear();
    PutSegment(p.tables, 0xDB, FlatQuantTable(0, 1));
    PutSegment(p.tables, 0xC4, {0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 17});
    PutSegment(p.tables, 0xC4, StandardAcTable(0x10));
    std::vector<uint8_t> bytes = p.Build();
    JpegMemoryStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
    JpegDecoder decoder(&stream, false);
    ASSERT_EQ(decoder.beginDecoding(), 0);
    const uint8_t* pLine;
    uint32_t nLength;
    EXPECT_EQ(decoder.decodeLine(&pLine, &nLength), JPEG_ERR_BAD_DATA);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(decoder.decodeLine(&pLine, &nLength), -1);
        EXPECT_EQ(decoder.beginDecoding(), -1);
        EXPECT_EQ(decoder.errorCode(), JPEG_ERR_BAD_DATA);
    }
}

}  // namespace
