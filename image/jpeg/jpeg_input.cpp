// Input, header bits and markers of the JPEG decoder: the block pool, the
// buffered byte source with its EOI filler and synthetic bytes, the header bit
// reader, and the parsing of marker segments (T.81 B.1 to B.2.4).
// Marker segments are read through a 32-bit window that runs up to four bytes
// ahead; scan set-up pushes those bytes back when entropy data begins.
#include <cstdlib>
#include <cstring>

#include "image/jpeg/jpeg_decoder.h"

const uint8_t g_JpegZigzag[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

void ReleasePool(JpegState& s) {
    for (void*& p : s.pool) {
        std::free(p);
        p = nullptr;
    }
}

void Fail(JpegState& s, int nCode) {
    s.nErrorCode = nCode;
    ReleasePool(s);
    if (s.pStream) {
        JpegStream* pStream = s.pStream;
        s.pStream = nullptr;
        pStream->detach();
    }
    throw JpegFailure{nCode};
}

void* PoolAllocate(JpegState& s, size_t nBytes) {
    int i = 0;
    while (i < kJpegPoolSize && s.pool[i]) ++i;
    if (i == kJpegPoolSize) Fail(s, JPEG_ERR_POOL_FULL);
    void* p = std::calloc(nBytes + 8, 1);
    if (!p) Fail(s, JPEG_ERR_NO_MEMORY);
    s.pool[i] = p;
    uintptr_t a = (reinterpret_cast<uintptr_t>(p) + 7) & ~uintptr_t(7);
    return reinterpret_cast<void*>(a);
}

void RefillInput(JpegState& s) {
    s.nInputPos = kJpegInputReserve;
    s.nInputLeft = 0;
    if (s.bEndOfStream || !s.pStream) return;
    while (s.nInputLeft < kJpegInputSize && !s.bEndOfStream) {
        int nMax = kJpegInputSize - s.nInputLeft;
        int n = s.pStream->read(s.input + kJpegInputReserve + s.nInputLeft, nMax, &s.bEndOfStream);
        if (n < 0 || n > nMax) Fail(s, JPEG_ERR_READ);
        if (n == 0) break;   // a stream that stalls without saying so counts as ended for now
        s.nInputLeft += n;
    }
    uint8_t* pFill = s.input + kJpegInputReserve + s.nInputLeft;
    for (int i = 0; i < 64; ++i) {
        pFill[2 * i] = 0xFF;
        pFill[2 * i + 1] = 0xD9;
    }
}

int NextInputByte(JpegState& s, bool& bSynthetic) {
    if (s.nInputLeft == 0) {
        RefillInput(s);
        if (s.nInputLeft == 0) {
            // An exhausted stream reads as an endless run of EOI markers.
            bSynthetic = true;
            s.bSyntheticD9 = !s.bSyntheticD9;
            return s.bSyntheticD9 ? 0xFF : 0xD9;
        }
    }
    bSynthetic = false;
    --s.nInputLeft;
    return s.input[s.nInputPos++];
}

void PushBackByte(JpegState& s, int nByte) {
    if (s.nInputPos == 0) Fail(s, JPEG_ERR_BAD_DATA);   // cannot happen: pushes never exceed a few bytes
    s.input[--s.nInputPos] = static_cast<uint8_t>(nByte);
    ++s.nInputLeft;
}

static uint32_t RotateLeft(uint32_t x, int n) {
    n &= 31;
    return n ? (x << n) | (x >> (32 - n)) : x;
}

// The low half of the window is always the next 16 bits of the stream; the
// high half holds what was fetched beyond them.
int ReadHeaderBits(JpegState& s, int n) {
    uint32_t w = s.dwHeaderWindow;
    int c = s.nHeaderBits;
    int nResult = static_cast<int>((w >> (16 - n)) & ((1u << n) - 1));
    c -= n;
    if (c > 0) {
        w = RotateLeft(w, n);
    } else {
        w = RotateLeft(w, n + c);
        bool bSynthetic;
        uint32_t b1 = static_cast<uint32_t>(NextInputByte(s, bSynthetic));
        uint32_t b2 = static_cast<uint32_t>(NextInputByte(s, bSynthetic));
        w = (w & 0xFFFF) | (b1 << 24) | (b2 << 16);
        w = RotateLeft(w, -c);
        c += 16;
    }
    s.dwHeaderWindow = w;
    s.nHeaderBits = c;
    return nResult;
}

void PrimeHeaderBits(JpegState& s) {
    s.nHeaderBits = 16;
    s.dwHeaderWindow = 0;
    ReadHeaderBits(s, 16);
    ReadHeaderBits(s, 16);
}

static int ReadByte(JpegState& s) { return ReadHeaderBits(s, 8); }
static int ReadWord(JpegState& s) { return ReadHeaderBits(s, 16); }

static int NextMarker(JpegState& s) {
    for (;;) {
        while (ReadByte(s) != 0xFF) {
        }
        int b;
        do {
            b = ReadByte(s);
        } while (b == 0xFF);
        if (b != 0) return b;
    }
}

static void SkipSegment(JpegState& s) {
    int nLength = ReadWord(s);
    if (nLength < 2) Fail(s, JPEG_ERR_SEGMENT_LENGTH);
    for (int i = 2; i < nLength; ++i) ReadByte(s);
}

static void ReadRestartInterval(JpegState& s) {
    if (ReadWord(s) != 4) Fail(s, JPEG_ERR_RESTART_LENGTH);
    s.nRestartInterval = ReadWord(s);
}

// A code and every pattern of its value bits that fit in the fast bits; EOB
// with the run that marks it.
static void AddFastAcEntries(HuffmanLookup& h, uint32_t dwCode, int nLength, int nSymbol) {
    int nRun = nSymbol >> 4;
    int nSize = nSymbol & 15;
    if (nSymbol == 0 && nLength <= kJpegFastBits) {
        uint32_t dwFirst = dwCode << (kJpegFastBits - nLength);
        for (int j = 0; j < (1 << (kJpegFastBits - nLength)); ++j) h.fastAc[dwFirst + static_cast<uint32_t>(j)] = (kJpegFastEob << 4) + nLength;
        return;
    }
    if (nSize == 0 || nLength + nSize > kJpegFastBits) return;
    int nSpare = kJpegFastBits - nLength - nSize;
    for (int v = 0; v < (1 << nSize); ++v) {
        int nValue = v < (1 << (nSize - 1)) ? v - (1 << nSize) + 1 : v;
        int nEntry = nValue * 65536 + (nRun << 4) + nLength + nSize;
        uint32_t dwFirst = ((dwCode << nSize) | static_cast<uint32_t>(v)) << nSpare;
        for (int j = 0; j < (1 << nSpare); ++j) h.fastAc[dwFirst + static_cast<uint32_t>(j)] = nEntry;
    }
}

// Canonical codes (T.81 C.2) into the first-byte lookup and the tree. Code
// lengths that over-subscribe the code space, more long codes than the tree
// holds, or a symbol listed twice are refused.
void BuildHuffmanLookup(JpegState& s, int nSlot) {
    HuffmanSlot& slot = s.huff[nSlot];
    if (!slot.pLookup) slot.pLookup = static_cast<HuffmanLookup*>(PoolAllocate(s, sizeof(HuffmanLookup)));
    HuffmanLookup& h = *slot.pLookup;
    std::memset(&h, 0, sizeof h);
    int nNextNode = -1;
    uint32_t dwCode = 0;
    int k = 0;
    for (int nLength = 1; nLength <= 16; ++nLength) {
        for (int i = 0; i < slot.pCounts[nLength]; ++i, ++dwCode, ++k) {
            if (dwCode >= (1u << nLength)) Fail(s, JPEG_ERR_HUFFMAN_CODES);
            int nSymbol = slot.pValues[k];
            // A symbol listed twice would have two codes but one code length,
            // so the AC shortcut and the code-by-code path would consume
            // different bits for it: such a table is refused.
            if (h.codeLength[nSymbol] != 0) Fail(s, JPEG_ERR_HUFFMAN_CODES);
            h.codeLength[nSymbol] = static_cast<uint8_t>(nLength);
            if (!s.bNoAcShortcut) AddFastAcEntries(h, dwCode, nLength, nSymbol);
            if (nLength <= 8) {
                int nFirst = static_cast<int>(dwCode << (8 - nLength));
                for (int j = 0; j < (1 << (8 - nLength)); ++j) h.lookup[nFirst + j] = nSymbol;
                continue;
            }
            int32_t* pEntry = &h.lookup[dwCode >> (nLength - 8)];
            for (int nBit = 9; nBit <= nLength; ++nBit) {
                if (*pEntry > 0) Fail(s, JPEG_ERR_HUFFMAN_CODES);   // not prefix-free
                if (*pEntry == 0) {
                    if (nNextNode < -511) Fail(s, JPEG_ERR_HUFFMAN_CODES);
                    *pEntry = nNextNode;
                    nNextNode -= 2;
                }
                int nNode = *pEntry;
                int nBitValue = static_cast<int>((dwCode >> (nLength - nBit)) & 1);
                pEntry = &h.tree[nBitValue ? -nNode - 1 : -nNode];
            }
            *pEntry = nSymbol;
        }
        dwCode <<= 1;
    }
}

void UseAcShortcut(JpegState& s, bool bUse) {
    s.bNoAcShortcut = !bUse;
    for (int nSlot = 0; nSlot < 8; ++nSlot)
        if (s.huff[nSlot].pLookup) BuildHuffmanLookup(s, nSlot);
}

static void ReadHuffmanTables(JpegState& s) {
    int nLength = ReadWord(s);
    if (nLength < 2) Fail(s, JPEG_ERR_HUFFMAN_LENGTH);
    int nRemaining = nLength - 2;
    while (nRemaining != 0) {
        int nClassIndex = ReadByte(s);
        uint8_t counts[17] = {0};
        int nCodes = 0;
        for (int i = 1; i <= 16; ++i) {
            counts[i] = static_cast<uint8_t>(ReadByte(s));
            nCodes += counts[i];
        }
        if (nCodes > 255) Fail(s, JPEG_ERR_HUFFMAN_CODES);
        uint8_t values[256] = {0};
        for (int i = 0; i < nCodes; ++i) values[i] = static_cast<uint8_t>(ReadByte(s));
        if (nRemaining < nCodes + 17) Fail(s, JPEG_ERR_HUFFMAN_LENGTH);
        nRemaining -= nCodes + 17;
        int nSlot = (nClassIndex & 0x0F) + 4 * ((nClassIndex >> 4) & 1);
        if (nSlot >= 8) Fail(s, JPEG_ERR_HUFFMAN_SLOT);
        HuffmanSlot& slot = s.huff[nSlot];
        if (!slot.pCounts) {
            slot.pCounts = static_cast<uint8_t*>(PoolAllocate(s, 17));
            slot.pValues = static_cast<uint8_t*>(PoolAllocate(s, 256));
        }
        std::memcpy(slot.pCounts, counts, 17);
        std::memcpy(slot.pValues, values, 256);
        // Built here rather than at each scan: the result is the same, and a
        // table that cannot be built is refused where it is defined.
        BuildHuffmanLookup(s, nSlot);
    }
}

static void ReadQuantTables(JpegState& s) {
    int nLength = ReadWord(s);
    if (nLength < 2) Fail(s, JPEG_ERR_QUANT_LENGTH);
    int nRemaining = nLength - 2;
    while (nRemaining != 0) {
        int nPqTq = ReadByte(s);
        int nTq = nPqTq & 0x0F;
        bool bWide = (nPqTq >> 4) != 0;
        if (nTq >= 4) Fail(s, JPEG_ERR_QUANT_INDEX);
        if (!s.pQuant[nTq]) s.pQuant[nTq] = static_cast<uint16_t*>(PoolAllocate(s, 64 * sizeof(uint16_t)));
        uint16_t* pTable = s.pQuant[nTq];
        for (int k = 0; k < 64; ++k) {
            uint32_t q = static_cast<uint32_t>(bWide ? ReadWord(s) : ReadByte(s));
            int n = g_JpegZigzag[k];
            if (s.bUseFastPaths)   // scale factors of the fast IDCT and 2 bits of precision folded in
                pTable[n] = static_cast<uint16_t>((q * static_cast<uint32_t>(g_JpegScale[n]) + 2048) >> 12);
            else
                pTable[k] = static_cast<uint16_t>(q);
        }
        int nSize = bWide ? 129 : 65;
        if (nRemaining < nSize) Fail(s, JPEG_ERR_QUANT_OVERRUN);
        nRemaining -= nSize;
    }
}

int ProcessMarkers(JpegState& s) {
    for (;;) {
        int nMarker = NextMarker(s);
        switch (nMarker) {
        case 0x01: case 0xC8:
        case 0xD0: case 0xD1: case 0xD2: case 0xD3: case 0xD4: case 0xD5: case 0xD6: case 0xD7:
            Fail(s, JPEG_ERR_UNEXPECTED_MARKER);
        case 0xC0: case 0xC1: case 0xC2: case 0xC3: case 0xC5: case 0xC6: case 0xC7:
        case 0xC9: case 0xCA: case 0xCB: case 0xCD: case 0xCE: case 0xCF:
        case 0xD8: case 0xD9: case 0xDA:
            return nMarker;
        case 0xC4:
            ReadHuffmanTables(s);
            break;
        case 0xCC:
            Fail(s, JPEG_ERR_ARITHMETIC);
        case 0xDB:
            ReadQuantTables(s);
            break;
        case 0xDD:
            ReadRestartInterval(s);
            break;
        default:
            SkipSegment(s);
            break;
        }
    }
}

static void ReadFrameHeader(JpegState& s) {
    int nLength = ReadWord(s);
    if (ReadByte(s) != 8) Fail(s, JPEG_ERR_PRECISION);
    s.nHeight = ReadWord(s);
    if (s.nHeight < 1 || s.nHeight > 8192) Fail(s, JPEG_ERR_HEIGHT);
    s.nWidth = ReadWord(s);
    if (s.nWidth < 1 || s.nWidth > 8192) Fail(s, JPEG_ERR_WIDTH);
    s.nComponents = ReadByte(s);
    if (s.nComponents > 4) Fail(s, JPEG_ERR_FRAME_COMPONENTS);
    if (nLength != 3 * s.nComponents + 8) Fail(s, JPEG_ERR_FRAME_LENGTH);
    for (int i = 0; i < s.nComponents; ++i) {
        FrameComponent& c = s.comp[i];
        c.nId = ReadByte(s);
        c.nH = ReadHeaderBits(s, 4);
        c.nV = ReadHeaderBits(s, 4);
        c.nQuantSlot = ReadByte(s);
    }
}

void ReadScanHeader(JpegState& s) {
    int nLength = ReadWord(s);
    int nCount = ReadByte(s);
    if (nLength - 3 != 2 * nCount + 3 || nCount < 1 || nCount > 4) Fail(s, JPEG_ERR_SCAN_HEADER);
    s.nScanComponents = nCount;
    for (int i = 0; i < nCount; ++i) {
        int nId = ReadByte(s);
        int nTables = ReadByte(s);
        int nIndex = 0;
        while (nIndex < s.nComponents && s.comp[nIndex].nId != nId) ++nIndex;
        if (nIndex == s.nComponents) Fail(s, JPEG_ERR_SCAN_COMPONENT);
        // A component named twice would overfill the MCU (T.81 B.2.3 forbids it).
        for (int j = 0; j < i; ++j)
            if (s.scanComp[j] == nIndex) Fail(s, JPEG_ERR_SCAN_HEADER);
        s.scanComp[i] = nIndex;
        s.comp[nIndex].nDcSlot = nTables >> 4;
        s.comp[nIndex].nAcSlot = (nTables & 0x0F) + 4;
    }
    s.nSs = ReadByte(s);
    s.nSe = ReadByte(s);
    s.nAh = ReadHeaderBits(s, 4);
    s.nAl = ReadHeaderBits(s, 4);
    if (!s.bProgressive) {
        s.nSs = 0;
        s.nSe = 63;
    }
}

void LocateStartOfImage(JpegState& s) {
    int nPrevious = ReadByte(s);
    int nCurrent = ReadByte(s);
    if (nPrevious == 0xFF && nCurrent == 0xD8) return;
    for (int i = 0; i < 511; ++i) {
        nPrevious = nCurrent;
        nCurrent = ReadByte(s);
        if (nPrevious == 0xFF && nCurrent == 0xD8) {
            // The next byte (still in the window) must start a marker.
            if (((s.dwHeaderWindow >> 8) & 0xFF) != 0xFF) Fail(s, JPEG_ERR_NO_SOI);
            return;
        }
    }
    Fail(s, JPEG_ERR_NO_SOI);
}

void LocateFrame(JpegState& s) {
    LocateStartOfImage(s);
    int nMarker = ProcessMarkers(s);
    switch (nMarker) {
    case 0xC2:
        s.bProgressive = true;
        ReadFrameHeader(s);
        break;
    case 0xC0: case 0xC1:
        ReadFrameHeader(s);
        break;
    case 0xC9:
        Fail(s, JPEG_ERR_ARITHMETIC);
    default:
        Fail(s, JPEG_ERR_NO_FRAME);
    }
}
