// Helpers of the JPEG decoder tests (see the header).
#include "tests/image/jpeg/jpeg_test_util.h"

#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace {

class CountingStream : public JpegMemoryStream {
public:
    CountingStream(const void* p, uint32_t n, DecodedImage& image) : JpegMemoryStream(p, n), m_image(image) {}
    void attach() override { ++m_image.nAttachCount; }
    void detach() override { ++m_image.nDetachCount; }

private:
    DecodedImage& m_image;
};

}  // namespace

std::vector<uint8_t> ReadCorpusFile(const std::string& name) {
    std::vector<uint8_t> bytes = ReadFile(std::string(VELTHRA_JPEG_DATA) + "/" + name);
    if (bytes.empty()) throw std::runtime_error("missing corpus file " + name);
    return bytes;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> names;
    DIR* d = opendir(VELTHRA_JPEG_DATA);
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() > 4 && name.substr(name.size() - 4) == ".jpg") names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

DecodedImage DecodeImage(const std::vector<uint8_t>& bytes, bool bFast,
                         const std::function<void(JpegState&)>& tweak) {
    DecodedImage image;
    CountingStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()), image);
    {
        JpegDecoder decoder(&stream, bFast);
        if (tweak) tweak(JpegDecoderState(decoder));
        image.nConstructCode = decoder.errorCode();
        image.nWidth = decoder.width();
        image.nHeight = decoder.height();
        image.nBeginResult = decoder.beginDecoding();
        image.nBytesPerPixel = decoder.bytesPerPixel();
        const uint8_t* pLine = nullptr;
        uint32_t nLength = 0;
        int nResult;
        while ((nResult = decoder.decodeLine(&pLine, &nLength)) == 0) {
            ++image.nLines;
            image.lengths.push_back(nLength);
            int bpp = image.nBytesPerPixel;
            for (uint32_t i = 0; i < nLength; i += static_cast<uint32_t>(bpp))
                image.pixels.insert(image.pixels.end(), pLine + i, pLine + i + (bpp == 4 ? 3 : 1));
        }
        image.nLastResult = nResult;
        image.nErrorCode = decoder.errorCode();
        image.nBeginAfter = decoder.beginDecoding();
        image.nLineAfter = decoder.decodeLine(&pLine, &nLength);
        image.nErrorCodeAfter = decoder.errorCode();
    }
    return image;
}

void PutWord(std::vector<uint8_t>& v, int n) {
    v.push_back(static_cast<uint8_t>(n >> 8));
    v.push_back(static_cast<uint8_t>(n));
}

void PutSegment(std::vector<uint8_t>& v, int nMarker, const std::vector<uint8_t>& payload) {
    v.push_back(0xFF);
    v.push_back(static_cast<uint8_t>(nMarker));
    PutWord(v, static_cast<int>(payload.size()) + 2);
    v.insert(v.end(), payload.begin(), payload.end());
}

std::vector<uint8_t> StandardDcTable(int nClassIndex) {
    std::vector<uint8_t> v = {static_cast<uint8_t>(nClassIndex), 0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 12; ++i) v.push_back(static_cast<uint8_t>(i));
    return v;
}

std::vector<uint8_t> StandardAcTable(int nClassIndex) {
    static const uint8_t counts[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
    static const uint8_t values[162] = {
        0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07,
        0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0,
        0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28,
        0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49,
        0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69,
        0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
        0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7,
        0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5,
        0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
        0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8,
        0xf9, 0xfa};
    std::vector<uint8_t> v(1 + 16 + 162);
    v[0] = static_cast<uint8_t>(nClassIndex);
    std::copy(counts, counts + 16, v.begin() + 1);
    std::copy(values, values + 162, v.begin() + 17);
    return v;
}

std::vector<uint8_t> FlatQuantTable(int nIndex, int q) {
    std::vector<uint8_t> v(65, static_cast<uint8_t>(q));
    v[0] = static_cast<uint8_t>(nIndex);
    return v;
}

std::vector<uint8_t> FrameHeader(int nHeight, int nWidth, const std::vector<int>& components) {
    std::vector<uint8_t> v = {8};
    PutWord(v, nHeight);
    PutWord(v, nWidth);
    v.push_back(static_cast<uint8_t>(components.size() / 3));
    for (int c : components) v.push_back(static_cast<uint8_t>(c));
    return v;
}

std::vector<uint8_t> ScanHeader(const std::vector<int>& components, int nSs, int nSe, int nAhAl) {
    std::vector<uint8_t> v = {static_cast<uint8_t>(components.size() / 2)};
    for (int c : components) v.push_back(static_cast<uint8_t>(c));
    v.push_back(static_cast<uint8_t>(nSs));
    v.push_back(static_cast<uint8_t>(nSe));
    v.push_back(static_cast<uint8_t>(nAhAl));
    return v;
}

void BitWriter::Put(uint32_t dwCode, int nLength) {
    for (int i = nLength - 1; i >= 0; --i) {
        dwAccumulator = (dwAccumulator << 1) | ((dwCode >> i) & 1);
        if (++nBits == 8) {
            bytes.push_back(static_cast<uint8_t>(dwAccumulator));
            if ((dwAccumulator & 0xFF) == 0xFF) bytes.push_back(0);
            dwAccumulator = 0;
            nBits = 0;
        }
    }
}

void BitWriter::Flush() {
    while (nBits != 0) Put(1, 1);
}

std::vector<int16_t> DecodeCoefficients(const std::vector<uint8_t>& bytes, bool bFast, JpegBitReaderChoice nReader) {
    std::vector<int16_t> out;
    JpegMemoryStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
    JpegDecoder decoder(&stream, bFast);
    JpegState& s = JpegDecoderState(decoder);
    s.nReaderChoice = nReader;
    if (decoder.beginDecoding() != 0) return out;
    const uint8_t* pLine;
    uint32_t nLength;
    while (decoder.decodeLine(&pLine, &nLength) == 0)
        if (s.nRowLinesLeft == s.nMcuHeight - 1) out.insert(out.end(), s.pCoef, s.pCoef + s.nBlocksPerRow * 64);
    return out;
}

bool HuffmanCode(const std::vector<uint8_t>& table, int nSymbol, uint32_t& dwCode, int& nLength) {
    uint32_t dwNext = 0;
    size_t k = 17;
    for (int l = 1; l <= 16; ++l) {
        for (int i = 0; i < table[static_cast<size_t>(l)]; ++i, ++k, ++dwNext) {
            if (table[k] == nSymbol) {
                dwCode = dwNext;
                nLength = l;
                return true;
            }
        }
        dwNext <<= 1;
    }
    return false;
}

std::vector<uint8_t> DcOnlyImage(int nWidth, int nHeight, const std::vector<int>& components, const std::vector<int>& dc) {
    std::vector<uint8_t> v = {0xFF, 0xD8};
    PutSegment(v, 0xDB, FlatQuantTable(0, 1));
    PutSegment(v, 0xC0, FrameHeader(nHeight, nWidth, components));
    std::vector<uint8_t> dcTable = StandardDcTable(0x00), acTable = StandardAcTable(0x10);
    PutSegment(v, 0xC4, dcTable);
    PutSegment(v, 0xC4, acTable);
    int nComps = static_cast<int>(components.size() / 3);
    std::vector<int> scan;
    int nHmax = 1, nVmax = 1;
    for (int i = 0; i < nComps; ++i) {
        scan.push_back(components[static_cast<size_t>(3 * i)]);
        scan.push_back(0x00);
        nHmax = std::max(nHmax, components[static_cast<size_t>(3 * i + 1)] >> 4);
        nVmax = std::max(nVmax, components[static_cast<size_t>(3 * i + 1)] & 15);
    }
    PutSegment(v, 0xDA, ScanHeader(scan, 0, 63, 0));
    int nMcus;
    if (nComps == 1)
        nMcus = ((nWidth + 7) / 8) * ((nHeight + 7) / 8);
    else
        nMcus = ((nWidth + 8 * nHmax - 1) / (8 * nHmax)) * ((nHeight + 8 * nVmax - 1) / (8 * nVmax));
    BitWriter w;
    uint32_t dwEob = 0;
    int nEobLength = 0;
    HuffmanCode(acTable, 0x00, dwEob, nEobLength);
    std::vector<int> predictor(static_cast<size_t>(nComps), 0);
    for (int m = 0; m < nMcus; ++m) {
        for (int i = 0; i < nComps; ++i) {
            int hv = components[static_cast<size_t>(3 * i + 1)];
            int nBlocks = nComps == 1 ? 1 : (hv >> 4) * (hv & 15);
            for (int b = 0; b < nBlocks; ++b) {
                int nDiff = dc[static_cast<size_t>(i)] - predictor[static_cast<size_t>(i)];
                predictor[static_cast<size_t>(i)] = dc[static_cast<size_t>(i)];
                int nSize = 0;
                while ((nDiff < 0 ? -nDiff : nDiff) >= (1 << nSize)) ++nSize;
                uint32_t dwCode = 0;
                int nLength = 0;
                HuffmanCode(dcTable, nSize, dwCode, nLength);
                w.Put(dwCode, nLength);
                if (nSize) w.Put(static_cast<uint32_t>(nDiff < 0 ? nDiff + (1 << nSize) - 1 : nDiff), nSize);
                w.Put(dwEob, nEobLength);
            }
        }
    }
    w.Flush();
    v.insert(v.end(), w.bytes.begin(), w.bytes.end());
    v.push_back(0xFF);
    v.push_back(0xD9);
    return v;
}

// --- Reference transforms ------------------------------------------------------

namespace {

// Exact step constants: value x 8192, rounded.
const int32_t kF0298 = 2446, kF0390 = 3196, kF0541 = 4433, kF0765 = 6270, kF0899 = 7373, kF1175 = 9633,
              kF1501 = 12299, kF1847 = 15137, kF1961 = 16069, kF2053 = 16819, kF2562 = 20995, kF3072 = 25172;

// 32-bit two's-complement arithmetic without undefined overflow.
int32_t Add(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
int32_t Sub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
int32_t Mul(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }

void ExactOneDimension(const int32_t* x, int32_t* y) {
    int32_t z1 = Mul(Add(x[2], x[6]), kF0541);
    int32_t t2 = Sub(z1, Mul(x[6], kF1847)), t3 = Add(z1, Mul(x[2], kF0765));
    int32_t t0 = Mul(Add(x[0], x[4]), 1 << 13), t1 = Mul(Sub(x[0], x[4]), 1 << 13);
    int32_t t10 = Add(t0, t3), t13 = Sub(t0, t3), t11 = Add(t1, t2), t12 = Sub(t1, t2);
    int32_t a0 = x[7], a1 = x[5], a2 = x[3], a3 = x[1];
    int32_t o1 = Add(a0, a3), o2 = Add(a1, a2), o3 = Add(a0, a2), o4 = Add(a1, a3);
    int32_t o5 = Mul(Add(o3, o4), kF1175);
    a0 = Mul(a0, kF0298);
    a1 = Mul(a1, kF2053);
    a2 = Mul(a2, kF3072);
    a3 = Mul(a3, kF1501);
    o1 = Mul(o1, -kF0899);
    o2 = Mul(o2, -kF2562);
    o3 = Add(Mul(o3, -kF1961), o5);
    o4 = Add(Mul(o4, -kF0390), o5);
    a0 = Add(a0, Add(o1, o3));
    a1 = Add(a1, Add(o2, o4));
    a2 = Add(a2, Add(o2, o3));
    a3 = Add(a3, Add(o1, o4));
    const int32_t out[8] = {Add(t10, a3), Add(t11, a2), Add(t12, a1), Add(t13, a0),
                            Sub(t13, a0), Sub(t12, a1), Sub(t11, a2), Sub(t10, a3)};
    std::copy(out, out + 8, y);
}

int16_t To16(int32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(v))); }
uint8_t ClampByte(int v) { return static_cast<uint8_t>(std::min(255, std::max(0, v))); }

// Fast step: every result is reduced to 16 bits.
const int kK1 = 23170, kK2 = 30273, kK3 = -12540, kK4 = -30353;
int W(int v) { return To16(v); }
int M(int v, int k) { return W((W(4 * v) * k) >> 16); }

void FastOneDimension(const int* x, int* y) {
    int t10 = W(x[0] + x[4]), t11 = W(x[0] - x[4]), t13 = W(x[2] + x[6]);
    int t12 = W(M(W(x[2] - x[6]), kK1) - t13);
    int e0 = W(t10 + t13), e3 = W(t10 - t13), e1 = W(t11 + t12), e2 = W(t11 - t12);
    int z13 = W(x[5] + x[3]), z10 = W(x[5] - x[3]), z11 = W(x[1] + x[7]), z12 = W(x[1] - x[7]);
    int o7 = W(z11 + z13), o11 = M(W(z11 - z13), kK1);
    int o10 = W(M(z10, kK4) + M(z12, kK3)), o12 = W(M(z10, kK3) + M(z12, kK2));
    int o6 = W(o12 - o7), o5 = W(o11 - o6), o4 = W(o10 + o5);
    const int out[8] = {W(e0 + o7), W(e1 + o6), W(e2 + o5), W(e3 - o4), W(e3 + o4), W(e2 - o5), W(e1 - o6), W(e0 - o7)};
    std::copy(out, out + 8, y);
}

}  // namespace

void ReferenceIdctExact(const int16_t* pCoef, uint8_t* pOut) {
    int16_t pass1[64];
    int32_t x[8], y[8];
    for (int r = 0; r < 8; ++r) {
        bool bAcZero = true;
        for (int j = 0; j < 8; ++j) {
            x[j] = pCoef[r * 8 + j];
            if (j > 0 && x[j] != 0) bAcZero = false;
        }
        ExactOneDimension(x, y);
        for (int j = 0; j < 8; ++j) pass1[r * 8 + j] = bAcZero ? To16(x[0] * 4) : To16(Add(y[j], 1024) >> 11);
    }
    for (int c = 0; c < 8; ++c) {
        bool bAcZero = true;
        for (int j = 0; j < 8; ++j) {
            x[j] = pass1[j * 8 + c];
            if (j > 0 && x[j] != 0) bAcZero = false;
        }
        ExactOneDimension(x, y);
        for (int j = 0; j < 8; ++j)
            pOut[j * 8 + c] = ClampByte(bAcZero ? ((x[0] + 16) >> 5) + 128 : To16(Add(y[j], 131072) >> 18) + 128);
    }
}

void ReferenceIdctFast(const int16_t* pCoef, const uint16_t* pQuant, uint8_t* pOut) {
    int work[64], x[8], y[8];
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) x[r] = W(Mul(pCoef[r * 8 + c], pQuant[r * 8 + c]));
        FastOneDimension(x, y);
        for (int r = 0; r < 8; ++r) work[r * 8 + c] = y[r];
    }
    for (int r = 0; r < 8; ++r) {
        FastOneDimension(work + r * 8, y);
        for (int j = 0; j < 8; ++j) pOut[r * 8 + j] = ClampByte((y[j] >> 5) + 128);
    }
}

int ReferenceZigzag(int k) {
    int n = 0;
    for (int d = 0; d < 15; ++d) {
        // Odd anti-diagonals run down-left, even ones up-right.
        for (int i = 0; i < 8; ++i) {
            int row = d % 2 ? i : d - i;
            int col = d - row;
            if (row < 0 || row > 7 || col < 0 || col > 7) continue;
            if (n++ == k) return row * 8 + col;
        }
    }
    return -1;
}

int ReferenceScale(int n) {
    auto c = [](int k) { return k == 0 ? 1.0 : std::sqrt(2.0) * std::cos(k * 3.14159265358979323846 / 16); };
    return static_cast<int>(std::lround(16384 * c(n / 8) * c(n % 8)));
}

// --- Hand-made greyscale images ----------------------------------------------

std::vector<uint8_t> GrayImage::Data() const {
    const std::vector<uint8_t> dcTable = StandardDcTable(0x00), acTable = StandardAcTable(0x10);
    auto put = [](BitWriter& w, const std::vector<uint8_t>& table, int nSymbol, int nValue, int nSize) {
        uint32_t dwCode = 0;
        int nLength = 0;
        if (!HuffmanCode(table, nSymbol, dwCode, nLength)) throw std::runtime_error("no code for a symbol");
        w.Put(dwCode, nLength);
        if (nSize) w.Put(static_cast<uint32_t>(nValue < 0 ? nValue + (1 << nSize) - 1 : nValue), nSize);
    };
    auto size = [](int v) {
        int n = 0;
        while ((v < 0 ? -v : v) >= (1 << n)) ++n;
        return n;
    };
    size_t nBlocks = static_cast<size_t>(((nWidth + 7) / 8) * ((nHeight + 7) / 8));
    BitWriter w;
    int nPredictor = 0;
    for (size_t b = 0; b < nBlocks; ++b) {
        if (nRestart && b && b % static_cast<size_t>(nRestart) == 0) {
            w.Flush();
            w.bytes.push_back(0xFF);
            w.bytes.push_back(static_cast<uint8_t>(0xD0 + (b / static_cast<size_t>(nRestart) - 1) % 8));
            nPredictor = 0;
        }
        std::vector<int> coef = b < blocks.size() ? blocks[b] : std::vector<int>(64, 0);
        coef.resize(64, 0);
        put(w, dcTable, size(coef[0] - nPredictor), coef[0] - nPredictor, size(coef[0] - nPredictor));
        nPredictor = coef[0];
        int nRun = 0;
        for (int k = 1; k < 64; ++k) {
            int v = coef[static_cast<size_t>(ReferenceZigzag(k))];
            if (v == 0) {
                ++nRun;
                continue;
            }
            for (; nRun > 15; nRun -= 16) put(w, acTable, 0xF0, 0, 0);
            put(w, acTable, nRun << 4 | size(v), v, size(v));
            nRun = 0;
        }
        if (nRun) put(w, acTable, 0x00, 0, 0);
    }
    w.Flush();
    return w.bytes;
}

std::vector<uint8_t> GrayImage::Build() const {
    std::vector<uint8_t> v = {0xFF, 0xD8};
    bool bWide = std::any_of(quant.begin(), quant.end(), [](int q) { return q > 255; });
    std::vector<uint8_t> dqt = {static_cast<uint8_t>(bWide ? 0x10 : 0x00)};
    for (int q : quant) {
        if (bWide) dqt.push_back(static_cast<uint8_t>(q >> 8));
        dqt.push_back(static_cast<uint8_t>(q));
    }
    PutSegment(v, 0xDB, dqt);
    PutSegment(v, 0xC0, FrameHeader(nHeight, nWidth, {1, 0x11, 0}));
    if (nDcClass >= 0) PutSegment(v, 0xC4, StandardDcTable(nDcClass));
    if (nAcClass >= 0) PutSegment(v, 0xC4, StandardAcTable(nAcClass));
    if (nRestart) PutSegment(v, 0xDD, {static_cast<uint8_t>(nRestart >> 8), static_cast<uint8_t>(nRestart)});
    PutSegment(v, 0xDA, ScanHeader({1, 0x00}, nSs, nSe, 0));
    std::vector<uint8_t> data = Data();
    v.insert(v.end(), data.begin(), data.end());
    v.insert(v.end(), tail.begin(), tail.end());
    return v;
}

std::vector<uint8_t> GrayImage::Expected(bool bFast) const {
    int nCols = (nWidth + 7) / 8;
    std::vector<uint8_t> pixels(static_cast<size_t>(nWidth * nHeight));
    uint16_t prescaled[64];
    for (int k = 0; k < 64; ++k) {
        int n = ReferenceZigzag(k);
        uint32_t q = static_cast<uint32_t>(quant[static_cast<size_t>(k)]);
        prescaled[n] = static_cast<uint16_t>((q * static_cast<uint32_t>(ReferenceScale(n)) + 2048) >> 12);
    }
    for (int b = 0; b < nCols * ((nHeight + 7) / 8); ++b) {
        std::vector<int> coef = static_cast<size_t>(b) < blocks.size() ? blocks[static_cast<size_t>(b)] : std::vector<int>(64, 0);
        coef.resize(64, 0);
        int16_t in[64];
        uint8_t out[64];
        for (int k = 0; k < 64; ++k) {
            int n = ReferenceZigzag(k);
            int v = coef[static_cast<size_t>(n)];
            in[n] = bFast ? To16(v) : To16(Mul(v, quant[static_cast<size_t>(k)]));
        }
        if (bFast)
            ReferenceIdctFast(in, prescaled, out);
        else
            ReferenceIdctExact(in, out);
        for (int i = 0; i < 64; ++i) {
            int x = (b % nCols) * 8 + i % 8, y = (b / nCols) * 8 + i / 8;
            if (x < nWidth && y < nHeight) pixels[static_cast<size_t>(y * nWidth + x)] = out[i];
        }
    }
    return pixels;
}
