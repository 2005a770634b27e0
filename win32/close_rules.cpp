// Mouse threshold and tick arithmetic of the saver's close rules.
#include "win32/close_rules.h"

#include <cstdlib>

int ScaleMouseThreshold(unsigned nDpi)
{
    if (nDpi == 0)
        nDpi = kBaseDpi;
    const unsigned long long llScaled = (static_cast<unsigned long long>(kMouseThreshold) * nDpi + kBaseDpi / 2) / kBaseDpi;
    return llScaled > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(llScaled);
}

bool IsPastMouseThreshold(int nRefX, int nRefY, int nX, int nY, int nThreshold)
{
    // In 64 bits so that far-apart virtual-screen coordinates cannot overflow.
    long long llDistance = std::llabs(static_cast<long long>(nX) - nRefX) +
                           std::llabs(static_cast<long long>(nY) - nRefY);
    return llDistance > nThreshold;
}

MouseMoveAction JudgeMouseMove(bool bReferenceSet, int nRefX, int nRefY, bool bRead, int nX, int nY,
                               int nThreshold)
{
    if (!bRead)
        return MOUSE_IGNORE;
    if (!bReferenceSet)
        return MOUSE_TAKE_REFERENCE;
    return IsPastMouseThreshold(nRefX, nRefY, nX, nY, nThreshold) ? MOUSE_CLOSE : MOUSE_STAY;
}

uint32_t ElapsedTicks(uint32_t dwThen, uint32_t dwNow)
{
    if (dwNow >= dwThen)
        return dwNow - dwThen;
    return (0xFFFFFFFFu - dwThen) + dwNow + 1u;
}

bool IsWithinVerifyPause(uint32_t dwLastVerifyTick, uint32_t dwNow)
{
    return dwLastVerifyTick != kNoVerifyYet &&
           ElapsedTicks(dwLastVerifyTick, dwNow) < kVerifyPauseMs;
}
