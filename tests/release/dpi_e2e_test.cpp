// The real velthra.scr at 144 DPI (run by dpi_test.sh, which sets LogPixels
// and restarts the wineserver). The saver covers the screen in physical
// pixels (a DPI-unaware one gets a scaled-down screen). In the settings dialog
// the DPI is really 144, the saver's own window knows it, every visible
// control lies inside the client area, every text fits its control, and no
// two controls overlap except a group box and what it holds (or an up-down control and its buddy, whose border it
// covers by design in Common Controls 6). Keeps a picture of the dialog for a person to look at.
// This program embeds velthra.scr's manifest, so the rectangles it reads are
// physical pixels as the dialog has them.
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <vector>

namespace {

const DWORD kStartMs = 20000;
const int kDpi = 144;

struct Control {
    int nId;
    std::string className;
    std::string text;
    bool bGroupBox;
    HWND hWnd;
    HWND hBuddy;  // an up-down control's buddy
    LONG lStyle;
    RECT rc;      // screen coordinates
};

std::string Describe(const Control& c)
{
    char sz[96];
    snprintf(sz, sizeof(sz), " (%ld,%ld)-(%ld,%ld)", c.rc.left, c.rc.top, c.rc.right, c.rc.bottom);
    return c.className + " " + std::to_string(c.nId) + " \"" + c.text + "\"" + sz;
}

BOOL CALLBACK CollectControlProc(HWND hWnd, LPARAM lParam)
{
    auto* pControls = reinterpret_cast<std::vector<Control>*>(lParam);
    // Direct children only (a control's own children move with it), and only
    // those a user sees: the template's hidden module slots never show.
    if (GetParent(hWnd) != GetAncestor(hWnd, GA_ROOT) || !IsWindowVisible(hWnd))
        return TRUE;
    Control c;
    c.nId = GetDlgCtrlID(hWnd);
    c.className = vt::ClassName(hWnd);
    c.text = vt::WindowText(hWnd);
    c.lStyle = GetWindowLongA(hWnd, GWL_STYLE);
    c.bGroupBox = _stricmp(c.className.c_str(), "Button") == 0 && (c.lStyle & BS_TYPEMASK) == BS_GROUPBOX;
    c.hWnd = hWnd;
    DWORD_PTR dwBuddy = 0;
    if (c.className == UPDOWN_CLASSA)
        SendMessageTimeoutA(hWnd, UDM_GETBUDDY, 0, 0, SMTO_NORMAL, 2000, &dwBuddy);
    c.hBuddy = reinterpret_cast<HWND>(dwBuddy);
    GetWindowRect(hWnd, &c.rc);
    pControls->push_back(c);
    return TRUE;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The space a control's text needs, in the dialog's font (8 pt "MS Sans Serif"
// at this DPI, made as the dialog manager makes it): wrapped to the control's
// width for static text, on one line for buttons. Empty when the control
// shows no text of its own.
SIZE TextNeeds(HDC hdc, const Control& c)
{
    SIZE need = {0, 0};
    if (c.text.empty())
        return need;
    RECT rc = {0, 0, c.rc.right - c.rc.left, 0};
    if (_stricmp(c.className.c_str(), "Static") == 0) {
        if ((c.lStyle & SS_TYPEMASK) > SS_RIGHT)
            return need;  // frames, rectangles, icons
        DrawTextA(hdc, c.text.c_str(), -1, &rc, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    } else if (_stricmp(c.className.c_str(), "Button") == 0) {
        DrawTextA(hdc, c.text.c_str(), -1, &rc, DT_CALCRECT | DT_SINGLELINE);
    } else {
        return need;
    }
    need.cx = rc.right;
    need.cy = rc.bottom;
    return need;
}

typedef UINT(WINAPI* GetDpiForWindowFn)(HWND);

class SettingsDialogAt144Dpi : public ::testing::Test {
protected:
    void SetUp() override
    {
        vt::DeleteVelthraKey();
        ASSERT_TRUE(m_saver.StartSaver("/c"));
        m_hDlg = vt::WaitForWindow("#32770", "Velthra Settings", kStartMs, m_saver.Id());
        ASSERT_NE(m_hDlg, nullptr);
        ASSERT_TRUE(vt::WaitForWindowReady(m_hDlg, kStartMs));  // laid out for its DPI
    }

    vt::Process m_saver;
    HWND m_hDlg = nullptr;
};

TEST_F(SettingsDialogAt144Dpi, ControlsFitAndDoNotOverlap)
{
    HDC hScreen = GetDC(nullptr);
    int nDpi = GetDeviceCaps(hScreen, LOGPIXELSX);
    ReleaseDC(nullptr, hScreen);
    ASSERT_EQ(nDpi, kDpi) << "LogPixels is not in effect; run this through dpi_test.sh";
    // The dialog's own DPI: 96 here would mean velthra.scr runs DPI-unaware.
    auto pfnDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    ASSERT_NE(pfnDpiForWindow, nullptr);
    EXPECT_EQ(pfnDpiForWindow(m_hDlg), static_cast<UINT>(kDpi));

    RECT rcClient;
    GetClientRect(m_hDlg, &rcClient);
    MapWindowPoints(m_hDlg, nullptr, reinterpret_cast<POINT*>(&rcClient), 2);
    std::vector<Control> controls;
    EnumChildWindows(m_hDlg, CollectControlProc, reinterpret_cast<LPARAM>(&controls));
    ASSERT_GE(controls.size(), 30u);

    HDC hdc = GetDC(nullptr);
    HFONT hFont = CreateFontA(-MulDiv(8, kDpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE, "MS Sans Serif");
    HGDIOBJ hOldFont = SelectObject(hdc, hFont);
    for (const Control& c : controls) {
        EXPECT_TRUE(Inside(c.rc, rcClient)) << Describe(c) << " leaves the client area";
        SIZE need = TextNeeds(hdc, c);
        EXPECT_TRUE(need.cx <= c.rc.right - c.rc.left && need.cy <= c.rc.bottom - c.rc.top)
            << Describe(c) << " cuts its text, which needs " << need.cx << " x " << need.cy;
    }
    SelectObject(hdc, hOldFont);
    DeleteObject(hFont);
    ReleaseDC(nullptr, hdc);
    for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const Control& a = controls[i];
            const Control& b = controls[j];
            RECT rcBoth;
            if (!IntersectRect(&rcBoth, &a.rc, &b.rc))
                continue;
            bool bHeld = (a.bGroupBox && Inside(b.rc, a.rc)) || (b.bGroupBox && Inside(a.rc, b.rc)) ||
                         a.hBuddy == b.hWnd || b.hBuddy == a.hWnd;
            EXPECT_TRUE(bHeld) << Describe(a) << " overlaps " << Describe(b);
        }
    }

    // The picture: the dialog as it is on the screen, frame included.
    RECT rcWindow;
    GetWindowRect(m_hDlg, &rcWindow);
    vt::Screenshot screen = vt::CaptureScreen();
    ASSERT_GT(screen.nWidth, 0);
    vt::Screenshot dialog;
    dialog.nWidth = rcWindow.right - rcWindow.left;
    dialog.nHeight = rcWindow.bottom - rcWindow.top;
    ASSERT_TRUE(rcWindow.left >= 0 && rcWindow.top >= 0 && rcWindow.right <= screen.nWidth &&
                rcWindow.bottom <= screen.nHeight);
    for (int y = rcWindow.top; y < rcWindow.bottom; ++y)
        for (int x = rcWindow.left; x < rcWindow.right; ++x)
            dialog.pixels.push_back(screen.At(x, y));
    EXPECT_TRUE(vt::SaveBitmap(dialog, vt::ProgramDir() + "\\settings-dialog-144dpi.bmp"));
}

TEST(SaverAt144Dpi, CoversTheScreenInPhysicalPixels)
{
    HDC hScreen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(hScreen, LOGPIXELSX), kDpi);
    ReleaseDC(nullptr, hScreen);
    vt::Process saver;
    ASSERT_TRUE(saver.StartSaver("/s"));
    HWND hSaver = vt::WaitForWindow("WindowsScreenSaverClass", "Screen Saver", kStartMs, saver.Id());
    ASSERT_NE(hSaver, nullptr);
    RECT rc;
    GetWindowRect(hSaver, &rc);
    const RECT rcScreen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                           GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                           GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    EXPECT_TRUE(EqualRect(&rc, &rcScreen)) << "saver (" << rc.left << "," << rc.top << ")-(" << rc.right << ","
                                           << rc.bottom << "), screen " << rcScreen.right << " x " << rcScreen.bottom;
    saver.Kill();
}

}  // namespace
