// What the fuzz targets share: a failed property ends the run as a crash,
// which libFuzzer keeps as a finding; and the module record compared whole.
#pragma once
#include <cstdlib>

#include "scenes/module_table.h"

inline void Check(bool bOk)
{
    if (!bOk)
        std::abort();
}

inline bool IsSameRecord(const ModuleSettings& a, const ModuleSettings& b)
{
    return a.depth == b.depth && a.horz == b.horz && a.vert == b.vert && a.xrot == b.xrot && a.yrot == b.yrot &&
           a.zrot == b.zrot && a.speed == b.speed && a.active == b.active;
}
