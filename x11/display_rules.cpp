// Window sizes, monitors and refresh rates as plain arithmetic, so that they
// build natively and run under the sanitizers with table-driven tests.
#include "x11/display_rules.h"

#include <algorithm>
#include <climits>

#include "render/pacing.h"

const int kOwnWidth = 1280;
const int kOwnHeight = 720;

MonitorRect FitOwnWindow(const MonitorRect& monitor)
{
    // 16:9 within four fifths of the monitor, never above 1280x720.
    long nWidth = std::min<long>(kOwnWidth, monitor.nWidth * 4L / 5);
    nWidth = std::min<long>(nWidth, monitor.nHeight * 4L / 5 * kOwnWidth / kOwnHeight);
    nWidth = std::max<long>(nWidth, 16);
    const long nHeight = nWidth * kOwnHeight / kOwnWidth;
    const int x = monitor.x + static_cast<int>((monitor.nWidth - nWidth) / 2);
    const int y = monitor.y + static_cast<int>((monitor.nHeight - nHeight) / 2);
    return MonitorRect{x, y, static_cast<int>(nWidth), static_cast<int>(nHeight), monitor.nRefreshHz};
}

// How far the point lies outside the rectangle, in x plus y; 0 inside.
static long DistanceOutside(const MonitorRect& m, int x, int y)
{
    const long nRight = static_cast<long>(m.x) + m.nWidth, nBottom = static_cast<long>(m.y) + m.nHeight;
    const long dx = x < m.x ? static_cast<long>(m.x) - x : (x >= nRight ? x - nRight + 1 : 0);
    const long dy = y < m.y ? static_cast<long>(m.y) - y : (y >= nBottom ? y - nBottom + 1 : 0);
    return dx + dy;
}

int FindMonitorAt(const MonitorRect* aMonitors, int nMonitors, int x, int y)
{
    int nBest = -1;
    long nBestDistance = LONG_MAX;
    for (int i = 0; i < nMonitors; ++i) {
        const long nDistance = DistanceOutside(aMonitors[i], x, y);
        if (nDistance < nBestDistance) {
            nBest = i;
            nBestDistance = nDistance;
        }
    }
    return nBest;
}

int RefreshHzOfMode(unsigned long nDotClock, unsigned nHTotal, unsigned nVTotal, bool bInterlace,
                    bool bDoubleScan)
{
    double fPixels = static_cast<double>(nHTotal) * nVTotal;
    if (bDoubleScan)
        fPixels *= 2;
    if (bInterlace)
        fPixels /= 2;
    if (nDotClock == 0 || fPixels <= 0)
        return 0;
    const double fHz = nDotClock / fPixels;
    return fHz < 1.0 || fHz > 10000.0 ? 0 : static_cast<int>(fHz + 0.5);
}

int SwapIntervalFor(int nRefreshHz)
{
    return nRefreshHz > 1 ? RefreshesPerFrame(nRefreshHz) : 0;
}

FullscreenWay ChooseFullscreenWay(bool bWindowManager, bool bWmHasFullscreenState)
{
    if (!bWindowManager)
        return kFullscreenByGeometry;
    return bWmHasFullscreenState ? kFullscreenByState : kFullscreenByOverride;
}
