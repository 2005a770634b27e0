// The real velthra.scr /s and its settings: what it writes when it starts on
// a fresh or a damaged registry, and what it writes when input ends it.
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const DWORD kStartMs = 15000;  // Wine may take a while to start a program

// A complete saved set: module n's values are n * 1000 + field * 10, speed
// 1.5, all active, cycle time 12.
void SeedSavedSet()
{
    const char* apszFields[] = {"depth", "horz", "vert", "xrot", "yrot", "zrot"};
    for (int n = 1; n <= 3; ++n) {
        for (int i = 0; i < 6; ++i)
            vt::WriteNumber(vt::ModuleValueName(n, apszFields[i]).c_str(), n * 1000 + i * 10);
        vt::WriteNumber(vt::ModuleValueName(n, "speed").c_str(), 150);
        vt::WriteNumber(vt::ModuleValueName(n, "active").c_str(), 1);
    }
    vt::WriteNumber("cycle time", 12);
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
    ASSERT_TRUE(vt::WaitForNumber("cycle time", 30, kStartMs));
    EXPECT_EQ(vt::CountValues(vt::kVelthraKey), 26);
    EXPECT_EQ(vt::StoredNumber("mod1 depth"), 4000);
    EXPECT_EQ(vt::StoredNumber("mod2 depth"), 2279);
    EXPECT_EQ(vt::StoredNumber("mod3 depth"), 2000);
    EXPECT_EQ(vt::StoredNumber("mod3 vert"), -400);
    EXPECT_EQ(vt::StoredNumber("mod3 xrot"), -2100);
    for (const char* psz : {"mod1 speed", "mod2 speed", "mod3 speed"})
        EXPECT_EQ(vt::StoredNumber(psz), 50) << psz;
    for (const char* psz : {"mod1 active", "mod2 active", "mod3 active"})
        EXPECT_EQ(vt::StoredNumber(psz), 1) << psz;
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
    vt::WriteNumber("mod1 speed", 0);
    vt::WriteNumber("mod3 speed", 5000);
    vt::WriteNumber("mod2 active", 7);
    vt::WriteNumber("mod3 active", -1);
    vt::WriteNumber("cycle time", -5);
    vt::DeleteValue(vt::kVelthraKey, "mod2 speed");
    vt::DeleteValue(vt::kVelthraKey, "mod2 depth");
    StartSaver();
    ASSERT_TRUE(vt::WaitForNumber("cycle time", 30, kStartMs));
    EXPECT_EQ(vt::StoredNumber("mod1 speed"), 0);
    EXPECT_EQ(vt::StoredNumber("mod2 speed"), 100);
    EXPECT_EQ(vt::StoredNumber("mod3 speed"), 1000);
    EXPECT_EQ(vt::StoredNumber("mod2 active"), 1);
    EXPECT_EQ(vt::StoredNumber("mod3 active"), 0);
    EXPECT_EQ(vt::StoredNumber("mod2 depth"), 2279);
    EXPECT_EQ(vt::StoredNumber("mod2 horz"), 2010);
    EXPECT_EQ(vt::CountValues(vt::kVelthraKey), 26);
    CloseByMouse();
}

TEST_F(SaverSettings, MissingFirstDepthResetsEveryModuleValue)
{
    SeedSavedSet();
    vt::WriteNumber("mod2 speed", 0);
    vt::WriteNumber("mod3 active", 7);
    vt::WriteNumber("cycle time", -5);
    vt::DeleteValue(vt::kVelthraKey, "mod1 depth");
    StartSaver();
    ASSERT_TRUE(vt::WaitForNumber("cycle time", 30, kStartMs));
    EXPECT_EQ(vt::StoredNumber("mod1 depth"), 4000);
    EXPECT_EQ(vt::StoredNumber("mod2 horz"), 0);
    EXPECT_EQ(vt::StoredNumber("mod3 zrot"), 0);
    EXPECT_EQ(vt::StoredNumber("mod2 speed"), 50);
    EXPECT_EQ(vt::StoredNumber("mod3 active"), 1);
    CloseByMouse();
}

// The close writes the view held in memory: values changed in the registry
// while the saver runs are overwritten with it.
TEST_F(SaverSettings, MouseMovePastTheThresholdEndsItAndWritesTheView)
{
    SeedSavedSet();
    StartSaver();
    ASSERT_TRUE(vt::WaitForNumber("cycle time", 12, kStartMs));
    vt::PumpMessages(500);
    vt::WriteNumber("mod1 depth", 5555);
    vt::WriteNumber("mod1 zrot", -5555);
    vt::WriteNumber("mod3 yrot", 5555);
    vt::WriteNumber("cycle time", 99);
    CloseByMouse();
    EXPECT_EQ(vt::StoredNumber("mod1 depth"), 1000);
    EXPECT_EQ(vt::StoredNumber("mod1 zrot"), 1050);
    EXPECT_EQ(vt::StoredNumber("mod3 yrot"), 3040);  // 30.4f lies below 30.4: no hundredth may be lost
    EXPECT_EQ(vt::StoredNumber("cycle time"), 12);
}

TEST_F(SaverSettings, EscEndsItAndWritesTheView)
{
    SeedSavedSet();
    StartSaver();
    ASSERT_TRUE(vt::WaitForNumber("cycle time", 12, kStartMs));
    vt::PumpMessages(500);
    vt::WriteNumber("mod1 depth", 5555);
    SetForegroundWindow(hSaver);
    ASSERT_TRUE(vt::WaitUntil([&] { return GetForegroundWindow() == hSaver; }, kStartMs))
        << "foreground " << GetForegroundWindow() << ", saver " << hSaver;
    vt::PressKey(VK_ESCAPE);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
    EXPECT_EQ(vt::StoredNumber("mod1 depth"), 1000);
}

}  // namespace
