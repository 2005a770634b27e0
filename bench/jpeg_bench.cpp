// Decoding speed of the JPEG decoder against libjpeg-turbo (ISLOW, no fancy
// upsampling; with SIMD and with JSIMD_FORCENONE=1) and stb_image, from
// memory, in megapixels per second. libjpeg-turbo reads JSIMD_FORCENONE once
// per process, so its scalar run happens in a child process of this program.
//
//   jpeg_bench [--synthetic] file.jpg... [--photos file.jpg...]
//                                     the table, the ratios and their geometric
//                                     means per set (files before any set flag
//                                     count as synthetic)
//   jpeg_bench --libjpeg-only file... (internal) libjpeg-turbo figures only
//   jpeg_bench --profile exact|fast file [n]   n decodes (10), for a profiler
//   jpeg_bench --begin exact|fast file     time and peak memory of one decode
//   jpeg_bench --dump file...         per file and configuration a hash of the
//                                     delivered lines and the results, for
//                                     comparing two builds byte for byte
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <sys/resource.h>
#include <unistd.h>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <stb_image.h>

#include "image/jpeg/jpeg_decoder.h"

namespace {

std::vector<uint8_t> ReadFile(const char* path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path, "rb");
    if (!f) return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

// Our decoder, through the product's calling order, each line copied into
// an image (RGBX or grey), as the other decoders fill theirs.
bool DecodeOurs(const std::vector<uint8_t>& bytes, bool bFast, bool bSimd, std::vector<uint8_t>& image) {
    JpegMemoryStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
    JpegDecoder decoder(&stream, bFast);
    JpegDecoderState(decoder).bUseSimd = bSimd;
    if (decoder.errorCode() != 0 || decoder.beginDecoding() != 0) return false;
    size_t nRow = static_cast<size_t>(decoder.width()) * static_cast<size_t>(decoder.bytesPerPixel());
    image.resize(nRow * static_cast<size_t>(decoder.height()));
    uint8_t* pOut = image.data();
    const uint8_t* pLine;
    uint32_t nLength;
    while (decoder.decodeLine(&pLine, &nLength) == 0) {
        std::memcpy(pOut, pLine, nLength);
        pOut += nRow;
    }
    return decoder.errorCode() == 0;
}

struct ErrorJump {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};
void ErrorExit(j_common_ptr p) { longjmp(reinterpret_cast<ErrorJump*>(p->err)->jump, 1); }

bool DecodeLibjpeg(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& image) {
    jpeg_decompress_struct cinfo;
    ErrorJump err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = ErrorExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    size_t nRow = static_cast<size_t>(cinfo.output_width) * static_cast<size_t>(cinfo.output_components);
    image.resize(nRow * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.data() + nRow * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool DecodeStb(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& image) {
    int w, h, n;
    uint8_t* p = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n, 3);
    if (!p) return false;
    image.assign(p, p + static_cast<size_t>(w) * h * 3);
    stbi_image_free(p);
    return true;
}

// Best of several timed runs (at least 3 and 0.15 s).
double MegapixelsPerSecond(const std::function<bool()>& decode, double dPixels) {
    using Clock = std::chrono::steady_clock;
    double dBest = 1e30;
    Clock::time_point start = Clock::now();
    for (int i = 0; (i < 3 || std::chrono::duration<double>(Clock::now() - start).count() < 0.15) && i < 100; ++i) {
        Clock::time_point t0 = Clock::now();
        if (!decode()) return 0;
        dBest = std::min(dBest, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return dPixels / dBest / 1e6;
}

void ImageSize(const std::vector<uint8_t>& bytes, int& w, int& h) {
    JpegMemoryStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
    JpegDecoder decoder(&stream, false);
    w = decoder.width();
    h = decoder.height();
}

std::string BaseName(const std::string& path) {
    size_t n = path.find_last_of('/');
    return n == std::string::npos ? path : path.substr(n + 1);
}

// FNV-1a over the lines, the line count and the error code of one decode in
// one configuration; the second line of a file decodes only its first 60 %,
// so the end-of-data rules run on real data too.
// nKernels: 0 scalar, 1 SSE2 only, 2 the best the processor has (AVX2 where
// built and available). A decoder without AVX2 kernels gives SSE2 for both.
uint64_t DumpHash(const std::vector<uint8_t>& bytes, size_t nSize, bool bFast, int nKernels, JpegBitReaderChoice nReader) {
    uint64_t h = 0xcbf29ce484222325ull;
    auto mix = [&h](const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
    };
    JpegMemoryStream stream(bytes.data(), static_cast<uint32_t>(nSize));
    JpegDecoder decoder(&stream, bFast);
    JpegState& s = JpegDecoderState(decoder);
    s.bUseSimd = nKernels > 0 && JpegSimdAvailable();
#ifdef JPEG_AVX2
    if (nKernels == 1) s.bUseAvx2 = false;
#endif
    s.nReaderChoice = nReader;
    int nBegin = decoder.errorCode() != 0 ? -1 : decoder.beginDecoding();
    int nLines = 0;
    const uint8_t* pLine;
    uint32_t nLength;
    while (nBegin == 0 && decoder.decodeLine(&pLine, &nLength) == 0) {
        mix(pLine, nLength);
        ++nLines;
    }
    int32_t results[3] = {nBegin, nLines, decoder.errorCode()};
    mix(reinterpret_cast<const uint8_t*>(results), sizeof results);
    return h;
}

int Dump(int argc, char** argv) {
    static const char* const kReader[] = {"auto", "plain", "fast"};   // auto is fast
    static const char* const kKernels[] = {"scalar", "sse2", "vector"};
    for (int i = 2; i < argc; ++i) {
        std::vector<uint8_t> bytes = ReadFile(argv[i]);
        for (size_t nSize : {bytes.size(), bytes.size() * 6 / 10})
            for (int nMode = 0; nMode < 2; ++nMode)
                for (int nKernels = 0; nKernels < 3; ++nKernels)
                    for (int nReader = BitReaderPlain; nReader <= BitReaderFast; ++nReader)
                        std::printf("%s %s %s %s %s %016llx\n", BaseName(argv[i]).c_str(), nSize == bytes.size() ? "whole" : "cut",
                                    nMode ? "fast" : "exact", kKernels[nKernels], kReader[nReader],
                                    static_cast<unsigned long long>(
                                        DumpHash(bytes, nSize, nMode != 0, nKernels, static_cast<JpegBitReaderChoice>(nReader))));
    }
    return 0;
}

double GeometricMean(const std::vector<double>& v) {
    double d = 0;
    for (double x : v) d += std::log(x);
    return v.empty() ? 0 : std::exp(d / static_cast<double>(v.size()));
}

// Time of construction plus beginDecoding, time of the lines, and the
// process's peak resident memory, for one file (hostile inputs).
int MeasureBegin(const char* pMode, const char* path) {
    std::vector<uint8_t> bytes = ReadFile(path);
    auto t0 = std::chrono::steady_clock::now();
    JpegMemoryStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
    JpegDecoder decoder(&stream, std::strcmp(pMode, "fast") == 0);
    int nBegin = decoder.beginDecoding();
    auto t1 = std::chrono::steady_clock::now();
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    long nBeginKb = usage.ru_maxrss;
    const uint8_t* pLine;
    uint32_t nLength;
    int nLines = 0;
    while (decoder.decodeLine(&pLine, &nLength) == 0) ++nLines;
    auto t2 = std::chrono::steady_clock::now();
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%s (%zu bytes, %dx%d, %s): beginDecoding %d in %.2f s, peak %ld MB; %d lines in %.2f s, peak %ld MB; error %d\n",
                BaseName(path).c_str(), bytes.size(), decoder.width(), decoder.height(), pMode, nBegin,
                std::chrono::duration<double>(t1 - t0).count(), nBeginKb / 1024, nLines,
                std::chrono::duration<double>(t2 - t1).count(), usage.ru_maxrss / 1024, decoder.errorCode());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--begin") == 0) return MeasureBegin(argv[2], argv[3]);
    if (argc >= 3 && std::strcmp(argv[1], "--dump") == 0) return Dump(argc, argv);
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--profile") == 0) {   // for perf and callgrind
        std::vector<uint8_t> bytes = ReadFile(argv[3]);
        std::vector<uint8_t> out;
        int nDecodes = argc == 5 ? std::atoi(argv[4]) : 10;
        for (int i = 0; i < nDecodes; ++i) DecodeOurs(bytes, std::strcmp(argv[2], "fast") == 0, true, out);
        return 0;
    }
    bool bLibjpegOnly = argc > 1 && std::strcmp(argv[1], "--libjpeg-only") == 0;
    int nFirst = bLibjpegOnly ? 2 : 1;
    std::vector<uint8_t> image;
    if (bLibjpegOnly) {
        for (int i = nFirst; i < argc; ++i) {
            std::vector<uint8_t> bytes = ReadFile(argv[i]);
            int w, h;
            ImageSize(bytes, w, h);
            std::printf("%s %.1f\n", argv[i], MegapixelsPerSecond([&] { return DecodeLibjpeg(bytes, image); }, double(w) * h));
        }
        return 0;
    }

    // The machine is shared, so every decoder is timed in several rounds that
    // alternate between the decoders, and each keeps its best round.
    // libjpeg-turbo without SIMD runs in a child process within each round.
    std::string self = "/proc/self/exe";
    char selfPath[4096];
    ssize_t nSelf = readlink("/proc/self/exe", selfPath, sizeof selfPath - 1);
    if (nSelf > 0) {
        selfPath[nSelf] = 0;
        self = selfPath;
    }
    const int kRounds = 5;
    std::printf("%-34s %9s %9s %9s %9s %9s %9s\n", "MPix/s", "exact", "fast", "fast-C", "turbo", "turbo-C", "stb");
    std::printf("%-34s %9s %9s %9s %9s %9s %9s\n", "", "SSE2", "SSE2", "scalar", "SIMD", "no SIMD", "SSE2");
    std::map<std::string, std::vector<double>> rows;
    std::vector<std::pair<std::string, bool>> order;   // file, is a photograph
    bool bPhotos = false;
    for (int i = nFirst; i < argc; ++i) {
        if (std::strcmp(argv[i], "--photos") == 0 || std::strcmp(argv[i], "--synthetic") == 0) {
            bPhotos = argv[i][2] == 'p';
            continue;
        }
        std::vector<uint8_t> bytes = ReadFile(argv[i]);
        int w, h;
        ImageSize(bytes, w, h);
        double dPixels = double(w) * h;
        std::vector<double> r(6, 0.0);
        for (int nRound = 0; nRound < kRounds; ++nRound) {
            double m[6] = {
                MegapixelsPerSecond([&] { return DecodeOurs(bytes, false, true, image); }, dPixels),
                MegapixelsPerSecond([&] { return DecodeOurs(bytes, true, true, image); }, dPixels),
                MegapixelsPerSecond([&] { return DecodeOurs(bytes, true, false, image); }, dPixels),
                MegapixelsPerSecond([&] { return DecodeLibjpeg(bytes, image); }, dPixels),
                0.0,
                MegapixelsPerSecond([&] { return DecodeStb(bytes, image); }, dPixels)};
            std::string command = "JSIMD_FORCENONE=1 '" + self + "' --libjpeg-only '" + argv[i] + "'";
            if (FILE* p = popen(command.c_str(), "r")) {
                char name[4096];
                if (std::fscanf(p, "%4095s %lf", name, &m[4]) != 2) m[4] = 0;
                pclose(p);
            }
            for (int k = 0; k < 6; ++k) r[static_cast<size_t>(k)] = std::max(r[static_cast<size_t>(k)], m[k]);
        }
        std::string name = BaseName(argv[i]);
        rows[name] = r;
        order.emplace_back(name, bPhotos);
        std::printf("%-34s %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f\n", name.c_str(), r[0], r[1], r[2], r[3], r[4], r[5]);
        std::fflush(stdout);
    }
    std::printf("\nRatios (goal in brackets):\n");
    for (auto& e : rows) {
        if (e.first.find("2048") == std::string::npos) continue;
        const std::vector<double>& r = e.second;
        bool bProgressive = e.first.find("prog") != std::string::npos;
        std::printf("%s\n", e.first.c_str());
        std::printf("  exact / turbo no SIMD   %5.2f  [>= 0.8]\n", r[0] / r[4]);
        std::printf("  fast  / stb SSE2        %5.2f  [>= 1.0]\n", r[1] / r[5]);
        std::printf("  fast  / turbo SIMD      %5.2f  [>= 0.7]\n", r[1] / r[3]);
        if (bProgressive) {
            std::printf("  exact / turbo no SIMD   %5.2f  [progressive >= 1.0]\n", r[0] / r[4]);
            std::printf("  fast  / turbo no SIMD   %5.2f  [progressive >= 1.0]\n", r[1] / r[4]);
        }
    }
    // Ours against libjpeg-turbo with SIMD, per file and per set.
    std::printf("\n%-34s %9s %9s\n", "ours / turbo SIMD", "exact", "fast");
    for (int nSet = 0; nSet < 2; ++nSet) {
        std::vector<double> exact, fast;
        for (auto& e : order) {
            if (e.second != (nSet == 1)) continue;
            const std::vector<double>& r = rows[e.first];
            if (r[3] <= 0) continue;
            exact.push_back(r[0] / r[3]);
            fast.push_back(r[1] / r[3]);
            std::printf("%-34s %9.2f %9.2f\n", e.first.c_str(), r[0] / r[3], r[1] / r[3]);
        }
        if (!exact.empty())
            std::printf("%-34s %9.2f %9.2f\n", nSet ? "geometric mean, photographs" : "geometric mean, synthetic",
                        GeometricMean(exact), GeometricMean(fast));
    }
    return 0;
}
