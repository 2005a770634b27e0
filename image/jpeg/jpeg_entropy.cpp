// Entropy decoding of sequential scans (T.81 F.2.2): the marker-aware byte
// reader, priming and refilling the two bit readers, restart processing, and
// the baseline decoder that fills one MCU row of coefficient blocks at a time.
// Coefficients are stored dequantised (exact mode) or raw (fast mode, whose
// IDCT dequantises); each block remembers how far its last contents reached,
// so a block that held only a DC value is reused without clearing.
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/jpeg/jpeg_bits.h"

// A marker is never consumed: at one the reader keeps answering 0xFF, so the
// rest of the scan reads as 1-bits and the marker stays in the input. Bytes
// past the end of the stream count as markers too.
int ReadEntropyByte(JpegState& s) {
    bool bSynthetic;
    int b = NextInputByte(s, bSynthetic);
    if (bSynthetic) return 0xFF;
    if (b != 0xFF) return b;
    int b2 = NextInputByte(s, bSynthetic);
    if (bSynthetic) {
        PushBackByte(s, 0xFF);
        return 0xFF;
    }
    if (b2 == 0x00) return 0xFF;
    PushBackByte(s, b2);
    PushBackByte(s, 0xFF);
    return 0xFF;
}

uint64_t FetchEntropyBytes48(JpegState& s) {
    uint64_t v = 0;
    if (s.nInputLeft >= 12) {
        // At least 12 bytes are left, so 8 can be loaded at once.
        const uint8_t* p = s.input + s.nInputPos;
        uint64_t x;
        std::memcpy(&x, p, 8);
        x = __builtin_bswap64(x) >> 16;   // little-endian host: the first byte goes on top
        uint64_t y = ~x & 0xFFFFFFFFFFFFull;   // a zero byte here is a 0xFF byte in x
        if (((y - 0x010101010101ull) & ~y & 0x808080808080ull) == 0) {
            s.nInputPos += 6;
            s.nInputLeft -= 6;
            return x;
        }
    }
    for (int i = 0; i < 6; ++i) v = (v << 8) | static_cast<uint64_t>(ReadEntropyByte(s));
    return v;
}

void PrimePlainReader(JpegState& s) {
    PlainBitReader r(s);
    r.c = 16;
    r.w = 0;
    r.Read(16);
    r.Read(16);
    r.Store();
}

void PrimeFastReader(JpegState& s) {
    FastBitReader r(s);
    r.k = 48;
    r.w = 0;
    for (int i = 0; i < 4; ++i) r.Read(16);
    r.Store();
}

void PrimeEntropyReader(JpegState& s) {
    if (s.bFastBitReader)
        PrimeFastReader(s);
    else
        PrimePlainReader(s);
}

// T.81 F.2.2.3 / E.2.4: the raw input is at the marker (or at fill bytes
// before it), because the byte reader never consumes markers. In damaged data
// entropy bytes may remain before the marker; stuffed 0xFF 0x00 pairs among
// them are skipped as data, so the outcome does not depend on how far the
// bit reader in use had fetched ahead.
void ProcessRestart(JpegState& s) {
    int nBudget = 1536;
    bool bSynthetic;
    int b;
    do {
        do {
            if (nBudget-- == 0) Fail(s, JPEG_ERR_RESTART);
            b = NextInputByte(s, bSynthetic);
        } while (b != 0xFF);
        do {
            if (nBudget-- == 0) Fail(s, JPEG_ERR_RESTART);
            b = NextInputByte(s, bSynthetic);
        } while (b == 0xFF);
    } while (b == 0x00);
    if (b != 0xD0 + s.nNextRestart) Fail(s, JPEG_ERR_RESTART);
    for (FrameComponent& c : s.comp) c.nPredictor = 0;
    s.nEobRun = 0;
    s.nRestartsLeft = s.nRestartInterval;
    s.nNextRestart = (s.nNextRestart + 1) & 7;
    PrimeEntropyReader(s);
}

static inline void ClearBlock(int16_t* pBlock) {
#if defined(__SSE2__)
    for (int i = 0; i < 8; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(pBlock) + i, _mm_setzero_si128());
#else
    std::memset(pBlock, 0, 64 * sizeof(int16_t));
#endif
}

static inline int16_t Dequantise(int v, uint32_t q) {
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(v) * q));
}

// An AC symbol the shortcut does not cover: a long code, a value too wide to
// fit with its code, ZRL or EOB. Kept out of line, with its own copy of the
// bit reader (through the state), so that the shortcut's loop keeps its
// reader and the block in registers. Returns the next zig-zag position, or
// minus the position where EOB ended the block.
template <class Reader, bool bFast>
__attribute__((noinline)) static int DecodeLongAc(JpegState& s, const HuffmanLookup* pAc, int16_t* pBlock,
                                                 const uint16_t* q, int z) {
    Reader r(s);
    int nSymbol = r.Decode(pAc);
    int nRun = nSymbol >> 4;
    int nBits = nSymbol & 15;
    if (nBits) {
        z += nRun;
        if (z > 63) Fail(s, JPEG_ERR_BAD_DATA);
        int v = ExtendValue(r.Read(nBits), nBits);
        pBlock[g_JpegZigzag[z]] = bFast ? static_cast<int16_t>(v) : Dequantise(v, q[z]);
    } else if (nRun == 15) {
        if (z + 15 > 63) Fail(s, JPEG_ERR_BAD_DATA);
        z += 15;
    } else {
        z = -z - 1;
    }
    r.Store();
    return z + 1;
}

template <class Reader, bool bFast>
static void DecodeBlock(JpegState& s, Reader& r, int nBlock, int nMcuBlock) {
    FrameComponent& c = s.comp[s.mcuComp[nMcuBlock]];
    const uint16_t* q = s.pQuant[c.nQuantSlot];
    int16_t* pBlock = s.pCoef + static_cast<size_t>(nBlock) * 64;

    // Clearing the whole block beats clearing skipped positions one by one;
    // a block whose last contents were DC only needs nothing. (Plain stores:
    // memset of this size may become a slow string instruction.)
    if (s.pExtent[nBlock] > 1) ClearBlock(pBlock);

    int nSize = r.Decode(s.mcuDc[nMcuBlock]);
    if (nSize > 16) Fail(s, JPEG_ERR_BAD_DATA);
    int nDiff = nSize ? ExtendValue(r.Read(nSize), nSize) : 0;
    c.nPredictor = static_cast<int16_t>(static_cast<uint16_t>(c.nPredictor + nDiff));
    pBlock[0] = bFast ? static_cast<int16_t>(c.nPredictor) : Dequantise(c.nPredictor, q[0]);

    const HuffmanLookup* pAc = s.mcuAc[nMcuBlock];
    const int32_t* pFastAc = pAc->fastAc;
    int z = 1;
    while (z < 64) {
        int nFast = pFastAc[r.PeekFast()];
        if (nFast != 0) {   // a short code with its value bits, in one step
            r.Skip(nFast & 15);
            z += (nFast >> 4) & 0xFF;
            if (__builtin_expect(z > 63, 0)) {   // EOB, once a block
                if (((nFast >> 4) & 0xFF) != kJpegFastEob) Fail(s, JPEG_ERR_BAD_DATA);
                z -= kJpegFastEob;
                break;
            }
            int v = nFast >> 16;
            pBlock[g_JpegZigzag[z]] = bFast ? static_cast<int16_t>(v) : Dequantise(v, q[z]);
            ++z;
            continue;
        }
        // A code of up to 8 bits whose value bits do not fit with it.
        int nSymbol = pAc->lookup[r.PeekFast() >> (kJpegFastBits - 8)];
        if (nSymbol > 0 && (nSymbol & 15) != 0) {
            r.Skip(pAc->codeLength[nSymbol]);
            z += nSymbol >> 4;
            if (z > 63) Fail(s, JPEG_ERR_BAD_DATA);
            int v = ExtendValue(r.Read(nSymbol & 15), nSymbol & 15);
            pBlock[g_JpegZigzag[z]] = bFast ? static_cast<int16_t>(v) : Dequantise(v, q[z]);
            ++z;
            continue;
        }
        r.Store();
        z = DecodeLongAc<Reader, bFast>(s, pAc, pBlock, q, z);
        r.Load();
        if (z < 0) {
            z = -z;
            break;
        }
    }
    s.pExtent[nBlock] = static_cast<uint8_t>(z);
}

template <class Reader, bool bFast>
static void DecodeRowWith(JpegState& s) {
    Reader r(s);
    const int nPerMcu = s.nScanBlocksPerMcu;
    for (int m = 0; m < s.nScanMcusPerRow; ++m) {
        if (s.nRestartInterval != 0 && s.nRestartsLeft == 0) {
            ProcessRestart(s);
            r.Load();
        }
        for (int b = 0; b < nPerMcu; ++b) DecodeBlock<Reader, bFast>(s, r, m * nPerMcu + b, b);
        --s.nRestartsLeft;
    }
    r.Store();
}

void DecodeBaselineRow(JpegState& s) {
    if (s.bFastBitReader) {
        if (s.bUseFastPaths)
            DecodeRowWith<FastBitReader, true>(s);
        else
            DecodeRowWith<FastBitReader, false>(s);
    } else {
        if (s.bUseFastPaths)
            DecodeRowWith<PlainBitReader, true>(s);
        else
            DecodeRowWith<PlainBitReader, false>(s);
    }
}
