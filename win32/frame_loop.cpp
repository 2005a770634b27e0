// The render runtime's layer of the saver window and its frame loop. Frames
// are driven by a message the window posts to itself after each frame, on the
// one user-interface thread: no timers, no worker threads. Each frame first
// drains the queue, because a window that always has a posted message waiting
// would otherwise never see its input (posted messages come before input).
#include "win32/render.h"

#include "win32/host.h"
#include "render/frame_step.h"
#include "scenes/module_table.h"
#include "scenes/modules.h"
#include "win32/dialogs.h"
#include "settings/settings_rules.h"
#include "win32/settings_store.h"

SaverState g_SaverState;

static int ClientWidth(HWND hWnd)
{
    RECT rc;
    GetClientRect(hWnd, &rc);
    return rc.right - rc.left;
}

static void OnRuntimeCreate(HWND hWnd)
{
    g_SaverState.bRunningAsSaver = true;
    SetStoreContext(hWnd, kSettingsKey);
    LoadSettings();
    g_SaverState.bCoversDesktop = ClientWidth(hWnd) == ClientWidth(GetDesktopWindow());
    if (!g_bPreview)
        StartPauseWatch(hWnd);
    if (CreateRenderContext(hWnd, 32)) {
        g_SaverState.dwLastSwitchTick = GetTickCount();
        PostRenderFrame(hWnd);
    }
}

// Runs once: later WM_CLOSE messages (after a refused password) skip it.
static void OnRuntimeClose()
{
    if (g_SaverState.bClosing)
        return;
    g_SaverState.bClosing = true;
    g_SaverState.bQuitRequested = true;
    DestroyRenderContext();
    StoreModuleView(g_nModule);
    SaveSettings();
}

// Takes every pending message of the window: keys go to HandleKey, a
// WM_CLOSE ends the drain as a quit request, everything else is dispatched.
static void DrainMessages(HWND hWnd)
{
    MSG msg;
    while (PeekMessageA(&msg, hWnd, 0, 0, PM_REMOVE)) {
        switch (msg.message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
            HandleKey(hWnd, msg.message, msg.wParam);
            break;
        case WM_CLOSE:
            g_SaverState.bQuitRequested = true;
            return;
        case WM_QUIT:
            // Posted by WM_DESTROY when the window went away during the drain
            // (a preview whose parent was destroyed); the message loop must see it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        default:
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            break;
        }
    }
}

static void OnRenderFrame(HWND hWnd, WPARAM wParam, LPARAM lParam)
{
    if (g_SaverState.bInFrame || g_SaverState.bQuitRequested || !TakeRenderFrame(wParam, lParam))
        return;
    g_SaverState.bInFrame = true;
    DrainMessages(hWnd);
    DispatchCoverMessages();
    // A close handled while messages were dispatched (Alt+F4) has destroyed
    // the context, and a preview may have lost its window with its parent:
    // neither draw nor post anything then.
    if (!g_SaverState.bClosing && IsWindow(hWnd)) {
        if (g_SaverState.bQuitRequested) {
            PostMessageA(hWnd, WM_CLOSE, 0, 0);
        } else if (!StopFramesWhileAway()) {
            DrawFrame(hWnd);
            SetWindowPos(g_hSaverWnd, HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
            PostRenderFrame(hWnd);
        }
    }
    g_SaverState.bInFrame = false;
}

bool IsRunningAsSaver()
{
    return g_SaverState.bRunningAsSaver;
}

void DrawFrame(HWND hWnd)
{
    if (!g_SaverState.bRunningAsSaver)
        UpdateModuleButtons(hWnd, g_nModule);
    else if (ChangeModuleWhenDue(g_SaverState.dwLastSwitchTick, GetTickCount()))
        g_SaverState.dwLastSwitchTick = GetTickCount();
    PaceFrame();
    FitProjectionToWindow();
    if (g_bAllMonitors && g_SaverState.bRunningAsSaver)
        DrawOnMonitorCovers(hWnd);
    // A frame in which OpenGL reported an error is not presented.
    if (DrawWindowFrame(g_RenderBuffer) && !g_SaverState.bQuitRequested)
        SwapBuffers(g_hRenderDC);
}

LRESULT RenderRuntimeProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE:
        OnRuntimeCreate(hWnd);
        break;
    case WM_CLOSE:
        OnRuntimeClose();
        break;
    case WM_RENDER_FRAME:
        OnRenderFrame(hWnd, wParam, lParam);
        break;
    case WM_POWERBROADCAST:
    case WM_WTSSESSION_CHANGE:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_DESTROY:
        OnPauseMessage(hWnd, uMsg, wParam, lParam);
        break;
    }
    return HostDefaultProc(hWnd, uMsg, wParam, lParam);
}
