// The loader's failures in a real OpenGL context, each with the message box
// the user sees. The program's resources hold a sky but no earth picture.
#include <windows.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "image/texture.h"
#include "resources/resource.h"
#include "scenes/scene_state.h"
#include "tests/support/gl_test_context.h"
#include "tests/support/win_support.h"

namespace {

class TextureFailures : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(OpenGlTestWindow(64, 64)); }
    static void TearDownTestSuite() { CloseGlTestWindow(); }
    void SetUp() override
    {
        g_Textures[TEXTURE_EARTH] = TextureImage{};
        g_Textures[TEXTURE_SKY] = TextureImage{};
    }
};

void ExpectOneMessage(const std::vector<vt::MessageBoxInfo>& messages, const char* pszText, const char* pszCaption)
{
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, pszText);
    EXPECT_EQ(messages[0].caption, pszCaption);
}

}  // namespace

// The sky resource exists here, so a sky attempt would have given slot 1 a
// texture; the scene state's own steps do not run either.
TEST_F(TextureFailures, MissingEarthStopsBeforeTheSky)
{
    vt::MessageBoxWatcher watcher;
    EXPECT_FALSE(InitSceneState());
    ExpectOneMessage(watcher.Seen(), "Could not locate image resource", "ERROR");
    EXPECT_EQ(g_Textures[TEXTURE_EARTH].textureId, 0u);
    EXPECT_EQ(g_Textures[TEXTURE_SKY].textureId, 0u);
    EXPECT_EQ(g_Textures[TEXTURE_SKY].width, 0);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(TextureFailures, DataWithoutSoiReportsTheDecoderCode)
{
    vt::MessageBoxWatcher watcher;
    EXPECT_FALSE(LoadTextureResource(901, TEXTURE_EARTH));
    ExpectOneMessage(watcher.Seen(), "Error: Decoder failed! Error status: -217\n", "Decoder Error");
    EXPECT_EQ(g_Textures[TEXTURE_EARTH].textureId, 0u);
}

TEST_F(TextureFailures, RefusedLayoutFailsWhenDecodingBegins)
{
    vt::MessageBoxWatcher watcher;
    EXPECT_FALSE(LoadTextureResource(902, TEXTURE_EARTH));
    ExpectOneMessage(watcher.Seen(), "Error: Decoder failed! Error status: -226\n", "Decoder Error");
    EXPECT_EQ(g_Textures[TEXTURE_EARTH].textureId, 0u);
    EXPECT_EQ(g_Textures[TEXTURE_EARTH].pixels, nullptr);
    EXPECT_EQ(g_Textures[TEXTURE_EARTH].width, 32);  // the dimensions were known
}

TEST_F(TextureFailures, TheSkyAloneLoads)
{
    vt::MessageBoxWatcher watcher;
    EXPECT_TRUE(LoadTextureResource(IDR_SKY_JPG, TEXTURE_SKY));
    EXPECT_TRUE(watcher.Seen().empty());
    EXPECT_NE(g_Textures[TEXTURE_SKY].textureId, 0u);
    GLint nBound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &nBound);
    EXPECT_EQ(nBound, 0);
}
