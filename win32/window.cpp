// The saver window: full screen (a topmost popup over the primary screen) or a
// preview inside a window given on the command line. Every message passes
// SaverWndProc, then the render runtime's RenderRuntimeProc, then
// HostDefaultProc, which hides the cursor, turns mouse movement into a close
// request and approves the close (with the password on Windows 95/98/Me).
#include "win32/host.h"
#include "win32/close_rules.h"
#include "win32/render.h"
#include "resources/resource.h"

HWND g_hSaverWnd = nullptr;
bool g_bPreview = false;
bool g_bCloseApproved = false;
bool g_bVerifying = false;
DWORD g_dwLastVerifyTick = kNoVerifyYet;
POINT g_ptCursorRef = {0, 0};
bool g_bCursorRefSet = false;

const char kSaverClassName[] = "WindowsScreenSaverClass";
const char kSaverTitle[] = "Screen Saver";
const char kPreviewTitle[] = "Preview";

// Password verifier of Windows 95/98/Me, loaded only while a password is set.
typedef BOOL(WINAPI* VerifyScreenSavePwdFn)(HWND);
static HMODULE g_hPasswordCpl = nullptr;
static VerifyScreenSavePwdFn g_pfnVerifyPassword = nullptr;

// Per-monitor DPI and DPI awareness, from Windows 8.1 and 10 on; looked up at
// run time so that older systems run with the system DPI.
typedef HRESULT(WINAPI* GetDpiForMonitorFn)(HMONITOR, int, UINT*, UINT*);
typedef UINT(WINAPI* GetDpiForSystemFn)();
typedef HANDLE(WINAPI* GetWindowDpiAwarenessContextFn)(HWND);
typedef HANDLE(WINAPI* SetThreadDpiAwarenessContextFn)(HANDLE);
const int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

// The monitor layout the cursor reference was taken in: when it changes,
// the system moves the cursor itself, and that jump is no user's movement.
struct DisplayLayout {
    int anMetrics[7];
    bool operator==(const DisplayLayout& other) const
    {
        for (int i = 0; i < 7; ++i) {
            if (anMetrics[i] != other.anMetrics[i])
                return false;
        }
        return true;
    }
};
static DisplayLayout g_layoutAtReference;
static DWORD g_dwDisplayChangeTick = 0;
static bool g_bDisplayChanged = false;

// Input method detached from the saver window while it lives.
typedef HANDLE(WINAPI* ImmAssociateContextFn)(HWND, HANDLE);
static HMODULE g_hImm32 = nullptr;
static ImmAssociateContextFn g_pfnImmAssociateContext = nullptr;
static HANDLE g_hPreviousImeContext = nullptr;

void SetSaverRunning(bool bRunning)
{
    if (!g_bWin9x)
        return;
    UINT uScratch = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, bRunning ? 1 : 0, &uScratch, 0);
}

void ReleasePasswordVerifier()
{
    if (!g_bWin9x || !g_hPasswordCpl)
        return;
    FreeLibrary(g_hPasswordCpl);
    g_hPasswordCpl = nullptr;
    if (g_pfnVerifyPassword) {
        g_pfnVerifyPassword = nullptr;
        SetSaverRunning(false);
    }
}

void LoadPasswordVerifier()
{
    if (!g_bWin9x)
        return;
    if (g_hPasswordCpl)
        ReleasePasswordVerifier();
    HKEY hKey;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &hKey) != ERROR_SUCCESS)
        return;
    DWORD dwUsePassword = 0;
    DWORD cbData = sizeof(dwUsePassword);
    if (RegQueryValueExA(hKey, "ScreenSaveUsePassword", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&dwUsePassword), &cbData) == ERROR_SUCCESS &&
        dwUsePassword != 0) {
        g_hPasswordCpl = LoadLibraryA("PASSWORD.CPL");
        if (g_hPasswordCpl) {
            g_pfnVerifyPassword = LoadProc<VerifyScreenSavePwdFn>(g_hPasswordCpl, "VerifyScreenSavePwd");
            if (g_pfnVerifyPassword)
                SetSaverRunning(true);
            else
                ReleasePasswordVerifier();
        }
    }
    RegCloseKey(hKey);
}

bool ApproveClose(HWND hWnd)
{
    if (g_bVerifying || g_bCloseApproved)
        return false;
    if (!g_pfnVerifyPassword) {
        g_bCloseApproved = true;
        return true;
    }
    if (IsWithinVerifyPause(g_dwLastVerifyTick, GetTickCount()))
        return g_bCloseApproved;
    g_bVerifying = true;
    g_bCloseApproved = SendMessageA(hWnd, WM_APP, 0, 0) != 0;
    g_bVerifying = false;
    if (!g_bCloseApproved)
        SetCursor(nullptr);
    g_dwLastVerifyTick = GetTickCount();
    return g_bCloseApproved;
}

static DisplayLayout ReadDisplayLayout()
{
    static const int anIndex[7] = {SM_XVIRTUALSCREEN, SM_YVIRTUALSCREEN, SM_CXVIRTUALSCREEN,
                                   SM_CYVIRTUALSCREEN, SM_CMONITORS, SM_CXSCREEN, SM_CYSCREEN};
    DisplayLayout layout;
    for (int i = 0; i < 7; ++i)
        layout.anMetrics[i] = GetSystemMetrics(anIndex[i]);
    return layout;
}

// GetCursorPos fails while the input desktop is another one; the reference
// is then unknown until the next good read.
static void TakeCursorReference()
{
    POINT pt;
    g_bCursorRefSet = GetCursorPos(&pt) != FALSE;
    if (g_bCursorRefSet)
        g_ptCursorRef = pt;
    g_layoutAtReference = ReadDisplayLayout();
}

// The DPI of the monitor at the point; the system DPI where the system
// cannot say per monitor.
static unsigned ReadDpiAt(POINT pt)
{
    static GetDpiForMonitorFn s_pfnForMonitor = nullptr;
    static bool s_bLookedUp = false;
    if (!s_bLookedUp) {
        s_bLookedUp = true;
        s_pfnForMonitor = LoadProc<GetDpiForMonitorFn>(LoadLibraryA("SHCORE.DLL"), "GetDpiForMonitor");
    }
    UINT nDpiX = 0, nDpiY = 0;
    if (s_pfnForMonitor &&
        SUCCEEDED(s_pfnForMonitor(MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &nDpiX, &nDpiY)) &&
        nDpiX > 0)
        return nDpiX;
    auto pfnForSystem = LoadProc<GetDpiForSystemFn>(GetModuleHandleA("USER32.DLL"), "GetDpiForSystem");
    if (pfnForSystem)
        return pfnForSystem();
    HDC hScreen = GetDC(nullptr);
    const int nDpi = hScreen ? GetDeviceCaps(hScreen, LOGPIXELSX) : 0;
    if (hScreen)
        ReleaseDC(nullptr, hScreen);
    return nDpi > 0 ? static_cast<unsigned>(nDpi) : kBaseDpi;
}

// A new monitor layout may have moved the cursor, before or after this
// message arrives: the reference is taken again now, and a jump past the
// threshold shortly after is taken as the system's, not the user's.
static void OnSaverLayoutChange()
{
    TakeCursorReference();
    g_bDisplayChanged = true;
    g_dwDisplayChangeTick = GetTickCount();
}

// The layout differs from the reference's: the WM_DISPLAYCHANGE is still to come.
static bool HasLayoutChanged()
{
    return !(ReadDisplayLayout() == g_layoutAtReference);
}

static bool IsSettlingAfterDisplayChange()
{
    return g_bDisplayChanged && ElapsedTicks(g_dwDisplayChangeTick, GetTickCount()) < kDisplaySettleMs;
}

void OnMouseMove(HWND hWnd)
{
    POINT pt = {0, 0};
    const bool bRead = GetCursorPos(&pt) != FALSE;
    const bool bReferenceValid = g_bCursorRefSet && !(bRead && HasLayoutChanged());
    const int nThreshold = bRead ? ScaleMouseThreshold(ReadDpiAt(pt)) : kMouseThreshold;
    MouseMoveAction action = JudgeMouseMove(bReferenceValid, g_ptCursorRef.x, g_ptCursorRef.y, bRead, pt.x, pt.y, nThreshold);
    if (action == MOUSE_CLOSE && IsSettlingAfterDisplayChange())
        action = MOUSE_TAKE_REFERENCE;  // the system moving the cursor into the new layout
    switch (action) {
    case MOUSE_CLOSE:
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
        g_ptCursorRef = pt;
        break;
    case MOUSE_TAKE_REFERENCE:
        g_ptCursorRef = pt;
        g_bCursorRefSet = true;
        g_layoutAtReference = ReadDisplayLayout();
        break;
    case MOUSE_STAY:
    case MOUSE_IGNORE:
        break;
    }
}

LRESULT HostDefaultProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (g_bPreview || g_bCloseApproved)
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    switch (uMsg) {
    case WM_CLOSE:
        // No password when the session ends: nobody is there to give it.
        if (g_bWin9x && !g_bSessionEnding && !ApproveClose(hWnd)) {
            TakeCursorReference();
            return 0;
        }
        break;
    case WM_APP:
        if (g_bWin9x)
            return g_pfnVerifyPassword ? g_pfnVerifyPassword(hWnd) : 1;
        break;
    default:
        if (g_bVerifying)
            break;  // the password dialog is up: no hiding, no measuring
        switch (uMsg) {
        case WM_SETCURSOR:
            SetCursor(nullptr);
            return 1;
        case WM_SHOWWINDOW:
            if (wParam)
                SetCursor(nullptr);
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(hWnd);
            break;
        }
        break;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

static void DetachInputMethod(HWND hWnd)
{
    g_hImm32 = GetModuleHandleA("IMM32.DLL");
    if (g_hImm32)
        g_pfnImmAssociateContext = LoadProc<ImmAssociateContextFn>(g_hImm32, "ImmAssociateContext");
    if (g_pfnImmAssociateContext)
        g_hPreviousImeContext = g_pfnImmAssociateContext(hWnd, nullptr);
}

static void RestoreInputMethod(HWND hWnd)
{
    if (g_hImm32 && g_pfnImmAssociateContext && g_hPreviousImeContext)
        g_pfnImmAssociateContext(hWnd, g_hPreviousImeContext);
}

// WM_HELP carries a pointer to its HELPINFO, and the system refuses to post
// such messages (ERROR_MESSAGE_SYNC_ONLY), so it is sent instead, with a time
// limit so that a hung parent cannot hang the preview.
static LRESULT ForwardHelpToParent(HWND hWnd, UINT uMsg, LPARAM lParam)
{
    HWND hParent = GetParent(hWnd);
    if (!hParent || !IsWindow(hParent))
        return 1;
    WPARAM wParent = reinterpret_cast<WPARAM>(hParent);
    if (uMsg == WM_HELP)
        SendMessageTimeoutA(hParent, uMsg, wParent, lParam, SMTO_ABORTIFHUNG, 2000, nullptr);
    else
        PostMessageA(hParent, uMsg, wParent, lParam);
    return 1;
}

LRESULT CALLBACK SaverWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE:
        DetachInputMethod(hWnd);
        TakeCursorReference();
        if (!g_bPreview)
            SetCursor(nullptr);
        break;
    case WM_DESTROY:
        DestroyMonitorCovers();
        RestoreInputMethod(hWnd);
        PostQuitMessage(0);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        EndWithSession(hWnd, wParam);
        return 0;
    case WM_DISPLAYCHANGE:
        if (!g_bPreview) {
            OnSaverLayoutChange();
            OnSaverDisplayChange(hWnd);
        }
        break;
    case WM_PAINT:
        if (g_bCloseApproved)
            return DefWindowProcA(hWnd, uMsg, wParam, lParam);
        if (!g_bPreview)
            SetCursor(nullptr);
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (g_bPreview)
            return ForwardHelpToParent(hWnd, uMsg, lParam);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (g_bCloseApproved)
            return DefWindowProcA(hWnd, uMsg, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
        if (!g_bPreview && (wParam == SC_SCREENSAVE || wParam == SC_NEXTWINDOW ||
                            wParam == SC_PREVWINDOW))
            return 0;
        break;
    }
    return RenderRuntimeProc(hWnd, uMsg, wParam, lParam);
}

static bool RegisterSaverClass()
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = SaverWndProc;
    wc.hInstance = g_hModuleInstance;
    wc.hIcon = LoadIconA(g_hModuleInstance, MAKEINTRESOURCEA(ID_APP));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kSaverClassName;
    return RegisterClassA(&wc) != 0;
}

// The preview's parent belongs to another process with a DPI awareness of
// its own; the child is made in the parent's, so that both agree on sizes.
static void UseParentDpiAwareness(HWND hParent)
{
    HMODULE hUser32 = GetModuleHandleA("USER32.DLL");
    auto pfnGet = LoadProc<GetWindowDpiAwarenessContextFn>(hUser32, "GetWindowDpiAwarenessContext");
    auto pfnSet = LoadProc<SetThreadDpiAwarenessContextFn>(hUser32, "SetThreadDpiAwarenessContext");
    HANDLE hContext = pfnGet ? pfnGet(hParent) : nullptr;
    if (pfnSet && hContext)
        pfnSet(hContext);
}

int RunSaverWindow(HWND hParent)
{
    int nWidth, nHeight;
    DWORD dwStyle, dwExStyle = 0;
    const char* pszTitle;
    if (hParent) {
        UseParentDpiAwareness(hParent);
        RECT rc;
        GetClientRect(hParent, &rc);
        nWidth = rc.right;
        nHeight = rc.bottom;
        dwStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
        pszTitle = kPreviewTitle;
        g_bPreview = true;
    } else {
        nWidth = GetSystemMetrics(SM_CXSCREEN);
        nHeight = GetSystemMetrics(SM_CYSCREEN);
        dwStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        dwExStyle = WS_EX_TOPMOST;
        pszTitle = kSaverTitle;
        HWND hRunning = FindWindowA(kSaverClassName, kSaverTitle);
        if (hRunning && IsWindow(hRunning)) {
            SetForegroundWindow(hRunning);
            return 0;
        }
        LoadPasswordVerifier();
    }

    if (RegisterSaverClass())
        g_hSaverWnd = CreateWindowExA(dwExStyle, kSaverClassName, pszTitle, dwStyle, 0, 0, nWidth,
                                      nHeight, hParent, nullptr, g_hModuleInstance, nullptr);
    // No window means no loop and no quit code: the run failed.
    int nResult = -1;
    if (g_hSaverWnd) {
        if (!hParent) {
            CoverOtherMonitors(g_hSaverWnd);
            SetForegroundWindow(g_hSaverWnd);
        } else {
            WatchSessionForPreview();
        }
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        nResult = static_cast<int>(msg.wParam);
    }
    ReleasePasswordVerifier();
    return nResult;
}
