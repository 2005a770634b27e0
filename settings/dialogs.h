// The settings dialog and the dialogs it opens.
#pragma once
#include <windows.h>

INT_PTR CALLBACK SettingsDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
