// Pictures whose rows are not a multiple of 4 bytes long reach the texture
// unsheared: the first level of the texture, read back packed, equals the
// decoded picture byte for byte (both sides are powers of two, so GLU uploads
// the picture as it is), and the unpack alignment is left as it was.
#include <windows.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "image/picture_decode.h"
#include "image/processor_probe.h"
#include "image/texture.h"
#include "tests/support/gl_test_context.h"

#include <cstdlib>

namespace {

std::vector<GLubyte> DecodedRows(WORD wId)
{
    HRSRC hFound = FindResourceA(NULL, MAKEINTRESOURCEA(wId), "jpg");
    const void* pData = LockResource(LoadResource(NULL, hFound));
    PictureRgb picture = {};
    const ProcessorFeatures features = ProbeProcessorFeatures();
    if (DecodePictureRgb(static_cast<const uint8_t*>(pData), SizeofResource(NULL, hFound),
                         features.bProbed && features.bMmx, &picture) != PictureStatus::Ok)
        return {};
    const GLubyte* p = picture.pPixels;
    std::vector<GLubyte> rows(p, p + static_cast<size_t>(picture.nWidth) * picture.nHeight * 3);
    std::free(picture.pPixels);
    return rows;
}

TEST(TextureRows, NarrowPicturesAreUploadedUnsheared)
{
    ASSERT_TRUE(OpenGlTestWindow(64, 64));
    const struct {
        WORD wId;
        int nWidth, nHeight;
    } cases[] = {{903, 2, 8}, {904, 1, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wId);
        const std::vector<GLubyte> expected = DecodedRows(c.wId);
        ASSERT_EQ(expected.size(), static_cast<size_t>(c.nWidth * c.nHeight * 3));
        ASSERT_TRUE(LoadTextureResource(c.wId, TEXTURE_EARTH));
        GLint nAlignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &nAlignment);
        EXPECT_EQ(nAlignment, 4);

        glBindTexture(GL_TEXTURE_2D, g_Textures[TEXTURE_EARTH].textureId);
        GLint nWidth = 0, nHeight = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &nWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &nHeight);
        ASSERT_EQ(nWidth, c.nWidth);
        ASSERT_EQ(nHeight, c.nHeight);
        std::vector<GLubyte> level0(expected.size() + 16, 0xAB);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, level0.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glBindTexture(GL_TEXTURE_2D, 0);
        level0.resize(expected.size());
        EXPECT_EQ(level0, expected);
    }
    CloseGlTestWindow();
}

}  // namespace
