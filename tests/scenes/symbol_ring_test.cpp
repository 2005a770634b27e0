// Module 3 in a real OpenGL context with the product's textures: activity,
// the first frame's seeding, the pace in the preview, the leaps as the
// renderer draws them, and the sky backdrop. The module's leap state lives
// for the whole process: each test starts from the state a fresh process has.
#include <windows.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <set>

#include "image/texture.h"
#include "win32/render.h"
#include "scenes/module_table.h"
#include "scenes/modules.h"
#include "scenes/random.h"
#include "scenes/scene_state.h"
#include "scenes/symbol_ring.h"
#include "tests/support/fresh_process.h"
#include "tests/support/gl_test_context.h"
#include "tests/scenes/scene_feedback.h"

namespace {

const double kPi = 3.14159265358979;

class SymbolRing : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(OpenSceneTestWindow(320, 240)); }
    void SetUp() override
    {
        RestoreFreshAnimation();
        g_Modules[3].active = true;
        g_SaverState.bRunningAsSaver = true;
        SetPlainView(30.0f);
        g_fSpeed = 1.0f;
    }
};

// Only what stands higher than the symbols on the ring (their rings of
// radius 0.175 x 10.7 = 1.87 reach y = 1.9) and in front of the sky.
const std::vector<Plane> kAboveTheRing = {{0, 1, 0, -3}, {0, 0, 1, 100}};

// The ring symbols whose vertices the feedback found above the ring. Symbol i
// stands at azimuth -0.25 g_fAngle + 45 i about y; a leaping symbol's ring of
// radius 1.87 at distance 5.1 or more spans less than 22.5 degrees either way.
std::set<int> SymbolsAboveTheRing()
{
    const float fAngle = g_fAngle;
    std::set<int> symbols;
    for (const Vec3& p : FeedbackSceneVertices(DrawSymbolRing, 30.0f, kAboveTheRing)) {
        double fAzimuth = std::atan2(-p[2], p[0]) * 180.0 / kPi - (-0.25 * fAngle);
        fAzimuth = std::fmod(std::fmod(fAzimuth, 360.0) + 360.0 + 22.5, 360.0);
        symbols.insert(static_cast<int>(fAzimuth / 45.0));
    }
    return symbols;
}

// Display-list names in use, over a range far beyond what the product makes.
int CountLists()
{
    int nLists = 0;
    for (GLuint n = 1; n <= 4096; ++n)
        nLists += glIsList(n) ? 1 : 0;
    return nLists;
}

int DrawFrames(int nFrames)
{
    for (int i = 0; i < nFrames; ++i)
        if (!DrawSymbolRing())
            return i;
    return nFrames;
}

}  // namespace

// In a process of its own, so that nothing is built yet.
TEST_F(SymbolRing, InactiveOnlyClears)
{
    EXPECT_IN_FRESH_PROCESS([] {
        g_Modules[3].active = false;
        g_fAngle = 3.0f;
        SeedRandom(5);
        EXPECT_TRUE(DrawSymbolRing());
        EXPECT_EQ(g_fAngle, 3.0f);
        EXPECT_EQ(g_nBackdropList, 0u);  // no first-frame work, nothing drawn
        EXPECT_TRUE(GetRingScene().bFirstFrame);
        const int nNext = NextRandom();
        SeedRandom(5);
        EXPECT_EQ(nNext, NextRandom());  // not re-seeded
    });
}

TEST_F(SymbolRing, FirstFrameSeedsFromTheClock)
{
    g_fAngle = 0.0f;
    SeedRandom(5);
    const std::time_t nBefore = std::time(nullptr);
    EXPECT_TRUE(DrawSymbolRing());
    const int nNext = NextRandom();
    bool bMatches = false;
    for (std::time_t t = nBefore; t <= std::time(nullptr); ++t) {
        SeedRandom(static_cast<uint32_t>(t));
        bMatches = bMatches || NextRandom() == nNext;
    }
    EXPECT_TRUE(bMatches);
    EXPECT_NE(g_nBackdropList, 0u);
    EXPECT_EQ(g_fAngle, 1.0f);
}

// The first frame counts 5 of the pause; the leap starts on the 21st frame
// and climbs 0.5 degrees a frame from the 22nd on: 45 degrees on frame 111,
// the top (90) on frame 201.
TEST_F(SymbolRing, FirstLeapIsMadeByTheOddSymbols)
{
    ASSERT_EQ(DrawFrames(20), 20);
    EXPECT_TRUE(SymbolsAboveTheRing().empty());  // frame 21: the leap starts, not drawn yet
    ASSERT_EQ(DrawFrames(89), 89);
    EXPECT_EQ(SymbolsAboveTheRing(), (std::set<int>{1, 3, 5, 7}));  // frame 111
}

TEST_F(SymbolRing, AtTheTopTheLeapRadiusIsSixAndAHalf)
{
    ASSERT_EQ(DrawFrames(200), 200);
    const Box box = BoundingBox(FeedbackSceneVertices(DrawSymbolRing, 30.0f, kAboveTheRing));  // frame 201
    // All four leaping symbols meet at (0, 6.5, 0), upright, each within its ring's radius.
    EXPECT_NEAR(box.Centre()[0], 0.0, 0.05);
    EXPECT_NEAR(box.Centre()[1], 6.5, 0.05);
    EXPECT_NEAR(box.Centre()[2], 0.0, 0.05);
    EXPECT_NEAR(box.max[1] - box.min[1], 2 * 0.175 * 10.7, 0.05);
}

TEST_F(SymbolRing, SecondLeapIsMadeByTheEvenSymbols)
{
    ASSERT_EQ(DrawFrames(110), 110);  // into the first leap
    int nFrames = 0;
    while (!SymbolsAboveTheRing().empty() && nFrames++ < 400) {
    }  // the first leap comes down
    nFrames = 0;
    while (SymbolsAboveTheRing().empty() && nFrames++ < 200) {
    }  // the pause, then the next leap rises
    ASSERT_LT(nFrames, 200);
    ASSERT_EQ(DrawFrames(60), 60);
    EXPECT_EQ(SymbolsAboveTheRing(), (std::set<int>{0, 2, 4, 6}));
}

TEST_F(SymbolRing, PreviewRunsAtHalfPace)
{
    g_SaverState.bRunningAsSaver = false;
    g_fAngle = 10.0f;
    EXPECT_TRUE(DrawSymbolRing());
    EXPECT_EQ(g_fAngle, 10.5f);
    g_SaverState.bRunningAsSaver = true;
    EXPECT_TRUE(DrawSymbolRing());
    EXPECT_EQ(g_fAngle, 11.5f);
}

TEST_F(SymbolRing, FrameLeavesNoTextureAndTheRingLight)
{
    g_fAngle = 5000000.5f;
    EXPECT_TRUE(DrawSymbolRing());
    EXPECT_EQ(g_fAngle, 1.5f);
    GLint nBound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &nBound);
    EXPECT_EQ(nBound, 0);
    GLfloat afDiffuse[4] = {};
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, afDiffuse);
    EXPECT_FLOAT_EQ(afDiffuse[0], 0.24f);
}

TEST_F(SymbolRing, BackdropIsOneListThatLeavesWhiteAndNoTexture)
{
    glLoadIdentity();
    DrawBackdrop();  // builds the list unless an earlier frame did
    const unsigned int nList = g_nBackdropList;
    ASSERT_NE(nList, 0u);
    const int nLists = CountLists();
    for (int i = 0; i < 50; ++i)
        DrawBackdrop();
    EXPECT_EQ(g_nBackdropList, nList);
    EXPECT_TRUE(glIsList(nList));
    EXPECT_EQ(CountLists(), nLists);
    GLfloat afAmbient[4] = {}, afDiffuse[4] = {};
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, afAmbient);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, afDiffuse);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(afAmbient[c], 1.0f);
        EXPECT_EQ(afDiffuse[c], 1.0f);
    }
    GLint nBound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &nBound);
    EXPECT_EQ(nBound, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// 500 units away the quad's height of 465 just fills the 50-degree view: in
// a 4:3 window it reaches all four edges.
TEST_F(SymbolRing, BackdropFillsTheWindow)
{
    const std::vector<Vec3> corners = FeedbackSceneVertices(
        [] {
            glLoadIdentity();
            DrawBackdrop();
            return true;
        },
        0.0f, {});
    ASSERT_TRUE(corners.size() == 4u || corners.size() == 6u) << corners.size();  // a quad, or two triangles
    const Box box = BoundingBox(corners);
    EXPECT_NEAR(box.min[0], -310.0, 0.5);
    EXPECT_NEAR(box.max[1], 232.5, 0.5);
    EXPECT_NEAR(box.min[2], -500.0, 0.5);
    const double fVisibleHalfHeight = 500.0 * std::tan(25.0 * kPi / 180.0);
    EXPECT_NEAR(box.max[1] / fVisibleHalfHeight, 1.0, 0.01);
}
