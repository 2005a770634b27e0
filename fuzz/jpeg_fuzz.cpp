// Fuzz entry point of the JPEG decoder: decodes every line in exact and fast
// mode and checks the decoder against itself: plain against fast bit reader,
// the scalar against the SSE2 and the AVX2 IDCT and colour kernels in both
// modes (AVX2 where the processor has it). The
// saver itself runs fast mode with the SSE2 kernels on every processor with
// MMX, and exact mode only where the processor probe finds no MMX.
// Built with VELTHRA_FUZZ_NO_AC_SHORTCUT, every decode takes the code-by-code
// Huffman path for AC symbols and is checked against the shortcut as well.
// Frames of every size are decoded (the largest in one configuration only);
// slow inputs are caught by the fuzzer's per-input -timeout and -rss_limit_mb.
// Built with VELTHRA_FUZZ_REPLAY it is a plain program that replays files and
// directories through both builds' checks, so every input that once failed
// stays a regression test.
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
    bool bAcShortcut;
    bool bAvx2 = false;
};

// Decodes and returns a digest of every delivered line (and the results).
std::vector<uint8_t> DecodeVariant(const uint8_t* pData, size_t nSize, const Variant& v) {
    std::vector<uint8_t> out;
    JpegMemoryStream stream(pData, static_cast<uint32_t>(nSize));
    JpegDecoder decoder(&stream, v.bFast);
    JpegState& s = JpegDecoderState(decoder);
    s.nReaderChoice = v.nReader;
    s.bUseSimd = v.bSimd && JpegSimdAvailable();
    s.bUseAvx2 = v.bAvx2;
    if (decoder.errorCode() != 0) return out;
    if (!v.bAcShortcut) UseAcShortcut(s, false);
    if (decoder.beginDecoding() != 0) {
        out.push_back(static_cast<uint8_t>(decoder.errorCode()));
        return out;
    }
    const uint8_t* pLine;
    uint32_t nLength;
    while (decoder.decodeLine(&pLine, &nLength) == 0) {
        if (nLength != static_cast<uint32_t>(decoder.width() * decoder.bytesPerPixel())) std::abort();
        uint32_t dwSum = 0;
        for (uint32_t i = 0; i < nLength; ++i) dwSum = dwSum * 31 + pLine[i];
        out.insert(out.end(), reinterpret_cast<uint8_t*>(&dwSum), reinterpret_cast<uint8_t*>(&dwSum) + 4);
    }
    out.push_back(static_cast<uint8_t>(decoder.errorCode()));
    return out;
}

void ExpectSame(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, const char* pWhat) {
    if (a == b) return;
    std::fprintf(stderr, "%s disagree\n", pWhat);
    std::abort();
}

// Frames above this many pixels are decoded once, in the saver's own
// configuration (fast mode, SSE2): a full 8192 x 8192 progressive frame
// takes tens of seconds under the sanitizers, and its kernels are the ones
// the small frames check.
const int64_t kComparedPixels = int64_t(1) << 20;

int64_t FramePixels(const uint8_t* pData, size_t nSize) {
    JpegMemoryStream stream(pData, static_cast<uint32_t>(nSize));
    JpegDecoder decoder(&stream, false);
    return static_cast<int64_t>(decoder.width()) * decoder.height();
}

void FuzzOne(const uint8_t* pData, size_t nSize, bool bAcShortcut) {
    bool b = bAcShortcut;
    if (FramePixels(pData, nSize) > kComparedPixels) {
        DecodeVariant(pData, nSize, {true, BitReaderAuto, true, b, JpegAvx2Available()});
        return;
    }
    std::vector<uint8_t> exactPlain = DecodeVariant(pData, nSize, {false, BitReaderPlain, false, b});
    ExpectSame(exactPlain, DecodeVariant(pData, nSize, {false, BitReaderFast, false, b}),
               "plain and fast bit readers");
    ExpectSame(exactPlain, DecodeVariant(pData, nSize, {false, BitReaderAuto, true, b}),
               "scalar and SIMD exact IDCT");
    ExpectSame(exactPlain, DecodeVariant(pData, nSize, {false, BitReaderAuto, true, b, true}),
               "scalar and AVX2 exact IDCT");
    std::vector<uint8_t> fastScalar = DecodeVariant(pData, nSize, {true, BitReaderFast, false, b});
    ExpectSame(fastScalar, DecodeVariant(pData, nSize, {true, BitReaderAuto, true, b}),
               "scalar and SIMD fast IDCT");
    ExpectSame(fastScalar, DecodeVariant(pData, nSize, {true, BitReaderAuto, true, b, true}),
               "scalar and AVX2 fast IDCT");
    if (!bAcShortcut) {
        ExpectSame(exactPlain, DecodeVariant(pData, nSize, {false, BitReaderPlain, false, true}),
                   "AC shortcut and code-by-code decoding (exact)");
        ExpectSame(fastScalar, DecodeVariant(pData, nSize, {true, BitReaderFast, false, true}),
                   "AC shortcut and code-by-code decoding (fast)");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    if (nSize > (1u << 20)) return 0;
#if defined(VELTHRA_FUZZ_NO_AC_SHORTCUT)
    FuzzOne(pData, nSize, false);
#else
    FuzzOne(pData, nSize, true);
#endif
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
    if (bytes.size() > (1u << 20)) return 0;
    FuzzOne(bytes.data(), bytes.size(), true);
    FuzzOne(bytes.data(), bytes.size(), false);
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
