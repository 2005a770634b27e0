// The switches over the stored settings, and the way back: a value a key
// changed differs from the one the run started with; every other value is
// written as the file had it.
#include "x11/run_settings.h"

void ApplyRunOptions(const RunOptions& options, RunSettings* pRun)
{
    pRun->nStoredCycleTime = g_nCycleTime;
    for (int n = 1; n <= kModuleCount; ++n) {
        pRun->aStored[n] = g_Modules[n];
        ModuleSettings& m = g_Modules[n];
        if (options.nModuleMask != 0)
            m.active = (options.nModuleMask & (1 << n)) != 0;
        if (options.fSpeed > 0.0f)
            m.speed = options.fSpeed;
        if (options.abView[n]) {
            const float* pf = options.afView[n];
            m = ModuleSettings{pf[0], pf[1], pf[2], pf[3], pf[4], pf[5], pf[6], m.active};
        }
        pRun->aStart[n] = m;
    }
    if (options.nCycleTime >= 0)
        g_nCycleTime = options.nCycleTime;
    g_nModule = NextActiveModule(0);
    ApplyModuleView(g_nModule);
}

static float KeepKeyChange(float fStored, float fAtStart, float fNow)
{
    return fNow != fAtStart ? fNow : fStored;
}

ModuleSettings MergeKeyChanges(const ModuleSettings& stored, const ModuleSettings& atStart,
                               const ModuleSettings& now)
{
    return ModuleSettings{KeepKeyChange(stored.depth, atStart.depth, now.depth),
                          KeepKeyChange(stored.horz, atStart.horz, now.horz),
                          KeepKeyChange(stored.vert, atStart.vert, now.vert),
                          KeepKeyChange(stored.xrot, atStart.xrot, now.xrot),
                          KeepKeyChange(stored.yrot, atStart.yrot, now.yrot),
                          KeepKeyChange(stored.zrot, atStart.zrot, now.zrot),
                          KeepKeyChange(stored.speed, atStart.speed, now.speed),
                          stored.active};
}

void KeepOnlyKeyChanges(const RunSettings& run)
{
    for (int n = 1; n <= kModuleCount; ++n)
        g_Modules[n] = MergeKeyChanges(run.aStored[n], run.aStart[n], g_Modules[n]);
    g_nCycleTime = run.nStoredCycleTime;
}
