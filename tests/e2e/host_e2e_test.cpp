// The real velthra.scr started with each switch under Wine: which window it
// opens, how it ends, and how mouse, keyboard and system commands act on it.
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

namespace {

const DWORD kExitFailed = 0xFFFFFFFFu;  // ExitProcess(-1)
const DWORD kStartMs = 15000;           // Wine may take a while to start a program

// The saver's window once it is shown, that is once its WM_CREATE has ended.
HWND WaitForSaver(vt::Process& saver)
{
    HWND hSaver = vt::WaitForWindow("WindowsScreenSaverClass", "Screen Saver", kStartMs, saver.Id());
    for (int i = 0; hSaver && i < 500 && !IsWindowVisible(hSaver); ++i)
        vt::PumpMessages(20);
    return hSaver;
}

// The settings dialog once it is shown and its initialisation (with the
// preview's OpenGL start) is over, so that it takes clicks.
HWND WaitForSettings(vt::Process& saver)
{
    HWND hDlg = vt::WaitForWindow("#32770", "Velthra Settings", kStartMs, saver.Id());
    if (hDlg)
        vt::WaitForWindowReady(hDlg, kStartMs);
    return hDlg;
}

// True when the process is still running after the given time.
bool StaysRunning(vt::Process& process, DWORD ms)
{
    return process.Wait(ms) == STILL_ACTIVE;
}

class SaverSwitches : public ::testing::TestWithParam<const char*> {};

TEST_P(SaverSwitches, OpenTheFullScreenWindow)
{
    vt::Process saver;
    ASSERT_TRUE(saver.StartSaver(GetParam()));
    HWND hSaver = WaitForSaver(saver);
    ASSERT_NE(hSaver, nullptr);
    DWORD_PTR dwResult;  // WS_VISIBLE is set once WM_CREATE (with the OpenGL start) is over
    SendMessageTimeoutA(hSaver, WM_NULL, 0, 0, SMTO_NORMAL, kStartMs, &dwResult);
    RECT rc;
    GetWindowRect(hSaver, &rc);
    EXPECT_EQ(rc.right - rc.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(rc.bottom - rc.top, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(GetWindowLongA(hSaver, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hSaver, GWL_STYLE)) & 0xFFFF0000u, 0x96000000u);
    PostMessageA(hSaver, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
}

INSTANTIATE_TEST_SUITE_P(Host, SaverSwitches,
                         ::testing::Values("/s", "/S", "-s", " /s", "/screensaver"));

TEST(Configure, EmptyLineOpensTheSettingsDialogWithoutOwner)
{
    vt::Process saver;
    ASSERT_TRUE(saver.StartSaver(""));
    HWND hDlg = WaitForSettings(saver);
    ASSERT_NE(hDlg, nullptr);
    EXPECT_EQ(GetWindow(hDlg, GW_OWNER), nullptr);
    SendMessageA(GetDlgItem(hDlg, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(saver.Wait(kStartMs), 1u);
}

TEST(Configure, UnterminatedQuotedProgramNameOpensTheSettingsDialog)
{
    vt::Process saver;
    std::string path = vt::SaverPath();
    ASSERT_TRUE(saver.Start("\"" + path + " /s", {}, path));
    HWND hDlg = WaitForSettings(saver);
    ASSERT_NE(hDlg, nullptr);
    EXPECT_EQ(GetWindow(hDlg, GW_OWNER), nullptr);
    EXPECT_EQ(vt::WaitForWindow("WindowsScreenSaverClass", nullptr, 0, saver.Id()), nullptr);
}

TEST(Configure, SwitchWithHandleOpensTheSettingsDialog)
{
    vt::Process saver;
    ASSERT_TRUE(saver.StartSaver("/c:4242"));
    EXPECT_NE(WaitForSettings(saver), nullptr);
}

class InvalidSwitches : public ::testing::TestWithParam<const char*> {};

TEST_P(InvalidSwitches, EndWithMinusOneAndNoWindow)
{
    vt::Process saver;
    ASSERT_TRUE(saver.StartSaver(GetParam()));
    EXPECT_EQ(saver.Wait(kStartMs), kExitFailed);
    EXPECT_EQ(vt::WaitForWindow(nullptr, nullptr, 0, saver.Id()), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Host, InvalidSwitches,
                         ::testing::Values("/p", "/p 0", "/p:4242", "/p 123456789012", "/l",
                                           "/x", "/1", "/\t", "/a 4242", "/\xd3"));

// A top-level window of the driver that hosts the preview and records the
// help requests that reach it.
struct PreviewHost {
    static WPARAM s_wHelpParam, s_wMenuParam;
    static int s_nHelpCount, s_nMenuCount;
    static DWORD s_dwHelpContextId;

    static LRESULT CALLBACK HostProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
    {
        if (uMsg == WM_HELP) {
            s_wHelpParam = wParam;
            s_dwHelpContextId = reinterpret_cast<HELPINFO*>(lParam)->dwContextId;
            ++s_nHelpCount;
            return 1;
        }
        if (uMsg == WM_CONTEXTMENU) {
            s_wMenuParam = wParam;
            ++s_nMenuCount;
            return 0;
        }
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }

    vt::PreviewParent window{HostProc, "VelthraPreviewHost"};
    HWND hWnd = window.Window();

    PreviewHost()
    {
        s_nHelpCount = s_nMenuCount = 0;
        s_wHelpParam = s_wMenuParam = 0;
        s_dwHelpContextId = 0;
    }
    std::string Handle() const { return window.Handle(); }
};
WPARAM PreviewHost::s_wHelpParam = 0;
WPARAM PreviewHost::s_wMenuParam = 0;
int PreviewHost::s_nHelpCount = 0;
int PreviewHost::s_nMenuCount = 0;
DWORD PreviewHost::s_dwHelpContextId = 0;

HWND WaitForPreviewChild(HWND hParent, DWORD timeoutMs)
{
    DWORD dwStart = GetTickCount();
    for (;;) {
        HWND hChild = FindWindowExA(hParent, nullptr, "WindowsScreenSaverClass", "Preview");
        if (hChild || GetTickCount() - dwStart >= timeoutMs)
            return hChild;
        vt::PumpMessages(50);
    }
}

class PreviewSwitches : public ::testing::TestWithParam<const char*> {};

TEST_P(PreviewSwitches, DrawInsideTheGivenWindowAndEndWithIt)
{
    PreviewHost host;
    ASSERT_NE(host.hWnd, nullptr);
    vt::Process saver;
    ASSERT_TRUE(saver.StartSaver(std::string(GetParam()) + " " + host.Handle()));
    HWND hPreview = WaitForPreviewChild(host.hWnd, kStartMs);
    ASSERT_NE(hPreview, nullptr);
    for (int i = 0; i < 100 && !IsWindowVisible(hPreview); ++i)
        vt::PumpMessages(20);
    RECT rcParent, rcPreview;
    GetClientRect(host.hWnd, &rcParent);
    GetClientRect(hPreview, &rcPreview);
    EXPECT_EQ(rcPreview.right, rcParent.right);
    EXPECT_EQ(rcPreview.bottom, rcParent.bottom);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hPreview, GWL_STYLE)) & 0xFFFF0000u, 0x52000000u);

    // As the Display control panel does when it closes: the preview goes with
    // its parent, and its process ends.
    DestroyWindow(host.hWnd);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
    EXPECT_FALSE(IsWindow(hPreview));
}

INSTANTIATE_TEST_SUITE_P(Host, PreviewSwitches, ::testing::Values("/p", "/l", "/P", "-l"));

TEST(Preview, HandleThatIsNotAWindowGivesMinusOne)
{
    PreviewHost host;
    std::string handle = host.Handle();
    DestroyWindow(host.hWnd);
    vt::Process saver;
    ASSERT_TRUE(saver.StartSaver("/p " + handle));
    EXPECT_EQ(saver.Wait(kStartMs), kExitFailed);
}

TEST(Preview, IgnoresMouseAndKeysAndForwardsHelpToItsParent)
{
    PreviewHost host;
    vt::Process saver;
    ASSERT_TRUE(saver.StartSaver("/p " + host.Handle()));
    HWND hPreview = WaitForPreviewChild(host.hWnd, kStartMs);
    ASSERT_NE(hPreview, nullptr);

    vt::MoveCursorTo(150, 150);
    vt::MoveCursorTo(350, 300);
    vt::MoveCursorTo(120, 130);
    PostMessageA(hPreview, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(hPreview, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageA(hPreview, WM_LBUTTONDOWN, 0, 0);
    vt::PumpMessages(800);
    EXPECT_TRUE(saver.IsRunning());
    EXPECT_TRUE(IsWindow(hPreview));

    HELPINFO info = {};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.hItemHandle = hPreview;
    info.dwContextId = 4711;
    DWORD_PTR dwResult = 0;
    SendMessageTimeoutA(hPreview, WM_HELP, 0, reinterpret_cast<LPARAM>(&info), SMTO_NORMAL, 5000,
                        &dwResult);
    PostMessageA(hPreview, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hPreview), MAKELPARAM(10, 10));
    for (int i = 0; i < 100 && PreviewHost::s_nMenuCount == 0; ++i)
        vt::PumpMessages(30);
    EXPECT_EQ(dwResult, 1u);
    EXPECT_EQ(PreviewHost::s_nHelpCount, 1);
    EXPECT_EQ(PreviewHost::s_wHelpParam, reinterpret_cast<WPARAM>(host.hWnd));
    EXPECT_EQ(PreviewHost::s_dwHelpContextId, 4711u);
    EXPECT_EQ(PreviewHost::s_nMenuCount, 1);
    EXPECT_EQ(PreviewHost::s_wMenuParam, reinterpret_cast<WPARAM>(host.hWnd));
}

class FullScreenInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        vt::MoveCursorTo(300, 300);
        ASSERT_TRUE(saver.StartSaver("/s"));
        hSaver = WaitForSaver(saver);
        ASSERT_NE(hSaver, nullptr);
        vt::PumpMessages(500);
    }
    vt::Process saver;
    HWND hSaver = nullptr;
};

TEST_F(FullScreenInput, MouseMoveOf100DoesNotCloseButOneMorePixelDoes)
{
    vt::MoveCursorTo(360, 340);  // 60 right, 40 down: exactly 100
    EXPECT_TRUE(StaysRunning(saver, 1000));
    vt::MoveCursorTo(361, 340);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
}

TEST_F(FullScreenInput, SlowDriftIsMeasuredFromTheReferencePoint)
{
    for (int x = 330; x <= 390; x += 30) {
        vt::MoveCursorTo(x, 300);
        EXPECT_TRUE(StaysRunning(saver, 300)) << "closed at x = " << x;
    }
    vt::MoveCursorTo(410, 300);  // 110 from the reference, 20 from the last position
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
}

TEST_F(FullScreenInput, ClickWithoutMovementDoesNotClose)
{
    vt::ClickLeft();
    PostMessageA(hSaver, WM_RBUTTONDOWN, 0, MAKELPARAM(300, 300));
    PostMessageA(hSaver, WM_MBUTTONDOWN, 0, MAKELPARAM(300, 300));
    EXPECT_TRUE(StaysRunning(saver, 1000));
}

TEST_F(FullScreenInput, AltF4Closes)
{
    SetForegroundWindow(hSaver);
    ASSERT_TRUE(vt::WaitUntil([&] { return GetForegroundWindow() == hSaver; }, kStartMs))
        << "foreground " << GetForegroundWindow() << ", saver " << hSaver;
    vt::PressKeyCombo(VK_MENU, VK_F4);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
}

TEST_F(FullScreenInput, ScreenSaveAndWindowSwitchCommandsAreSwallowed)
{
    PostMessageA(hSaver, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    PostMessageA(hSaver, WM_SYSCOMMAND, SC_NEXTWINDOW, 0);
    PostMessageA(hSaver, WM_SYSCOMMAND, SC_PREVWINDOW, 0);
    EXPECT_TRUE(StaysRunning(saver, 1000));
    EXPECT_TRUE(IsWindowVisible(hSaver));
    // Other system commands still reach the default handling.
    PostMessageA(hSaver, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
}

TEST_F(FullScreenInput, SecondSaverBringsTheFirstToTheFrontAndEnds)
{
    PreviewHost other;  // takes the foreground from the saver
    SetForegroundWindow(other.hWnd);
    ASSERT_TRUE(vt::WaitUntil([&] { return GetForegroundWindow() == other.hWnd; }, kStartMs))
        << "foreground " << GetForegroundWindow() << ", other " << other.hWnd;
    vt::Process second;
    ASSERT_TRUE(second.StartSaver("/s"));
    EXPECT_EQ(second.Wait(kStartMs), 0u);
    EXPECT_TRUE(saver.IsRunning());
    EXPECT_EQ(GetForegroundWindow(), hSaver);
}

}  // namespace
