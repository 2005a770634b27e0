// The render runtime's layer of the saver window. Rendering is not started
// yet; every message goes on to the host's default handling.
#include "render/render.h"
#include "host/host.h"

LRESULT RenderRuntimeProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return HostDefaultProc(hWnd, uMsg, wParam, lParam);
}
