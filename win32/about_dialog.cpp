// The two information dialogs and the web and mail links.
//   About (IDD_ABOUT): IDC_OWNER_NAME shows the stored owner's name;
//     IDC_VISIT_WEB_SITE, IDC_PARTNER_SITE open pages in the default browser,
//     IDC_SEND_EMAIL starts a mail to the maker; IDOK ends it.
//   Symbol (IDD_SYMBOL): IDC_PARTNER_SITE starts Internet Explorer by name.
// The default browser is looked up in HKEY_CLASSES_ROOT without creating
// anything there; browser_command.cpp turns its command into the call.
#include "win32/dialogs.h"

#include "win32/host.h"
#include "resources/resource.h"
#include "win32/browser_command.h"
#include "win32/settings_store.h"

#include <shellapi.h>
#include <string>

static const DWORD kOwnerNameSize = 261;  // 260 characters and the NUL

BOOL OpenUrlInBrowser(const char* pszArgument)
{
    char szCommand[kBrowserTextSize];
    SetStoreContext(nullptr, "HTTP\\shell\\open\\command");
    ReadClassesRootString("", szCommand, sizeof(szCommand), "dummy");
    SetStoreContext(nullptr, kSettingsKey);

    BrowserLaunch launch;
    if (!BuildBrowserLaunch(pszArgument, szCommand, &launch))
        return FALSE;  // no address, or one too long to pass whole
    SHELLEXECUTEINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;  // a failure is not reported
    info.hwnd = GetDesktopWindow();
    info.lpFile = launch.szFile;
    info.lpParameters = launch.szParameters;
    info.nShow = SW_RESTORE;
    return ShellExecuteExA(&info);
}

static void OpenPageInNewWindow(const char* pszUrl)
{
    OpenUrlInBrowser((std::string("-new ") + pszUrl).c_str());
}

static void SendMailToMaker()
{
    std::string sLink = std::string("mailto:") + kMakerEmailAddress + "?subject=Velthra";
    ShellExecuteA(nullptr, nullptr, sLink.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

static void InitAboutDialog(HWND hDlg)
{
    char szName[kOwnerNameSize];
    ReadString("name", szName, sizeof(szName), "");
    SetDlgItemTextA(hDlg, IDC_OWNER_NAME, szName);
    CentreOnDesktop(hDlg);
}

INT_PTR CALLBACK AboutDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        InitAboutDialog(hDlg);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(hDlg, 1);
            break;
        case IDC_VISIT_WEB_SITE:
            OpenPageInNewWindow(kProductPageUrl);
            break;
        case IDC_PARTNER_SITE:
            OpenPageInNewWindow(kPartnerSiteUrl);
            break;
        case IDC_SEND_EMAIL:
            SendMailToMaker();
            break;
        }
        return 0;
    }
    return 0;
}

INT_PTR CALLBACK SymbolDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        CentreOnDesktop(hDlg);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(hDlg, 1);
            break;
        case IDC_PARTNER_SITE:
            ShellExecuteA(nullptr, nullptr, "iexplore.exe",
                          (std::string("-new ") + kPartnerSiteUrl).c_str(), nullptr,
                          SW_SHOWNORMAL);
            break;
        }
        return 0;
    }
    return 0;
}
