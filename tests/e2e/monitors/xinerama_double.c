/* A stand-in for libXinerama.so.1 that reports a monitor layout given in the
 * environment, so that Wine on an Xvfb screen without RandR sees several
 * monitors. Only the layout query is replaced; the X server, the windows, the
 * pixels and the input stay real.
 *
 *   VELTHRA_MONITORS="1024x768+0+0,800x600+1024+0"   (first one is primary)
 *
 * Built natively (not for Windows) and put on LD_LIBRARY_PATH. */
#include <stdlib.h>
#include <stdio.h>
#include <string.h>

typedef struct _XDisplay Display;
typedef int Bool;

typedef struct {
    int screen_number;
    short x_org;
    short y_org;
    short width;
    short height;
} XineramaScreenInfo;

enum { kMaxMonitors = 16 };

static int ParseLayout(XineramaScreenInfo* pInfo)
{
    const char* pszLayout = getenv("VELTHRA_MONITORS");
    int nCount = 0;
    while (pszLayout && *pszLayout && nCount < kMaxMonitors) {
        int w, h, x, y, nUsed = 0;
        if (sscanf(pszLayout, "%dx%d%d%d%n", &w, &h, &x, &y, &nUsed) != 4)
            break;
        pInfo[nCount].screen_number = nCount;
        pInfo[nCount].x_org = (short)x;
        pInfo[nCount].y_org = (short)y;
        pInfo[nCount].width = (short)w;
        pInfo[nCount].height = (short)h;
        ++nCount;
        pszLayout += nUsed;
        if (*pszLayout == ',')
            ++pszLayout;
    }
    return nCount;
}

Bool XineramaQueryExtension(Display* pDisplay, int* pnEventBase, int* pnErrorBase)
{
    (void)pDisplay;
    *pnEventBase = 0;
    *pnErrorBase = 0;
    return 1;
}

int XineramaQueryVersion(Display* pDisplay, int* pnMajor, int* pnMinor)
{
    (void)pDisplay;
    *pnMajor = 1;
    *pnMinor = 1;
    return 1;
}

Bool XineramaIsActive(Display* pDisplay)
{
    XineramaScreenInfo aInfo[kMaxMonitors];
    (void)pDisplay;
    return ParseLayout(aInfo) > 0;
}

/* The caller frees the result with XFree, which is free(). */
XineramaScreenInfo* XineramaQueryScreens(Display* pDisplay, int* pnCount)
{
    XineramaScreenInfo aInfo[kMaxMonitors];
    (void)pDisplay;
    *pnCount = ParseLayout(aInfo);
    if (*pnCount == 0)
        return NULL;
    XineramaScreenInfo* pResult = malloc(sizeof(aInfo[0]) * (size_t)*pnCount);
    if (!pResult) {
        *pnCount = 0;
        return NULL;
    }
    memcpy(pResult, aInfo, sizeof(aInfo[0]) * (size_t)*pnCount);
    return pResult;
}
