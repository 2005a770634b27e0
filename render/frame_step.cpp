// The shared frame step over the module table and the three renderers.
#include "render/frame_step.h"

#include "render/pacing.h"
#include "scenes/module_table.h"
#include "scenes/modules.h"
#include "scenes/opengl.h"

static const double kFieldOfView = 50.0;
static const double kNearPlane = static_cast<double>(0.1f);  // 0.10000000149011612
static const double kFarPlane = 80000.0;

// Switching is always: store the old view, change module, apply the new view.
static void SwitchModule(bool bNext)
{
    StoreModuleView(g_nModule);
    g_nModule = bNext ? NextActiveModule(g_nModule) : PreviousActiveModule(g_nModule);
    ApplyModuleView(g_nModule);
}

bool ChangeModuleWhenDue(uint32_t dwLastSwitchTick, uint32_t dwNow)
{
    if (!IsModuleChangeDue(dwLastSwitchTick, dwNow, g_nCycleTime, CountActiveModules()))
        return false;
    SwitchModule(true);
    return true;
}

bool DrawCurrentModule()
{
    switch (g_nModule) {
    case 1:
        return DrawFloatingSymbols();
    case 2:
        return DrawEarthModule();
    case 3:
        return DrawSymbolRing();
    default:
        return true;  // no module is active: nothing to draw
    }
}

KeyCommand ApplyKeyToView(int nVirtualKey)
{
    LiveView view{g_fDepth, g_fHorz, g_fVert, g_fXrot, g_fYrot, g_fZrot, g_fSpeed};
    const KeyCommand command = SteerView(nVirtualKey, view);
    g_fDepth = view.fDepth;
    g_fHorz = view.fHorz;
    g_fVert = view.fVert;
    g_fXrot = view.fXrot;
    g_fYrot = view.fYrot;
    g_fZrot = view.fZrot;
    g_fSpeed = view.fSpeed;
    if (command == kKeyPreviousModule || command == kKeyNextModule)
        SwitchModule(command == kKeyNextModule);
    else if (command == kKeyRestoreView)
        RestoreDefaultView(g_nModule);
    return command;
}

void SetProjection(int nWidth, int nHeight)
{
    if (nHeight == 0)
        nHeight = 1;
    glViewport(0, 0, nWidth, nHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(kFieldOfView, static_cast<double>(nWidth) / static_cast<double>(nHeight),
                   kNearPlane, kFarPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
