// Frame pacing and module cycling arithmetic on the 32-bit millisecond tick
// counter, free of Win32 so that the wrap-around cases run natively.
#pragma once
#include <cstdint>

const uint32_t kFramePeriodMs = 33;  // at most about 30 frames a second
const int kDefaultRefreshHz = 60;    // what "hardware default" (0 or 1) stands for

// How long to wait before drawing, on a microsecond clock: 33 ms minus the
// time since the last pacing point, or 0 when that much has passed. A clock
// that went back counts the difference as if it had gone forward.
int64_t PacingWaitUs(int64_t llLastPointUs, int64_t llNowUs);

// Display refreshes each frame stays on screen: the fewest whole refreshes
// that last at least 33 ms (60 Hz: 2, 75: 3, 144: 5, 240: 8).
int RefreshesPerFrame(int nRefreshHz);

// True when the saver must move to the next module: more than one module is
// active and more than nCycleTime seconds have passed since the last change.
bool IsModuleChangeDue(uint32_t dwLastSwitchTick, uint32_t dwNow, int nCycleTime, int nActiveModules);
