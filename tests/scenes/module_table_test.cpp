// The module table: stepping through active modules and moving views between
// the records and the live view.
#include "scenes/module_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/support/fresh_process.h"

namespace {

void SetActive(bool b1, bool b2, bool b3)
{
    ResetModuleTable();
    g_Modules[1].active = b1;
    g_Modules[2].active = b2;
    g_Modules[3].active = b3;
}

void SetLiveView(float fDepth, float fHorz, float fVert, float fXrot, float fYrot, float fZrot,
                 float fSpeed)
{
    g_fDepth = fDepth;
    g_fHorz = fHorz;
    g_fVert = fVert;
    g_fXrot = fXrot;
    g_fYrot = fYrot;
    g_fZrot = fZrot;
    g_fSpeed = fSpeed;
}

// Every view field and the active flag, one by one (the record has padding).
void ExpectSameSettings(const ModuleSettings& a, const ModuleSettings& b, int nIndex)
{
    EXPECT_EQ(a.depth, b.depth) << nIndex;
    EXPECT_EQ(a.horz, b.horz) << nIndex;
    EXPECT_EQ(a.vert, b.vert) << nIndex;
    EXPECT_EQ(a.xrot, b.xrot) << nIndex;
    EXPECT_EQ(a.yrot, b.yrot) << nIndex;
    EXPECT_EQ(a.zrot, b.zrot) << nIndex;
    EXPECT_EQ(a.speed, b.speed) << nIndex;
    EXPECT_EQ(a.active, b.active) << nIndex;
}

// The values in force before any settings are loaded, in a process of its own.
TEST(ModuleTable, StartsWithModuleOneAndTheInitialLiveView)
{
    EXPECT_IN_FRESH_PROCESS([] {
        EXPECT_EQ(g_nModule, 1);
        EXPECT_EQ(g_nCycleTime, 0);
        const float afLive[] = {g_fDepth, g_fHorz, g_fVert, g_fXrot, g_fYrot, g_fZrot, g_fSpeed, g_fAngle};
        const float afStart[] = {40.0f, 0.0f, 0.0f, -90.0f, 0.0f, 0.0f, 5.0f, 0.0f};
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(afLive[i], afStart[i]) << i;
        const ModuleSettings zero = {};
        for (int i = 0; i <= kModuleCount; ++i)
            ExpectSameSettings(g_Modules[i], zero, i);  // records are zero until the first reset
    });
}

TEST(ActiveModules, OnlyModuleTwoActiveIsFoundFromEverywhere)
{
    SetActive(false, true, false);
    EXPECT_EQ(CountActiveModules(), 1);
    EXPECT_EQ(NextActiveModule(2), 2);
    EXPECT_EQ(PreviousActiveModule(2), 2);
    EXPECT_EQ(NextActiveModule(0), 2);
    EXPECT_EQ(PreviousActiveModule(0), 2);
    EXPECT_EQ(NextActiveModule(3), 2);
    EXPECT_EQ(PreviousActiveModule(1), 2);
}

TEST(ActiveModules, NoneActiveGivesZeroForEveryStart)
{
    SetActive(false, false, false);
    EXPECT_EQ(CountActiveModules(), 0);
    for (int n = 0; n <= 3; ++n) {
        EXPECT_EQ(NextActiveModule(n), 0) << n;
        EXPECT_EQ(PreviousActiveModule(n), 0) << n;
    }
}

TEST(ActiveModules, ModulesOneAndThreeSkipTwoBothWays)
{
    SetActive(true, false, true);
    EXPECT_EQ(CountActiveModules(), 2);
    EXPECT_EQ(NextActiveModule(1), 3);
    EXPECT_EQ(NextActiveModule(3), 1);
    EXPECT_EQ(PreviousActiveModule(1), 3);
    EXPECT_EQ(PreviousActiveModule(3), 1);
    EXPECT_EQ(NextActiveModule(0), 1);
    EXPECT_EQ(PreviousActiveModule(0), 3);
    EXPECT_EQ(NextActiveModule(2), 3);
    EXPECT_EQ(PreviousActiveModule(2), 1);
}

TEST(ActiveModules, AllActiveCycleInOrder)
{
    SetActive(true, true, true);
    EXPECT_EQ(CountActiveModules(), 3);
    EXPECT_EQ(NextActiveModule(1), 2);
    EXPECT_EQ(NextActiveModule(2), 3);
    EXPECT_EQ(NextActiveModule(3), 1);
    EXPECT_EQ(PreviousActiveModule(1), 3);
    EXPECT_EQ(PreviousActiveModule(3), 2);
}

TEST(ModuleTable, ResetWritesDefaultsAndSnapshotsThem)
{
    g_Modules[2].depth = 99.0f;
    g_DefaultModules[3].active = false;
    ResetModuleTable();
    EXPECT_EQ(g_Modules[0].depth, 30.0f);
    EXPECT_EQ(g_Modules[1].depth, 40.0f);
    EXPECT_EQ(g_Modules[2].depth, 22.8f);
    EXPECT_EQ(g_Modules[3].depth, 20.0f);
    EXPECT_EQ(g_Modules[3].vert, -4.0f);
    EXPECT_EQ(g_Modules[3].xrot, -21.0f);
    for (int i = 0; i <= 3; ++i) {
        EXPECT_EQ(g_Modules[i].speed, 0.5f);
        EXPECT_TRUE(g_Modules[i].active);
        ExpectSameSettings(g_Modules[i], g_DefaultModules[i], i);
    }
}

TEST(ModuleView, ApplyZeroOnlyResetsTheAngle)
{
    ResetModuleTable();
    SetLiveView(1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f);
    g_fAngle = 123.0f;
    ApplyModuleView(0);
    EXPECT_EQ(g_fAngle, 0.0f);
    EXPECT_EQ(g_fDepth, 1.0f);
    EXPECT_EQ(g_fHorz, 2.0f);
    EXPECT_EQ(g_fVert, 3.0f);
    EXPECT_EQ(g_fXrot, 4.0f);
    EXPECT_EQ(g_fYrot, 5.0f);
    EXPECT_EQ(g_fZrot, 6.0f);
    EXPECT_EQ(g_fSpeed, 7.0f);
    g_fAngle = 5.0f;
    ApplyModuleView(4);
    EXPECT_EQ(g_fAngle, 0.0f);
    EXPECT_EQ(g_fDepth, 1.0f);
}

TEST(ModuleView, StoreThenApplyIsBitExact)
{
    ResetModuleTable();
    const float afView[7] = {0.1f, -1.0f / 3.0f, 1e-38f, -21.0f, 359.99997f, 7.77e7f, 0.005f};
    SetLiveView(afView[0], afView[1], afView[2], afView[3], afView[4], afView[5], afView[6]);
    StoreModuleView(1);
    EXPECT_TRUE(g_Modules[1].active);
    SetLiveView(0, 0, 0, 0, 0, 0, 0);
    g_fAngle = 45.0f;
    ApplyModuleView(1);
    const float afLive[7] = {g_fDepth, g_fHorz, g_fVert, g_fXrot, g_fYrot, g_fZrot, g_fSpeed};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(std::memcmp(&afLive[i], &afView[i], sizeof(float)), 0) << i;  // bit for bit
    EXPECT_EQ(g_fAngle, 0.0f);
    // The defaults snapshot is untouched by storing.
    EXPECT_EQ(g_DefaultModules[1].depth, 40.0f);
}

TEST(ModuleView, StoreKeepsTheActiveFlagAndIgnoresBadNumbers)
{
    SetActive(true, true, false);
    SetLiveView(1, 2, 3, 4, 5, 6, 7);
    StoreModuleView(3);
    EXPECT_FALSE(g_Modules[3].active);
    EXPECT_EQ(g_Modules[3].depth, 1.0f);
    ModuleSettings before[kModuleCount + 1];
    std::copy(g_Modules, g_Modules + kModuleCount + 1, before);
    StoreModuleView(0);
    StoreModuleView(4);
    StoreModuleView(-1);
    for (int i = 0; i <= kModuleCount; ++i)
        ExpectSameSettings(g_Modules[i], before[i], i);
}

TEST(ModuleView, RestoreDefaultViewOfModuleThreeAfterChanges)
{
    ResetModuleTable();
    g_Modules[3].depth = 55.5f;  // as if loaded from the registry
    g_Modules[3].speed = 2.0f;
    ApplyModuleView(3);
    g_fDepth += 10.0f;  // as if steered with the keys
    g_fHorz = 3.0f;
    g_fYrot = 30.0f;
    g_fSpeed = 9.0f;
    g_fAngle = 77.0f;
    RestoreDefaultView(3);
    EXPECT_EQ(g_fDepth, 20.0f);
    EXPECT_EQ(g_fHorz, 0.0f);
    EXPECT_EQ(g_fVert, -4.0f);
    EXPECT_EQ(g_fXrot, -21.0f);
    EXPECT_EQ(g_fYrot, 0.0f);
    EXPECT_EQ(g_fZrot, 0.0f);
    EXPECT_EQ(g_fSpeed, 0.5f);
    EXPECT_EQ(g_fAngle, 77.0f);
    EXPECT_EQ(g_Modules[3].depth, 55.5f);
    EXPECT_EQ(g_Modules[3].speed, 2.0f);
}

}  // namespace
