// Pixel-format score and choice. Depth: with the near plane at 0.1 a 16-bit
// buffer cannot tell the two sides of a far symbol apart, so 24 bits come
// first, then 32, and 16 to 23 bits only where nothing deeper is offered.
// Among the formats of the best score the driver's own proposal
// (ChoosePixelFormat's answer) wins: it is the format the driver matches to
// the window, and another one of the same score can cost a copy of every
// frame (under Wine, a format whose X visual is not the window's is drawn off
// screen and copied at each swap: at 1080p on llvmpipe the saver took about
// 1 s of CPU a second instead of 0.3, and its first frame came 0.1 to 0.3 s
// later). Otherwise the scan runs from the highest index down and only a
// strictly greater score replaces the choice, so among equal scores the
// highest-numbered format wins.
#include "win32/pixel_format.h"

unsigned ScorePixelFormatTraits(const PixelFormatTraits& d, int nColorBits)
{
    const uint32_t dwNeeded = kPfdSupportOpenGL | kPfdDrawToWindow;
    if (d.cColorBits != nColorBits || (d.dwFlags & dwNeeded) != dwNeeded || d.cDepthBits <= 8 ||
        d.iPixelType != kPfdTypeRgba)
        return 0;
    int nScore = (d.dwFlags & kPfdDoubleBuffer) ? 2 : 1;
    if (d.cDepthBits >= 24)
        nScore += 136 - d.cDepthBits;  // 24 bits add 112, 32 bits 104
    else if (d.cDepthBits >= 16)
        nScore += 80 + d.cDepthBits;  // 16 bits add 96, 23 bits 103
    if (!(d.dwFlags & kPfdGenericFormat))
        nScore += 1024;
    // A depth buffer of more than 136 bits would go negative; it must not wrap
    // into the best score.
    return nScore > 0 ? static_cast<unsigned>(nScore) : 0;
}

int PickPixelFormat(const unsigned* anScores, int nFormats, int nProposal)
{
    int nBest = nProposal;
    unsigned nBestScore = 0;
    for (int i = nFormats; i >= 1; --i) {
        if (anScores[i - 1] > nBestScore) {
            nBestScore = anScores[i - 1];
            nBest = i;
        }
    }
    if (nProposal >= 1 && nProposal <= nFormats && anScores[nProposal - 1] == nBestScore)
        return nProposal;
    return nBest;
}
