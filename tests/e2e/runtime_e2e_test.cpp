// The real velthra.scr /s and its settings: what it writes when it starts on
// a fresh or a damaged registry, and what it writes when input ends it.
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const DWORD kStartMs = 15000;  // Wine may take a while to start a program

void Seed(const char* pszName, int nValue)
{
    vt::WriteDword(vt::kVelthraKey, pszName, static_cast<DWORD>(nValue));
}

int Stored(const char* pszName)
{
    DWORD dw = 0xDEADBEEF;
    EXPECT_TRUE(vt::ReadDword(vt::kVelthraKey, pszName, &dw)) << pszName;
    return static_cast<int>(dw);
}

// Waits until the value holds the expected number; true when it does.
bool WaitForValue(const char* pszName, int nExpected, DWORD timeoutMs)
{
    DWORD dwStart = GetTickCount();
    for (;;) {
        DWORD dw;
        if (vt::ReadDword(vt::kVelthraKey, pszName, &dw) && static_cast<int>(dw) == nExpected)
            return true;
        if (GetTickCount() - dwStart > timeoutMs)
            return false;
        vt::PumpMessages(50);
    }
}

// A complete saved set: module n's values are n * 1000 + field * 10, speed
// 1.5, all active, cycle time 12.
void SeedSavedSet()
{
    const char* apszFields[] = {"depth", "horz", "vert", "xrot", "yrot", "zrot"};
    for (int n = 1; n <= 3; ++n) {
        std::string sPrefix = "mod" + std::to_string(n) + " ";
        for (int i = 0; i < 6; ++i)
            Seed((sPrefix + apszFields[i]).c_str(), n * 1000 + i * 10);
        Seed((sPrefix + "speed").c_str(), 150);
        Seed((sPrefix + "active").c_str(), 1);
    }
    Seed("cycle time", 12);
}

class SaverSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        vt::DeleteVelthraKey();
        vt::MoveCursorTo(300, 300);
    }
    void TearDown() override
    {
        saver.Kill();
        vt::DeleteVelthraKey();
    }
    void StartSaver()
    {
        ASSERT_TRUE(saver.StartSaver("/s"));
        hSaver = vt::WaitForWindow("WindowsScreenSaverClass", "Screen Saver", kStartMs, saver.Id());
        ASSERT_NE(hSaver, nullptr);
        // The window exists during WM_CREATE, which loads the settings and
        // creates the OpenGL context; a sent message is answered only after it.
        DWORD_PTR dwResult;
        SendMessageTimeoutA(hSaver, WM_NULL, 0, 0, SMTO_NORMAL, kStartMs, &dwResult);
    }
    void CloseByMouse()
    {
        vt::PumpMessages(500);
        vt::MoveCursorTo(500, 450);
        EXPECT_EQ(saver.Wait(kStartMs), 0u);
    }
    vt::Process saver;
    HWND hSaver = nullptr;
};

TEST_F(SaverSettings, FirstStartCreatesTheKeyWithAll26Values)
{
    StartSaver();
    ASSERT_TRUE(WaitForValue("cycle time", 30, kStartMs));
    EXPECT_EQ(vt::CountValues(vt::kVelthraKey), 26);
    EXPECT_EQ(Stored("mod1 depth"), 4000);
    EXPECT_EQ(Stored("mod2 depth"), 2279);
    EXPECT_EQ(Stored("mod3 depth"), 2000);
    EXPECT_EQ(Stored("mod3 vert"), -400);
    EXPECT_EQ(Stored("mod3 xrot"), -2100);
    for (const char* psz : {"mod1 speed", "mod2 speed", "mod3 speed"})
        EXPECT_EQ(Stored(psz), 50) << psz;
    for (const char* psz : {"mod1 active", "mod2 active", "mod3 active"})
        EXPECT_EQ(Stored(psz), 1) << psz;
    DWORD dw;
    EXPECT_FALSE(vt::ReadDword(vt::kVelthraKey, "mute sound", &dw));
    std::string text;
    EXPECT_FALSE(vt::ReadString(vt::kVelthraKey, "name", &text));
    CloseByMouse();
    EXPECT_EQ(vt::CountValues(vt::kVelthraKey), 26);
}

TEST_F(SaverSettings, DamagedValuesAreRepairedAndWrittenBack)
{
    SeedSavedSet();
    Seed("mod1 speed", 0);
    Seed("mod3 speed", 5000);
    Seed("mod2 active", 7);
    Seed("mod3 active", -1);
    Seed("cycle time", -5);
    vt::DeleteValue(vt::kVelthraKey, "mod2 speed");
    vt::DeleteValue(vt::kVelthraKey, "mod2 depth");
    StartSaver();
    ASSERT_TRUE(WaitForValue("cycle time", 30, kStartMs));
    EXPECT_EQ(Stored("mod1 speed"), 0);
    EXPECT_EQ(Stored("mod2 speed"), 100);
    EXPECT_EQ(Stored("mod3 speed"), 1000);
    EXPECT_EQ(Stored("mod2 active"), 1);
    EXPECT_EQ(Stored("mod3 active"), 0);
    EXPECT_EQ(Stored("mod2 depth"), 2279);
    EXPECT_EQ(Stored("mod2 horz"), 2010);
    EXPECT_EQ(vt::CountValues(vt::kVelthraKey), 26);
    CloseByMouse();
}

TEST_F(SaverSettings, MissingFirstDepthResetsEveryModuleValue)
{
    SeedSavedSet();
    Seed("mod2 speed", 0);
    Seed("mod3 active", 7);
    Seed("cycle time", -5);
    vt::DeleteValue(vt::kVelthraKey, "mod1 depth");
    StartSaver();
    ASSERT_TRUE(WaitForValue("cycle time", 30, kStartMs));
    EXPECT_EQ(Stored("mod1 depth"), 4000);
    EXPECT_EQ(Stored("mod2 horz"), 0);
    EXPECT_EQ(Stored("mod3 zrot"), 0);
    EXPECT_EQ(Stored("mod2 speed"), 50);
    EXPECT_EQ(Stored("mod3 active"), 1);
    CloseByMouse();
}

// The close writes the view held in memory: values changed in the registry
// while the saver runs are overwritten with it.
TEST_F(SaverSettings, MouseMovePastTheThresholdEndsItAndWritesTheView)
{
    SeedSavedSet();
    StartSaver();
    ASSERT_TRUE(WaitForValue("cycle time", 12, kStartMs));
    vt::PumpMessages(500);
    Seed("mod1 depth", 5555);
    Seed("mod1 zrot", -5555);
    Seed("mod3 yrot", 5555);
    Seed("cycle time", 99);
    CloseByMouse();
    EXPECT_EQ(Stored("mod1 depth"), 1000);
    EXPECT_EQ(Stored("mod1 zrot"), 1050);
    EXPECT_EQ(Stored("mod3 yrot"), 3040);  // 30.4f lies below 30.4: no hundredth may be lost
    EXPECT_EQ(Stored("cycle time"), 12);
}

TEST_F(SaverSettings, EscEndsItAndWritesTheView)
{
    SeedSavedSet();
    StartSaver();
    ASSERT_TRUE(WaitForValue("cycle time", 12, kStartMs));
    vt::PumpMessages(500);
    Seed("mod1 depth", 5555);
    SetForegroundWindow(hSaver);
    vt::PumpMessages(200);
    vt::PressKey(VK_ESCAPE);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
    EXPECT_EQ(Stored("mod1 depth"), 1000);
}

}  // namespace
