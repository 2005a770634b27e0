// The registry side of the settings store. Every operation opens its key,
// does one thing and closes it again, so no handle stays open between
// operations. Data read from the registry is never trusted to fit: numbers
// must be exactly four bytes and strings are cut off and terminated inside
// the caller's buffer.
#include "win32/settings_store.h"

#include "scenes/random.h"
#include "settings/settings_rules.h"

#include <cstring>
#include <ctime>

const char kSettingsKey[] = "Software\\Nimbrel\\Velthra";
bool g_bMuteSound = false;

// The store context: at most 259 characters of path, 39 of class.
static char g_szStoreSubKey[260];
static char g_szStoreKeyClass[40];

static void CopyText(char* pszTarget, size_t cbTarget, const char* pszSource)
{
    if (cbTarget == 0)
        return;
    size_t cbCopy = pszSource ? strnlen(pszSource, cbTarget - 1) : 0;
    memcpy(pszTarget, pszSource, cbCopy);
    pszTarget[cbCopy] = '\0';
}

void SetStoreContext(HWND hWnd, const char* pszSubKey)
{
    CopyText(g_szStoreSubKey, sizeof(g_szStoreSubKey), pszSubKey);
    if (hWnd && GetClassNameA(hWnd, g_szStoreKeyClass, sizeof(g_szStoreKeyClass)) == 0)
        g_szStoreKeyClass[0] = '\0';
}

static bool OpenStoreKey(HKEY* phKey)
{
    return RegCreateKeyExA(HKEY_CURRENT_USER, g_szStoreSubKey, 0, g_szStoreKeyClass,
                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, phKey,
                           nullptr) == ERROR_SUCCESS;
}

int ReadDword(const char* pszName, int nDefault)
{
    HKEY hKey;
    if (!OpenStoreKey(&hKey))
        return nDefault;
    int32_t nValue = 0;
    DWORD cbData = sizeof(nValue);
    LONG lResult = RegQueryValueExA(hKey, pszName, nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(&nValue), &cbData);
    RegCloseKey(hKey);
    // Longer data fails with ERROR_MORE_DATA; shorter data counts as missing too.
    return lResult == ERROR_SUCCESS && cbData == sizeof(nValue) ? nValue : nDefault;
}

bool WriteDword(const char* pszName, int nValue)
{
    HKEY hKey;
    if (!OpenStoreKey(&hKey))
        return false;
    int32_t nData = nValue;
    LONG lResult = RegSetValueExA(hKey, pszName, 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&nData), sizeof(nData));
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS;
}

// Queries a string value into the buffer. The data must fit together with a
// terminating NUL; data stored without its NUL is terminated here.
static bool QueryTerminatedString(HKEY hKey, const char* pszName, char* pszBuffer, DWORD cbBuffer)
{
    DWORD cbData = cbBuffer;
    if (RegQueryValueExA(hKey, pszName, nullptr, nullptr, reinterpret_cast<BYTE*>(pszBuffer),
                         &cbData) != ERROR_SUCCESS)
        return false;
    if (cbData < cbBuffer) {
        pszBuffer[cbData] = '\0';
        return true;
    }
    // Exactly full: acceptable only when the last byte is the terminator.
    return cbData == cbBuffer && pszBuffer[cbBuffer - 1] == '\0';
}

static char* ReadStringBelow(HKEY hRoot, REGSAM samDesired, bool bCreate, const char* pszName,
                             char* pszBuffer, DWORD cbBuffer, const char* pszDefault)
{
    if (!pszBuffer || cbBuffer == 0)
        return pszBuffer;
    HKEY hKey;
    LONG lOpen = bCreate ? RegCreateKeyExA(hRoot, g_szStoreSubKey, 0, g_szStoreKeyClass,
                                           REG_OPTION_NON_VOLATILE, samDesired, nullptr, &hKey,
                                           nullptr)
                         : RegOpenKeyExA(hRoot, g_szStoreSubKey, 0, samDesired, &hKey);
    bool bRead = false;
    if (lOpen == ERROR_SUCCESS) {
        bRead = QueryTerminatedString(hKey, pszName, pszBuffer, cbBuffer);
        RegCloseKey(hKey);
    }
    if (!bRead)
        CopyText(pszBuffer, cbBuffer, pszDefault);
    return pszBuffer;
}

char* ReadString(const char* pszName, char* pszBuffer, DWORD cbBuffer, const char* pszDefault)
{
    return ReadStringBelow(HKEY_CURRENT_USER, KEY_ALL_ACCESS, true, pszName, pszBuffer, cbBuffer,
                           pszDefault);
}

char* ReadClassesRootString(const char* pszName, char* pszBuffer, DWORD cbBuffer,
                            const char* pszDefault)
{
    // A lookup of another program's key: read it, never create it.
    return ReadStringBelow(HKEY_CLASSES_ROOT, KEY_READ, false, pszName, pszBuffer, cbBuffer,
                           pszDefault);
}

bool WriteString(const char* pszName, const char* pszText)
{
    HKEY hKey;
    if (!OpenStoreKey(&hKey))
        return false;
    LONG lResult = RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszText),
                                  static_cast<DWORD>(strlen(pszText) + 1));
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS;
}

static int32_t ReadStoreDword(const char* pszName, int32_t nDefault)
{
    return ReadDword(pszName, nDefault);
}

static bool WriteStoreDword(const char* pszName, int32_t nValue)
{
    return WriteDword(pszName, nValue);
}

static const DwordStore kRegistryStore = {ReadStoreDword, WriteStoreDword};

void LoadSettings()
{
    LoadSettingsFrom(kRegistryStore);
    SeedRandom(ReadRandomSeed());
}

void SaveSettings()
{
    SaveSettingsTo(kRegistryStore);
}
