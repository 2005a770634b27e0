// RenderRuntimeProc on a real window of its own, through one run: start on a
// fresh registry, the re-entrancy guard, frames, Esc taken out of the queue,
// the close handling that stores the steered view, and a second WM_CLOSE.
// The run flags never reset within a process, so this is one ordered scenario.
#include "win32/render.h"

#include "win32/host.h"
#include "scenes/module_table.h"
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

namespace {

LRESULT CALLBACK TestWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_DESTROY)
        return 0;  // the host would post WM_QUIT; the test pumps on its own
    return RenderRuntimeProc(hWnd, uMsg, wParam, lParam);
}

int Stored(const char* pszName)
{
    DWORD dw = 0xDEADBEEF;
    EXPECT_TRUE(vt::ReadDword(vt::kVelthraKey, pszName, &dw)) << pszName;
    return static_cast<int>(dw);
}

TEST(RenderRuntime, OneRunFromCreateToClose)
{
    vt::DeleteVelthraKey();
    GetCursorPos(&g_ptCursorRef);  // no close request from the mouse threshold
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = TestWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VelthraRuntimeTest";
    ASSERT_NE(RegisterClassA(&wc), 0);
    RECT rcDesktop;
    GetClientRect(GetDesktopWindow(), &rcDesktop);
    HWND hWnd = CreateWindowExA(0, wc.lpszClassName, "runtime test", WS_POPUP | WS_VISIBLE, 0, 0,
                                rcDesktop.right, 120, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hWnd, nullptr);

    // WM_CREATE: settings loaded and written, context made, first frame posted.
    EXPECT_TRUE(g_SaverState.bRunningAsSaver);
    EXPECT_TRUE(g_SaverState.bCoversDesktop);
    EXPECT_EQ(vt::CountValues(vt::kVelthraKey), 26);
    EXPECT_NE(g_hRenderRC, nullptr);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, hWnd, WM_RENDER_FRAME, WM_RENDER_FRAME, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(-1));
    EXPECT_EQ(msg.lParam, static_cast<LPARAM>(-1));

    // A nested frame message does nothing while a frame runs.
    g_SaverState.bInFrame = true;
    DWORD dwFrameTick = g_SaverState.dwLastFrameTick;
    SendMessageA(hWnd, WM_RENDER_FRAME, static_cast<WPARAM>(-1), static_cast<LPARAM>(-1));
    EXPECT_EQ(g_SaverState.dwLastFrameTick, dwFrameTick);
    g_SaverState.bInFrame = false;

    EXPECT_TRUE(vt::WaitUntil([&] { return g_SaverState.dwLastFrameTick != dwFrameTick; }, 10000))
        << "no frame after the one at " << dwFrameTick;
    EXPECT_FALSE(g_SaverState.bQuitRequested);

    // Esc is taken out of the queue by the frame handler; the close it posts
    // stores the steered view of the current module and writes the settings.
    EXPECT_EQ(g_nModule, 1);
    g_fDepth = 55.5f;
    PostMessageA(hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return !IsWindow(hWnd); }, 10000));
    EXPECT_TRUE(g_SaverState.bQuitRequested);
    EXPECT_TRUE(g_SaverState.bClosing);
    EXPECT_EQ(g_hRenderRC, nullptr);
    EXPECT_EQ(g_hRenderDC, nullptr);
    EXPECT_EQ(g_Modules[1].depth, 55.5f);
    EXPECT_EQ(Stored("mod1 depth"), 5550);

    // A second close (after a refused password) writes nothing again.
    vt::WriteDword(vt::kVelthraKey, "mod1 depth", 1);
    RenderRuntimeProc(hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(Stored("mod1 depth"), 1);
    vt::DeleteVelthraKey();
}

}  // namespace
