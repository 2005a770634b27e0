// The shared frame step over the module table and the three renderers.
#include "render/frame_step.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "render/offscreen.h"
#include "render/pacing.h"
#include "scenes/module_table.h"
#include "scenes/modules.h"
#include "scenes/opengl.h"

static const double kFieldOfView = 50.0;
static const double kNearPlane = static_cast<double>(0.1f);  // 0.10000000149011612
static const double kFarPlane = 80000.0;

// Switching is always: store the old view, change module, apply the new view.
static void SwitchModule(bool bNext)
{
    StoreModuleView(g_nModule);
    g_nModule = bNext ? NextActiveModule(g_nModule) : PreviousActiveModule(g_nModule);
    ApplyModuleView(g_nModule);
}

bool ChangeModuleWhenDue(uint32_t dwLastSwitchTick, uint32_t dwNow)
{
    if (!IsModuleChangeDue(dwLastSwitchTick, dwNow, g_nCycleTime, CountActiveModules()))
        return false;
    SwitchModule(true);
    return true;
}

static bool DrawModule(int nModule)
{
    switch (nModule) {
    case 1:
        return DrawFloatingSymbols();
    case 2:
        return DrawEarthModule();
    case 3:
        return DrawSymbolRing();
    default:
        return true;  // no module is active: nothing to draw
    }
}

// The viewport as a binary PPM, top row first: the resolved offscreen
// picture where the frame went through one, else the window's back buffer.
static bool WriteFramePicture(const char* pszPath, const OffscreenBuffer& buffer)
{
    GLint anViewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, anViewport);
    const int nWidth = anViewport[2], nHeight = anViewport[3];
    const size_t cbRow = static_cast<size_t>(nWidth) * 3;
    std::vector<unsigned char> pixels(cbRow * static_cast<size_t>(nHeight));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!BindOffscreenPicture(buffer))
        glReadBuffer(GL_BACK);
    glReadPixels(anViewport[0], anViewport[1], nWidth, nHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    FILE* pFile = std::fopen(pszPath, "wb");
    if (pFile == nullptr)
        return false;
    std::fprintf(pFile, "P6\n%d %d\n255\n", nWidth, nHeight);
    for (int y = nHeight - 1; y >= 0; --y)
        std::fwrite(pixels.data() + cbRow * static_cast<size_t>(y), 1, cbRow, pFile);
    return std::fclose(pFile) == 0;
}

// Test hook of both programs: VELTHRA_FRAMES=N ends the process after the
// N-th frame is drawn, writing it to VELTHRA_PICTURE when that is set.
static void CountFrameForTest(const OffscreenBuffer& buffer)
{
    static const char* pszFrames = std::getenv("VELTHRA_FRAMES");
    static long nFramesLeft = pszFrames ? std::strtol(pszFrames, nullptr, 10) : 0;
    if (nFramesLeft <= 0 || --nFramesLeft > 0)
        return;
    const char* pszPicture = std::getenv("VELTHRA_PICTURE");
    std::exit(pszPicture && !WriteFramePicture(pszPicture, buffer) ? 1 : 0);
}

bool DrawCurrentModule()
{
    return DrawModule(g_nModule);
}

bool DrawWindowFrame(OffscreenBuffer& buffer)
{
    const bool bOffscreen = BeginOffscreenFrame(buffer);
    const bool bDrawn = DrawCurrentModule();
    // A failed resolve leaves the back buffer unfinished: that frame is not shown.
    const bool bResolved = !bOffscreen || EndOffscreenFrame(buffer);
    CountFrameForTest(buffer);
    return bDrawn && bResolved;
}

KeyCommand ApplyKeyToView(int nVirtualKey)
{
    LiveView view{g_fDepth, g_fHorz, g_fVert, g_fXrot, g_fYrot, g_fZrot, g_fSpeed};
    const KeyCommand command = SteerView(nVirtualKey, view);
    g_fDepth = view.fDepth;
    g_fHorz = view.fHorz;
    g_fVert = view.fVert;
    g_fXrot = view.fXrot;
    g_fYrot = view.fYrot;
    g_fZrot = view.fZrot;
    g_fSpeed = view.fSpeed;
    if (command == kKeyPreviousModule || command == kKeyNextModule)
        SwitchModule(command == kKeyNextModule);
    else if (command == kKeyRestoreView)
        RestoreDefaultView(g_nModule);
    return command;
}

void SetProjection(int nWidth, int nHeight)
{
    if (nHeight == 0)
        nHeight = 1;
    glViewport(0, 0, nWidth, nHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(kFieldOfView, static_cast<double>(nWidth) / static_cast<double>(nHeight),
                   kNearPlane, kFarPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
