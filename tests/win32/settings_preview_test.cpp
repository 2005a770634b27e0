// The settings dialog's live preview, run in this process so that the pixels
// its OpenGL context draws can be read back with glReadPixels. Wine 8 keeps
// OpenGL drawn into a child control in an off-screen X window and never
// copies it into the dialog, so the screen cannot show what is drawn; the
// context's own buffer can. A second thread drives the dialog like a user,
// and leaves settings_dialog.bmp beside the test: the dialog with the
// preview's pixels where the control is. Also here: the dialog when its
// preview cannot be made, and how the information dialogs call the shell.
#include "win32/host.h"
#include "win32/render.h"
#include "resources/resource.h"
#include "scenes/module_table.h"
#include "win32/dialogs.h"
#include "win32/settings_store.h"
#include "tests/support/import_hook.h"
#include "tests/support/saver_thread.h"
#include "tests/support/win_support.h"

#include <commctrl.h>
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const UINT WM_READ_PREVIEW = WM_APP + 7;

struct PreviewPixels {
    int nWidth = 0, nHeight = 0;
    int nLit = 0;    // pixels that are not black
    int nGreen = 0;  // lit pixels whose green exceeds red and blue
    std::vector<unsigned char> rgb;  // bottom row first, as OpenGL reads them
};

WNDPROC g_pfnDialogProc = nullptr;

// Runs on the dialog's thread between two frames, with the preview's context
// current: the back buffer still holds the frame just presented.
void ReadPreview(PreviewPixels* pOut)
{
    RECT rc;
    GetClientRect(g_hRenderWnd, &rc);
    pOut->nWidth = rc.right;
    pOut->nHeight = rc.bottom;
    std::vector<unsigned char>& rgb = pOut->rgb;
    rgb.resize(static_cast<size_t>(rc.right) * rc.bottom * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, rc.right, rc.bottom, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    for (size_t i = 0; i < rgb.size(); i += 3) {
        int r = rgb[i], g = rgb[i + 1], b = rgb[i + 2];
        if (r + g + b > 24) {
            ++pOut->nLit;
            if (g > r && g > b)
                ++pOut->nGreen;
        }
    }
}

LRESULT CALLBACK ReadingProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_READ_PREVIEW) {
        ReadPreview(reinterpret_cast<PreviewPixels*>(lParam));
        return 1;
    }
    return CallWindowProcA(g_pfnDialogProc, hWnd, uMsg, wParam, lParam);
}

struct Observations {
    bool bFound = false;
    PreviewPixels allInactive, currentButInactive, ticked, disabled;
    std::string buttonsTicked;
};

// Two frames begun after the change: the first of them has been presented
// by the time the second starts.
PreviewPixels ReadAfterFrames(HWND hDlg)
{
    vt::SaverThread::FrameDrawn(10000);
    vt::SaverThread::FrameDrawn(10000);
    PreviewPixels pixels;
    SendMessageA(hDlg, WM_READ_PREVIEW, 0, reinterpret_cast<LPARAM>(&pixels));
    return pixels;
}

// A picture of the dialog as the screen shows it, with the preview's own
// pixels put where the control is (the screen shows it black under Wine).
void SaveDialogPicture(HWND hDlg, const PreviewPixels& preview)
{
    vt::Screenshot shot = vt::CaptureScreen();
    POINT ptOrigin = {0, 0};
    ClientToScreen(GetDlgItem(hDlg, IDC_PREVIEW), &ptOrigin);
    for (int y = 0; y < preview.nHeight; ++y) {
        for (int x = 0; x < preview.nWidth; ++x) {
            int sx = ptOrigin.x + x, sy = ptOrigin.y + y;
            if (sx < 0 || sy < 0 || sx >= shot.nWidth || sy >= shot.nHeight)
                continue;
            const unsigned char* p = &preview.rgb[(static_cast<size_t>(preview.nHeight - 1 - y) * preview.nWidth + x) * 3];
            shot.pixels[static_cast<size_t>(sy) * shot.nWidth + sx] = (p[0] << 16) | (p[1] << 8) | p[2];
        }
    }
    RECT rc;
    GetWindowRect(hDlg, &rc);
    vt::Screenshot dialog;
    dialog.nWidth = rc.right - rc.left;
    dialog.nHeight = rc.bottom - rc.top;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            dialog.pixels.push_back(x >= 0 && y >= 0 && x < shot.nWidth && y < shot.nHeight ? shot.At(x, y) : 0);
    vt::SaveBitmap(dialog, vt::ProgramDir() + "\\settings_dialog.bmp");
}

// Returns once the dialog has handled the click.
void ClickButton(HWND hDlg, int nId)
{
    DWORD_PTR dwResult;
    SendMessageTimeoutA(GetDlgItem(hDlg, nId), BM_CLICK, 0, 0, SMTO_NORMAL, 15000, &dwResult);
}

DWORD WINAPI DriveDialog(void* pParam)
{
    auto* pSeen = static_cast<Observations*>(pParam);
    HWND hDlg = vt::WaitForWindow("#32770", "Velthra Settings", 15000, GetCurrentProcessId());
    if (!hDlg)
        return 1;
    pSeen->bFound = true;
    g_pfnDialogProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hDlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ReadingProc)));
    pSeen->allInactive = ReadAfterFrames(hDlg);
    ClickButton(hDlg, IDC_MODULE_BUTTON_BASE + 1);  // module 1 current, its box still cleared
    pSeen->currentButInactive = ReadAfterFrames(hDlg);
    ClickButton(hDlg, IDC_MODULE_CHECK_BASE + 1);
    pSeen->ticked = ReadAfterFrames(hDlg);
    SaveDialogPicture(hDlg, pSeen->ticked);
    pSeen->buttonsTicked = IsDlgButtonChecked(hDlg, IDC_MODULE_BUTTON_BASE + 1) ? "1" : "";
    ClickButton(hDlg, IDC_DISABLE_ALL);
    pSeen->disabled = ReadAfterFrames(hDlg);
    PostMessageA(GetDlgItem(hDlg, IDCANCEL), BM_CLICK, 0, 0);
    return 0;
}

// A dialog of this program's own resources, run modally as velthra.scr runs
// it, with the run flags of a fresh process.
INT_PTR RunDialog(int nTemplate, DLGPROC pfnProc)
{
    g_hModuleInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    g_SaverState = SaverState{};
    return DialogBoxParamA(g_hModuleInstance, MAKEINTRESOURCEA(nTemplate), nullptr, pfnProc, 0);
}

TEST(SettingsPreview, DrawsTheCurrentModuleOnlyWhileItIsActive)
{
    vt::DeleteVelthraKey();
    vt::WriteDword(vt::kVelthraKey, "mod1 depth", 4000);
    for (const char* psz : {"mod1 active", "mod2 active", "mod3 active"})
        vt::WriteDword(vt::kVelthraKey, psz, 0);

    vt::MessageBoxWatcher boxes;
    Observations seen;
    HANDLE hDriver = CreateThread(nullptr, 0, DriveDialog, &seen, 0, nullptr);
    INT_PTR nResult = RunDialog(IDD_SETTINGS, SettingsDialogProc);
    WaitForSingleObject(hDriver, 30000);
    CloseHandle(hDriver);

    EXPECT_TRUE(boxes.Seen().empty());
    ASSERT_TRUE(seen.bFound);
    EXPECT_EQ(nResult, 1);
    // The preview control is 273 x 191 dialog units, several hundred pixels.
    EXPECT_GT(seen.allInactive.nWidth, 300);
    EXPECT_GT(seen.allInactive.nHeight, 200);
    EXPECT_EQ(seen.allInactive.nLit, 0);
    EXPECT_EQ(seen.currentButInactive.nLit, 0);
    // Module 1's green symbols appear as soon as its box is ticked.
    EXPECT_EQ(seen.buttonsTicked, "1");
    EXPECT_GT(seen.ticked.nLit, 500);
    EXPECT_GT(seen.ticked.nGreen, seen.ticked.nLit / 2);
    EXPECT_EQ(seen.disabled.nLit, 0);
    EXPECT_EQ(g_nModule, 1);  // "Disable All" keeps the current module
}

// The preview cannot be made when its control already has a pixel format
// other than the one the context would choose; the dialog then runs without
// frames.
INT_PTR CALLBACK NoPreviewProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) {
        HWND hPreview = GetDlgItem(hDlg, IDC_PREVIEW);
        HDC hDC = GetDC(hPreview);
        int nOurs = SelectPixelFormat(hDC, 32);
        PIXELFORMATDESCRIPTOR pfd;
        int nFormats = DescribePixelFormat(hDC, 1, sizeof(pfd), &pfd);
        for (int i = 1; i <= nFormats; ++i) {
            DescribePixelFormat(hDC, i, sizeof(pfd), &pfd);
            if (i != nOurs && (pfd.dwFlags & PFD_SUPPORT_OPENGL) && (pfd.dwFlags & PFD_DRAW_TO_WINDOW)) {
                SetPixelFormat(hDC, i, &pfd);
                break;
            }
        }
        ReleaseDC(hPreview, hDC);
    }
    return SettingsDialogProc(hDlg, uMsg, wParam, lParam);
}

struct NoPreviewEnd {
    UINT uEnd;     // WM_COMMAND or WM_SYSCOMMAND
    WPARAM wEnd;   // IDOK, IDCANCEL or SC_CLOSE
    bool bSaves;
    bool bOpenAbout;  // the information dialogs open too
};

struct NoPreviewRun {
    NoPreviewEnd end;
    // Seen by the driver:
    bool bFound = false, bAboutOpened = false, bEnded = false;
    vt::MessageBoxInfo box;
    std::string pressed, seconds;
};

std::string PressedModuleButtons(HWND hDlg)
{
    std::string s;
    for (int n = 1; n <= IDC_MODULE_SLOTS; ++n)
        if (IsDlgButtonChecked(hDlg, IDC_MODULE_BUTTON_BASE + n) == BST_CHECKED)
            s += std::to_string(n);
    return s;
}

// The module boxes, the seconds check and the information buttons work, and
// the dialog ends as asked.
DWORD WINAPI DriveWithoutPreview(void* pParam)
{
    auto* pRun = static_cast<NoPreviewRun*>(pParam);
    HWND hDlg = vt::WaitForWindow("#32770", "Velthra Settings", 15000, GetCurrentProcessId());
    if (!hDlg)
        return 1;
    pRun->bFound = true;
    // The failure is reported while the dialog opens; the boxes are ticked after.
    vt::WaitForMessageBox(&pRun->box, 15000, GetCurrentProcessId());
    vt::WaitUntil([&] { return IsDlgButtonChecked(hDlg, IDC_MODULE_CHECK_BASE + 1) == BST_CHECKED; }, 15000);
    PostMessageA(GetDlgItem(hDlg, IDC_MODULE_CHECK_BASE + 2), BM_CLICK, 0, 0);
    vt::WaitUntil([&] { return IsDlgButtonChecked(hDlg, IDC_MODULE_CHECK_BASE + 2) == BST_UNCHECKED; }, 15000);
    SetDlgItemTextA(hDlg, IDC_SECONDS, "0");
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_SECONDS, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDC_SECONDS)));
    char sz[16] = "";
    GetDlgItemTextA(hDlg, IDC_SECONDS, sz, sizeof(sz));
    pRun->seconds = sz;
    HWND hAbout = nullptr;
    if (pRun->end.bOpenAbout) {
        PostMessageA(GetDlgItem(hDlg, IDC_ABOUT), BM_CLICK, 0, 0);
        hAbout = vt::WaitForWindow("#32770", "Velthra Screen Saver", 15000, GetCurrentProcessId());
    }
    pRun->bAboutOpened = hAbout != nullptr;
    if (hAbout) {
        PostMessageA(hAbout, WM_COMMAND, IDOK, 0);
        vt::WaitForWindowGone(hAbout, 15000);
    }
    pRun->pressed = PressedModuleButtons(hDlg);  // a frame would have pressed module 1's
    PostMessageA(hDlg, pRun->end.uEnd, pRun->end.wEnd, 0);
    pRun->bEnded = vt::WaitForWindowGone(hDlg, 15000);
    if (!pRun->bEnded)
        SendMessageA(hDlg, WM_CLOSE, 0, 0);  // so that the test goes on
    return 0;
}

TEST(SettingsWithoutPreview, ReportsItAndStillWorksAndCloses)
{
    const NoPreviewEnd aEnds[] = {{WM_COMMAND, IDOK, true, true}, {WM_COMMAND, IDCANCEL, false, false},
                                  {WM_SYSCOMMAND, SC_CLOSE, false, false}};
    for (const NoPreviewEnd& end : aEnds) {
        SCOPED_TRACE(std::to_string(end.uEnd) + "/" + std::to_string(end.wEnd));
        NoPreviewRun run;
        run.end = end;
        vt::DeleteVelthraKey();
        HANDLE hDriver = CreateThread(nullptr, 0, DriveWithoutPreview, &run, 0, nullptr);
        INT_PTR nResult = RunDialog(IDD_SETTINGS, NoPreviewProc);
        WaitForSingleObject(hDriver, 30000);
        CloseHandle(hDriver);
        ASSERT_TRUE(run.bFound);
        EXPECT_TRUE(run.bEnded);
        EXPECT_EQ(nResult, 1);
        EXPECT_EQ(run.box.caption, "ERROR");
        EXPECT_EQ(run.pressed, "");
        EXPECT_EQ(run.seconds, "1");
        EXPECT_EQ(run.bAboutOpened, end.bOpenAbout);
        DWORD dwActive = 7, dwCycle = 7;
        EXPECT_TRUE(vt::ReadDword(vt::kVelthraKey, "mod2 active", &dwActive));  // written back by loading
        vt::ReadDword(vt::kVelthraKey, "cycle time", &dwCycle);
        EXPECT_EQ(dwActive, end.bSaves ? 0u : 1u);
        EXPECT_EQ(dwCycle, end.bSaves ? 1u : 30u);
    }
}

// The shell calls of the information dialogs, taken at this program's
// import table: which function, owner window, show command, file, parameters.
struct ShellCall {
    std::string function;
    HWND hOwner;
    int nShow;
    std::string file, parameters;
};
std::vector<ShellCall> g_shellCalls;
CRITICAL_SECTION g_shellLock;

BOOL WINAPI RecordShellExecuteExA(SHELLEXECUTEINFOA* pInfo)
{
    EnterCriticalSection(&g_shellLock);
    g_shellCalls.push_back({"ShellExecuteExA", pInfo->hwnd, pInfo->nShow, pInfo->lpFile ? pInfo->lpFile : "",
                            pInfo->lpParameters ? pInfo->lpParameters : ""});
    LeaveCriticalSection(&g_shellLock);
    return TRUE;
}

HINSTANCE WINAPI RecordShellExecuteA(HWND hWnd, LPCSTR, LPCSTR pszFile, LPCSTR pszParameters, LPCSTR, INT nShow)
{
    EnterCriticalSection(&g_shellLock);
    g_shellCalls.push_back({"ShellExecuteA", hWnd, nShow, pszFile ? pszFile : "", pszParameters ? pszParameters : ""});
    LeaveCriticalSection(&g_shellLock);
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

struct LinkCase {
    int nTemplate;
    const char* pszCaption;
    DLGPROC pfnProc;
    int nButton;
    const char* pszFunction;
    bool bDesktopOwner;  // else no owner
    int nShow;
    const char* pszFile;  // how the file starts; null: the browser's program from the registry
    const char* pszCall;  // in the file and parameters
};

size_t ShellCallCount()
{
    EnterCriticalSection(&g_shellLock);
    size_t n = g_shellCalls.size();
    LeaveCriticalSection(&g_shellLock);
    return n;
}

// The links of one dialog, clicked in turn in one opening of it.
struct LinkRun {
    const LinkCase* pFirst;
    size_t nCount;
};

DWORD WINAPI ClickLinks(void* pParam)
{
    auto* pRun = static_cast<const LinkRun*>(pParam);
    HWND hDlg = vt::WaitForWindow("#32770", pRun->pFirst->pszCaption, 15000, GetCurrentProcessId());
    if (!hDlg)
        return 1;
    for (size_t i = 0; i < pRun->nCount; ++i) {
        PostMessageA(GetDlgItem(hDlg, pRun->pFirst[i].nButton), BM_CLICK, 0, 0);
        vt::WaitUntil([&] { return ShellCallCount() > i; }, 15000);
    }
    PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
    return 0;
}

// Web pages open with SW_RESTORE in the browser found in the registry, owned
// by the desktop window; the mail link and the symbol dialog's Internet
// Explorer have no owner and show maximised and normal.
TEST(InformationDialogs, ShellCallsTakeTheirOwnerAndShowCommand)
{
    InitializeCriticalSection(&g_shellLock);
    vt::ImportHook shellEx("shell32.dll", "ShellExecuteExA", reinterpret_cast<void*>(RecordShellExecuteExA));
    vt::ImportHook shell("shell32.dll", "ShellExecuteA", reinterpret_cast<void*>(RecordShellExecuteA));
    ASSERT_TRUE(shellEx.Installed() && shell.Installed());
    const LinkCase aCases[] = {
        {IDD_ABOUT, "Velthra Screen Saver", AboutDialogProc, IDC_VISIT_WEB_SITE, "ShellExecuteExA", true, SW_RESTORE, nullptr, "http"},
        {IDD_ABOUT, "Velthra Screen Saver", AboutDialogProc, IDC_PARTNER_SITE, "ShellExecuteExA", true, SW_RESTORE, nullptr, "http"},
        {IDD_ABOUT, "Velthra Screen Saver", AboutDialogProc, IDC_SEND_EMAIL, "ShellExecuteA", false, SW_SHOWMAXIMIZED, "mailto:", "?subject=Velthra"},
        {IDD_SYMBOL, "Dialog", SymbolDialogProc, IDC_PARTNER_SITE, "ShellExecuteA", false, SW_SHOWNORMAL, "iexplore.exe", "-new http"},
    };
    const size_t nCases = sizeof(aCases) / sizeof(aCases[0]);
    SetStoreContext(nullptr, kSettingsKey);
    for (size_t nFirst = 0, nEnd; nFirst < nCases; nFirst = nEnd) {
        for (nEnd = nFirst + 1; nEnd < nCases && aCases[nEnd].nTemplate == aCases[nFirst].nTemplate; ++nEnd) {
        }
        g_shellCalls.clear();
        LinkRun run = {&aCases[nFirst], nEnd - nFirst};
        HANDLE hDriver = CreateThread(nullptr, 0, ClickLinks, &run, 0, nullptr);
        EXPECT_EQ(RunDialog(aCases[nFirst].nTemplate, aCases[nFirst].pfnProc), 1);
        WaitForSingleObject(hDriver, 30000);
        CloseHandle(hDriver);
        ASSERT_EQ(g_shellCalls.size(), run.nCount);
        for (size_t i = 0; i < run.nCount; ++i) {
            const LinkCase& c = run.pFirst[i];
            const ShellCall& call = g_shellCalls[i];
            SCOPED_TRACE(std::to_string(c.nTemplate) + "/" + std::to_string(c.nButton));
            EXPECT_EQ(call.function, c.pszFunction);
            EXPECT_EQ(call.hOwner, c.bDesktopOwner ? GetDesktopWindow() : nullptr);
            EXPECT_EQ(call.nShow, c.nShow);
            if (c.pszFile) {
                EXPECT_EQ(call.file.substr(0, strlen(c.pszFile)), c.pszFile);
            }
            EXPECT_NE((call.file + call.parameters).find(c.pszCall), std::string::npos) << call.file << call.parameters;
        }
    }
}

}  // namespace
