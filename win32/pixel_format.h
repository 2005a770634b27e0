// The pixel-format preference of the OpenGL context, free of Win32: the
// score of one format and the choice among all formats of a device. The
// Win32 side copies the four fields that matter out of each descriptor.
#pragma once
#include <cstdint>

// The descriptor flags and pixel type involved, with the values of wingdi.h.
const uint32_t kPfdDoubleBuffer = 0x00000001;    // PFD_DOUBLEBUFFER
const uint32_t kPfdDrawToWindow = 0x00000004;    // PFD_DRAW_TO_WINDOW
const uint32_t kPfdSupportOpenGL = 0x00000020;   // PFD_SUPPORT_OPENGL
const uint32_t kPfdGenericFormat = 0x00000040;   // PFD_GENERIC_FORMAT
const int kPfdTypeRgba = 0;                      // PFD_TYPE_RGBA

struct PixelFormatTraits {
    uint32_t dwFlags;
    int iPixelType;
    int cColorBits;
    int cDepthBits;
};

// 0 for an unusable format; otherwise prefers accelerated formats, then a
// depth buffer of 24 bits, then 25 to 32 bits (shallower first), then 16 to
// 23 bits (deeper first), then double buffering.
unsigned ScorePixelFormatTraits(const PixelFormatTraits& d, int nColorBits);

// anScores[i] is the score of format i + 1. Returns the highest-scoring
// format: nProposal when it is among them, else the higher index among
// equals; nProposal also when none scores above 0.
int PickPixelFormat(const unsigned* anScores, int nFormats, int nProposal);
