/* A stand-in for the display's monitors and swap control, preloaded into the
 * Linux program on Xvfb, whose XRandR reports one monitor of unknown refresh
 * rate and whose GLX has no swap control (no vertical blank). It reports the
 * monitors given in the environment, each with its refresh rate (0: unknown),
 * offers GLX_EXT_swap_control and writes every swap interval the program sets
 * to a file (the swaps still do not wait). The X server, the windows, the GLX
 * context and the pixels stay real.
 *
 *   VELTHRA_TEST_MONITORS="400x600+0+0@60,400x600+400+0@144"   (first one is primary)
 *   VELTHRA_TEST_SWAP_LOG=/path/to/file                        ("interval N" lines)
 *
 * Only XRRGetScreenResourcesCurrent, XRRGetCrtcInfo, XRRGetOutputPrimary,
 * their frees and glXGetProcAddress (for the swap-interval functions) are
 * replaced. */
#define _GNU_SOURCE
#include <GL/glx.h>
#include <X11/extensions/Xrandr.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kMaxMonitors = 8, kFirstId = 0x7000 };

typedef struct {
    int x, y, w, h, hz;
} Monitor;

static int ReadMonitors(Monitor* aMonitors)
{
    const char* psz = getenv("VELTHRA_TEST_MONITORS");
    int n = 0, nUsed = 0;
    while (psz && *psz && n < kMaxMonitors) {
        Monitor* m = &aMonitors[n];
        if (sscanf(psz, "%dx%d%d%d@%d%n", &m->w, &m->h, &m->x, &m->y, &m->hz, &nUsed) != 5)
            break;
        ++n;
        psz += nUsed;
        if (*psz == ',')
            ++psz;
    }
    return n;
}

/* One CRTC and one mode per monitor: htotal x vtotal = 1000 x 1000 pixels, so
 * the pixel clock in MHz is the refresh rate. */
XRRScreenResources* XRRGetScreenResourcesCurrent(Display* pDisplay, Window hWindow)
{
    (void)pDisplay;
    (void)hWindow;
    Monitor aMonitors[kMaxMonitors];
    const int n = ReadMonitors(aMonitors);
    XRRScreenResources* p = calloc(1, sizeof(*p) + n * (sizeof(RRCrtc) + sizeof(XRRModeInfo)));
    p->ncrtc = p->nmode = n;
    p->crtcs = (RRCrtc*)(p + 1);
    p->modes = (XRRModeInfo*)(p->crtcs + n);
    for (int i = 0; i < n; ++i) {
        p->crtcs[i] = kFirstId + i;
        p->modes[i].id = kFirstId + i;
        p->modes[i].width = aMonitors[i].w;
        p->modes[i].height = aMonitors[i].h;
        p->modes[i].dotClock = aMonitors[i].hz * 1000000ul;
        p->modes[i].hTotal = p->modes[i].vTotal = 1000;
    }
    return p;
}

XRRCrtcInfo* XRRGetCrtcInfo(Display* pDisplay, XRRScreenResources* pResources, RRCrtc crtc)
{
    (void)pDisplay;
    (void)pResources;
    Monitor aMonitors[kMaxMonitors];
    const int n = ReadMonitors(aMonitors), i = (int)(crtc - kFirstId);
    if (i < 0 || i >= n)
        return NULL;
    XRRCrtcInfo* p = calloc(1, sizeof(*p));
    p->x = aMonitors[i].x;
    p->y = aMonitors[i].y;
    p->width = aMonitors[i].w;
    p->height = aMonitors[i].h;
    p->mode = crtc;
    return p;
}

RROutput XRRGetOutputPrimary(Display* pDisplay, Window hWindow)
{
    (void)pDisplay;
    (void)hWindow;
    return None;
}

void XRRFreeScreenResources(XRRScreenResources* p) { free(p); }
void XRRFreeCrtcInfo(XRRCrtcInfo* p) { free(p); }

static void NoteInterval(int n)
{
    const char* pszLog = getenv("VELTHRA_TEST_SWAP_LOG");
    FILE* pFile = pszLog ? fopen(pszLog, "a") : NULL;
    if (pFile) {
        fprintf(pFile, "interval %d\n", n);
        fclose(pFile);
    }
}

static void NoteSwapIntervalExt(Display* pDisplay, GLXDrawable hDrawable, int n)
{
    (void)pDisplay;
    (void)hDrawable;
    NoteInterval(n);
}

const char* glXQueryExtensionsString(Display* pDisplay, int nScreen)
{
    static char szExtensions[8192];
    const char* (*pfnReal)(Display*, int) = (const char* (*)(Display*, int))dlsym(RTLD_NEXT, "glXQueryExtensionsString");
    snprintf(szExtensions, sizeof(szExtensions), "%s GLX_EXT_swap_control ", pfnReal(pDisplay, nScreen));
    return szExtensions;
}

__GLXextFuncPtr glXGetProcAddress(const GLubyte* pszName)
{
    if (strcmp((const char*)pszName, "glXSwapIntervalEXT") == 0)
        return (__GLXextFuncPtr)NoteSwapIntervalExt;
    __GLXextFuncPtr (*pfnReal)(const GLubyte*) = (__GLXextFuncPtr(*)(const GLubyte*))dlsym(RTLD_NEXT, "glXGetProcAddress");
    return pfnReal(pszName);
}
