// Public face of the JPEG decoder: the input-stream interface, a stream over a
// memory block, and the decoder that turns a JFIF byte stream into 8-bit scan
// lines, top line first (ITU-T T.81 sequential and progressive Huffman frames).
//
// Calling order: construct, errorCode, width, height, beginDecoding,
// bytesPerPixel, decodeLine until it returns non-zero, errorCode, destroy.
// The decoder never shows anything; failures are negative codes (below).
// It holds one MCU row of blocks and samples at a time, and all of its memory
// comes from one pool that is released at once.
#pragma once

#include <cstdint>

#include "image/jpeg/jpeg_state.h"

// Every code the decoder reports, next to its meaning.
enum JpegErrorCode {
    JPEG_ERR_HUFFMAN_CODES = -200,      // a DHT table has more than 255 codes, over-subscribes the code space or lists a symbol twice
    JPEG_ERR_HUFFMAN_SLOT = -201,       // a DHT table maps to slot 8 or higher
    JPEG_ERR_HUFFMAN_LENGTH = -202,     // DHT length below 2, or a table reaches past the segment
    JPEG_ERR_QUANT_LENGTH = -203,       // DQT length below 2
    JPEG_ERR_QUANT_INDEX = -204,        // DQT table index 4 or higher
    JPEG_ERR_PRECISION = -205,          // sample precision is not 8
    JPEG_ERR_HEIGHT = -206,             // frame height 0 or above 8192
    JPEG_ERR_WIDTH = -207,              // frame width 0 or above 8192
    JPEG_ERR_FRAME_COMPONENTS = -208,   // more than 4 frame components
    JPEG_ERR_FRAME_LENGTH = -209,       // frame header length is not 3 x components + 8
    JPEG_ERR_SEGMENT_LENGTH = -210,     // a skipped segment has a length below 2
    JPEG_ERR_RESTART_LENGTH = -211,     // DRI length is not 4
    JPEG_ERR_SCAN_HEADER = -212,        // bad scan header length or component count, or a component named twice
    JPEG_ERR_SCAN_COMPONENT = -213,     // a scan names a component the frame lacks
    JPEG_ERR_ARITHMETIC = -215,         // arithmetic coding (DAC segment or SOF9)
    JPEG_ERR_UNEXPECTED_MARKER = -216,  // TEM/JPG/RSTn between segments, no scan, or an unusable first scan
    JPEG_ERR_NO_SOI = -217,             // no SOI within the first 513 bytes, or a searched SOI not followed by 0xFF
    JPEG_ERR_NO_FRAME = -218,           // the first frame is not SOF0/1/2/9, or SOI/EOI/SOS before any frame
    JPEG_ERR_QUANT_OVERRUN = -219,      // a DQT table reaches past the segment
    JPEG_ERR_POOL_FULL = -221,          // more than 100 pool blocks
    JPEG_ERR_NO_QUANT_TABLE = -222,     // a quantisation table is missing, or its selector is above 3
    JPEG_ERR_NO_HUFFMAN_TABLE = -223,   // a Huffman table is missing, or its selector is above 3
    JPEG_ERR_COMPONENT_COUNT = -225,    // frame component count other than 1 or 3
    JPEG_ERR_SAMPLING = -226,           // unsupported sampling factors
    JPEG_ERR_BAD_DATA = -227,           // invalid entropy-coded data; also decodeLine's failure result
    JPEG_ERR_RESTART = -228,            // restart marker missing or out of sequence
    JPEG_ERR_BLOCKS = -229,             // too many blocks in an MCU row, or a coefficient position out of range
    JPEG_ERR_SPECTRAL = -230,           // invalid spectral selection in a progressive scan
    JPEG_ERR_APPROXIMATION = -231,      // invalid successive approximation in a progressive scan
    JPEG_ERR_READ = -232,               // the stream's read failed
    JPEG_ERR_NO_MEMORY = -233           // a heap allocation failed
};

// Input-stream interface. read copies at most maxCount bytes, returns the
// number copied or -1 on failure, and sets *pEndOfStream when nothing more
// can be read.
class JpegStream {
public:
    virtual ~JpegStream();
    virtual int read(uint8_t* pBuffer, int maxCount, bool* pEndOfStream) = 0;
    virtual void attach();
    virtual void detach();
};

// A stream over a memory block it does not own.
class JpegMemoryStream : public JpegStream {
public:
    JpegMemoryStream(const void* pData, uint32_t nSize);
    int read(uint8_t* pBuffer, int maxCount, bool* pEndOfStream) override;

    const uint8_t* data;
    uint32_t size;
    uint32_t consumed;
};

class JpegDecoder {
public:
    JpegDecoder(JpegStream* pStream, bool useFastPaths);
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    int errorCode() const;
    int width() const;
    int height() const;
    int bytesPerPixel() const;
    int beginDecoding();
    // 0: a line (valid until the next call); 1: all lines delivered;
    // -1: not ready or failed earlier; -227: failed now (see errorCode).
    int decodeLine(const uint8_t** ppLine, uint32_t* pLength);
    int decodeLine(uint8_t** ppLine, uint32_t* pLength);

private:
    friend JpegState& JpegDecoderState(JpegDecoder& decoder);
    JpegState m_state;
};

// The decoder's working state, for the decoder's own stages and its tests.
JpegState& JpegDecoderState(JpegDecoder& decoder);
