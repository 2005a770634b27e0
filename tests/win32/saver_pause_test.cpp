// The full-screen saver stops drawing while the display is off or the session
// is locked or disconnected, and goes on within a frame when it is back, with
// the same module and view. The real saver window runs in this process and
// gets the system's notification messages (with real POWERBROADCAST_SETTING
// blocks); the frames are watched through the frame loop and on the screen.
// One saver window per process, so this is one ordered scenario.
#include "win32/render.h"

#include "win32/host.h"
#include "scenes/module_table.h"
#include "tests/support/saver_thread.h"
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

namespace {

using vt::SaverThread;

// The screen changes while the symbols move. On a loaded machine a frame
// may take a while, so this waits for the change.
bool ScreenMoves()
{
    const vt::Screenshot first = vt::CaptureScreen();
    return vt::WaitUntil([&first] { return vt::CaptureScreen().pixels != first.pixels; }, 3000);
}

// Two pictures 300 ms apart are alike once no frame comes any more; a frame
// that was on its way when drawing stopped may still land first.
bool ScreenStill()
{
    return vt::WaitUntil([] {
        const vt::Screenshot first = vt::CaptureScreen();
        Sleep(300);
        return vt::CaptureScreen().pixels == first.pixels;
    }, 5000);
}

struct Pause {
    const char* pszName;
    void (*pfnAway)(HWND);
    void (*pfnBack)(HWND);
};

const Pause kPauses[] = {
    {"display off", [](HWND h) { vt::SendDisplayState(h, 0); }, [](HWND h) { vt::SendDisplayState(h, 1); }},
    {"monitor power off", [](HWND h) { vt::SendDisplayState(h, 0, true); },
     [](HWND h) { vt::SendDisplayState(h, 1, true); }},
    {"session lock", [](HWND h) { vt::SendSessionChange(h, vt::kSessionLock); },
     [](HWND h) { vt::SendSessionChange(h, vt::kSessionUnlock); }},
    {"console disconnect", [](HWND h) { vt::SendSessionChange(h, vt::kSessionConsoleDisconnect); },
     [](HWND h) { vt::SendSessionChange(h, vt::kSessionConsoleConnect); }},
    {"remote disconnect", [](HWND h) { vt::SendSessionChange(h, vt::kSessionRemoteDisconnect); },
     [](HWND h) { vt::SendSessionChange(h, vt::kSessionRemoteConnect); }},
};

TEST(SaverPause, FramesStopWhileAwayAndResumeWithTheSameModuleAndView)
{
    vt::DeleteVelthraKey();
    vt::WriteDword(vt::kVelthraKey, "cycle time", 60);
    SaverThread saver;
    ASSERT_TRUE(saver.Start(nullptr));
    const HWND hWnd = g_hSaverWnd;
    ASSERT_TRUE(SaverThread::FrameDrawn());
    EXPECT_TRUE(ScreenMoves());

    for (const Pause& pause : kPauses) {
        SCOPED_TRACE(pause.pszName);
        pause.pfnAway(hWnd);
        EXPECT_TRUE(SaverThread::FramesStopped());
        EXPECT_TRUE(ScreenStill());
        const int nModule = SaverThread::Read(g_nModule);
        const float fDepth = SaverThread::Read(g_fDepth);
        pause.pfnBack(hWnd);
        EXPECT_TRUE(SaverThread::FrameDrawn());
        EXPECT_EQ(SaverThread::Read(g_nModule), nModule);
        EXPECT_EQ(SaverThread::Read(g_fDepth), fDepth);
        EXPECT_TRUE(ScreenMoves());
    }

    // A dimmed display is still seen.
    vt::SendDisplayState(hWnd, 2);
    EXPECT_TRUE(SaverThread::FrameDrawn());
    vt::SendDisplayState(hWnd, 1);

    // Drawing needs the display on and the session present: back from one
    // while the other is still away stays paused.
    vt::SendDisplayState(hWnd, 0);
    vt::SendSessionChange(hWnd, vt::kSessionLock);
    EXPECT_TRUE(SaverThread::FramesStopped());
    vt::SendDisplayState(hWnd, 1);
    EXPECT_TRUE(SaverThread::FramesStopped());
    vt::SendSessionChange(hWnd, vt::kSessionUnlock);
    EXPECT_TRUE(SaverThread::FrameDrawn());

    // The paused time does not count toward the cycle time: right after a
    // change of module, a pause longer than the cycle time, then the module
    // that was shown comes back and keeps its time.
    g_nCycleTime = 2;
    const int nFirst = SaverThread::Read(g_nModule);
    ASSERT_TRUE(vt::WaitUntil([nFirst] { return SaverThread::Read(g_nModule) != nFirst; }, 5000));
    vt::SendDisplayState(hWnd, 0);
    EXPECT_TRUE(SaverThread::FramesStopped(2500));
    const int nShown = SaverThread::Read(g_nModule);
    vt::SendDisplayState(hWnd, 1);
    EXPECT_TRUE(SaverThread::FrameDrawn());
    EXPECT_EQ(SaverThread::Read(g_nModule), nShown);
    g_nCycleTime = 60;

    // Keys keep their meaning while paused: Page Up steers the view without
    // drawing, and the close rules hold: Esc ends the saver and the view is saved.
    vt::SendSessionChange(hWnd, vt::kSessionLock);
    EXPECT_TRUE(SaverThread::FramesStopped());
    const float fDepth = SaverThread::Read(g_fDepth);
    PostMessageA(hWnd, WM_KEYDOWN, VK_PRIOR, 0);
    EXPECT_TRUE(vt::WaitUntil([fDepth] { return SaverThread::Read(g_fDepth) != fDepth; }, 5000));
    EXPECT_TRUE(SaverThread::FramesStopped());
    vt::WriteDword(vt::kVelthraKey, "mod1 depth", 1);
    PostMessageA(hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(saver.Wait(5000), 0u);
    EXPECT_FALSE(IsWindow(hWnd));
    DWORD dwDepth = 0;
    EXPECT_TRUE(vt::ReadDword(vt::kVelthraKey, "mod1 depth", &dwDepth));
    EXPECT_NE(dwDepth, 1u);
    vt::DeleteVelthraKey();
}

}  // namespace
