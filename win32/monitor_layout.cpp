#include "win32/monitor_layout.h"

static bool IsEmpty(const MonitorRect& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

static bool LiesWithin(const MonitorRect& inner, const MonitorRect& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::vector<MonitorRect> ChooseCoveredMonitors(const std::vector<MonitorRect>& monitors,
                                               const MonitorRect& saver)
{
    std::vector<MonitorRect> covers;
    for (const MonitorRect& m : monitors) {
        if (IsEmpty(m) || LiesWithin(m, saver))
            continue;
        bool bChosen = false;
        for (const MonitorRect& c : covers)
            bChosen = bChosen || LiesWithin(m, c);
        if (!bChosen)
            covers.push_back(m);
    }
    return covers;
}
