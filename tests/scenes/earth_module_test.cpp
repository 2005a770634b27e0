// Module 2 in a real OpenGL context with the product's textures: activity,
// the angle wrap, where the orbiting symbols sit, and the state a frame
// leaves behind. The first frame's work happens once per process, so the
// tests of it run in processes of their own.
#include <windows.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "image/texture.h"
#include "scenes/module_table.h"
#include "scenes/modules.h"
#include "scenes/scene_state.h"
#include "scenes/symbol.h"
#include "tests/support/fresh_process.h"
#include "tests/support/gl_test_context.h"
#include "tests/scenes/scene_feedback.h"

namespace {

class EarthModule : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(OpenSceneTestWindow(320, 240)); }
    void SetUp() override
    {
        RestoreFreshAnimation();
        g_Modules[2].active = true;
        SetPlainView(30.0f);
        g_fSpeed = 0.5f;
    }
};

// Red, green and blue of the back buffer's centre pixel, summed.
int CentrePixelLevel()
{
    GLubyte abPixel[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(160, 120, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, abPixel);
    return abPixel[0] + abPixel[1] + abPixel[2];
}

}  // namespace

TEST_F(EarthModule, InactiveOnlyClears)
{
    EXPECT_IN_FRESH_PROCESS([] {
        glClearColor(1.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        ASSERT_EQ(CentrePixelLevel(), 255);

        g_Modules[2].active = false;
        g_fAngle = 7.0f;
        EXPECT_TRUE(DrawEarthModule());
        EXPECT_EQ(CentrePixelLevel(), 0);
        EXPECT_EQ(g_fAngle, 7.0f);
        EXPECT_EQ(g_nOuterTorusList, 0u);  // no first-frame work
    });
}

TEST_F(EarthModule, FirstFrameBuildsTheSymbolLists)
{
    EXPECT_IN_FRESH_PROCESS([] {
        ASSERT_EQ(g_nOuterTorusList, 0u);
        g_fAngle = 0.0f;
        EXPECT_TRUE(DrawEarthModule());
        EXPECT_NE(g_nOuterTorusList, 0u);
        EXPECT_TRUE(glIsList(g_nArcTorusList));
        EXPECT_GT(CentrePixelLevel(), 0);  // the globe covers the centre
    });
}

TEST_F(EarthModule, AngleWrapsOnlyAboveFiveMillion)
{
    g_fAngle = 5000000.5f;
    EXPECT_TRUE(DrawEarthModule());
    EXPECT_EQ(g_fAngle, 0.5f + 0.5f);
    g_fAngle = 5000000.0f;
    EXPECT_TRUE(DrawEarthModule());
    EXPECT_EQ(g_fAngle, 5000000.5f);
}

// The symbols' rings are 0.15 x 10.7 = 1.6 in radius; beyond |x| = 8.2 only
// symbol 0 (at +10) or symbol 3 (at -10) lies, clear of the earth's radius 8.
// Depth along the view comes back through the depth range, so z is looser.
TEST_F(EarthModule, SymbolsOrbitAtTenAtAngleZero)
{
    g_fAngle = 0.0f;
    SetPlainView(22.0f);
    const std::vector<Vec3> right = FeedbackSceneVertices(DrawEarthModule, 22.0f, {{1, 0, 0, -8.2}});
    const std::vector<Vec3> left = FeedbackSceneVertices(DrawEarthModule, 22.0f, {{-1, 0, 0, -8.2}});
    ASSERT_GT(right.size(), 1000u);
    ASSERT_EQ(left.size(), right.size());
    const Box boxRight = BoundingBox(right);
    const Box boxLeft = BoundingBox(left);
    const Vec3 expected[2] = {{10, 0, 0}, {-10, 0, 0}};
    const Box* boxes[2] = {&boxRight, &boxLeft};
    for (int n = 0; n < 2; ++n) {
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(boxes[n]->Centre()[c], expected[n][c], c == 2 ? 0.05 : 0.02) << "symbol " << n * 3 << " axis " << c;
        EXPECT_NEAR(boxes[n]->max[1] - boxes[n]->min[1], 2 * 0.15 * 10.7, 0.02);  // upright, facing +z
        EXPECT_LT(boxes[n]->max[2] - boxes[n]->min[2], 0.25);
    }
}

TEST_F(EarthModule, FrameLeavesNoTextureAndTheEarthLight)
{
    g_fAngle = 100.0f;
    EXPECT_TRUE(DrawEarthModule());
    GLint nBound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &nBound);
    EXPECT_EQ(nBound, 0);
    GLfloat afDiffuse[4] = {};
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, afDiffuse);
    EXPECT_FLOAT_EQ(afDiffuse[0], 0.52f);
    EXPECT_FLOAT_EQ(afDiffuse[3], 1.0f);
    EXPECT_EQ(g_fAngle, 100.5f);
}

// Start-up tolerates a failed gluNewQuadric; the frame then draws the six
// symbols without the globe instead of handing GLU a null quadric.
TEST_F(EarthModule, WithoutAQuadricOnlyTheSymbolsAreDrawn)
{
    SetPlainView(22.0f);
    g_fAngle = 0.0f;
    const size_t nWithEarth = FeedbackSceneVertices(DrawEarthModule, 22.0f, {}).size();
    g_fAngle = 0.0f;
    const size_t nRight = FeedbackSceneVertices(DrawEarthModule, 22.0f, {{1, 0, 0, -8.2}}).size();
    GLUquadric* pQuadric = g_pQuadric;
    g_pQuadric = nullptr;
    g_fAngle = 0.0f;
    EXPECT_TRUE(DrawEarthModule());
    g_fAngle = 0.0f;
    const size_t nWithout = FeedbackSceneVertices(DrawEarthModule, 22.0f, {}).size();
    g_fAngle = 0.0f;
    const size_t nRightWithout = FeedbackSceneVertices(DrawEarthModule, 22.0f, {{1, 0, 0, -8.2}}).size();
    g_pQuadric = pQuadric;
    EXPECT_EQ(nRightWithout, nRight);  // symbol 0 as before
    EXPECT_GE(nWithout, 5 * nRight);  // all six symbols, some clipped at the edges
    EXPECT_LE(nWithout, 6 * nRight);
    EXPECT_GT(nWithEarth - nWithout, 32u * 32u);  // the sphere's quads are gone
}
