// The control menu (template IDD_CONTROL_MENU): OK and two texts listing the
// keys. It runs modally inside a frame handler, so the animation pauses while
// it is open. In the full-screen saver the hidden cursor is shown and held
// inside the menu until it closes, since a mouse move would end the saver.
// The clip is the whole system's: a focus change can release it (Wine does
// on X focus events, other programs may call ClipCursor), so the menu puts
// it back while it is open.
#include "win32/control_menu.h"

#include "win32/host.h"
#include "win32/render.h"
#include "resources/resource.h"

bool g_bControlMenuOpen = false;

const UINT_PTR kClipGuardTimer = 1;
const UINT kClipGuardMs = 200;

void ShowControlMenu(HWND hOwner)
{
    if (g_bControlMenuOpen)
        return;
    g_bControlMenuOpen = true;
    DialogBoxParamA(g_hModuleInstance, MAKEINTRESOURCEA(IDD_CONTROL_MENU), hOwner,
                    ControlMenuProc, 0);
    g_bControlMenuOpen = false;
}

// Holds the cursor inside the menu, unless it is held there already.
static void ClipToMenu(HWND hDlg)
{
    RECT rc, rcClip;
    GetWindowRect(hDlg, &rc);
    if (!GetClipCursor(&rcClip) || !EqualRect(&rc, &rcClip))
        ClipCursor(&rc);
}

static void OnControlMenuInit(HWND hDlg)
{
    CentreOnDesktop(hDlg);
    SetFocus(GetDlgItem(hDlg, IDOK));
    if (g_SaverState.bRunningAsSaver) {
        ShowCursor(TRUE);
        ClipToMenu(hDlg);
        SetTimer(hDlg, kClipGuardTimer, kClipGuardMs, nullptr);
    }
}

static void OnControlMenuClose(HWND hDlg)
{
    if (g_SaverState.bRunningAsSaver) {
        KillTimer(hDlg, kClipGuardTimer);
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
    case WM_TIMER:
        if (wParam == kClipGuardTimer)
            ClipToMenu(hDlg);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            OnControlMenuClose(hDlg);
            return FALSE;
        }
        return TRUE;
    }
    return FALSE;
}
