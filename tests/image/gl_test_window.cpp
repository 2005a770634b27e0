// A plain pixel format (double-buffered RGBA with depth) is enough here: the
// tests look at textures, lists and state, not at the format choice.
#include "tests/image/gl_test_window.h"

#include <GL/gl.h>

#include "render/render.h"

static HWND g_hTestWnd = NULL;
static HDC g_hTestDC = NULL;
static HGLRC g_hTestRC = NULL;

bool OpenGlTestWindow(int nWidth, int nHeight)
{
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "VelthraGlTest";
    RegisterClassA(&wc);
    g_hTestWnd = CreateWindowA("VelthraGlTest", "gl test", WS_POPUP, 0, 0, nWidth, nHeight, NULL, NULL,
                               wc.hInstance, NULL);
    if (g_hTestWnd == NULL)
        return false;
    g_hTestDC = GetDC(g_hTestWnd);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 24;
    const int nFormat = ChoosePixelFormat(g_hTestDC, &pfd);
    if (nFormat == 0 || !SetPixelFormat(g_hTestDC, nFormat, &pfd))
        return false;
    g_hTestRC = wglCreateContext(g_hTestDC);
    if (g_hTestRC == NULL || !wglMakeCurrent(g_hTestDC, g_hTestRC))
        return false;
    SetProjection(nWidth, nHeight);
    return true;
}

void CloseGlTestWindow()
{
    wglMakeCurrent(NULL, NULL);
    if (g_hTestRC != NULL)
        wglDeleteContext(g_hTestRC);
    if (g_hTestDC != NULL)
        ReleaseDC(g_hTestWnd, g_hTestDC);
    if (g_hTestWnd != NULL)
        DestroyWindow(g_hTestWnd);
    g_hTestRC = NULL;
    g_hTestDC = NULL;
    g_hTestWnd = NULL;
}

HDC GlTestDC()
{
    return g_hTestDC;
}
