// The Linux program's switches and settings file: what is accepted, what is
// refused, which switch wins, how a damaged file is repaired without stopping
// the program and which values go back into it; the keypad's keys; window
// sizes, monitors and swap intervals.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "render/keys.h"
#include "scenes/module_table.h"
#include "x11/display_rules.h"
#include "x11/key_map.h"
#include "x11/run_settings.h"
#include "x11/settings_store.h"
#include "x11/switches.h"

static bool Parse(std::vector<const char*> args, RunOptions* pOptions)
{
    args.insert(args.begin(), "velthra");
    char szError[256] = "";
    const bool bOk = ParseSwitches(static_cast<int>(args.size()), args.data(), pOptions, szError, sizeof(szError));
    EXPECT_EQ(bOk, szError[0] == '\0') << szError;
    return bOk;
}

TEST(Switches, AcceptsBothDashFormsAndEveryValueForm)
{
    RunOptions o;
    ASSERT_TRUE(Parse({"-window-id", "0x2a", "--modules", "3,1", "-cycle", "0", "--speed", "0.005", "--fps",
                       "--view", "2=22.8,-1,2.5,0,90,-45,10"},
                      &o));
    EXPECT_EQ(o.nWindowId, 42ul);
    EXPECT_EQ(o.nModuleMask, (1 << 1) | (1 << 3));
    EXPECT_EQ(o.nCycleTime, 0);
    EXPECT_FLOAT_EQ(o.fSpeed, 0.005f);
    EXPECT_TRUE(o.bFps && o.abView[2] && !o.abView[1]);
    EXPECT_FLOAT_EQ(o.afView[2][0], 22.8f);
    EXPECT_FLOAT_EQ(o.afView[2][5], -45.0f);
    ASSERT_TRUE(Parse({"--window-id", "123"}, &o));
    EXPECT_EQ(o.nWindowId, 123ul);
    ASSERT_TRUE(Parse({}, &o));
    EXPECT_EQ(o.nCycleTime, -1);
    EXPECT_EQ(o.nModuleMask, 0);
}

TEST(Switches, RefusesEveryHalfUnderstoodLine)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--bogus"},          {"root"},           {"--window-id"},          {"--window-id", "0"},
        {"--window-id", "0x"}, {"--window-id", "12z"}, {"--window-id", "-5"}, {"--modules", "4"},
        {"--modules", "1,"},  {"--modules", "12"}, {"--modules", ""},       {"--cycle", "-1"},
        {"--cycle", "3x"},    {"--speed", "11"},  {"--speed", "nan"},      {"--speed", " 1"},
        {"--view", "4=1,2,3,4,5,6,1"}, {"--view", "1=1,2,3,4,5,6"}, {"--view", "1=1,2,3,4,5,6,0"},
        {"--root", "--fullscreen"}, {"--fullscreen", "--window-id", "5"},
        {"--root", "--window-id", "5", "--fullscreen"},
    };
    for (const auto& args : bad) {
        RunOptions o;
        EXPECT_FALSE(Parse(args, &o)) << args[0] << " " << (args.size() > 1 ? args[1] : "");
    }
    char szUsage[512];
    FormatUsage(szUsage, sizeof(szUsage));
    EXPECT_EQ(std::string(szUsage).find('\n'), std::string::npos);
    EXPECT_NE(std::string(szUsage).find("[--modules LIST]"), std::string::npos) << szUsage;
}

// xscreensaver's settings program appends " --window-id ID" to the "--root" line.
TEST(Switches, WindowIdWinsOverRoot)
{
    const struct {
        std::vector<const char*> args;
        unsigned long nWindowId;
        bool bRoot;
    } kCases[] = {
        {{"--root"}, 0, true},
        {{"--root", "--window-id", "0x1c00003"}, 0x1c00003, false},
        {{"-window-id", "7", "-root"}, 7, false},
        {{"--root", "--modules", "2", "--window-id", "9"}, 9, false},
    };
    for (const auto& c : kCases) {
        RunOptions o;
        ASSERT_TRUE(Parse(c.args, &o)) << c.args[0];
        EXPECT_EQ(o.nWindowId, c.nWindowId) << c.args[0];
        EXPECT_EQ(o.bRoot, c.bRoot) << c.args[0];
    }
}

// As on Windows: with NumLock on the keypad's digits are numpad keys, with
// it off the same keys are the arrows, Page Up/Down and Home.
TEST(Keys, KeypadSteersWithNumLockOnAndOff)
{
    const struct {
        unsigned long nKeysym;
        int nVirtualKey;
    } kCases[] = {
        {XK_KP_8, kVkNumpad8},  {XK_KP_2, kVkNumpad2}, {XK_KP_4, kVkNumpad4}, {XK_KP_6, kVkNumpad6},
        {XK_KP_9, kVkNumpad9},  {XK_KP_3, kVkNumpad3}, {XK_KP_Up, kVkUp},     {XK_KP_Down, kVkDown},
        {XK_KP_Left, kVkLeft},  {XK_KP_Right, kVkRight}, {XK_KP_Prior, kVkPrior}, {XK_KP_Next, kVkNext},
        {XK_KP_Home, kVkHome},  {XK_KP_Enter, kVkReturn}, {XK_Prior, kVkPrior}, {XK_F11, kVkF11},
        // No steering function: ignored in a window of its own.
        {XK_KP_7, -1},          {XK_KP_5, -1},          {XK_KP_Begin, -1},      {XK_KP_End, -1},
        {XK_KP_Insert, -1},     {XK_KP_Delete, -1},     {XK_F10, -1},           {XK_a, -1},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(VirtualKeyOfKeysym(c.nKeysym), c.nVirtualKey) << std::hex << c.nKeysym;
    EXPECT_TRUE(IsQuitKeysym(XK_q) && IsQuitKeysym(XK_Q) && !IsQuitKeysym(XK_KP_Delete));
}

class SettingsFile : public ::testing::Test {
protected:
    std::string m_path = ::testing::TempDir() + "velthra-settings-test/sub/settings";
    void TearDown() override { std::remove(m_path.c_str()); }
    void WriteFile(const char* pszText)
    {
        FILE* pFile = std::fopen(m_path.c_str(), "wb");
        ASSERT_NE(pFile, nullptr) << m_path;
        std::fputs(pszText, pFile);
        std::fclose(pFile);
    }
};

TEST_F(SettingsFile, ChangedViewsSurviveAndDamageOnlyLosesTheDamagedValues)
{
    LoadSettingsFile(m_path.c_str());  // missing: every default
    EXPECT_FLOAT_EQ(g_fDepth, 40.0f);
    g_Modules[2].depth = 12.5f;
    g_Modules[3].active = false;
    g_nCycleTime = 7;
    ASSERT_TRUE(SaveSettingsFile(m_path.c_str()));  // creates the folders
    LoadSettingsFile(m_path.c_str());
    EXPECT_FLOAT_EQ(g_Modules[2].depth, 12.5f);
    EXPECT_FALSE(g_Modules[3].active);
    EXPECT_EQ(g_nCycleTime, 7);

    // Garbage lines, a value out of range, a speed below the limit, a negative
    // cycle time and no trailing newline: each repaired as the registry's are.
    WriteFile("mod1 depth = 1234\n\x01\xff garbage\nmod2 depth = 99999999999\r\nmod1 speed=0\n"
              "cycle time = -3\n= 5\nmod1 horz = 2 3\nmod1 vert=-250");
    LoadSettingsFile(m_path.c_str());
    EXPECT_FLOAT_EQ(g_Modules[1].depth, 12.34f);
    EXPECT_FLOAT_EQ(g_Modules[2].depth, 22.8f);
    EXPECT_FLOAT_EQ(g_Modules[1].speed, 0.005f);
    EXPECT_FLOAT_EQ(g_Modules[1].horz, 0.0f);
    EXPECT_FLOAT_EQ(g_Modules[1].vert, -2.5f);
    EXPECT_EQ(g_nCycleTime, 30);
    EXPECT_EQ(g_nModule, 1);
}

TEST(KeyChanges, AValueIsWrittenOnlyWhenAKeyChangedIt)
{
    const ModuleSettings stored = {40, 1, 2, 3, 4, 5, 1.0f, true};
    const ModuleSettings atStart = {40, 1, 2, 3, 4, 5, 3.0f, false};  // --speed 3 --modules ...
    const struct {
        ModuleSettings now;
        ModuleSettings written;
    } kCases[] = {
        {atStart, stored},                                                  // untouched
        {{40.3f, 1, 2, 3, 4, 5, 3.0f, false}, {40.3f, 1, 2, 3, 4, 5, 1.0f, true}},  // Page Up
        {{40, 1, 2, 3, 4, 5, 3.225f, false}, {40, 1, 2, 3, 4, 5, 3.225f, true}},    // F9 over --speed
        {{40, 0, 0, 0, 0, 0, 1.0f, false}, {40, 0, 0, 0, 0, 0, 1.0f, true}},        // Home
    };
    for (const auto& c : kCases) {
        const ModuleSettings m = MergeKeyChanges(stored, atStart, c.now);
        const float afGot[] = {m.depth, m.horz, m.vert, m.xrot, m.yrot, m.zrot, m.speed};
        const float afWant[] = {c.written.depth, c.written.horz, c.written.vert, c.written.xrot,
                                c.written.yrot,  c.written.zrot, c.written.speed};
        for (int i = 0; i < 7; ++i)
            EXPECT_FLOAT_EQ(afGot[i], afWant[i]) << "value " << i << " of case " << (&c - kCases);
        EXPECT_EQ(m.active, c.written.active);
    }
}

TEST(RunSettings, SwitchesAreNeverWrittenAndKeyChangesAre)
{
    const std::string path = ::testing::TempDir() + "velthra-run-settings";
    LoadSettingsText("mod1 depth = 4500\nmod1 speed = 100\nmod2 speed = 200\ncycle time = 12\n");
    RunOptions options;
    const char* const argv[] = {"velthra", "--speed", "3", "--cycle", "5", "--modules", "2,3", "--view",
                                "3=9,8,7,6,5,4,2"};
    char szError[128];
    ASSERT_TRUE(ParseSwitches(9, argv, &options, szError, sizeof(szError)));
    RunSettings run;
    ApplyRunOptions(options, &run);
    ASSERT_EQ(g_nModule, 2);
    EXPECT_FLOAT_EQ(g_fSpeed, 3.0f);
    EXPECT_EQ(g_nCycleTime, 5);
    g_fDepth += 5.0f;  // a key in module 2
    StoreModuleView(g_nModule);
    KeepOnlyKeyChanges(run);
    ASSERT_TRUE(SaveSettingsFile(path.c_str()));

    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    for (const char* pszLine : {"mod1 depth = 4500\n", "mod1 speed = 100\n", "mod2 speed = 200\n",
                                "mod2 depth = 2779\n", "mod3 speed = 100\n", "mod3 depth = 2000\n",
                                "mod1 active = 1\n", "cycle time = 12\n"})
        EXPECT_NE(text.str().find(pszLine), std::string::npos) << pszLine << " in\n" << text.str();
    std::remove(path.c_str());
}

TEST(DisplayRules, OwnWindowFitsTheMonitorItOpensOn)
{
    const struct {
        MonitorRect monitor;
        MonitorRect window;
    } kCases[] = {
        {{0, 0, 1920, 1080, 60}, {320, 180, 1280, 720, 60}},
        {{0, 0, 800, 600, 0}, {80, 120, 640, 360, 0}},
        {{1920, 0, 1366, 768, 0}, {1920 + 137, 77, 1091, 613, 0}},
        {{0, 0, 600, 800, 0}, {60, 265, 480, 270, 0}},  // portrait
        {{0, 0, 10, 10, 0}, {-3, 0, 16, 9, 0}},
    };
    for (const auto& c : kCases) {
        const MonitorRect w = FitOwnWindow(c.monitor);
        EXPECT_EQ(w.x, c.window.x) << c.monitor.nWidth;
        EXPECT_EQ(w.y, c.window.y) << c.monitor.nWidth;
        EXPECT_EQ(w.nWidth, c.window.nWidth) << c.monitor.nWidth;
        EXPECT_EQ(w.nHeight, c.window.nHeight) << c.monitor.nWidth;
    }
}

TEST(DisplayRules, SwapIntervalOfTheMonitorUnderTheWindow)
{
    // 148.5 MHz over 2200 x 1125 is 60 Hz; the other modes are scaled from it.
    const struct {
        unsigned long nDotClock;
        unsigned nHTotal, nVTotal;
        bool bInterlace, bDoubleScan;
        int nHz, nInterval;
    } kModes[] = {
        {148500000, 2200, 1125, false, false, 60, 2}, {148351648, 2200, 1125, false, false, 60, 2},  // 59.94
        {185625000, 2200, 1125, false, false, 75, 3}, {356400000, 2200, 1125, false, false, 144, 5},
        {74250000, 2200, 1125, true, false, 60, 2},   {297000000, 2200, 1125, false, true, 60, 2},
        {0, 2200, 1125, false, false, 0, 0},           {148500000, 0, 1125, false, false, 0, 0},  // Xvfb: unknown
    };
    for (const auto& m : kModes) {
        const int nHz = RefreshHzOfMode(m.nDotClock, m.nHTotal, m.nVTotal, m.bInterlace, m.bDoubleScan);
        EXPECT_EQ(nHz, m.nHz) << m.nDotClock;
        EXPECT_EQ(SwapIntervalFor(nHz), m.nInterval) << m.nDotClock;
    }
    const MonitorRect aMonitors[] = {{0, 0, 1920, 1080, 60}, {1920, 0, 1080, 1920, 144}};
    const struct {
        int x, y, nIndex;
    } kPoints[] = {{960, 540, 0}, {1920, 10, 1}, {1919, 1079, 0}, {2500, 1500, 1}, {5000, 10, 1}, {-20, 1100, 0}};
    for (const auto& p : kPoints)
        EXPECT_EQ(FindMonitorAt(aMonitors, 2, p.x, p.y), p.nIndex) << p.x << "," << p.y;
    EXPECT_EQ(FindMonitorAt(aMonitors, 0, 0, 0), -1);
}
