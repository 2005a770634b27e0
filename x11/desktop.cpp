// The desktop's answers: window manager and EWMH support from the root
// window's properties, monitors and refresh rates from XRandR 1.2 (a mode's
// rate from its pixel clock and totals; Xvfb reports none).
#include "x11/desktop.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>

#include <utility>

#include "x11/host.h"

// The 32-bit items of a window's property; the count (0 when it has none).
static int ReadProperty32(Window hWindow, const char* pszName, Atom type, unsigned long* anItems, int nMax)
{
    Atom actualType;
    int nFormat;
    unsigned long nItems = 0, nAfter;
    unsigned char* pData = nullptr;
    const Atom property = XInternAtom(g_pDisplay, pszName, False);
    if (XGetWindowProperty(g_pDisplay, hWindow, property, 0, nMax, False, type, &actualType, &nFormat, &nItems,
                           &nAfter, &pData) != Success || actualType != type || nFormat != 32)
        nItems = 0;
    const unsigned long* pItems = reinterpret_cast<const unsigned long*>(pData);
    for (unsigned long i = 0; i < nItems; ++i)
        anItems[i] = pItems[i];
    if (pData)
        XFree(pData);
    return static_cast<int>(nItems);
}

bool IsWindowManagerRunning(Window hRoot)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(g_pDisplay, hRoot, &attributes) &&
           (attributes.all_event_masks & SubstructureRedirectMask) != 0;
}

// A list left behind by a window manager that ended (its check window gone)
// counts for nothing.
bool DoesWmSupport(Window hRoot, const char* pszAtom)
{
    unsigned long hCheck = 0, hCheckOfCheck = 0;
    if (ReadProperty32(hRoot, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, &hCheck, 1) != 1)
        return false;
    BeginErrorTrap();
    ReadProperty32(hCheck, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, &hCheckOfCheck, 1);
    if (!EndErrorTrap() || hCheckOfCheck != hCheck)
        return false;
    unsigned long aSupported[512];
    const int nSupported = ReadProperty32(hRoot, "_NET_SUPPORTED", XA_ATOM, aSupported, 512);
    const Atom wanted = XInternAtom(g_pDisplay, pszAtom, False);
    for (int i = 0; i < nSupported; ++i) {
        if (aSupported[i] == wanted)
            return true;
    }
    return false;
}

// A mode of the screen's resources in whole hertz; 0 when unknown.
static int RefreshHzOf(const XRRScreenResources* pResources, RRMode mode)
{
    for (int i = 0; i < pResources->nmode; ++i) {
        const XRRModeInfo& info = pResources->modes[i];
        if (info.id == mode)
            return RefreshHzOfMode(info.dotClock, info.hTotal, info.vTotal, (info.modeFlags & RR_Interlace) != 0,
                                   (info.modeFlags & RR_DoubleScan) != 0);
    }
    return 0;
}

int ReadMonitors(Window hRoot, MonitorRect* aMonitors, int nMax)
{
    int nEventBase, nErrorBase, nMajor = 0, nMinor = 0;
    if (!XRRQueryExtension(g_pDisplay, &nEventBase, &nErrorBase) || !XRRQueryVersion(g_pDisplay, &nMajor, &nMinor) ||
        (nMajor == 1 && nMinor < 2))
        return 0;
    XRRScreenResources* pResources = XRRGetScreenResourcesCurrent(g_pDisplay, hRoot);
    if (pResources == nullptr)
        return 0;
    RRCrtc primary = None;
    const RROutput primaryOutput = XRRGetOutputPrimary(g_pDisplay, hRoot);
    XRROutputInfo* pOutput = primaryOutput ? XRRGetOutputInfo(g_pDisplay, pResources, primaryOutput) : nullptr;
    if (pOutput) {
        primary = pOutput->crtc;
        XRRFreeOutputInfo(pOutput);
    }
    int n = 0;
    for (int i = 0; i < pResources->ncrtc && n < nMax; ++i) {
        XRRCrtcInfo* pCrtc = XRRGetCrtcInfo(g_pDisplay, pResources, pResources->crtcs[i]);
        if (pCrtc && pCrtc->mode != None && pCrtc->width > 0 && pCrtc->height > 0) {
            aMonitors[n] = MonitorRect{pCrtc->x, pCrtc->y, static_cast<int>(pCrtc->width),
                                       static_cast<int>(pCrtc->height), RefreshHzOf(pResources, pCrtc->mode)};
            if (pResources->crtcs[i] == primary)
                std::swap(aMonitors[0], aMonitors[n]);
            ++n;
        }
        if (pCrtc)
            XRRFreeCrtcInfo(pCrtc);
    }
    XRRFreeScreenResources(pResources);
    return n;
}

int ReadRefreshHzUnder(Window hWindow)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(g_pDisplay, hWindow, &attributes))
        return 0;
    int x = 0, y = 0;
    Window hChild;
    XTranslateCoordinates(g_pDisplay, hWindow, attributes.root, attributes.width / 2, attributes.height / 2,
                          &x, &y, &hChild);
    MonitorRect aMonitors[kMaxMonitors];
    const int nMonitors = ReadMonitors(attributes.root, aMonitors, kMaxMonitors);
    const int i = FindMonitorAt(aMonitors, nMonitors, x, y);
    return i < 0 ? 0 : aMonitors[i].nRefreshHz;
}
