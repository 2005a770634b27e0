// The settings of one run of the Linux program: the file's values, the
// switches' values over them for this run only, and what goes back into the
// file when the keys changed a view: the file's values with the keys'
// changes, never a value that only a switch gave.
#pragma once
#include "scenes/module_table.h"
#include "x11/switches.h"

struct RunSettings {
    ModuleSettings aStored[kModuleCount + 1];  // as the file had them (repaired)
    ModuleSettings aStart[kModuleCount + 1];   // with the switches applied
    int nStoredCycleTime;
};

// Notes the loaded table as stored, puts the switches over it and makes the
// first active module current.
void ApplyRunOptions(const RunOptions& options, RunSettings* pRun);

// One module's record to write: each view value as the keys left it where
// they changed it, else the file's; the active flag the file's.
ModuleSettings MergeKeyChanges(const ModuleSettings& stored, const ModuleSettings& atStart,
                               const ModuleSettings& now);

// g_Modules and g_nCycleTime as they go into the file (the live view must
// have been stored into the current module first).
void KeepOnlyKeyChanges(const RunSettings& run);
