// The control menu (template IDD_CONTROL_MENU): OK and two texts listing the
// keys. It runs modally inside a frame handler, so the animation pauses while
// it is open. In the full-screen saver the hidden cursor is shown and held
// inside the menu until it closes, since a mouse move would end the saver.
#include "render/control_menu.h"

#include "host/host.h"
#include "render/render.h"
#include "resources/resource.h"

bool g_bControlMenuOpen = false;

void ShowControlMenu(HWND hOwner)
{
    if (g_bControlMenuOpen)
        return;
    g_bControlMenuOpen = true;
    DialogBoxParamA(g_hModuleInstance, MAKEINTRESOURCEA(IDD_CONTROL_MENU), hOwner,
                    ControlMenuProc, 0);
    g_bControlMenuOpen = false;
}

static void OnControlMenuInit(HWND hDlg)
{
    CentreOnDesktop(hDlg);
    SetFocus(GetDlgItem(hDlg, IDOK));
    if (g_SaverState.bRunningAsSaver) {
        ShowCursor(TRUE);
        RECT rc;
        GetWindowRect(hDlg, &rc);
        ClipCursor(&rc);
    }
}

static void OnControlMenuClose(HWND hDlg)
{
    if (g_SaverState.bRunningAsSaver) {
        ShowCursor(FALSE);
        ClipCursor(nullptr);
    }
    EndDialog(hDlg, 1);
}

INT_PTR CALLBACK ControlMenuProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        OnControlMenuInit(hDlg);
        return FALSE;  // the focus is set
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            OnControlMenuClose(hDlg);
            return FALSE;
        }
        return TRUE;
    }
    return FALSE;
}
