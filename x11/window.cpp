// The window and the GLX context. A window that another client gave us (by
// --window-id or XSCREENSAVER_WINDOW) is only drawn into: it is never mapped,
// moved, resized or destroyed here, and ButtonPress is not selected on it,
// since its owner may hold that (X allows one client only). The context is
// made on the window's own visual, as xscreensaver's GL hacks do.
#include "x11/host.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "render/frame_step.h"
#include "render/offscreen.h"
#include "scenes/scene_state.h"
#include "x11/desktop.h"
#include "x11/display_rules.h"

Display* g_pDisplay = nullptr;
Window g_hDrawWindow = 0;
bool g_bOwnWindow = false;
Atom g_atomDeleteWindow = 0;
int g_nWindowWidth = 0;
int g_nWindowHeight = 0;
int g_nRefreshHz = 0;
int g_nSwapInterval = -1;
OffscreenBuffer g_DrawBuffer;

static GLXContext g_hContext = nullptr;
static bool g_bDoubleBuffered = false;
static bool g_bWmActivates = false;  // the window manager takes _NET_ACTIVE_WINDOW

static int Fail(int nStatus, const char* pszText, unsigned long nWindow)
{
    std::fprintf(stderr, "velthra: ");
    std::fprintf(stderr, pszText, nWindow);
    std::fprintf(stderr, "\n");
    return nStatus;
}

// A display that goes away (the server ended, the connection broke) ends the
// program here; Xlib would call exit() after this handler anyway.
static int OnDisplayLost(Display*)
{
    std::fprintf(stderr, "velthra: the display went away\n");
    std::_Exit(1);
}

static void SetWindowTitle(Window hWindow)
{
    XStoreName(g_pDisplay, hWindow, "Velthra");
    XClassHint hint = {const_cast<char*>("velthra"), const_cast<char*>("Velthra")};
    XSetClassHint(g_pDisplay, hWindow, &hint);
    g_atomDeleteWindow = XInternAtom(g_pDisplay, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(g_pDisplay, hWindow, &g_atomDeleteWindow, 1);
}

// Where the window of its own goes: the whole screen, or a window that fits
// the primary monitor (the screen without XRandR).
static MonitorRect PlaceOwnWindow(Window hRoot, bool bFullscreen)
{
    const int nScreen = DefaultScreen(g_pDisplay);
    const MonitorRect screen = {0, 0, DisplayWidth(g_pDisplay, nScreen), DisplayHeight(g_pDisplay, nScreen), 0};
    if (bFullscreen)
        return screen;
    MonitorRect aMonitors[kMaxMonitors];
    return FitOwnWindow(ReadMonitors(hRoot, aMonitors, kMaxMonitors) > 0 ? aMonitors[0] : screen);
}

// Asks the window manager to show the window over the whole monitor; set
// before the window is mapped, so that it opens that way.
static void AskForFullscreen(Window hWindow)
{
    Atom atomState = XInternAtom(g_pDisplay, "_NET_WM_STATE", False);
    Atom atomFullscreen = XInternAtom(g_pDisplay, "_NET_WM_STATE_FULLSCREEN", False);
    XChangeProperty(g_pDisplay, hWindow, atomState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&atomFullscreen), 1);
}

// The position and size as the program's own wish, which twm (with
// UsePPosition) and others follow.
static void SetPlacementHints(Window hWindow, const MonitorRect& place)
{
    XSizeHints* pHints = XAllocSizeHints();
    pHints->flags = PPosition | PSize;
    pHints->x = place.x;
    pHints->y = place.y;
    pHints->width = place.nWidth;
    pHints->height = place.nHeight;
    XSetWMNormalHints(g_pDisplay, hWindow, pHints);
    XFree(pHints);
}

// Without a window manager the window's own geometry covers the screen; an
// EWMH one is asked for the full-screen state; one without that state (twm)
// is bypassed with an override-redirect window. The focus is asked for once
// the window is mapped (AskForFocus).
static int MakeOwnWindow(bool bFullscreen)
{
    const int nScreen = DefaultScreen(g_pDisplay);
    int aAttributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                         GLX_DEPTH_SIZE, 16, None};
    XVisualInfo* pVisual = glXChooseVisual(g_pDisplay, nScreen, aAttributes);
    if (pVisual == nullptr)
        return Fail(1, "the display offers no double-buffered OpenGL visual", 0);
    const Window hRoot = RootWindow(g_pDisplay, nScreen);
    const bool bWindowManager = IsWindowManagerRunning(hRoot);
    g_bWmActivates = bWindowManager && DoesWmSupport(hRoot, "_NET_ACTIVE_WINDOW");
    const FullscreenWay way =
        ChooseFullscreenWay(bWindowManager, DoesWmSupport(hRoot, "_NET_WM_STATE_FULLSCREEN"));
    const MonitorRect place = PlaceOwnWindow(hRoot, bFullscreen);
    XSetWindowAttributes attributes = {};
    attributes.colormap = XCreateColormap(g_pDisplay, hRoot, pVisual->visual, AllocNone);
    attributes.background_pixel = BlackPixel(g_pDisplay, nScreen);
    attributes.border_pixel = 0;
    attributes.event_mask = KeyPressMask | StructureNotifyMask | ExposureMask;
    attributes.override_redirect = bFullscreen && way == kFullscreenByOverride;
    g_hDrawWindow = XCreateWindow(g_pDisplay, hRoot, place.x, place.y, place.nWidth, place.nHeight, 0,
                                  pVisual->depth, InputOutput, pVisual->visual,
                                  CWColormap | CWBackPixel | CWBorderPixel | CWEventMask | CWOverrideRedirect,
                                  &attributes);
    XFree(pVisual);
    g_bOwnWindow = true;
    SetWindowTitle(g_hDrawWindow);
    SetPlacementHints(g_hDrawWindow, place);
    if (bFullscreen && way == kFullscreenByState)
        AskForFullscreen(g_hDrawWindow);
    XMapRaised(g_pDisplay, g_hDrawWindow);
    return 0;
}

void AskForFocus()
{
    if (!g_bOwnWindow)
        return;
    if (!g_bWmActivates) {
        // Mapped, so viewable unless a window manager has yet to show its
        // frame; that refusal is ignored by the error handler.
        XSetInputFocus(g_pDisplay, g_hDrawWindow, RevertToParent, CurrentTime);
        return;
    }
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = g_hDrawWindow;
    event.xclient.message_type = XInternAtom(g_pDisplay, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // from an application
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(g_pDisplay, RootWindow(g_pDisplay, DefaultScreen(g_pDisplay)), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

// The given window's size, and StructureNotify on it so that the scene
// follows its size; false when no such window exists.
static bool WatchGivenWindow(Window hWindow)
{
    BeginErrorTrap();
    XWindowAttributes attributes;
    const bool bExists = XGetWindowAttributes(g_pDisplay, hWindow, &attributes) != 0;
    if (bExists)
        XSelectInput(g_pDisplay, hWindow, StructureNotifyMask | ExposureMask);
    if (!EndErrorTrap() || !bExists)
        return false;
    g_hDrawWindow = hWindow;
    g_nWindowWidth = attributes.width;
    g_nWindowHeight = attributes.height;
    return true;
}

int OpenDrawWindow(const RunOptions& options)
{
    g_pDisplay = XOpenDisplay(nullptr);
    if (g_pDisplay == nullptr)
        return Fail(1, "cannot open the display", 0);
    XSetIOErrorHandler(OnDisplayLost);
    CatchXErrors();
    unsigned long nGiven = options.nWindowId;
    if (options.bRoot) {
        const char* pszEnv = std::getenv("XSCREENSAVER_WINDOW");
        if (pszEnv && *pszEnv) {
            if (!ParseWindowId(pszEnv, &nGiven))
                return Fail(1, "XSCREENSAVER_WINDOW does not name a window", 0);
        } else {
            nGiven = RootWindow(g_pDisplay, DefaultScreen(g_pDisplay));
        }
    }
    if (nGiven == 0)
        return MakeOwnWindow(options.bFullscreen);
    if (!WatchGivenWindow(nGiven))
        return Fail(1, "there is no window 0x%lx", nGiven);
    return 0;
}

// The visual of the window; null when it cannot do OpenGL with RGBA.
static XVisualInfo* FindGlVisual(bool* pbDoubleBuffered)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(g_pDisplay, g_hDrawWindow, &attributes))
        return nullptr;
    g_nWindowWidth = attributes.width;
    g_nWindowHeight = attributes.height;
    XVisualInfo wanted = {};
    wanted.visualid = XVisualIDFromVisual(attributes.visual);
    int nFound = 0;
    XVisualInfo* pVisual = XGetVisualInfo(g_pDisplay, VisualIDMask, &wanted, &nFound);
    int nUseGl = 0, nRgba = 0, nDouble = 0;
    if (pVisual && glXGetConfig(g_pDisplay, pVisual, GLX_USE_GL, &nUseGl) == 0 && nUseGl &&
        glXGetConfig(g_pDisplay, pVisual, GLX_RGBA, &nRgba) == 0 && nRgba) {
        glXGetConfig(g_pDisplay, pVisual, GLX_DOUBLEBUFFER, &nDouble);
        *pbDoubleBuffered = nDouble != 0;
        return pVisual;
    }
    if (pVisual)
        XFree(pVisual);
    return nullptr;
}

// The swap interval, where GLX offers one: frames stay on screen for that
// many refreshes; 0 lets the swap go at once.
static void SetSwapInterval(int nInterval)
{
    const char* pszExtensions = glXQueryExtensionsString(g_pDisplay, DefaultScreen(g_pDisplay));
    if (pszExtensions && std::strstr(pszExtensions, "GLX_EXT_swap_control")) {
        typedef void (*SwapIntervalExtFn)(Display*, GLXDrawable, int);
        auto pfn = reinterpret_cast<SwapIntervalExtFn>(
            glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
        if (pfn)
            pfn(g_pDisplay, g_hDrawWindow, nInterval);
    } else if (pszExtensions && std::strstr(pszExtensions, "GLX_MESA_swap_control")) {
        typedef int (*SwapIntervalMesaFn)(unsigned);
        auto pfn = reinterpret_cast<SwapIntervalMesaFn>(
            glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
        if (pfn)
            pfn(static_cast<unsigned>(nInterval));
    }
}

bool UpdateFrameRhythm()
{
    g_nRefreshHz = ReadRefreshHzUnder(g_hDrawWindow);
    const int nInterval = SwapIntervalFor(g_nRefreshHz);
    if (nInterval == g_nSwapInterval)
        return false;
    g_nSwapInterval = nInterval;
    SetSwapInterval(nInterval);
    return true;
}

// The visual of a window we were given may lack a depth buffer; drawn
// straight into it, the scene then has no hidden-surface removal (the
// offscreen buffer has a depth buffer of its own).
static void WarnWithoutDepth(int nDepthBits)
{
    if (!g_bOwnWindow && nDepthBits == 0 && !IsOffscreenDrawing())
        std::fprintf(stderr, "velthra: window 0x%lx has no depth buffer; far parts may show through near ones\n",
                     g_hDrawWindow);
}

static GlProc LookUpGlxProc(const char* pszName)
{
    return reinterpret_cast<GlProc>(glXGetProcAddress(reinterpret_cast<const GLubyte*>(pszName)));
}

int CreateDrawContext()
{
    XVisualInfo* pVisual = FindGlVisual(&g_bDoubleBuffered);
    if (pVisual == nullptr)
        return Fail(1, "window 0x%lx has no OpenGL visual", g_hDrawWindow);
    int nDepthBits = 0;
    if (glXGetConfig(g_pDisplay, pVisual, GLX_DEPTH_SIZE, &nDepthBits) != 0)
        nDepthBits = -1;  // unknown: no warning
    g_hContext = glXCreateContext(g_pDisplay, pVisual, nullptr, True);
    XFree(pVisual);
    if (g_hContext == nullptr || !glXMakeCurrent(g_pDisplay, g_hDrawWindow, g_hContext))
        return Fail(1, "cannot make an OpenGL context on window 0x%lx", g_hDrawWindow);
    UpdateFrameRhythm();
    StartOffscreenDrawing(LookUpGlxProc);
    WarnWithoutDepth(nDepthBits);
    SetProjection(g_nWindowWidth, g_nWindowHeight);
    if (!InitSceneState())
        return Fail(1, "the scene textures could not be loaded", 0);
    return 0;
}

void SwapDrawBuffers()
{
    if (g_bDoubleBuffered)
        glXSwapBuffers(g_pDisplay, g_hDrawWindow);
    else
        glFinish();
}

void CloseDrawWindow()
{
    if (g_pDisplay == nullptr)
        return;
    if (g_hContext) {
        StopOffscreenDrawing();
        glXMakeCurrent(g_pDisplay, None, nullptr);
        glXDestroyContext(g_pDisplay, g_hContext);
        g_hContext = nullptr;
    }
    if (g_bOwnWindow && g_hDrawWindow)
        XDestroyWindow(g_pDisplay, g_hDrawWindow);
    g_hDrawWindow = 0;
    XCloseDisplay(g_pDisplay);
    g_pDisplay = nullptr;
}
