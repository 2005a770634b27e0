// Inverse DCT of one 8x8 block (T.81 A.3.3), in two forms.
// Exact: the integer Loeffler-Ligtenberg-Moschytz factorisation with 13-bit
// constants, rows then columns, on already dequantised coefficients; it
// skips rows and columns whose AC terms are all zero.
// Fast: the Arai-Agui-Nakajima factorisation in wrapping 16-bit arithmetic,
// columns then rows, dequantising with tables that carry its scale factors.
// Both forms exist three times, scalar, SSE2 and AVX2 (two blocks at once),
// with identical results; the row transforms at the end choose among the
// vector kernels block by block.
#include "image/jpeg/jpeg_decoder.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

// S[u * 8 + v] = round(16384 * c(u) * c(v)), c(0) = 1, c(k) = sqrt(2) cos(k pi / 16).
const int16_t g_JpegScale[64] = {
    16384, 22725, 21407, 19266, 16384, 12873, 8867,  4520,
    22725, 31521, 29692, 26722, 22725, 17855, 12299, 6270,
    21407, 29692, 27969, 25172, 21407, 16819, 11585, 5906,
    19266, 26722, 25172, 22654, 19266, 15137, 10426, 5315,
    16384, 22725, 21407, 19266, 16384, 12873, 8867,  4520,
    12873, 17855, 16819, 15137, 12873, 10114, 6967,  3552,
    8867,  12299, 11585, 10426, 8867,  6967,  4799,  2446,
    4520,  6270,  5906,  5315,  4520,  3552,  2446,  1247};

static inline uint8_t ClampSample(int v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// One exact 1-D step. 64-bit temporaries wrap exactly like 32-bit ones once
// truncated, without overflowing on hostile input.
static inline void ExactStep(const int64_t* x, int64_t* y) {
    int64_t z1 = (x[2] + x[6]) * 4433;
    int64_t t2 = z1 - x[6] * 15137;
    int64_t t3 = z1 + x[2] * 6270;
    int64_t t0 = (x[0] + x[4]) * 8192;
    int64_t t1 = (x[0] - x[4]) * 8192;
    int64_t t10 = t0 + t3, t13 = t0 - t3, t11 = t1 + t2, t12 = t1 - t2;

    int64_t a0 = x[7], a1 = x[5], a2 = x[3], a3 = x[1];
    int64_t y1 = a0 + a3, y2 = a1 + a2, y3 = a0 + a2, y4 = a1 + a3;
    int64_t y5 = (y3 + y4) * 9633;
    a0 *= 2446;
    a1 *= 16819;
    a2 *= 25172;
    a3 *= 12299;
    y1 *= -7373;
    y2 *= -20995;
    y3 = y3 * -16069 + y5;
    y4 = y4 * -3196 + y5;
    a0 += y1 + y3;
    a1 += y2 + y4;
    a2 += y2 + y3;
    a3 += y1 + y4;

    y[0] = t10 + a3;
    y[7] = t10 - a3;
    y[1] = t11 + a2;
    y[6] = t11 - a2;
    y[2] = t12 + a1;
    y[5] = t12 - a1;
    y[3] = t13 + a0;
    y[4] = t13 - a0;
}

static inline int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

void IdctExact(const int16_t* pCoef, uint8_t* pOut) {
    int16_t ws[64];
    int64_t x[8], y[8];
    for (int r = 0; r < 8; ++r) {
        const int16_t* p = pCoef + r * 8;
        int16_t* w = ws + r * 8;
        if ((p[1] | p[2] | p[3] | p[4] | p[5] | p[6] | p[7]) == 0) {
            int16_t v = static_cast<int16_t>(static_cast<uint16_t>(p[0] * 4));
            for (int j = 0; j < 8; ++j) w[j] = v;
            continue;
        }
        for (int j = 0; j < 8; ++j) x[j] = p[j];
        ExactStep(x, y);
        for (int j = 0; j < 8; ++j) w[j] = static_cast<int16_t>(Wrap32(y[j] + 1024) >> 11);
    }
    for (int c = 0; c < 8; ++c) {
        const int16_t* w = ws + c;
        if ((w[8] | w[16] | w[24] | w[32] | w[40] | w[48] | w[56]) == 0) {
            uint8_t v = ClampSample(((w[0] + 16) >> 5) + 128);
            for (int j = 0; j < 8; ++j) pOut[j * 8 + c] = v;
            continue;
        }
        for (int j = 0; j < 8; ++j) x[j] = w[j * 8];
        ExactStep(x, y);
        for (int j = 0; j < 8; ++j)
            pOut[j * 8 + c] = ClampSample(static_cast<int16_t>(Wrap32(y[j] + 131072) >> 18) + 128);
    }
}

// --- Fast IDCT, scalar -------------------------------------------------------

static inline int W16(int v) { return static_cast<int16_t>(static_cast<uint16_t>(static_cast<unsigned>(v))); }
static inline int Mul(int v, int k) { return W16((W16(v * 4) * k) >> 16); }   // M(v, k) = hi(w16(4v), k)

const int kFastK1 = 23170;
const int kFastK2 = 30273;
const int kFastK3 = -12540;
const int kFastK4 = -30353;

static inline void FastStep(const int* x, int* y) {
    int t10 = W16(x[0] + x[4]), t11 = W16(x[0] - x[4]), t13 = W16(x[2] + x[6]);
    int t12 = W16(Mul(W16(x[2] - x[6]), kFastK1) - t13);
    int e0 = W16(t10 + t13), e3 = W16(t10 - t13), e1 = W16(t11 + t12), e2 = W16(t11 - t12);
    int z13 = W16(x[5] + x[3]), z10 = W16(x[5] - x[3]), z11 = W16(x[1] + x[7]), z12 = W16(x[1] - x[7]);
    int o7 = W16(z11 + z13);
    int o11 = Mul(W16(z11 - z13), kFastK1);
    int o10 = W16(Mul(z10, kFastK4) + Mul(z12, kFastK3));
    int o12 = W16(Mul(z10, kFastK3) + Mul(z12, kFastK2));
    int o6 = W16(o12 - o7), o5 = W16(o11 - o6), o4 = W16(o10 + o5);
    y[0] = W16(e0 + o7);
    y[7] = W16(e0 - o7);
    y[1] = W16(e1 + o6);
    y[6] = W16(e1 - o6);
    y[2] = W16(e2 + o5);
    y[5] = W16(e2 - o5);
    y[4] = W16(e3 + o4);
    y[3] = W16(e3 - o4);
}

void IdctFastScalar(const int16_t* pCoef, const uint16_t* pQuant, uint8_t* pOut) {
    int ws[64];
    int x[8], y[8];
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r)
            x[r] = W16(static_cast<int>(static_cast<uint32_t>(pCoef[r * 8 + c]) * pQuant[r * 8 + c]));
        FastStep(x, y);
        for (int j = 0; j < 8; ++j) ws[j * 8 + c] = y[j];
    }
    for (int r = 0; r < 8; ++r) {
        FastStep(ws + r * 8, y);
        for (int j = 0; j < 8; ++j) pOut[r * 8 + j] = ClampSample((y[j] >> 5) + 128);
    }
}

// --- Fast IDCT, SSE2 ---------------------------------------------------------

#if defined(__SSE2__)

bool JpegSimdAvailable() { return true; }

static inline __m128i MulHi(__m128i v, __m128i k) { return _mm_mulhi_epi16(_mm_slli_epi16(v, 2), k); }

static inline void FastStepSimd(__m128i* x) {
    const __m128i k1 = _mm_set1_epi16(kFastK1);
    const __m128i k2 = _mm_set1_epi16(kFastK2);
    const __m128i k3 = _mm_set1_epi16(kFastK3);
    const __m128i k4 = _mm_set1_epi16(kFastK4);
    __m128i t10 = _mm_add_epi16(x[0], x[4]), t11 = _mm_sub_epi16(x[0], x[4]);
    __m128i t13 = _mm_add_epi16(x[2], x[6]);
    __m128i t12 = _mm_sub_epi16(MulHi(_mm_sub_epi16(x[2], x[6]), k1), t13);
    __m128i e0 = _mm_add_epi16(t10, t13), e3 = _mm_sub_epi16(t10, t13);
    __m128i e1 = _mm_add_epi16(t11, t12), e2 = _mm_sub_epi16(t11, t12);
    __m128i z13 = _mm_add_epi16(x[5], x[3]), z10 = _mm_sub_epi16(x[5], x[3]);
    __m128i z11 = _mm_add_epi16(x[1], x[7]), z12 = _mm_sub_epi16(x[1], x[7]);
    __m128i o7 = _mm_add_epi16(z11, z13);
    __m128i o11 = MulHi(_mm_sub_epi16(z11, z13), k1);
    __m128i o10 = _mm_add_epi16(MulHi(z10, k4), MulHi(z12, k3));
    __m128i o12 = _mm_add_epi16(MulHi(z10, k3), MulHi(z12, k2));
    __m128i o6 = _mm_sub_epi16(o12, o7), o5 = _mm_sub_epi16(o11, o6), o4 = _mm_add_epi16(o10, o5);
    x[0] = _mm_add_epi16(e0, o7);
    x[7] = _mm_sub_epi16(e0, o7);
    x[1] = _mm_add_epi16(e1, o6);
    x[6] = _mm_sub_epi16(e1, o6);
    x[2] = _mm_add_epi16(e2, o5);
    x[5] = _mm_sub_epi16(e2, o5);
    x[4] = _mm_add_epi16(e3, o4);
    x[3] = _mm_sub_epi16(e3, o4);
}

static inline void Transpose8x8(__m128i* v) {
    __m128i a0 = _mm_unpacklo_epi16(v[0], v[1]), a1 = _mm_unpackhi_epi16(v[0], v[1]);
    __m128i a2 = _mm_unpacklo_epi16(v[2], v[3]), a3 = _mm_unpackhi_epi16(v[2], v[3]);
    __m128i a4 = _mm_unpacklo_epi16(v[4], v[5]), a5 = _mm_unpackhi_epi16(v[4], v[5]);
    __m128i a6 = _mm_unpacklo_epi16(v[6], v[7]), a7 = _mm_unpackhi_epi16(v[6], v[7]);
    __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
    __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
    __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
    __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
    v[0] = _mm_unpacklo_epi64(b0, b4);
    v[1] = _mm_unpackhi_epi64(b0, b4);
    v[2] = _mm_unpacklo_epi64(b1, b5);
    v[3] = _mm_unpackhi_epi64(b1, b5);
    v[4] = _mm_unpacklo_epi64(b2, b6);
    v[5] = _mm_unpackhi_epi64(b2, b6);
    v[6] = _mm_unpacklo_epi64(b3, b7);
    v[7] = _mm_unpackhi_epi64(b3, b7);
}

void IdctFastSimd(const int16_t* pCoef, const uint16_t* pQuant, uint8_t* pOut) {
    __m128i v[8];
    for (int r = 0; r < 8; ++r) {
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pCoef + r * 8));
        __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pQuant + r * 8));
        v[r] = _mm_mullo_epi16(c, q);
    }
    FastStepSimd(v);     // columns: lane c of row vector r
    Transpose8x8(v);
    FastStepSimd(v);     // rows: lane r of column vector j
    const __m128i bias = _mm_set1_epi16(128);
    for (int j = 0; j < 8; ++j) v[j] = _mm_add_epi16(_mm_srai_epi16(v[j], 5), bias);
    Transpose8x8(v);
    for (int r = 0; r < 8; r += 2)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + r * 8), _mm_packus_epi16(v[r], v[r + 1]));
}

// --- Exact IDCT, SSE2 --------------------------------------------------------
// The same integer arithmetic, eight rows (then columns) at a time: each
// output is regrouped as a sum of products of two inputs (pmaddwd), which is
// equal modulo 2^32 to the scalar form. The all-zero shortcuts of the scalar
// form give exactly what the full computation gives, so none are needed; the
// row transforms below pick forms that leave out the products with halves of
// a block known to be zero (rows 4-7, columns 4-7), which add nothing.

const int kRowsHalf = 1;
const int kColsHalf = 2;

static inline __m128i Pair(int a, int b) { return _mm_set_epi16(b, a, b, a, b, a, b, a); }

struct ExactHalf {
    __m128i y[8];
};

// One exact 1-D step on lanes 0-3 (bHigh false) or 4-7 of x0..x7, in 32 bits.
// With bUpper, x[4] to x[7] are zero and the products with them are left out.
template <bool bUpper>
static inline ExactHalf ExactStepSimd(const __m128i* x, bool bHigh, __m128i bias) {
    auto mix = [bHigh](__m128i a, __m128i b) { return bHigh ? _mm_unpackhi_epi16(a, b) : _mm_unpacklo_epi16(a, b); };
    const __m128i zero = _mm_setzero_si128();
    __m128i p26 = mix(x[2], bUpper ? zero : x[6]), p04 = mix(x[0], bUpper ? zero : x[4]), p31 = mix(x[3], x[1]);
    __m128i p75 = bUpper ? zero : mix(x[7], x[5]);
    __m128i t2 = _mm_madd_epi16(p26, Pair(4433, 4433 - 15137));
    __m128i t3 = _mm_madd_epi16(p26, Pair(4433 + 6270, 4433));
    __m128i t0 = _mm_add_epi32(_mm_madd_epi16(p04, Pair(8192, 8192)), bias);
    __m128i t1 = bUpper ? t0 : _mm_add_epi32(_mm_madd_epi16(p04, Pair(8192, -8192)), bias);
    __m128i t10 = _mm_add_epi32(t0, t3), t13 = _mm_sub_epi32(t0, t3);
    __m128i t11 = _mm_add_epi32(t1, t2), t12 = _mm_sub_epi32(t1, t2);
    __m128i o0 = _mm_madd_epi16(p31, Pair(-6436, 2260));
    __m128i o1 = _mm_madd_epi16(p31, Pair(-11362, 6437));
    __m128i o2 = _mm_madd_epi16(p31, Pair(-2259, 9633));
    __m128i o3 = _mm_madd_epi16(p31, Pair(9633, 11363));
    if (!bUpper) {
        o0 = _mm_add_epi32(_mm_madd_epi16(p75, Pair(-11363, 9633)), o0);
        o1 = _mm_add_epi32(_mm_madd_epi16(p75, Pair(9633, 2261)), o1);
        o2 = _mm_add_epi32(_mm_madd_epi16(p75, Pair(-6436, -11362)), o2);
        o3 = _mm_add_epi32(_mm_madd_epi16(p75, Pair(2260, 6437)), o3);
    }
    ExactHalf h;
    h.y[0] = _mm_add_epi32(t10, o3);
    h.y[7] = _mm_sub_epi32(t10, o3);
    h.y[1] = _mm_add_epi32(t11, o2);
    h.y[6] = _mm_sub_epi32(t11, o2);
    h.y[2] = _mm_add_epi32(t12, o1);
    h.y[5] = _mm_sub_epi32(t12, o1);
    h.y[3] = _mm_add_epi32(t13, o0);
    h.y[4] = _mm_sub_epi32(t13, o0);
    return h;
}

// The steps add the rounding bias to the even part (t0, t1), which every
// output holds once: the same sums modulo 2^32.
// (v + 1024) >> 11, truncated to 16 bits, for two halves: bits 11 to 26,
// moved to the top half and brought down with their sign.
static inline __m128i RoundRowPass(__m128i lo, __m128i hi) {
    return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(lo, 5), 16), _mm_srai_epi32(_mm_slli_epi32(hi, 5), 16));
}

// (v + 131072) >> 18 lies within 16 bits already: nothing to truncate.
static inline __m128i RoundColumnPass(__m128i lo, __m128i hi) {
    return _mm_packs_epi32(_mm_srai_epi32(lo, 18), _mm_srai_epi32(hi, 18));
}

template <int nZero>
static void IdctExactSimdT(const int16_t* pCoef, uint8_t* pOut) {
    const __m128i zero = _mm_setzero_si128();
    __m128i v[8];
    for (int r = 0; r < 8; ++r)
        v[r] = (nZero & kRowsHalf) && r >= 4 ? zero : _mm_loadu_si128(reinterpret_cast<const __m128i*>(pCoef + r * 8));
    Transpose8x8(v);   // v[j]: coefficient j of every row
    const __m128i bias1 = _mm_set1_epi32(1024), bias2 = _mm_set1_epi32(131072);
    ExactHalf lo = ExactStepSimd<(nZero & kColsHalf) != 0>(v, false, bias1);
    if (nZero & kRowsHalf) {   // rows 4-7 give zeros
        for (int j = 0; j < 8; ++j) v[j] = RoundRowPass(lo.y[j], zero);
    } else {
        ExactHalf hi = ExactStepSimd<(nZero & kColsHalf) != 0>(v, true, bias1);
        for (int j = 0; j < 8; ++j) v[j] = RoundRowPass(lo.y[j], hi.y[j]);
    }
    Transpose8x8(v);   // v[r]: row r of the pass-1 results
    lo = ExactStepSimd<(nZero & kRowsHalf) != 0>(v, false, bias2);
    ExactHalf hi = ExactStepSimd<(nZero & kRowsHalf) != 0>(v, true, bias2);
    const __m128i centre = _mm_set1_epi16(128);
    for (int j = 0; j < 8; j += 2) {
        __m128i a = _mm_adds_epi16(RoundColumnPass(lo.y[j], hi.y[j]), centre);
        __m128i b = _mm_adds_epi16(RoundColumnPass(lo.y[j + 1], hi.y[j + 1]), centre);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + j * 8), _mm_packus_epi16(a, b));
    }
}

void IdctExactSimd(const int16_t* pCoef, uint8_t* pOut) { IdctExactSimdT<0>(pCoef, pOut); }

// --- Both IDCTs, AVX2, two blocks at a time ----------------------------------
// The SSE2 kernels above with block A in the low 128-bit lane and block B in
// the high one: every operation they use works within lanes, so each lane
// computes exactly what the SSE2 kernel computes for its block.

JPEG_AVX2 static inline __m256i LoadPair(const int16_t* pA, const int16_t* pB) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pA))),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(pB)), 1);
}

JPEG_AVX2 static inline void StorePair(uint8_t* pA, uint8_t* pB, __m256i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pA), _mm256_castsi256_si128(v));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pB), _mm256_extracti128_si256(v, 1));
}

JPEG_AVX2 static inline void Transpose8x8Avx2(__m256i* v) {
    __m256i a0 = _mm256_unpacklo_epi16(v[0], v[1]), a1 = _mm256_unpackhi_epi16(v[0], v[1]);
    __m256i a2 = _mm256_unpacklo_epi16(v[2], v[3]), a3 = _mm256_unpackhi_epi16(v[2], v[3]);
    __m256i a4 = _mm256_unpacklo_epi16(v[4], v[5]), a5 = _mm256_unpackhi_epi16(v[4], v[5]);
    __m256i a6 = _mm256_unpacklo_epi16(v[6], v[7]), a7 = _mm256_unpackhi_epi16(v[6], v[7]);
    __m256i b0 = _mm256_unpacklo_epi32(a0, a2), b1 = _mm256_unpackhi_epi32(a0, a2);
    __m256i b2 = _mm256_unpacklo_epi32(a1, a3), b3 = _mm256_unpackhi_epi32(a1, a3);
    __m256i b4 = _mm256_unpacklo_epi32(a4, a6), b5 = _mm256_unpackhi_epi32(a4, a6);
    __m256i b6 = _mm256_unpacklo_epi32(a5, a7), b7 = _mm256_unpackhi_epi32(a5, a7);
    v[0] = _mm256_unpacklo_epi64(b0, b4);
    v[1] = _mm256_unpackhi_epi64(b0, b4);
    v[2] = _mm256_unpacklo_epi64(b1, b5);
    v[3] = _mm256_unpackhi_epi64(b1, b5);
    v[4] = _mm256_unpacklo_epi64(b2, b6);
    v[5] = _mm256_unpackhi_epi64(b2, b6);
    v[6] = _mm256_unpacklo_epi64(b3, b7);
    v[7] = _mm256_unpackhi_epi64(b3, b7);
}

JPEG_AVX2 static inline __m256i MulHiAvx2(__m256i v, __m256i k) { return _mm256_mulhi_epi16(_mm256_slli_epi16(v, 2), k); }

JPEG_AVX2 static inline void FastStepAvx2(__m256i* x) {
    const __m256i k1 = _mm256_set1_epi16(kFastK1);
    const __m256i k2 = _mm256_set1_epi16(kFastK2);
    const __m256i k3 = _mm256_set1_epi16(kFastK3);
    const __m256i k4 = _mm256_set1_epi16(kFastK4);
    __m256i t10 = _mm256_add_epi16(x[0], x[4]), t11 = _mm256_sub_epi16(x[0], x[4]);
    __m256i t13 = _mm256_add_epi16(x[2], x[6]);
    __m256i t12 = _mm256_sub_epi16(MulHiAvx2(_mm256_sub_epi16(x[2], x[6]), k1), t13);
    __m256i e0 = _mm256_add_epi16(t10, t13), e3 = _mm256_sub_epi16(t10, t13);
    __m256i e1 = _mm256_add_epi16(t11, t12), e2 = _mm256_sub_epi16(t11, t12);
    __m256i z13 = _mm256_add_epi16(x[5], x[3]), z10 = _mm256_sub_epi16(x[5], x[3]);
    __m256i z11 = _mm256_add_epi16(x[1], x[7]), z12 = _mm256_sub_epi16(x[1], x[7]);
    __m256i o7 = _mm256_add_epi16(z11, z13);
    __m256i o11 = MulHiAvx2(_mm256_sub_epi16(z11, z13), k1);
    __m256i o10 = _mm256_add_epi16(MulHiAvx2(z10, k4), MulHiAvx2(z12, k3));
    __m256i o12 = _mm256_add_epi16(MulHiAvx2(z10, k3), MulHiAvx2(z12, k2));
    __m256i o6 = _mm256_sub_epi16(o12, o7), o5 = _mm256_sub_epi16(o11, o6), o4 = _mm256_add_epi16(o10, o5);
    x[0] = _mm256_add_epi16(e0, o7);
    x[7] = _mm256_sub_epi16(e0, o7);
    x[1] = _mm256_add_epi16(e1, o6);
    x[6] = _mm256_sub_epi16(e1, o6);
    x[2] = _mm256_add_epi16(e2, o5);
    x[5] = _mm256_sub_epi16(e2, o5);
    x[4] = _mm256_add_epi16(e3, o4);
    x[3] = _mm256_sub_epi16(e3, o4);
}

JPEG_AVX2 void IdctFastPairAvx2(const int16_t* const* ppCoef, const uint16_t* const* ppQuant, uint8_t* const* ppOut) {
    __m256i v[8];
    for (int r = 0; r < 8; ++r)
        v[r] = _mm256_mullo_epi16(LoadPair(ppCoef[0] + r * 8, ppCoef[1] + r * 8),
                                  LoadPair(reinterpret_cast<const int16_t*>(ppQuant[0]) + r * 8,
                                           reinterpret_cast<const int16_t*>(ppQuant[1]) + r * 8));
    FastStepAvx2(v);
    Transpose8x8Avx2(v);
    FastStepAvx2(v);
    const __m256i bias = _mm256_set1_epi16(128);
    for (int j = 0; j < 8; ++j) v[j] = _mm256_add_epi16(_mm256_srai_epi16(v[j], 5), bias);
    Transpose8x8Avx2(v);
    for (int r = 0; r < 8; r += 2) StorePair(ppOut[0] + r * 8, ppOut[1] + r * 8, _mm256_packus_epi16(v[r], v[r + 1]));
}

JPEG_AVX2 static inline __m256i PairAvx2(int a, int b) { return _mm256_set1_epi32(static_cast<int>((static_cast<uint32_t>(b) << 16) | static_cast<uint16_t>(a))); }

JPEG_AVX2 static inline __m256i MixAvx2(__m256i a, __m256i b, bool bHigh) {
    return bHigh ? _mm256_unpackhi_epi16(a, b) : _mm256_unpacklo_epi16(a, b);
}

struct ExactHalfAvx2 {
    __m256i y[8];
};

template <bool bUpper>
JPEG_AVX2 static inline ExactHalfAvx2 ExactStepAvx2(const __m256i* x, bool bHigh, __m256i bias) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i p26 = MixAvx2(x[2], bUpper ? zero : x[6], bHigh), p04 = MixAvx2(x[0], bUpper ? zero : x[4], bHigh);
    __m256i p31 = MixAvx2(x[3], x[1], bHigh);
    __m256i p75 = bUpper ? zero : MixAvx2(x[7], x[5], bHigh);
    __m256i t2 = _mm256_madd_epi16(p26, PairAvx2(4433, 4433 - 15137));
    __m256i t3 = _mm256_madd_epi16(p26, PairAvx2(4433 + 6270, 4433));
    __m256i t0 = _mm256_add_epi32(_mm256_madd_epi16(p04, PairAvx2(8192, 8192)), bias);
    __m256i t1 = bUpper ? t0 : _mm256_add_epi32(_mm256_madd_epi16(p04, PairAvx2(8192, -8192)), bias);
    __m256i t10 = _mm256_add_epi32(t0, t3), t13 = _mm256_sub_epi32(t0, t3);
    __m256i t11 = _mm256_add_epi32(t1, t2), t12 = _mm256_sub_epi32(t1, t2);
    __m256i o0 = _mm256_madd_epi16(p31, PairAvx2(-6436, 2260));
    __m256i o1 = _mm256_madd_epi16(p31, PairAvx2(-11362, 6437));
    __m256i o2 = _mm256_madd_epi16(p31, PairAvx2(-2259, 9633));
    __m256i o3 = _mm256_madd_epi16(p31, PairAvx2(9633, 11363));
    if (!bUpper) {
        o0 = _mm256_add_epi32(_mm256_madd_epi16(p75, PairAvx2(-11363, 9633)), o0);
        o1 = _mm256_add_epi32(_mm256_madd_epi16(p75, PairAvx2(9633, 2261)), o1);
        o2 = _mm256_add_epi32(_mm256_madd_epi16(p75, PairAvx2(-6436, -11362)), o2);
        o3 = _mm256_add_epi32(_mm256_madd_epi16(p75, PairAvx2(2260, 6437)), o3);
    }
    ExactHalfAvx2 h;
    h.y[0] = _mm256_add_epi32(t10, o3);
    h.y[7] = _mm256_sub_epi32(t10, o3);
    h.y[1] = _mm256_add_epi32(t11, o2);
    h.y[6] = _mm256_sub_epi32(t11, o2);
    h.y[2] = _mm256_add_epi32(t12, o1);
    h.y[5] = _mm256_sub_epi32(t12, o1);
    h.y[3] = _mm256_add_epi32(t13, o0);
    h.y[4] = _mm256_sub_epi32(t13, o0);
    return h;
}

JPEG_AVX2 static inline __m256i RoundRowPassAvx2(__m256i lo, __m256i hi) {
    return _mm256_packs_epi32(_mm256_srai_epi32(_mm256_slli_epi32(lo, 5), 16), _mm256_srai_epi32(_mm256_slli_epi32(hi, 5), 16));
}

JPEG_AVX2 static inline __m256i RoundColumnPassAvx2(__m256i lo, __m256i hi) {
    return _mm256_packs_epi32(_mm256_srai_epi32(lo, 18), _mm256_srai_epi32(hi, 18));
}

template <int nZero>
JPEG_AVX2 static void IdctExactPairAvx2T(const int16_t* const* ppCoef, uint8_t* const* ppOut) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i v[8];
    for (int r = 0; r < 8; ++r) v[r] = (nZero & kRowsHalf) && r >= 4 ? zero : LoadPair(ppCoef[0] + r * 8, ppCoef[1] + r * 8);
    Transpose8x8Avx2(v);
    const __m256i bias1 = _mm256_set1_epi32(1024), bias2 = _mm256_set1_epi32(131072);
    ExactHalfAvx2 lo = ExactStepAvx2<(nZero & kColsHalf) != 0>(v, false, bias1);
    if (nZero & kRowsHalf) {
        for (int j = 0; j < 8; ++j) v[j] = RoundRowPassAvx2(lo.y[j], zero);
    } else {
        ExactHalfAvx2 hi = ExactStepAvx2<(nZero & kColsHalf) != 0>(v, true, bias1);
        for (int j = 0; j < 8; ++j) v[j] = RoundRowPassAvx2(lo.y[j], hi.y[j]);
    }
    Transpose8x8Avx2(v);
    lo = ExactStepAvx2<(nZero & kRowsHalf) != 0>(v, false, bias2);
    ExactHalfAvx2 hi = ExactStepAvx2<(nZero & kRowsHalf) != 0>(v, true, bias2);
    const __m256i centre = _mm256_set1_epi16(128);
    for (int j = 0; j < 8; j += 2) {
        __m256i a = _mm256_adds_epi16(RoundColumnPassAvx2(lo.y[j], hi.y[j]), centre);
        __m256i b = _mm256_adds_epi16(RoundColumnPassAvx2(lo.y[j + 1], hi.y[j + 1]), centre);
        StorePair(ppOut[0] + j * 8, ppOut[1] + j * 8, _mm256_packus_epi16(a, b));
    }
}

void IdctExactPairAvx2(const int16_t* const* ppCoef, uint8_t* const* ppOut) { IdctExactPairAvx2T<0>(ppCoef, ppOut); }

bool JpegAvx2Available() { return __builtin_cpu_supports("avx2"); }

// --- Rows of blocks ----------------------------------------------------------
// Blocks whose AC terms are all zero are filled with the one value the full
// arithmetic gives them; the others go to the SSE2 kernel or, two at a time,
// to the AVX2 one. Exact mode picks the form that leaves out the halves the
// blocks lack, and pairs blocks of the same form; the 16-bit fast kernels
// gain too little from that to pay for the test.

// -1 for a block without AC terms, else its zero halves (kRowsHalf, kColsHalf).
static inline int ClassifyBlock(const int16_t* p) {
    const __m128i zero = _mm_setzero_si128();
    __m128i top = _mm_insert_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), 0, 0);
    __m128i bottom = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    for (int r = 1; r < 4; ++r) {
        top = _mm_or_si128(top, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + r * 8)));
        bottom = _mm_or_si128(bottom, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + r * 8 + 32)));
    }
    int nBottom = _mm_movemask_epi8(_mm_cmpeq_epi8(bottom, zero));
    int nAll = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(top, bottom), zero));
    if (nAll == 0xFFFF) return -1;
    return (nBottom == 0xFFFF ? kRowsHalf : 0) | ((nAll & 0xFF00) == 0xFF00 ? kColsHalf : 0);
}

static inline bool HasAcTerms(const int16_t* p) {
    __m128i v = _mm_insert_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), 0, 0);
    for (int r = 1; r < 8; ++r) v = _mm_or_si128(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + r * 8)));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) != 0xFFFF;
}

static inline void FillBlock(uint8_t* pOut, int v) {
    __m128i f = _mm_set1_epi8(static_cast<char>(v));
    for (int i = 0; i < 64; i += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + i), f);
}

using ExactKernel = void (*)(const int16_t*, uint8_t*);
using ExactPairKernel = void (*)(const int16_t* const*, uint8_t* const*);

// Indexed by the zero halves of the block (of both blocks, for pairs).
const ExactKernel kExactKernels[4] = {IdctExactSimdT<0>, IdctExactSimdT<1>, IdctExactSimdT<2>, IdctExactSimdT<3>};
const ExactPairKernel kExactPairKernels[4] = {IdctExactPairAvx2T<0>, IdctExactPairAvx2T<1>, IdctExactPairAvx2T<2>, IdctExactPairAvx2T<3>};

void IdctExactBlocks(const int16_t* pCoef, uint8_t* pOut, int nBlocks, bool bAvx2) {
    // One block waiting for a partner of its own form, per form.
    const int16_t* pending[4] = {nullptr, nullptr, nullptr, nullptr};
    uint8_t* pendingOut[4] = {nullptr, nullptr, nullptr, nullptr};
    for (int k = 0; k < nBlocks; ++k, pCoef += 64, pOut += 64) {
        int nZero = ClassifyBlock(pCoef);
        if (nZero < 0) {
            // Row pass: DC * 4 in 16 bits; column pass: ((w + 16) >> 5) + 128.
            int w = static_cast<int16_t>(static_cast<uint16_t>(pCoef[0] * 4));
            FillBlock(pOut, ClampSample(((w + 16) >> 5) + 128));
        } else if (!bAvx2) {
            kExactKernels[nZero](pCoef, pOut);
        } else if (!pending[nZero]) {
            pending[nZero] = pCoef;
            pendingOut[nZero] = pOut;
        } else {
            const int16_t* pair[2] = {pending[nZero], pCoef};
            uint8_t* pairOut[2] = {pendingOut[nZero], pOut};
            kExactPairKernels[nZero](pair, pairOut);
            pending[nZero] = nullptr;
        }
    }
    for (int n = 0; n < 4; ++n)
        if (pending[n]) kExactKernels[n](pending[n], pendingOut[n]);
}

void IdctFastBlocks(const int16_t* pCoef, const uint16_t* const* ppQuant, int nPerMcu, uint8_t* pOut, int nBlocks, bool bAvx2) {
    const int16_t* pending[2];
    const uint16_t* pendingQuant[2];
    uint8_t* pendingOut[2];
    int nPending = 0;
    for (int k = 0, b = 0; k < nBlocks; ++k, pCoef += 64, pOut += 64, b = b + 1 == nPerMcu ? 0 : b + 1) {
        if (!HasAcTerms(pCoef)) {
            // Both passes carry the dequantised DC unchanged to every sample.
            int d = W16(static_cast<int>(static_cast<uint32_t>(pCoef[0]) * ppQuant[b][0]));
            FillBlock(pOut, ClampSample((d >> 5) + 128));
        } else if (!bAvx2) {
            IdctFastSimd(pCoef, ppQuant[b], pOut);
        } else {
            pending[nPending] = pCoef;
            pendingQuant[nPending] = ppQuant[b];
            pendingOut[nPending] = pOut;
            if (++nPending == 2) {
                IdctFastPairAvx2(pending, pendingQuant, pendingOut);
                nPending = 0;
            }
        }
    }
    if (nPending) IdctFastSimd(pending[0], pendingQuant[0], pendingOut[0]);
}

#else

bool JpegSimdAvailable() { return false; }
bool JpegAvx2Available() { return false; }

void IdctExactPairAvx2(const int16_t* const* ppCoef, uint8_t* const* ppOut) {
    for (int i = 0; i < 2; ++i) IdctExact(ppCoef[i], ppOut[i]);
}

void IdctFastPairAvx2(const int16_t* const* ppCoef, const uint16_t* const* ppQuant, uint8_t* const* ppOut) {
    for (int i = 0; i < 2; ++i) IdctFastScalar(ppCoef[i], ppQuant[i], ppOut[i]);
}

void IdctExactBlocks(const int16_t* pCoef, uint8_t* pOut, int nBlocks, bool) {
    for (int k = 0; k < nBlocks; ++k) IdctExact(pCoef + k * 64, pOut + k * 64);
}

void IdctFastBlocks(const int16_t* pCoef, const uint16_t* const* ppQuant, int nPerMcu, uint8_t* pOut, int nBlocks, bool) {
    for (int k = 0; k < nBlocks; ++k) IdctFastScalar(pCoef + k * 64, ppQuant[k % nPerMcu], pOut + k * 64);
}

void IdctExactSimd(const int16_t* pCoef, uint8_t* pOut) { IdctExact(pCoef, pOut); }

void IdctFastSimd(const int16_t* pCoef, const uint16_t* pQuant, uint8_t* pOut) {
    IdctFastScalar(pCoef, pQuant, pOut);
}

#endif
