// The OpenGL context of the render window: pixel-format choice by our own
// score, WGL context, projection (frame_step.cpp), the offscreen drawing
// (render/offscreen.cpp) and the shared scene state. Each failing
// step tears down what exists before its message box is shown, so a box that
// waits for the user never holds a half-made context.
#include "win32/render.h"

#include "win32/host.h"

#include "render/frame_step.h"
#include "render/offscreen.h"
#include "win32/pixel_format.h"
#include "scenes/scene_state.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <vector>

HDC g_hRenderDC = nullptr;
HWND g_hRenderWnd = nullptr;
HGLRC g_hRenderRC = nullptr;
OffscreenBuffer g_RenderBuffer;

static PIXELFORMATDESCRIPTOR g_pfdSet;  // given to SetPixelFormat, filled once
static bool g_bPfdSetFilled = false;
static int g_nRenderFormat = 0;  // the pixel format of the context's window
static SIZE g_sizeProjected = {-1, -1};  // the render window's size in the projection

static void ReportCreateFailure(const char* pszText)
{
    MessageBoxA(nullptr, pszText, "ERROR", MB_OK | MB_ICONEXCLAMATION);
}

static void ReportShutdownFailure(const char* pszText)
{
    if (g_bSessionEnding)
        return;  // a box would hold up the end of the session
    MessageBoxA(nullptr, pszText, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
}

static PIXELFORMATDESCRIPTOR MakeDescriptor(int nColorBits, int nDepthBits)
{
    PIXELFORMATDESCRIPTOR pfd;
    ZeroMemory(&pfd, sizeof(pfd));
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(nColorBits);
    pfd.cDepthBits = static_cast<BYTE>(nDepthBits);
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

unsigned ScorePixelFormat(const PIXELFORMATDESCRIPTOR& pfd, int nColorBits)
{
    PixelFormatTraits d = {pfd.dwFlags, pfd.iPixelType, pfd.cColorBits, pfd.cDepthBits};
    return ScorePixelFormatTraits(d, nColorBits);
}

int SelectPixelFormat(HDC hDC, int nColorBits)
{
    PIXELFORMATDESCRIPTOR pfd;
    int nFormats = DescribePixelFormat(hDC, 1, sizeof(pfd), &pfd);
    PIXELFORMATDESCRIPTOR pfdSearch = MakeDescriptor(32, 24);
    int nProposal = ChoosePixelFormat(hDC, &pfdSearch);
    if (nProposal == 0)
        return 0;
    std::vector<unsigned> anScores(nFormats > 0 ? nFormats : 0, 0);
    for (int i = 1; i <= nFormats; ++i) {
        if (DescribePixelFormat(hDC, i, sizeof(pfd), &pfd))
            anScores[i - 1] = ScorePixelFormat(pfd, nColorBits);
    }
    return PickPixelFormat(anScores.data(), nFormats, nProposal);
}

// Some drivers answer 1, 2, 3 or -1 instead of null for a name they lack.
GlProc LookUpWglProc(const char* pszName)
{
    PROC pfn = wglGetProcAddress(pszName);
    const intptr_t n = reinterpret_cast<intptr_t>(pfn);
    return n >= -1 && n <= 3 ? nullptr : reinterpret_cast<GlProc>(pfn);
}

static bool FailCreate(const char* pszText)
{
    DestroyRenderContext();
    ReportCreateFailure(pszText);
    return false;
}

bool CreateRenderContext(HWND hWnd, int nColorBits)
{
    g_hRenderDC = GetDC(hWnd);
    if (!g_hRenderDC)
        return FailCreate("Can't Create A GL Device Context.");
    g_hRenderWnd = hWnd;
    if (!g_bPfdSetFilled) {
        g_pfdSet = MakeDescriptor(nColorBits, 32);
        g_bPfdSetFilled = true;
    }
    int nFormat = SelectPixelFormat(g_hRenderDC, nColorBits);
    if (nFormat == 0)
        return FailCreate("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(g_hRenderDC, nFormat, &g_pfdSet))
        return FailCreate("Can't Set The PixelFormat.");
    g_nRenderFormat = nFormat;
    g_hRenderRC = wglCreateContext(g_hRenderDC);
    if (!g_hRenderRC)
        return FailCreate("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(g_hRenderDC, g_hRenderRC))
        return FailCreate("Can't Activate The GL Rendering Context.");
    StartOffscreenDrawing(LookUpWglProc);
    g_sizeProjected = {-1, -1};
    FitProjectionToWindow();
    if (!InitSceneState())
        return FailCreate("Initialization Failed.");
    StartFramePacing(hWnd);
    return true;
}

// The render window's client size can change under the context: a dialog's
// preview control resized for a new scale, a display change.
void FitProjectionToWindow()
{
    RECT rc;
    if (!g_hRenderWnd || !GetClientRect(g_hRenderWnd, &rc))
        return;
    const SIZE size = {rc.right - rc.left, rc.bottom - rc.top};
    if (size.cx == g_sizeProjected.cx && size.cy == g_sizeProjected.cy)
        return;
    SetProjection(size.cx, size.cy);
    g_sizeProjected = size;
}

void DestroyRenderContext()
{
    StopFramePacing();
    StopOffscreenDrawing();
    if (g_hRenderRC) {
        if (!wglMakeCurrent(nullptr, nullptr))
            ReportShutdownFailure("Release Of DC And RC Failed.");
        if (!wglDeleteContext(g_hRenderRC))
            ReportShutdownFailure("Release Rendering Context Failed.");
        g_hRenderRC = nullptr;
    }
    if (g_hRenderDC) {
        if (!ReleaseDC(g_hRenderWnd, g_hRenderDC))
            ReportShutdownFailure("Release Device Context Failed.");
        g_hRenderDC = nullptr;
        g_hRenderWnd = nullptr;
    }
}

// A window's pixel format can be set only once; a DC that already has the
// context's format is used as it is.
bool UseRenderContextOn(HDC hDC)
{
    if (!g_hRenderRC || !hDC)
        return false;
    if (GetPixelFormat(hDC) != g_nRenderFormat && !SetPixelFormat(hDC, g_nRenderFormat, &g_pfdSet))
        return false;
    return wglMakeCurrent(hDC, g_hRenderRC) != FALSE;
}
