// Colour conversion and scan-line output: the JFIF YCbCr to RGB tables, the
// transform of one MCU row of coefficient blocks into samples, and the line
// procedure of each PixelLayout with chroma replicated over the pixels it
// covers (no interpolation). One MCU row (8 or 16 lines) is reconstructed at
// a time; the two vertically subsampled layouts convert two lines per pass.
#include <cstring>

#include "image/jpeg/jpeg_decoder.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

// Clamps y + term for terms of -256 to 511: index v + 256.
struct ClampTable {
    uint8_t v[1024];
    constexpr ClampTable() : v() {
        for (int i = 0; i < 1024; ++i) v[i] = static_cast<uint8_t>(i < 256 ? 0 : (i > 511 ? 255 : i - 256));
    }
};
constexpr ClampTable g_ClampTable;

inline uint8_t Clamp(int v) { return g_ClampTable.v[v + 256]; }

struct Chroma {
    int nR;
    int nG;
    int nB;
};

inline Chroma ChromaTerms(const int32_t* pColor, int cb, int cr) {
    Chroma t;
    t.nR = pColor[cr];
    t.nB = pColor[256 + cb];
    t.nG = (pColor[512 + cr] + pColor[768 + cb]) >> 16;
    return t;
}

inline void PutPixel(uint8_t* p, int y, const Chroma& t) {
    p[0] = Clamp(y + t.nR);
    p[1] = Clamp(y + t.nG);
    p[2] = Clamp(y + t.nB);
}

void ProduceGray(JpegState& s, int r) {
    uint8_t* pOut = s.pLine[0];
    for (int m = 0; m < s.nMcusPerRow; ++m) std::memcpy(pOut + m * 8, s.pSamples + m * 64 + r * 8, 8);
}

void Produce444(JpegState& s, int r) {
    uint8_t* pOut = s.pLine[0];
    for (int m = 0; m < s.nMcusPerRow; ++m) {
        const uint8_t* y = s.pSamples + m * 192 + r * 8;
        const uint8_t* cb = y + 64;
        const uint8_t* cr = y + 128;
        for (int i = 0; i < 8; ++i, pOut += 4) PutPixel(pOut, y[i], ChromaTerms(s.pColor, cb[i], cr[i]));
    }
}

void Produce422(JpegState& s, int r) {
    uint8_t* pOut = s.pLine[0];
    for (int m = 0; m < s.nMcusPerRow; ++m) {
        const uint8_t* pMcu = s.pSamples + m * 256;
        const uint8_t* cb = pMcu + 128 + r * 8;
        const uint8_t* cr = pMcu + 192 + r * 8;
        for (int b = 0; b < 2; ++b) {
            const uint8_t* y = pMcu + b * 64 + r * 8;
            for (int j = 0; j < 4; ++j, pOut += 8) {
                Chroma t = ChromaTerms(s.pColor, cb[4 * b + j], cr[4 * b + j]);
                PutPixel(pOut, y[2 * j], t);
                PutPixel(pOut + 4, y[2 * j + 1], t);
            }
        }
    }
}

void Produce440(JpegState& s, int r) {
    uint8_t* pOut0 = s.pLine[0];
    uint8_t* pOut1 = s.pLine[1];
    const int nRow = r & 7;
    for (int m = 0; m < s.nMcusPerRow; ++m) {
        const uint8_t* pMcu = s.pSamples + m * 256;
        const uint8_t* y = pMcu + (r < 8 ? 0 : 64) + nRow * 8;
        const uint8_t* cb = pMcu + 128 + (r / 2) * 8;
        const uint8_t* cr = pMcu + 192 + (r / 2) * 8;
        for (int i = 0; i < 8; ++i, pOut0 += 4, pOut1 += 4) {
            Chroma t = ChromaTerms(s.pColor, cb[i], cr[i]);
            PutPixel(pOut0, y[i], t);
            PutPixel(pOut1, y[8 + i], t);
        }
    }
}

void Produce420(JpegState& s, int r) {
    uint8_t* pOut0 = s.pLine[0];
    uint8_t* pOut1 = s.pLine[1];
    const int nRow = r & 7;
    for (int m = 0; m < s.nMcusPerRow; ++m) {
        const uint8_t* pMcu = s.pSamples + m * 384;
        const uint8_t* cb = pMcu + 256 + (r / 2) * 8;
        const uint8_t* cr = pMcu + 320 + (r / 2) * 8;
        for (int b = 0; b < 2; ++b) {
            const uint8_t* y = pMcu + (r < 8 ? 0 : 128) + b * 64 + nRow * 8;
            for (int j = 0; j < 8; j += 2, pOut0 += 8, pOut1 += 8) {
                Chroma t = ChromaTerms(s.pColor, cb[4 * b + j / 2], cr[4 * b + j / 2]);
                PutPixel(pOut0, y[j], t);
                PutPixel(pOut0 + 4, y[j + 1], t);
                PutPixel(pOut1, y[8 + j], t);
                PutPixel(pOut1 + 4, y[8 + j + 1], t);
            }
        }
    }
}

#if defined(__SSE2__)

// Colour terms of 8 chroma pairs, equal to the table entries: R = CrR[cr],
// G = (CrG[cr] + CbG[cb]) >> 16, B = CbB[cb].
struct ChromaSimd {
    __m128i r, g, b;
};

// (d * k + 32768) >> 16 for 16-bit d and k: the high half plus the carry of
// the rounding from the low half.
inline __m128i MulRound(__m128i d, short k) {
    __m128i kk = _mm_set1_epi16(k);
    return _mm_add_epi16(_mm_mulhi_epi16(d, kk), _mm_srli_epi16(_mm_mullo_epi16(d, kk), 15));
}

inline ChromaSimd ChromaTermsSimd(const uint8_t* pCb, const uint8_t* pCr) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i centre = _mm_set1_epi16(128);
    __m128i db = _mm_sub_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pCb)), zero), centre);
    __m128i dr = _mm_sub_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pCr)), zero), centre);
    ChromaSimd t;
    t.r = _mm_add_epi16(dr, MulRound(dr, 26346));                          // 91882 = 65536 + 26346
    t.b = _mm_add_epi16(_mm_add_epi16(db, db), MulRound(db, -14942));      // 116130 = 131072 - 14942
    // -46802 dr - 22554 db + 32768 = -65536 dr + (18734 dr - 22554 db + 32768)
    const __m128i k = _mm_set_epi16(-22554, 18734, -22554, 18734, -22554, 18734, -22554, 18734);
    const __m128i half = _mm_set1_epi32(32768);
    __m128i lo = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(dr, db), k), half), 16);
    __m128i hi = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(dr, db), k), half), 16);
    t.g = _mm_sub_epi16(_mm_packs_epi32(lo, hi), dr);
    return t;
}

// 8 pixels from 8 luma samples and per-pixel terms, as R, G, B, 0.
inline void PutPixelsSimd(uint8_t* pOut, const uint8_t* pY, __m128i r, __m128i g, __m128i b) {
    const __m128i zero = _mm_setzero_si128();
    __m128i y = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pY)), zero);
    __m128i vr = _mm_packus_epi16(_mm_add_epi16(y, r), zero);
    __m128i vg = _mm_packus_epi16(_mm_add_epi16(y, g), zero);
    __m128i vb = _mm_packus_epi16(_mm_add_epi16(y, b), zero);
    __m128i rg = _mm_unpacklo_epi8(vr, vg);
    __m128i bx = _mm_unpacklo_epi8(vb, zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut), _mm_unpacklo_epi16(rg, bx));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + 16), _mm_unpackhi_epi16(rg, bx));
}

void Produce444Simd(JpegState& s, int r) {
    uint8_t* pOut = s.pLine[0];
    for (int m = 0; m < s.nMcusPerRow; ++m, pOut += 32) {
        const uint8_t* y = s.pSamples + m * 192 + r * 8;
        ChromaSimd t = ChromaTermsSimd(y + 64, y + 128);
        PutPixelsSimd(pOut, y, t.r, t.g, t.b);
    }
}

void Produce422Simd(JpegState& s, int r) {
    uint8_t* pOut = s.pLine[0];
    for (int m = 0; m < s.nMcusPerRow; ++m, pOut += 64) {
        const uint8_t* pMcu = s.pSamples + m * 256;
        ChromaSimd t = ChromaTermsSimd(pMcu + 128 + r * 8, pMcu + 192 + r * 8);
        PutPixelsSimd(pOut, pMcu + r * 8, _mm_unpacklo_epi16(t.r, t.r), _mm_unpacklo_epi16(t.g, t.g), _mm_unpacklo_epi16(t.b, t.b));
        PutPixelsSimd(pOut + 32, pMcu + 64 + r * 8, _mm_unpackhi_epi16(t.r, t.r), _mm_unpackhi_epi16(t.g, t.g), _mm_unpackhi_epi16(t.b, t.b));
    }
}

void Produce440Simd(JpegState& s, int r) {
    uint8_t* pOut0 = s.pLine[0];
    uint8_t* pOut1 = s.pLine[1];
    for (int m = 0; m < s.nMcusPerRow; ++m, pOut0 += 32, pOut1 += 32) {
        const uint8_t* pMcu = s.pSamples + m * 256;
        const uint8_t* y = pMcu + (r < 8 ? 0 : 64) + (r & 7) * 8;
        ChromaSimd t = ChromaTermsSimd(pMcu + 128 + (r / 2) * 8, pMcu + 192 + (r / 2) * 8);
        PutPixelsSimd(pOut0, y, t.r, t.g, t.b);
        PutPixelsSimd(pOut1, y + 8, t.r, t.g, t.b);
    }
}

void Produce420Simd(JpegState& s, int r) {
    uint8_t* pOut0 = s.pLine[0];
    uint8_t* pOut1 = s.pLine[1];
    for (int m = 0; m < s.nMcusPerRow; ++m, pOut0 += 64, pOut1 += 64) {
        const uint8_t* pMcu = s.pSamples + m * 384;
        const uint8_t* y = pMcu + (r < 8 ? 0 : 128) + (r & 7) * 8;
        ChromaSimd t = ChromaTermsSimd(pMcu + 256 + (r / 2) * 8, pMcu + 320 + (r / 2) * 8);
        __m128i rl = _mm_unpacklo_epi16(t.r, t.r), gl = _mm_unpacklo_epi16(t.g, t.g), bl = _mm_unpacklo_epi16(t.b, t.b);
        __m128i rh = _mm_unpackhi_epi16(t.r, t.r), gh = _mm_unpackhi_epi16(t.g, t.g), bh = _mm_unpackhi_epi16(t.b, t.b);
        PutPixelsSimd(pOut0, y, rl, gl, bl);
        PutPixelsSimd(pOut1, y + 8, rl, gl, bl);
        PutPixelsSimd(pOut0 + 32, y + 64, rh, gh, bh);
        PutPixelsSimd(pOut1 + 32, y + 72, rh, gh, bh);
    }
}

// The same with AVX2, two MCUs at a time: lane 0 holds the first MCU's
// samples and lane 1 the second's, and every step works within lanes.

// Two runs of 8 bytes, widened to 16 lanes.
JPEG_AVX2 inline __m256i WidenPair(const uint8_t* p0, const uint8_t* p1) {
    return _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0)),
                                                   _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p1))));
}

JPEG_AVX2 inline __m256i MulRoundAvx2(__m256i d, short k) {
    __m256i kk = _mm256_set1_epi16(k);
    return _mm256_add_epi16(_mm256_mulhi_epi16(d, kk), _mm256_srli_epi16(_mm256_mullo_epi16(d, kk), 15));
}

struct ChromaAvx2 {
    __m256i r, g, b;
};

JPEG_AVX2 inline ChromaAvx2 ChromaTermsAvx2(__m256i cb, __m256i cr) {
    const __m256i centre = _mm256_set1_epi16(128);
    __m256i db = _mm256_sub_epi16(cb, centre);
    __m256i dr = _mm256_sub_epi16(cr, centre);
    ChromaAvx2 t;
    t.r = _mm256_add_epi16(dr, MulRoundAvx2(dr, 26346));
    t.b = _mm256_add_epi16(_mm256_add_epi16(db, db), MulRoundAvx2(db, -14942));
    const __m256i k = _mm256_set1_epi32(static_cast<int>((static_cast<uint32_t>(static_cast<uint16_t>(-22554)) << 16) | 18734u));
    const __m256i half = _mm256_set1_epi32(32768);
    __m256i lo = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(dr, db), k), half), 16);
    __m256i hi = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(dr, db), k), half), 16);
    t.g = _mm256_sub_epi16(_mm256_packs_epi32(lo, hi), dr);
    return t;
}

// 8 pixels from each of two runs of luma samples with the terms of their
// lanes, stored as R, G, B, 0 at pOut0 and pOut1.
JPEG_AVX2 inline void PutPixelsAvx2(uint8_t* pOut0, uint8_t* pOut1, __m256i y, __m256i r, __m256i g, __m256i b) {
    __m256i rb = _mm256_packus_epi16(_mm256_add_epi16(y, r), _mm256_add_epi16(y, b));   // R0-7 B0-7 per lane
    __m256i g0 = _mm256_packus_epi16(_mm256_add_epi16(y, g), _mm256_setzero_si256());   // G0-7 0
    __m256i rg = _mm256_unpacklo_epi8(rb, g0), bx = _mm256_unpackhi_epi8(rb, g0);
    __m256i p03 = _mm256_unpacklo_epi16(rg, bx), p47 = _mm256_unpackhi_epi16(rg, bx);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(pOut0), _mm256_permute2x128_si256(p03, p47, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(pOut1), _mm256_permute2x128_si256(p03, p47, 0x31));
}

JPEG_AVX2 void Produce444Avx2(JpegState& s, int r) {
    uint8_t* pOut = s.pLine[0];
    int m = 0;
    for (; m + 1 < s.nMcusPerRow; m += 2, pOut += 64) {
        const uint8_t* y = s.pSamples + m * 192 + r * 8;
        ChromaAvx2 t = ChromaTermsAvx2(WidenPair(y + 64, y + 256), WidenPair(y + 128, y + 320));
        PutPixelsAvx2(pOut, pOut + 32, WidenPair(y, y + 192), t.r, t.g, t.b);
    }
    if (m < s.nMcusPerRow) {
        const uint8_t* y = s.pSamples + m * 192 + r * 8;
        ChromaSimd t = ChromaTermsSimd(y + 64, y + 128);
        PutPixelsSimd(pOut, y, t.r, t.g, t.b);
    }
}

// Horizontally subsampled rows: chroma of MCUs m and m + 1 in one vector; its
// first four terms per lane cover the left block, the last four the right.
JPEG_AVX2 void Produce422Avx2(JpegState& s, int r) {
    uint8_t* pOut = s.pLine[0];
    int m = 0;
    for (; m + 1 < s.nMcusPerRow; m += 2, pOut += 128) {
        const uint8_t* pMcu = s.pSamples + m * 256 + r * 8;
        ChromaAvx2 t = ChromaTermsAvx2(WidenPair(pMcu + 128, pMcu + 384), WidenPair(pMcu + 192, pMcu + 448));
        PutPixelsAvx2(pOut, pOut + 64, WidenPair(pMcu, pMcu + 256), _mm256_unpacklo_epi16(t.r, t.r),
                      _mm256_unpacklo_epi16(t.g, t.g), _mm256_unpacklo_epi16(t.b, t.b));
        PutPixelsAvx2(pOut + 32, pOut + 96, WidenPair(pMcu + 64, pMcu + 320), _mm256_unpackhi_epi16(t.r, t.r),
                      _mm256_unpackhi_epi16(t.g, t.g), _mm256_unpackhi_epi16(t.b, t.b));
    }
    if (m < s.nMcusPerRow) {
        const uint8_t* pMcu = s.pSamples + m * 256;
        ChromaSimd t = ChromaTermsSimd(pMcu + 128 + r * 8, pMcu + 192 + r * 8);
        PutPixelsSimd(pOut, pMcu + r * 8, _mm_unpacklo_epi16(t.r, t.r), _mm_unpacklo_epi16(t.g, t.g), _mm_unpacklo_epi16(t.b, t.b));
        PutPixelsSimd(pOut + 32, pMcu + 64 + r * 8, _mm_unpackhi_epi16(t.r, t.r), _mm_unpackhi_epi16(t.g, t.g), _mm_unpackhi_epi16(t.b, t.b));
    }
}

JPEG_AVX2 void Produce440Avx2(JpegState& s, int r) {
    uint8_t* pOut0 = s.pLine[0];
    uint8_t* pOut1 = s.pLine[1];
    int m = 0;
    for (; m + 1 < s.nMcusPerRow; m += 2, pOut0 += 64, pOut1 += 64) {
        const uint8_t* pMcu = s.pSamples + m * 256;
        const uint8_t* y = pMcu + (r < 8 ? 0 : 64) + (r & 7) * 8;
        const uint8_t* c = pMcu + (r / 2) * 8;
        ChromaAvx2 t = ChromaTermsAvx2(WidenPair(c + 128, c + 384), WidenPair(c + 192, c + 448));
        PutPixelsAvx2(pOut0, pOut0 + 32, WidenPair(y, y + 256), t.r, t.g, t.b);
        PutPixelsAvx2(pOut1, pOut1 + 32, WidenPair(y + 8, y + 264), t.r, t.g, t.b);
    }
    if (m < s.nMcusPerRow) {
        const uint8_t* pMcu = s.pSamples + m * 256;
        const uint8_t* y = pMcu + (r < 8 ? 0 : 64) + (r & 7) * 8;
        ChromaSimd t = ChromaTermsSimd(pMcu + 128 + (r / 2) * 8, pMcu + 192 + (r / 2) * 8);
        PutPixelsSimd(pOut0, y, t.r, t.g, t.b);
        PutPixelsSimd(pOut1, y + 8, t.r, t.g, t.b);
    }
}

JPEG_AVX2 void Produce420Avx2(JpegState& s, int r) {
    uint8_t* pOut0 = s.pLine[0];
    uint8_t* pOut1 = s.pLine[1];
    int m = 0;
    for (; m + 1 < s.nMcusPerRow; m += 2, pOut0 += 128, pOut1 += 128) {
        const uint8_t* pMcu = s.pSamples + m * 384;
        const uint8_t* y = pMcu + (r < 8 ? 0 : 128) + (r & 7) * 8;
        const uint8_t* c = pMcu + (r / 2) * 8;
        ChromaAvx2 t = ChromaTermsAvx2(WidenPair(c + 256, c + 640), WidenPair(c + 320, c + 704));
        __m256i rl = _mm256_unpacklo_epi16(t.r, t.r), gl = _mm256_unpacklo_epi16(t.g, t.g), bl = _mm256_unpacklo_epi16(t.b, t.b);
        __m256i rh = _mm256_unpackhi_epi16(t.r, t.r), gh = _mm256_unpackhi_epi16(t.g, t.g), bh = _mm256_unpackhi_epi16(t.b, t.b);
        PutPixelsAvx2(pOut0, pOut0 + 64, WidenPair(y, y + 384), rl, gl, bl);
        PutPixelsAvx2(pOut1, pOut1 + 64, WidenPair(y + 8, y + 392), rl, gl, bl);
        PutPixelsAvx2(pOut0 + 32, pOut0 + 96, WidenPair(y + 64, y + 448), rh, gh, bh);
        PutPixelsAvx2(pOut1 + 32, pOut1 + 96, WidenPair(y + 72, y + 456), rh, gh, bh);
    }
    if (m < s.nMcusPerRow) {
        const uint8_t* pMcu = s.pSamples + m * 384;
        const uint8_t* y = pMcu + (r < 8 ? 0 : 128) + (r & 7) * 8;
        ChromaSimd t = ChromaTermsSimd(pMcu + 256 + (r / 2) * 8, pMcu + 320 + (r / 2) * 8);
        __m128i rl = _mm_unpacklo_epi16(t.r, t.r), gl = _mm_unpacklo_epi16(t.g, t.g), bl = _mm_unpacklo_epi16(t.b, t.b);
        __m128i rh = _mm_unpackhi_epi16(t.r, t.r), gh = _mm_unpackhi_epi16(t.g, t.g), bh = _mm_unpackhi_epi16(t.b, t.b);
        PutPixelsSimd(pOut0, y, rl, gl, bl);
        PutPixelsSimd(pOut1, y + 8, rl, gl, bl);
        PutPixelsSimd(pOut0 + 32, y + 64, rh, gh, bh);
        PutPixelsSimd(pOut1 + 32, y + 72, rh, gh, bh);
    }
}

#endif

// The one place that chooses the IDCT kernels: scalar, or the vector
// transform of a whole row (SSE2, with AVX2 pairs where allowed).
void TransformRow(JpegState& s) {
    const int nPerMcu = s.nBlocksPerMcu;
    const bool bAvx2 = s.bUseAvx2 && JpegAvx2Available();
    if (s.bUseFastPaths) {
        const uint16_t* quant[kJpegMaxMcuBlocks];
        for (int b = 0; b < nPerMcu; ++b) quant[b] = s.pQuant[s.comp[s.mcuComp[b]].nQuantSlot];
        if (s.bUseSimd) {
            IdctFastBlocks(s.pCoef, quant, nPerMcu, s.pSamples, s.nBlocksPerRow, bAvx2);
            return;
        }
        for (int k = 0; k < s.nBlocksPerRow; ++k)
            IdctFastScalar(s.pCoef + static_cast<size_t>(k) * 64, quant[k % nPerMcu], s.pSamples + static_cast<size_t>(k) * 64);
    } else if (s.bUseSimd) {
        IdctExactBlocks(s.pCoef, s.pSamples, s.nBlocksPerRow, bAvx2);
    } else {
        for (int k = 0; k < s.nBlocksPerRow; ++k) IdctExact(s.pCoef + static_cast<size_t>(k) * 64, s.pSamples + static_cast<size_t>(k) * 64);
    }
}

}  // namespace

void BuildColorTables(JpegState& s) {
    s.pColor = static_cast<int32_t*>(PoolAllocate(s, 1024 * sizeof(int32_t)));
    for (int i = 0; i < 256; ++i) {
        int d = i - 128;
        s.pColor[i] = (d * 91882 + 32768) >> 16;
        s.pColor[256 + i] = (d * 116130 + 32768) >> 16;
        s.pColor[512 + i] = d * -46802;
        s.pColor[768 + i] = d * -22554 + 32768;
    }
}

static void StartMcuRow(JpegState& s) {
    if (s.bProgressive)
        AssembleProgressiveRow(s);
    else
        DecodeBaselineRow(s);
    // Transformed before the end of the image is looked for, so that tables
    // defined after the scan cannot reach the last row.
    TransformRow(s);
    if (!s.bProgressive && s.nMcuHeight >= s.nLinesLeft) FindEndOfImage(s);
}

int DecodeNextLine(JpegState& s, const uint8_t** ppLine, uint32_t* pLength) {
    if (s.nErrorCode != 0 || !s.bReady) return -1;
    if (s.nLinesLeft == 0) return 1;
    if (s.nRowLinesLeft == 0) {
        try {
            StartMcuRow(s);
        } catch (const JpegFailure&) {
            return JPEG_ERR_BAD_DATA;
        }
        s.nRowLinesLeft = s.nMcuHeight;
    }
    int r = s.nMcuHeight - s.nRowLinesLeft;
    const uint8_t* pLine = s.pLine[0];
    bool bPairDone = (s.nLayout == Layout440 || s.nLayout == Layout420) && (s.nRowLinesLeft & 1);
    if (bPairDone) {
        pLine = s.pLine[1];   // converted with the line above it
    } else {
        static void (*const kScalar[])(JpegState&, int) = {ProduceGray, Produce444, Produce422, Produce440, Produce420};
#if defined(__SSE2__)
        static void (*const kSimd[])(JpegState&, int) = {ProduceGray, Produce444Simd, Produce422Simd, Produce440Simd, Produce420Simd};
        static void (*const kAvx2[])(JpegState&, int) = {ProduceGray, Produce444Avx2, Produce422Avx2, Produce440Avx2, Produce420Avx2};
        (!s.bUseSimd ? kScalar : (s.bUseAvx2 && JpegAvx2Available()) ? kAvx2 : kSimd)[s.nLayout](s, r);
#else
        kScalar[s.nLayout](s, r);
#endif
    }
    *ppLine = pLine;
    *pLength = static_cast<uint32_t>(s.nLineLength);
    --s.nRowLinesLeft;
    --s.nLinesLeft;
    return 0;
}
