// Black covers over every monitor besides the one the full-screen saver
// window holds. Each cover is a topmost popup owned by the saver window, so it
// stays above it, goes with it when it is destroyed, and never takes the focus:
// keys keep going to the saver window. Mouse movement over a cover counts
// against the saver's one reference point; clicks are swallowed. When the
// "all monitors" option is on, the render runtime draws into the covers too.
#include "win32/host.h"
#include "win32/monitor_layout.h"
#include "win32/render.h"

#include <vector>

static const char kCoverClassName[] = "VelthraMonitorCover";
static std::vector<HWND> g_ahCoverWnd;

static LRESULT CALLBACK MonitorCoverProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    const bool bGuarding = !g_bVerifying && !g_bCloseApproved;
    switch (uMsg) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATEANDEAT;  // a click reaches nothing and activates nothing
    case WM_SETCURSOR:
        if (bGuarding) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        if (bGuarding && g_hSaverWnd)
            OnMouseMove(g_hSaverWnd);
        return 0;
    case WM_CLOSE:
        // Whoever closes a cover closes the saver, with its password check.
        if (g_hSaverWnd)
            PostMessageA(g_hSaverWnd, WM_CLOSE, 0, 0);
        return 0;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

static bool RegisterCoverClass()
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    // Own DC: with "all monitors" on, the one OpenGL context is made current on it.
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = MonitorCoverProc;
    wc.hInstance = g_hModuleInstance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kCoverClassName;
    WNDCLASSA wcExisting;
    if (GetClassInfoA(g_hModuleInstance, kCoverClassName, &wcExisting))
        return true;
    return RegisterClassA(&wc) != 0;
}

static BOOL CALLBACK CollectMonitorProc(HMONITOR, HDC, LPRECT prc, LPARAM lParam)
{
    auto* pMonitors = reinterpret_cast<std::vector<MonitorRect>*>(lParam);
    pMonitors->push_back({prc->left, prc->top, prc->right, prc->bottom});
    return TRUE;
}

static std::vector<MonitorRect> ListMonitors()
{
    std::vector<MonitorRect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitorProc, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

static void CreateCover(HWND hSaverWnd, const MonitorRect& r)
{
    HWND hCover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                  kCoverClassName, "", WS_POPUP | WS_VISIBLE, r.left, r.top,
                                  r.right - r.left, r.bottom - r.top, hSaverWnd, nullptr,
                                  g_hModuleInstance, nullptr);
    if (hCover)
        g_ahCoverWnd.push_back(hCover);
}

void DestroyMonitorCovers()
{
    ForgetFailedCovers();
    std::vector<HWND> ahCovers;
    ahCovers.swap(g_ahCoverWnd);
    for (HWND hCover : ahCovers) {
        if (IsWindow(hCover))
            DestroyWindow(hCover);
    }
}

void CoverOtherMonitors(HWND hSaverWnd)
{
    DestroyMonitorCovers();
    if (!RegisterCoverClass())
        return;
    RECT rc;
    if (!GetWindowRect(hSaverWnd, &rc))
        return;
    const MonitorRect saver = {rc.left, rc.top, rc.right, rc.bottom};
    for (const MonitorRect& r : ChooseCoveredMonitors(ListMonitors(), saver))
        CreateCover(hSaverWnd, r);
}

// The frame loop drains only the saver window's queue, and its posted frame
// message would keep the covers' input from ever reaching GetMessageA.
void DispatchCoverMessages()
{
    for (size_t i = 0; i < g_ahCoverWnd.size(); ++i) {
        MSG msg;
        while (i < g_ahCoverWnd.size() && PeekMessageA(&msg, g_ahCoverWnd[i], 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

int CountMonitorCovers()
{
    return static_cast<int>(g_ahCoverWnd.size());
}

HWND GetMonitorCover(int nIndex)
{
    if (nIndex < 0 || nIndex >= CountMonitorCovers())
        return nullptr;
    HWND hCover = g_ahCoverWnd[static_cast<size_t>(nIndex)];
    return IsWindow(hCover) ? hCover : nullptr;
}

// A new monitor layout: the saver window takes the primary monitor's new
// size, and the covers are made anew for the other monitors.
void OnSaverDisplayChange(HWND hSaverWnd)
{
    const int nWidth = GetSystemMetrics(SM_CXSCREEN);
    const int nHeight = GetSystemMetrics(SM_CYSCREEN);
    if (nWidth > 0 && nHeight > 0)
        SetWindowPos(hSaverWnd, HWND_TOPMOST, 0, 0, nWidth, nHeight, SWP_NOACTIVATE);
    // Frames are drawn on the saver window's DC, which is current here.
    if (g_hRenderRC) {
        FitProjectionToWindow();
        UpdateFrameRhythm(hSaverWnd);
    }
    CoverOtherMonitors(hSaverWnd);
}
