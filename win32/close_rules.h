// The arithmetic behind the saver's close rules, free of Win32.
#pragma once
#include <cstdint>

const int kMouseThreshold = 100;          // pixels at 96 DPI, |dx| + |dy|
const unsigned kBaseDpi = 96;
const uint32_t kDisplaySettleMs = 300;    // a jump this soon after a display change is the system's
const uint32_t kVerifyPauseMs = 200;      // refuse closes this long after a verification
const uint32_t kNoVerifyYet = 0xFFFFFFFFu;

// The threshold in the physical pixels of a monitor of the given DPI (a per-
// monitor aware process reads the cursor in those): 150 at 144 DPI. An
// unknown DPI (0) counts as 96.
int ScaleMouseThreshold(unsigned nDpi);

// True when the cursor has moved more than the threshold from the reference.
bool IsPastMouseThreshold(int nRefX, int nRefY, int nX, int nY, int nThreshold = kMouseThreshold);

// What a mouse move does to the threshold test. The cursor position can fail
// to be read (the input desktop switched: a workstation lock, an elevation
// prompt); such a move decides nothing. A reference that could not be read is
// taken from the next position that can.
enum MouseMoveAction {
    MOUSE_IGNORE,         // no position: keep everything as it is
    MOUSE_TAKE_REFERENCE, // the position becomes the reference, no close
    MOUSE_STAY,           // within the threshold
    MOUSE_CLOSE,          // past the threshold: close, and the position becomes the reference
};
MouseMoveAction JudgeMouseMove(bool bReferenceSet, int nRefX, int nRefY, bool bRead, int nX, int nY,
                               int nThreshold = kMouseThreshold);

// Milliseconds from dwThen to dwNow on the 32-bit tick counter, across its wrap.
uint32_t ElapsedTicks(uint32_t dwThen, uint32_t dwNow);

// True when a close must be refused without asking: a verification ended
// less than kVerifyPauseMs ago.
bool IsWithinVerifyPause(uint32_t dwLastVerifyTick, uint32_t dwNow);
