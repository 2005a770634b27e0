// Which monitors the full-screen saver must cover besides its own window:
// every monitor with an area that the saver window does not already hold.
// Portable, so the choice is tested natively with any layout.
#pragma once
#include <vector>

struct MonitorRect {
    long left, top, right, bottom;  // right and bottom exclusive, as RECT
};

// The monitors that get a black cover, in the order given. Empty monitors,
// monitors that lie within the saver's rectangle (the primary, or a mirror of
// it) and repeats of a monitor already chosen are left out.
std::vector<MonitorRect> ChooseCoveredMonitors(const std::vector<MonitorRect>& monitors,
                                               const MonitorRect& saver);
