// The steering keys on the real velthra.scr under Wine, pressed as a user
// would (SendInput): the depth a run stores, the keys that end the saver and
// those that do not, the "Params" box, the control menu with the cursor, the
// preview that ignores keys, what module 1 puts on the screen, and the end of
// the session while a modal window is open.
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

const DWORD kStartMs = 15000;

bool StaysRunning(vt::Process& process, DWORD ms)
{
    return process.Wait(ms) == STILL_ACTIVE;
}

// Waits for the exit while serving the messages that a child window in
// another process sends to its parent here (it could not close otherwise).
DWORD WaitPumping(vt::Process& process, DWORD ms)
{
    DWORD dwStart = GetTickCount();
    DWORD dwCode;
    while ((dwCode = process.Wait(0)) == STILL_ACTIVE && GetTickCount() - dwStart < ms)
        vt::PumpMessages(50);
    return dwCode;
}

DWORD ReadModuleValue(const char* pszName)
{
    DWORD dwValue = 0xDEADBEEF;
    vt::ReadDword(vt::kVelthraKey, pszName, &dwValue);
    return dwValue;
}

// A full-screen saver on first-run settings (module 1 current), in the foreground.
class SaverKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        vt::DeleteVelthraKey();
        vt::MoveCursorTo(300, 300);
        ASSERT_TRUE(saver.StartSaver("/s"));
        hSaver = vt::WaitForWindow("WindowsScreenSaverClass", "Screen Saver", kStartMs, saver.Id());
        ASSERT_NE(hSaver, nullptr);
        DWORD_PTR dwResult;  // answered once WM_CREATE (with the OpenGL start) is over
        SendMessageTimeoutA(hSaver, WM_NULL, 0, 0, SMTO_NORMAL, kStartMs, &dwResult);
        // Typed keys go to the foreground window.
        for (int i = 0; i < 50 && GetForegroundWindow() != hSaver; ++i) {
            SetForegroundWindow(hSaver);
            vt::PumpMessages(100);
        }
        ASSERT_EQ(GetForegroundWindow(), hSaver);
        vt::PumpMessages(1000);
    }
    void TearDown() override
    {
        if (saver.IsRunning())
            saver.Kill();
    }
    // Esc ends the run; the settings are written on the way out.
    void EndWithEscape()
    {
        vt::PressKey(VK_ESCAPE);
        EXPECT_EQ(saver.Wait(kStartMs), 0u);
    }

    vt::Process saver;
    HWND hSaver = nullptr;
};

TEST_F(SaverKeys, PageUpThreeTimesThenEscapeStoresTheDepth)
{
    for (int i = 0; i < 3; ++i)
        vt::PressKey(VK_PRIOR, true);
    EndWithEscape();
    // 40 + 0.3 + 0.3 + 0.3 in single precision is 40.8999977, stored x 100 truncated.
    EXPECT_EQ(ReadModuleValue("mod1 depth"), 4089u);
    EXPECT_EQ(ReadModuleValue("mod1 horz"), 0u);
}

TEST_F(SaverKeys, ArrowsAndRotationsAreStoredWithTheModule)
{
    vt::PressKey(VK_RIGHT, true);
    vt::PressKey(VK_UP, true);
    vt::PressKey(VK_UP, true);
    vt::PressKey(VK_F3);
    vt::PressKey(VK_F7);
    EndWithEscape();
    EXPECT_EQ(ReadModuleValue("mod1 horz"), 10u);
    EXPECT_EQ(ReadModuleValue("mod1 vert"), 20u);
    EXPECT_EQ(ReadModuleValue("mod1 xrot"), 150u);
    EXPECT_EQ(ReadModuleValue("mod1 zrot"), static_cast<DWORD>(-150));
    EXPECT_EQ(ReadModuleValue("mod1 depth"), 4000u);
}

class EndingKeys : public SaverKeys, public ::testing::WithParamInterface<WORD> {};

TEST_P(EndingKeys, EndTheSaver)
{
    vt::PressKey(GetParam());
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
    EXPECT_EQ(ReadModuleValue("mod1 depth"), 4000u);
}

INSTANTIATE_TEST_SUITE_P(Keys, EndingKeys, ::testing::Values(VK_SPACE, 'A', VK_F12, VK_TAB));

TEST_F(SaverKeys, F10DoesNotEndTheSaver)
{
    vt::PressKey(VK_F10);
    EXPECT_TRUE(StaysRunning(saver, 1500));
    EndWithEscape();
}

TEST_F(SaverKeys, F11ShowsTheParams)
{
    vt::PressKey(VK_PRIOR, true);
    vt::PressKey(VK_F11);
    vt::MessageBoxInfo info;
    ASSERT_TRUE(vt::WaitForMessageBox(&info, kStartMs, saver.Id()));
    EXPECT_EQ(info.caption, "Params");
    vt::PumpMessages(300);
    EndWithEscape();
    // The box showed the live view that the run then stored; every value here is
    // exact at two decimals except the depth.
    char szExpected[512];
    std::snprintf(szExpected, sizeof(szExpected),
                  "g_fDepth 40.299999\ng_fHorz  0.000000\ng_fVert  0.000000\ng_fXrot  0.000000\n"
                  "g_fYrot  0.000000\ng_fZrot  0.000000\ng_fSpeed %f\n",
                  static_cast<int>(ReadModuleValue("mod1 speed")) / 100.0);
    EXPECT_EQ(info.text, szExpected);
    EXPECT_EQ(ReadModuleValue("mod1 depth"), 4029u);
}

bool CursorShowing()
{
    CURSORINFO ci = {};
    ci.cbSize = sizeof(ci);
    GetCursorInfo(&ci);
    return (ci.flags & CURSOR_SHOWING) != 0 && ci.hCursor != nullptr;
}

TEST_F(SaverKeys, F1ShowsTheControlMenuWithTheCursor)
{
    EXPECT_FALSE(CursorShowing());
    vt::PressKey(VK_F1);
    HWND hMenu = vt::WaitForWindow("#32770", "Control Menu", kStartMs, saver.Id());
    ASSERT_NE(hMenu, nullptr);
    RECT rcMenu, rcClip;
    EXPECT_TRUE(vt::WaitForClipOn(hMenu, kStartMs, &rcClip, &rcMenu))
        << "clip " << vt::RectText(rcClip) << ", menu " << vt::RectText(rcMenu);
    // The menu is centred on the desktop.
    EXPECT_EQ(rcMenu.left, (GetSystemMetrics(SM_CXSCREEN) - (rcMenu.right - rcMenu.left)) / 2);
    // Moving the mouse over the menu shows the cursor and does not end the saver,
    // however far the cursor now is from where the saver started.
    vt::MoveCursorTo((rcMenu.left + rcMenu.right) / 2, (rcMenu.top + rcMenu.bottom) / 2);
    vt::MoveCursorTo((rcMenu.left + rcMenu.right) / 2 + 5, (rcMenu.top + rcMenu.bottom) / 2);
    EXPECT_TRUE(vt::WaitUntil(CursorShowing, kStartMs));
    vt::MoveCursorTo(0, 0);  // held inside the menu
    POINT pt;
    GetCursorPos(&pt);
    EXPECT_EQ(pt.x, rcMenu.left);
    EXPECT_EQ(pt.y, rcMenu.top);
    vt::PressKey(VK_F1);      // goes to the menu, which has no use for it
    vt::PressKey(VK_RETURN);  // the OK button
    ASSERT_TRUE(vt::WaitForWindowGone(hMenu, kStartMs));
    EXPECT_TRUE(StaysRunning(saver, 1000));
    GetClipCursor(&rcClip);
    EXPECT_EQ(rcClip.right - rcClip.left, GetSystemMetrics(SM_CXSCREEN));
    EndWithEscape();
    EXPECT_EQ(ReadModuleValue("mod1 depth"), 4000u);
}

TEST_F(SaverKeys, ModuleOneShowsGreenSymbolsOnBlack)
{
    struct Counts {
        int nGreen = 0, nBlack = 0, nOther = 0;
    } counts;
    vt::Screenshot shot;
    auto countColours = [&counts, &shot] {
        shot = vt::CaptureScreen();
        counts = Counts();
        for (DWORD px : shot.pixels) {
            int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
            if (px == 0)
                ++counts.nBlack;
            else if (g > 30 && r < g / 4 && b < g / 4)
                ++counts.nGreen;
            else if (r > 8 || b > 8)
                ++counts.nOther;
        }
        return counts.nGreen > 1000;
    };
    // The first frames may take a while on a loaded machine.
    vt::WaitUntil(countColours, 10000);
    ASSERT_GT(shot.nWidth, 0);
    vt::SaveBitmap(shot, vt::ProgramDir() + "\\keys_e2e_module1.bmp");
    const int nPixels = shot.nWidth * shot.nHeight;
    EXPECT_GT(counts.nBlack, nPixels / 2);
    EXPECT_GT(counts.nGreen, 1000);
    EXPECT_EQ(counts.nOther, 0);
    EndWithEscape();
}

// The session ends (sign-out, or the Restart Manager closing the program for
// an upgrade) while a modal window runs inside a frame: the answer is yes, a
// session that goes on after all changes nothing, and when it does end the
// modal window is cancelled, the steered view stored and the run ends with 0.
struct SessionEnd {
    LPARAM lFlags;
    WORD wModalKey;
    const char* pszModal;
};
class SessionEndWithModal : public SaverKeys, public ::testing::WithParamInterface<SessionEnd> {};

TEST_P(SessionEndWithModal, StoresTheSteeredViewAndEndsWithoutAsking)
{
    for (int i = 0; i < 3; ++i)
        vt::PressKey(VK_PRIOR, true);
    vt::PressKey(GetParam().wModalKey);
    HWND hModal = vt::WaitForWindow("#32770", GetParam().pszModal, kStartMs, saver.Id());
    ASSERT_NE(hModal, nullptr);
    EXPECT_EQ(vt::SendSessionEnd(hSaver, GetParam().lFlags, false), TRUE);
    EXPECT_TRUE(StaysRunning(saver, 500));  // another program kept the session
    EXPECT_EQ(vt::SendSessionEnd(hSaver, GetParam().lFlags), TRUE);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
    EXPECT_EQ(ReadModuleValue("mod1 depth"), 4089u);
    RECT rcClip;  // the control menu let the cursor go
    GetClipCursor(&rcClip);
    EXPECT_EQ(rcClip.right - rcClip.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
}

INSTANTIATE_TEST_SUITE_P(Session, SessionEndWithModal,
                         ::testing::Values(SessionEnd{ENDSESSION_LOGOFF, VK_F1, "Control Menu"},
                                           SessionEnd{ENDSESSION_CLOSEAPP, VK_F11, "Params"}));

// Keyboard focus cannot be moved into another program's child window, so the
// key messages are posted into the preview's queue, where its frame handler
// takes them out exactly as it does typed keys.
TEST(PreviewKeys, DoNothing)
{
    vt::DeleteVelthraKey();
    vt::PreviewParent parent;
    vt::Process saver;
    const std::string handle = parent.Handle();
    ASSERT_TRUE(saver.StartSaver("/p " + handle));
    HWND hPreview = nullptr;
    for (int i = 0; i < 300 && !hPreview; ++i) {
        vt::PumpMessages(50);
        hPreview = FindWindowExA(parent.Window(), nullptr, "WindowsScreenSaverClass", "Preview");
    }
    ASSERT_NE(hPreview, nullptr);
    vt::PumpMessages(1000);
    const WPARAM awKeys[] = {VK_PRIOR, VK_PRIOR, VK_RIGHT, VK_F3, VK_F9, VK_RETURN, VK_ESCAPE,
                             VK_SPACE, 'A'};
    for (WPARAM wKey : awKeys) {
        PostMessageA(hPreview, WM_KEYDOWN, wKey, 1);
        PostMessageA(hPreview, WM_KEYUP, wKey, 0xC0000001);
    }
    PostMessageA(hPreview, WM_KEYDOWN, VK_F11, 1);
    PostMessageA(hPreview, WM_KEYDOWN, VK_F1, 1);
    EXPECT_EQ(WaitPumping(saver, 1500), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(vt::WaitForWindow("#32770", nullptr, 0, saver.Id()), nullptr);
    // Closing stores the live view: it is still module 1's first-run view.
    PostMessageA(hPreview, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitPumping(saver, kStartMs), 0u);
    EXPECT_EQ(ReadModuleValue("mod1 depth"), 4000u);
    EXPECT_EQ(ReadModuleValue("mod1 horz"), 0u);
    EXPECT_EQ(ReadModuleValue("mod1 xrot"), 0u);
}

// The system asks top-level windows only; a preview, another program's child,
// takes the end of the session through a hidden window of its own.
TEST(PreviewSession, EndsThroughItsHiddenTopLevelWindow)
{
    vt::PreviewParent parent;
    vt::Process saver;
    ASSERT_TRUE(saver.StartSaver("/p " + parent.Handle()));
    HWND hWatch = vt::WaitForWindow("VelthraSessionWatch", nullptr, kStartMs, saver.Id());
    ASSERT_NE(hWatch, nullptr);
    EXPECT_FALSE(IsWindowVisible(hWatch));
    EXPECT_EQ(GetParent(hWatch), nullptr);
    vt::PumpMessages(500);
    EXPECT_EQ(vt::SendSessionEnd(hWatch, ENDSESSION_CLOSEAPP), TRUE);
    EXPECT_EQ(WaitPumping(saver, kStartMs), 0u);
    EXPECT_EQ(FindWindowExA(parent.Window(), nullptr, "WindowsScreenSaverClass", "Preview"), nullptr);
}

}  // namespace
