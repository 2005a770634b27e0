// The saver's frame on the other monitors, when "all monitors" is on. The one
// OpenGL context is made current on each monitor cover in turn and draws the
// current module for that monitor's size; every cover starts from the same
// animation snapshot, which is restored before the render window's own frame
// takes the one step of this frame. Each cover has its own offscreen buffer
// of its own size, which falls back to direct drawing on its own. Only the
// render window's swap waits for
// the display, so more monitors do not divide the frame rate. A cover whose
// pixel format or context cannot be set (a monitor on another adapter) stays
// black and is not tried again until the covers are made anew.
#include "win32/render.h"

#include "win32/host.h"
#include "render/frame_step.h"
#include "scenes/animation_snapshot.h"

#include <vector>

static std::vector<HWND> g_ahFailedCovers;
struct CoverBuffer {
    HWND hCover;
    OffscreenBuffer buffer;
};
static std::vector<CoverBuffer> g_aCoverBuffers;

OffscreenBuffer& FindCoverBuffer(HWND hCover)
{
    for (CoverBuffer& entry : g_aCoverBuffers) {
        if (entry.hCover == hCover)
            return entry.buffer;
    }
    g_aCoverBuffers.push_back({hCover, OffscreenBuffer{}});
    return g_aCoverBuffers.back().buffer;
}

static void SetProjectionFor(HWND hWnd)
{
    RECT rc;
    if (GetClientRect(hWnd, &rc))
        SetProjection(rc.right - rc.left, rc.bottom - rc.top);
}

static bool HasFailed(HWND hCover)
{
    for (HWND hFailed : g_ahFailedCovers) {
        if (hFailed == hCover)
            return true;
    }
    return false;
}

// A new cover window may reuse the handle of a destroyed one.
void ForgetFailedCovers()
{
    g_ahFailedCovers.clear();
    for (CoverBuffer& entry : g_aCoverBuffers)
        ReleaseOffscreenBuffer(entry.buffer);
    g_aCoverBuffers.clear();
}

void DrawOnMonitorCovers(HWND hWnd)
{
    const int nCovers = CountMonitorCovers();
    if (nCovers == 0 || !g_hRenderRC)
        return;
    AnimationSnapshot snapshot;
    SaveAnimation(&snapshot);
    for (int i = 0; i < nCovers; ++i) {
        HWND hCover = GetMonitorCover(i);
        if (!hCover || HasFailed(hCover))
            continue;
        HDC hCoverDC = GetDC(hCover);  // the cover's own DC
        if (!UseRenderContextOn(hCoverDC)) {
            g_ahFailedCovers.push_back(hCover);
            continue;
        }
        SetFrameSwapInterval(false);
        SetProjectionFor(hCover);
        if (DrawWindowFrame(FindCoverBuffer(hCover)) && !g_SaverState.bQuitRequested)
            SwapBuffers(hCoverDC);
        RestoreAnimation(snapshot);
    }
    wglMakeCurrent(g_hRenderDC, g_hRenderRC);
    SetFrameSwapInterval(true);
    SetProjectionFor(hWnd);
}
