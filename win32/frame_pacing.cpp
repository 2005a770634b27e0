// Frame pacing on the display's rhythm. Each frame stays on screen for the
// fewest whole refreshes that last at least 33 ms, by the swap interval of
// WGL_EXT_swap_control. Where the swap does not wait for the display (no
// extension, vsync forced off, a remote session, no vertical blank), a
// precise wait keeps pacing points 33 ms apart: a high-resolution waitable
// timer, or else a 1 ms system timer period while the context draws (the
// period raises the whole system's timer rate, so a paused saver gives it back).
// A plain Sleep would end only on the default 15.6 ms timer tick and turn
// 30 frames a second into about 20, unevenly.
#include "win32/render.h"

#include "win32/host.h"
#include "render/pacing.h"

typedef BOOL(WINAPI* SwapIntervalFn)(int);
typedef UINT(WINAPI* TimePeriodFn)(UINT);

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, from Windows 10 version 1803 on.
const DWORD kHighResolutionTimer = 0x00000002;
const UINT kTimerPeriodMs = 1;

static struct {
    SwapIntervalFn pfnSwapInterval;  // null without WGL_EXT_swap_control
    int nRefreshes;                  // swap interval of the render window
    HANDLE hTimer;                   // high-resolution waitable timer, or null
    HMODULE hWinmm;                  // loaded while the timer period is the way to wait
    TimePeriodFn pfnTimeBeginPeriod;
    TimePeriodFn pfnTimeEndPeriod;
    bool bPeriodRaised;
    int64_t llLastPointUs;           // pacing clock at the last pacing point
} g_Pacing;

// Microseconds on the performance counter; the tick count where it fails.
static int64_t ReadPacingClockUs()
{
    LARGE_INTEGER liFrequency, liNow;
    if (!QueryPerformanceFrequency(&liFrequency) || !QueryPerformanceCounter(&liNow) ||
        liFrequency.QuadPart <= 0)
        return static_cast<int64_t>(GetTickCount64()) * 1000;
    const LONGLONG nFreq = liFrequency.QuadPart;
    return liNow.QuadPart / nFreq * 1000000 + liNow.QuadPart % nFreq * 1000000 / nFreq;
}

// The refresh rate of the window's monitor in hertz; 0 when unknown.
static int ReadRefreshHz(HWND hWnd)
{
    MONITORINFOEXA mi;
    ZeroMemory(&mi, sizeof(mi));
    mi.cbSize = sizeof(mi);
    if (!GetMonitorInfoA(MonitorFromWindow(hWnd, MONITOR_DEFAULTTOPRIMARY), &mi))
        return 0;
    DEVMODEA dm;
    ZeroMemory(&dm, sizeof(dm));
    dm.dmSize = sizeof(dm);
    if (!EnumDisplaySettingsA(mi.szDevice, ENUM_CURRENT_SETTINGS, &dm))
        return 0;
    return static_cast<int>(dm.dmDisplayFrequency);
}

static SwapIntervalFn FindSwapInterval()
{
    return reinterpret_cast<SwapIntervalFn>(LookUpWglProc("wglSwapIntervalEXT"));
}

void SetFrameSwapInterval(bool bWaitForDisplay)
{
    if (g_Pacing.pfnSwapInterval)
        g_Pacing.pfnSwapInterval(bWaitForDisplay ? g_Pacing.nRefreshes : 0);
}

void UpdateFrameRhythm(HWND hWnd)
{
    g_Pacing.nRefreshes = RefreshesPerFrame(ReadRefreshHz(hWnd));
    SetFrameSwapInterval(true);
}

static void RaiseTimerPeriod()
{
    if (g_Pacing.hWinmm && !g_Pacing.bPeriodRaised)
        g_Pacing.bPeriodRaised = g_Pacing.pfnTimeBeginPeriod(kTimerPeriodMs) == 0;  // TIMERR_NOERROR
}

static void LowerTimerPeriod()
{
    if (g_Pacing.bPeriodRaised)
        g_Pacing.pfnTimeEndPeriod(kTimerPeriodMs);
    g_Pacing.bPeriodRaised = false;
}

// The high-resolution timer, else the raised system timer period.
static void StartPreciseWaits()
{
    g_Pacing.hTimer = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
    if (g_Pacing.hTimer)
        return;
    HMODULE hWinmm = LoadLibraryA("WINMM.DLL");
    g_Pacing.pfnTimeBeginPeriod = LoadProc<TimePeriodFn>(hWinmm, "timeBeginPeriod");
    g_Pacing.pfnTimeEndPeriod = LoadProc<TimePeriodFn>(hWinmm, "timeEndPeriod");
    if (g_Pacing.pfnTimeBeginPeriod && g_Pacing.pfnTimeEndPeriod) {
        g_Pacing.hWinmm = hWinmm;
        RaiseTimerPeriod();
    }
    if (!g_Pacing.bPeriodRaised && hWinmm) {
        g_Pacing.hWinmm = nullptr;
        FreeLibrary(hWinmm);
    }
}

// Nothing is drawn while paused: the raised period goes back to the system
// until drawing resumes. The waitable timer costs nothing while unused.
void HoldFramePacing(bool bPaused)
{
    if (bPaused)
        LowerTimerPeriod();
    else
        RaiseTimerPeriod();
}

void StartFramePacing(HWND hWnd)
{
    StopFramePacing();
    g_Pacing.pfnSwapInterval = FindSwapInterval();
    UpdateFrameRhythm(hWnd);
    StartPreciseWaits();
}

void StopFramePacing()
{
    g_Pacing.pfnSwapInterval = nullptr;
    if (g_Pacing.hTimer) {
        CloseHandle(g_Pacing.hTimer);
        g_Pacing.hTimer = nullptr;
    }
    if (g_Pacing.hWinmm) {
        LowerTimerPeriod();
        FreeLibrary(g_Pacing.hWinmm);
        g_Pacing.hWinmm = nullptr;
    }
}

static void WaitPrecisely(int64_t llUs)
{
    LARGE_INTEGER liDue;
    liDue.QuadPart = -llUs * 10;  // relative, in 100 ns units
    if (g_Pacing.hTimer && SetWaitableTimer(g_Pacing.hTimer, &liDue, 0, nullptr, nullptr, FALSE) &&
        WaitForSingleObject(g_Pacing.hTimer, INFINITE) == WAIT_OBJECT_0)
        return;
    Sleep(static_cast<DWORD>((llUs + 999) / 1000));
}

void PaceFrame()
{
    const int64_t llWait = PacingWaitUs(g_Pacing.llLastPointUs, ReadPacingClockUs());
    if (llWait > 0)
        WaitPrecisely(llWait);
    g_Pacing.llLastPointUs = ReadPacingClockUs();
    g_SaverState.dwLastFrameTick = static_cast<DWORD>(g_Pacing.llLastPointUs / 1000);
}
