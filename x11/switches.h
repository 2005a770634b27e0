// The switches of the Linux program, in the xscreensaver manner (one or two
// dashes). One table parses them, prints the usage line and writes the
// settings description (velthra.xml) that xscreensaver's settings program
// reads, so that the three never drift apart.
#pragma once
#include <cstddef>
#include <cstdio>

const int kViewValueCount = 7;  // depth, horz, vert, xrot, yrot, zrot, speed

struct RunOptions {
    unsigned long nWindowId;  // --window-id: 0 when not given
    bool bRoot;               // --root: XSCREENSAVER_WINDOW, else the root window
    bool bFullscreen;         // --fullscreen: its own window over the whole screen
    bool bFps;                // --fps: the frame rate on stderr once a second
    int nModuleMask;          // --modules: bit n set for module n; 0 when not given
    int nCycleTime;           // --cycle: seconds; -1 when not given
    float fSpeed;             // --speed: every module's speed; 0 when not given
    bool abView[4];           // --view N=...: given for module N (1 to 3)
    float afView[4][kViewValueCount];
};

// Reads argv[1 .. argc). False on an unknown switch, a missing or bad value or
// --fullscreen with --root or --window-id; pszError then names the problem.
// --window-id wins over --root (bRoot is then false).
bool ParseSwitches(int argc, const char* const* argv, RunOptions* pOptions, char* pszError,
                   size_t cbError);

// A window id in hex (0x...) or decimal, as --window-id and XSCREENSAVER_WINDOW give it.
bool ParseWindowId(const char* pszValue, unsigned long* pnWindow);

// "usage: velthra [--window-id ID] ..." from the table, one line, no newline.
void FormatUsage(char* pszBuffer, size_t cbBuffer);

// The whole velthra.xml.
void WriteSettingsDescription(FILE* pFile);
