// HandleKey and the control menu under Wine: the preview rule, key-up, the
// steering keys on the live view, module changes that keep each module's
// view, Home, the quit rules in the saver and in the settings dialog, the
// "Params" box, the control menu (one at a time, cursor shown and held inside
// it in the saver) and the exact bytes of template 2005 in velthra.scr.
#include <windows.h>

#include "win32/host.h"
#include "win32/control_menu.h"
#include "win32/render.h"
#include "resources/resource.h"
#include "scenes/module_table.h"
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

const UINT WM_PRESS_F1 = WM_APP + 1;  // the test window's proc presses F1 from inside a modal loop

LRESULT CALLBACK KeyTestWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_PRESS_F1)
        return HandleKey(hWnd, WM_KEYDOWN, VK_F1) == 0 ? 1 : 2;
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

class KeyHandlerTest : public ::testing::Test {
protected:
    // One owner window for all cases: creating and destroying windows is slow under Wine.
    static void SetUpTestSuite()
    {
        g_hModuleInstance = GetModuleHandleA(nullptr);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = KeyTestWndProc;
        wc.hInstance = g_hModuleInstance;
        wc.lpszClassName = "VelthraKeyTest";
        RegisterClassA(&wc);
        s_hWnd = CreateWindowExA(0, "VelthraKeyTest", "keys", WS_POPUP | WS_VISIBLE, 0, 0, 200,
                                 100, nullptr, nullptr, g_hModuleInstance, nullptr);
    }
    static void TearDownTestSuite() { DestroyWindow(s_hWnd); }

    void SetUp() override
    {
        ASSERT_NE(s_hWnd, nullptr);
        m_hWnd = s_hWnd;
        ResetModuleTable();
        g_nModule = 1;
        ApplyModuleView(1);
        g_SaverState = SaverState{};
        g_SaverState.bRunningAsSaver = true;
        g_SaverState.bCoversDesktop = true;
    }

    void Press(WPARAM wKey) { HandleKey(m_hWnd, WM_KEYDOWN, wKey); }

    static HWND s_hWnd;
    HWND m_hWnd = nullptr;
};
HWND KeyHandlerTest::s_hWnd = nullptr;

struct ViewSnapshot {
    float afValues[8];
    int nModule;
    bool bQuit;
};

ViewSnapshot TakeSnapshot()
{
    return ViewSnapshot{{g_fDepth, g_fHorz, g_fVert, g_fXrot, g_fYrot, g_fZrot, g_fSpeed, g_fAngle},
                        g_nModule, g_SaverState.bQuitRequested};
}

bool operator==(const ViewSnapshot& a, const ViewSnapshot& b)
{
    return memcmp(a.afValues, b.afValues, sizeof(a.afValues)) == 0 && a.nModule == b.nModule &&
           a.bQuit == b.bQuit;
}

TEST_F(KeyHandlerTest, PreviewIgnoresEveryKey)
{
    g_SaverState.bCoversDesktop = false;
    const ViewSnapshot before = TakeSnapshot();
    for (WPARAM wKey : std::vector<WPARAM>{VK_ESCAPE, VK_PRIOR, VK_LEFT, VK_RETURN, VK_BACK, VK_HOME, VK_F1, VK_F9,
                        VK_F11, 'A', VK_SPACE, VK_F12})
        Press(wKey);
    EXPECT_TRUE(TakeSnapshot() == before);
    EXPECT_FALSE(g_bControlMenuOpen);
}

TEST_F(KeyHandlerTest, KeyUpDoesNothing)
{
    const ViewSnapshot before = TakeSnapshot();
    for (WPARAM wKey : std::vector<WPARAM>{VK_ESCAPE, VK_PRIOR, VK_RETURN, VK_F9, 'A'})
        HandleKey(m_hWnd, WM_KEYUP, wKey);
    EXPECT_TRUE(TakeSnapshot() == before);
}

// The arithmetic itself is tested natively; here it must reach the live view.
TEST_F(KeyHandlerTest, SteeringKeysChangeTheLiveView)
{
    Press(VK_PRIOR);
    EXPECT_EQ(g_fDepth, 40.3f);
    g_fDepth = 120.0f;
    Press(VK_NUMPAD9);
    EXPECT_EQ(g_fDepth, 122.0f);
    Press(VK_RIGHT);
    Press(VK_NUMPAD2);
    Press(VK_F2);
    Press(VK_F5);
    Press(VK_F6);
    EXPECT_EQ(g_fHorz, 2.0f);
    EXPECT_EQ(g_fVert, -2.0f);
    EXPECT_EQ(g_fXrot, -1.5f);
    EXPECT_EQ(g_fYrot, 1.5f);
    EXPECT_EQ(g_fZrot, 1.5f);
    Press(VK_F9);
    EXPECT_EQ(g_fSpeed, 0.5375f);
    g_fSpeed = 0.005f;
    Press(VK_F8);
    EXPECT_EQ(g_fSpeed, 0.005f);
    EXPECT_FALSE(g_SaverState.bQuitRequested);
}

TEST_F(KeyHandlerTest, UnmappedKeysEndOnlyTheSaver)
{
    for (WPARAM wKey : std::vector<WPARAM>{VK_SPACE, 'Q', VK_F12, VK_F10, VK_TAB, VK_END,
                        VK_NUMPAD5, VK_NUMPAD0, VK_INSERT, VK_DELETE}) {
        g_SaverState.bRunningAsSaver = false;  // the settings dialog's preview
        Press(wKey);
        EXPECT_FALSE(g_SaverState.bQuitRequested) << wKey;
        g_SaverState.bRunningAsSaver = true;
        Press(wKey);
        EXPECT_TRUE(g_SaverState.bQuitRequested) << wKey;
        g_SaverState.bQuitRequested = false;
    }
    g_SaverState.bRunningAsSaver = false;
    Press(VK_ESCAPE);  // Esc ends the settings dialog too
    EXPECT_TRUE(g_SaverState.bQuitRequested);
}

TEST_F(KeyHandlerTest, EnterAndBackspaceKeepEachModulesView)
{
    g_SaverState.dwLastSwitchTick = 0;
    Press(VK_PRIOR);  // module 1 at 40.3
    Press(VK_RETURN);
    EXPECT_EQ(g_nModule, 2);
    EXPECT_EQ(g_fDepth, 22.8f);
    EXPECT_NE(g_SaverState.dwLastSwitchTick, 0u);
    Press(VK_LEFT);  // module 2 shifted by -0.1
    Press(VK_RETURN);
    EXPECT_EQ(g_nModule, 3);
    EXPECT_EQ(g_fDepth, 20.0f);
    EXPECT_EQ(g_fXrot, -21.0f);
    Press(VK_RETURN);
    EXPECT_EQ(g_nModule, 1);
    EXPECT_EQ(g_fDepth, 40.3f);
    g_fAngle = 33.0f;
    Press(VK_BACK);
    EXPECT_EQ(g_nModule, 3);
    EXPECT_EQ(g_fAngle, 0.0f);
    Press(VK_BACK);
    EXPECT_EQ(g_nModule, 2);
    EXPECT_EQ(g_fHorz, -0.1f);
    EXPECT_EQ(g_Modules[1].depth, 40.3f);
    // Module 2 out of the show: Enter goes from 1 straight to 3, Backspace back to 1.
    g_Modules[2].active = false;
    g_nModule = 1;
    ApplyModuleView(1);
    Press(VK_RETURN);
    EXPECT_EQ(g_nModule, 3);
    Press(VK_BACK);
    EXPECT_EQ(g_nModule, 1);
    EXPECT_FALSE(g_SaverState.bQuitRequested);
}

TEST_F(KeyHandlerTest, HomeRestoresTheBuiltInViewNotTheStoredOne)
{
    g_Modules[1].depth = 55.0f;  // as if loaded from the registry
    g_Modules[1].xrot = 12.0f;
    ApplyModuleView(1);
    Press(VK_PRIOR);
    Press(VK_F9);
    g_fAngle = 77.0f;
    Press(VK_HOME);
    EXPECT_EQ(g_fDepth, 40.0f);
    EXPECT_EQ(g_fXrot, 0.0f);
    EXPECT_EQ(g_fSpeed, 0.5f);
    EXPECT_EQ(g_fAngle, 77.0f);
    EXPECT_EQ(g_Modules[1].depth, 55.0f);
    EXPECT_EQ(g_Modules[1].xrot, 12.0f);
}

TEST_F(KeyHandlerTest, F11ShowsTheParams)
{
    g_fDepth = 22.8f;
    g_fHorz = -1.5f;
    g_fSpeed = 0.5375f;
    vt::MessageBoxInfo info;
    HWND hOwner = nullptr;
    std::thread watcher([&] {
        HWND hBox = vt::WaitForWindow("#32770", "Params", 10000, GetCurrentProcessId());
        if (hBox)
            hOwner = GetWindow(hBox, GW_OWNER);
        vt::WaitForMessageBox(&info, 1000, GetCurrentProcessId());
    });
    Press(VK_F11);
    watcher.join();
    EXPECT_EQ(info.caption, "Params");
    EXPECT_EQ(info.text,
              "g_fDepth 22.799999\ng_fHorz  -1.500000\ng_fVert  0.000000\ng_fXrot  0.000000\n"
              "g_fYrot  0.000000\ng_fZrot  0.000000\ng_fSpeed 0.537500\n");
    EXPECT_EQ(hOwner, m_hWnd);
    EXPECT_FALSE(g_SaverState.bQuitRequested);
}

struct MenuObservation {
    bool bFound = false;
    HWND hOwner = nullptr;
    std::vector<std::string> texts;
    bool bCursorShowing = false;
    RECT rcClip = {}, rcDialog = {};
    LRESULT nSecondPress = 0;
    int nMenus = 0;
};

BOOL CALLBACK CollectText(HWND hChild, LPARAM lParam)
{
    reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(vt::WindowText(hChild));
    return TRUE;
}

BOOL CALLBACK CountMenus(HWND hWnd, LPARAM lParam)
{
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hWnd, &dwPid);
    if (dwPid == GetCurrentProcessId() && vt::WindowText(hWnd) == "Control Menu")
        ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

// Looks at the open control menu from another thread, presses F1 again inside
// its modal loop, then clicks OK. bHeld: the menu is to show the cursor and
// hold it inside, as in the saver.
void ObserveControlMenu(HWND hTestWnd, bool bHeld, MenuObservation* pSeen)
{
    HWND hDlg = vt::WaitForWindow("#32770", "Control Menu", 10000, GetCurrentProcessId());
    if (!hDlg)
        return;
    pSeen->bFound = true;
    vt::WaitForWindowReady(hDlg, 5000);  // found as soon as it exists, before WM_INITDIALOG
    if (bHeld) {
        vt::WaitForClipOn(hDlg, 5000, &pSeen->rcClip, &pSeen->rcDialog);
    } else {
        GetClipCursor(&pSeen->rcClip);
        GetWindowRect(hDlg, &pSeen->rcDialog);
    }
    pSeen->hOwner = GetWindow(hDlg, GW_OWNER);
    EnumChildWindows(hDlg, CollectText, reinterpret_cast<LPARAM>(&pSeen->texts));
    CURSORINFO ci = {};
    ci.cbSize = sizeof(ci);
    GetCursorInfo(&ci);
    pSeen->bCursorShowing = (ci.flags & CURSOR_SHOWING) != 0;
    DWORD_PTR dwResult = 0;
    if (SendMessageTimeoutA(hTestWnd, WM_PRESS_F1, 0, 0, SMTO_NORMAL, 3000, &dwResult))
        pSeen->nSecondPress = static_cast<LRESULT>(dwResult);
    // A second menu would have been created inside that call: nothing to wait for.
    EnumWindows(CountMenus, reinterpret_cast<LPARAM>(&pSeen->nMenus));
    SendMessageA(GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
}

TEST_F(KeyHandlerTest, F1OpensOneControlMenuWithTheCursorHeldInside)
{
    ShowCursor(FALSE);  // hidden, as in the running saver
    MenuObservation seen;
    std::thread watcher(ObserveControlMenu, m_hWnd, true, &seen);
    Press(VK_F1);
    watcher.join();
    ASSERT_TRUE(seen.bFound);
    EXPECT_EQ(seen.hOwner, m_hWnd);
    ASSERT_EQ(seen.texts.size(), 3u);
    EXPECT_EQ(seen.texts[0], "OK");
    EXPECT_EQ(seen.texts[1],
              "F1 - This Control Menu\nEsc - Quit\n\nPage Up - Zoom Out\nPage Down - Zoom In\n"
              "Arrow Keys - Up Down Right Left\nF2,F3 - Rotate Fwd/Bkwd\nF4,F5 - Rotate Vertical\n"
              "F6,F7 - Rotate Left/Right\nF8,F9 - Speed Up/Down\nHome - Restore Default Position");
    EXPECT_EQ(seen.texts[2], "Enter - Next Module\nBackspace - Previous Module");
    EXPECT_TRUE(seen.bCursorShowing);
    EXPECT_TRUE(vt::SameRect(seen.rcClip, seen.rcDialog))
        << "clip " << vt::RectText(seen.rcClip) << ", menu " << vt::RectText(seen.rcDialog);
    EXPECT_EQ(seen.nSecondPress, 1);  // the second F1 came straight back
    EXPECT_EQ(seen.nMenus, 1);
    EXPECT_FALSE(g_bControlMenuOpen);
    EXPECT_FALSE(g_SaverState.bQuitRequested);
    // Closed: the cursor is hidden and free again.
    CURSORINFO ci = {};
    ci.cbSize = sizeof(ci);
    GetCursorInfo(&ci);
    EXPECT_EQ(ci.flags & CURSOR_SHOWING, 0u);
    RECT rcClip, rcScreen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                             GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                             GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    GetClipCursor(&rcClip);
    EXPECT_TRUE(vt::SameRect(rcClip, rcScreen))
        << "clip " << vt::RectText(rcClip) << ", screen " << vt::RectText(rcScreen);
    ShowCursor(TRUE);
}

TEST_F(KeyHandlerTest, ControlMenuInTheSettingsDialogLeavesTheCursorAlone)
{
    g_SaverState.bRunningAsSaver = false;
    ShowCursor(FALSE);
    MenuObservation seen;
    std::thread watcher(ObserveControlMenu, m_hWnd, false, &seen);
    Press(VK_F1);
    watcher.join();
    ASSERT_TRUE(seen.bFound);
    EXPECT_FALSE(seen.bCursorShowing);
    EXPECT_FALSE(vt::SameRect(seen.rcClip, seen.rcDialog))
        << "clip " << vt::RectText(seen.rcClip) << ", menu " << vt::RectText(seen.rcDialog);
    ShowCursor(TRUE);
}

// Reads template 2005 from velthra.scr itself: an extended dialog template.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* p) : m_p(p) {}
    WORD Word() { WORD w; memcpy(&w, m_p, 2); m_p += 2; return w; }
    DWORD Dword() { DWORD d; memcpy(&d, m_p, 4); m_p += 4; return d; }
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte() { return *m_p++; }
    std::string String()  // a zero-terminated UTF-16 string, or "#n" for an ordinal
    {
        WORD w = Word();
        if (w == 0xFFFF)
            return "#" + std::to_string(Word());
        std::string s;
        for (; w != 0; w = Word())
            s += static_cast<char>(w);
        return s;
    }
    void AlignDword(const BYTE* pBase)
    {
        while ((m_p - pBase) % 4)
            ++m_p;
    }

private:
    const BYTE* m_p;
};

TEST(ControlMenuTemplate, IsTheExtendedTemplateWithItsThreeControls)
{
    HMODULE hSaver = LoadLibraryExA(vt::SaverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(hSaver, nullptr);
    HRSRC hRes = FindResourceA(hSaver, MAKEINTRESOURCEA(2005), MAKEINTRESOURCEA(5));  // RT_DIALOG
    ASSERT_NE(hRes, nullptr);
    const BYTE* pBase = static_cast<const BYTE*>(LockResource(LoadResource(hSaver, hRes)));
    TemplateReader r(pBase);
    EXPECT_EQ(r.Word(), 1);       // version
    EXPECT_EQ(r.Word(), 0xFFFF);  // extended
    r.Dword();                    // help id
    EXPECT_EQ(r.Dword(), 0u);     // extended style
    EXPECT_EQ(r.Dword(), 0x80C800C0u);
    ASSERT_EQ(r.Word(), 3);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 135);
    EXPECT_EQ(r.Short(), 161);
    EXPECT_EQ(r.String(), "");  // no menu
    EXPECT_EQ(r.String(), "");  // the dialog class
    EXPECT_EQ(r.String(), "Control Menu");
    EXPECT_EQ(r.Word(), 8);
    r.Word();  // weight
    r.Byte();  // italic
    r.Byte();  // charset
    EXPECT_EQ(r.String(), "MS Sans Serif");

    struct Item { DWORD dwStyle; short x, y, cx, cy; DWORD dwId; const char* pszClass; };
    const Item expected[] = {
        {0x50010001u, 43, 135, 50, 16, 1u, "#128"},            // BUTTON
        {0x50020000u, 12, 12, 111, 93, 0xFFFFFFFFu, "#130"},   // STATIC
        {0x50020000u, 12, 107, 99, 24, 0xFFFFFFFFu, "#130"},
    };
    for (const Item& item : expected) {
        r.AlignDword(pBase);
        r.Dword();  // help id
        EXPECT_EQ(r.Dword(), 0u);
        EXPECT_EQ(r.Dword(), item.dwStyle);
        EXPECT_EQ(r.Short(), item.x);
        EXPECT_EQ(r.Short(), item.y);
        EXPECT_EQ(r.Short(), item.cx);
        EXPECT_EQ(r.Short(), item.cy);
        EXPECT_EQ(r.Dword(), item.dwId);
        EXPECT_EQ(r.String(), item.pszClass);
        r.String();  // text, checked on the open dialog
        EXPECT_EQ(r.Word(), 0);  // no creation data
    }
    FreeLibrary(hSaver);
}

}  // namespace
