// DrawFrame on a real context: module cycling as the saver and not in the
// settings dialog, the view kept by the module it leaves, and the pacing.
#include "win32/render.h"

#include "scenes/module_table.h"
#include "tests/support/gl_test_context.h"
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

namespace {

class DrawFrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_hWnd = CreateGlTestWindow(256, 192, true);
        s_bContext = s_hWnd && CreateRenderContext(s_hWnd, 32);
    }
    static void TearDownTestSuite()
    {
        DestroyRenderContext();
        DestroyWindow(s_hWnd);
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_bContext);
        ResetModuleTable();
        g_nModule = 1;
        ApplyModuleView(1);
        g_SaverState.bRunningAsSaver = true;
        g_SaverState.bQuitRequested = false;
    }
    static HWND s_hWnd;
    static bool s_bContext;
};
HWND DrawFrameTest::s_hWnd = nullptr;
bool DrawFrameTest::s_bContext = false;

TEST_F(DrawFrameTest, CycleTimeZeroChangesModuleEveryFrameAndKeepsTheView)
{
    g_nCycleTime = 0;
    g_SaverState.dwLastSwitchTick = GetTickCount() - 1;
    g_fDepth = 77.0f;
    g_fAngle = 10.0f;
    DrawFrame(s_hWnd);
    EXPECT_EQ(g_nModule, 2);
    EXPECT_EQ(g_Modules[1].depth, 77.0f);
    EXPECT_EQ(g_fDepth, 22.8f);
    EXPECT_EQ(g_fAngle, 0.0f + g_fSpeed);  // reset by the change, then one frame of module 2
    g_SaverState.dwLastSwitchTick -= 1;
    DrawFrame(s_hWnd);
    g_SaverState.dwLastSwitchTick -= 1;
    DrawFrame(s_hWnd);
    EXPECT_EQ(g_nModule, 1);
    EXPECT_EQ(g_fDepth, 77.0f);  // the view left in module 1 comes back
}

TEST_F(DrawFrameTest, ChangesOnlyAfterTheCycleTime)
{
    g_nCycleTime = 30;
    g_SaverState.dwLastSwitchTick = GetTickCount();
    DrawFrame(s_hWnd);
    EXPECT_EQ(g_nModule, 1);
    g_SaverState.dwLastSwitchTick = GetTickCount() - 30500;
    DrawFrame(s_hWnd);
    EXPECT_EQ(g_nModule, 2);
    EXPECT_LT(GetTickCount() - g_SaverState.dwLastSwitchTick, 1000u);  // the interval restarts
}

TEST_F(DrawFrameTest, OneActiveModuleOrTheSettingsDialogNeverChanges)
{
    g_nCycleTime = 0;
    g_Modules[1].active = false;
    g_Modules[3].active = false;
    g_nModule = 2;
    for (int i = 0; i < 3; ++i) {
        g_SaverState.dwLastSwitchTick = GetTickCount() - 5000;
        DrawFrame(s_hWnd);
    }
    EXPECT_EQ(g_nModule, 2);

    ResetModuleTable();
    g_nModule = 1;
    g_SaverState.bRunningAsSaver = false;
    g_SaverState.dwLastSwitchTick = GetTickCount() - 5000;
    DrawFrame(s_hWnd);
    EXPECT_EQ(g_nModule, 1);
}

// Clears the back buffer to a colour; after a swap the front buffer shows it.
void ClearBackTo(float fRed, float fGreen)
{
    glDrawBuffer(GL_BACK);
    glClearColor(fRed, fGreen, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

// What the screen shows inside the window once it shows the colour expected,
// or after a few seconds when it does not.
DWORD FrontPixelOnceItIs(DWORD dwExpected)
{
    DWORD dwSeen = 0;
    vt::WaitUntil([&] { return (dwSeen = vt::CaptureScreen().At(10, 10) & 0xFFFFFFu) == dwExpected; }, 5000);
    return dwSeen;
}

TEST_F(DrawFrameTest, SwapsWithoutActiveModuleButNotAfterAQuitRequest)
{
    g_Modules[1].active = g_Modules[2].active = g_Modules[3].active = false;
    g_nModule = 0;
    ClearBackTo(1.0f, 0.0f);
    DrawFrame(s_hWnd);
    EXPECT_EQ(FrontPixelOnceItIs(0xFF0000u), 0xFF0000u);
    EXPECT_EQ(g_nModule, 0);

    g_SaverState.bQuitRequested = true;
    ClearBackTo(0.0f, 1.0f);
    DrawFrame(s_hWnd);
    vt::PumpMessages(100);  // nothing to wait for: a swap would have shown the green by now
    EXPECT_EQ(vt::CaptureScreen().At(10, 10) & 0xFFFFFFu, 0xFF0000u);
    g_SaverState.bQuitRequested = false;
    DrawFrame(s_hWnd);
    EXPECT_EQ(FrontPixelOnceItIs(0x00FF00u), 0x00FF00u);
}

// A preview control resized for a new scale: the next frame fills it.
TEST_F(DrawFrameTest, TheViewportFollowsTheWindowOnTheNextFrame)
{
    const int anSizes[][2] = {{320, 200}, {256, 192}};
    for (const auto& size : anSizes) {
        SetWindowPos(s_hWnd, nullptr, 0, 0, size[0], size[1], SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        DrawFrame(s_hWnd);
        GLint anViewport[4];
        glGetIntegerv(GL_VIEWPORT, anViewport);
        EXPECT_EQ(anViewport[2], size[0]);
        EXPECT_EQ(anViewport[3], size[1]);
    }
}

TEST_F(DrawFrameTest, FramesAreAtLeast33MsApart)
{
    g_nCycleTime = 1000;
    g_SaverState.dwLastSwitchTick = GetTickCount();
    LARGE_INTEGER liFreq, liStart, liEnd;
    QueryPerformanceFrequency(&liFreq);
    QueryPerformanceCounter(&liStart);  // before the first of ten pacing points
    for (int i = 0; i < 10; ++i)
        DrawFrame(s_hWnd);
    QueryPerformanceCounter(&liEnd);
    double dMs = (liEnd.QuadPart - liStart.QuadPart) * 1000.0 / liFreq.QuadPart;
    // Pacing points are whole milliseconds, so each period is more than 32 ms.
    EXPECT_GE(dMs, 9 * 32.0);
}

}  // namespace
