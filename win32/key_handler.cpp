// The key handler of the saver and of the settings dialog's preview. The
// shared frame step changes the live view and the module; what needs windows
// is done here: the module buttons, the control menu, the "Params" box and
// ending the run.
// In the small preview of the Display control panel (a saver window narrower
// than the desktop) keys are ignored, since that window belongs to the panel.
#include "win32/render.h"

#include "win32/control_menu.h"
#include "render/frame_step.h"
#include "render/keys.h"
#include "scenes/module_table.h"
#include "win32/dialogs.h"

static LiveView ReadLiveView()
{
    return LiveView{g_fDepth, g_fHorz, g_fVert, g_fXrot, g_fYrot, g_fZrot, g_fSpeed};
}

// After Enter or Backspace the new module gets its full cycle time.
static void OnModuleSwitched(HWND hWnd)
{
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
    switch (ApplyKeyToView(wKey <= 0xFF ? static_cast<int>(wKey) : -1)) {
    case kKeySteered:
    case kKeyRestoreView:
        break;
    case kKeyPreviousModule:
    case kKeyNextModule:
        OnModuleSwitched(hWnd);
        break;
    case kKeyQuit:
        g_SaverState.bQuitRequested = true;
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
