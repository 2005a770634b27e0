// Shared helpers of the JPEG decoder tests: corpus access, whole-image decoding
// through the public calling order, and small stream builders for hand-made
// segments.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/jpeg/jpeg_decoder.h"

std::vector<uint8_t> ReadFile(const std::string& path);
std::vector<uint8_t> ReadCorpusFile(const std::string& name);
std::vector<std::string> CorpusFiles();

struct DecodedImage {
    int nConstructCode = 0;     // errorCode after construction
    int nBeginResult = 0;
    int nWidth = 0;
    int nHeight = 0;
    int nBytesPerPixel = 0;
    int nLines = 0;             // lines delivered
    int nLastResult = 0;        // decodeLine's last result
    int nErrorCode = 0;         // errorCode at the end
    int nDetachCount = 0;
    int nBeginAfter = 0;        // beginDecoding and decodeLine called once more at the end
    int nLineAfter = 0;
    int nErrorCodeAfter = 0;
    int nAttachCount = 0;
    std::vector<uint8_t> pixels;   // RGB (3 bytes) or grey (1 byte) per pixel, top line first
    std::vector<uint32_t> lengths;
};

// Decodes through the public calling order; pTweak may adjust the decoder's
// state after construction (bit reader, IDCT selection).
DecodedImage DecodeImage(const std::vector<uint8_t>& bytes, bool bFast,
                         const std::function<void(JpegState&)>& tweak = nullptr);

// Coefficient blocks of every MCU row, in decoding order (to compare readers).
std::vector<int16_t> DecodeCoefficients(const std::vector<uint8_t>& bytes, bool bFast, JpegBitReaderChoice nReader);

// Canonical code of a symbol in a DHT payload (class byte, 16 counts, values).
bool HuffmanCode(const std::vector<uint8_t>& table, int nSymbol, uint32_t& dwCode, int& nLength);

// A baseline image whose blocks carry DC values only, with standard tables and
// flat quantisation q = 1. components: id, hv, tq triples; dc: the DC value of
// every block of each component, in frame order.
std::vector<uint8_t> DcOnlyImage(int nWidth, int nHeight, const std::vector<int>& components, const std::vector<int>& dc);

// Big-endian segment builders.
void PutWord(std::vector<uint8_t>& v, int n);
void PutSegment(std::vector<uint8_t>& v, int nMarker, const std::vector<uint8_t>& payload);
std::vector<uint8_t> StandardDcTable(int nClassIndex);   // DHT payload: T.81 K.3 luminance DC
std::vector<uint8_t> StandardAcTable(int nClassIndex);   // DHT payload: T.81 K.5 luminance AC
std::vector<uint8_t> FlatQuantTable(int nIndex, int q);  // DQT payload, 8-bit entries
std::vector<uint8_t> FrameHeader(int nHeight, int nWidth, const std::vector<int>& components);  // id,hv,tq triples
std::vector<uint8_t> ScanHeader(const std::vector<int>& components, int nSs, int nSe, int nAhAl);  // id,tdta pairs

// Independent reference arithmetic of the two inverse DCTs, written from
// their definitions: exact (13-bit constants, 32-bit wrapping, rounded
// shifts) on dequantised coefficients, and fast (16-bit wrapping, floor
// shifts) on raw coefficients with pre-scaled tables q' in natural order.
void ReferenceIdctExact(const int16_t* pCoef, uint8_t* pOut);
void ReferenceIdctFast(const int16_t* pCoef, const uint16_t* pQuant, uint8_t* pOut);
// Natural index of zig-zag position k, walked along the anti-diagonals.
int ReferenceZigzag(int k);
// round(16384 c(u) c(v)) for n = u * 8 + v, from the cosines.
int ReferenceScale(int n);

// A hand-made baseline greyscale image: its blocks (quantised coefficients
// in natural order, left to right then top to bottom; missing blocks are
// zero), its DQT entries in segment (zig-zag) order, the DHT class/index
// bytes (-1 leaves a table out), the scan's Ss and Se, a restart interval
// in blocks, and the bytes after the entropy data.
inline constexpr uint8_t kEndOfImage[2] = {0xFF, 0xD9};

struct GrayImage {
    int nWidth = 8;
    int nHeight = 8;
    std::vector<std::vector<int>> blocks;
    std::vector<int> quant = std::vector<int>(64, 1);
    int nDcClass = 0x00;
    int nAcClass = 0x10;
    int nSs = 0;
    int nSe = 63;
    int nRestart = 0;
    std::vector<uint8_t> tail = std::vector<uint8_t>(kEndOfImage, kEndOfImage + 2);

    std::vector<uint8_t> Build() const;
    // The entropy-coded data alone.
    std::vector<uint8_t> Data() const;
    // The pixels the reference transforms give for it (fast or exact mode).
    std::vector<uint8_t> Expected(bool bFast) const;
};

// A bit writer for entropy-coded data, with byte stuffing.
struct BitWriter {
    std::vector<uint8_t> bytes;
    uint32_t dwAccumulator = 0;
    int nBits = 0;
    void Put(uint32_t dwCode, int nLength);
    void Flush();   // pads with 1-bits
};
