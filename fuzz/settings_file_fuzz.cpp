// Fuzz target: the Linux program's settings file. Any text loads (damage
// only loses values) into a table within its limits, and the repaired values
// written back are a fixed point: loading what would be written writes the
// same text again, and loading that gives the same table. (The first load
// need not be one: a default of 22.8 is written as 2279.)
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_checks.h"
#include "scenes/module_table.h"
#include "settings/settings_rules.h"
#include "x11/settings_store.h"

static void CheckLimits()
{
    for (int n = 1; n <= kModuleCount; ++n)
        Check(g_Modules[n].speed >= kMinSpeed && g_Modules[n].speed <= kMaxSpeed);
    Check(g_nCycleTime >= 0);
    Check(g_nModule == 0 ? CountActiveModules() == 0 : g_Modules[g_nModule].active);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string text(reinterpret_cast<const char*>(pData), nSize);
    static char szWritten[64 * 48], szAgain[64 * 48];
    LoadSettingsText(text.c_str());
    CheckLimits();
    FormatSettingsText(szWritten, sizeof(szWritten));

    LoadSettingsText(szWritten);
    CheckLimits();
    ModuleSettings aSecond[kModuleCount + 1];
    std::copy(g_Modules, g_Modules + kModuleCount + 1, aSecond);
    const int nSecondCycle = g_nCycleTime;
    FormatSettingsText(szAgain, sizeof(szAgain));
    Check(std::strcmp(szWritten, szAgain) == 0);

    LoadSettingsText(szAgain);
    for (int n = 1; n <= kModuleCount; ++n)
        Check(IsSameRecord(aSecond[n], g_Modules[n]));
    Check(g_nCycleTime == nSecondCycle);
    return 0;
}
