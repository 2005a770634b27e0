// X errors after the display is open. Xlib's default handler prints a report
// of several lines and ends the program; here an error is only noted, and the
// frame loop then asks what it means: the window we draw into was destroyed
// (its owner ended, a settings dialog closed its preview), which ends the
// program quietly, or anything else, which ends it with one line. A refused
// focus request (the window manager had not shown the window yet) is harmless.
#include "x11/host.h"

#include <X11/Xproto.h>

#include <cstdio>

static XErrorEvent g_firstError;
static bool g_bHaveError = false;
static bool g_bTrapping = false;  // errors of a question we asked ourselves
static bool g_bTrapped = false;

static int OnXError(Display*, XErrorEvent* pError)
{
    if (g_bTrapping) {
        g_bTrapped = true;
        return 0;
    }
    if (pError->request_code == X_SetInputFocus)
        return 0;
    if (!g_bHaveError) {
        g_firstError = *pError;
        g_bHaveError = true;
    }
    return 0;
}

void CatchXErrors()
{
    XSetErrorHandler(OnXError);
}

void BeginErrorTrap()
{
    g_bTrapping = true;
    g_bTrapped = false;
}

bool EndErrorTrap()
{
    XSync(g_pDisplay, False);
    g_bTrapping = false;
    return !g_bTrapped;
}

// False when the window no longer exists.
static bool DoesDrawWindowExist()
{
    BeginErrorTrap();
    XWindowAttributes attributes;
    const bool bFound = XGetWindowAttributes(g_pDisplay, g_hDrawWindow, &attributes) != 0;
    return EndErrorTrap() && bFound;
}

int CheckXErrors()
{
    if (!g_bHaveError)
        return -1;
    g_bHaveError = false;
    if (!DoesDrawWindowExist())
        return 0;
    char szText[128];
    XGetErrorText(g_pDisplay, g_firstError.error_code, szText, sizeof(szText));
    std::fprintf(stderr, "velthra: X error %s in request %d.%d on 0x%lx\n", szText, g_firstError.request_code,
                 g_firstError.minor_code, g_firstError.resourceid);
    return 1;
}
