// The scene textures: two slots loaded once, when OpenGL starts, from the JPEG
// resources embedded in the executable. Renderers bind a slot's textureId and
// bind 0 again afterwards.
#pragma once
#include <cstdint>

#include "scenes/opengl.h"

struct TextureImage {
    GLubyte* pixels;   // width x height x 3 bytes, bottom row first; freed once the texture exists
    int bitsPerPixel;  // 24
    int width;
    int height;
    GLuint textureId;  // 0 until the slot is loaded
    GLenum format;     // GL_RGB: internal format and upload format
};

const int TEXTURE_EARTH = 0;
const int TEXTURE_SKY = 1;

extern TextureImage g_Textures[2];

// Finds the "jpg" resource, decodes it into the slot and makes it a
// mip-mapped texture. Shows its own message box and returns false on failure.
bool LoadTextureResource(uint16_t wResourceId, int nSlot);

// What the platform supplies: the bytes of a "jpg" resource (false when it is
// missing), and a failure report to the user (a modal message box on Windows).
bool FindPictureResource(uint16_t wResourceId, const void** ppData, uint32_t* pnSize);
void ReportTextureError(const char* pszText, const char* pszCaption);

// Decodes the JPEG bytes into the slot's pixels (bottom row first).
bool DecodeJpegImage(TextureImage& image, const void* pData, uint32_t dwSize);

// The earth (resource 120) then the sky (resource 111); the sky is not tried
// when the earth fails. Runs first in the scene initialisation.
bool LoadSceneTextures();
