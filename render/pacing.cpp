// Pacing and cycling arithmetic. Differences are taken modulo 2^32, so both
// survive the wrap of GetTickCount after 49.7 days.
#include "render/pacing.h"

uint32_t PacingSleepMs(uint32_t dwLastFrameTick, uint32_t dwNow)
{
    int64_t nDiff = static_cast<int32_t>(dwNow - dwLastFrameTick);
    uint64_t nElapsed = nDiff < 0 ? static_cast<uint64_t>(-nDiff) : static_cast<uint64_t>(nDiff);
    return nElapsed < kFramePeriodMs ? kFramePeriodMs - static_cast<uint32_t>(nElapsed) : 0;
}

bool IsModuleChangeDue(uint32_t dwLastSwitchTick, uint32_t dwNow, int nCycleTime, int nActiveModules)
{
    if (nActiveModules <= 1)
        return false;
    // The period is formed in 64 bits: a long cycle time must not wrap into a
    // short one.
    int64_t nPeriodMs = static_cast<int64_t>(nCycleTime) * 1000;
    return static_cast<int64_t>(dwNow - dwLastSwitchTick) > nPeriodMs;
}
