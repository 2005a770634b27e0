// Frame pacing and module cycling arithmetic on the 32-bit millisecond tick
// counter, free of Win32 so that the wrap-around cases run natively.
#pragma once
#include <cstdint>

const uint32_t kFramePeriodMs = 33;  // at most about 30 frames a second

// How long to sleep before drawing: 33 minus the time since the last pacing
// point (the absolute signed 32-bit difference), or 0 when that much has passed.
uint32_t PacingSleepMs(uint32_t dwLastFrameTick, uint32_t dwNow);

// True when the saver must move to the next module: more than one module is
// active and more than nCycleTime seconds have passed since the last change.
bool IsModuleChangeDue(uint32_t dwLastSwitchTick, uint32_t dwNow, int nCycleTime, int nActiveModules);
