// The render runtime: the middle layer of the saver window's message path.
#pragma once
#include <windows.h>

LRESULT RenderRuntimeProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
