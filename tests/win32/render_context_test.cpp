// The OpenGL context on a real top-level window on Xvfb: the pixel format,
// the projection, the shared scene state read back from OpenGL, the light
// level, the teardown, and the failure path with its message box.
#include "win32/render.h"

#include "win32/pixel_format.h"
#include "scenes/scene_state.h"
#include "tests/support/render_window_test.h"
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cmath>
#include <thread>

namespace {

// gluPerspective's matrix entries for a 50 degree field of view.
double FocalFactor()
{
    return 1.0 / std::tan(25.0 * 3.14159265358979323846 / 180.0);
}

using RenderContext = RenderWindowTest;

TEST_F(RenderContext, CreatesACurrentContextWithTheSceneState)
{
    vt::MessageBoxWatcher watcher;
    ASSERT_TRUE(CreateRenderContext(m_hWnd, 32));
    EXPECT_EQ(wglGetCurrentContext(), g_hRenderRC);
    EXPECT_EQ(g_hRenderWnd, m_hWnd);
    EXPECT_NE(g_pQuadric, nullptr);

    for (GLenum e : {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_ALPHA_TEST, GL_LIGHTING, GL_LIGHT0})
        EXPECT_TRUE(glIsEnabled(e)) << std::hex << e;
    EXPECT_FALSE(glIsEnabled(GL_NORMALIZE));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    GLint n = 0;
    glGetIntegerv(GL_SHADE_MODEL, &n);
    EXPECT_EQ(n, GL_SMOOTH);
    glGetIntegerv(GL_DEPTH_FUNC, &n);
    EXPECT_EQ(n, GL_LEQUAL);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &n);
    EXPECT_EQ(n, GL_GREATER);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &n);
    EXPECT_EQ(n, GL_NICEST);
    GLfloat af[4] = {-1, -1, -1, -1};
    glGetFloatv(GL_ALPHA_TEST_REF, af);
    EXPECT_EQ(af[0], 0.0f);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, af);
    EXPECT_EQ(af[0] + af[1] + af[2] + af[3], 0.0f);
    GLfloat fDepth = 0;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &fDepth);
    EXPECT_EQ(fDepth, 1.0f);

    glGetLightfv(GL_LIGHT0, GL_AMBIENT, af);
    EXPECT_TRUE(af[0] == 0.5f && af[1] == 0.5f && af[2] == 0.5f && af[3] == 1.0f);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, af);
    EXPECT_TRUE(af[0] == 1.0f && af[1] == 1.0f && af[2] == 1.0f && af[3] == 1.0f);
    glGetLightfv(GL_LIGHT0, GL_POSITION, af);  // given with the identity modelview
    EXPECT_TRUE(af[0] == 0.0f && af[1] == 0.0f && af[2] == 1000.0f && af[3] == 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(watcher.Seen().empty());
}

TEST_F(RenderContext, ProjectionIsFiftyDegreesFromNearToFar)
{
    ASSERT_TRUE(CreateRenderContext(m_hWnd, 32));
    GLint anViewport[4];
    glGetIntegerv(GL_VIEWPORT, anViewport);
    EXPECT_EQ(anViewport[2], 320);
    EXPECT_EQ(anViewport[3], 240);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FLOAT_EQ(m[5], static_cast<float>(FocalFactor()));
    EXPECT_FLOAT_EQ(m[0], static_cast<float>(FocalFactor() / (320.0 / 240.0)));
    const double dNear = 0.10000000149011612, dFar = 80000.0;
    EXPECT_FLOAT_EQ(m[10], static_cast<float>((dFar + dNear) / (dNear - dFar)));
    EXPECT_FLOAT_EQ(m[14], static_cast<float>(2.0 * dFar * dNear / (dNear - dFar)));
    GLint nMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &nMode);
    EXPECT_EQ(nMode, GL_MODELVIEW);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_TRUE(m[0] == 1.0f && m[5] == 1.0f && m[10] == 1.0f && m[15] == 1.0f && m[12] == 0.0f);
}

TEST_F(RenderContext, HeightZeroUsesHeightOne)
{
    ASSERT_TRUE(CreateRenderContext(m_hWnd, 32));
    SetProjection(200, 0);
    GLint anViewport[4];
    glGetIntegerv(GL_VIEWPORT, anViewport);
    EXPECT_EQ(anViewport[2], 200);
    EXPECT_EQ(anViewport[3], 1);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_TRUE(std::isfinite(m[0]));
    EXPECT_FLOAT_EQ(m[0], static_cast<float>(FocalFactor() / 200.0));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderContext, LightLevelFollowsTheSymbolScale)
{
    ASSERT_TRUE(CreateRenderContext(m_hWnd, 32));
    GLfloat af[4];
    SetLightLevel(0.65f);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, af);
    EXPECT_FLOAT_EQ(af[0], 0.52f);
    EXPECT_EQ(af[0], static_cast<float>(0.8 * static_cast<double>(0.65f)));
    EXPECT_EQ(af[1], af[0]);
    EXPECT_EQ(af[3], 1.0f);
    glLoadIdentity();
    ScaleSymbol(0.25f);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, af);
    EXPECT_FLOAT_EQ(af[2], 0.2f);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_TRUE(m[0] == 0.25f && m[5] == 0.25f && m[10] == 0.25f && m[15] == 1.0f);
}

TEST_F(RenderContext, PicksTheBestScoringFormatOfTheDevice)
{
    HDC hDC = GetDC(m_hWnd);
    PIXELFORMATDESCRIPTOR pfd;
    int nFormats = DescribePixelFormat(hDC, 1, sizeof(pfd), &pfd);
    ASSERT_GT(nFormats, 0);
    PIXELFORMATDESCRIPTOR pfdSearch = {};
    pfdSearch.nSize = sizeof(pfdSearch);
    pfdSearch.nVersion = 1;
    pfdSearch.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfdSearch.cColorBits = 32;
    pfdSearch.cDepthBits = 24;
    const int nProposal = ChoosePixelFormat(hDC, &pfdSearch);
    int nChosen = SelectPixelFormat(hDC, 32);
    ASSERT_GT(nChosen, 0);
    DescribePixelFormat(hDC, nChosen, sizeof(pfd), &pfd);
    unsigned nBest = ScorePixelFormat(pfd, 32);
    EXPECT_GT(nBest, 0u);
    DescribePixelFormat(hDC, nProposal, sizeof(pfd), &pfd);
    const bool bProposalIsBest = ScorePixelFormat(pfd, 32) == nBest;
    // Among the best, the driver's proposal, else the highest index.
    for (int i = 1; i <= nFormats; ++i) {
        DescribePixelFormat(hDC, i, sizeof(pfd), &pfd);
        unsigned nScore = ScorePixelFormat(pfd, 32);
        EXPECT_TRUE(nScore < nBest || (nScore == nBest && (bProposalIsBest ? nChosen == nProposal : i <= nChosen)))
            << i;
    }
    // No format has 7 colour bits: ChoosePixelFormat's proposal stands.
    EXPECT_EQ(SelectPixelFormat(hDC, 7), nProposal);
    ReleaseDC(m_hWnd, hDC);

    ASSERT_TRUE(CreateRenderContext(m_hWnd, 32));
    EXPECT_EQ(GetPixelFormat(g_hRenderDC), nChosen);
    // Wine offers 16 and 24 bits: the window, drawn directly where no
    // offscreen buffer is used, gets 24, deep enough for the far symbols.
    GLint nDepthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &nDepthBits);
    EXPECT_EQ(nDepthBits, 24);
}

TEST_F(RenderContext, DestroyingTwiceShowsNoMessageBox)
{
    vt::MessageBoxWatcher watcher;
    ASSERT_TRUE(CreateRenderContext(m_hWnd, 32));
    DestroyRenderContext();
    EXPECT_EQ(g_hRenderRC, nullptr);
    EXPECT_EQ(g_hRenderDC, nullptr);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    DestroyRenderContext();
    vt::PumpMessages(300);
    EXPECT_TRUE(watcher.Seen().empty());
}

// A window that already has another pixel format cannot take ours: creation
// fails with its message box, and the teardown has run before the box shows.
TEST_F(RenderContext, FailedCreationTearsDownBeforeItsMessageBox)
{
    HDC hDC = GetDC(m_hWnd);
    int nOurs = SelectPixelFormat(hDC, 32);
    PIXELFORMATDESCRIPTOR pfd;
    int nFormats = DescribePixelFormat(hDC, 1, sizeof(pfd), &pfd);
    int nOther = 0;
    for (int i = 1; i <= nFormats && !nOther; ++i) {
        DescribePixelFormat(hDC, i, sizeof(pfd), &pfd);
        if (i != nOurs && (pfd.dwFlags & PFD_SUPPORT_OPENGL) && (pfd.dwFlags & PFD_DRAW_TO_WINDOW))
            nOther = i;
    }
    ASSERT_NE(nOther, 0);
    ASSERT_TRUE(SetPixelFormat(hDC, nOther, &pfd));
    ReleaseDC(m_hWnd, hDC);

    vt::MessageBoxInfo info;
    bool bFound = false, bDcGoneAtBox = false;
    std::thread watcher([&] {
        bFound = vt::WaitForMessageBox(&info, 15000, GetCurrentProcessId(), false);
        bDcGoneAtBox = g_hRenderDC == nullptr && g_hRenderRC == nullptr;
        vt::WaitForMessageBox(nullptr, 2000, GetCurrentProcessId(), true);
    });
    bool bCreated = CreateRenderContext(m_hWnd, 32);
    watcher.join();
    EXPECT_FALSE(bCreated);
    ASSERT_TRUE(bFound);
    EXPECT_EQ(info.caption, "ERROR");
    EXPECT_EQ(info.text, "Can't Set The PixelFormat.");
    EXPECT_TRUE(bDcGoneAtBox);
    EXPECT_EQ(g_hRenderDC, nullptr);
}

}  // namespace
