// Fuzz target: the Linux program's switch table. The input is a command line,
// its arguments separated by NUL bytes. Whatever is accepted must be a
// complete, consistent choice (one place to draw, values in their ranges), and
// the switches put over the module table must leave a valid current module;
// whatever is refused must say why in a terminated line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_checks.h"
#include "scenes/module_table.h"
#include "settings/settings_rules.h"
#include "x11/run_settings.h"
#include "x11/switches.h"

static void CheckAccepted(const RunOptions& o)
{
    Check(!(o.bRoot && o.nWindowId != 0));
    Check(!(o.bFullscreen && (o.bRoot || o.nWindowId != 0)));
    Check(o.nWindowId <= 0xFFFFFFFFul);
    Check((o.nModuleMask & ~0xE) == 0);
    Check(o.nCycleTime >= -1 && o.nCycleTime <= 86400);
    Check(o.fSpeed == 0.0f || (o.fSpeed >= kMinSpeed && o.fSpeed <= kMaxSpeed));
    for (int n = 1; n <= kModuleCount; ++n)
        Check(!o.abView[n] || (o.afView[n][6] >= kMinSpeed && o.afView[n][6] <= kMaxSpeed));

    ResetModuleTable();
    RunSettings run;
    ApplyRunOptions(o, &run);
    Check(g_nModule == 0 ? CountActiveModules() == 0 : g_Modules[g_nModule].active);
    Check(o.nModuleMask == 0 || g_nModule != 0);
    KeepOnlyKeyChanges(run);  // nothing changed by a key: the table as it was
    for (int n = 1; n <= kModuleCount; ++n)
        Check(IsSameRecord(g_Modules[n], run.aStored[n]));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::vector<std::string> args = {"velthra"};
    std::string current;
    for (size_t i = 0; i < nSize && args.size() < 64; ++i) {
        if (pData[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(pData[i]);
        }
    }
    if (!current.empty())
        args.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());

    RunOptions options;
    char szError[64];
    std::memset(szError, 'x', sizeof(szError));
    if (ParseSwitches(static_cast<int>(argv.size()), argv.data(), &options, szError, sizeof(szError)))
        CheckAccepted(options);
    else
        Check(std::memchr(szError, '\0', sizeof(szError)) != nullptr && szError[0] != '\0');
    for (const char* pszArg : argv) {
        unsigned long nWindow = 0;
        Check(!ParseWindowId(pszArg, &nWindow) || (nWindow != 0 && nWindow <= 0xFFFFFFFFul));
    }
    // The usage line into a buffer of any size stays terminated inside it.
    char szUsage[600];
    const size_t cbUsage = 1 + (nSize % sizeof(szUsage));
    FormatUsage(szUsage, cbUsage);
    Check(std::memchr(szUsage, '\0', cbUsage) != nullptr);
    return 0;
}
