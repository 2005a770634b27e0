// Module 1 through its frame function in a real OpenGL context: the inactive
// module, the seeded first-frame placement, bounces, motion and spin, the
// angle wrap, the GL error result and what the frame looks like.
#include <windows.h>

#include "scenes/floating_symbols.h"
#include "scenes/module_table.h"
#include "scenes/modules.h"
#include "scenes/random.h"
#include "scenes/scene_state.h"
#include "scenes/symbol.h"
#include "tests/support/fresh_process.h"
#include "tests/support/gl_test_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const int kWidth = 320, kHeight = 240;

class FloatingSymbolsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenSceneTestWindow(kWidth, kHeight));
        RestoreFreshAnimation();  // module 1 not yet placed, whatever ran before
        ResetModuleTable();
        g_nModule = 1;
        ApplyModuleView(1);
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    // Puts every symbol in the middle of the box, at rest, so only the test's own symbol moves.
    static void CalmAllSymbols()
    {
        for (FloatingSymbol& s : GetFloatingScene().aSymbols)
            s = FloatingSymbol{0, 0, 0, 0, 0, 0, s.phase};
    }
    static void RunFirstFrameOnce()
    {
        if (GetFloatingScene().bFirstFrame) {
            ASSERT_TRUE(DrawFloatingSymbols());
        }
    }
};

std::vector<unsigned char> ReadPixels()
{
    std::vector<unsigned char> pixels(kWidth * kHeight * 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

void ExpectSameSymbols(const FloatingSymbol* pExpected, const FloatingSymbol* pActual)
{
    for (int i = 0; i < kFloatingSymbolCount; ++i) {
        const FloatingSymbol& e = pExpected[i];
        const FloatingSymbol& a = pActual[i];
        const float afExpected[] = {e.x, e.y, e.z, e.vz, e.vx, e.vy, e.phase};
        const float afActual[] = {a.x, a.y, a.z, a.vz, a.vx, a.vy, a.phase};
        for (int k = 0; k < 7; ++k)
            EXPECT_EQ(afActual[k], afExpected[k]) << "symbol " << i << " field " << k;
    }
}

// In a process of its own, so that nothing is placed or built yet.
TEST_F(FloatingSymbolsTest, InactiveModuleOnlyClears)
{
    EXPECT_IN_FRESH_PROCESS([] {
        g_Modules[1].active = false;
        const FloatingScene before = GetFloatingScene();
        g_fAngle = 12.5f;
        glClearColor(0.0f, 0.0f, 1.0f, 0.0f);  // a clear shows as blue
        glColor3f(1, 0, 0);
        glBegin(GL_QUADS);  // something to clear away
        glVertex3f(-100, -100, -50);
        glVertex3f(100, -100, -50);
        glVertex3f(100, 100, -50);
        glVertex3f(-100, 100, -50);
        glEnd();
        EXPECT_TRUE(DrawFloatingSymbols());
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);

        const FloatingScene& after = GetFloatingScene();
        ExpectSameSymbols(before.aSymbols, after.aSymbols);
        EXPECT_TRUE(after.bFirstFrame);
        EXPECT_EQ(after.nFrameCount, 0);
        EXPECT_EQ(g_fAngle, 12.5f);
        EXPECT_EQ(g_nOuterTorusList, 0u);  // nothing was built
        std::vector<unsigned char> pixels = ReadPixels();
        EXPECT_EQ(pixels[0], 0);
        EXPECT_EQ(pixels[2], 255);
        EXPECT_EQ(pixels[(kHeight / 2 * kWidth + kWidth / 2) * 4 + 2], 255);
    });
}

TEST_F(FloatingSymbolsTest, FirstFramePlacesInTheSeededOrder)
{
    ASSERT_TRUE(GetFloatingScene().bFirstFrame);
    // The expected layout, drawn from the same seed: vz, vy, vx, z, x, y per symbol.
    SeedRandom(4242);
    FloatingSymbol expected[kFloatingSymbolCount];
    for (int i = 0; i < kFloatingSymbolCount; ++i) {
        expected[i].phase = 45.0f * i;
        expected[i].vz = NextRandomUnit() * 0.3f;
        expected[i].vy = NextRandomUnit() * 0.3f;
        expected[i].vx = NextRandomUnit() * 0.3f;
        expected[i].z = NextRandomUnit() * 40.0f;
        float w = (40.0f + expected[i].z) / 40.0f + 1.0f;
        expected[i].x = NextRandomUnit() * 15.0f * w;
        expected[i].y = NextRandomUnit() * 10.0f * w;
    }
    SeedRandom(4242);
    g_fSpeed = 0.0f;  // hold everything where it was placed
    ASSERT_TRUE(DrawFloatingSymbols());
    ASSERT_NE(g_nOuterTorusList, 0u);
    const FloatingScene& scene = GetFloatingScene();
    EXPECT_FALSE(scene.bFirstFrame);
    EXPECT_EQ(scene.nFrameCount, 1);
    for (int i = 0; i < kFloatingSymbolCount; ++i) {
        const FloatingSymbol& s = scene.aSymbols[i];
        EXPECT_EQ(s.phase, expected[i].phase) << i;
        EXPECT_NEAR(s.vz, expected[i].vz, 1e-6f) << i;
        EXPECT_NEAR(s.vy, expected[i].vy, 1e-6f) << i;
        EXPECT_NEAR(s.vx, expected[i].vx, 1e-6f) << i;
        EXPECT_NEAR(s.z, expected[i].z, 1e-5f) << i;
        EXPECT_NEAR(s.x, expected[i].x, 1e-4f) << i;
        EXPECT_NEAR(s.y, expected[i].y, 1e-4f) << i;
    }
    // The placement happens once: another seed and more frames change nothing.
    const FloatingScene placed = scene;
    SeedRandom(7);
    ApplyModuleView(2);
    ApplyModuleView(1);
    g_fSpeed = 0.0f;
    ASSERT_TRUE(DrawFloatingSymbols());
    ExpectSameSymbols(placed.aSymbols, scene.aSymbols);
}

TEST_F(FloatingSymbolsTest, SymbolBeyondTheNearFaceTurnsBack)
{
    RunFirstFrameOnce();
    CalmAllSymbols();
    SeedRandom(99);
    for (int nTry = 0; nTry < 20; ++nTry) {
        FloatingSymbol& s = GetFloatingScene().aSymbols[3];
        s = FloatingSymbol{1.0f, -2.0f, 40.5f, 0.25f, 0.125f, -0.0625f, 135.0f};
        g_fSpeed = 0.0f;
        ASSERT_TRUE(DrawFloatingSymbols());
        EXPECT_GE(s.vz, -0.3f);
        EXPECT_LE(s.vz, 0.0f);
        EXPECT_EQ(s.vx, 0.125f);
        EXPECT_EQ(s.vy, -0.0625f);
        EXPECT_EQ(s.z, 40.5f);
    }
    // Beyond the far face and the left edge at once: both axes turn, y keeps its speed.
    FloatingSymbol& s = GetFloatingScene().aSymbols[3];
    s = FloatingSymbol{-16.0f, 0.0f, -40.5f, -0.25f, -0.125f, -0.0625f, 135.0f};
    ASSERT_TRUE(DrawFloatingSymbols());
    EXPECT_GE(s.vz, 0.0f);
    EXPECT_GE(s.vx, 0.0f);
    EXPECT_EQ(s.vy, -0.0625f);
    // Inside the widened box (w = 3 at z = 40, so |x| up to 45) nothing turns.
    s = FloatingSymbol{44.0f, 29.0f, 40.0f, 0.25f, 0.125f, 0.0625f, 135.0f};
    ASSERT_TRUE(DrawFloatingSymbols());
    EXPECT_EQ(s.vz, 0.25f);
    EXPECT_EQ(s.vx, 0.125f);
    EXPECT_EQ(s.vy, 0.0625f);
}

TEST_F(FloatingSymbolsTest, MotionAndSpinFollowTheSpeed)
{
    RunFirstFrameOnce();
    CalmAllSymbols();
    FloatingSymbol& s = GetFloatingScene().aSymbols[0];
    s = FloatingSymbol{1.0f, 2.0f, 3.0f, 0.2f, -0.1f, 0.3f, 0.0f};
    g_fSpeed = 2.0f;
    g_fAngle = 100.0f;
    ASSERT_TRUE(DrawFloatingSymbols());
    EXPECT_FLOAT_EQ(s.x, 1.0f + 0.15f * -0.1f * 2.0f);
    EXPECT_FLOAT_EQ(s.y, 2.0f + 0.15f * 0.3f * 2.0f);
    EXPECT_FLOAT_EQ(s.z, 3.0f + 0.15f * 0.2f * 2.0f);
    EXPECT_FLOAT_EQ(g_fAngle, 100.0f - 2.4f);
}

TEST_F(FloatingSymbolsTest, AngleWrapsEveryHalfMillionFrames)
{
    RunFirstFrameOnce();
    CalmAllSymbols();
    g_fSpeed = 0.0f;
    GetFloatingScene().nFrameCount = kAngleWrapFrames - 2;
    g_fAngle = -725.5f;
    ASSERT_TRUE(DrawFloatingSymbols());  // frame 499 999: no wrap yet
    EXPECT_EQ(g_fAngle, -725.5f);
    ASSERT_TRUE(DrawFloatingSymbols());  // frame 500 000
    EXPECT_EQ(g_fAngle, -5.0f);
    EXPECT_EQ(GetFloatingScene().nFrameCount, 0);
    g_fAngle = 725.9f;
    ASSERT_TRUE(DrawFloatingSymbols());  // the counter restarted: no wrap on the next frame
    EXPECT_EQ(g_fAngle, 725.9f);
    EXPECT_EQ(GetFloatingScene().nFrameCount, 1);
    GetFloatingScene().nFrameCount = kAngleWrapFrames - 1;
    g_fSpeed = 1.0f;
    ASSERT_TRUE(DrawFloatingSymbols());  // 725 mod 360, then the spin step
    EXPECT_FLOAT_EQ(g_fAngle, 5.0f - 1.2f);
}

TEST_F(FloatingSymbolsTest, PendingGlErrorFailsTheFrame)
{
    RunFirstFrameOnce();
    glEnable(0x7FFF);  // GL_INVALID_ENUM
    EXPECT_FALSE(DrawFloatingSymbols());
    EXPECT_TRUE(DrawFloatingSymbols());
}

TEST_F(FloatingSymbolsTest, FrameShowsGreenSymbolsOnBlack)
{
    RunFirstFrameOnce();
    // Every symbol well inside the box and spread across the view.
    for (int i = 0; i < kFloatingSymbolCount; ++i)
        GetFloatingScene().aSymbols[i] =
            FloatingSymbol{-14.0f + 4.0f * i, (i % 2) ? 4.0f : -4.0f, 0.0f, 0, 0, 0, 45.0f * i};
    g_fSpeed = 0.5f;
    ASSERT_TRUE(DrawFloatingSymbols());
    std::vector<unsigned char> pixels = ReadPixels();
    int nGreen = 0, nOther = 0;
    for (size_t k = 0; k < pixels.size(); k += 4) {
        int r = pixels[k], g = pixels[k + 1], b = pixels[k + 2];
        if (r == 0 && b == 0 && g > 40)
            ++nGreen;
        else if (r != 0 || b != 0)
            ++nOther;
    }
    EXPECT_GT(nGreen, 500);
    EXPECT_EQ(nOther, 0);
    EXPECT_EQ(pixels[0] + pixels[1] + pixels[2], 0);  // the corner stays black
}

}  // namespace
