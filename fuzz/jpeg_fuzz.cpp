// Fuzz entry point of the JPEG decoder: decodes every line in exact and fast
// mode and checks the decoder against itself (plain against fast bit reader,
// scalar against SIMD fast IDCT). Built with VELTHRA_FUZZ_REPLAY it is a plain
// program that replays files and directories instead, so every input that
// once crashed stays a regression test.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/jpeg/jpeg_decoder.h"

namespace {

struct Variant {
    bool bFast;
    JpegBitReaderChoice nReader;
    bool bSimd;
};

// Decodes and returns a digest of every delivered line (and the results).
std::vector<uint8_t> DecodeVariant(const uint8_t* pData, size_t nSize, const Variant& v, int nMaxLines) {
    std::vector<uint8_t> out;
    JpegMemoryStream stream(pData, static_cast<uint32_t>(nSize));
    JpegDecoder decoder(&stream, v.bFast);
    JpegState& s = JpegDecoderState(decoder);
    s.nReaderChoice = v.nReader;
    s.bUseSimd = v.bSimd && JpegSimdAvailable();
    if (decoder.errorCode() != 0) return out;
    int64_t nPixels = static_cast<int64_t>(decoder.width()) * decoder.height();
    // Whole-image buffers of huge progressive frames only cost time here.
    if (nPixels > (int64_t(1) << 20)) return out;
    if (decoder.beginDecoding() != 0) return out;
    const uint8_t* pLine;
    uint32_t nLength;
    int nResult;
    int nLines = 0;
    while (nLines < nMaxLines && (nResult = decoder.decodeLine(&pLine, &nLength)) == 0) {
        if (nLength != static_cast<uint32_t>(decoder.width() * decoder.bytesPerPixel())) std::abort();
        uint32_t dwSum = 0;
        for (uint32_t i = 0; i < nLength; ++i) dwSum = dwSum * 31 + pLine[i];
        out.insert(out.end(), reinterpret_cast<uint8_t*>(&dwSum), reinterpret_cast<uint8_t*>(&dwSum) + 4);
        ++nLines;
    }
    out.push_back(static_cast<uint8_t>(decoder.errorCode()));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    if (nSize > (1u << 20)) return 0;
    int nMaxLines = 1 << 14;
    std::vector<uint8_t> exactPlain = DecodeVariant(pData, nSize, {false, BitReaderPlain, false}, nMaxLines);
    std::vector<uint8_t> exactFast = DecodeVariant(pData, nSize, {false, BitReaderFast, false}, nMaxLines);
    std::vector<uint8_t> fastScalar = DecodeVariant(pData, nSize, {true, BitReaderFast, false}, nMaxLines);
    std::vector<uint8_t> fastSimd = DecodeVariant(pData, nSize, {true, BitReaderAuto, true}, nMaxLines);
    if (exactPlain != exactFast) {
        std::fprintf(stderr, "plain and fast bit readers disagree\n");
        std::abort();
    }
    if (fastScalar != fastSimd) {
        std::fprintf(stderr, "scalar and SIMD fast IDCT disagree\n");
        std::abort();
    }
    return 0;
}

#if defined(VELTHRA_FUZZ_REPLAY)
#include <dirent.h>

#include <string>

static int ReplayFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 1;
}

int main(int argc, char** argv) {
    int nFiles = 0;
    for (int i = 1; i < argc; ++i) {
        std::string path = argv[i];
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.') nFiles += ReplayFile(path + "/" + e->d_name);
            closedir(d);
        } else {
            nFiles += ReplayFile(path);
        }
    }
    std::printf("replayed %d inputs\n", nFiles);
    return nFiles > 0 ? 0 : 1;
}
#endif
