// Runs the JPEG decoder over one picture and lays its lines out as OpenGL
// expects them. The stream and the decoder live only for one call and are
// created with nothrow new, so that a failed allocation becomes an
// OutOfMemory result like the pixel buffer's, never an exception.
#include "image/picture_decode.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "image/jpeg/jpeg_decoder.h"

void CopyPictureLine(uint8_t* pDest, const uint8_t* pLine, int nWidth, int nBytesPerPixel)
{
    if (nBytesPerPixel == 1) {
        for (int x = 0; x < nWidth; ++x, pDest += 3) {
            pDest[0] = pDest[1] = pDest[2] = pLine[x];
        }
        return;
    }
    for (int x = 0; x < nWidth; ++x, pDest += 3, pLine += nBytesPerPixel) {
        pDest[0] = pLine[0];
        pDest[1] = pLine[1];
        pDest[2] = pLine[2];
    }
}

bool FlipPictureRows(uint8_t* pPixels, int nWidth, int nHeight)
{
    const size_t nRowSize = static_cast<size_t>(nWidth) * 3;
    uint8_t* pScratch = static_cast<uint8_t*>(std::malloc(nRowSize ? nRowSize : 1));
    if (pScratch == nullptr)
        return false;
    for (int i = 0; i < nHeight / 2; ++i) {
        uint8_t* pTop = pPixels + static_cast<size_t>(i) * nRowSize;
        uint8_t* pBottom = pPixels + static_cast<size_t>(nHeight - 1 - i) * nRowSize;
        std::memcpy(pScratch, pTop, nRowSize);
        std::memcpy(pTop, pBottom, nRowSize);
        std::memcpy(pBottom, pScratch, nRowSize);
    }
    std::free(pScratch);
    return true;
}

// Copies every delivered line into the packed buffer, top line first.
static PictureStatus CopyDecodedLines(JpegDecoder* pDecoder, PictureRgb* pPicture)
{
    const int nStride = pDecoder->bytesPerPixel();
    if (nStride != 1 && nStride < 3)
        return PictureStatus::InvalidInfo;
    const size_t nRowSize = static_cast<size_t>(pPicture->nWidth) * 3;
    const uint8_t* pLine = nullptr;
    uint32_t nLength = 0;
    int nRow = 0;
    while (pDecoder->decodeLine(&pLine, &nLength) == 0) {
        if (nRow < pPicture->nHeight)
            CopyPictureLine(pPicture->pPixels + nRow * nRowSize, pLine, pPicture->nWidth, nStride);
        ++nRow;
    }
    if (pDecoder->errorCode() != 0) {
        pPicture->nErrorCode = pDecoder->errorCode();
        return PictureStatus::DecoderFailed;
    }
    return PictureStatus::Ok;
}

// Everything after the decoder object exists; the caller destroys it.
static PictureStatus DecodeWithDecoder(JpegDecoder* pDecoder, PictureRgb* pPicture)
{
    if (pDecoder->errorCode() != 0) {
        pPicture->nErrorCode = pDecoder->errorCode();
        return PictureStatus::DecoderFailed;
    }
    pPicture->nWidth = pDecoder->width();
    pPicture->nHeight = pDecoder->height();
    pPicture->nBitsPerPixel = 3 * 8;
    if (pPicture->nWidth <= 0 || pPicture->nHeight <= 0)
        return PictureStatus::InvalidInfo;

    const size_t nBytes = static_cast<size_t>(pPicture->nWidth) * pPicture->nHeight * 3;
    pPicture->pPixels = static_cast<uint8_t*>(std::malloc(nBytes));
    if (pPicture->pPixels == nullptr)
        return PictureStatus::OutOfMemory;

    PictureStatus status = PictureStatus::Ok;
    if (pDecoder->beginDecoding() != 0) {
        pPicture->nErrorCode = pDecoder->errorCode();
        status = PictureStatus::DecoderFailed;
    } else {
        status = CopyDecodedLines(pDecoder, pPicture);
    }
    if (status == PictureStatus::Ok && !FlipPictureRows(pPicture->pPixels, pPicture->nWidth, pPicture->nHeight))
        status = PictureStatus::OutOfMemory;
    if (status != PictureStatus::Ok) {
        std::free(pPicture->pPixels);
        pPicture->pPixels = nullptr;
    }
    return status;
}

PictureStatus DecodePictureRgb(const uint8_t* pData, uint32_t nSize, bool bUseFastPaths,
                               PictureRgb* pPicture)
{
    pPicture->pPixels = nullptr;
    pPicture->nErrorCode = 0;
    JpegMemoryStream* pStream = new (std::nothrow) JpegMemoryStream(pData, nSize);
    if (pStream == nullptr)
        return PictureStatus::OutOfMemory;
    JpegDecoder* pDecoder = new (std::nothrow) JpegDecoder(pStream, bUseFastPaths);
    if (pDecoder == nullptr) {
        delete pStream;
        return PictureStatus::OutOfMemory;
    }
    const PictureStatus status = DecodeWithDecoder(pDecoder, pPicture);
    delete pDecoder;
    delete pStream;
    return status;
}
