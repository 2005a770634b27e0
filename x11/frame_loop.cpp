// The X11 frame loop: events, then the shared frame step, then a sleep to the
// next frame's deadline on the monotonic clock. SIGTERM and SIGINT interrupt
// the sleep, so the loop ends within one frame. Keys steer only in our own
// window; in a given one they belong to its owner.
#include "x11/host.h"

#include <X11/keysym.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "render/frame_step.h"
#include "render/pacing.h"
#include "scenes/module_table.h"

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

// The Win32 virtual key of an X key, -1 for keys without a steering function.
static int VirtualKeyOf(KeySym nKey)
{
    static const struct {
        KeySym nKey;
        int nVirtualKey;
    } kKeys[] = {
        {XK_BackSpace, kVkBack}, {XK_Return, kVkReturn}, {XK_KP_Enter, kVkReturn}, {XK_Escape, kVkEscape},
        {XK_Prior, kVkPrior},    {XK_Next, kVkNext},     {XK_Home, kVkHome},       {XK_Left, kVkLeft},
        {XK_Up, kVkUp},          {XK_Right, kVkRight},   {XK_Down, kVkDown},       {XK_KP_2, kVkNumpad2},
        {XK_KP_3, kVkNumpad3},   {XK_KP_4, kVkNumpad4},  {XK_KP_6, kVkNumpad6},    {XK_KP_8, kVkNumpad8},
        {XK_KP_9, kVkNumpad9},   {XK_F1, kVkF1},         {XK_F2, kVkF2},           {XK_F3, kVkF3},
        {XK_F4, kVkF4},          {XK_F5, kVkF5},         {XK_F6, kVkF6},           {XK_F7, kVkF7},
        {XK_F8, kVkF8},          {XK_F9, kVkF9},         {XK_F11, kVkF11},
    };
    for (const auto& entry : kKeys) {
        if (entry.nKey == nKey)
            return entry.nVirtualKey;
    }
    return -1;
}

// True when the key ends the program.
static bool OnKey(XKeyEvent& event, uint32_t* pdwLastSwitchTick, uint32_t dwNow)
{
    const KeySym nKey = XLookupKeysym(&event, 0);
    if (nKey == XK_q || nKey == XK_Q)
        return true;
    const int nVirtualKey = VirtualKeyOf(nKey);
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
    const int64_t nPeriodNs = static_cast<int64_t>(kFramePeriodMs) * 1000000;
    int64_t nDeadlineNs = ReadMonotonicNs();
    uint32_t dwLastSwitchTick = static_cast<uint32_t>(nDeadlineNs / 1000000);
    FrameMeter meter = {nDeadlineNs, ReadCpuNs(), 0};
    while (!IsStopRequested()) {
        const uint32_t dwNow = static_cast<uint32_t>(ReadMonotonicNs() / 1000000);
        if (TakeEvents(&dwLastSwitchTick, dwNow))
            break;
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
