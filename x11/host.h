// The X11 host of the Linux program: the display and the window it draws in
// (its own, one given by id, or xscreensaver's), the GLX context on that
// window's visual, and the event loop that paces the shared frame step.
#pragma once
#include <X11/Xlib.h>

#include "render/offscreen.h"
#include "x11/switches.h"

extern Display* g_pDisplay;
extern Window g_hDrawWindow;  // where the frames go
extern bool g_bOwnWindow;     // made here: mapped, destroyed and steered by keys here
extern Atom g_atomDeleteWindow;
extern int g_nWindowWidth;
extern int g_nWindowHeight;
extern OffscreenBuffer g_DrawBuffer;  // the frames go through it (render/offscreen.h)

// Opens the display and finds or makes the window; 0, or the exit status
// after a one-line message on stderr.
int OpenDrawWindow(const RunOptions& options);
// The GLX context on the window's visual, the projection and the scene state;
// 0, or the exit status after a one-line message.
int CreateDrawContext();
void SwapDrawBuffers();
// Our own window is mapped: asks for the keyboard focus, through the window
// manager where it takes _NET_ACTIVE_WINDOW (a request that cannot fail).
void AskForFocus();
// Sets the swap interval for the refresh rate of the monitor under the
// window (again after it moved); true when the interval changed.
bool UpdateFrameRhythm();
extern int g_nRefreshHz;     // of that monitor; 0 when unknown
extern int g_nSwapInterval;  // 0: the clock alone paces the frames
// Releases the context, our own window and the display; safe to call again.
void CloseDrawWindow();

// X errors are only noted from the moment the display is open (x_errors.cpp).
void CatchXErrors();
// After an X error: -1 when there was none, 0 when the window we draw into
// was destroyed (a quiet end), else 1 after one line on stderr.
int CheckXErrors();
// Errors of the requests between these two are only counted; EndErrorTrap
// waits for the answers and is true when none failed.
void BeginErrorTrap();
bool EndErrorTrap();

// SIGTERM and SIGINT end the frames (also when they come before the first
// frame); caught from the start, since a shell's background job may have
// inherited SIGINT ignored.
void CatchStopSignals();
bool IsStopRequested();

// Frames until a signal, Esc, q or the window manager's close; the exit status.
int RunFrames(const RunOptions& options);
// True once a key changed a view (the settings file is then rewritten).
extern bool g_bViewsChanged;
