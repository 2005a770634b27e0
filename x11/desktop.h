// What the desktop around the Linux program offers, asked of the X server:
// whether a window manager runs and which EWMH requests it takes, and the
// monitors (XRandR) with their refresh rates.
#pragma once
#include <X11/Xlib.h>

#include "x11/display_rules.h"

const int kMaxMonitors = 16;

// A window manager holds SubstructureRedirect on the root window.
bool IsWindowManagerRunning(Window hRoot);
// Whether the running EWMH window manager lists the atom in _NET_SUPPORTED.
bool DoesWmSupport(Window hRoot, const char* pszAtom);
// The monitors (XRandR's active CRTCs) of the root window's screen, the
// primary one first; 0 without XRandR 1.2.
int ReadMonitors(Window hRoot, MonitorRect* aMonitors, int nMax);
// The refresh rate of the monitor under the window's centre; 0 when unknown.
int ReadRefreshHzUnder(Window hWindow);
