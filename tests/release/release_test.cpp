// What Windows reads from velthra.scr and what its manifest does to a process:
// this program embeds the same manifest, so its own DPI awareness and common
// controls are what velthra.scr gets; the version resource, string 1 and the
// embedded manifest are read from the built velthra.scr.
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

// The DPI functions arrived with Windows 10 1607; they are looked up, as a
// program that also runs on older systems must.
typedef HANDLE DpiContext;
typedef DpiContext(WINAPI* GetThreadDpiAwarenessContextFn)();
typedef BOOL(WINAPI* AreDpiAwarenessContextsEqualFn)(DpiContext, DpiContext);
typedef int(WINAPI* GetAwarenessFromDpiAwarenessContextFn)(DpiContext);
typedef BOOL(WINAPI* IsValidDpiAwarenessContextFn)(DpiContext);
const DpiContext kPerMonitorAwareV2 = reinterpret_cast<DpiContext>(static_cast<INT_PTR>(-4));
const int kAwarenessPerMonitor = 2;  // DPI_AWARENESS_PER_MONITOR_AWARE

template <typename Fn>
Fn User32Function(const char* pszName)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("user32.dll"), pszName)));
}

typedef BOOL(WINAPI* QueryActCtxSettingsWFn)(DWORD, HANDLE, const wchar_t*, const wchar_t*, wchar_t*, SIZE_T, SIZE_T*);

// The DPI settings as the loader read them from the embedded manifest into
// the process's activation context.
TEST(Manifest, GivesTheProcessItsDpiSettings)
{
    auto pfnQuery = reinterpret_cast<QueryActCtxSettingsWFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryActCtxSettingsW")));
    ASSERT_NE(pfnQuery, nullptr);
    const struct {
        const wchar_t* pszNamespace;
        const wchar_t* pszName;
        std::wstring value;
    } kSettings[] = {
        {L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", L"true/pm"},
        {L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness", L"PerMonitorV2, PerMonitor"},
    };
    for (const auto& setting : kSettings) {
        wchar_t sz[128] = L"";
        SIZE_T cch = 0;
        EXPECT_TRUE(pfnQuery(0, nullptr, setting.pszNamespace, setting.pszName, sz, 128, &cch)) << setting.pszName;
        EXPECT_TRUE(setting.value == sz) << setting.pszName;
    }
}

// Where the system knows per-monitor v2 (Windows 10 1703 and later), the
// process must have exactly that; Wine 8 knows only per-monitor (v1) and
// reads "PerMonitorV2" as that (and makes every process per-monitor aware,
// manifest or not, so here the check above is the one that sees the manifest).
TEST(Manifest, MakesTheProcessPerMonitorAware)
{
    auto pfnGetContext = User32Function<GetThreadDpiAwarenessContextFn>("GetThreadDpiAwarenessContext");
    auto pfnEqual = User32Function<AreDpiAwarenessContextsEqualFn>("AreDpiAwarenessContextsEqual");
    auto pfnAwareness = User32Function<GetAwarenessFromDpiAwarenessContextFn>("GetAwarenessFromDpiAwarenessContext");
    auto pfnIsValid = User32Function<IsValidDpiAwarenessContextFn>("IsValidDpiAwarenessContext");
    ASSERT_TRUE(pfnGetContext && pfnEqual && pfnAwareness && pfnIsValid);
    DpiContext context = pfnGetContext();
    EXPECT_EQ(pfnAwareness(context), kAwarenessPerMonitor);
    const bool bSystemHasV2 = pfnIsValid(kPerMonitorAwareV2) != FALSE;
    RecordProperty("per_monitor_v2_known", bSystemHasV2 ? "yes" : "no");
    if (bSystemHasV2) {
        EXPECT_TRUE(pfnEqual(context, kPerMonitorAwareV2));
    }
}

struct DllVersion {
    DWORD cbSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformId;
};
typedef HRESULT(CALLBACK* DllGetVersionFn)(DllVersion*);

// comctl32 comes from the Common Controls 6.0 side-by-side assembly and its
// controls are the version 6 ones (only they answer BCM_GETIDEALSIZE).
// DllGetVersion says 6 on Windows; Wine 8's comctl32 says 5.81 from either
// place, so its number is only shown.
TEST(Manifest, BindsCommonControls6)
{
    HMODULE hComctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(hComctl, nullptr);
    char szPath[MAX_PATH] = "";
    GetModuleFileNameA(hComctl, szPath, MAX_PATH);
    std::string path = szPath;
    for (char& c : path)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(path.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::string::npos)
        << szPath;

    auto pfnVersion = reinterpret_cast<DllGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(hComctl, "DllGetVersion")));
    ASSERT_NE(pfnVersion, nullptr);
    DllVersion version = {sizeof(version), 0, 0, 0, 0};
    ASSERT_EQ(pfnVersion(&version), S_OK);
    RecordProperty("comctl32_version", std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion));

    HWND hButton = CreateWindowExA(0, "Button", "OK", WS_POPUP | BS_PUSHBUTTON, 0, 0, 80, 24, nullptr,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hButton, nullptr);
    SIZE size = {0, 0};
    EXPECT_TRUE(SendMessageA(hButton, 0x1601 /* BCM_GETIDEALSIZE */, 0, reinterpret_cast<LPARAM>(&size)));
    DestroyWindow(hButton);
}

// velthra.scr as the Display control panel and Explorer open it: as data.
class SaverFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hScr = LoadLibraryExA(vt::SaverPath().c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_hScr, nullptr);
    }
    void TearDown() override
    {
        if (m_hScr)
            FreeLibrary(m_hScr);
    }
    HMODULE m_hScr = nullptr;
};

TEST_F(SaverFile, StringOneNamesTheSaver)
{
    char sz[64] = "";
    ASSERT_GT(LoadStringA(m_hScr, 1, sz, sizeof(sz)), 0);
    EXPECT_STREQ(sz, "Velthra");
}

TEST_F(SaverFile, EmbedsTheManifestAsResourceOne)
{
    HRSRC hRes = FindResourceA(m_hScr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_NE(hRes, nullptr);
    const char* p = static_cast<const char*>(LockResource(LoadResource(m_hScr, hRes)));
    std::string embedded(p, SizeofResource(m_hScr, hRes));
    std::ifstream in(std::string("Z:") + VELTHRA_SOURCE_DIR + "/resources/velthra.manifest", std::ios::binary);
    ASSERT_TRUE(in.good());
    std::stringstream source;
    source << in.rdbuf();
    EXPECT_EQ(embedded, source.str());
}

std::string VersionString(const std::vector<char>& block, const std::string& name)
{
    void* p = nullptr;
    UINT n = 0;
    std::string path = "\\StringFileInfo\\040904b0\\" + name;
    if (!VerQueryValueA(block.data(), path.c_str(), &p, &n) || n == 0)
        return "(missing)";
    return std::string(static_cast<const char*>(p));
}

TEST(VersionResource, NamesTheProductAndItsVersion)
{
    std::string path = vt::SaverPath();
    DWORD dwHandle = 0;
    DWORD cb = GetFileVersionInfoSizeA(path.c_str(), &dwHandle);
    ASSERT_GT(cb, 0u);
    std::vector<char> block(cb);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, cb, block.data()));

    const std::string version = std::to_string(VELTHRA_VERSION_MAJOR) + "." +
                                std::to_string(VELTHRA_VERSION_MINOR) + "." +
                                std::to_string(VELTHRA_VERSION_PATCH);
    const struct {
        const char* pszName;
        std::string value;
    } kFields[] = {
        {"CompanyName", "Nimbrel"},
        {"FileDescription", "Velthra Screen Saver"},
        {"ProductName", "Velthra"},
        {"OriginalFilename", "velthra.scr"},
        {"FileVersion", version},
        {"ProductVersion", version},
    };
    for (const auto& field : kFields)
        EXPECT_EQ(VersionString(block, field.pszName), field.value) << field.pszName;

    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT n = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&pFixed), &n));
    ASSERT_GE(n, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(pFixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(pFixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(VELTHRA_VERSION_MINOR, VELTHRA_VERSION_MAJOR)));
    EXPECT_EQ(pFixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, VELTHRA_VERSION_PATCH)));
    EXPECT_EQ(pFixed->dwProductVersionMS, pFixed->dwFileVersionMS);
    EXPECT_EQ(pFixed->dwProductVersionLS, pFixed->dwFileVersionLS);
}

}  // namespace
