// The module table and the operations that move a view between a module's
// record and the live view, and that step through the active modules.
// Module numbers outside 1 to 3 are ignored by every operation.
#include "scenes/module_table.h"

ModuleSettings g_Modules[kModuleCount + 1];
ModuleSettings g_DefaultModules[kModuleCount + 1];
int g_nModule = 1;
int g_nCycleTime = 0;

float g_fDepth = 40.0f;
float g_fHorz = 0.0f;
float g_fVert = 0.0f;
float g_fXrot = -90.0f;
float g_fYrot = 0.0f;
float g_fZrot = 0.0f;
float g_fSpeed = 5.0f;
float g_fAngle = 0.0f;

static bool IsModuleNumber(int nModule)
{
    return nModule >= 1 && nModule <= kModuleCount;
}

static void CopyViewToLive(const ModuleSettings& m)
{
    g_fDepth = m.depth;
    g_fHorz = m.horz;
    g_fVert = m.vert;
    g_fXrot = m.xrot;
    g_fYrot = m.yrot;
    g_fZrot = m.zrot;
    g_fSpeed = m.speed;
}

void ResetModuleTable()
{
    for (ModuleSettings& m : g_Modules)
        m = ModuleSettings{30.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, true};
    g_Modules[1].depth = 40.0f;
    g_Modules[2].depth = 22.8f;
    g_Modules[3].depth = 20.0f;
    g_Modules[3].vert = -4.0f;
    g_Modules[3].xrot = -21.0f;
    for (int i = 0; i <= kModuleCount; ++i)
        g_DefaultModules[i] = g_Modules[i];
}

void ApplyModuleView(int nModule)
{
    if (IsModuleNumber(nModule))
        CopyViewToLive(g_Modules[nModule]);
    g_fAngle = 0.0f;
}

void StoreModuleView(int nModule)
{
    if (!IsModuleNumber(nModule))
        return;
    ModuleSettings& m = g_Modules[nModule];
    m.depth = g_fDepth;
    m.horz = g_fHorz;
    m.vert = g_fVert;
    m.xrot = g_fXrot;
    m.yrot = g_fYrot;
    m.zrot = g_fZrot;
    m.speed = g_fSpeed;
}

void RestoreDefaultView(int nModule)
{
    if (IsModuleNumber(nModule))
        CopyViewToLive(g_DefaultModules[nModule]);
}

int CountActiveModules()
{
    int nCount = 0;
    for (int n = 1; n <= kModuleCount; ++n)
        nCount += g_Modules[n].active ? 1 : 0;
    return nCount;
}

// Looks at up to four modules from nModule in the direction nStep (+1 or -1),
// wrapping within 1 to 3; the starting module itself is looked at last.
static int FindActiveModule(int nModule, int nStep)
{
    int n = nModule;
    for (int nTries = 0; nTries < kModuleCount + 1; ++nTries) {
        n += nStep;
        if (n > kModuleCount)
            n = 1;
        if (n < 1)
            n = kModuleCount;
        if (g_Modules[n].active)
            return n;
    }
    return 0;
}

int NextActiveModule(int nModule)
{
    return FindActiveModule(nModule, +1);
}

int PreviousActiveModule(int nModule)
{
    return FindActiveModule(nModule, -1);
}
