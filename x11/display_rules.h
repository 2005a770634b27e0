// The arithmetic behind the Linux program's windows, apart from Xlib: how
// large its own window is on a monitor, which monitor a point is on, the
// refresh rate of a display mode and the swap interval it calls for, and how
// a full-screen window is had under the window manager that runs (or none).
#pragma once

struct MonitorRect {
    int x, y, nWidth, nHeight;
    int nRefreshHz;  // 0 when unknown
};

// The window of its own: 1280x720 where that leaves a fifth of the monitor
// free each way, else the largest 16:9 window that does; centred on it.
MonitorRect FitOwnWindow(const MonitorRect& monitor);

// The monitor that holds the point, else the one nearest to it; -1 for none.
int FindMonitorAt(const MonitorRect* aMonitors, int nMonitors, int x, int y);

// A mode's refresh rate in whole hertz from its pixel clock and totals
// (interlaced modes show twice the frames, double-scanned half); 0 when unknown.
int RefreshHzOfMode(unsigned long nDotClock, unsigned nHTotal, unsigned nVTotal, bool bInterlace,
                    bool bDoubleScan);

// The swap interval for a refresh rate: the shared refreshes-per-frame rule,
// or 0 when the rate is unknown (0; 1 is no real rate either) and the clock
// alone paces the frames.
int SwapIntervalFor(int nRefreshHz);

enum FullscreenWay {
    kFullscreenByGeometry,     // no window manager: the window's own size and place
    kFullscreenByState,        // _NET_WM_STATE_FULLSCREEN, which the window manager carries out
    kFullscreenByOverride,     // a window manager without it: a window it leaves alone
};
FullscreenWay ChooseFullscreenWay(bool bWindowManager, bool bWmHasFullscreenState);
