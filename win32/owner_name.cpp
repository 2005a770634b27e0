// The owner-name dialog (IDD_OWNER_NAME): edit IDC_OWNER_NAME_EDIT holds the
// stored name; OK stores what was typed unless it is empty, Escape and the
// close button store nothing. The About dialog reads the name when it opens.
#include "win32/dialogs.h"

#include "win32/host.h"
#include "resources/resource.h"
#include "win32/settings_store.h"

static const int kOwnerNameSize = 261;  // 260 characters and the NUL

void SaveOwnerName(HWND hDlg)
{
    char szName[kOwnerNameSize];
    GetDlgItemTextA(hDlg, IDC_OWNER_NAME_EDIT, szName, kOwnerNameSize);
    if (szName[0] != '\0')  // an empty edit keeps the stored name
        WriteString("name", szName);
}

static void InitOwnerNameDialog(HWND hDlg)
{
    char szName[kOwnerNameSize];
    ReadString("name", szName, kOwnerNameSize, "");
    SetDlgItemTextA(hDlg, IDC_OWNER_NAME_EDIT, szName);
    CentreOnDesktop(hDlg);
}

INT_PTR CALLBACK OwnerNameDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        InitOwnerNameDialog(hDlg);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            SaveOwnerName(hDlg);
            EndDialog(hDlg, 1);
            break;
        case IDCANCEL:
            EndDialog(hDlg, 1);
            break;
        }
        return 0;
    }
    return 0;
}
