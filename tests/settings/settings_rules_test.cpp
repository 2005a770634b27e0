// The settings value rules over an in-memory store that behaves like the
// registry store: a value is present or absent, reads return the default when
// absent, and every write is recorded.
#include "settings/settings_rules.h"

#include "scenes/module_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

namespace {

std::map<std::string, int32_t> g_mapStore;
int g_nWrites = 0;

int32_t ReadMemory(const char* pszName, int32_t nDefault)
{
    auto it = g_mapStore.find(pszName);
    return it == g_mapStore.end() ? nDefault : it->second;
}

bool WriteMemory(const char* pszName, int32_t nValue)
{
    g_mapStore[pszName] = nValue;
    ++g_nWrites;
    return true;
}

const DwordStore kMemoryStore = {ReadMemory, WriteMemory};

class SettingsRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_mapStore.clear();
        g_nWrites = 0;
    }
    // A complete, previously saved set with recognisable values.
    void SeedSavedSet()
    {
        const char* apszFields[] = {"depth", "horz", "vert", "xrot", "yrot", "zrot"};
        for (int n = 1; n <= 3; ++n) {
            for (int i = 0; i < 6; ++i)
                g_mapStore["mod" + std::to_string(n) + " " + apszFields[i]] = n * 1000 + i * 10 + 1;
            g_mapStore["mod" + std::to_string(n) + " speed"] = 150;
            g_mapStore["mod" + std::to_string(n) + " active"] = 1;
        }
        g_mapStore["cycle time"] = 12;
        g_mapStore["all monitors"] = 1;
    }
    int32_t Stored(const char* pszName) { return g_mapStore.at(pszName); }
};

TEST_F(SettingsRules, FirstStartWritesAll26ValuesWithDefaults)
{
    LoadSettingsFrom(kMemoryStore);
    EXPECT_EQ(g_mapStore.size(), 26u);
    EXPECT_EQ(g_nWrites, 26);
    EXPECT_EQ(g_mapStore.count("mute sound"), 0u);
    EXPECT_EQ(g_mapStore.count("name"), 0u);
    EXPECT_EQ(Stored("mod1 depth"), 4000);
    EXPECT_EQ(Stored("mod2 depth"), 2279);  // 22.8f lies just below 22.8
    EXPECT_EQ(Stored("mod3 depth"), 2000);
    EXPECT_EQ(Stored("mod3 vert"), -400);
    EXPECT_EQ(Stored("mod3 xrot"), -2100);
    EXPECT_EQ(Stored("mod1 speed"), 50);  // no registry value read: the default 0.5
    EXPECT_EQ(Stored("mod3 active"), 1);
    EXPECT_EQ(Stored("cycle time"), 30);
    EXPECT_EQ(Stored("all monitors"), 0);
    EXPECT_EQ(g_nCycleTime, 30);
    EXPECT_EQ(g_nModule, 1);
    EXPECT_EQ(g_fDepth, 40.0f);
    EXPECT_EQ(g_fSpeed, 0.5f);
}

TEST_F(SettingsRules, SavedValuesAreReadAsHundredths)
{
    SeedSavedSet();
    g_mapStore["mod1 xrot"] = -99;
    LoadSettingsFrom(kMemoryStore);
    EXPECT_EQ(g_Modules[2].depth, 20.01f);
    EXPECT_EQ(g_Modules[3].zrot, 30.51f);
    EXPECT_EQ(g_Modules[1].xrot, -0.99f);
    EXPECT_EQ(g_Modules[2].speed, 1.5f);
    EXPECT_EQ(g_nCycleTime, 12);
    EXPECT_EQ(g_fDepth, 10.01f);  // module 1 applied
    EXPECT_EQ(Stored("mod3 zrot"), 3051);
    EXPECT_EQ(Stored("mod1 xrot"), -99);
}

TEST_F(SettingsRules, MissingOrMarkerFirstDepthIgnoresEveryModuleValue)
{
    for (int nCase = 0; nCase < 2; ++nCase) {
        SetUp();
        SeedSavedSet();
        if (nCase == 0)
            g_mapStore.erase("mod1 depth");
        else
            g_mapStore["mod1 depth"] = kMissingValue;
        LoadSettingsFrom(kMemoryStore);
        EXPECT_EQ(Stored("mod1 depth"), 4000) << nCase;
        EXPECT_EQ(Stored("mod2 horz"), 0) << nCase;
        EXPECT_EQ(Stored("mod3 vert"), -400) << nCase;
        EXPECT_EQ(Stored("mod2 speed"), 50) << nCase;  // the module default, not 1.0
        EXPECT_EQ(Stored("cycle time"), 12) << nCase;  // not a module value: still read
        EXPECT_EQ(g_Modules[2].horz, 0.0f) << nCase;
    }
}

TEST_F(SettingsRules, OtherMarkerValuesFallBackToThatModulesDefault)
{
    SeedSavedSet();
    g_mapStore["mod3 xrot"] = kMissingValue;  // -99.99 reads as missing
    g_mapStore.erase("mod3 vert");
    g_mapStore["mod2 active"] = kMissingValue;
    LoadSettingsFrom(kMemoryStore);
    EXPECT_EQ(g_Modules[3].xrot, -21.0f);
    EXPECT_EQ(g_Modules[3].vert, -4.0f);
    EXPECT_EQ(g_Modules[3].depth, 30.01f);
    EXPECT_TRUE(g_Modules[2].active);
    EXPECT_EQ(Stored("mod3 xrot"), -2100);
}

TEST_F(SettingsRules, MissingSpeedMeansNominalSpeed)
{
    SeedSavedSet();
    g_mapStore.erase("mod2 speed");
    LoadSettingsFrom(kMemoryStore);
    EXPECT_EQ(g_Modules[2].speed, 1.0f);
    EXPECT_EQ(Stored("mod2 speed"), 100);
}

TEST_F(SettingsRules, SpeedIsClampedAndWrittenBackTruncated)
{
    SeedSavedSet();
    g_mapStore["mod1 speed"] = 0;
    g_mapStore["mod2 speed"] = 5000;
    g_mapStore["mod3 speed"] = -300;
    LoadSettingsFrom(kMemoryStore);
    EXPECT_EQ(g_Modules[1].speed, 0.005f);
    EXPECT_EQ(g_Modules[2].speed, 10.0f);
    EXPECT_EQ(g_Modules[3].speed, 0.005f);
    EXPECT_EQ(Stored("mod1 speed"), 0);  // 0.005 x 100 truncates to 0
    EXPECT_EQ(Stored("mod2 speed"), 1000);
    EXPECT_EQ(g_fSpeed, 0.005f);
}

TEST_F(SettingsRules, ActiveIsAnyPositiveNumber)
{
    SeedSavedSet();
    g_mapStore["mod1 active"] = -1;
    g_mapStore["mod2 active"] = 7;
    g_mapStore["mod3 active"] = 0;
    LoadSettingsFrom(kMemoryStore);
    EXPECT_FALSE(g_Modules[1].active);
    EXPECT_TRUE(g_Modules[2].active);
    EXPECT_FALSE(g_Modules[3].active);
    EXPECT_EQ(Stored("mod1 active"), 0);
    EXPECT_EQ(Stored("mod2 active"), 1);
    EXPECT_EQ(g_nModule, 2);  // the first active module becomes current
    EXPECT_EQ(g_fDepth, 20.01f);
}

TEST_F(SettingsRules, NoActiveModuleLeavesTheLiveViewAlone)
{
    SeedSavedSet();
    for (const char* psz : {"mod1 active", "mod2 active", "mod3 active"})
        g_mapStore[psz] = 0;
    g_fDepth = 123.0f;
    g_fAngle = 9.0f;
    LoadSettingsFrom(kMemoryStore);
    EXPECT_EQ(g_nModule, 0);
    EXPECT_EQ(g_fDepth, 123.0f);
    EXPECT_EQ(g_fAngle, 0.0f);
}

TEST_F(SettingsRules, NegativeCycleTimeBecomesThirtyAndZeroStays)
{
    SeedSavedSet();
    g_mapStore["cycle time"] = -5;
    LoadSettingsFrom(kMemoryStore);
    EXPECT_EQ(g_nCycleTime, 30);
    EXPECT_EQ(Stored("cycle time"), 30);
    g_mapStore["cycle time"] = 0;
    LoadSettingsFrom(kMemoryStore);
    EXPECT_EQ(g_nCycleTime, 0);
    EXPECT_EQ(Stored("cycle time"), 0);
}

// Only a stored 1 turns the option on; whatever else is there is repaired to 0.
TEST_F(SettingsRules, AllMonitorsReadsOnlyOneAsOn)
{
    const struct {
        bool bPresent;
        int32_t nStored;
        bool bOn;
    } aCases[] = {{true, 1, true},   {true, 0, false},     {true, 2, false},   {true, -1, false},
                  {true, kMissingValue, false}, {true, 0x10001, false}, {false, 0, false}};
    for (const auto& c : aCases) {
        SeedSavedSet();
        if (c.bPresent)
            g_mapStore["all monitors"] = c.nStored;
        else
            g_mapStore.erase("all monitors");
        g_bAllMonitors = !c.bOn;
        LoadSettingsFrom(kMemoryStore);
        EXPECT_EQ(g_bAllMonitors, c.bOn) << c.nStored;
        EXPECT_EQ(Stored("all monitors"), c.bOn ? 1 : 0) << c.nStored;
        EXPECT_EQ(Stored("cycle time"), 12) << c.nStored;
        g_mapStore.clear();
    }
}

TEST_F(SettingsRules, DefaultDepthOfModuleTwoRoundTripsAs2279)
{
    LoadSettingsFrom(kMemoryStore);
    EXPECT_EQ(Stored("mod2 depth"), 2279);
    LoadSettingsFrom(kMemoryStore);
    EXPECT_EQ(g_Modules[2].depth, 22.79f);
    EXPECT_EQ(Stored("mod2 depth"), 2279);
}

TEST_F(SettingsRules, LoadingAndSavingAgainChangesNothing)
{
    SeedSavedSet();
    g_mapStore["mod1 horz"] = 3040;
    g_mapStore["mod2 vert"] = -2279;
    auto mapBefore = g_mapStore;
    LoadSettingsFrom(kMemoryStore);
    LoadSettingsFrom(kMemoryStore);
    EXPECT_EQ(g_mapStore, mapBefore);
}

TEST_F(SettingsRules, SaveWritesRecordsNotTheLiveView)
{
    LoadSettingsFrom(kMemoryStore);
    g_fDepth = 77.0f;
    g_Modules[2].horz = -0.999f;
    g_Modules[3].active = false;
    g_nCycleTime = 45;
    g_nWrites = 0;
    SaveSettingsTo(kMemoryStore);
    EXPECT_EQ(g_nWrites, 26);
    EXPECT_EQ(Stored("mod1 depth"), 4000);
    EXPECT_EQ(Stored("mod2 horz"), -99);
    EXPECT_EQ(Stored("mod3 active"), 0);
    EXPECT_EQ(Stored("cycle time"), 45);
}

TEST(FixedPoint, TruncatesTowardZeroAndSaturates)
{
    EXPECT_EQ(EncodeFixed100(22.8f), 2279);
    EXPECT_EQ(EncodeFixed100(-0.999f), -99);
    EXPECT_EQ(EncodeFixed100(0.005f), 0);
    EXPECT_EQ(EncodeFixed100(-21.0f), -2100);
    EXPECT_EQ(EncodeFixed100(3.0e7f), 2147483647);
    EXPECT_EQ(EncodeFixed100(-1.0e30f), -2147483647 - 1);
    EXPECT_EQ(EncodeFixed100(__builtin_inff()), 2147483647);
    EXPECT_EQ(EncodeFixed100(__builtin_nanf("")), 0);
    EXPECT_EQ(DecodeFixed100(2279), 22.79f);
    EXPECT_NEAR(DecodeFixed100(-9999), -99.99f, 1e-5f);
}

// 30.4f lies below 30.4: a plain division would make every load and save
// lose a hundredth. Every stored number must survive a load and a save.
TEST(FixedPoint, StoredValuesRoundTripExactly)
{
    EXPECT_EQ(EncodeFixed100(DecodeFixed100(3040)), 3040);
    EXPECT_EQ(EncodeFixed100(DecodeFixed100(-3040)), -3040);
    for (int32_t n = -200000; n <= 200000; ++n)
        ASSERT_EQ(EncodeFixed100(DecodeFixed100(n)), n);
    for (int32_t n : {8388607, 16777215, 16777216, 99999999, -99999999})
        EXPECT_NEAR(DecodeFixed100(n), n / 100.0, std::abs(n / 100.0) * 1e-6) << n;
}

}  // namespace
