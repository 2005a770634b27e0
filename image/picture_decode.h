// Turning a JPEG picture into the pixel rows of an RGB texture: tightly packed
// R, G, B bytes, bottom image row first (OpenGL's row order). Portable, so the
// copying and flipping run natively under the sanitizers; the texture loader
// wraps it with the message boxes and the OpenGL upload.
#pragma once
#include <cstdint>

enum class PictureStatus {
    Ok,
    DecoderFailed,  // nErrorCode holds the decoder's negative code
    InvalidInfo,    // zero width or height
    OutOfMemory,    // pixel buffer, scratch row, stream or decoder object
};

struct PictureRgb {
    uint8_t* pPixels;   // malloc'ed width x height x 3 bytes; nullptr after a failure
    int nWidth;
    int nHeight;
    int nBitsPerPixel;  // 24
    int nErrorCode;     // decoder code for DecoderFailed, else 0
};

// Decodes pData[0 .. nSize) into pPicture. The width and height are set as
// soon as the decoder knows them, also when a later step fails. The caller
// frees pPixels with free().
PictureStatus DecodePictureRgb(const uint8_t* pData, uint32_t nSize, bool bUseFastPaths,
                               PictureRgb* pPicture);

// One delivered line into packed RGB: colour lines have nBytesPerPixel bytes
// per pixel of which the first three are R, G, B; a grey line (1 byte per
// pixel) gives each grey sample to R, G and B.
void CopyPictureLine(uint8_t* pDest, const uint8_t* pLine, int nWidth, int nBytesPerPixel);

// Turns packed RGB rows upside down in place; false when the scratch row
// cannot be allocated.
bool FlipPictureRows(uint8_t* pPixels, int nWidth, int nHeight);
