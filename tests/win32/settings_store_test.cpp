// The settings store against Wine's real registry: the value rules of loading
// and saving, and reads of data that is too long, too short, of another type
// or without its terminating NUL.
#include "win32/settings_store.h"

#include "settings/settings_rules.h"

#include "scenes/module_table.h"
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

void SetRaw(const char* pszName, DWORD dwType, const void* pData, DWORD cbData)
{
    ASSERT_TRUE(vt::WriteRaw(HKEY_CURRENT_USER, vt::kVelthraKey, pszName, dwType, pData, cbData)) << pszName;
}

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        vt::DeleteVelthraKey();
        SetStoreContext(nullptr, kSettingsKey);
    }
    void TearDown() override { vt::DeleteVelthraKey(); }
    // A first start followed by a save of recognisable values.
    void SeedSavedSet()
    {
        LoadSettings();
        for (int n = 1; n <= 3; ++n)
            g_Modules[n].depth = static_cast<float>(n * 10);
        SaveSettings();
    }
};

TEST_F(SettingsStore, FirstStartCreatesTheKeyWith26Values)
{
    LoadSettings();
    EXPECT_EQ(vt::CountValues(vt::kVelthraKey), 26);
    std::string text;
    EXPECT_FALSE(vt::ReadString(vt::kVelthraKey, "name", &text));
    DWORD dw;
    EXPECT_FALSE(vt::ReadDword(vt::kVelthraKey, "mute sound", &dw));
    EXPECT_EQ(vt::StoredNumber("mod1 depth"), 4000);
    EXPECT_EQ(vt::StoredNumber("mod2 depth"), 2279);
    EXPECT_EQ(vt::StoredNumber("mod3 xrot"), -2100);
    EXPECT_EQ(vt::StoredNumber("mod2 speed"), 50);
    EXPECT_EQ(vt::StoredNumber("mod3 active"), 1);
    EXPECT_EQ(vt::StoredNumber("cycle time"), 30);
    EXPECT_EQ(g_nModule, 1);
}

TEST_F(SettingsStore, MissingOrMarkerFirstDepthResetsEveryModule)
{
    for (int nCase = 0; nCase < 2; ++nCase) {
        SeedSavedSet();
        EXPECT_EQ(vt::StoredNumber("mod3 depth"), 3000);
        if (nCase == 0)
            vt::DeleteValue(vt::kVelthraKey, "mod1 depth");
        else
            vt::WriteNumber("mod1 depth", -9999);
        LoadSettings();
        EXPECT_EQ(vt::StoredNumber("mod1 depth"), 4000) << nCase;
        EXPECT_EQ(vt::StoredNumber("mod3 depth"), 2000) << nCase;
        EXPECT_EQ(g_Modules[3].depth, 20.0f) << nCase;
    }
}

TEST_F(SettingsStore, RepairsAndWritesBackLoadedValues)
{
    SeedSavedSet();
    vt::DeleteValue(vt::kVelthraKey, "mod2 speed");
    vt::WriteNumber("mod1 speed", 0);
    vt::WriteNumber("mod3 speed", 5000);
    vt::WriteNumber("mod1 active", 7);
    vt::WriteNumber("mod2 active", -1);
    vt::WriteNumber("cycle time", -5);
    vt::WriteNumber("mod3 horz", -9999);
    LoadSettings();
    EXPECT_EQ(g_Modules[2].speed, 1.0f);
    EXPECT_EQ(g_Modules[1].speed, 0.005f);
    EXPECT_EQ(g_Modules[3].speed, 10.0f);
    EXPECT_EQ(vt::StoredNumber("mod2 speed"), 100);
    EXPECT_EQ(vt::StoredNumber("mod1 speed"), 0);
    EXPECT_EQ(vt::StoredNumber("mod3 speed"), 1000);
    EXPECT_EQ(vt::StoredNumber("mod1 active"), 1);
    EXPECT_EQ(vt::StoredNumber("mod2 active"), 0);
    EXPECT_EQ(vt::StoredNumber("cycle time"), 30);
    EXPECT_EQ(vt::StoredNumber("mod3 horz"), 0);
    EXPECT_EQ(vt::StoredNumber("mod3 depth"), 3000);
    vt::WriteNumber("cycle time", 0);
    LoadSettings();
    EXPECT_EQ(g_nCycleTime, 0);
    EXPECT_EQ(vt::StoredNumber("cycle time"), 0);
}

TEST_F(SettingsStore, DefaultDepthOfModuleTwoPersistsAsHundredths)
{
    LoadSettings();
    EXPECT_EQ(vt::StoredNumber("mod2 depth"), 2279);
    LoadSettings();
    EXPECT_EQ(g_Modules[2].depth, 22.79f);
}

TEST_F(SettingsStore, OnlyExactlyFourBytesCountAsANumber)
{
    SetStoreContext(nullptr, kSettingsKey);
    const unsigned char abEight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    SetRaw("long", REG_BINARY, abEight, 8);
    SetRaw("qword", REG_QWORD, abEight, 8);
    SetRaw("short", REG_BINARY, abEight, 2);
    SetRaw("empty", REG_BINARY, nullptr, 0);
    SetRaw("binary4", REG_BINARY, abEight, 4);
    SetRaw("text4", REG_SZ, "abc", 4);
    SetRaw("bigendian", REG_DWORD_BIG_ENDIAN, abEight, 4);
    EXPECT_EQ(ReadDword("long", -7), -7);
    EXPECT_EQ(ReadDword("qword", -7), -7);
    EXPECT_EQ(ReadDword("short", -7), -7);
    EXPECT_EQ(ReadDword("empty", -7), -7);
    EXPECT_EQ(ReadDword("missing", -7), -7);
    EXPECT_EQ(ReadDword("binary4", -7), 0x04030201);
    EXPECT_EQ(ReadDword("text4", -7), 0x00636261);
    EXPECT_EQ(ReadDword("bigendian", -7), 0x04030201);  // the bytes as stored

    // Through loading: an over-long speed reads as missing, so 1.0.
    SeedSavedSet();
    SetRaw("mod1 speed", REG_BINARY, abEight, 8);
    SetRaw("mod1 horz", REG_SZ, "xyz", 4);
    LoadSettings();
    EXPECT_EQ(g_Modules[1].speed, 1.0f);
    EXPECT_EQ(g_Modules[1].horz, static_cast<float>(0x007A7978) / 100.0f);
    EXPECT_EQ(vt::StoredNumber("mod1 speed"), 100);
}

// "all monitors" of any type and size: only four bytes that read as 1 turn it
// on, and loading writes back a REG_DWORD 0 or 1.
TEST_F(SettingsStore, AllMonitorsOfAnyTypeReadsByTheNumberRule)
{
    const unsigned char abOne[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    const struct {
        DWORD dwType;
        const void* pData;
        DWORD cbData;
        bool bOn;
    } aCases[] = {{REG_DWORD, abOne, 4, true},     {REG_BINARY, abOne, 4, true},
                  {REG_QWORD, abOne, 8, false},    {REG_BINARY, abOne, 1, false},
                  {REG_BINARY, nullptr, 0, false}, {REG_SZ, "1", 2, false},
                  {REG_SZ, "\x01\0\0", 4, true}};
    for (const auto& c : aCases) {
        SeedSavedSet();
        SetRaw("all monitors", c.dwType, c.pData, c.cbData);
        g_bAllMonitors = !c.bOn;
        LoadSettings();
        EXPECT_EQ(g_bAllMonitors, c.bOn) << c.dwType << "/" << c.cbData;
        DWORD dwType = 0, dwValue = 7, cbData = sizeof(dwValue);
        HKEY hKey;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, vt::kVelthraKey, 0, KEY_READ, &hKey), ERROR_SUCCESS);
        EXPECT_EQ(RegQueryValueExA(hKey, "all monitors", nullptr, &dwType,
                                   reinterpret_cast<BYTE*>(&dwValue), &cbData),
                  ERROR_SUCCESS);
        RegCloseKey(hKey);
        EXPECT_EQ(dwType, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(dwValue, c.bOn ? 1u : 0u) << c.dwType << "/" << c.cbData;
    }
}

TEST_F(SettingsStore, WritesDwordsAndStringsOfTheirOwnTypes)
{
    EXPECT_TRUE(WriteDword("n", -12345));
    EXPECT_EQ(ReadDword("n", 0), -12345);
    EXPECT_TRUE(WriteString("name", "Ada Lovelace"));
    char sz[261];
    EXPECT_STREQ(ReadString("name", sz, sizeof(sz), "x"), "Ada Lovelace");
    HKEY hKey;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, vt::kVelthraKey, 0, KEY_READ, &hKey), ERROR_SUCCESS);
    DWORD dwType = 0, cb = 0;
    RegQueryValueExA(hKey, "n", nullptr, &dwType, nullptr, &cb);
    EXPECT_EQ(dwType, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(cb, 4u);
    RegQueryValueExA(hKey, "name", nullptr, &dwType, nullptr, &cb);
    EXPECT_EQ(dwType, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(cb, 13u);
    RegCloseKey(hKey);
}

// A 261-byte buffer inside a larger one whose tail must stay untouched.
struct GuardedBuffer {
    char ach[261 + 32];
    GuardedBuffer() { std::memset(ach, '#', sizeof(ach)); }
    bool TailIntact() const
    {
        for (size_t i = 261; i < sizeof(ach); ++i)
            if (ach[i] != '#')
                return false;
        return true;
    }
};

TEST_F(SettingsStore, StringsAlwaysEndInsideTheBuffer)
{
    const std::string s260(260, 'a'), s261(261, 'b');
    WriteString("fits", s260.c_str());
    WriteString("toolong", s261.c_str());
    SetRaw("nonul", REG_SZ, "Grace", 5);  // stored without its terminating NUL
    SetRaw("fullnonul", REG_SZ, std::string(261, 'c').data(), 261);
    std::string sBinary(400, 'z');
    SetRaw("binary", REG_BINARY, sBinary.data(), 400);
    SetRaw("dword", REG_DWORD, "\x41\x42\x43\x44", 4);

    GuardedBuffer g1, g2, g3, g4, g5, g6;
    EXPECT_EQ(std::string(ReadString("fits", g1.ach, 261, "")), s260);
    EXPECT_STREQ(ReadString("toolong", g2.ach, 261, ""), "");
    EXPECT_STREQ(ReadString("nonul", g3.ach, 261, "-"), "Grace");
    EXPECT_STREQ(ReadString("fullnonul", g4.ach, 261, "-"), "-");
    EXPECT_STREQ(ReadString("binary", g5.ach, 261, "-"), "-");
    EXPECT_STREQ(ReadString("dword", g6.ach, 261, "-"), "ABCD");
    for (const GuardedBuffer* p : {&g1, &g2, &g3, &g4, &g5, &g6})
        EXPECT_TRUE(p->TailIntact());

    char szSmall[4];
    EXPECT_STREQ(ReadString("nonul", szSmall, sizeof(szSmall), "default text"), "def");
    char ch = 'x';
    EXPECT_STREQ(ReadString("nonul", &ch, 1, "default"), "");
    ch = 'x';
    ReadString("nonul", &ch, 0, "default");
    EXPECT_EQ(ch, 'x');
}

TEST_F(SettingsStore, LongSubKeyPathIsCutAtItsLimit)
{
    std::string sPath = std::string(kSettingsKey) + "\\" + std::string(300, 'k');
    SetStoreContext(nullptr, sPath.c_str());
    EXPECT_TRUE(WriteDword("x", 5));
    std::string sCut = sPath.substr(0, 259);
    ASSERT_TRUE(vt::KeyExists(HKEY_CURRENT_USER, sCut.c_str()));
    EXPECT_EQ(ReadDword("x", 0), 5);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, sCut.c_str()), ERROR_SUCCESS);
    SetStoreContext(nullptr, kSettingsKey);
}

TEST_F(SettingsStore, KeyTakesTheWindowClassWhenCreated)
{
    const char szClass[] = "VelthraStoreTestClassWithAVeryLongNameIndeed";  // 44 characters
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = szClass;
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hWnd = CreateWindowA(szClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              wc.hInstance, nullptr);
    ASSERT_NE(hWnd, nullptr);
    SetStoreContext(hWnd, kSettingsKey);
    WriteDword("x", 1);
    HKEY hKey;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, vt::kVelthraKey, 0, KEY_READ, &hKey), ERROR_SUCCESS);
    char szKeyClass[64] = {};
    DWORD cch = sizeof(szKeyClass);
    RegQueryInfoKeyA(hKey, szKeyClass, &cch, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(hKey);
    EXPECT_EQ(std::string(szKeyClass), std::string(szClass, 39));
    DestroyWindow(hWnd);
    UnregisterClassA(szClass, wc.hInstance);
}

TEST_F(SettingsStore, ClassesRootIsReadButNeverCreated)
{
    const char szKey[] = "VelthraStoreTest\\shell\\open\\command";
    RegDeleteKeyA(HKEY_CLASSES_ROOT, szKey);
    SetStoreContext(nullptr, szKey);
    char sz[64];
    EXPECT_STREQ(ReadClassesRootString("", sz, sizeof(sz), "none"), "none");
    EXPECT_FALSE(vt::KeyExists(HKEY_CLASSES_ROOT, szKey));

    const char szCommand[] = "\"C:\\browser.exe\" \"%1\"";
    vt::WriteDefault(HKEY_CLASSES_ROOT, szKey, szCommand);
    EXPECT_STREQ(ReadClassesRootString("", sz, sizeof(sz), "none"), szCommand);
    EXPECT_STREQ(ReadClassesRootString("other", sz, sizeof(sz), "none"), "none");
    char szTiny[8];
    EXPECT_STREQ(ReadClassesRootString("", szTiny, sizeof(szTiny), "none"), "none");
    for (const char* psz : {"VelthraStoreTest\\shell\\open\\command", "VelthraStoreTest\\shell\\open",
                            "VelthraStoreTest\\shell", "VelthraStoreTest"})
        RegDeleteKeyA(HKEY_CLASSES_ROOT, psz);
    SetStoreContext(nullptr, kSettingsKey);
}

}  // namespace
