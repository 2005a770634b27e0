// The settings dialog (IDD_SETTINGS) with its live preview.
//   IDC_PREVIEW                 static control the OpenGL context draws into
//   IDC_MODULE_CHECK_BASE + n   module n takes part in the show (n = 1 to 3)
//   IDC_MODULE_BUTTON_BASE + n  preview module n (push-like radio buttons)
//   IDC_ENABLE_ALL, IDC_DISABLE_ALL
//   IDC_SECONDS, IDC_SECONDS_SPIN   seconds each module is shown
//   IDC_ALL_MONITORS            the saver draws on every monitor ("all monitors")
//   IDC_ABOUT, IDC_ABOUT_SYMBOL, IDC_PERSONALIZE   the nested dialogs
//   IDOK saves and closes, IDCANCEL closes
// The dialog drives its own frames like the saver window: it posts itself
// WM_RENDER_FRAME, and each frame drains the queue (keys go to HandleKey
// unless the "Seconds" edit is in use), draws with DrawFrame and posts the
// next one. Everything else, clicks included, is dispatched from that drain.
#include "win32/dialogs.h"

#include "win32/host.h"
#include "win32/render.h"
#include "resources/resource.h"
#include "scenes/module_table.h"
#include "win32/seconds_field.h"
#include "settings/settings_rules.h"
#include "win32/settings_store.h"

#include <cstdio>

bool g_bEditingSeconds = false;
int g_nLastSpinPos = 0;

// Whether the preview's frame loop runs.
static bool g_bPreviewRunning = false;

// Writing the edit makes it report a change; that is not the user editing.
static void ShowSeconds(HWND hDlg, int nSeconds)
{
    bool bEditing = g_bEditingSeconds;
    char szText[16];
    snprintf(szText, sizeof(szText), "%d", nSeconds);
    SetDlgItemTextA(hDlg, IDC_SECONDS, szText);
    g_bEditingSeconds = bEditing;
}

static int ReadSecondsText(HWND hDlg)
{
    char szText[kSecondsTextChars + 1];
    if (GetDlgItemTextA(hDlg, IDC_SECONDS, szText, sizeof(szText)) == 0)
        szText[0] = '\0';
    return ParseSecondsText(szText);
}

static void CheckSeconds(HWND hDlg)
{
    g_nCycleTime = ClampSeconds(ReadSecondsText(hDlg));
    ShowSeconds(hDlg, g_nCycleTime);
}

void UpdateModuleButtons(HWND hDlg, int nModule)
{
    for (int nId = IDC_MODULE_BUTTON_BASE + 1; nId <= IDC_MODULE_BUTTON_BASE + IDC_MODULE_SLOTS; ++nId)
        CheckDlgButton(hDlg, nId, nId == IDC_MODULE_BUTTON_BASE + nModule ? BST_CHECKED : BST_UNCHECKED);
}

bool InitSettingsDialog(HWND hDlg)
{
    SetStoreContext(hDlg, kSettingsKey);
    CentreOnDesktop(hDlg);
    bool bPreview = CreateRenderContext(GetDlgItem(hDlg, IDC_PREVIEW), 32);
    for (int n = 1; n <= kModuleCount; ++n)
        CheckDlgButton(hDlg, IDC_MODULE_CHECK_BASE + n, g_Modules[n].active ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_ALL_MONITORS, g_bAllMonitors ? BST_CHECKED : BST_UNCHECKED);
    g_bMuteSound = ReadDword("mute sound", g_bMuteSound) == 1;
    ShowSeconds(hDlg, g_nCycleTime);
    return bPreview;
}

static void OnSettingsInit(HWND hDlg)
{
    g_SaverState.bRunningAsSaver = false;
    SetStoreContext(hDlg, kSettingsKey);
    LoadSettings();
    g_bPreviewRunning = InitSettingsDialog(hDlg);
    if (g_bPreviewRunning) {
        g_bEditingSeconds = false;
        g_SaverState.dwLastSwitchTick = GetTickCount();
        PostRenderFrame(hDlg);
    }
}

// Nothing is saved here: OK has saved before it asked to quit.
static void CloseSettingsDialog(HWND hDlg)
{
    if (g_SaverState.bClosing)
        return;
    g_SaverState.bClosing = true;
    g_SaverState.bQuitRequested = true;
    DestroyRenderContext();
    EndDialog(hDlg, 1);
}

// Without a frame loop nothing would act on the request, so the dialog asks
// to be closed itself. Posted, not closed here: a command may arrive while
// the preview is still being set up (a message sent from another program).
static void RequestQuit(HWND hDlg)
{
    g_SaverState.bQuitRequested = true;
    if (!g_bPreviewRunning)
        PostMessageA(hDlg, WM_CLOSE, 0, 0);
}

static void SaveDialogSettings(HWND hDlg)
{
    g_nCycleTime = ReadSecondsText(hDlg);
    g_bAllMonitors = IsDlgButtonChecked(hDlg, IDC_ALL_MONITORS) == BST_CHECKED;
    StoreModuleView(g_nModule);
    SaveSettings();
    WriteDword("mute sound", g_bMuteSound ? 1 : 0);
}

static void SetAllModulesActive(HWND hDlg, bool bActive)
{
    for (int n = 1; n <= kModuleCount; ++n) {
        g_Modules[n].active = bActive;
        CheckDlgButton(hDlg, IDC_MODULE_CHECK_BASE + n, bActive ? BST_CHECKED : BST_UNCHECKED);
    }
}

static void ShowModule(int nModule)
{
    StoreModuleView(g_nModule);
    g_nModule = nModule;
    ApplyModuleView(nModule);
}

static void OpenNestedDialog(HWND hDlg, int nTemplate, DLGPROC pfnProc)
{
    DialogBoxParamA(g_hModuleInstance, MAKEINTRESOURCEA(nTemplate), hDlg, pfnProc, 0);
}

void OnSettingsCommand(HWND hDlg, WPARAM wParam, LPARAM)
{
    int nId = LOWORD(wParam);
    g_bEditingSeconds = false;
    if (nId > IDC_MODULE_CHECK_BASE && nId <= IDC_MODULE_CHECK_BASE + kModuleCount) {
        g_Modules[nId - IDC_MODULE_CHECK_BASE].active = IsDlgButtonChecked(hDlg, nId) == BST_CHECKED;
        return;
    }
    if (nId > IDC_MODULE_BUTTON_BASE && nId <= IDC_MODULE_BUTTON_BASE + kModuleCount) {
        ShowModule(nId - IDC_MODULE_BUTTON_BASE);
        return;
    }
    switch (nId) {
    case IDC_ENABLE_ALL:
        SetAllModulesActive(hDlg, true);
        break;
    case IDC_DISABLE_ALL:
        SetAllModulesActive(hDlg, false);
        break;
    case IDC_SECONDS:
        if (HIWORD(wParam) == EN_KILLFOCUS)
            CheckSeconds(hDlg);
        else
            g_bEditingSeconds = true;
        break;
    case IDC_ABOUT:
        OpenNestedDialog(hDlg, IDD_ABOUT, AboutDialogProc);
        break;
    case IDC_ABOUT_SYMBOL:
        OpenNestedDialog(hDlg, IDD_SYMBOL, SymbolDialogProc);
        break;
    case IDC_PERSONALIZE:
        OpenNestedDialog(hDlg, IDD_OWNER_NAME, OwnerNameDialogProc);
        break;
    case IDOK:
        SaveDialogSettings(hDlg);
        RequestQuit(hDlg);
        break;
    case IDCANCEL:
        RequestQuit(hDlg);
        break;
    }
}

void OnSecondsScroll(HWND hDlg, WPARAM wParam, LPARAM)
{
    if (LOWORD(wParam) != SB_THUMBPOSITION)
        return;
    int nPosition = static_cast<short>(HIWORD(wParam));
    int nSeconds = ReadSecondsText(hDlg) + SpinStep(nPosition, g_nLastSpinPos);
    g_nLastSpinPos = nPosition;
    g_nCycleTime = ClampSeconds(nSeconds);
    ShowSeconds(hDlg, g_nCycleTime);
}

// Keys steer the preview unless the "Seconds" edit is in use; a WM_CLOSE
// found here becomes a quit request that ends the drain.
static void DrainSettingsMessages(HWND hDlg)
{
    MSG msg;
    while (PeekMessageA(&msg, hDlg, 0, 0, PM_REMOVE)) {
        if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) && !g_bEditingSeconds) {
            HandleKey(hDlg, msg.message, msg.wParam);
        } else if (msg.message == WM_CLOSE) {
            g_SaverState.bQuitRequested = true;
            return;
        } else {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

static void OnSettingsFrame(HWND hDlg, WPARAM wParam, LPARAM lParam)
{
    if (g_SaverState.bInFrame || !TakeRenderFrame(wParam, lParam))
        return;
    // A quit requested between two frames, by a command that the dialog's
    // own loop dispatched, must still close the dialog.
    if (g_SaverState.bQuitRequested) {
        if (!g_SaverState.bClosing)
            PostMessageA(hDlg, WM_CLOSE, 0, 0);
        return;
    }
    g_SaverState.bInFrame = true;
    DrainSettingsMessages(hDlg);
    // Closed while messages were dispatched (the caption's close button):
    // the context is gone, so neither draw nor post.
    if (!g_SaverState.bClosing) {
        if (g_SaverState.bQuitRequested) {
            PostMessageA(hDlg, WM_CLOSE, 0, 0);
        } else {
            DrawFrame(hDlg);
            PostRenderFrame(hDlg);
        }
    }
    g_SaverState.bInFrame = false;
}

// The session ends as Cancel does: nothing is saved.
static LRESULT OnSettingsSessionEnd(HWND hDlg, UINT uMsg, WPARAM wParam)
{
    if (uMsg == WM_QUERYENDSESSION)
        return TRUE;
    EndWithSession(hDlg, wParam);
    return 0;
}

INT_PTR CALLBACK SettingsDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        OnSettingsInit(hDlg);
        return TRUE;
    case WM_COMMAND:
        OnSettingsCommand(hDlg, wParam, lParam);
        return TRUE;
    case WM_VSCROLL:
    case WM_HSCROLL:
        OnSecondsScroll(hDlg, wParam, lParam);
        return TRUE;
    case WM_CLOSE:
        CloseSettingsDialog(hDlg);
        return TRUE;
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
        SetWindowLongPtrA(hDlg, DWLP_MSGRESULT, OnSettingsSessionEnd(hDlg, uMsg, wParam));
        return TRUE;
    case WM_RENDER_FRAME:
        OnSettingsFrame(hDlg, wParam, lParam);
        return TRUE;
    }
    return 0;
}
