// Helpers of the JPEG decoder tests (see the header).
#include "tests/jpeg/jpeg_test_util.h"

#include <dirent.h>

#include <algorithm>
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
