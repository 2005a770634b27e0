// The settings dialog with its live preview, and the dialogs it opens: About,
// the symbol dialog and the owner-name dialog.
#pragma once
#include <windows.h>

// Settings dialog (IDD_SETTINGS).
extern bool g_bEditingSeconds;  // keys go to the "Seconds" edit, not to HandleKey
extern int g_nLastSpinPos;      // last position the seconds up-down control reported

INT_PTR CALLBACK SettingsDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
bool InitSettingsDialog(HWND hDlg);  // true when the preview's OpenGL context exists
void OnSettingsCommand(HWND hDlg, WPARAM wParam, LPARAM lParam);
void OnSecondsScroll(HWND hDlg, WPARAM wParam, LPARAM lParam);
// Presses the preview button of module nModule and releases all others (all
// of them for a number outside 1 to 20).
void UpdateModuleButtons(HWND hDlg, int nModule);

// Information dialogs (IDD_ABOUT, IDD_SYMBOL).
INT_PTR CALLBACK AboutDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SymbolDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// pszArgument holds "-new " and the URL; opens it in a new window of the
// user's default browser. The result is ShellExecuteExA's.
BOOL OpenUrlInBrowser(const char* pszArgument);

// Owner-name dialog (IDD_OWNER_NAME).
INT_PTR CALLBACK OwnerNameDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
void SaveOwnerName(HWND hDlg);
