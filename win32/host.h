// The screen-saver host: process-wide facts, the modes, and the saver window
// with its close rules.
#pragma once
#include <windows.h>

// Start-up and mode dispatch.
extern HINSTANCE g_hModuleInstance;  // every dialog, icon and resource is loaded through it
extern bool g_bWin9x;                // Windows 95/98/Me family

bool DetectWin9x();

// A function of a library loaded at run time; null when the library or the
// function is missing.
template <typename Fn>
Fn LoadProc(HMODULE hModule, const char* pszName)
{
    return hModule ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(hModule, pszName)))
                   : nullptr;
}
HWND ParseWindowHandle(const char* pszText);
int RunPreview(const char* pszText);
int RunConfigure(HWND hOwner);
int ChangePassword(const char* pszText);
int DispatchCommandLine(const char* pszCommandLine);
int RunVelthra();  // the process entry's work; returns the exit code
// The process's top-level exception filter, set by RunVelthra.
LONG WINAPI GuardExceptionFilter(EXCEPTION_POINTERS* pInfo);

// Saver window, input and close rules.
extern HWND g_hSaverWnd;
extern bool g_bPreview;
extern bool g_bCloseApproved;
extern bool g_bVerifying;
extern DWORD g_dwLastVerifyTick;
extern POINT g_ptCursorRef;
extern bool g_bCursorRefSet;  // g_ptCursorRef holds a position that was read

extern const char kSaverClassName[];   // "WindowsScreenSaverClass"
extern const char kSaverTitle[];       // "Screen Saver"
extern const char kPreviewTitle[];     // "Preview"

int RunSaverWindow(HWND hParent);
LRESULT CALLBACK SaverWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
LRESULT HostDefaultProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
bool ApproveClose(HWND hWnd);
void LoadPasswordVerifier();
void ReleasePasswordVerifier();
void SetSaverRunning(bool bRunning);
// Mouse movement anywhere on the screen, measured against g_ptCursorRef;
// past the threshold the given saver window is asked to close.
void OnMouseMove(HWND hWnd);

// Black covers over the monitors besides the saver window's own.
void CoverOtherMonitors(HWND hSaverWnd);
void DestroyMonitorCovers();
void OnSaverDisplayChange(HWND hSaverWnd);
void DispatchCoverMessages();  // from the frame loop, after its own drain
int CountMonitorCovers();
HWND GetMonitorCover(int nIndex);  // null when gone or out of range

// The session ends (sign-out, shutdown, the Restart Manager closing the
// program): set once, after which no password is asked and no failure shown.
extern bool g_bSessionEnding;
// WM_ENDSESSION of a saver window, preview or settings dialog: when the
// session does end, cancels the thread's open dialogs and closes the window
// as its normal close would.
void EndWithSession(HWND hWnd, WPARAM wEnding);
// A hidden top-level window that takes the system's session messages for a
// preview, which as another program's child gets none of its own.
void WatchSessionForPreview();

// Shared by every dialog when it opens.
void CentreOnDesktop(HWND hWnd);
