// Windows 95/98/Me behaviour under Wine, with the per-program version set to
// win98: the password change of /a and the password check before closing,
// with test doubles of MPR.DLL and PASSWORD.CPL beside a copy of the saver.
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\velthra.scr";
const char kDesktopKey[] = "Control Panel\\Desktop";
const DWORD kExitFailed = 0xFFFFFFFFu;
const DWORD kStartMs = 15000;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
}

// The flag as a fresh process sees it; with a value, sets it first.
bool IsScreenSaverRunningFlagSet(const char* pszSet = nullptr)
{
    vt::Process probe;
    std::string line = "\"" + vt::ProgramDir() + "\\doubles\\spi_probe.exe\"";
    if (pszSet)
        line += std::string(" ") + pszSet;
    if (!probe.Start(line))
        return false;
    return probe.Wait(10000) == 1;
}

// Wine takes per-program settings from here: the reported Windows version
// and which DLLs load from the program's folder first.
void SetAppDefaults(const char* pszVersion, const char* pszNativeDll)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kAppDefaults) + "\\DllOverrides").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaults);
    if (pszVersion)
        vt::WriteString(kAppDefaults, "Version", pszVersion);
    if (pszNativeDll)
        vt::WriteString((std::string(kAppDefaults) + "\\DllOverrides").c_str(), pszNativeDll, "native,builtin");
}

class Win9x : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetAppDefaults("win98", nullptr);
        vt::DeleteValue(kDesktopKey, "ScreenSaveUsePassword");
        IsScreenSaverRunningFlagSet("0");
    }
    void TearDown() override
    {
        saver.Kill();
        SetAppDefaults(nullptr, nullptr);
        vt::DeleteValue(kDesktopKey, "ScreenSaveUsePassword");
    }
    vt::Process saver;
};

TEST_F(Win9x, ChangePasswordCallsTheServiceWithItsParent)
{
    SetAppDefaults("win98", "mpr");
    std::string dir = vt::MakeScratchDir("win9x_a", {"doubles\\MPR.DLL"});
    HWND hParent = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                   nullptr, nullptr, nullptr);
    std::string handle = std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hParent)));
    ASSERT_TRUE(saver.StartSaver("/a " + handle, dir + "\\velthra.scr"));
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
    EXPECT_EQ(ReadFile(dir + "\\calls.log"), "PwdChangePasswordA SCRSAVE " + handle + " 0 0\n");
    DestroyWindow(hParent);
}

TEST_F(Win9x, ChangePasswordWithoutTheServiceStillGivesZero)
{
    SetAppDefaults("win98", nullptr);
    vt::WriteString((std::string(kAppDefaults) + "\\DllOverrides").c_str(), "mpr", "");  // disabled
    std::string dir = vt::MakeScratchDir("win9x_a_missing");
    ASSERT_TRUE(saver.StartSaver("/a", dir + "\\velthra.scr"));
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
}

TEST_F(Win9x, ChangePasswordOnTheNtFamilyGivesMinusOneAndCallsNothing)
{
    SetAppDefaults(nullptr, "mpr");
    std::string dir = vt::MakeScratchDir("nt_a", {"doubles\\MPR.DLL"});
    ASSERT_TRUE(saver.StartSaver("/a", dir + "\\velthra.scr"));
    EXPECT_EQ(saver.Wait(kStartMs), kExitFailed);
    EXPECT_EQ(ReadFile(dir + "\\calls.log"), "");
}

TEST_F(Win9x, PasswordIsAskedBeforeClosing)
{
    vt::WriteDword(kDesktopKey, "ScreenSaveUsePassword", 1);
    std::string dir = vt::MakeScratchDir("win9x_pwd", {"doubles\\PASSWORD.CPL"});
    WriteFile(dir + "\\answer.txt", "0");
    ASSERT_TRUE(saver.StartSaver("/s", dir + "\\velthra.scr"));
    HWND hSaver = vt::WaitForWindow("WindowsScreenSaverClass", "Screen Saver", kStartMs, saver.Id());
    ASSERT_NE(hSaver, nullptr);
    EXPECT_TRUE(IsScreenSaverRunningFlagSet());

    // Refused: the window stays; a second close right after is refused without asking.
    PostMessageA(hSaver, WM_CLOSE, 0, 0);
    PostMessageA(hSaver, WM_CLOSE, 0, 0);
    vt::PumpMessages(1000);
    EXPECT_TRUE(saver.IsRunning());
    std::string handle = std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hSaver)));
    EXPECT_EQ(ReadFile(dir + "\\calls.log"), "VerifyScreenSavePwd " + handle + " 0\n");

    // Accepted after the pause: the saver closes and clears the running flag.
    WriteFile(dir + "\\answer.txt", "1");
    PostMessageA(hSaver, WM_CLOSE, 0, 0);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
    EXPECT_EQ(ReadFile(dir + "\\calls.log"),
              "VerifyScreenSavePwd " + handle + " 0\nVerifyScreenSavePwd " + handle + " 1\n");
    EXPECT_FALSE(IsScreenSaverRunningFlagSet());
}

// Sign-out or shutdown: nobody is there to give the password, and a prompt
// would hold the session up; the saver ends without asking.
TEST_F(Win9x, SessionEndNeverAsksForThePassword)
{
    vt::WriteDword(kDesktopKey, "ScreenSaveUsePassword", 1);
    std::string dir = vt::MakeScratchDir("win9x_session", {"doubles\\PASSWORD.CPL"});
    WriteFile(dir + "\\answer.txt", "0");
    ASSERT_TRUE(saver.StartSaver("/s", dir + "\\velthra.scr"));
    HWND hSaver = vt::WaitForWindow("WindowsScreenSaverClass", "Screen Saver", kStartMs, saver.Id());
    ASSERT_NE(hSaver, nullptr);
    EXPECT_EQ(vt::SendSessionEnd(hSaver, 0), TRUE);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
    EXPECT_EQ(ReadFile(dir + "\\calls.log"), "");
    EXPECT_FALSE(IsScreenSaverRunningFlagSet());
}

TEST_F(Win9x, WithoutPasswordSettingClosesAtOnceAndLeavesTheFlagAlone)
{
    std::string dir = vt::MakeScratchDir("win9x_nopwd", {"doubles\\PASSWORD.CPL"});
    ASSERT_TRUE(saver.StartSaver("/s", dir + "\\velthra.scr"));
    HWND hSaver = vt::WaitForWindow("WindowsScreenSaverClass", "Screen Saver", kStartMs, saver.Id());
    ASSERT_NE(hSaver, nullptr);
    EXPECT_FALSE(IsScreenSaverRunningFlagSet());
    PostMessageA(hSaver, WM_CLOSE, 0, 0);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
    EXPECT_EQ(ReadFile(dir + "\\calls.log"), "");
}

TEST_F(Win9x, NtFamilyNeverAsksAndNeverSetsTheFlag)
{
    SetAppDefaults(nullptr, nullptr);
    vt::WriteDword(kDesktopKey, "ScreenSaveUsePassword", 1);
    std::string dir = vt::MakeScratchDir("nt_pwd", {"doubles\\PASSWORD.CPL"});
    WriteFile(dir + "\\answer.txt", "0");
    ASSERT_TRUE(saver.StartSaver("/s", dir + "\\velthra.scr"));
    HWND hSaver = vt::WaitForWindow("WindowsScreenSaverClass", "Screen Saver", kStartMs, saver.Id());
    ASSERT_NE(hSaver, nullptr);
    EXPECT_FALSE(IsScreenSaverRunningFlagSet());
    PostMessageA(hSaver, WM_CLOSE, 0, 0);
    EXPECT_EQ(saver.Wait(kStartMs), 0u);
    EXPECT_EQ(ReadFile(dir + "\\calls.log"), "");
}

}  // namespace
