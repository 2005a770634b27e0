// The arithmetic behind the saver's close rules, free of Win32.
#pragma once
#include <cstdint>

const int kMouseThreshold = 100;          // screen pixels, |dx| + |dy|
const uint32_t kVerifyPauseMs = 200;      // refuse closes this long after a verification
const uint32_t kNoVerifyYet = 0xFFFFFFFFu;

// True when the cursor has moved more than the threshold from the reference.
bool IsPastMouseThreshold(int nRefX, int nRefY, int nX, int nY);

// Milliseconds from dwThen to dwNow on the 32-bit tick counter, across its wrap.
uint32_t ElapsedTicks(uint32_t dwThen, uint32_t dwNow);

// True when a close must be refused without asking: a verification ended
// less than kVerifyPauseMs ago.
bool IsWithinVerifyPause(uint32_t dwLastVerifyTick, uint32_t dwNow);
