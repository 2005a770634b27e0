// The X11 frame loop: events and X errors, then the shared frame step, then a
// sleep to the next frame's deadline on the monotonic clock (the swap
// interval, set for the monitor under the window, keeps frames on the
// display's refreshes; where the rate is unknown the deadline alone paces).
// SIGTERM and SIGINT interrupt the sleep, so the loop ends within one frame.
// Keys steer only in our own window; in a given one they belong to its owner.
#include "x11/host.h"

#include <X11/Xutil.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "render/frame_step.h"
#include "render/pacing.h"
#include "scenes/module_table.h"
#include "x11/key_map.h"

bool g_bViewsChanged = false;

static volatile sig_atomic_t g_nStopSignal = 0;

static void OnStopSignal(int nSignal)
{
    g_nStopSignal = nSignal;
}

bool IsStopRequested()
{
    return g_nStopSignal != 0;
}

// Without SA_RESTART, so that the signal also ends the frame's sleep.
void CatchStopSignals()
{
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

static int64_t ReadMonotonicNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

static int64_t ReadCpuNs()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Sleeps until the deadline; false when a stop signal came first.
static bool SleepUntil(int64_t nDeadlineNs)
{
    timespec deadline = {static_cast<time_t>(nDeadlineNs / 1000000000), static_cast<long>(nDeadlineNs % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
        if (g_nStopSignal)
            return false;
    }
    return true;
}

// True when the key ends the program.
static bool OnKey(XKeyEvent& event, uint32_t* pdwLastSwitchTick, uint32_t dwNow)
{
    // The keysym for the event's state: NumLock turns KP_Up into KP_8.
    KeySym nKey = NoSymbol;
    char achText[8];
    XLookupString(&event, achText, sizeof(achText), &nKey, nullptr);
    if (IsQuitKeysym(nKey))
        return true;
    const int nVirtualKey = VirtualKeyOfKeysym(nKey);
    if (nVirtualKey < 0)
        return false;
    switch (ApplyKeyToView(nVirtualKey)) {
    case kKeyQuit:
        return true;
    case kKeyPreviousModule:
    case kKeyNextModule:
        *pdwLastSwitchTick = dwNow;
        g_bViewsChanged = true;
        return false;
    case kKeySteered:
    case kKeyRestoreView:
        g_bViewsChanged = true;
        return false;
    case kKeyParams: {
        char szText[kParamsBufferSize];
        LiveView view{g_fDepth, g_fHorz, g_fVert, g_fXrot, g_fYrot, g_fZrot, g_fSpeed};
        FormatParams(szText, sizeof(szText), view);
        std::printf("%s\n", szText);
        std::fflush(stdout);
        return false;
    }
    default:
        return false;
    }
}

static bool g_bReportRhythm = false;  // --fps: the swap interval on stderr too

static void ReportFrameRhythm()
{
    if (g_nSwapInterval > 0)
        std::fprintf(stderr, "velthra: %d Hz, %d refreshes per frame\n", g_nRefreshHz, g_nSwapInterval);
    else
        std::fprintf(stderr, "velthra: refresh rate unknown, frames paced by the clock\n");
}

// The window may now be on a monitor with another refresh rate.
static void OnDrawWindowMoved(Window hWindow)
{
    if (hWindow == g_hDrawWindow && UpdateFrameRhythm() && g_bReportRhythm)
        ReportFrameRhythm();
}

// Takes every pending event; true when one of them ends the program.
static bool TakeEvents(uint32_t* pdwLastSwitchTick, uint32_t dwNow)
{
    while (XPending(g_pDisplay)) {
        XEvent event;
        XNextEvent(g_pDisplay, &event);
        switch (event.type) {
        case ConfigureNotify:
            if (event.xconfigure.window == g_hDrawWindow &&
                (event.xconfigure.width != g_nWindowWidth || event.xconfigure.height != g_nWindowHeight)) {
                g_nWindowWidth = event.xconfigure.width;
                g_nWindowHeight = event.xconfigure.height;
                SetProjection(g_nWindowWidth, g_nWindowHeight);
            }
            OnDrawWindowMoved(event.xconfigure.window);
            break;
        case MapNotify:
            if (g_bOwnWindow && event.xmap.window == g_hDrawWindow)
                AskForFocus();
            break;
        case KeyPress:
            if (g_bOwnWindow && OnKey(event.xkey, pdwLastSwitchTick, dwNow))
                return true;
            break;
        case ClientMessage:
            if (g_bOwnWindow && static_cast<Atom>(event.xclient.data.l[0]) == g_atomDeleteWindow)
                return true;
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == g_hDrawWindow)
                return true;
            break;
        }
    }
    return false;
}

struct FrameMeter {
    int64_t nStartNs;
    int64_t nStartCpuNs;
    int nFrames;
};

// Once a second: frames per second and CPU milliseconds per frame.
static void MeterFrame(FrameMeter& meter, int64_t nNowNs)
{
    ++meter.nFrames;
    const int64_t nElapsed = nNowNs - meter.nStartNs;
    if (nElapsed < 1000000000)
        return;
    const int64_t nCpu = ReadCpuNs();
    std::fprintf(stderr, "velthra: %.1f fps, %.2f ms CPU per frame\n", meter.nFrames * 1e9 / nElapsed,
                 (nCpu - meter.nStartCpuNs) / 1e6 / meter.nFrames);
    meter = FrameMeter{nNowNs, nCpu, 0};
}

int RunFrames(const RunOptions& options)
{
    g_bReportRhythm = options.bFps;
    if (options.bFps)
        ReportFrameRhythm();
    const int64_t nPeriodNs = static_cast<int64_t>(kFramePeriodMs) * 1000000;
    int64_t nDeadlineNs = ReadMonotonicNs();
    uint32_t dwLastSwitchTick = static_cast<uint32_t>(nDeadlineNs / 1000000);
    FrameMeter meter = {nDeadlineNs, ReadCpuNs(), 0};
    while (!IsStopRequested()) {
        const uint32_t dwNow = static_cast<uint32_t>(ReadMonotonicNs() / 1000000);
        if (TakeEvents(&dwLastSwitchTick, dwNow))
            break;
        // An X error: the window went away (0), or something else (1).
        const int nErrorStatus = CheckXErrors();
        if (nErrorStatus >= 0)
            return nErrorStatus;
        if (ChangeModuleWhenDue(dwLastSwitchTick, dwNow))
            dwLastSwitchTick = dwNow;
        if (DrawWindowFrame(g_DrawBuffer))
            SwapDrawBuffers();
        if (options.bFps)
            MeterFrame(meter, ReadMonotonicNs());
        // A frame every period; after a stall the schedule starts again from now.
        const int64_t nNowNs = ReadMonotonicNs();
        nDeadlineNs = nDeadlineNs + nPeriodNs < nNowNs ? nNowNs : nDeadlineNs + nPeriodNs;
        if (!SleepUntil(nDeadlineNs))
            break;
    }
    return 0;
}
