// Settings value rules over a DwordStore. Loading resets the module table
// first, so every value that is absent keeps its built-in default (except the
// speed, whose absence means 1.0), and then writes everything back so that the
// store always holds a complete, repaired set after the first start.
#include "settings/settings_rules.h"

#include "scenes/module_table.h"

#include <cmath>
#include <cstdio>

bool g_bAllMonitors = false;

// The six position fields in their stored order; speed and active follow.
static const char* const kPositionFields[] = {"depth", "horz", "vert", "xrot", "yrot", "zrot"};

static float* PositionField(ModuleSettings& m, int i)
{
    float* apField[] = {&m.depth, &m.horz, &m.vert, &m.xrot, &m.yrot, &m.zrot};
    return apField[i];
}

void FormatModuleValueName(char* pszBuffer, size_t cbBuffer, int nModule, const char* pszField)
{
    std::snprintf(pszBuffer, cbBuffer, "mod%d %s", nModule, pszField);
}

int32_t EncodeFixed100(float fValue)
{
    double dScaled = static_cast<double>(fValue) * 100.0;
    if (std::isnan(dScaled))
        return 0;
    if (dScaled >= 2147483647.0)
        return INT32_MAX;
    if (dScaled <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(dScaled);  // truncates toward zero
}

float DecodeFixed100(int32_t nValue)
{
    // The nearest float to nValue / 100 may lie just below it (30.4f is
    // 30.3999996...), and truncation would then save it as one hundredth less,
    // so every run would lose 0.01. The next float away from zero encodes back.
    float fValue = static_cast<float>(nValue) / 100.0f;
    if (EncodeFixed100(fValue) != nValue) {
        float fAway = std::nextafter(fValue, nValue < 0 ? -HUGE_VALF : HUGE_VALF);
        if (EncodeFixed100(fAway) == nValue)
            fValue = fAway;
    }
    return fValue;
}

// A value read with the missing marker first, and only when present read again
// with 0 as the default (the stored number itself).
static bool ReadPresentValue(const DwordStore& store, const char* pszName, int32_t* pnValue)
{
    if (store.pfnReadDword(pszName, kMissingValue) == kMissingValue)
        return false;
    *pnValue = store.pfnReadDword(pszName, 0);
    return true;
}

static void LoadModule(const DwordStore& store, int nModule)
{
    ModuleSettings& m = g_Modules[nModule];
    ModuleSettings& d = g_DefaultModules[nModule];
    char szName[32];
    for (int i = 0; i < 6; ++i) {
        FormatModuleValueName(szName, sizeof(szName), nModule, kPositionFields[i]);
        int32_t nValue;
        *PositionField(m, i) = ReadPresentValue(store, szName, &nValue) ? DecodeFixed100(nValue)
                                                                        : *PositionField(d, i);
    }

    FormatModuleValueName(szName, sizeof(szName), nModule, "speed");
    float fSpeed = DecodeFixed100(store.pfnReadDword(szName, 100));
    if (fSpeed < kMinSpeed)
        fSpeed = kMinSpeed;
    if (fSpeed > kMaxSpeed)
        fSpeed = kMaxSpeed;
    m.speed = fSpeed;

    FormatModuleValueName(szName, sizeof(szName), nModule, "active");
    int32_t nActive;
    if (!ReadPresentValue(store, szName, &nActive))
        nActive = d.active ? 1 : 0;
    m.active = nActive > 0;
}

void LoadSettingsFrom(const DwordStore& store)
{
    ResetModuleTable();
    // "mod1 depth" marks that module values were saved before; without it
    // every module keeps its defaults.
    if (store.pfnReadDword("mod1 depth", kMissingValue) != kMissingValue) {
        for (int n = 1; n <= kModuleCount; ++n)
            LoadModule(store, n);
    }
    g_nCycleTime = store.pfnReadDword("cycle time", kDefaultCycleTime);
    if (g_nCycleTime < 0)
        g_nCycleTime = kDefaultCycleTime;
    g_bAllMonitors = store.pfnReadDword("all monitors", 0) == 1;
    SaveSettingsTo(store);
    g_nModule = NextActiveModule(0);
    ApplyModuleView(g_nModule);
}

void SaveSettingsTo(const DwordStore& store)
{
    char szName[32];
    for (int n = 1; n <= kModuleCount; ++n) {
        ModuleSettings& m = g_Modules[n];
        for (int i = 0; i < 6; ++i) {
            FormatModuleValueName(szName, sizeof(szName), n, kPositionFields[i]);
            store.pfnWriteDword(szName, EncodeFixed100(*PositionField(m, i)));
        }
        FormatModuleValueName(szName, sizeof(szName), n, "speed");
        store.pfnWriteDword(szName, EncodeFixed100(m.speed));
        FormatModuleValueName(szName, sizeof(szName), n, "active");
        store.pfnWriteDword(szName, m.active ? 1 : 0);
    }
    store.pfnWriteDword("cycle time", g_nCycleTime);
    store.pfnWriteDword("all monitors", g_bAllMonitors ? 1 : 0);
}
