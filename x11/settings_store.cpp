// The settings file over the settings rules' read/write interface. The rules
// write the repaired set back on load; here that only fills the in-memory
// values, and the disk is touched by SaveSettingsFile alone.
#include "x11/settings_store.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "settings/settings_rules.h"

struct StoredValue {
    char szName[32];
    int32_t nValue;
};

const int kMaxStoredValues = 64;
static StoredValue g_aValues[kMaxStoredValues];
static int g_nValues = 0;

static StoredValue* FindValue(const char* pszName)
{
    for (int i = 0; i < g_nValues; ++i) {
        if (std::strcmp(g_aValues[i].szName, pszName) == 0)
            return &g_aValues[i];
    }
    return nullptr;
}

static int32_t ReadStoredValue(const char* pszName, int32_t nDefault)
{
    const StoredValue* pValue = FindValue(pszName);
    return pValue ? pValue->nValue : nDefault;
}

static bool WriteStoredValue(const char* pszName, int32_t nValue)
{
    StoredValue* pValue = FindValue(pszName);
    if (pValue == nullptr) {
        if (g_nValues == kMaxStoredValues || std::strlen(pszName) >= sizeof(pValue->szName))
            return false;
        pValue = &g_aValues[g_nValues++];
        std::strcpy(pValue->szName, pszName);
    }
    pValue->nValue = nValue;
    return true;
}

static const DwordStore kFileStore = {ReadStoredValue, WriteStoredValue};

bool FindSettingsPath(char* pszPath, size_t cbPath)
{
    const char* pszConfig = std::getenv("XDG_CONFIG_HOME");
    const char* pszHome = std::getenv("HOME");
    int n;
    if (pszConfig && *pszConfig)
        n = std::snprintf(pszPath, cbPath, "%s/velthra/settings", pszConfig);
    else if (pszHome && *pszHome)
        n = std::snprintf(pszPath, cbPath, "%s/.config/velthra/settings", pszHome);
    else
        return false;
    return n > 0 && static_cast<size_t>(n) < cbPath;
}

static const char* SkipBlanks(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

// "name = number": the name is trimmed; the number is a whole 32-bit one with
// nothing but blanks after it.
static bool ParseLine(const std::string& line)
{
    const size_t nEquals = line.find('=');
    if (nEquals == std::string::npos || line[0] == '#')
        return false;
    std::string name = line.substr(0, nEquals);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.pop_back();
    const char* pszNumber = SkipBlanks(line.c_str() + nEquals + 1);
    char* pEnd = nullptr;
    errno = 0;
    const long long n = std::strtoll(pszNumber, &pEnd, 10);
    if (name.empty() || pEnd == pszNumber || *SkipBlanks(pEnd) != '\0' || errno != 0 || n < INT32_MIN ||
        n > INT32_MAX)
        return false;
    return WriteStoredValue(name.c_str(), static_cast<int32_t>(n));
}

int ParseSettingsText(const char* pszText)
{
    g_nValues = 0;
    int nTaken = 0;
    for (const char* p = pszText; *p;) {
        const char* pEnd = std::strchr(p, '\n');
        const size_t nLength = pEnd ? static_cast<size_t>(pEnd - p) : std::strlen(p);
        std::string line(SkipBlanks(p), p + nLength);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        nTaken += ParseLine(line) ? 1 : 0;
        p += nLength + (pEnd ? 1 : 0);
    }
    return nTaken;
}

void FormatSettingsText(char* pszBuffer, size_t cbBuffer)
{
    size_t nUsed = 0;
    pszBuffer[0] = '\0';
    for (int i = 0; i < g_nValues && nUsed < cbBuffer; ++i)
        nUsed += std::snprintf(pszBuffer + nUsed, cbBuffer - nUsed, "%s = %d\n", g_aValues[i].szName,
                               static_cast<int>(g_aValues[i].nValue));
}

void LoadSettingsFile(const char* pszPath)
{
    std::string text;
    if (FILE* pFile = pszPath ? std::fopen(pszPath, "rb") : nullptr) {
        char achBuffer[4096];
        size_t n;
        // A settings file is small; a huge one is read only in part.
        while (text.size() < 65536 && (n = std::fread(achBuffer, 1, sizeof(achBuffer), pFile)) > 0)
            text.append(achBuffer, n);
        std::fclose(pFile);
    }
    // A NUL byte ends the text there, like any other damage it only loses values.
    LoadSettingsText(text.c_str());
}

void LoadSettingsText(const char* pszText)
{
    ParseSettingsText(pszText);
    LoadSettingsFrom(kFileStore);
}

static bool MakeParentFolder(const char* pszPath)
{
    std::string folder(pszPath);
    for (size_t i = 1; i < folder.size(); ++i) {
        if (folder[i] != '/')
            continue;
        folder[i] = '\0';
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        folder[i] = '/';
    }
    return true;
}

bool SaveSettingsFile(const char* pszPath)
{
    SaveSettingsTo(kFileStore);
    char szText[kMaxStoredValues * 48];
    FormatSettingsText(szText, sizeof(szText));
    const std::string temporary = std::string(pszPath) + ".new";
    if (!MakeParentFolder(pszPath))
        return false;
    FILE* pFile = std::fopen(temporary.c_str(), "wb");
    if (pFile == nullptr)
        return false;
    const bool bWritten = std::fputs(szText, pFile) >= 0;
    if (std::fclose(pFile) != 0 || !bWritten) {
        std::remove(temporary.c_str());
        return false;
    }
    return std::rename(temporary.c_str(), pszPath) == 0;
}
