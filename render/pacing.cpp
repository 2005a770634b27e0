// Pacing and cycling arithmetic. Tick differences are taken modulo 2^32, so
// cycling survives the wrap of GetTickCount after 49.7 days.
#include "render/pacing.h"

int64_t PacingWaitUs(int64_t llLastPointUs, int64_t llNowUs)
{
    const int64_t llPeriodUs = static_cast<int64_t>(kFramePeriodMs) * 1000;
    int64_t llElapsed = llNowUs - llLastPointUs;
    if (llElapsed < 0)
        llElapsed = -llElapsed;
    return llElapsed < llPeriodUs ? llPeriodUs - llElapsed : 0;
}

int RefreshesPerFrame(int nRefreshHz)
{
    if (nRefreshHz <= 1)
        nRefreshHz = kDefaultRefreshHz;
    // n refreshes last n * 1000 / Hz ms; the smallest n with n * 1000 >= 33 * Hz.
    const int64_t llNeeded = static_cast<int64_t>(kFramePeriodMs) * nRefreshHz;
    return static_cast<int>((llNeeded + 999) / 1000);
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
