// The scene textures as the product builds them, in a real OpenGL context,
// from the pictures embedded with the product's own resource script.
#include <windows.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "image/jpeg/jpeg_decoder.h"
#include "image/processor_probe.h"
#include "image/texture.h"
#include "resources/resource.h"
#include "scenes/scene_state.h"
#include "tests/support/gl_test_context.h"
#include "tests/support/win_support.h"

namespace {

class SceneTextures : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(OpenGlTestWindow(64, 64));
        vt::MessageBoxWatcher watcher;
        s_bInitialised = InitSceneState();
        s_nMessages = watcher.Seen().size();
    }
    static void TearDownTestSuite() { CloseGlTestWindow(); }
    static bool s_bInitialised;
    static size_t s_nMessages;
};
bool SceneTextures::s_bInitialised = false;
size_t SceneTextures::s_nMessages = 0;

// The decoder's line n of the embedded picture, as packed RGB.
std::vector<GLubyte> PictureLine(WORD wId, int nLine)
{
    HRSRC hFound = FindResourceA(NULL, MAKEINTRESOURCEA(wId), "jpg");
    JpegMemoryStream stream(LockResource(LoadResource(NULL, hFound)), SizeofResource(NULL, hFound));
    JpegDecoder decoder(&stream, ProbeProcessorFeatures().bMmx);
    std::vector<GLubyte> row;
    if (decoder.beginDecoding() != 0)
        return row;
    const uint8_t* pLine = nullptr;
    uint32_t nLength = 0;
    for (int n = 0; decoder.decodeLine(&pLine, &nLength) == 0; ++n) {
        if (n != nLine)
            continue;
        for (uint32_t i = 0; i < nLength; i += 4)
            row.insert(row.end(), pLine + i, pLine + i + 3);
    }
    return row;
}

GLint BoundTexture()
{
    GLint nBound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &nBound);
    return nBound;
}

}  // namespace

TEST_F(SceneTextures, BothSlotsHoldTheirPictures)
{
    ASSERT_TRUE(s_bInitialised);
    EXPECT_EQ(s_nMessages, 0u);
    const struct { int nSlot, nWidth, nHeight; } expected[] = {{TEXTURE_EARTH, 512, 512}, {TEXTURE_SKY, 640, 480}};
    for (const auto& e : expected) {
        const TextureImage& image = g_Textures[e.nSlot];
        EXPECT_EQ(image.width, e.nWidth);
        EXPECT_EQ(image.height, e.nHeight);
        EXPECT_EQ(image.bitsPerPixel, 24);
        EXPECT_EQ(image.format, static_cast<GLenum>(GL_RGB));
        EXPECT_NE(image.textureId, 0u);
        EXPECT_TRUE(glIsTexture(image.textureId));
        EXPECT_EQ(image.pixels, nullptr);  // freed once the texture exists
    }
    EXPECT_NE(g_Textures[TEXTURE_EARTH].textureId, g_Textures[TEXTURE_SKY].textureId);
    EXPECT_EQ(BoundTexture(), 0);
    // The scene state's own steps ran after the loading.
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}

TEST_F(SceneTextures, MipmappedWithTrilinearAndAnisotropicFilters)
{
    ASSERT_TRUE(s_bInitialised);
    for (int nSlot : {TEXTURE_EARTH, TEXTURE_SKY}) {
        glBindTexture(GL_TEXTURE_2D, g_Textures[nSlot].textureId);
        GLint nMin = 0, nMag = 0, nLastWidth = 0, nLastHeight = 0, nLevel0Format = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &nMin);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &nMag);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &nLevel0Format);
        GLint nWidth = 0, nLevels = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &nWidth);
        for (GLint w = nWidth; w > 1; w /= 2)
            ++nLevels;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, nLevels, GL_TEXTURE_WIDTH, &nLastWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, nLevels, GL_TEXTURE_HEIGHT, &nLastHeight);
        GLfloat fAnisotropy = 0.0f, fMost = 0.0f;
        glGetTexParameterfv(GL_TEXTURE_2D, 0x84FE, &fAnisotropy);  // GL_TEXTURE_MAX_ANISOTROPY_EXT
        glGetFloatv(0x84FF, &fMost);                                // its implementation limit
        glBindTexture(GL_TEXTURE_2D, 0);
        // llvmpipe offers 16x, but not cheaply: none unless samples are asked for.
        EXPECT_GT(fMost, 8.0f);
        EXPECT_EQ(fAnisotropy, 1.0f) << "slot " << nSlot;
        EXPECT_EQ(nMin, GL_LINEAR_MIPMAP_LINEAR);
        EXPECT_EQ(nMag, GL_LINEAR);
        EXPECT_TRUE(nLevel0Format == GL_RGB || nLevel0Format == GL_RGB8) << nLevel0Format;
        EXPECT_GT(nLevels, 5) << "slot " << nSlot;
        EXPECT_EQ(nLastWidth, 1) << "slot " << nSlot;  // the full chain down to 1 x 1
        EXPECT_EQ(nLastHeight, 1) << "slot " << nSlot;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The earth's sides are powers of two, so GLU hands its rows to OpenGL
// unscaled: level 0 is exactly what the loader passed, bottom line first.
TEST_F(SceneTextures, FirstRowHandedToOpenGlIsTheBottomLine)
{
    ASSERT_TRUE(s_bInitialised);
    std::vector<GLubyte> level0(512 * 512 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, g_Textures[TEXTURE_EARTH].textureId);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, level0.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    const std::vector<GLubyte> bottom = PictureLine(IDR_EARTH_JPG, 511);
    const std::vector<GLubyte> top = PictureLine(IDR_EARTH_JPG, 0);
    ASSERT_EQ(bottom.size(), 512u * 3);
    EXPECT_TRUE(std::equal(bottom.begin(), bottom.end(), level0.begin()));
    EXPECT_TRUE(std::equal(top.begin(), top.end(), level0.end() - 512 * 3));
    EXPECT_NE(top, bottom);
}
