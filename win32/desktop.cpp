// Centring a window on the desktop, as every dialog does when it opens.
#include "win32/host.h"

void CentreOnDesktop(HWND hWnd)
{
    RECT rcDesktop, rcWindow;
    GetWindowRect(GetDesktopWindow(), &rcDesktop);
    GetWindowRect(hWnd, &rcWindow);
    int nWidth = rcWindow.right - rcWindow.left;
    int nHeight = rcWindow.bottom - rcWindow.top;
    int x = (rcDesktop.right - nWidth) / 2;
    int y = (rcDesktop.bottom - nHeight) / 2;
    SetWindowPos(hWnd, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}
