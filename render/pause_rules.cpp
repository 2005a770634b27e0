// Display and session pause rules (see pause_rules.h).
#include "render/pause_rules.h"

namespace {
// Session change codes, as the system numbers them.
const uint32_t kConsoleConnect = 1;
const uint32_t kConsoleDisconnect = 2;
const uint32_t kRemoteConnect = 3;
const uint32_t kRemoteDisconnect = 4;
const uint32_t kSessionLock = 7;
const uint32_t kSessionUnlock = 8;

bool SetFlag(bool* pbFlag, bool bValue)
{
    bool bChanged = *pbFlag != bValue;
    *pbFlag = bValue;
    return bChanged;
}
}  // namespace

bool ApplyDisplayState(PauseFlags* pFlags, uint32_t dwState)
{
    return SetFlag(&pFlags->bDisplayOff, dwState == 0);
}

bool ApplySessionChange(PauseFlags* pFlags, uint32_t dwEvent)
{
    switch (dwEvent) {
    case kConsoleConnect:
    case kRemoteConnect:
        return SetFlag(&pFlags->bDisconnected, false);
    case kConsoleDisconnect:
    case kRemoteDisconnect:
        return SetFlag(&pFlags->bDisconnected, true);
    case kSessionLock:
        return SetFlag(&pFlags->bLocked, true);
    case kSessionUnlock:
        return SetFlag(&pFlags->bLocked, false);
    default:
        return false;  // logon, logoff, remote control, create, terminate
    }
}

bool IsDrawingAllowed(const PauseFlags& flags)
{
    return !flags.bDisplayOff && !flags.bLocked && !flags.bDisconnected;
}

uint32_t ResumeSwitchTick(uint32_t dwLastSwitchTick, uint32_t dwPausedAt, uint32_t dwNow)
{
    // A module chosen by key while paused has shown none of its time yet;
    // shifting its change tick would put it in the future.
    if (static_cast<int32_t>(dwLastSwitchTick - dwPausedAt) > 0)
        return dwNow;
    return dwLastSwitchTick + (dwNow - dwPausedAt);
}
