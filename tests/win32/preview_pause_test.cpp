// The preview keeps drawing whatever the display and the session do: it runs
// in another program's window, which decides itself what to show.
#include "win32/render.h"

#include "win32/host.h"
#include "tests/support/saver_thread.h"
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

namespace {

using vt::SaverThread;

TEST(PreviewPause, ThePreviewDrawsOnWhileTheDisplayIsOffOrTheSessionLocked)
{
    HWND hParent = CreateWindowExA(0, "STATIC", "preview parent", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150,
                                   nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hParent, nullptr);
    SaverThread saver;
    ASSERT_TRUE(saver.Start(hParent));
    ASSERT_TRUE(g_bPreview);
    vt::SendDisplayState(g_hSaverWnd, 0);
    vt::SendSessionChange(g_hSaverWnd, vt::kSessionLock);
    EXPECT_TRUE(SaverThread::FrameDrawn());
    EXPECT_TRUE(SaverThread::FrameDrawn());
    DestroyWindow(hParent);
    EXPECT_EQ(saver.Wait(5000), 0u);
}

}  // namespace
