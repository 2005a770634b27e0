// Texture loading from the embedded pictures: decoding (picture_decode.cpp),
// the user-visible messages and the OpenGL upload. Where the picture bytes
// live and how a message reaches the user belongs to the platform
// (win32/pictures.cpp and win32/reports.cpp, or the X11 host's generated
// pictures and stderr).
#include "image/texture.h"

#include <cstdio>
#include <cstdlib>

#include "image/picture_decode.h"
#include "image/processor_probe.h"
#include "resources/resource.h"
#include "scenes/gl_quality.h"

TextureImage g_Textures[2] = {};

static void ShowDecoderError(int nErrorCode)
{
    char szMessage[256];
    std::snprintf(szMessage, sizeof(szMessage), "Error: Decoder failed! Error status: %i\n", nErrorCode);
    ReportTextureError(szMessage, "Decoder Error");
}

bool DecodeJpegImage(TextureImage& image, const void* pData, uint32_t dwSize)
{
    const ProcessorFeatures features = ProbeProcessorFeatures();
    const bool bUseFastPaths = features.bProbed && features.bMmx;

    PictureRgb picture = {};
    const PictureStatus status =
        DecodePictureRgb(static_cast<const uint8_t*>(pData), dwSize, bUseFastPaths, &picture);
    image.width = picture.nWidth;
    image.height = picture.nHeight;
    image.bitsPerPixel = picture.nBitsPerPixel;
    switch (status) {
    case PictureStatus::Ok:
        image.format = GL_RGB;
        image.pixels = picture.pPixels;
        return true;
    case PictureStatus::DecoderFailed:
        ShowDecoderError(picture.nErrorCode);
        return false;
    case PictureStatus::InvalidInfo:
        ReportTextureError("Invalid texture information", "ERROR");
        return false;
    case PictureStatus::OutOfMemory:
        ReportTextureError("Could not allocate memory for image", "ERROR");
        return false;
    }
    return false;
}

// The EXT_texture_filter_anisotropic values (also ARB's and GL 4.6's).
const GLenum kGlTextureMaxAnisotropy = 0x84FE;
const GLenum kGlMaxTextureMaxAnisotropy = 0x84FF;

// Trilinear: a small globe blends two mip levels instead of skipping texels
// of the full map. Anisotropy keeps a slanted texture sharp, where it is
// cheap (it more than doubles llvmpipe's time for module 3's sky).
static void SetSlotFilters()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const char* pszExtensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const bool bOffered = HasGlExtension(pszExtensions, "GL_EXT_texture_filter_anisotropic");
    GLfloat fMost = 1.0f;
    if (bOffered)
        glGetFloatv(kGlMaxTextureMaxAnisotropy, &fMost);
    const float fAnisotropy =
        ChooseAnisotropy(ParseSampleSetting(std::getenv("VELTHRA_SAMPLES")),
                         reinterpret_cast<const char*>(glGetString(GL_RENDERER)), bOffered, fMost);
    if (fAnisotropy > 1.0f)
        glTexParameterf(GL_TEXTURE_2D, kGlTextureMaxAnisotropy, fAnisotropy);
}

// A mip-mapped texture from the slot's pixels; left unbound.
static void CreateSlotTexture(TextureImage& image)
{
    glGenTextures(1, &image.textureId);
    glBindTexture(GL_TEXTURE_2D, image.textureId);
    // The rows are packed (width x 3 bytes); the default unpack alignment of 4
    // would shear any picture whose row is not a multiple of 4 bytes and read
    // past the end of the buffer.
    GLint nAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &nAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, image.format, image.width, image.height, image.format,
                      GL_UNSIGNED_BYTE, image.pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, nAlignment);
    SetSlotFilters();
    glBindTexture(GL_TEXTURE_2D, 0);
}

bool LoadTextureResource(uint16_t wResourceId, int nSlot)
{
    const void* pData = NULL;
    uint32_t dwSize = 0;
    if (!FindPictureResource(wResourceId, &pData, &dwSize) || pData == NULL || dwSize == 0) {
        ReportTextureError("Could not locate image resource", "ERROR");
        return false;
    }

    TextureImage& image = g_Textures[nSlot];
    if (!DecodeJpegImage(image, pData, dwSize))
        return false;
    CreateSlotTexture(image);
    if (image.pixels != NULL) {
        std::free(image.pixels);
        image.pixels = NULL;
    }
    return true;
}

bool LoadSceneTextures()
{
    return LoadTextureResource(IDR_EARTH_JPG, TEXTURE_EARTH) && LoadTextureResource(IDR_SKY_JPG, TEXTURE_SKY);
}
