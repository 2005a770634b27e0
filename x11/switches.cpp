// The switch table and its three readers: the parser, the usage line and the
// settings description. A value is checked completely before it is taken, so
// the program never starts with a half-understood setting.
#include "x11/switches.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "settings/settings_rules.h"

typedef bool (*TakeValueFn)(const char* pszValue, RunOptions& options);

// How a switch shows in velthra.xml: not at all, as a check box, a number
// field or slider, or the module choice.
enum DescriptionKind { kNotDescribed, kDescribedFlag, kDescribedSpin, kDescribedSlider, kDescribedModules };

struct SwitchSpec {
    const char* pszName;   // without dashes
    const char* pszValue;  // the value's name in the usage line; null for a flag
    TakeValueFn pfnTake;
    DescriptionKind kind;
    const char* pszLabel;  // the settings program's label
    const char* pszRange;  // low, high and default of a number
};

static bool ParseWhole(const char* psz, long nLow, long nHigh, long* pnValue)
{
    char* pEnd = nullptr;
    errno = 0;
    const long n = std::strtol(psz, &pEnd, 10);
    if (pEnd == psz || *pEnd != '\0' || errno != 0 || n < nLow || n > nHigh)
        return false;
    *pnValue = n;
    return true;
}

// A finite decimal number; the end of the number is returned (null when none).
static const char* ParseNumber(const char* psz, float* pfValue)
{
    char* pEnd = nullptr;
    errno = 0;
    const float f = std::strtof(psz, &pEnd);
    if (pEnd == psz || errno != 0 || !std::isfinite(f) || std::isspace(static_cast<unsigned char>(*psz)))
        return nullptr;
    *pfValue = f;
    return pEnd;
}

bool ParseWindowId(const char* pszValue, unsigned long* pnWindow)
{
    // Hex with 0x, as xwininfo prints it, or decimal.
    const bool bHex = pszValue[0] == '0' && (pszValue[1] == 'x' || pszValue[1] == 'X');
    const char* pszDigits = bHex ? pszValue + 2 : pszValue;
    if (*pszDigits == '\0' || !std::isxdigit(static_cast<unsigned char>(*pszDigits)))
        return false;
    char* pEnd = nullptr;
    errno = 0;
    const unsigned long n = std::strtoul(pszDigits, &pEnd, bHex ? 16 : 10);
    if (*pEnd != '\0' || errno != 0 || n == 0 || n > 0xFFFFFFFFul)
        return false;
    *pnWindow = n;
    return true;
}

static bool TakeWindowId(const char* pszValue, RunOptions& options)
{
    return ParseWindowId(pszValue, &options.nWindowId);
}

static bool TakeRoot(const char*, RunOptions& options)
{
    options.bRoot = true;
    return true;
}

static bool TakeFullscreen(const char*, RunOptions& options)
{
    options.bFullscreen = true;
    return true;
}

static bool TakeFps(const char*, RunOptions& options)
{
    options.bFps = true;
    return true;
}

// "1", "2,3", "3,1": module numbers 1 to 3 separated by single commas.
static bool TakeModules(const char* pszValue, RunOptions& options)
{
    int nMask = 0;
    for (const char* p = pszValue;; p += 2) {
        if (p[0] < '1' || p[0] > '3')
            return false;
        nMask |= 1 << (p[0] - '0');
        if (p[1] == '\0')
            break;
        if (p[1] != ',')
            return false;
    }
    options.nModuleMask = nMask;
    return true;
}

static bool TakeCycle(const char* pszValue, RunOptions& options)
{
    long n;
    if (!ParseWhole(pszValue, 0, 86400, &n))
        return false;
    options.nCycleTime = static_cast<int>(n);
    return true;
}

static bool TakeSpeed(const char* pszValue, RunOptions& options)
{
    float f;
    const char* pEnd = ParseNumber(pszValue, &f);
    if (pEnd == nullptr || *pEnd != '\0' || f < kMinSpeed || f > kMaxSpeed)
        return false;
    options.fSpeed = f;
    return true;
}

// "N=DEPTH,HORZ,VERT,XROT,YROT,ZROT,SPEED": all seven values of module N.
static bool TakeView(const char* pszValue, RunOptions& options)
{
    if (pszValue[0] < '1' || pszValue[0] > '3' || pszValue[1] != '=')
        return false;
    const int nModule = pszValue[0] - '0';
    float afValue[kViewValueCount];
    const char* p = pszValue + 2;
    for (int i = 0; i < kViewValueCount; ++i) {
        p = ParseNumber(p, &afValue[i]);
        const char cEnd = i + 1 < kViewValueCount ? ',' : '\0';
        if (p == nullptr || *p != cEnd)
            return false;
        ++p;
    }
    if (afValue[6] < kMinSpeed || afValue[6] > kMaxSpeed)
        return false;
    options.abView[nModule] = true;
    std::memcpy(options.afView[nModule], afValue, sizeof(afValue));
    return true;
}

static const SwitchSpec kSwitches[] = {
    {"window-id", "ID", TakeWindowId, kNotDescribed, nullptr, nullptr},
    {"root", nullptr, TakeRoot, kNotDescribed, nullptr, nullptr},
    {"fullscreen", nullptr, TakeFullscreen, kNotDescribed, nullptr, nullptr},
    {"modules", "LIST", TakeModules, kDescribedModules, "Modules", nullptr},
    {"cycle", "SECONDS", TakeCycle, kDescribedSpin, "Seconds per module", "low=\"1\" high=\"3600\" default=\"30\""},
    {"speed", "X", TakeSpeed, kDescribedSlider, "Speed", "low=\"0.05\" high=\"5.0\" default=\"0.5\""},
    {"view", "N=DEPTH,HORZ,VERT,XROT,YROT,ZROT,SPEED", TakeView, kNotDescribed, nullptr, nullptr},
    {"fps", nullptr, TakeFps, kDescribedFlag, "Show frame rate", nullptr},
};

static const SwitchSpec* FindSwitch(const char* pszArg)
{
    if (pszArg[0] != '-')
        return nullptr;
    const char* pszName = pszArg[1] == '-' ? pszArg + 2 : pszArg + 1;
    for (const SwitchSpec& spec : kSwitches) {
        if (std::strcmp(spec.pszName, pszName) == 0)
            return &spec;
    }
    return nullptr;
}

static bool Fail(char* pszError, size_t cbError, const char* pszWhat, const char* pszArg)
{
    std::snprintf(pszError, cbError, "%s %s", pszWhat, pszArg);
    return false;
}

bool ParseSwitches(int argc, const char* const* argv, RunOptions* pOptions, char* pszError,
                   size_t cbError)
{
    RunOptions options = {};
    options.nCycleTime = -1;
    for (int i = 1; i < argc; ++i) {
        const SwitchSpec* pSpec = FindSwitch(argv[i]);
        if (pSpec == nullptr)
            return Fail(pszError, cbError, "unknown switch", argv[i]);
        const char* pszValue = "";
        if (pSpec->pszValue != nullptr) {
            if (i + 1 >= argc)
                return Fail(pszError, cbError, "missing value after", argv[i]);
            pszValue = argv[++i];
        }
        if (!pSpec->pfnTake(pszValue, options))
            return Fail(pszError, cbError, "bad value for", argv[i - (pSpec->pszValue ? 1 : 0)]);
    }
    // xscreensaver's settings program previews a "--root" line with
    // " --window-id ID" appended: the named window wins, as in its own hacks.
    if (options.bFullscreen && (options.nWindowId != 0 || options.bRoot))
        return Fail(pszError, cbError, "--fullscreen goes with neither", "--window-id nor --root");
    if (options.nWindowId != 0)
        options.bRoot = false;
    *pOptions = options;
    return true;
}

void FormatUsage(char* pszBuffer, size_t cbBuffer)
{
    size_t nUsed = std::snprintf(pszBuffer, cbBuffer, "usage: velthra");
    for (const SwitchSpec& spec : kSwitches) {
        if (nUsed >= cbBuffer)
            break;
        nUsed += std::snprintf(pszBuffer + nUsed, cbBuffer - nUsed, spec.pszValue ? " [--%s %s]" : " [--%s]",
                               spec.pszName, spec.pszValue);
    }
}

// Every subset of the three modules as one choice; the first (all) sets nothing.
static void WriteModuleChoice(FILE* pFile, const SwitchSpec& spec)
{
    static const char* const kSubsets[] = {"1,2,3", "1", "2", "3", "1,2", "1,3", "2,3"};
    std::fprintf(pFile, "    <select id=\"%s\">\n", spec.pszName);
    for (const char* pszSubset : kSubsets) {
        const bool bAll = std::strcmp(pszSubset, "1,2,3") == 0;
        char szId[8] = "m";
        for (const char* p = pszSubset; *p; ++p)
            if (*p != ',')
                std::strncat(szId, p, 1);
        std::fprintf(pFile, "      <option id=\"%s\" _label=\"%s: %s\"", szId, spec.pszLabel, pszSubset);
        if (!bAll)
            std::fprintf(pFile, " arg-set=\"--%s %s\"", spec.pszName, pszSubset);
        std::fprintf(pFile, "/>\n");
    }
    std::fprintf(pFile, "    </select>\n");
}

void WriteSettingsDescription(FILE* pFile)
{
    std::fprintf(pFile, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\n"
                        "<screensaver name=\"velthra\" _label=\"Velthra\" gl=\"yes\">\n"
                        "  <command arg=\"--root\"/>\n  <vgroup>\n");
    for (const SwitchSpec& spec : kSwitches) {
        switch (spec.kind) {
        case kNotDescribed:
            break;
        case kDescribedFlag:
            std::fprintf(pFile, "    <boolean id=\"%s\" _label=\"%s\" arg-set=\"--%s\"/>\n", spec.pszName,
                         spec.pszLabel, spec.pszName);
            break;
        case kDescribedSpin:
        case kDescribedSlider:
            std::fprintf(pFile, "    <number id=\"%s\" type=\"%s\" arg=\"--%s %%\" _label=\"%s\" %s/>\n",
                         spec.pszName, spec.kind == kDescribedSpin ? "spinbutton" : "slider", spec.pszName,
                         spec.pszLabel, spec.pszRange);
            break;
        case kDescribedModules:
            WriteModuleChoice(pFile, spec);
            break;
        }
    }
    std::fprintf(pFile, "  </vgroup>\n  <_description>\n"
                        "Three-dimensional symbols in three scenes: drifting in a box, circling a "
                        "turning earth, and leaping on a ring before a cloudy sky.\n"
                        "  </_description>\n</screensaver>\n");
}
