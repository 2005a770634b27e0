// The Linux program's entry: switches, stored views, the window, the frames.
// The stored views are loaded first and the switches then override them for
// this run only; the file is rewritten only after a key changed a view, and
// then with the modules and cycle time it held, not those of the switches.
#include <cstdio>

#include "scenes/module_table.h"
#include "scenes/random.h"
#include "x11/settings_store.h"
#include "x11/switches.h"
#include "x11/host.h"

const int kUsageStatus = 2;

static int ReportBadSwitches(const char* pszProblem)
{
    char szUsage[512];
    FormatUsage(szUsage, sizeof(szUsage));
    std::fprintf(stderr, "velthra: %s; %s\n", pszProblem, szUsage);
    return kUsageStatus;
}

static void ApplyOptions(const RunOptions& options)
{
    for (int n = 1; n <= kModuleCount; ++n) {
        ModuleSettings& m = g_Modules[n];
        if (options.nModuleMask != 0)
            m.active = (options.nModuleMask & (1 << n)) != 0;
        if (options.fSpeed > 0.0f)
            m.speed = options.fSpeed;
        if (options.abView[n]) {
            const float* pf = options.afView[n];
            m = ModuleSettings{pf[0], pf[1], pf[2], pf[3], pf[4], pf[5], pf[6], m.active};
        }
    }
    if (options.nCycleTime >= 0)
        g_nCycleTime = options.nCycleTime;
    g_nModule = NextActiveModule(0);
    ApplyModuleView(g_nModule);
}

// The active flags and cycle time as the file had them.
struct StoredChoice {
    bool abActive[kModuleCount + 1];
    int nCycleTime;
};

static StoredChoice ReadStoredChoice()
{
    StoredChoice choice = {};
    for (int n = 1; n <= kModuleCount; ++n)
        choice.abActive[n] = g_Modules[n].active;
    choice.nCycleTime = g_nCycleTime;
    return choice;
}

static void SaveChangedViews(const char* pszPath, const StoredChoice& choice)
{
    StoreModuleView(g_nModule);
    for (int n = 1; n <= kModuleCount; ++n)
        g_Modules[n].active = choice.abActive[n];
    g_nCycleTime = choice.nCycleTime;
    if (!SaveSettingsFile(pszPath))
        std::fprintf(stderr, "velthra: cannot write %s\n", pszPath);
}

int main(int argc, char** argv)
{
    CatchStopSignals();
    RunOptions options;
    char szProblem[256];
    if (!ParseSwitches(argc, argv, &options, szProblem, sizeof(szProblem)))
        return ReportBadSwitches(szProblem);

    char szPath[4096];
    const bool bHavePath = FindSettingsPath(szPath, sizeof(szPath));
    LoadSettingsFile(bHavePath ? szPath : nullptr);
    const StoredChoice stored = ReadStoredChoice();
    ApplyOptions(options);
    SeedRandom(ReadRandomSeed());

    int nStatus = OpenDrawWindow(options);
    if (nStatus == 0)
        nStatus = CreateDrawContext();
    if (nStatus == 0 && !IsStopRequested())
        nStatus = RunFrames(options);
    CloseDrawWindow();
    if (nStatus == 0 && g_bViewsChanged && bHavePath)
        SaveChangedViews(szPath, stored);
    return nStatus;
}
