// The real velthra.scr /s on two monitors: a primary of 1024x768 at (0,0) and
// a portrait monitor of 600x800 at (1024,0), given to Wine by the Xinerama
// double (scripts/wine-session.sh --monitors). Another program's window on the
// second monitor must vanish under a black cover that swallows clicks, input
// over it counts as on the primary, and with "all monitors" on both monitors
// show the scene, each drawn for its own aspect ratio.
#include "win32/host.h"
#include "win32/render.h"
#include "scenes/animation_snapshot.h"
#include "scenes/module_table.h"
#include "settings/settings_rules.h"
#include "tests/support/win_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

const DWORD kStartMs = 15000;
const RECT kPrimary = {0, 0, 1024, 768};
const RECT kSecond = {1024, 0, 1624, 800};
const RECT kOtherWindow = {1074, 50, 1574, 750};  // the other program's window
const char kCoverClass[] = "VelthraMonitorCover";

// The other program: a white window on the second monitor that counts clicks.
LONG g_nClicks = 0;

LRESULT CALLBACK OtherWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_LBUTTONDOWN || uMsg == WM_MOUSEACTIVATE)
        InterlockedIncrement(&g_nClicks);
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

HWND CreateOtherWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = OtherWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "OtherProgramWindow";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(0, wc.lpszClassName, "Mail", WS_POPUP | WS_VISIBLE,
                                kOtherWindow.left, kOtherWindow.top,
                                kOtherWindow.right - kOtherWindow.left,
                                kOtherWindow.bottom - kOtherWindow.top, nullptr, nullptr,
                                wc.hInstance, nullptr);
    UpdateWindow(hWnd);
    return hWnd;
}

// Waits until the screen meets the condition; the last screenshot is kept.
template <typename Condition>
bool WaitForScreen(vt::Screenshot* pShot, Condition condition, DWORD timeoutMs)
{
    DWORD dwStart = GetTickCount();
    for (;;) {
        *pShot = vt::CaptureScreen();
        if (condition(*pShot))
            return true;
        if (GetTickCount() - dwStart > timeoutMs)
            return false;
        vt::PumpMessages(100);
    }
}

// The earth of module 2 is a sphere in the middle of the monitor. Its height
// is read down the middle column; the chord a quarter of that height above
// the centre must be sqrt(3)/2 of it, and centred, when the monitor's own
// size and aspect are used.
struct EarthShape {
    double fRoundness;  // chord / (height x sqrt(3) / 2)
    int nOffCentre;     // pixels between the chord's middle and the monitor's
};

EarthShape MeasureEarth(const vt::Screenshot& shot, const RECT& rc)
{
    auto lit = [&](int x, int y) {
        DWORD px = shot.At(x, y);
        return (px & 0xFF) > 24 || ((px >> 8) & 0xFF) > 24 || ((px >> 16) & 0xFF) > 24;
    };
    const int cx = (rc.left + rc.right) / 2, cy = (rc.top + rc.bottom) / 2;
    int top = cy, bottom = cy;
    while (top > rc.top && lit(cx, top - 1))
        --top;
    while (bottom < rc.bottom - 1 && lit(cx, bottom + 1))
        ++bottom;
    const int height = bottom - top + 1;
    const int y = cy - height / 4;
    int left = cx, right = cx;
    while (left > rc.left && lit(left - 1, y))
        --left;
    while (right < rc.right - 1 && lit(right + 1, y))
        ++right;
    return {static_cast<double>(right - left + 1) / (height * std::sqrt(3.0) / 2.0),
            std::abs((left + right) / 2 - cx)};
}

std::string ArtifactPath(const char* pszName)
{
    return vt::ProgramDir() + "\\" + pszName;
}

class TwoMonitors : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2) << "the session must give two monitors";
        vt::DeleteVelthraKey();
        g_nClicks = 0;
    }
    void TearDown() override
    {
        saver.Kill();
        vt::DeleteVelthraKey();
    }
    // Starts the saver with the cursor at the given point (its reference).
    void StartSaver(int xCursor, int yCursor)
    {
        vt::MoveCursorTo(xCursor, yCursor);
        ASSERT_TRUE(saver.StartSaver("/s"));
        hSaver = vt::WaitForWindow("WindowsScreenSaverClass", "Screen Saver", kStartMs, saver.Id());
        ASSERT_NE(hSaver, nullptr);
        hCover = vt::WaitForWindow(kCoverClass, nullptr, kStartMs, saver.Id());
        ASSERT_NE(hCover, nullptr);
    }
    // Only module 2 (the earth) takes part.
    void ShowOnlyEarth(bool bAllMonitors)
    {
        vt::WriteDword(vt::kVelthraKey, "mod1 depth", 4000);
        vt::WriteDword(vt::kVelthraKey, "mod1 active", 0);
        vt::WriteDword(vt::kVelthraKey, "mod3 active", 0);
        vt::WriteDword(vt::kVelthraKey, "all monitors", bAllMonitors ? 1 : 0);
    }
    vt::Process saver;
    HWND hSaver = nullptr;
    HWND hCover = nullptr;
};

// One run of the saver with the option off: the cover, clicks, a layout
// change, and at last a mouse move made on the second monitor.
TEST_F(TwoMonitors, SecondMonitorIsCoveredInBlackAndCountsForInput)
{
    HWND hOther = CreateOtherWindow();
    vt::Screenshot shot;
    ASSERT_TRUE(WaitForScreen(&shot, [](const vt::Screenshot& s) {
        return vt::LitShare(s, kOtherWindow) > 0.99;
    }, kStartMs)) << "the other program's window shows before the saver starts";

    StartSaver(1300, 400);
    RECT rcCover;
    ASSERT_TRUE(GetWindowRect(hCover, &rcCover));
    EXPECT_TRUE(EqualRect(&rcCover, &kSecond));
    RECT rcSaver;
    ASSERT_TRUE(GetWindowRect(hSaver, &rcSaver));
    EXPECT_TRUE(EqualRect(&rcSaver, &kPrimary));
    // The saver takes the foreground once its covers exist.
    for (int i = 0; i < 50 && GetForegroundWindow() != hSaver; ++i)
        vt::PumpMessages(100);
    EXPECT_EQ(GetForegroundWindow(), hSaver);

    EXPECT_TRUE(WaitForScreen(&shot, [](const vt::Screenshot& s) {
        return vt::LitShare(s, kPrimary) > 0.002 && vt::LitShare(s, kSecond) == 0.0;
    }, kStartMs)) << "primary " << vt::LitShare(shot, kPrimary) << ", second "
                  << vt::LitShare(shot, kSecond);
    vt::SaveBitmap(shot, ArtifactPath("two-monitors.bmp"));

    // A click on the black monitor reaches nothing and takes no focus.
    g_nClicks = 0;
    vt::ClickLeft();
    vt::PumpMessages(300);
    EXPECT_EQ(g_nClicks, 0);
    EXPECT_EQ(GetForegroundWindow(), hSaver);
    // The cursor over the black monitor is the saver thread's: none.
    CURSORINFO ci = {};
    ci.cbSize = sizeof(ci);
    ASSERT_TRUE(GetCursorInfo(&ci));
    EXPECT_EQ(ci.hCursor, nullptr);
    EXPECT_EQ(saver.Wait(0), static_cast<DWORD>(STILL_ACTIVE));

    // A layout change, announced twice in a row: the monitor stays covered.
    for (int i = 0; i < 2; ++i) {
        DWORD_PTR dwResult;
        SendMessageTimeoutA(hSaver, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768), SMTO_NORMAL,
                            kStartMs, &dwResult);
    }
    EXPECT_FALSE(IsWindow(hCover)) << "the old cover is replaced";
    hCover = vt::WaitForWindow(kCoverClass, nullptr, kStartMs, saver.Id());
    ASSERT_NE(hCover, nullptr);
    ASSERT_TRUE(GetWindowRect(hCover, &rcCover));
    EXPECT_TRUE(EqualRect(&rcCover, &kSecond));
    EXPECT_TRUE(WaitForScreen(&shot, [](const vt::Screenshot& s) {
        return vt::LitShare(s, kPrimary) > 0.002 && vt::LitShare(s, kSecond) == 0.0;
    }, kStartMs));

    // 80 pixels from the reference do not end it; 102 do, with exit code 0.
    vt::MoveCursorTo(1340, 440);
    vt::PumpMessages(500);
    EXPECT_EQ(saver.Wait(0), static_cast<DWORD>(STILL_ACTIVE));
    vt::MoveCursorTo(1351, 451);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
    EXPECT_FALSE(IsWindow(hCover));
    DestroyWindow(hOther);
}

// With "all monitors" on, both monitors show the earth, round on each.
TEST_F(TwoMonitors, AllMonitorsDrawsTheSceneForEachMonitorsShape)
{
    ShowOnlyEarth(true);
    StartSaver(500, 400);
    vt::Screenshot shot;
    EXPECT_TRUE(WaitForScreen(&shot, [](const vt::Screenshot& s) {
        return vt::LitShare(s, kPrimary) > 0.1 && vt::LitShare(s, kSecond) > 0.1;
    }, kStartMs)) << "primary " << vt::LitShare(shot, kPrimary) << ", second "
                  << vt::LitShare(shot, kSecond);
    vt::SaveBitmap(shot, ArtifactPath("two-monitors-all.bmp"));
    for (const RECT& rc : {kPrimary, kSecond}) {
        const EarthShape earth = MeasureEarth(shot, rc);
        EXPECT_NEAR(earth.fRoundness, 1.0, 0.12) << rc.left;
        EXPECT_LE(earth.nOffCentre, 12) << rc.left;
    }

    // Keys reach the saver as on one monitor: Esc ends it.
    vt::PressKey(VK_ESCAPE);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
    DWORD dw = 0;
    EXPECT_TRUE(vt::ReadDword(vt::kVelthraKey, "all monitors", &dw));
    EXPECT_EQ(dw, 1u);
}

// In this process: a frame with "all monitors" on draws the cover and the
// primary from one snapshot, so the animation takes one step, not two, and
// the context is left on the primary window with its own viewport.
void ExpectSameAnimation(const AnimationSnapshot& a, const AnimationSnapshot& b, int nModule)
{
    EXPECT_EQ(a.fAngle, b.fAngle) << nModule;
    EXPECT_EQ(a.nRandomState, b.nRandomState) << nModule;
    EXPECT_EQ(a.floating.nFrameCount, b.floating.nFrameCount) << nModule;
    for (int i = 0; i < kFloatingSymbolCount; ++i) {
        const FloatingSymbol &s = a.floating.aSymbols[i], &t = b.floating.aSymbols[i];
        EXPECT_TRUE(s.x == t.x && s.y == t.y && s.z == t.z && s.vx == t.vx && s.vy == t.vy &&
                    s.vz == t.vz) << nModule << " symbol " << i;
    }
    EXPECT_EQ(a.ring.leap.bFlipping, b.ring.leap.bFlipping) << nModule;
    EXPECT_EQ(a.ring.leap.fFlipAngle, b.ring.leap.fFlipAngle) << nModule;
    EXPECT_EQ(a.ring.leap.fPauseTimer, b.ring.leap.fPauseTimer) << nModule;
    EXPECT_EQ(a.ring.leap.nGroupBase, b.ring.leap.nGroupBase) << nModule;
}

TEST(AllMonitorsFrame, CoversAndPrimaryShowOneAnimationStep)
{
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
    g_hModuleInstance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = g_hModuleInstance;
    wc.lpszClassName = "PrimaryStandIn";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0,
                                1024, 768, nullptr, nullptr, g_hModuleInstance, nullptr);
    ASSERT_NE(hWnd, nullptr);
    CoverOtherMonitors(hWnd);
    ASSERT_EQ(CountMonitorCovers(), 1);
    _putenv("VELTHRA_SAMPLES=4");  // each monitor through an offscreen buffer of its own size
    ASSERT_TRUE(CreateRenderContext(hWnd, 32));
    _putenv("VELTHRA_SAMPLES=");
    g_SaverState.bRunningAsSaver = true;
    g_bAllMonitors = true;
    g_fSpeed = 1.0f;
    for (int nModule = 1; nModule <= 3; ++nModule) {
        g_Modules[nModule].active = true;
        g_nModule = nModule;
        ASSERT_TRUE(DrawCurrentModule());  // the first frame's work
        // A symbol outside its box and a leap due: this frame draws random numbers.
        GetFloatingScene().aSymbols[0].x = 1000.0f;
        GetRingScene().leap = {false, 0.0f, 99.0f, 0};
        AnimationSnapshot before, oneStep, allMonitors;
        SaveAnimation(&before);
        ASSERT_TRUE(DrawCurrentModule());
        SaveAnimation(&oneStep);
        RestoreAnimation(before);
        DrawOnMonitorCovers(hWnd);
        const OffscreenBuffer& coverBuffer = FindCoverBuffer(GetMonitorCover(0));
        EXPECT_NE(coverBuffer.nFramebuffer, 0u) << nModule;
        EXPECT_EQ(coverBuffer.nWidth, 600) << nModule;
        EXPECT_EQ(coverBuffer.nHeight, 800) << nModule;
        EXPECT_EQ(wglGetCurrentDC(), g_hRenderDC) << nModule;
        GLint aViewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, aViewport);
        EXPECT_EQ(aViewport[2], 1024) << nModule;
        EXPECT_EQ(aViewport[3], 768) << nModule;
        ASSERT_TRUE(DrawCurrentModule());
        SaveAnimation(&allMonitors);
        ExpectSameAnimation(oneStep, allMonitors, nModule);
    }
    DestroyRenderContext();
    DestroyWindow(hWnd);
    EXPECT_EQ(GetMonitorCover(0), nullptr) << "the covers go with their owner";
    DestroyMonitorCovers();
}

}  // namespace
