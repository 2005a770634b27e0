// The end of the Windows session (sign-out, shutdown) and the Restart
// Manager's request to close (ENDSESSION_CLOSEAPP, when an installer must
// replace velthra.scr): every window of the program ends as its normal close
// would, at once and without asking. Nothing may hold the session up then:
// no password, no message box, no modal window left open inside a frame.
#include "win32/host.h"

bool g_bSessionEnding = false;

// A modal loop ends only when its dialog ends: each dialog of the thread
// (control menu, "Params", nested dialogs, a password prompt) is cancelled
// as Esc would, and ended outright where it has no Cancel.
static BOOL CALLBACK CancelDialog(HWND hWnd, LPARAM lKeep)
{
    char szClass[16];
    if (hWnd != reinterpret_cast<HWND>(lKeep) && GetClassNameA(hWnd, szClass, sizeof(szClass)) &&
        lstrcmpA(szClass, "#32770") == 0) {
        SendMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
        if (IsWindow(hWnd))
            EndDialog(hWnd, IDCANCEL);
    }
    return TRUE;
}

void EndWithSession(HWND hWnd, WPARAM wEnding)
{
    // FALSE: another program kept the session, so this one runs on.
    if (!wEnding || g_bSessionEnding)
        return;
    g_bSessionEnding = true;
    EnumThreadWindows(GetCurrentThreadId(), CancelDialog, reinterpret_cast<LPARAM>(hWnd));
    if (IsWindow(hWnd))
        SendMessageA(hWnd, WM_CLOSE, 0, 0);
}

const char kSessionWatchClass[] = "VelthraSessionWatch";

static LRESULT CALLBACK SessionWatchProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if ((uMsg == WM_QUERYENDSESSION || uMsg == WM_ENDSESSION) && g_hSaverWnd && IsWindow(g_hSaverWnd))
        return SendMessageA(g_hSaverWnd, uMsg, wParam, lParam);
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

void WatchSessionForPreview()
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = SessionWatchProc;
    wc.hInstance = g_hModuleInstance;
    wc.lpszClassName = kSessionWatchClass;
    if (RegisterClassA(&wc))
        CreateWindowExA(WS_EX_TOOLWINDOW, kSessionWatchClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                        g_hModuleInstance, nullptr);
}
