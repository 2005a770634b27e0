// Progressive decoding (T.81 G.1.2 and G.2): every scan of the image is
// decoded into whole-image coefficient buffers when decoding begins, with DC
// and AC first and refinement passes and end-of-band runs; afterwards each
// MCU row is assembled from the buffers (and dequantised in exact mode).
// Each component keeps a DC buffer of 1x1 blocks and an AC buffer of 8x8
// blocks; every access is checked against the buffer's size.
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/jpeg/jpeg_bits.h"

static CoefficientBuffer* OpenCoefficientBuffer(JpegState& s, int nAcross, int nDown, int nBlockSide) {
    CoefficientBuffer* b = static_cast<CoefficientBuffer*>(PoolAllocate(s, sizeof(CoefficientBuffer)));
    b->nBlocksAcross = nAcross;
    b->nBlocksDown = nDown;
    b->nBlockWidth = nBlockSide;
    b->nBlockHeight = nBlockSide;
    b->nBytesPerBlock = nBlockSide * nBlockSide * 2;
    size_t nBytes = static_cast<size_t>(nAcross) * static_cast<size_t>(nDown) * static_cast<size_t>(b->nBytesPerBlock);
    b->pData = static_cast<int16_t*>(PoolAllocate(s, nBytes));
    return b;
}

static int16_t* BlockAt(JpegState& s, CoefficientBuffer* b, int x, int y) {
    if (x < 0 || y < 0 || x >= b->nBlocksAcross || y >= b->nBlocksDown) Fail(s, JPEG_ERR_BLOCKS);
    size_t nIndex = static_cast<size_t>(x) + static_cast<size_t>(y) * static_cast<size_t>(b->nBlocksAcross);
    return b->pData + nIndex * static_cast<size_t>(b->nBytesPerBlock / 2);
}

template <class Reader>
static int ReadEobRun(Reader& r, int nRun) {
    int nEob = 1 << nRun;
    if (nRun > 0) nEob += r.Read(nRun);
    return nEob;
}

template <class Reader>
static void DecodeDcFirst(JpegState& s, Reader& r, FrameComponent& c, int16_t* p, int nMcuBlock) {
    int nSize = r.Decode(s.mcuDc[nMcuBlock]);
    if (nSize > 16) Fail(s, JPEG_ERR_BAD_DATA);
    int nDiff = nSize ? ExtendValue(r.Read(nSize), nSize) : 0;
    c.nPredictor = static_cast<int16_t>(static_cast<uint16_t>(c.nPredictor + nDiff));
    p[0] = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(c.nPredictor) << s.nAl));
}

template <class Reader>
static void DecodeDcRefine(JpegState& s, Reader& r, FrameComponent&, int16_t* p, int) {
    if (r.Read(1)) p[0] = static_cast<int16_t>(p[0] | (1 << s.nAl));
}

template <class Reader>
static void DecodeAcFirst(JpegState& s, Reader& r, FrameComponent&, int16_t* p, int nMcuBlock) {
    if (s.nEobRun > 0) {
        --s.nEobRun;
        return;
    }
    const HuffmanLookup* pAc = s.mcuAc[nMcuBlock];
    const int nSe = s.nSe;
    for (int z = s.nSs; z <= nSe; ++z) {
        int nFast = pAc->fastAc[r.PeekFast()];
        if (nFast != 0) {   // a short code with its value bits, in one step
            r.Skip(nFast & 15);
            z += (nFast >> 4) & 0xFF;
            if (__builtin_expect(z > 63, 0)) {
                if (((nFast >> 4) & 0xFF) != kJpegFastEob) Fail(s, JPEG_ERR_BAD_DATA);
                return;   // EOB: a run of one block, this one
            }
            p[g_JpegZigzag[z]] = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(nFast >> 16) << s.nAl));
            continue;
        }
        int nSymbol = r.Decode(pAc);
        int nRun = nSymbol >> 4;
        int nBits = nSymbol & 15;
        if (nBits) {
            z += nRun;
            if (z > 63) Fail(s, JPEG_ERR_BAD_DATA);
            int v = ExtendValue(r.Read(nBits), nBits);
            p[g_JpegZigzag[z]] = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(v) << s.nAl));
        } else if (nRun == 15) {
            z += 15;
            if (z > 63) Fail(s, JPEG_ERR_BAD_DATA);
        } else {
            s.nEobRun = ReadEobRun(r, nRun) - 1;
            return;
        }
    }
}

// Refinement visits the nonzero coefficients of a block in zig-zag order. A
// mask with bit z set for each nonzero coefficient at zig-zag position z lets
// it jump from one to the next instead of testing all 63. The mask is made
// from the block in natural order, one row of eight at a time: bit c of a
// row's byte is natural position 8 x row + c, which this table spreads to
// zig-zag bits.
struct ZigzagMaskTable {
    uint64_t row[8][256];
};

static const ZigzagMaskTable& RowsToZigzag() {
    static const ZigzagMaskTable table = [] {
        ZigzagMaskTable t{};
        uint64_t bitOf[64];
        for (int z = 0; z < 64; ++z) bitOf[g_JpegZigzag[z]] = uint64_t(1) << z;
        for (int nRow = 0; nRow < 8; ++nRow)
            for (int b = 0; b < 256; ++b)
                for (int c = 0; c < 8; ++c)
                    if (b & (1 << c)) t.row[nRow][b] |= bitOf[nRow * 8 + c];
        return t;
    }();
    return table;
}

static uint64_t NonzeroZigzagMask(const int16_t* p) {
    const ZigzagMaskTable& t = RowsToZigzag();
    uint64_t m = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 4; ++i) {
        __m128i a = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)), zero);
        __m128i b = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i + 8)), zero);
        int nZero = _mm_movemask_epi8(_mm_packs_epi16(a, b));   // two rows, bit set where zero
        m |= t.row[2 * i][~nZero & 0xFF] | t.row[2 * i + 1][(~nZero >> 8) & 0xFF];
    }
#else
    for (int nRow = 0; nRow < 8; ++nRow) {
        int b = 0;
        for (int c = 0; c < 8; ++c) b |= (p[nRow * 8 + c] != 0) << c;
        m |= t.row[nRow][b];
    }
#endif
    return m;
}

// Zig-zag positions nFirst to nLast (nFirst may be nLast + 1, up to 64).
static inline uint64_t BandMask(int nFirst, int nLast) {
    if (nFirst > nLast) return 0;
    return (~uint64_t(0) << nFirst) & (~uint64_t(0) >> (63 - nLast));
}

// Refines the nonzero coefficients of mask m in zig-zag order (T.81
// G.1.2.3): a coefficient whose correction bit is 1 gains 1 << Al away from
// zero unless it has that bit already. The correction bits are taken up to
// 16 at a time from one look at the bit reader.
template <class Reader>
static inline void RefineMasked(Reader& r, int16_t* p, uint64_t m, int nP1, int nM1) {
    while (m != 0) {
        uint32_t dwBits = static_cast<uint32_t>(r.Peek16()) << 16;
        int n = 0;
        do {
            // Without branches: the correction bits are as good as random.
            int16_t& x = p[g_JpegZigzag[__builtin_ctzll(m)]];
            int v = x;
            int nAway = v >= 0 ? nP1 : nM1;
            int nApply = -static_cast<int>(((dwBits << n) >> 31) & static_cast<uint32_t>((v & nP1) == 0));
            x = static_cast<int16_t>(v + (nAway & nApply));
            m &= m - 1;
        } while (++n < 16 && m != 0);
        r.Skip(n);
    }
}

template <class Reader>
static void DecodeAcRefine(JpegState& s, Reader& r, FrameComponent&, int16_t* p, int nMcuBlock) {
    const int nP1 = 1 << s.nAl;
    const int nM1 = -nP1;
    int z = s.nSs;
    const int nSe = s.nSe;
    uint64_t qwNonzero = NonzeroZigzagMask(p);
    uint64_t qwAhead = BandMask(z, nSe);   // the band's positions from z on
    if (s.nEobRun == 0) {
        const HuffmanLookup* pAc = s.mcuAc[nMcuBlock];
        for (; z <= nSe; ++z) {
            int nSymbol = r.Decode(pAc);
            int nRun = nSymbol >> 4;
            int nBits = nSymbol & 15;
            int nValue = 0;
            if (nBits) {
                if (nBits != 1) Fail(s, JPEG_ERR_BAD_DATA);
                nValue = r.Read(1) ? nP1 : nM1;
            } else if (nRun != 15) {
                s.nEobRun = ReadEobRun(r, nRun);
                break;
            }
            // The new value goes to the zero coefficient after nRun zero
            // ones (or past the band when it has fewer); the nonzero ones
            // passed on the way are refined.
            uint64_t qwZeros = ~qwNonzero & qwAhead;
            for (; nRun > 0 && qwZeros != 0; --nRun) qwZeros &= qwZeros - 1;
            uint64_t qwPassed = qwAhead;
            if (qwZeros != 0) {
                z = __builtin_ctzll(qwZeros);
                qwPassed &= (uint64_t(1) << z) - 1;
                qwAhead &= ~((uint64_t(2) << z) - 1);
            } else {
                z = nSe + 1;
                qwAhead = 0;
            }
            RefineMasked(r, p, qwNonzero & qwPassed, nP1, nM1);
            if (nValue != 0 && z < 64) {
                p[g_JpegZigzag[z]] = static_cast<int16_t>(nValue);
                qwNonzero |= uint64_t(1) << z;
            }
        }
    }
    if (s.nEobRun > 0) {
        RefineMasked(r, p, qwNonzero & qwAhead, nP1, nM1);
        --s.nEobRun;
    }
}

// Whether every block of the coming MCU row lies inside its component's
// buffer; then its blocks are addressed without a check each. (Otherwise
// each block is checked, so the row fails at the same block as ever.)
static bool RowInside(JpegState& s, bool bSingle, bool bDc) {
    for (int i = 0; i < s.nScanComponents; ++i) {
        const FrameComponent& c = s.comp[s.scanComp[i]];
        const CoefficientBuffer* b = bDc ? c.pDcBuffer : c.pAcBuffer;
        int nAcross = bSingle ? s.nScanMcusPerRow : s.nScanMcusPerRow * c.nH;
        int nDown = bSingle ? 1 : c.nV;
        if (c.nRowOrigin < 0 || c.nRowOrigin + nDown > b->nBlocksDown || nAcross > b->nBlocksAcross) return false;
    }
    return true;
}

// The scan loop: block positions per component, in block units.
template <class Reader, bool bDc, void (*DecodeOne)(JpegState&, Reader&, FrameComponent&, int16_t*, int)>
static void RunScan(JpegState& s) {
    Reader r(s);
    for (int i = 0; i < s.nScanComponents; ++i) s.comp[s.scanComp[i]].nRowOrigin = 0;
    const bool bSingle = s.nScanComponents == 1;
    const size_t nBlockSize = bDc ? 1 : 64;
    for (int nRow = 0; nRow < s.nScanMcusPerCol; ++nRow) {
        for (int i = 0; i < s.nScanComponents; ++i) s.comp[s.scanComp[i]].nColOrigin = 0;
        const bool bInside = RowInside(s, bSingle, bDc);
        for (int m = 0; m < s.nScanMcusPerRow; ++m) {
            int dx = 0;
            int dy = 0;
            if (s.nRestartInterval != 0 && s.nRestartsLeft == 0) {
                ProcessRestart(s);
                r.Load();
            }
            for (int b = 0; b < s.nScanBlocksPerMcu; ++b) {
                FrameComponent& c = s.comp[s.mcuComp[b]];
                CoefficientBuffer* pBuffer = bDc ? c.pDcBuffer : c.pAcBuffer;
                int x = c.nColOrigin + dx;
                int y = c.nRowOrigin + dy;
                int16_t* p = bInside ? pBuffer->pData + (static_cast<size_t>(x) + static_cast<size_t>(y) * static_cast<size_t>(pBuffer->nBlocksAcross)) * nBlockSize
                                     : BlockAt(s, pBuffer, x, y);
                DecodeOne(s, r, c, p, b);
                if (bSingle) {
                    ++c.nColOrigin;
                } else if (++dx == c.nH) {
                    dx = 0;
                    if (++dy == c.nV) {
                        dy = 0;
                        c.nColOrigin += c.nH;
                    }
                }
            }
            --s.nRestartsLeft;
        }
        for (int i = 0; i < s.nScanComponents; ++i) {
            FrameComponent& c = s.comp[s.scanComp[i]];
            c.nRowOrigin += bSingle ? 1 : c.nV;
        }
    }
    r.Store();
}

template <class Reader>
static void RunScanWith(JpegState& s) {
    if (s.nSs == 0)
        s.nAh == 0 ? RunScan<Reader, true, DecodeDcFirst<Reader>>(s) : RunScan<Reader, true, DecodeDcRefine<Reader>>(s);
    else
        s.nAh == 0 ? RunScan<Reader, false, DecodeAcFirst<Reader>>(s) : RunScan<Reader, false, DecodeAcRefine<Reader>>(s);
}

static void ValidateScan(JpegState& s) {
    if (s.nSe < s.nSs || s.nSe > 63) Fail(s, JPEG_ERR_SPECTRAL);
    if (s.nSs == 0 && s.nSe != 0) Fail(s, JPEG_ERR_SPECTRAL);
    if (s.nSs > 0 && s.nScanComponents > 1) Fail(s, JPEG_ERR_SPECTRAL);
    if (s.nAh != 0 && s.nAl != s.nAh - 1) Fail(s, JPEG_ERR_APPROXIMATION);
}

void DecodeProgressiveScans(JpegState& s) {
    if (s.nComponents == 4) Fail(s, JPEG_ERR_COMPONENT_COUNT);
    for (int i = 0; i < s.nComponents; ++i) {
        FrameComponent& c = s.comp[i];
        // A greyscale frame is decoded one block per MCU whatever its factors say.
        int nH = s.nLayout == LayoutGray ? 1 : c.nH;
        int nV = s.nLayout == LayoutGray ? 1 : c.nV;
        c.pDcBuffer = OpenCoefficientBuffer(s, s.nMcusPerRow * nH, s.nMcusPerCol * nV, 1);
        c.pAcBuffer = OpenCoefficientBuffer(s, s.nMcusPerRow * nH, s.nMcusPerCol * nV, 8);
    }
    while (SetUpScan(s)) {
        ValidateScan(s);
        if (s.bFastBitReader)
            RunScanWith<FastBitReader>(s);
        else
            RunScanWith<PlainBitReader>(s);
        PrimeHeaderBits(s);
    }
    s.nScanComponents = s.nComponents;
    for (int i = 0; i < s.nComponents; ++i) {
        s.scanComp[i] = i;
        // Every component is dequantised when rows are assembled.
        if (s.comp[i].nQuantSlot > 3 || !s.pQuant[s.comp[i].nQuantSlot]) Fail(s, JPEG_ERR_NO_QUANT_TABLE);
    }
    ComputeMcuOrder(s);
    for (int i = 0; i < s.nComponents; ++i) s.comp[i].nRowOrigin = 0;
    for (int t = 0; t < 4; ++t)
        if (s.pQuant[t])
            for (int z = 0; z < 64; ++z) s.quantNatural[t][g_JpegZigzag[z]] = s.pQuant[t][z];
}

void AssembleProgressiveRow(JpegState& s) {
    const bool bSingle = s.nScanComponents == 1;
    for (int i = 0; i < s.nScanComponents; ++i) s.comp[s.scanComp[i]].nColOrigin = 0;
    int nBlock = 0;
    for (int m = 0; m < s.nScanMcusPerRow; ++m) {
        int dx = 0;
        int dy = 0;
        for (int b = 0; b < s.nScanBlocksPerMcu; ++b, ++nBlock) {
            FrameComponent& c = s.comp[s.mcuComp[b]];
            int x = c.nColOrigin + dx;
            int y = c.nRowOrigin + dy;
            int16_t* pOut = s.pCoef + static_cast<size_t>(nBlock) * 64;
            const int16_t* pAc = BlockAt(s, c.pAcBuffer, x, y);
            std::memcpy(pOut, pAc, 64 * sizeof(int16_t));
            pOut[0] = *BlockAt(s, c.pDcBuffer, x, y);
            // Exact mode dequantises; multiplying the zero coefficients too
            // changes nothing and lets the loop run over whole vectors. The
            // product is taken in 32-bit unsigned arithmetic (two uint16_t
            // would multiply as int and may overflow), keeping its low 16 bits.
            if (!s.bUseFastPaths) {
                const uint16_t* q = s.quantNatural[c.nQuantSlot];
                for (int n = 0; n < 64; ++n) {
                    uint32_t dwProduct = static_cast<uint32_t>(static_cast<uint16_t>(pOut[n])) * q[n];
                    pOut[n] = static_cast<int16_t>(static_cast<uint16_t>(dwProduct));
                }
            }
            if (bSingle) {
                ++c.nColOrigin;
            } else if (++dx == c.nH) {
                dx = 0;
                if (++dy == c.nV) {
                    dy = 0;
                    c.nColOrigin += c.nH;
                }
            }
        }
    }
    for (int i = 0; i < s.nScanComponents; ++i) {
        FrameComponent& c = s.comp[s.scanComp[i]];
        c.nRowOrigin += bSingle ? 1 : c.nV;
    }
}
