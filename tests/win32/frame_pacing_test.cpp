// The real frame loop (DrawFrame on a real context) against a model of
// Windows where Wine differs: waits end on the 15.625 ms timer tick unless
// the process raised its timer resolution or waits on a high-resolution
// timer, and a swap with interval n returns at the display's refresh. The
// model's clock moves only by waits, swaps and 3 ms of drawing per swap, so
// the result does not depend on the machine's load. A pause halfway must give
// the raised timer period back.
#include "win32/render.h"

#include "win32/host.h"
#include "scenes/module_table.h"
#include "settings/settings_rules.h"
#include "tests/support/gl_test_context.h"
#include "tests/support/import_hook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

const double kTickMs = 15.625;
const double kDrawMs = 3.0;
const WPARAM kSessionLock = 7, kSessionUnlock = 8;  // WTS_SESSION_LOCK, WTS_SESSION_UNLOCK
HANDLE const kModelTimer = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x7E570));

struct Display {
    const char* pszName;
    int nReportedHz;     // what EnumDisplaySettings says
    int nRefreshHz;      // what the display does
    bool bVblank;        // swaps wait for the refresh (false: vsync off, remote, Wine)
    bool bSwapControl;   // WGL_EXT_swap_control
    bool bHighResTimer;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
    bool bSecondMonitor; // "all monitors" with a cover
    bool bCoverFails;    // the cover's pixel format cannot be set
};

struct Model {
    Display display;
    double dNowMs = 1000.0;
    double dResolutionMs = kTickMs;
    int nPeriodsRaised = 0;
    int nSwapInterval = 1;  // drivers' default
    bool bTimerHighRes = false;
    double dTimerDueMs = 0;
    long long llLastRefresh = 0;
    std::vector<double> presents;    // the render window's swaps
    int nCoverSwaps = 0, nWaitingCoverSwaps = 0, nCoverFormatTries = 0;
} g_m;

double RoundUpToTick(double dMs)
{
    return std::ceil(dMs / g_m.dResolutionMs - 1e-9) * g_m.dResolutionMs;
}

// The stand-ins for the system's functions.
BOOL WINAPI ModelQpf(LARGE_INTEGER* p) { p->QuadPart = 10000000; return TRUE; }
BOOL WINAPI ModelQpc(LARGE_INTEGER* p) { p->QuadPart = static_cast<LONGLONG>(g_m.dNowMs * 10000.0); return TRUE; }
void WINAPI ModelSleep(DWORD dwMs)
{
    if (dwMs > 0)
        g_m.dNowMs = RoundUpToTick(g_m.dNowMs + dwMs);
}
HANDLE WINAPI ModelCreateTimer(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD dwFlags, DWORD)
{
    if ((dwFlags & 2) && !g_m.display.bHighResTimer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    g_m.bTimerHighRes = (dwFlags & 2) != 0;
    return kModelTimer;
}
// The hooks whose stand-ins pass some calls on to the system come first.
enum PassingHook { kSetTimer, kWait, kClose, kSwap, kSetFormat, kEnumSettings, kWglProc };
std::vector<std::unique_ptr<vt::ImportHook>> g_hooks;
template <typename Fn>
Fn Original(PassingHook hook, Fn)
{
    return g_hooks[hook]->Original<Fn>();
}
BOOL WINAPI ModelSetTimer(HANDLE h, const LARGE_INTEGER* pDue, LONG l, PTIMERAPCROUTINE r, LPVOID p, BOOL b)
{
    if (h != kModelTimer)
        return Original(kSetTimer, &SetWaitableTimer)(h, pDue, l, r, p, b);
    const double dDue = g_m.dNowMs - pDue->QuadPart / 10000.0;
    g_m.dTimerDueMs = g_m.bTimerHighRes ? dDue : RoundUpToTick(dDue);
    return TRUE;
}
DWORD WINAPI ModelWait(HANDLE h, DWORD dwMs)
{
    if (h != kModelTimer)
        return Original(kWait, &WaitForSingleObject)(h, dwMs);
    g_m.dNowMs = std::max(g_m.dNowMs, g_m.dTimerDueMs);
    return WAIT_OBJECT_0;
}
BOOL WINAPI ModelClose(HANDLE h)
{
    return h == kModelTimer ? TRUE : Original(kClose, &CloseHandle)(h);
}
UINT WINAPI ModelTimeBeginPeriod(UINT) { ++g_m.nPeriodsRaised; g_m.dResolutionMs = 1.0; return 0; }
UINT WINAPI ModelTimeEndPeriod(UINT) { if (--g_m.nPeriodsRaised == 0) g_m.dResolutionMs = kTickMs; return 0; }
BOOL WINAPI ModelSwapInterval(int n) { g_m.nSwapInterval = n; return TRUE; }
PROC WINAPI ModelWglProc(LPCSTR pszName)
{
    if (lstrcmpA(pszName, "wglSwapIntervalEXT") == 0)
        return g_m.display.bSwapControl ? reinterpret_cast<PROC>(reinterpret_cast<void*>(&ModelSwapInterval)) : nullptr;
    return Original(kWglProc, &wglGetProcAddress)(pszName);
}
BOOL WINAPI ModelEnumSettings(LPCSTR pszDevice, DWORD dwMode, DEVMODEA* pdm)
{
    BOOL bOk = Original(kEnumSettings, &EnumDisplaySettingsA)(pszDevice, dwMode, pdm);
    pdm->dmDisplayFrequency = static_cast<DWORD>(g_m.display.nReportedHz);
    return bOk;
}
BOOL WINAPI ModelSwap(HDC hDC)
{
    Original(kSwap, &SwapBuffers)(hDC);
    g_m.dNowMs += kDrawMs;
    const bool bWaits = g_m.display.bVblank && g_m.nSwapInterval > 0;
    if (bWaits) {
        const double dRefreshMs = 1000.0 / g_m.display.nRefreshHz;
        const long long llRefresh = std::max(g_m.llLastRefresh + g_m.nSwapInterval,
                                             static_cast<long long>(std::ceil(g_m.dNowMs / dRefreshMs - 1e-9)));
        g_m.llLastRefresh = llRefresh;
        g_m.dNowMs = llRefresh * dRefreshMs;
    }
    if (hDC == g_hRenderDC) {
        g_m.presents.push_back(g_m.dNowMs);
    } else {
        ++g_m.nCoverSwaps;
        g_m.nWaitingCoverSwaps += bWaits;
    }
    return TRUE;
}
BOOL WINAPI ModelSetFormat(HDC hDC, int nFormat, const PIXELFORMATDESCRIPTOR* pfd)
{
    if (g_hRenderRC && hDC != g_hRenderDC) {
        ++g_m.nCoverFormatTries;
        if (g_m.display.bCoverFails)
            return FALSE;
    }
    return Original(kSetFormat, &SetPixelFormat)(hDC, nFormat, pfd);
}
// Two monitors side by side: the test window's and one to its right.
BOOL WINAPI ModelEnumMonitors(HDC, LPCRECT, MONITORENUMPROC pfnProc, LPARAM lParam)
{
    RECT ar[2] = {{0, 0, 64, 48}, {64, 0, 128, 48}};
    for (RECT& rc : ar)
        pfnProc(nullptr, nullptr, &rc, lParam);
    return TRUE;
}

#define HOOK(dll, name, stand_in) {dll, name, reinterpret_cast<void*>(&stand_in)}
const struct {
    const char* pszDll;
    const char* pszName;
    void* pStandIn;
} kHooks[] = {  // in the order of PassingHook first
    HOOK("KERNEL32.dll", "SetWaitableTimer", ModelSetTimer),   HOOK("KERNEL32.dll", "WaitForSingleObject", ModelWait),
    HOOK("KERNEL32.dll", "CloseHandle", ModelClose),           HOOK("GDI32.dll", "SwapBuffers", ModelSwap),
    HOOK("GDI32.dll", "SetPixelFormat", ModelSetFormat),       HOOK("USER32.dll", "EnumDisplaySettingsA", ModelEnumSettings),
    HOOK("OPENGL32.dll", "wglGetProcAddress", ModelWglProc),   HOOK("KERNEL32.dll", "QueryPerformanceFrequency", ModelQpf),
    HOOK("KERNEL32.dll", "QueryPerformanceCounter", ModelQpc), HOOK("KERNEL32.dll", "Sleep", ModelSleep),
    HOOK("KERNEL32.dll", "CreateWaitableTimerExW", ModelCreateTimer), HOOK("USER32.dll", "EnumDisplayMonitors", ModelEnumMonitors),
};
#undef HOOK

const Display kDisplays[] = {
    {"60 Hz", 60, 60, true, true, true, false, false},
    {"144 Hz", 144, 144, true, true, true, false, false},
    {"hardware default reported", 1, 60, true, true, true, false, false},
    {"all monitors", 60, 60, true, true, true, true, false},
    {"all monitors, cover on another adapter", 60, 60, true, true, true, true, true},
    {"no vertical blank", 60, 60, false, true, true, false, false},
    {"no vertical blank, no high-resolution timer", 60, 60, false, false, false, false, false},
};

TEST(FramePacing, FramesLastWholeRefreshesOrPreciseWaitsOnWindowsTimers)
{
    g_hModuleInstance = GetModuleHandleA(nullptr);  // the cover class is registered with it
    HWND hWnd = CreateGlTestWindow(64, 48, true);
    ASSERT_TRUE(hWnd);
    vt::ProcAddressHook::Entry aProcs[] = {{"timeBeginPeriod", reinterpret_cast<void*>(&ModelTimeBeginPeriod)},
                                           {"timeEndPeriod", reinterpret_cast<void*>(&ModelTimeEndPeriod)}};
    vt::ProcAddressHook procs(aProcs, 2);
    for (const auto& hook : kHooks) {
        g_hooks.push_back(std::make_unique<vt::ImportHook>(hook.pszDll, hook.pszName, hook.pStandIn));
        EXPECT_TRUE(g_hooks.back()->Installed()) << hook.pszName;
    }

    for (const Display& display : kDisplays) {
        SCOPED_TRACE(display.pszName);
        g_m = Model();
        g_m.display = display;
        ResetModuleTable();
        g_nModule = 1;
        ApplyModuleView(1);
        g_nCycleTime = 1000;
        g_SaverState.bRunningAsSaver = true;
        g_bAllMonitors = display.bSecondMonitor;
        ASSERT_TRUE(CreateRenderContext(hWnd, 32));
        EXPECT_EQ(g_m.nPeriodsRaised, display.bHighResTimer ? 0 : 1);
        if (display.bSecondMonitor)
            CoverOtherMonitors(hWnd);
        const int nFrames = 90;
        for (int i = 0; i < nFrames / 2; ++i)
            DrawFrame(hWnd);
        // Halfway the session is locked and unlocked: while the chain stands
        // the raised period is given back, and it is raised again to draw.
        StartPauseWatch(hWnd);
        OnPauseMessage(hWnd, WM_WTSSESSION_CHANGE, kSessionLock, 0);
        EXPECT_TRUE(StopFramesWhileAway());
        EXPECT_EQ(g_m.nPeriodsRaised, 0) << "raised while paused";
        OnPauseMessage(hWnd, WM_WTSSESSION_CHANGE, kSessionUnlock, 0);
        EXPECT_EQ(g_m.nPeriodsRaised, display.bHighResTimer ? 0 : 1) << "after the pause";
        OnPauseMessage(hWnd, WM_DESTROY, 0, 0);
        for (int i = nFrames / 2; i < nFrames; ++i)
            DrawFrame(hWnd);
        DestroyMonitorCovers();
        DestroyRenderContext();
        EXPECT_EQ(g_m.nPeriodsRaised, 0);  // the period is given back

        std::vector<double> intervals;
        for (size_t i = 2; i < g_m.presents.size(); ++i)
            intervals.push_back(g_m.presents[i] - g_m.presents[i - 1]);
        ASSERT_EQ(intervals.size(), static_cast<size_t>(nFrames - 2));
        const double dMin = *std::min_element(intervals.begin(), intervals.end());
        const double dRefreshMs = 1000.0 / display.nRefreshHz;
        const double dFrameMs = display.bVblank ? std::ceil(33.0 / dRefreshMs) * dRefreshMs : 33.0;
        const double dSlackMs = display.bVblank ? 0.01 : 1.0;
        const auto nOnRhythm = std::count_if(intervals.begin(), intervals.end(), [&](double d) {
            return d >= dFrameMs - 0.01 && d <= dFrameMs + dSlackMs;
        });
        std::sort(intervals.begin(), intervals.end());
        EXPECT_GE(nOnRhythm, static_cast<long>(intervals.size() * 95 / 100))
            << "median " << intervals[intervals.size() / 2] << " ms, expected " << dFrameMs << " ms";
        EXPECT_GE(dMin, 33.0 - 1e-6);
        if (display.bSecondMonitor) {
            EXPECT_EQ(g_m.nWaitingCoverSwaps, 0);
            EXPECT_EQ(g_m.nCoverSwaps, display.bCoverFails ? 0 : nFrames);
            EXPECT_EQ(g_m.nCoverFormatTries, 1);
        }
    }
    g_bAllMonitors = false;
    g_hooks.clear();
    DestroyWindow(hWnd);
}

}  // namespace
