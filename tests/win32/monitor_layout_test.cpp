// The choice of the monitors that the full-screen saver covers in black.
#include "win32/monitor_layout.h"

#include <gtest/gtest.h>

namespace {

const MonitorRect kPrimary = {0, 0, 1024, 768};

struct LayoutCase {
    const char* pszName;
    std::vector<MonitorRect> monitors;
    std::vector<MonitorRect> expected;
};

std::string Describe(const std::vector<MonitorRect>& rects)
{
    std::string s;
    for (const MonitorRect& r : rects)
        s += "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
             std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
    return s;
}

TEST(CoveredMonitors, EveryMonitorWithAreaOutsideTheSaverOnce)
{
    const LayoutCase aCases[] = {
        {"one monitor", {kPrimary}, {}},
        {"second to the right", {kPrimary, {1024, 0, 1824, 600}}, {{1024, 0, 1824, 600}}},
        {"left of the primary, negative",
         {{-1280, -200, 0, 824}, kPrimary},
         {{-1280, -200, 0, 824}}},
        {"three, primary listed last",
         {{1024, 0, 2048, 768}, {0, 768, 1024, 1536}, kPrimary},
         {{1024, 0, 2048, 768}, {0, 768, 1024, 1536}}},
        {"mirror of the primary", {kPrimary, {0, 0, 1024, 768}, {0, 0, 800, 600}}, {}},
        {"empty monitors", {kPrimary, {1024, 0, 1024, 0}, {5, 5, 3, 900}}, {}},
        {"repeated secondary", {kPrimary, {1024, 0, 1824, 600}, {1024, 0, 1824, 600}},
         {{1024, 0, 1824, 600}}},
        {"secondary inside another", {kPrimary, {1024, 0, 2048, 768}, {1024, 0, 1824, 600}},
         {{1024, 0, 2048, 768}}},
        {"overlapping the primary in part", {kPrimary, {900, 0, 1700, 600}},
         {{900, 0, 1700, 600}}},
        {"no monitors at all", {}, {}},
    };
    for (const LayoutCase& c : aCases)
        EXPECT_EQ(Describe(ChooseCoveredMonitors(c.monitors, kPrimary)), Describe(c.expected))
            << c.pszName;
}

}  // namespace
