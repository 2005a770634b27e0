// The key handler of the saver and the settings dialog's preview. Only Esc
// acts so far: it ends the run. In the small preview of the Display control
// panel (a saver window narrower than the desktop) keys are ignored.
#include "render/render.h"

LRESULT HandleKey(HWND, UINT uKind, WPARAM wKey)
{
    if (g_SaverState.bRunningAsSaver && !g_SaverState.bCoversDesktop)
        return 0;
    if (uKind != WM_KEYDOWN)
        return 0;
    if (wKey == VK_ESCAPE)
        g_SaverState.bQuitRequested = true;
    return 0;
}
