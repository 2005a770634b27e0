// Frame messages that the runtime did not post itself draw nothing. Without an
// OpenGL context (start-up failed: this program carries no pictures) a stray
// WM_RENDER_FRAME must neither draw, nor swap a null device context, nor start
// a frame chain: in the saver window's runtime and in the settings dialog.
#include "win32/render.h"

#include "win32/host.h"
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

namespace {

void PostStrayFrame(HWND hWnd)
{
    PostMessageA(hWnd, WM_RENDER_FRAME, static_cast<WPARAM>(-1), static_cast<LPARAM>(-1));
}

bool FrameMessageWaiting(HWND hWnd)
{
    MSG msg;
    return PeekMessageA(&msg, hWnd, WM_RENDER_FRAME, WM_RENDER_FRAME, PM_NOREMOVE) != FALSE;
}

LRESULT CALLBACK RuntimeTestProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_DESTROY)
        return 0;
    return RenderRuntimeProc(hWnd, uMsg, wParam, lParam);
}

// Plays the user of the settings dialog from a second thread: posts stray
// frame messages to the dialog, notes whether a frame ran, then cancels.
DWORD WINAPI DriveSettingsDialog(void* pParam)
{
    auto* pbFrameRan = static_cast<bool*>(pParam);
    HWND hDlg = vt::WaitForWindow("#32770", "Velthra Settings", 10000, GetCurrentProcessId());
    if (!hDlg)
        return 1;
    for (int i = 0; i < 3; ++i)
        PostStrayFrame(hDlg);
    Sleep(300);  // the strays are handled at once; nothing may follow them
    *pbFrameRan = *static_cast<volatile DWORD*>(&g_SaverState.dwLastFrameTick) != 0;
    PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

TEST(FrameGuard, StrayFrameMessagesWithoutAContextDrawNothing)
{
    vt::DeleteVelthraKey();
    vt::MessageBoxWatcher watcher;  // the start-up failure's message boxes
    g_hModuleInstance = GetModuleHandleA(nullptr);
    GetCursorPos(&g_ptCursorRef);

    // The saver window's runtime.
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = RuntimeTestProc;
    wc.hInstance = g_hModuleInstance;
    wc.lpszClassName = "VelthraFrameGuardTest";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hWnd = CreateWindowExA(0, wc.lpszClassName, "frame guard", WS_POPUP | WS_VISIBLE, 0, 0, 160, 120,
                                nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hWnd, nullptr);
    ASSERT_EQ(g_hRenderRC, nullptr);
    EXPECT_FALSE(FrameMessageWaiting(hWnd));
    PostStrayFrame(hWnd);
    vt::PumpMessages(300);
    EXPECT_EQ(g_SaverState.dwLastFrameTick, 0u);
    EXPECT_FALSE(FrameMessageWaiting(hWnd));
    DestroyWindow(hWnd);

    // The settings dialog's frame handler.
    bool bFrameRan = true;
    HANDLE hDriver = CreateThread(nullptr, 0, DriveSettingsDialog, &bFrameRan, 0, nullptr);
    EXPECT_EQ(RunConfigure(nullptr), 1);
    EXPECT_EQ(WaitForSingleObject(hDriver, 10000), WAIT_OBJECT_0);
    CloseHandle(hDriver);
    EXPECT_FALSE(bFrameRan);
    EXPECT_EQ(g_SaverState.dwLastFrameTick, 0u);
    EXPECT_GE(watcher.Seen().size(), 2u);  // "Initialization Failed." each time
    vt::DeleteVelthraKey();
}

}  // namespace
