// The settings dialog, the owner-name dialog and the information dialogs of
// the real velthra.scr, driven like a user would: controls clicked, keys
// typed, texts read back, and the registry checked afterwards. A recorder
// program stands in for the web browser and the mail program.
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <fstream>
#include <sstream>

namespace {

const DWORD kStartMs = 15000;
const DWORD kSettleMs = 500;  // about fifteen preview frames

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

std::string ModuleValue(int n, const char* pszField)
{
    return "mod" + std::to_string(n) + " " + pszField;
}

// Reads a DWORD of the product's key as a signed number; -99999 when missing.
int StoredNumber(const std::string& name)
{
    DWORD dw = 0;
    return vt::ReadDword(vt::kVelthraKey, name.c_str(), &dw) ? static_cast<int>(dw) : -99999;
}

// Module values are read only when "mod1 depth" exists.
void StoreModules(bool b1, bool b2, bool b3, int nCycleTime = 30)
{
    vt::DeleteVelthraKey();
    vt::WriteDword(vt::kVelthraKey, "mod1 depth", 4000);
    const bool abActive[] = {b1, b2, b3};
    for (int n = 1; n <= 3; ++n)
        vt::WriteDword(vt::kVelthraKey, ModuleValue(n, "active").c_str(), abActive[n - 1] ? 1 : 0);
    vt::WriteDword(vt::kVelthraKey, "cycle time", static_cast<DWORD>(nCycleTime));
}

// Everything that the dialog's OK would write, as one comparable text.
std::string StoredSettings()
{
    std::string text;
    for (int n = 1; n <= 3; ++n) {
        for (const char* psz : {"depth", "horz", "vert", "xrot", "yrot", "zrot", "speed", "active"})
            text += ModuleValue(n, psz) + "=" + std::to_string(StoredNumber(ModuleValue(n, psz))) + " ";
    }
    return text + "cycle time=" + std::to_string(StoredNumber("cycle time")) +
           " all monitors=" + std::to_string(StoredNumber("all monitors"));
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
    vt::PumpMessages(150);
}

void TypeChars(HWND hEdit, const std::string& text)
{
    for (char c : text)
        PostMessageA(hEdit, WM_CHAR, static_cast<unsigned char>(c), 1);
    vt::PumpMessages(kSettleMs);
}

// The settings dialog in a running velthra.scr /c.
class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override { vt::DeleteVelthraKey(); }

    void Open()
    {
        ASSERT_TRUE(m_saver.StartSaver("/c"));
        m_hDlg = vt::WaitForWindow("#32770", "Velthra Settings", kStartMs, m_saver.Id());
        ASSERT_NE(m_hDlg, nullptr);
        vt::PumpMessages(kSettleMs);
    }

    HWND Item(int nId) { return GetDlgItem(m_hDlg, nId); }

    // A click on a button, as the button gets it; opening a nested dialog
    // must not block the test, so the click is posted.
    void Click(int nId)
    {
        PostMessageA(Item(nId), BM_CLICK, 0, 0);
        vt::PumpMessages(kSettleMs);
    }

    bool IsPressed(int nId)
    {
        DWORD_PTR dwState = 0;
        SendMessageTimeoutA(Item(nId), BM_GETCHECK, 0, 0, SMTO_NORMAL, 2000, &dwState);
        return dwState == BST_CHECKED;
    }

    // Which of the 20 module buttons are pressed, e.g. "2" or "" for none.
    std::string PressedButtons()
    {
        std::string s;
        for (int n = 1; n <= 20; ++n)
            if (IsPressed(kModuleButton + n))
                s += (s.empty() ? "" : ",") + std::to_string(n);
        return s;
    }

    // The first frame (which builds the scene) may take a while under Wine;
    // waits until the buttons read as expected or the time is up.
    std::string WaitForButtons(const std::string& expected)
    {
        std::string pressed;
        for (int i = 0; i < 60 && (pressed = PressedButtons()) != expected; ++i)
            vt::PumpMessages(250);
        return pressed;
    }

    std::string TickedBoxes()
    {
        std::string s;
        for (int n = 1; n <= 3; ++n)
            s += IsPressed(kModuleCheck + n) ? '1' : '0';
        return s;
    }

    std::string Seconds() { return TextOf(Item(kSeconds)); }

    void ClickControl(int nId, double fy = 0.5) { ClickAt(CentreOf(Item(nId), fy)); }

    // Replaces the seconds text by typing into the edit.
    void TypeSeconds(const char* pszDigits)
    {
        ClickControl(kSeconds);
        vt::PressKey(VK_END, true);
        for (int i = 0; i < 6; ++i)
            vt::PressKey(VK_BACK);
        for (const char* p = pszDigits; *p; ++p)
            vt::PressKey(static_cast<WORD>(*p));
        vt::PumpMessages(kSettleMs);
    }

    DWORD Finish(int nButton)
    {
        Click(nButton);
        return m_saver.Wait(kStartMs);
    }

    // A nested dialog of the running program.
    HWND WaitForNested(const char* pszCaption)
    {
        return vt::WaitForWindow("#32770", pszCaption, kStartMs, m_saver.Id());
    }

    vt::Process m_saver;
    HWND m_hDlg = nullptr;
};

TEST_F(SettingsDialog, AllModulesInactivePressNoButton)
{
    StoreModules(false, false, false);
    Open();
    vt::PumpMessages(1500);  // frames run, and none presses a button
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
        EXPECT_EQ(StoredNumber(ModuleValue(n, "active")), 0) << n;
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
    vt::PumpMessages(kSettleMs);
    Click(kModuleButton + 2);
    vt::PressKey(VK_NEXT, true);
    vt::PressKey(VK_NEXT, true);
    vt::PressKey(VK_F3);
    vt::PumpMessages(kSettleMs);
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
    vt::PumpMessages(kSettleMs);
    EXPECT_EQ(WaitForButtons("3"), "3");
    vt::PressKey(VK_RETURN);
    vt::PumpMessages(kSettleMs);
    EXPECT_EQ(WaitForButtons("1"), "1");
    vt::PressKey(VK_BACK);
    vt::PumpMessages(kSettleMs);
    EXPECT_EQ(WaitForButtons("3"), "3");
    EXPECT_EQ(Finish(IDCANCEL), 1u);
}

TEST_F(SettingsDialog, TypedSecondsAreCheckedWhenTheFocusLeaves)
{
    Open();
    TypeSeconds("0");
    EXPECT_EQ(Seconds(), "0");
    ClickControl(kModuleButton + 1);
    EXPECT_EQ(Seconds(), "1");
    TypeSeconds("99999");
    ClickControl(kModuleButton + 1);
    EXPECT_EQ(Seconds(), "9999");
    // Keys steer the preview again once the edit is left: Enter changes module.
    vt::PressKey(VK_RETURN);
    vt::PumpMessages(kSettleMs);
    EXPECT_EQ(WaitForButtons("2"), "2");
    EXPECT_EQ(Finish(IDOK), 1u);
    EXPECT_EQ(StoredNumber("cycle time"), 9999);
}

TEST_F(SettingsDialog, SpinArrowsStepTheSeconds)
{
    Open();
    ASSERT_EQ(Seconds(), "30");
    for (int i = 0; i < 4; ++i)
        ClickControl(kSecondsSpin, 0.25);
    EXPECT_EQ(Seconds(), "34");
    for (int i = 0; i < 2; ++i)
        ClickControl(kSecondsSpin, 0.75);
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
    EXPECT_EQ(Finish(IDCANCEL), 1u);
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
    vt::Process again;
    ASSERT_TRUE(again.StartSaver("/c"));
    HWND hDlg = vt::WaitForWindow("#32770", "Velthra Settings", kStartMs, again.Id());
    ASSERT_NE(hDlg, nullptr);
    vt::PumpMessages(kSettleMs);
    PostMessageA(GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(again.Wait(kStartMs), 1u);
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

// The owner-name dialog and the About dialog that shows the name.
class OwnerName : public SettingsDialog {
protected:
    HWND OpenNameDialog()
    {
        Open();
        Click(kPersonalizeButton);
        HWND hName = WaitForNested("Enter Your Name");
        if (hName)
            vt::PumpMessages(kSettleMs);
        return hName;
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
        Click(kAboutButton);
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
        m_hadHttp = ReadDefault(HKEY_CLASSES_ROOT, kHttpCommand, &m_oldHttp);
        m_hadMail = ReadDefault(HKEY_CLASSES_ROOT, kMailCommand, &m_oldMail);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, kHttpCommand);
    }

    void TearDown() override
    {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, kHttpCommand);
        if (m_hadHttp)
            WriteDefault(HKEY_CLASSES_ROOT, kHttpCommand, m_oldHttp);
        if (m_hadMail)
            WriteDefault(HKEY_CLASSES_ROOT, kMailCommand, m_oldMail);
    }

    void OpenFromScratch()
    {
        // Wine prefers its own iexplore.exe unless told to load the one on disk.
        ASSERT_TRUE(m_saver.StartSaver("/c", m_dir + "\\velthra.scr", {"VELTHRA_RECORD=" + m_record}));
        m_hDlg = vt::WaitForWindow("#32770", "Velthra Settings", kStartMs, m_saver.Id());
        ASSERT_NE(m_hDlg, nullptr);
        vt::PumpMessages(kSettleMs);
    }

    static bool ReadDefault(HKEY hRoot, const char* pszKey, std::string* pText)
    {
        char sz[1024];
        LONG cb = sizeof(sz);
        if (RegQueryValueA(hRoot, pszKey, sz, &cb) != ERROR_SUCCESS)
            return false;
        *pText = sz;
        return true;
    }

    static void WriteDefault(HKEY hRoot, const char* pszKey, const std::string& text)
    {
        HKEY hKey;
        ASSERT_EQ(RegCreateKeyExA(hRoot, pszKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(hKey);
    }

    static bool KeyExists(HKEY hRoot, const char* pszKey)
    {
        HKEY hKey;
        if (RegOpenKeyExA(hRoot, pszKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            return false;
        RegCloseKey(hKey);
        return true;
    }

    // The recorder's command line, once it has been started.
    std::string WaitForRecord()
    {
        for (int i = 0; i < 100; ++i) {
            std::ifstream in(m_record);
            std::string line;
            if (std::getline(in, line))
                return line;
            vt::PumpMessages(100);
        }
        return "<not started>";
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
    // parameters' CommandLine (offset 0x70).
    static std::string ReadCommandLine(HANDLE hProcess)
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
                if (ReadProcessMemory(hProcess, text.Buffer, &w[0], text.Length, &cb))
                    return std::string(w.begin(), w.end());
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
        Click(kAboutButton);
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

    std::string UpperRecorder()
    {
        std::string s = m_recorder;
        for (char& c : s)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        return s;
    }

    static constexpr const char* kHttpCommand = "HTTP\\shell\\open\\command";
    static constexpr const char* kMailCommand = "mailto\\shell\\open\\command";
    std::string m_dir, m_recorder, m_record;
    bool m_hadHttp = false, m_hadMail = false;
    std::string m_oldHttp, m_oldMail;
};

const char kProductPage[] = "http://www.velthra.example/";
const char kPartnerPage[] = "http://www.symbol-partner.example/";

TEST_F(Links, WithoutBrowserCommandInternetExplorerIsStartedAndNoKeyCreated)
{
    ASSERT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kHttpCommand));
    std::string line = ClickInAbout(kVisitWebSite, true);
    EXPECT_EQ(ParametersOf(line), std::string("-new ") + kProductPage) << line;
    EXPECT_NE(line.find("iexplore.exe"), std::string::npos) << line;
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kHttpCommand));
}

TEST_F(Links, BrowserCommandNamingInternetExplorerStartsItByName)
{
    WriteDefault(HKEY_CLASSES_ROOT, kHttpCommand,
                 "\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\" -nohome");
    std::string line = ClickInAbout(kVisitWebSite, true);
    EXPECT_EQ(ParametersOf(line), std::string("-new ") + kProductPage) << line;
}

TEST_F(Links, QuotedBrowserWithQuotedPlaceholder)
{
    WriteDefault(HKEY_CLASSES_ROOT, kHttpCommand, "\"" + UpperRecorder() + "\" \"%1\"");
    std::string line = ClickInAbout(kVisitWebSite);
    EXPECT_NE(line.find("browser_recorder.exe"), std::string::npos) << line;
    EXPECT_EQ(ParametersOf(line), std::string(" ") + kProductPage) << line;
}

TEST_F(Links, UnquotedBrowserWithOptionAndPlaceholder)
{
    WriteDefault(HKEY_CLASSES_ROOT, kHttpCommand, UpperRecorder() + " -nosplash \"%1\" -tail");
    std::string line = ClickInAbout(kVisitWebSite);
    EXPECT_EQ(ParametersOf(line), std::string("-nosplash ") + kProductPage) << line;
}

TEST_F(Links, BareBrowserPathAndThePartnerButton)
{
    WriteDefault(HKEY_CLASSES_ROOT, kHttpCommand, UpperRecorder());
    std::string line = ClickInAbout(kPartnerSite);
    EXPECT_EQ(ParametersOf(line), kPartnerPage) << line;
}

TEST_F(Links, SymbolDialogAlwaysStartsInternetExplorer)
{
    WriteDefault(HKEY_CLASSES_ROOT, kHttpCommand, "c:\\some\\other\\browser.exe \"%1\"");
    OpenFromScratch();
    Click(kSymbolButton);
    HWND hSymbol = WaitForNested("Dialog");
    ASSERT_NE(hSymbol, nullptr);
    PostMessageA(GetDlgItem(hSymbol, kPartnerSite), BM_CLICK, 0, 0);
    std::string line = WaitForInternetExplorer();
    EXPECT_EQ(ParametersOf(line), std::string("-new ") + kPartnerPage) << line;
    PostMessageA(GetDlgItem(hSymbol, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(vt::WaitForWindowGone(hSymbol, kStartMs));
    EXPECT_EQ(Finish(IDCANCEL), 1u);
}

TEST_F(Links, SendMeEmailAsksTheShellForAMailtoLink)
{
    WriteDefault(HKEY_CLASSES_ROOT, kMailCommand, "\"" + m_recorder + "\" \"%1\"");
    std::string line = ClickInAbout(kSendEmail);
    EXPECT_NE(line.find("mailto:maker@velthra.example?subject=Velthra"), std::string::npos) << line;
}

}  // namespace
