// The Linux program's entry: switches, stored views, the window, the frames.
// The stored views are loaded first and the switches then override them for
// this run only; the file is rewritten only after a key changed a view, and
// then with the file's values and the keys' changes, none of the switches'.
#include <cstdio>

#include "scenes/module_table.h"
#include "scenes/random.h"
#include "x11/run_settings.h"
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

static void SaveKeyChanges(const char* pszPath, const RunSettings& run)
{
    StoreModuleView(g_nModule);
    KeepOnlyKeyChanges(run);
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
    RunSettings run;
    ApplyRunOptions(options, &run);
    SeedRandom(ReadRandomSeed());

    int nStatus = OpenDrawWindow(options);
    if (nStatus == 0)
        nStatus = CreateDrawContext();
    if (nStatus == 0 && !IsStopRequested())
        nStatus = RunFrames(options);
    CloseDrawWindow();
    if (nStatus == 0 && g_bViewsChanged && bHavePath)
        SaveKeyChanges(szPath, run);
    return nStatus;
}
