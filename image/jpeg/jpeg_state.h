// The JPEG decoder's working state and the operations its stages share.
// One plain record per decoder; the stages (input and markers, entropy,
// progressive, IDCT, colour and lines, public face) are free functions over
// it. Failures unwind with a JpegFailure that the public operations catch.
#pragma once

#include <cstddef>
#include <cstdint>

class JpegStream;

enum PixelLayout { LayoutGray, Layout444, Layout422, Layout440, Layout420 };

// Which entropy bit reader the scans use. Both give the same bits; the
// automatic choice is the fast one (tests force either).
enum JpegBitReaderChoice { BitReaderAuto, BitReaderPlain, BitReaderFast };

struct JpegFailure {
    int nCode;
};

const int kJpegInputSize = 4096;
const int kJpegInputReserve = 128;
const int kJpegPoolSize = 100;
const int kJpegMaxBlocksPerRow = 6144;
const int kJpegMaxMcuBlocks = 10;

// Decoding form of one Huffman table (T.81 Annex C codes): a first-byte
// lookup, the code length per symbol, and a tree for codes over 8 bits.
// fastAc is derived from the same codes for AC tables: indexed by the next 11
// bits, it holds a short code together with its value bits, already
// extended: value << 16 | run << 4 | total bits, or 0 when the 11 bits do not
// hold a whole (code, value) pair. EOB (symbol 0) is there too, as a run of
// kJpegFastEob that carries any position past the block's end, so the
// decoders' range check catches it without a test of its own.
const int kJpegFastBits = 11;
const int kJpegFastEob = 64;

struct HuffmanLookup {
    int32_t lookup[256];
    uint8_t codeLength[256];
    int32_t tree[512];
    int32_t fastAc[1 << kJpegFastBits];
};

struct HuffmanSlot {
    uint8_t* pCounts;   // 17 bytes, byte 0 unused
    uint8_t* pValues;   // 256 symbol values
    HuffmanLookup* pLookup;
};

// Whole-image coefficients of one component (progressive frames).
struct CoefficientBuffer {
    int16_t* pData;
    int nBlocksAcross;
    int nBlocksDown;
    int nBlockWidth;
    int nBlockHeight;
    int nBytesPerBlock;
};

struct FrameComponent {
    int nId;
    int nH;
    int nV;
    int nQuantSlot;
    int nBlockCols;
    int nBlockRows;
    int nDcSlot;        // Td of the current scan
    int nAcSlot;        // Ta + 4 of the current scan
    int nPredictor;     // DC predictor, kept modulo 2^16
    int nRowOrigin;     // progressive block row of the current MCU row
    int nColOrigin;
    CoefficientBuffer* pDcBuffer;
    CoefficientBuffer* pAcBuffer;
};

struct JpegState {
    // Status.
    int nErrorCode;
    bool bReady;
    JpegStream* pStream;

    // Options.
    bool bUseFastPaths;
    bool bFastBitReader;
    JpegBitReaderChoice nReaderChoice;
    bool bUseSimd;      // SSE2 kernels (IDCTs, colour) rather than their scalar twins
    bool bUseAvx2;      // with bUseSimd: the AVX2 kernels where there are some
    bool bNoAcShortcut; // tests only: fastAc stays empty, every AC symbol is decoded code by code

    // Frame.
    int nWidth;
    int nHeight;
    bool bProgressive;
    int nComponents;
    FrameComponent comp[4];

    // Derived frame geometry.
    PixelLayout nLayout;
    int nBlocksPerMcu;
    int nMcuWidth;
    int nMcuHeight;
    int nMcusPerRow;
    int nMcusPerCol;
    int nBlocksPerRow;
    int nHmax;
    int nVmax;

    // Scan.
    int nScanComponents;
    int scanComp[4];
    int nSs;
    int nSe;
    int nAh;
    int nAl;
    int nScanBlocksPerMcu;
    int mcuComp[kJpegMaxMcuBlocks];
    const HuffmanLookup* mcuDc[kJpegMaxMcuBlocks];
    const HuffmanLookup* mcuAc[kJpegMaxMcuBlocks];
    int nScanMcusPerRow;
    int nScanMcusPerCol;

    // Tables.
    HuffmanSlot huff[8];
    uint16_t* pQuant[4];

    // Restart and prediction.
    int nRestartInterval;
    int nRestartsLeft;
    int nNextRestart;
    int nEobRun;

    // Input: reserve for pushed-back bytes, the buffer, the end filler.
    uint8_t input[kJpegInputReserve + kJpegInputSize + kJpegInputReserve];
    int nInputPos;
    int nInputLeft;
    bool bEndOfStream;
    bool bSyntheticD9;

    // Header bit reader.
    uint32_t dwHeaderWindow;
    int nHeaderBits;

    // Entropy bit readers: plain (32-bit window) and fast (64-bit window).
    uint32_t dwPlainWindow;
    int nPlainBits;
    uint64_t qwFastWindow;
    int nFastBits;

    // Line output.
    int nLinesLeft;
    int nRowLinesLeft;
    int nBytesPerPixel;
    int nLineLength;
    uint8_t* pLine[2];

    // Block buffers of one MCU row.
    int16_t* pCoef;
    uint8_t* pExtent;
    uint8_t* pSamples;
    int32_t* pColor;    // Cr to R, Cb to B, Cr to G, Cb to G: 256 entries each
    uint16_t quantNatural[4][64];   // exact-mode tables in natural order, for assembling progressive rows

    void* pool[kJpegPoolSize];
};

// Natural index of each zig-zag position (T.81 Figure A.6).
extern const uint8_t g_JpegZigzag[64];

// Input and markers.
[[noreturn]] void Fail(JpegState& s, int nCode);
void* PoolAllocate(JpegState& s, size_t nBytes);
void ReleasePool(JpegState& s);
void RefillInput(JpegState& s);
int NextInputByte(JpegState& s, bool& bSynthetic);
void PushBackByte(JpegState& s, int nByte);
void PrimeHeaderBits(JpegState& s);
int ReadHeaderBits(JpegState& s, int n);
int ProcessMarkers(JpegState& s);
void ReadScanHeader(JpegState& s);
void LocateStartOfImage(JpegState& s);
void LocateFrame(JpegState& s);
void BuildHuffmanLookup(JpegState& s, int nSlot);
// Tests only: builds the tables already defined again with or without the AC
// shortcut (tables defined later follow the same choice).
void UseAcShortcut(JpegState& s, bool bUse);

// Entropy decoding.
void PrimeEntropyReader(JpegState& s);
void DecodeBaselineRow(JpegState& s);

// Progressive decoding.
void DecodeProgressiveScans(JpegState& s);
void AssembleProgressiveRow(JpegState& s);

// Set-up (public face).
bool SetUpScan(JpegState& s);
void ComputeMcuOrder(JpegState& s);
void FindEndOfImage(JpegState& s);

// IDCT.
extern const int16_t g_JpegScale[64];
void IdctExact(const int16_t* pCoef, uint8_t* pOut);
void IdctExactSimd(const int16_t* pCoef, uint8_t* pOut);
void IdctFastScalar(const int16_t* pCoef, const uint16_t* pQuant, uint8_t* pOut);
void IdctFastSimd(const int16_t* pCoef, const uint16_t* pQuant, uint8_t* pOut);
bool JpegSimdAvailable();
// AVX2 kernels are compiled for AVX2 function by function, and called only
// where JpegAvx2Available reports it, so the decoder runs on any x86-64.
#define JPEG_AVX2 __attribute__((target("avx2")))

// AVX2 twins of the SSE2 kernels for two blocks at once (arrays of two).
void IdctExactPairAvx2(const int16_t* const* ppCoef, uint8_t* const* ppOut);
void IdctFastPairAvx2(const int16_t* const* ppCoef, const uint16_t* const* ppQuant, uint8_t* const* ppOut);
bool JpegAvx2Available();
// The vector transform of nBlocks consecutive blocks (fast mode: block k
// dequantised with ppQuant[k % nPerMcu]); AC-free blocks take a shortcut.
void IdctExactBlocks(const int16_t* pCoef, uint8_t* pOut, int nBlocks, bool bAvx2);
void IdctFastBlocks(const int16_t* pCoef, const uint16_t* const* ppQuant, int nPerMcu, uint8_t* pOut, int nBlocks, bool bAvx2);

// Colour and lines.
void BuildColorTables(JpegState& s);
int DecodeNextLine(JpegState& s, const uint8_t** ppLine, uint32_t* pLength);
