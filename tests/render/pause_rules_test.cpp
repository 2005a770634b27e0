// When the full-screen saver pauses: the display and session event tables, and
// the module-change tick carried over a pause across the tick counter's wrap.
#include "render/pause_rules.h"

#include <gtest/gtest.h>

namespace {

enum Kind { DISPLAY, SESSION };
struct Step {
    Kind kind;
    uint32_t dwValue;
    bool bChanged;
    bool bAllowed;  // after the step
};

void RunSteps(const char* pszName, std::initializer_list<Step> steps)
{
    PauseFlags flags = {};
    int n = 0;
    for (const Step& s : steps) {
        bool bChanged = s.kind == DISPLAY ? ApplyDisplayState(&flags, s.dwValue) : ApplySessionChange(&flags, s.dwValue);
        EXPECT_EQ(bChanged, s.bChanged) << pszName << " step " << n;
        EXPECT_EQ(IsDrawingAllowed(flags), s.bAllowed) << pszName << " step " << n;
        ++n;
    }
}

TEST(PauseRules, DisplayAndSessionEvents)
{
    RunSteps("display off, dimmed, on", {{DISPLAY, 0, true, false}, {DISPLAY, 2, true, true}, {DISPLAY, 1, false, true}});
    RunSteps("unknown display value counts as on", {{DISPLAY, 0, true, false}, {DISPLAY, 7, true, true}});
    RunSteps("lock, unlock", {{SESSION, 7, true, false}, {SESSION, 7, false, false}, {SESSION, 8, true, true}});
    RunSteps("console disconnect, remote connect",
        {{SESSION, 2, true, false}, {SESSION, 3, true, true}, {SESSION, 4, true, false}, {SESSION, 1, true, true}});
    RunSteps("logon, logoff, remote control and others change nothing",
        {{SESSION, 5, false, true}, {SESSION, 6, false, true}, {SESSION, 9, false, true}, {SESSION, 0, false, true}});
    RunSteps("away for two reasons until both are back",
        {{DISPLAY, 0, true, false}, {SESSION, 7, true, false}, {DISPLAY, 1, true, false}, {SESSION, 8, true, true}});
    RunSteps("locked and disconnected", {{SESSION, 7, true, false}, {SESSION, 2, true, false}, {SESSION, 8, true, false},
                                    {SESSION, 1, true, true}});
}

TEST(PauseRules, PausedTimeDoesNotCountTowardTheCycle)
{
    const struct {
        uint32_t dwLastSwitch, dwPausedAt, dwNow, dwExpected;
    } cases[] = {
        {1000, 5000, 65000, 61000},                      // 4 s shown before, 4 s left counted after
        {1000, 1000, 1000, 1000},                        // no pause
        {0xFFFFF000u, 0xFFFFFF00u, 0x00001000u, 0x00000100u},  // the counter wraps during the pause
        {0xFFFFFF00u, 0x00000100u, 0x00000200u, 0x00000000u},  // it wrapped before the pause
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResumeSwitchTick(c.dwLastSwitch, c.dwPausedAt, c.dwNow), c.dwExpected) << c.dwLastSwitch;
        // The time shown before the pause is what counts after it.
        EXPECT_EQ(c.dwNow - ResumeSwitchTick(c.dwLastSwitch, c.dwPausedAt, c.dwNow), c.dwPausedAt - c.dwLastSwitch);
    }
    // A module chosen by key while paused (also across the wrap) gets its whole cycle from the resume.
    EXPECT_EQ(ResumeSwitchTick(7000, 5000, 65000), 65000u);
    EXPECT_EQ(ResumeSwitchTick(0x00000010u, 0xFFFFFFF0u, 0x00002000u), 0x00002000u);
}

}  // namespace
