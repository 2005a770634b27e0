// The saver's frame on the other monitors, when "all monitors" is on. The one
// OpenGL context is made current on each monitor cover in turn and draws the
// current module for that monitor's size; every cover starts from the same
// animation snapshot, which is restored before the render window's own frame
// takes the one step of this frame.
#include "render/render.h"

#include "host/host.h"
#include "scenes/animation_snapshot.h"

static void SetProjectionFor(HWND hWnd)
{
    RECT rc;
    if (GetClientRect(hWnd, &rc))
        SetProjection(rc.right - rc.left, rc.bottom - rc.top);
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
        HDC hCoverDC = hCover ? GetDC(hCover) : nullptr;  // the cover's own DC
        if (!UseRenderContextOn(hCoverDC))
            continue;
        SetProjectionFor(hCover);
        if (DrawCurrentModule() && !g_SaverState.bQuitRequested)
            SwapBuffers(hCoverDC);
        RestoreAnimation(snapshot);
    }
    wglMakeCurrent(g_hRenderDC, g_hRenderRC);
    SetProjectionFor(hWnd);
}
