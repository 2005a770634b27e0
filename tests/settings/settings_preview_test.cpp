// The settings dialog's live preview, run in this process so that the pixels
// its OpenGL context draws can be read back with glReadPixels. Wine 8 keeps
// OpenGL drawn into a child control in an off-screen X window and never
// copies it into the dialog, so the screen cannot show what is drawn; the
// context's own buffer can. A second thread drives the dialog like a user,
// and leaves settings_dialog.bmp beside the test: the dialog with the
// preview's pixels where the control is.
#include "host/host.h"
#include "render/render.h"
#include "resources/resource.h"
#include "scenes/module_table.h"
#include "settings/dialogs.h"
#include "tests/support/win_support.h"

#include <commctrl.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

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

PreviewPixels ReadAfterFrames(HWND hDlg)
{
    vt::PumpMessages(1500);
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

void ClickButton(HWND hDlg, int nId)
{
    PostMessageA(GetDlgItem(hDlg, nId), BM_CLICK, 0, 0);
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
    ClickButton(hDlg, IDCANCEL);
    return 0;
}

TEST(SettingsPreview, DrawsTheCurrentModuleOnlyWhileItIsActive)
{
    g_hModuleInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    vt::DeleteVelthraKey();
    vt::WriteDword(vt::kVelthraKey, "mod1 depth", 4000);
    for (const char* psz : {"mod1 active", "mod2 active", "mod3 active"})
        vt::WriteDword(vt::kVelthraKey, psz, 0);

    vt::MessageBoxWatcher boxes;
    Observations seen;
    HANDLE hDriver = CreateThread(nullptr, 0, DriveDialog, &seen, 0, nullptr);
    INT_PTR nResult = DialogBoxParamA(g_hModuleInstance, MAKEINTRESOURCEA(IDD_SETTINGS), nullptr,
                                      SettingsDialogProc, 0);
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

}  // namespace
