// Colour conversion and scan-line output: the JFIF YCbCr to RGB tables, the
// transform of one MCU row of coefficient blocks into samples, and the line
// procedure of each PixelLayout with chroma replicated over the pixels it
// covers (no interpolation). One MCU row (8 or 16 lines) is reconstructed at
// a time; the two vertically subsampled layouts convert two lines per pass.
#include <cstring>

#include "image/jpeg/jpeg_decoder.h"

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

void TransformRow(JpegState& s) {
    const int nPerMcu = s.nBlocksPerMcu;
    if (s.bUseFastPaths) {
        void (*pIdct)(const int16_t*, const uint16_t*, uint8_t*) = s.bSimdIdct ? IdctFastSimd : IdctFastScalar;
        for (int m = 0; m < s.nMcusPerRow; ++m) {
            for (int b = 0; b < nPerMcu; ++b) {
                size_t k = static_cast<size_t>(m * nPerMcu + b);
                const uint16_t* q = s.pQuant[s.comp[s.mcuComp[b]].nQuantSlot];
                pIdct(s.pCoef + k * 64, q, s.pSamples + k * 64);
            }
        }
    } else {
        void (*pIdct)(const int16_t*, uint8_t*) = s.bSimdIdct ? IdctExactSimd : IdctExact;
        for (int k = 0; k < s.nBlocksPerRow; ++k) pIdct(s.pCoef + static_cast<size_t>(k) * 64, s.pSamples + static_cast<size_t>(k) * 64);
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
    switch (s.nLayout) {
    case LayoutGray: ProduceGray(s, r); break;
    case Layout444: Produce444(s, r); break;
    case Layout422: Produce422(s, r); break;
    case Layout440:
    case Layout420:
        if (s.nRowLinesLeft & 1) {
            pLine = s.pLine[1];   // converted with the line above it
        } else if (s.nLayout == Layout440) {
            Produce440(s, r);
        } else {
            Produce420(s, r);
        }
        break;
    }
    *ppLine = pLine;
    *pLength = static_cast<uint32_t>(s.nLineLength);
    --s.nRowLinesLeft;
    --s.nLinesLeft;
    return 0;
}
