// The key handler of the saver and of the settings dialog's preview. The
// portable SteerView changes the live view; what needs windows is done here:
// changing module, the control menu, the "Params" box and ending the run.
// In the small preview of the Display control panel (a saver window narrower
// than the desktop) keys are ignored, since that window belongs to the panel.
#include "render/render.h"

#include "render/control_menu.h"
#include "render/keys.h"
#include "scenes/module_table.h"
#include "settings/dialogs.h"

static LiveView ReadLiveView()
{
    return LiveView{g_fDepth, g_fHorz, g_fVert, g_fXrot, g_fYrot, g_fZrot, g_fSpeed};
}

static void WriteLiveView(const LiveView& view)
{
    g_fDepth = view.fDepth;
    g_fHorz = view.fHorz;
    g_fVert = view.fVert;
    g_fXrot = view.fXrot;
    g_fYrot = view.fYrot;
    g_fZrot = view.fZrot;
    g_fSpeed = view.fSpeed;
}

static void SwitchModule(HWND hWnd, bool bNext)
{
    StoreModuleView(g_nModule);
    g_nModule = bNext ? NextActiveModule(g_nModule) : PreviousActiveModule(g_nModule);
    ApplyModuleView(g_nModule);
    g_SaverState.dwLastSwitchTick = GetTickCount();
    if (!g_SaverState.bRunningAsSaver)
        UpdateModuleButtons(hWnd, g_nModule);
}

static void ShowParams(HWND hWnd)
{
    char szText[kParamsBufferSize];
    FormatParams(szText, sizeof(szText), ReadLiveView());
    MessageBoxA(hWnd, szText, "Params", MB_OK);
}

LRESULT HandleKey(HWND hWnd, UINT uKind, WPARAM wKey)
{
    if (g_SaverState.bRunningAsSaver && !g_SaverState.bCoversDesktop)
        return 0;
    if (uKind != WM_KEYDOWN)
        return 0;
    LiveView view = ReadLiveView();
    KeyCommand command = SteerView(wKey <= 0xFF ? static_cast<int>(wKey) : -1, view);
    WriteLiveView(view);
    switch (command) {
    case kKeySteered:
        break;
    case kKeyPreviousModule:
        SwitchModule(hWnd, false);
        break;
    case kKeyNextModule:
        SwitchModule(hWnd, true);
        break;
    case kKeyQuit:
        g_SaverState.bQuitRequested = true;
        break;
    case kKeyRestoreView:
        RestoreDefaultView(g_nModule);
        break;
    case kKeyControlMenu:
        ShowControlMenu(hWnd);
        break;
    case kKeyParams:
        ShowParams(hWnd);
        break;
    case kKeyUnmapped:
        if (g_SaverState.bRunningAsSaver)
            g_SaverState.bQuitRequested = true;
        break;
    }
    return 0;
}
