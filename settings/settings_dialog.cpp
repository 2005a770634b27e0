// The settings dialog (template IDD_SETTINGS): OK and Cancel end it.
#include "settings/dialogs.h"
#include "host/host.h"

INT_PTR CALLBACK SettingsDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        CentreOnDesktop(hDlg);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(hDlg, 1);  // the dialog always ends with 1
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void UpdateModuleButtons(HWND)
{
}
