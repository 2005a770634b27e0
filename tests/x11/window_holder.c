/* Another client's window for the X11 host's tests, in the role of
 * xscreensaver: it makes a window (on a visual with or without OpenGL),
 * holds ButtonPress on it, prints its id and then obeys lines on stdin:
 *   size W H      resize it
 *   clear         paint it black, so that old frames do not count
 *   geometry      print "x y w h mapped" as the server has it
 *   close ID      send WM_DELETE_WINDOW to window ID (hex or decimal), as a window manager does
 *   renew         destroy the window and print the id of a new one, as a settings dialog does
 *   quit
 * Usage: window_holder W H [gl|nogl|nodepth]                                 */
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kGl, kNoGl, kNoDepth };

/* A visual of any screen (an 8-bit second screen has no RGBA OpenGL). */
static Visual* PickVisual(Display* pDisplay, int nKind, int* pnDepth, int* pnScreen)
{
    XVisualInfo wanted = {0};
    int nFound = 0;
    XVisualInfo* aInfo = XGetVisualInfo(pDisplay, VisualNoMask, &wanted, &nFound);
    for (int i = 0; i < nFound; ++i) {
        int nUseGl = 0, nRgba = 0;
        glXGetConfig(pDisplay, &aInfo[i], GLX_USE_GL, &nUseGl);
        glXGetConfig(pDisplay, &aInfo[i], GLX_RGBA, &nRgba);
        int nDouble = 0, nDepthBits = 0;
        glXGetConfig(pDisplay, &aInfo[i], GLX_DOUBLEBUFFER, &nDouble);
        glXGetConfig(pDisplay, &aInfo[i], GLX_DEPTH_SIZE, &nDepthBits);
        int bGl = nUseGl && nRgba && nDouble;
        int bFits = nKind == kGl ? bGl && nDepthBits > 0 : nKind == kNoDepth ? bGl && nDepthBits == 0 : !(nUseGl && nRgba);
        if (bFits) {
            *pnDepth = aInfo[i].depth;
            *pnScreen = aInfo[i].screen;
            return aInfo[i].visual;
        }
    }
    return NULL;
}

static Window MakeWindow(Display* pDisplay, Visual* pVisual, int nDepth, int nScreen, unsigned nWidth,
                         unsigned nHeight)
{
    Window hRoot = RootWindow(pDisplay, nScreen);
    XSetWindowAttributes attributes = {0};
    attributes.colormap = XCreateColormap(pDisplay, hRoot, pVisual, AllocNone);
    attributes.event_mask = ButtonPressMask | StructureNotifyMask;
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(pDisplay, nScreen);
    Window hWindow = XCreateWindow(pDisplay, hRoot, 10, 10, nWidth, nHeight, 0, nDepth, InputOutput, pVisual,
                                   CWColormap | CWEventMask | CWOverrideRedirect | CWBorderPixel | CWBackPixel,
                                   &attributes);
    XMapWindow(pDisplay, hWindow);
    XSync(pDisplay, False);
    printf("0x%lx\n", hWindow);
    fflush(stdout);
    return hWindow;
}

int main(int argc, char** argv)
{
    Display* pDisplay = XOpenDisplay(NULL);
    if (!pDisplay || argc < 3)
        return 1;
    int nDepth = 0, nScreen = 0;
    const char* pszKind = argc < 4 ? "gl" : argv[3];
    int nKind = strcmp(pszKind, "nogl") == 0 ? kNoGl : strcmp(pszKind, "nodepth") == 0 ? kNoDepth : kGl;
    Visual* pVisual = PickVisual(pDisplay, nKind, &nDepth, &nScreen);
    if (!pVisual) {
        printf("none\n");
        return 3;
    }
    Window hWindow = MakeWindow(pDisplay, pVisual, nDepth, nScreen, atoi(argv[1]), atoi(argv[2]));
    char szLine[256];
    while (fgets(szLine, sizeof(szLine), stdin)) {
        unsigned nWidth, nHeight;
        unsigned long nTarget;
        if (sscanf(szLine, "size %u %u", &nWidth, &nHeight) == 2) {
            XResizeWindow(pDisplay, hWindow, nWidth, nHeight);
        } else if (strncmp(szLine, "clear", 5) == 0) {
            XClearWindow(pDisplay, hWindow);
        } else if (strncmp(szLine, "geometry", 8) == 0) {
            XWindowAttributes a;
            XGetWindowAttributes(pDisplay, hWindow, &a);
            printf("%d %d %d %d %d\n", a.x, a.y, a.width, a.height, a.map_state == IsViewable);
        } else if (sscanf(szLine, "close %li", (long*)&nTarget) == 1) {
            XEvent event = {0};
            event.xclient.type = ClientMessage;
            event.xclient.window = nTarget;
            event.xclient.message_type = XInternAtom(pDisplay, "WM_PROTOCOLS", False);
            event.xclient.format = 32;
            event.xclient.data.l[0] = (long)XInternAtom(pDisplay, "WM_DELETE_WINDOW", False);
            XSendEvent(pDisplay, nTarget, False, NoEventMask, &event);
        } else if (strncmp(szLine, "renew", 5) == 0) {
            XWindowAttributes a;
            XGetWindowAttributes(pDisplay, hWindow, &a);
            XDestroyWindow(pDisplay, hWindow);
            hWindow = MakeWindow(pDisplay, pVisual, nDepth, nScreen, a.width, a.height);
        } else if (strncmp(szLine, "quit", 4) == 0) {
            break;
        }
        XSync(pDisplay, False);
        fflush(stdout);
    }
    XCloseDisplay(pDisplay);
    return 0;
}
