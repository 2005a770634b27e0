// The control menu: a modal list of the steering keys, opened by F1.
#pragma once
#include <windows.h>

extern bool g_bControlMenuOpen;  // keeps a second menu from opening

void ShowControlMenu(HWND hOwner);
INT_PTR CALLBACK ControlMenuProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
