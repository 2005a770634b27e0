// The settings dialog, the owner-name dialog and the information dialogs of
// the real velthra.scr, driven like a user would: controls clicked, keys
// typed, texts read back, and the registry checked afterwards. A recorder
// program stands in for the web browser and the mail program.
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

const DWORD kStartMs = 15000;

// Controls of the settings dialog and the dialogs it opens.
const int kModuleCheck = 1000;   // + module number
const int kModuleButton = 1050;  // + module number
const int kSecondsSpin = 1100;
const int kSeconds = 1101;
const int kEnableAll = 1109;
const int kDisableAll = 1111;
const int kAllMonitors = 1120;
const int kAboutButton = 1200;
const int kPersonalizeButton = 1201;
const int kSymbolButton = 1202;
const int kNameEdit = 1102;
const int kVisitWebSite = 1105;
const int kOwnerLead = 1106;
const int kPartnerSite = 1108;
const int kSendEmail = 1112;
const int kOwnerName = 1116;

using vt::ModuleValueName;

int StoredNumber(const std::string& name)
{
    return vt::StoredNumber(name.c_str());
}

// Module values are read only when "mod1 depth" exists.
void StoreModules(bool b1, bool b2, bool b3, int nCycleTime = 30)
{
    vt::DeleteVelthraKey();
    vt::WriteDword(vt::kVelthraKey, "mod1 depth", 4000);
    const bool abActive[] = {b1, b2, b3};
    for (int n = 1; n <= 3; ++n)
        vt::WriteDword(vt::kVelthraKey, ModuleValueName(n, "active").c_str(), abActive[n - 1] ? 1 : 0);
    vt::WriteDword(vt::kVelthraKey, "cycle time", static_cast<DWORD>(nCycleTime));
}

// Everything that the dialog's OK would write, as one comparable text.
std::string StoredSettings()
{
    std::string text;
    for (int n = 1; n <= 3; ++n) {
        for (const char* psz : {"depth", "horz", "vert", "xrot", "yrot", "zrot", "speed", "active"})
            text += ModuleValueName(n, psz) + "=" + std::to_string(StoredNumber(ModuleValueName(n, psz))) + " ";
    }
    return text + "cycle time=" + std::to_string(StoredNumber("cycle time")) +
           " all monitors=" + std::to_string(StoredNumber("all monitors"));
}

std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

POINT CentreOf(HWND hWnd, double fy = 0.5)
{
    RECT rc;
    GetWindowRect(hWnd, &rc);
    return {(rc.left + rc.right) / 2, rc.top + static_cast<LONG>((rc.bottom - rc.top) * fy)};
}

// WM_GETTEXT reaches other processes' controls; this thread keeps answering
// messages sent to it meanwhile, so neither side waits for the other.
std::string TextOf(HWND hWnd)
{
    char sz[1024] = "";
    SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof(sz), reinterpret_cast<LPARAM>(sz), SMTO_NORMAL,
                        5000, nullptr);
    return sz;
}

void ClickAt(POINT pt)
{
    vt::MoveCursorTo(pt.x, pt.y);
    vt::ClickLeft();
}

// Polls the reader until it gives the expected text or the time is up, and
// returns what it read last.
template <typename Reader>
std::string Eventually(Reader read, const std::string& expected)
{
    std::string text;
    vt::WaitUntil([&] { return (text = read()) == expected; }, kStartMs);
    return text;
}

// Posts the characters to an edit of another process and returns once the
// edit has taken them all: the modified flag, set here and cleared by a
// message posted after the characters, turns false only behind them.
void TypeChars(HWND hEdit, const std::string& text)
{
    SendMessageTimeoutA(hEdit, EM_SETMODIFY, TRUE, 0, SMTO_NORMAL, kStartMs, nullptr);
    for (char c : text)
        PostMessageA(hEdit, WM_CHAR, static_cast<unsigned char>(c), 1);
    PostMessageA(hEdit, EM_SETMODIFY, FALSE, 0);
    vt::WaitUntil(
        [&] {
            DWORD_PTR dwModified = 1;
            SendMessageTimeoutA(hEdit, EM_GETMODIFY, 0, 0, SMTO_NORMAL, 2000, &dwModified);
            return dwModified == 0;
        },
        kStartMs);
}

// The settings dialog in a running velthra.scr /c.
class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override { vt::DeleteVelthraKey(); }

    void Open(const std::string& saverPath = "", const std::vector<std::string>& extraEnv = {})
    {
        ASSERT_TRUE(m_saver.StartSaver("/c", saverPath, extraEnv));
        m_hDlg = vt::WaitForWindow("#32770", "Velthra Settings", kStartMs, m_saver.Id());
        ASSERT_NE(m_hDlg, nullptr);
        ASSERT_TRUE(vt::WaitUntil([&] { return Item(kFrameProbe) != nullptr; }, kStartMs));
        ASSERT_TRUE(WaitForFrame());
        // Keys go to the foreground window.
        vt::WaitUntil([&] { return GetForegroundWindow() == m_hDlg; }, kStartMs);
    }

    HWND Item(int nId) { return GetDlgItem(m_hDlg, nId); }

    // Every frame presses the current module's button and releases the
    // others, the hidden ones included. A hidden button pressed from here is
    // released by the next frame, which has first drained all that was
    // queued before: posted clicks and input alike.
    static const int kFrameProbe = kModuleButton + 20;
    bool WaitForFrame()
    {
        SendMessageTimeoutA(Item(kFrameProbe), BM_SETCHECK, BST_CHECKED, 0, SMTO_NORMAL, kStartMs, nullptr);
        return vt::WaitUntil([&] { return !IsPressed(kFrameProbe); }, kStartMs);
    }

    // A click on a button, as the button gets it, handled before this returns.
    void Click(int nId)
    {
        PostClick(nId);
        EXPECT_TRUE(WaitForFrame());
    }

    // Opening a nested dialog must not block the test, so the click is posted.
    void PostClick(int nId) { PostMessageA(Item(nId), BM_CLICK, 0, 0); }

    bool IsPressed(int nId)
    {
        DWORD_PTR dwState = 0;
        SendMessageTimeoutA(Item(nId), BM_GETCHECK, 0, 0, SMTO_NORMAL, 2000, &dwState);
        return dwState == BST_CHECKED;
    }

    // Which of the buttons first + 1 ... first + count are pressed, as
    // "1,3" or "" for none, asked all at once.
    std::string Pressed(int nFirst, int nCount, bool bCommas)
    {
        std::vector<HWND> buttons;
        for (int n = 1; n <= nCount; ++n)
            buttons.push_back(Item(nFirst + n));
        std::vector<LRESULT> states = vt::SendToEach(buttons, BM_GETCHECK, 0, 0, kStartMs);
        std::string s;
        for (int n = 1; n <= nCount; ++n) {
            if (bCommas && states[n - 1] == BST_CHECKED)
                s += (s.empty() ? "" : ",") + std::to_string(n);
            else if (!bCommas)
                s += states[n - 1] == BST_CHECKED ? '1' : '0';
        }
        return s;
    }

    // Which of the 20 module buttons are pressed, e.g. "2" or "" for none.
    std::string PressedButtons() { return Pressed(kModuleButton, 20, true); }

    // Waits until the buttons read as expected or the time is up.
    std::string WaitForButtons(const std::string& expected)
    {
        return Eventually([&] { return PressedButtons(); }, expected);
    }

    std::string TickedBoxes() { return Pressed(kModuleCheck, 3, false); }

    std::string Seconds() { return TextOf(Item(kSeconds)); }
    std::string WaitForSeconds(const std::string& expected)
    {
        return Eventually([&] { return Seconds(); }, expected);
    }

    void ClickControl(int nId, double fy = 0.5) { ClickAt(CentreOf(Item(nId), fy)); }

    HWND Focus()
    {
        GUITHREADINFO info;
        ZeroMemory(&info, sizeof(info));
        info.cbSize = sizeof(info);
        return GetGUIThreadInfo(GetWindowThreadProcessId(m_hDlg, nullptr), &info) ? info.hwndFocus : nullptr;
    }

    // Replaces the seconds text by typing into the edit.
    void TypeSeconds(const char* pszDigits)
    {
        ClickControl(kSeconds);
        EXPECT_TRUE(vt::WaitUntil([&] { return Focus() == Item(kSeconds); }, kStartMs));
        vt::PressKey(VK_END, true);
        for (int i = 0; i < 6; ++i)
            vt::PressKey(VK_BACK);
        for (const char* p = pszDigits; *p; ++p)
            vt::PressKey(static_cast<WORD>(*p));
        EXPECT_TRUE(WaitForFrame());
    }

    DWORD Finish(int nButton)
    {
        PostClick(nButton);
        return m_saver.Wait(kStartMs);
    }

    // A nested dialog of the running program, once it has opened: its
    // thread answers again only when WM_INITDIALOG is done.
    HWND WaitForNested(const char* pszCaption)
    {
        HWND hNested = vt::WaitForWindow("#32770", pszCaption, kStartMs, m_saver.Id());
        if (hNested)
            SendMessageTimeoutA(hNested, WM_NULL, 0, 0, SMTO_NORMAL, kStartMs, nullptr);
        return hNested;
    }

    vt::Process m_saver;
    HWND m_hDlg = nullptr;
};

TEST_F(SettingsDialog, AllModulesInactivePressNoButton)
{
    StoreModules(false, false, false);
    Open();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(WaitForFrame());  // frames run, and none presses a button
    EXPECT_EQ(TickedBoxes(), "000");
    EXPECT_EQ(PressedButtons(), "");
    EXPECT_EQ(Finish(IDCANCEL), 1u);
}

TEST_F(SettingsDialog, StartsWithTheFirstActiveModuleAndItsButton)
{
    StoreModules(false, true, true, 45);
    Open();
    EXPECT_EQ(TickedBoxes(), "011");
    EXPECT_EQ(WaitForButtons("2"), "2");
    EXPECT_EQ(Seconds(), "45");
    EXPECT_EQ(TextOf(m_hDlg), "Velthra Settings");
    EXPECT_EQ(Finish(IDCANCEL), 1u);
}

TEST_F(SettingsDialog, DisableAllKeepsTheCurrentModuleAndOkSavesThreeInactive)
{
    Open();
    Click(kModuleButton + 2);
    EXPECT_EQ(WaitForButtons("2"), "2");
    Click(kDisableAll);
    EXPECT_EQ(TickedBoxes(), "000");
    EXPECT_EQ(WaitForButtons("2"), "2");
    EXPECT_EQ(Finish(IDOK), 1u);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(StoredNumber(ModuleValueName(n, "active")), 0) << n;
}

TEST_F(SettingsDialog, EnableAllAndTheBoxesSetTheActiveFlags)
{
    StoreModules(false, false, false);
    Open();
    Click(kEnableAll);
    EXPECT_EQ(TickedBoxes(), "111");
    Click(kModuleCheck + 2);
    EXPECT_EQ(TickedBoxes(), "101");
    EXPECT_EQ(Finish(IDOK), 1u);
    EXPECT_EQ(StoredNumber("mod1 active"), 1);
    EXPECT_EQ(StoredNumber("mod2 active"), 0);
    EXPECT_EQ(StoredNumber("mod3 active"), 1);
}

TEST_F(SettingsDialog, ModuleButtonWithItsBoxClearedMakesTheModuleCurrentButInactive)
{
    Open();
    Click(kModuleCheck + 3);
    Click(kModuleButton + 3);
    EXPECT_EQ(WaitForButtons("3"), "3");
    EXPECT_EQ(TickedBoxes(), "110");
    Click(kModuleCheck + 3);
    EXPECT_EQ(TickedBoxes(), "111");
    EXPECT_EQ(WaitForButtons("3"), "3");
    EXPECT_EQ(Finish(IDCANCEL), 1u);
}

TEST_F(SettingsDialog, SteeredViewsOfTwoModulesAreSavedByOk)
{
    Open();
    EXPECT_EQ(WaitForButtons("1"), "1");
    for (int i = 0; i < 3; ++i)
        vt::PressKey(VK_PRIOR, true);  // zoom out by 0.3 each at depth 40
    vt::PressKey(VK_LEFT, true);
    vt::PressKey(VK_LEFT, true);
    ASSERT_TRUE(WaitForFrame());
    Click(kModuleButton + 2);
    vt::PressKey(VK_NEXT, true);
    vt::PressKey(VK_NEXT, true);
    vt::PressKey(VK_F3);
    ASSERT_TRUE(WaitForFrame());
    EXPECT_EQ(Finish(IDOK), 1u);
    // Sums of single-precision steps, stored times 100 and truncated.
    EXPECT_NEAR(StoredNumber("mod1 depth"), 4090, 1);
    EXPECT_NEAR(StoredNumber("mod1 horz"), -20, 1);
    EXPECT_NEAR(StoredNumber("mod2 depth"), 2220, 1);
    EXPECT_EQ(StoredNumber("mod2 xrot"), 150);
    EXPECT_EQ(StoredNumber("mod3 depth"), 2000);
}

TEST_F(SettingsDialog, EnterShowsTheNextActiveModuleAndPressesItsButton)
{
    StoreModules(true, false, true);
    Open();
    EXPECT_EQ(WaitForButtons("1"), "1");
    vt::PressKey(VK_RETURN);
    EXPECT_EQ(WaitForButtons("3"), "3");
    vt::PressKey(VK_RETURN);
    EXPECT_EQ(WaitForButtons("1"), "1");
    vt::PressKey(VK_BACK);
    EXPECT_EQ(WaitForButtons("3"), "3");
    EXPECT_EQ(Finish(IDCANCEL), 1u);
}

TEST_F(SettingsDialog, TypedSecondsAreCheckedWhenTheFocusLeaves)
{
    Open();
    TypeSeconds("0");
    EXPECT_EQ(Seconds(), "0");
    ClickControl(kModuleButton + 1);
    EXPECT_EQ(WaitForSeconds("1"), "1");
    TypeSeconds("99999");
    ClickControl(kModuleButton + 1);
    EXPECT_EQ(WaitForSeconds("9999"), "9999");
    // Keys steer the preview again once the edit is left: Enter changes module.
    vt::PressKey(VK_RETURN);
    EXPECT_EQ(WaitForButtons("2"), "2");
    EXPECT_EQ(Finish(IDOK), 1u);
    EXPECT_EQ(StoredNumber("cycle time"), 9999);
}

TEST_F(SettingsDialog, SpinArrowsStepTheSeconds)
{
    Open();
    ASSERT_EQ(Seconds(), "30");
    for (int i = 1; i <= 4; ++i) {
        ClickControl(kSecondsSpin, 0.25);
        WaitForSeconds(std::to_string(30 + i));
    }
    EXPECT_EQ(Seconds(), "34");
    for (int i = 1; i <= 2; ++i) {
        ClickControl(kSecondsSpin, 0.75);
        WaitForSeconds(std::to_string(34 - i));
    }
    EXPECT_EQ(Seconds(), "32");
    EXPECT_EQ(Finish(IDOK), 1u);
    EXPECT_EQ(StoredNumber("cycle time"), 32);
}

TEST_F(SettingsDialog, CycleTimeZeroIsShownAndSavedUntouched)
{
    StoreModules(true, true, true, 0);
    Open();
    EXPECT_EQ(Seconds(), "0");
    EXPECT_EQ(Finish(IDOK), 1u);
    EXPECT_EQ(StoredNumber("cycle time"), 0);
}

TEST_F(SettingsDialog, EscapeClosesWithoutSaving)
{
    Open();
    std::string before = StoredSettings();
    vt::PressKey(VK_PRIOR, true);
    Click(kDisableAll);
    vt::PressKey(VK_ESCAPE);
    EXPECT_EQ(m_saver.Wait(kStartMs), 1u);
    EXPECT_EQ(StoredSettings(), before);
}

TEST_F(SettingsDialog, CancelSavesNothing)
{
    Open();
    std::string before = StoredSettings();
    EXPECT_NE(before.find("mod1 depth=4000"), std::string::npos);  // written back by loading
    vt::PressKey(VK_PRIOR, true);
    Click(kModuleButton + 3);
    vt::PressKey(VK_F5);
    Click(kDisableAll);
    TypeSeconds("77");
    Click(kAllMonitors);
    ClickControl(kModuleButton + 1);
    EXPECT_EQ(WaitForButtons("1"), "1");
    EXPECT_EQ(Finish(IDCANCEL), 1u);
    EXPECT_EQ(StoredSettings(), before);
}

// The Restart Manager closing the program for an upgrade, while the About
// dialog is open inside a frame: the dialog agrees, a session that goes on
// changes nothing, and the end closes both dialogs as Cancel does.
TEST_F(SettingsDialog, SessionEndClosesAsCancelDoes)
{
    Open();
    std::string before = StoredSettings();
    vt::PressKey(VK_PRIOR, true);
    Click(kDisableAll);
    PostClick(kAboutButton);
    HWND hAbout = WaitForNested("Velthra Screen Saver");
    ASSERT_NE(hAbout, nullptr);
    EXPECT_EQ(vt::SendSessionEnd(m_hDlg, ENDSESSION_CLOSEAPP, false), TRUE);
    EXPECT_EQ(m_saver.Wait(500), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(vt::SendSessionEnd(m_hDlg, ENDSESSION_CLOSEAPP), TRUE);
    EXPECT_EQ(m_saver.Wait(kStartMs), 1u);
    EXPECT_EQ(StoredSettings(), before);
}

TEST_F(SettingsDialog, CaptionCloseButtonClosesWithoutSaving)
{
    Open();
    std::string before = StoredSettings();
    Click(kDisableAll);
    PostMessageA(m_hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(m_saver.Wait(kStartMs), 1u);
    EXPECT_EQ(StoredSettings(), before);
}

TEST_F(SettingsDialog, MuteSoundIsWrittenBackByOk)
{
    vt::WriteDword(vt::kVelthraKey, "mute sound", 1);
    Open();
    EXPECT_EQ(Finish(IDOK), 1u);
    EXPECT_EQ(StoredNumber("mute sound"), 1);
    vt::WriteDword(vt::kVelthraKey, "mute sound", 7);  // only exactly 1 mutes
    Open();
    EXPECT_EQ(Finish(IDOK), 1u);
    EXPECT_EQ(StoredNumber("mute sound"), 0);
}

// The "Show on every monitor" box shows the stored option and OK stores it.
TEST_F(SettingsDialog, ShowOnEveryMonitorIsStoredByOk)
{
    vt::WriteDword(vt::kVelthraKey, "all monitors", 1);
    Open();
    EXPECT_EQ(TextOf(Item(kAllMonitors)), "Show on every monitor");
    EXPECT_TRUE(IsPressed(kAllMonitors));
    Click(kAllMonitors);
    EXPECT_FALSE(IsPressed(kAllMonitors));
    EXPECT_EQ(Finish(IDOK), 1u);
    EXPECT_EQ(StoredNumber("all monitors"), 0);
}

// Each dialog, opened from the settings dialog, centres itself on the
// desktop window's rectangle: x = (right - width) / 2, y = (bottom - height) / 2.
TEST_F(SettingsDialog, EveryDialogOpensCentredOnTheDesktop)
{
    const struct {
        const char* pszCaption;
        int nButton;  // 0: opened by F1
    } aDialogs[] = {{"Control Menu", 0},
                    {"Velthra Screen Saver", kAboutButton},
                    {"Dialog", kSymbolButton},
                    {"Enter Your Name", kPersonalizeButton}};
    Open();
    auto expectCentred = [](HWND hWnd, const char* pszCaption) {
        RECT rcDesktop, rc;
        GetWindowRect(GetDesktopWindow(), &rcDesktop);
        GetWindowRect(hWnd, &rc);
        EXPECT_EQ(rc.left, (rcDesktop.right - (rc.right - rc.left)) / 2) << pszCaption;
        EXPECT_EQ(rc.top, (rcDesktop.bottom - (rc.bottom - rc.top)) / 2) << pszCaption;
    };
    expectCentred(m_hDlg, "Velthra Settings");
    for (const auto& d : aDialogs) {
        if (d.nButton)
            PostClick(d.nButton);
        else
            vt::PressKey(VK_F1);
        HWND hNested = WaitForNested(d.pszCaption);
        ASSERT_NE(hNested, nullptr) << d.pszCaption;
        expectCentred(hNested, d.pszCaption);
        PostMessageA(hNested, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(vt::WaitForWindowGone(hNested, kStartMs)) << d.pszCaption;
    }
    EXPECT_EQ(Finish(IDCANCEL), 1u);
}

// The owner-name dialog and the About dialog that shows the name.
class OwnerName : public SettingsDialog {
protected:
    HWND OpenNameDialog()
    {
        Open();
        PostClick(kPersonalizeButton);
        return WaitForNested("Enter Your Name");
    }

    void CloseSettings() { EXPECT_EQ(Finish(IDCANCEL), 1u); }

    std::string StoredName()
    {
        std::string name = "<none>";
        vt::ReadString(vt::kVelthraKey, "name", &name);
        return name;
    }

    std::string AboutText(int nId)
    {
        PostClick(kAboutButton);
        HWND hAbout = WaitForNested("Velthra Screen Saver");
        if (!hAbout)
            return "<no About dialog>";
        std::string text = TextOf(GetDlgItem(hAbout, nId));
        PostMessageA(GetDlgItem(hAbout, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(vt::WaitForWindowGone(hAbout, kStartMs));
        return text;
    }
};

TEST_F(OwnerName, TypedNameIsStoredAsTypedAndShownInAbout)
{
    vt::WriteString(vt::kVelthraKey, "name", "Old Owner");
    HWND hName = OpenNameDialog();
    ASSERT_NE(hName, nullptr);
    HWND hEdit = GetDlgItem(hName, kNameEdit);
    EXPECT_EQ(TextOf(hEdit), "Old Owner");
    SendMessageTimeoutA(hEdit, EM_SETSEL, 0, -1, SMTO_NORMAL, 2000, nullptr);
    TypeChars(hEdit, "  A Fine Owner  ");
    PostMessageA(GetDlgItem(hName, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(vt::WaitForWindowGone(hName, kStartMs));
    EXPECT_EQ(StoredName(), "  A Fine Owner  ");
    EXPECT_EQ(AboutText(kOwnerLead), "This copy of Velthra belongs to the most excellent");
    EXPECT_EQ(AboutText(kOwnerName), "  A Fine Owner  ");
    CloseSettings();
}

TEST_F(OwnerName, LongNameIsStoredAsItsFirst260Characters)
{
    HWND hName = OpenNameDialog();
    ASSERT_NE(hName, nullptr);
    HWND hEdit = GetDlgItem(hName, kNameEdit);
    EXPECT_EQ(TextOf(hEdit), "");
    std::string typed;
    for (int i = 0; i < 300; ++i)
        typed += static_cast<char>('a' + i % 26);
    TypeChars(hEdit, typed);
    PostMessageA(GetDlgItem(hName, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(vt::WaitForWindowGone(hName, kStartMs));
    EXPECT_EQ(StoredName(), typed.substr(0, 260));
    EXPECT_EQ(AboutText(kOwnerName), typed.substr(0, 260));
    CloseSettings();
}

TEST_F(OwnerName, EmptyEditKeepsTheStoredName)
{
    vt::WriteString(vt::kVelthraKey, "name", "Keep Me");
    HWND hName = OpenNameDialog();
    ASSERT_NE(hName, nullptr);
    HWND hEdit = GetDlgItem(hName, kNameEdit);
    SendMessageTimeoutA(hEdit, EM_SETSEL, 0, -1, SMTO_NORMAL, 2000, nullptr);
    TypeChars(hEdit, "\b");
    EXPECT_EQ(TextOf(hEdit), "");
    PostMessageA(GetDlgItem(hName, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(vt::WaitForWindowGone(hName, kStartMs));
    EXPECT_EQ(StoredName(), "Keep Me");
    CloseSettings();
}

TEST_F(OwnerName, EscapeKeepsTheOldName)
{
    vt::WriteString(vt::kVelthraKey, "name", "Old Owner");
    HWND hName = OpenNameDialog();
    ASSERT_NE(hName, nullptr);
    HWND hEdit = GetDlgItem(hName, kNameEdit);
    TypeChars(hEdit, " and more");
    EXPECT_EQ(TextOf(hEdit), " and more");  // the old name was selected
    PostMessageA(hEdit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(vt::WaitForWindowGone(hName, kStartMs));
    EXPECT_EQ(StoredName(), "Old Owner");
    // The settings dialog runs on, and its own Escape still closes it.
    EXPECT_TRUE(m_saver.IsRunning());
    CloseSettings();
}

TEST_F(OwnerName, MissingNameShowsAnEmptyLineInAbout)
{
    Open();
    EXPECT_EQ(AboutText(kOwnerName), "");
    CloseSettings();
}

// The web and mail links. HKEY_CLASSES_ROOT decides which program starts;
// the recorder notes how it was started.
class Links : public SettingsDialog {
protected:
    void SetUp() override
    {
        SettingsDialog::SetUp();
        m_dir = vt::MakeScratchDir("links", {"dialog_doubles\\browser_recorder.exe"});
        m_recorder = m_dir + "\\browser_recorder.exe";
        m_record = m_dir + "\\recorded.txt";

        DeleteFileA(m_record.c_str());
        m_hadHttp = vt::ReadDefault(HKEY_CLASSES_ROOT, kHttpCommand, &m_oldHttp);
        m_hadMail = vt::ReadDefault(HKEY_CLASSES_ROOT, kMailCommand, &m_oldMail);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, kHttpCommand);
    }

    void TearDown() override
    {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, kHttpCommand);
        if (m_hadHttp)
            vt::WriteDefault(HKEY_CLASSES_ROOT, kHttpCommand, m_oldHttp);
        if (m_hadMail)
            vt::WriteDefault(HKEY_CLASSES_ROOT, kMailCommand, m_oldMail);
    }

    void OpenFromScratch() { Open(m_dir + "\\velthra.scr", {"VELTHRA_RECORD=" + m_record}); }

    // The recorder's command line, once it has been started; its show
    // command goes to m_show.
    std::string WaitForRecord()
    {
        std::string line = "<not started>";
        vt::WaitUntil(
            [&] {
                std::ifstream in(m_record);
                std::string first, show;
                if (!std::getline(in, first) || !std::getline(in, show))
                    return false;
                line = first;
                m_show = show;
                return true;
            },
            kStartMs);
        return line;
    }

    // The parameters the program was given: the command line after the
    // program's name and the blank that separates them.
    static std::string ParametersOf(const std::string& line)
    {
        size_t nEnd = line[0] == '"' ? line.find('"', 1) + 1 : line.find(' ');
        if (nEnd == std::string::npos || nEnd >= line.size())
            return "";
        return line.substr(nEnd + 1);
    }

    struct UNICODE_STRING_LIKE {
        USHORT Length;
        USHORT MaximumLength;
        PWSTR Buffer;
    };

    // The command line of another 64-bit process, from its process
    // environment block: PEB.ProcessParameters (offset 0x20), then the
    // parameters' CommandLine (offset 0x70); their WindowFlags (0xA4) and
    // ShowWindowFlags (0xA8) give the show command, noted as the recorder does.
    std::string ReadCommandLine(HANDLE hProcess)
    {
        typedef LONG(NTAPI * QueryFn)(HANDLE, ULONG, PVOID, ULONG, PULONG);
        auto pfnQuery = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
        PVOID aBasic[6] = {};  // PROCESS_BASIC_INFORMATION: PebBaseAddress is the second field
        for (int i = 0; i < 50; ++i) {
            if (!pfnQuery || pfnQuery(hProcess, 0, aBasic, sizeof(aBasic), nullptr) != 0)
                return "<unreadable>";
            char* pPeb = static_cast<char*>(aBasic[1]);
            char* pParameters = nullptr;
            UNICODE_STRING_LIKE text = {};
            SIZE_T cb = 0;
            if (ReadProcessMemory(hProcess, pPeb + 0x20, &pParameters, sizeof(pParameters), &cb) && pParameters &&
                ReadProcessMemory(hProcess, pParameters + 0x70, &text, sizeof(text), &cb) && text.Length > 0) {
                std::wstring w(text.Length / 2, L' ');
                DWORD adwFlags[2] = {};
                if (ReadProcessMemory(hProcess, text.Buffer, &w[0], text.Length, &cb) &&
                    ReadProcessMemory(hProcess, pParameters + 0xA4, adwFlags, sizeof(adwFlags), &cb)) {
                    m_show = (adwFlags[0] & STARTF_USESHOWWINDOW) ? "show " + std::to_string(adwFlags[1]) : "show none";
                    return std::string(w.begin(), w.end());
                }
            }
            vt::PumpMessages(50);  // the process may still be starting
        }
        return "<unreadable>";
    }

    // Internet Explorer is Wine's own program, started from the system folder:
    // it is found among the saver's child processes, and its command line is
    // read from there before it is ended.
    std::string WaitForInternetExplorer()
    {
        for (int i = 0; i < 100; ++i) {
            HANDLE hSnap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
            PROCESSENTRY32 entry;
            entry.dwSize = sizeof(entry);
            for (BOOL b = Process32First(hSnap, &entry); b; b = Process32Next(hSnap, &entry)) {
                if (entry.th32ParentProcessID != m_saver.Id() || lstrcmpiA(entry.szExeFile, "iexplore.exe") != 0)
                    continue;
                CloseHandle(hSnap);
                HANDLE hIe = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE,
                                         FALSE, entry.th32ProcessID);
                std::string line = hIe ? ReadCommandLine(hIe) : "<unreadable>";
                if (hIe) {
                    TerminateProcess(hIe, 0);
                    CloseHandle(hIe);
                }
                return line;
            }
            CloseHandle(hSnap);
            vt::PumpMessages(100);
        }
        return "<not started>";
    }

    // Opens the About dialog, clicks the button and returns the recorded line.
    std::string ClickInAbout(int nButton, bool bInternetExplorer = false)
    {
        OpenFromScratch();
        PostClick(kAboutButton);
        HWND hAbout = WaitForNested("Velthra Screen Saver");
        if (!hAbout)
            return "<no About dialog>";
        PostMessageA(GetDlgItem(hAbout, nButton), BM_CLICK, 0, 0);
        std::string line = bInternetExplorer ? WaitForInternetExplorer() : WaitForRecord();
        EXPECT_TRUE(m_saver.IsRunning());
        EXPECT_TRUE(IsWindow(hAbout));  // the dialog stays open
        PostMessageA(GetDlgItem(hAbout, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(vt::WaitForWindowGone(hAbout, kStartMs));
        EXPECT_EQ(Finish(IDCANCEL), 1u);
        return line;
    }

    static constexpr const char* kHttpCommand = "HTTP\\shell\\open\\command";
    static constexpr const char* kMailCommand = "mailto\\shell\\open\\command";
    std::string m_dir, m_recorder, m_record, m_show;
    bool m_hadHttp = false, m_hadMail = false;
    std::string m_oldHttp, m_oldMail;
};

const char kProductPage[] = "http://www.velthra.example/";
const char kPartnerPage[] = "http://www.symbol-partner.example/";

TEST_F(Links, WithoutBrowserCommandInternetExplorerIsStartedAndNoKeyCreated)
{
    ASSERT_FALSE(vt::KeyExists(HKEY_CLASSES_ROOT, kHttpCommand));
    std::string line = ClickInAbout(kVisitWebSite, true);
    EXPECT_EQ(ParametersOf(line), std::string("-new ") + kProductPage) << line;
    EXPECT_NE(line.find("iexplore.exe"), std::string::npos) << line;
    EXPECT_EQ(m_show, "show 9");  // SW_RESTORE
    EXPECT_FALSE(vt::KeyExists(HKEY_CLASSES_ROOT, kHttpCommand));
}

TEST_F(Links, BrowserCommandNamingInternetExplorerStartsItByName)
{
    vt::WriteDefault(HKEY_CLASSES_ROOT, kHttpCommand,
                 "\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\" -nohome");
    std::string line = ClickInAbout(kVisitWebSite, true);
    EXPECT_EQ(ParametersOf(line), std::string("-new ") + kProductPage) << line;
}

TEST_F(Links, QuotedBrowserWithQuotedPlaceholder)
{
    vt::WriteDefault(HKEY_CLASSES_ROOT, kHttpCommand, "\"" + Upper(m_recorder) + "\" \"%1\"");
    std::string line = ClickInAbout(kVisitWebSite);
    EXPECT_NE(line.find("browser_recorder.exe"), std::string::npos) << line;
    EXPECT_EQ(ParametersOf(line), std::string(" ") + kProductPage) << line;
    EXPECT_EQ(m_show, "show 9");  // SW_RESTORE
}

TEST_F(Links, UnquotedBrowserWithOptionAndPlaceholder)
{
    vt::WriteDefault(HKEY_CLASSES_ROOT, kHttpCommand, Upper(m_recorder) + " -nosplash \"%1\" -tail");
    std::string line = ClickInAbout(kVisitWebSite);
    EXPECT_EQ(ParametersOf(line), std::string("-nosplash ") + kProductPage) << line;
}

TEST_F(Links, BareBrowserPathAndThePartnerButton)
{
    vt::WriteDefault(HKEY_CLASSES_ROOT, kHttpCommand, Upper(m_recorder));
    std::string line = ClickInAbout(kPartnerSite);
    EXPECT_EQ(ParametersOf(line), kPartnerPage) << line;
    EXPECT_EQ(m_show, "show 9");
}

TEST_F(Links, SymbolDialogAlwaysStartsInternetExplorer)
{
    vt::WriteDefault(HKEY_CLASSES_ROOT, kHttpCommand, "c:\\some\\other\\browser.exe \"%1\"");
    OpenFromScratch();
    PostClick(kSymbolButton);
    HWND hSymbol = WaitForNested("Dialog");
    ASSERT_NE(hSymbol, nullptr);
    PostMessageA(GetDlgItem(hSymbol, kPartnerSite), BM_CLICK, 0, 0);
    std::string line = WaitForInternetExplorer();
    EXPECT_EQ(ParametersOf(line), std::string("-new ") + kPartnerPage) << line;
    EXPECT_EQ(m_show, "show 1");  // SW_SHOWNORMAL
    PostMessageA(GetDlgItem(hSymbol, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(vt::WaitForWindowGone(hSymbol, kStartMs));
    EXPECT_EQ(Finish(IDCANCEL), 1u);
}

TEST_F(Links, SendMeEmailAsksTheShellForAMailtoLink)
{
    vt::WriteDefault(HKEY_CLASSES_ROOT, kMailCommand, "\"" + m_recorder + "\" \"%1\"");
    std::string line = ClickInAbout(kSendEmail);
    EXPECT_NE(line.find("mailto:maker@velthra.example?subject=Velthra"), std::string::npos) << line;
    EXPECT_EQ(m_show, "show 3");  // SW_SHOWMAXIMIZED
}

// The dialog templates as velthra.scr carries them, read back from its
// RT_DIALOG resources: styles, caption, font, size, and every control's id,
// class, style, place and order.
struct ControlLayout {
    int nId;
    const char* pszClass;
    DWORD dwStyle;
    short x, y, cx, cy;
    const char* pszText;  // null: the wording is the resource's own
};

struct DialogLayout {
    int nTemplate;
    const char* pszCaption;
    DWORD dwStyle;
    short cx, cy;
    DWORD dwControlMask;  // the control style bits compared
    std::vector<ControlLayout> controls;  // the visible ones, in template order
};

struct ParsedControl {
    int nId = 0;
    std::string sClass, sText;
    DWORD dwStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
};

struct ParsedDialog {
    bool bExtended = false;
    DWORD dwStyle = 0, dwExStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string sCaption, sFont;
    int nPointSize = 0;
    std::vector<ParsedControl> controls;
};

// Reads template data front to back. A name-or-ordinal field is an empty
// word, 0xFFFF and an ordinal, or a NUL-ended UTF-16 string.
class TemplateReader {
public:
    TemplateReader(const BYTE* pData, size_t cb) : m_pBase(pData), m_cb(cb) {}
    bool Ok() const { return m_nAt <= m_cb; }
    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return static_cast<short>(Take<WORD>()); }
    std::string Text()
    {
        std::string s;
        for (WORD w; Ok() && (w = Word()) != 0;)
            s += static_cast<char>(w < 0x80 ? w : '?');
        return s;
    }
    // Ordinals of the predefined classes read as their names, others as "#n".
    std::string NameOrOrdinal()
    {
        WORD w = Word();
        if (w == 0)
            return "";
        if (w != 0xFFFF) {
            m_nAt -= sizeof(WORD);
            return Text();
        }
        WORD nOrdinal = Word();
        static const char* const apszClasses[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
        if (nOrdinal >= 0x80 && nOrdinal <= 0x85)
            return apszClasses[nOrdinal - 0x80];
        return "#" + std::to_string(nOrdinal);
    }
    void AlignDword() { m_nAt = (m_nAt + 3) & ~size_t{3}; }
    void Skip(size_t cb) { m_nAt += cb; }

private:
    template <typename T>
    T Take()
    {
        T v = 0;
        if (m_nAt + sizeof(T) <= m_cb)
            memcpy(&v, m_pBase + m_nAt, sizeof(T));
        m_nAt += sizeof(T);
        return v;
    }
    const BYTE* m_pBase;
    size_t m_cb;
    size_t m_nAt = 0;
};

// DLGTEMPLATE or DLGTEMPLATEEX, with the items that follow it.
bool ParseDialog(const BYTE* pData, size_t cb, ParsedDialog* pDlg)
{
    TemplateReader r(pData, cb);
    pDlg->bExtended = cb >= 4 && pData[0] == 1 && pData[1] == 0 && pData[2] == 0xFF && pData[3] == 0xFF;
    if (pDlg->bExtended) {
        r.Skip(8);  // version, signature, help id
        pDlg->dwExStyle = r.Dword();
        pDlg->dwStyle = r.Dword();
    } else {
        pDlg->dwStyle = r.Dword();
        pDlg->dwExStyle = r.Dword();
    }
    int nItems = r.Word();
    pDlg->x = r.Short();
    pDlg->y = r.Short();
    pDlg->cx = r.Short();
    pDlg->cy = r.Short();
    r.NameOrOrdinal();  // menu
    r.NameOrOrdinal();  // window class
    pDlg->sCaption = r.Text();
    if (pDlg->dwStyle & DS_SETFONT) {
        pDlg->nPointSize = r.Word();
        if (pDlg->bExtended)
            r.Skip(4);  // weight, italic, character set
        pDlg->sFont = r.Text();
    }
    for (int i = 0; i < nItems && r.Ok(); ++i) {
        r.AlignDword();
        ParsedControl c;
        if (pDlg->bExtended) {
            r.Skip(8);  // help id, extended style
            c.dwStyle = r.Dword();
        } else {
            c.dwStyle = r.Dword();
            r.Skip(4);
        }
        c.x = r.Short();
        c.y = r.Short();
        c.cx = r.Short();
        c.cy = r.Short();
        c.nId = pDlg->bExtended ? static_cast<int>(r.Dword()) : static_cast<short>(r.Word());
        c.sClass = r.NameOrOrdinal();
        c.sText = r.NameOrOrdinal();
        r.Skip(r.Word());  // creation data
        pDlg->controls.push_back(c);
    }
    return r.Ok() && static_cast<int>(pDlg->controls.size()) == nItems;
}

bool LoadDialogTemplate(HMODULE hModule, int nTemplate, ParsedDialog* pDlg)
{
    HRSRC hRes = FindResourceA(hModule, MAKEINTRESOURCEA(nTemplate), MAKEINTRESOURCEA(5));  // RT_DIALOG
    HGLOBAL hData = hRes ? LoadResource(hModule, hRes) : nullptr;
    const void* pData = hData ? LockResource(hData) : nullptr;
    return pData && ParseDialog(static_cast<const BYTE*>(pData), SizeofResource(hModule, hRes), pDlg);
}

const DWORD kShown = WS_CHILD | WS_VISIBLE;
const DWORD kPush = kShown | WS_TABSTOP | BS_PUSHBUTTON;
const DWORD kDefault = kShown | WS_TABSTOP | BS_DEFPUSHBUTTON;
const DWORD kBox = kShown | WS_TABSTOP | BS_AUTOCHECKBOX;
const DWORD kPreviewButton = kShown | BS_AUTORADIOBUTTON | BS_PUSHLIKE;
const DWORD kText = kShown | WS_GROUP | SS_LEFT;
const DWORD kCentred = kShown | WS_GROUP | SS_CENTER;
const DWORD kGroupBox = kShown | BS_GROUPBOX | BS_CENTER;
const DWORD kEtchedVert = kShown | SS_ETCHEDVERT;
const DWORD kFrame = kShown | SS_ETCHEDFRAME;
const DWORD kIcon = kShown | SS_ICON;
const DWORD kInfoDialog = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

const std::vector<DialogLayout>& Layouts()
{
    static const std::vector<DialogLayout> s_layouts = {
        {2003, "Velthra Settings",
         WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK,
         433, 281, ~0u,
         {{1001, "Button", kBox, 301, 59, 8, 8, ""},
          {1051, "Button", kPreviewButton, 311, 57, 40, 13, "Module 1"},
          {1002, "Button", kBox, 301, 72, 8, 8, ""},
          {1052, "Button", kPreviewButton, 311, 70, 40, 13, "Module 2"},
          {1003, "Button", kBox, 301, 85, 8, 8, ""},
          {1053, "Button", kPreviewButton, 311, 83, 40, 13, "Module 3"},
          {1109, "Button", kPush, 316, 111, 76, 16, "Enable All"},
          {1111, "Button", kPush, 316, 128, 76, 16, "Disable All"},
          {1101, "Edit", kShown | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_NUMBER, 363, 75, 32, 13, nullptr},
          {1100, "msctls_updown32", kShown | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS, 392, 76, 8, 13, "Spin1"},
          {1120, "Button", kBox, 301, 146, 116, 10, "Show on every monitor"},
          {1200, "Button", kPush, 289, 164, 133, 19, "About Velthra"},  // 19 high at 144 DPI
          {1201, "Button", kPush, 289, 205, 133, 20, "Personalize this Screensaver"},
          {2, "Button", kPush, 289, 228, 133, 21, "Cancel"},
          {1, "Button", kPush, 289, 250, 133, 25, "OK"},
          {1115, "Static", kShown | SS_BLACKRECT, 6, 5, 273, 191, ""},
          {-1, "Static", kText, 96, 226, 88, 9, "F2, F3 - Rotate Fwd/Bkwd "},
          {-1, "Static", kText, 96, 236, 84, 9, "F4, F5 - Rotate Vertical"},
          {-1, "Static", kText, 96, 246, 89, 9, "F6, F7 - Rotate Left/Right"},
          {-1, "Static", kText, 92, 216, 102, 10, "Arrow Keys - up down left right"},  // widened at 144 DPI
          {-1, "Static", kText, 202, 236, 72, 9, "Page Up - Zoom Out"},
          {-1, "Static", kText, 13, 246, 73, 9, "Home - Default view"},
          {-1, "Static", kText, 13, 216, 66, 8, "F1 - Control Menu"},
          {-1, "Static", kText, 13, 226, 67, 8, "Enter - Ahead"},
          {-1, "Static", kText, 13, 236, 68, 8, "Backspace - Back"},
          {-1, "Static", kEtchedVert, 90, 216, 1, 41, ""},
          {-1, "Button", kGroupBox, 6, 202, 274, 74, " Adjust Settings for each Module "},
          {-1, "Static", kText, 202, 216, 41, 9, "F8 - Slower"},
          {-1, "Static", kEtchedVert, 195, 216, 1, 41, ""},
          {-1, "Static", kText, 202, 226, 41, 9, "F9 - Faster"},
          {-1, "Static", kText, 202, 246, 69, 9, "Page Dn - Zoom In"},
          {-1, "Static", kCentred, 365, 91, 31, 9, "Seconds"},
          {-1, "Static", kCentred, 358, 57, 43, 16, "Show Each Module For"},
          {-1, "Button", kGroupBox, 290, 7, 134, 152, "Module Control"},
          {-1, "Static", kCentred, 299, 19, 116, 25,
           "Click the checkbox to the left to enable/disable module. Click the push button to preview module"},
          {-1, "Static", kCentred, 42, 261, 199, 8, "* These control keys also work while screensaver is active.*"},
          {1202, "Button", kPush, 289, 184, 133, 20, "About the Velthra Symbol"}}},
        {2005, "Control Menu", 0x80C800C0, 135, 161, ~0u,
         {{1, "Button", kDefault, 43, 135, 50, 16, "OK"},
          {-1, "Static", kText, 12, 12, 111, 93,
           "F1 - This Control Menu\nEsc - Quit\n\nPage Up - Zoom Out\nPage Down - Zoom In\n"
           "Arrow Keys - Up Down Right Left\nF2,F3 - Rotate Fwd/Bkwd\nF4,F5 - Rotate Vertical\n"
           "F6,F7 - Rotate Left/Right\nF8,F9 - Speed Up/Down\nHome - Restore Default Position"},
          {-1, "Static", kText, 12, 107, 99, 24, "Enter - Next Module\nBackspace - Previous Module"}}},
        {2006, "Velthra Screen Saver", kInfoDialog | DS_CENTER, 244, 252, ~static_cast<DWORD>(WS_GROUP | WS_TABSTOP),
         {{1106, "Static", kCentred, 32, 24, 179, 9, "This copy of Velthra belongs to the most excellent"},
          {1116, "Static", kCentred, 21, 36, 200, 10, nullptr},
          {-1, "Static", kIcon, 57, 190, 20, 20, "#110"},
          {-1, "Static", kIcon, 164, 190, 20, 20, "#110"},
          {-1, "Static", kFrame, 7, 7, 228, 238, ""},
          {1, "Button", kDefault, 159, 218, 70, 18, "OK"},
          {-1, "Static", kCentred, 76, 190, 92, 17, nullptr},
          {1105, "Button", kPush, 13, 218, 70, 18, "Visit My Web Site"},
          {1112, "Button", kPush, 86, 218, 70, 18, "Send Me Email"},
          {-1, "Static", kCentred, 92, 57, 59, 18, "Credits\nMany thanks to:"},
          {-1, "Static", kCentred, 34, 138, 174, 8, nullptr},
          {-1, "Static", kCentred, 71, 162, 93, 8, "and SGI for making OpenGL"},
          {-1, "Static", kCentred, 26, 150, 190, 8, nullptr},
          {-1, "Static", kFrame, 69, 50, 104, 2, ""},
          {-1, "Static", kFrame, 70, 179, 104, 2, ""},
          {-1, "Static", kCentred, 35, 80, 174, 18, nullptr},
          {1108, "Button", kPush, 56, 101, 132, 18, nullptr},
          {-1, "Static", kCentred, 86, 125, 70, 8, "And to:"}}},
        {121, "Dialog", kInfoDialog, 281, 182, ~static_cast<DWORD>(WS_GROUP | WS_TABSTOP),
         {{1, "Button", kDefault, 98, 151, 86, 22, "OK"},
          {-1, "Static", kText, 24, 13, 233, 27, nullptr},
          {-1, "Static", kText, 24, 39, 232, 25, nullptr},
          {-1, "Static", kText, 24, 95, 232, 18, nullptr},
          {1108, "Button", kPush, 66, 120, 149, 22, nullptr},
          {-1, "Static", kText, 24, 66, 232, 25, nullptr}}},
        {2007, "Enter Your Name", kInfoDialog, 227, 99, ~static_cast<DWORD>(WS_GROUP | WS_TABSTOP),
         {{1102, "Edit", kShown | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, 13, 35, 198, 14, nullptr},
          {1, "Button", kDefault, 90, 62, 48, 18, "OK"},
          {-1, "Static", kCentred, 19, 18, 190, 8, "Name entered below will appear in the \"About\" Window."},
          {-1, "Static", kFrame, 5, 6, 215, 87, ""}}},
    };
    return s_layouts;
}

// One control as a line of text; the text left out where the wording is the
// resource's own. Class names compare in any letter case, as windows do.
std::string Describe(const ParsedControl& c, DWORD dwMask, bool bText)
{
    char sz[160];
    snprintf(sz, sizeof(sz), "%d %s %08lx %d,%d,%d,%d", c.nId, Upper(c.sClass).c_str(),
             static_cast<unsigned long>(c.dwStyle & dwMask), c.x, c.y, c.cx, c.cy);
    return bText ? sz + (" \"" + c.sText + "\"") : std::string(sz);
}

ParsedControl FromLayout(const ControlLayout& c)
{
    ParsedControl p;
    p.nId = c.nId;
    p.sClass = c.pszClass;
    p.dwStyle = c.dwStyle;
    p.x = c.x, p.y = c.y, p.cx = c.cx, p.cy = c.cy;
    p.sText = c.pszText ? c.pszText : "";
    return p;
}

class DialogTemplates : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_hSaver = LoadLibraryExA(vt::SaverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE); }
    static void TearDownTestSuite()
    {
        if (s_hSaver)
            FreeLibrary(s_hSaver);
        s_hSaver = nullptr;
    }
    static HMODULE s_hSaver;
};
HMODULE DialogTemplates::s_hSaver = nullptr;

TEST_F(DialogTemplates, EveryDialogAndItsVisibleControlsInOrder)
{
    ASSERT_NE(s_hSaver, nullptr);
    for (const DialogLayout& layout : Layouts()) {
        SCOPED_TRACE("template " + std::to_string(layout.nTemplate));
        ParsedDialog dlg;
        ASSERT_TRUE(LoadDialogTemplate(s_hSaver, layout.nTemplate, &dlg));
        EXPECT_EQ(dlg.sCaption, layout.pszCaption);
        EXPECT_EQ(dlg.dwStyle, layout.dwStyle);
        EXPECT_EQ(dlg.dwExStyle, 0u);
        EXPECT_EQ(dlg.cx, layout.cx);
        EXPECT_EQ(dlg.cy, layout.cy);
        EXPECT_EQ(dlg.nPointSize, 8);
        EXPECT_EQ(dlg.sFont, "MS Sans Serif");
        std::vector<std::string> actual, expected;
        for (const ParsedControl& c : dlg.controls) {
            size_t i = actual.size();
            bool bText = i >= layout.controls.size() || layout.controls[i].pszText;
            if (c.dwStyle & WS_VISIBLE)
                actual.push_back(Describe(c, layout.dwControlMask, bText));
        }
        for (const ControlLayout& c : layout.controls)
            expected.push_back(Describe(FromLayout(c), layout.dwControlMask, c.pszText != nullptr));
        EXPECT_EQ(actual, expected);
    }
}

// The control menu is an extended template at (0, 0); the settings dialog
// holds hidden controls for modules 4 to 20 that keep the preview buttons in
// one radio group.
TEST_F(DialogTemplates, ControlMenuAndTheHiddenModuleControls)
{
    ASSERT_NE(s_hSaver, nullptr);
    ParsedDialog menu, settings;
    ASSERT_TRUE(LoadDialogTemplate(s_hSaver, 2005, &menu));
    EXPECT_TRUE(menu.bExtended);
    EXPECT_EQ(menu.x, 0);
    EXPECT_EQ(menu.y, 0);
    ASSERT_TRUE(LoadDialogTemplate(s_hSaver, 2003, &settings));
    static const char* const apszHidden[] = {"Module 4", "Module 5", "Module 6", "Module 7", "VIII", "IX",
                                             "X", "XI", "XII", "XIII", "XIV", "XV", "XVI", "XVII",
                                             "XVIII", "XIX", "XX"};
    std::vector<std::string> hidden, expected;
    for (int n = 4; n <= 20; ++n) {
        expected.push_back(std::to_string(1000 + n) + " BUTTON 3 \"\"");
        expected.push_back(std::to_string(1050 + n) + " BUTTON 9+pushlike \"" + apszHidden[n - 4] + "\"");
    }
    bool bGroupMarkAmongModules = false;
    for (const ParsedControl& c : settings.controls) {
        bool bModule = (c.nId > 1000 && c.nId <= 1020) || (c.nId > 1050 && c.nId <= 1070);
        if (bModule && c.nId != 1001 && (c.dwStyle & WS_GROUP))
            bGroupMarkAmongModules = true;
        if (!bModule || (c.dwStyle & WS_VISIBLE))
            continue;
        std::string kind = std::to_string(c.dwStyle & BS_TYPEMASK) + ((c.dwStyle & BS_PUSHLIKE) ? "+pushlike" : "");
        hidden.push_back(std::to_string(c.nId) + " " + Upper(c.sClass) + " " + kind + " \"" + c.sText + "\"");
    }
    EXPECT_EQ(hidden, expected);
    EXPECT_FALSE(bGroupMarkAmongModules);
}

}  // namespace
