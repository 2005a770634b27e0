// When the full-screen saver stops drawing: the display is off, or the session
// is locked or disconnected from its terminal. Free of Win32, so the event
// tables and the tick arithmetic run natively.
#pragma once
#include <cstdint>

// What the system last told the saver about its display and its session.
struct PauseFlags {
    bool bDisplayOff;    // console display state or monitor power reported off
    bool bLocked;        // session locked (workstation lock, elevation on another desktop)
    bool bDisconnected;  // session detached from the console and from any remote terminal
};

// The display state value of a power-setting notification (console display
// state: 0 off, 1 on, 2 dimmed; monitor power: 0 off, 1 on). Only "off"
// pauses: a dimmed display is still seen. Returns true when the flags changed.
bool ApplyDisplayState(PauseFlags* pFlags, uint32_t dwState);

// A session change code (WTS_CONSOLE_CONNECT 1 ... WTS_SESSION_UNLOCK 8).
// Codes that say nothing about drawing are ignored. True when the flags changed.
bool ApplySessionChange(PauseFlags* pFlags, uint32_t dwEvent);

bool IsDrawingAllowed(const PauseFlags& flags);

// The module-change tick after a pause: the paused time does not count toward
// the cycle time, so the module that was shown comes back and keeps the rest
// of its time. A module chosen while paused gets its whole time from now.
// Modulo 2^32 like the tick counter.
uint32_t ResumeSwitchTick(uint32_t dwLastSwitchTick, uint32_t dwPausedAt, uint32_t dwNow);
