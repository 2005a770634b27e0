// The settings dialog and the dialogs it opens.
#pragma once
#include <windows.h>

INT_PTR CALLBACK SettingsDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Presses the preview button of the current module (the live preview's frame
// loop calls it when the module changes).
void UpdateModuleButtons(HWND hDlg);
