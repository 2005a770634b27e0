// Who may start a frame. The frame message is an ordinary window message that
// any program can post, so the runtime takes only its own: it notes each post
// and accepts one frame message per post, and only while its OpenGL context
// exists. The full-screen saver also stops its frame chain while the display
// is off or the session is locked or disconnected, and waits in GetMessageA
// until the system reports that the display or the session is back.
#include "win32/render.h"

#include "win32/host.h"
#include "render/pause_rules.h"

#include <cstring>

// The notification interfaces are looked up at run time: older systems lack
// them, and wtsapi32 stays out of the import table.
typedef HPOWERNOTIFY(WINAPI* RegisterPowerSettingNotificationFn)(HANDLE, LPCGUID, DWORD);
typedef BOOL(WINAPI* UnregisterPowerSettingNotificationFn)(HPOWERNOTIFY);
typedef BOOL(WINAPI* WtsRegisterSessionNotificationFn)(HWND, DWORD);
typedef BOOL(WINAPI* WtsUnRegisterSessionNotificationFn)(HWND);

const GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const DWORD kNotifyForThisSession = 0;  // NOTIFY_FOR_THIS_SESSION of wtsapi32
const GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

static struct {
    bool bWatching;          // the full-screen saver listens for display and session changes
    bool bChainStopped;      // a frame found drawing paused and posted no next frame
    DWORD dwPausedAt;        // GetTickCount when the chain stopped
    PauseFlags flags;
    HPOWERNOTIFY hDisplayNotify;
    HMODULE hWtsApi;
    bool bSessionNotify;
} g_Pause;

void PostRenderFrame(HWND hWnd)
{
    if (PostMessageA(hWnd, WM_RENDER_FRAME, static_cast<WPARAM>(-1), static_cast<LPARAM>(-1)))
        g_SaverState.bFramePending = true;
}

bool TakeRenderFrame(WPARAM wParam, LPARAM lParam)
{
    if (!g_SaverState.bFramePending || !g_hRenderRC || wParam != static_cast<WPARAM>(-1) ||
        lParam != static_cast<LPARAM>(-1))
        return false;
    g_SaverState.bFramePending = false;
    return true;
}

bool StopFramesWhileAway()
{
    if (IsDrawingAllowed(g_Pause.flags))
        return false;
    if (!g_Pause.bChainStopped) {
        g_Pause.bChainStopped = true;
        g_Pause.dwPausedAt = GetTickCount();
        HoldFramePacing(true);
    }
    return true;
}

// One frame restarts the chain, with the module and view it stopped with.
static void RestartFramesWhenBack(HWND hWnd)
{
    // Inside a key taken while paused (a modal control menu): the restart
    // waits until the key has been handled.
    if (!g_Pause.bChainStopped || !IsDrawingAllowed(g_Pause.flags) || g_SaverState.bInFrame)
        return;
    g_Pause.bChainStopped = false;
    HoldFramePacing(false);
    if (g_SaverState.bQuitRequested || g_SaverState.bClosing || !g_hRenderRC)
        return;
    g_SaverState.dwLastSwitchTick =
        ResumeSwitchTick(g_SaverState.dwLastSwitchTick, g_Pause.dwPausedAt, GetTickCount());
    if (!g_SaverState.bFramePending)
        PostRenderFrame(hWnd);
}

void StartPauseWatch(HWND hWnd)
{
    g_Pause.bWatching = true;
    HMODULE hUser32 = GetModuleHandleA("USER32.DLL");
    auto pfnRegister = LoadProc<RegisterPowerSettingNotificationFn>(hUser32, "RegisterPowerSettingNotification");
    if (pfnRegister) {
        // The console display state exists from Windows 8 on; before that
        // only the monitor power setting reports the display.
        g_Pause.hDisplayNotify = pfnRegister(hWnd, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (!g_Pause.hDisplayNotify)
            g_Pause.hDisplayNotify = pfnRegister(hWnd, &kMonitorPowerOn, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    g_Pause.hWtsApi = LoadLibraryA("WTSAPI32.DLL");
    auto pfnWtsRegister = LoadProc<WtsRegisterSessionNotificationFn>(g_Pause.hWtsApi, "WTSRegisterSessionNotification");
    g_Pause.bSessionNotify = pfnWtsRegister && pfnWtsRegister(hWnd, kNotifyForThisSession);
}

static void StopPauseWatch(HWND hWnd)
{
    if (!g_Pause.bWatching)
        return;
    g_Pause.bWatching = false;
    if (g_Pause.hDisplayNotify) {
        auto pfnUnregister = LoadProc<UnregisterPowerSettingNotificationFn>(
            GetModuleHandleA("USER32.DLL"), "UnregisterPowerSettingNotification");
        if (pfnUnregister)
            pfnUnregister(g_Pause.hDisplayNotify);
        g_Pause.hDisplayNotify = nullptr;
    }
    if (g_Pause.bSessionNotify) {
        auto pfnWtsUnregister =
            LoadProc<WtsUnRegisterSessionNotificationFn>(g_Pause.hWtsApi, "WTSUnRegisterSessionNotification");
        if (pfnWtsUnregister)
            pfnWtsUnregister(hWnd);
        g_Pause.bSessionNotify = false;
    }
    if (g_Pause.hWtsApi) {
        FreeLibrary(g_Pause.hWtsApi);
        g_Pause.hWtsApi = nullptr;
    }
}

// The display state carried by a power-setting notification; false for any
// other setting or a malformed block.
static bool ReadDisplayState(LPARAM lParam, DWORD* pdwState)
{
    const auto* pSetting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
    if (!pSetting || pSetting->DataLength < sizeof(DWORD))
        return false;
    if (!IsEqualGUID(pSetting->PowerSetting, kConsoleDisplayState) &&
        !IsEqualGUID(pSetting->PowerSetting, kMonitorPowerOn))
        return false;
    std::memcpy(pdwState, pSetting->Data, sizeof(DWORD));
    return true;
}

// Keys reach the window procedure only while the chain is stopped (a running
// frame takes them out of the queue itself); they keep their meaning, so Esc
// still ends the saver while nothing is drawn. They are handled as inside a
// frame, so that a modal window they open holds the animation as usual.
static void OnPausedKey(HWND hWnd, UINT uMsg, WPARAM wParam)
{
    if (!g_Pause.bChainStopped || g_SaverState.bQuitRequested || g_SaverState.bInFrame)
        return;
    g_SaverState.bInFrame = true;
    HandleKey(hWnd, uMsg, wParam);
    g_SaverState.bInFrame = false;
    if (g_SaverState.bQuitRequested) {
        if (!g_SaverState.bClosing)
            PostMessageA(hWnd, WM_CLOSE, 0, 0);
    } else {
        RestartFramesWhenBack(hWnd);
    }
}

void OnPauseMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (!g_Pause.bWatching)
        return;
    DWORD dwState;
    switch (uMsg) {
    case WM_POWERBROADCAST:
        if (wParam == PBT_POWERSETTINGCHANGE && ReadDisplayState(lParam, &dwState)) {
            ApplyDisplayState(&g_Pause.flags, dwState);
            RestartFramesWhenBack(hWnd);
        }
        break;
    case WM_WTSSESSION_CHANGE:
        ApplySessionChange(&g_Pause.flags, static_cast<uint32_t>(wParam));
        RestartFramesWhenBack(hWnd);
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        OnPausedKey(hWnd, uMsg, wParam);
        break;
    case WM_DESTROY:
        StopPauseWatch(hWnd);
        break;
    }
}
