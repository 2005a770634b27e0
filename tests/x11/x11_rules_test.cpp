// The Linux program's switches and settings file: what is accepted, what is
// refused, and how a damaged file is repaired without stopping the program.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "scenes/module_table.h"
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
        {"--root", "--window-id", "5"}, {"--root", "--fullscreen"},
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
