// The module table: stepping through active modules and moving views between
// the records and the live view.
#include "scenes/module_table.h"

#include <gtest/gtest.h>

#include <cstring>

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

// Runs first: the values in force before any settings are loaded.
TEST(ModuleTable, StartsWithModuleOneAndTheInitialLiveView)
{
    EXPECT_EQ(g_nModule, 1);
    EXPECT_EQ(g_nCycleTime, 0);
    const float afLive[] = {g_fDepth, g_fHorz, g_fVert, g_fXrot, g_fYrot, g_fZrot, g_fSpeed, g_fAngle};
    const float afStart[] = {40.0f, 0.0f, 0.0f, -90.0f, 0.0f, 0.0f, 5.0f, 0.0f};
    EXPECT_EQ(std::memcmp(afLive, afStart, sizeof(afStart)), 0);
    EXPECT_EQ(g_Modules[1].depth, 0.0f);  // records are zero until the first reset
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
        EXPECT_EQ(std::memcmp(&g_Modules[i], &g_DefaultModules[i], sizeof(ModuleSettings)), 0) << i;
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
    EXPECT_EQ(std::memcmp(afLive, afView, sizeof(afView)), 0);
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
    ModuleSettings before[4];
    std::memcpy(before, g_Modules, sizeof(before));
    StoreModuleView(0);
    StoreModuleView(4);
    StoreModuleView(-1);
    EXPECT_EQ(std::memcmp(before, g_Modules, sizeof(before)), 0);
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
