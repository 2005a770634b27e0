// The offscreen frames on the product's real WGL context: the sample choice
// of VELTHRA_SAMPLES with smooth edges in the resolved picture, the window's
// frames through its buffer as the window changes size, and the direct path
// when the framebuffer functions are missing, report an incomplete buffer or
// cannot allocate (stood in for through wglGetProcAddress). Edges are judged
// on the resolved picture: under Wine a window's own back buffer has not
// always read back what was resolved into it.
#include "win32/render.h"

#include "render/frame_step.h"
#include "render/offscreen.h"
#include "image/texture.h"
#include "scenes/module_table.h"
#include "settings/settings_rules.h"
#include "tests/support/render_window_test.h"
#include "tests/support/import_hook.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const GLenum kGlFramebufferBinding = 0x8CA6;
const GLenum kGlReadFramebuffer = 0x8CA8;

struct PixelCount {
    int nLit = 0;      // pixels that are not black
    int nPartial = 0;  // grey: neither black nor white (a smoothed edge)
};

// The read buffer as it is bound: the window's back buffer, or the picture.
PixelCount CountPixels(int nWidth, int nHeight)
{
    std::vector<unsigned char> rgb(static_cast<size_t>(nWidth) * nHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, nWidth, nHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    PixelCount count;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        const int nSum = rgb[i] + rgb[i + 1] + rgb[i + 2];
        count.nLit += nSum > 24;
        count.nPartial += nSum > 24 && nSum < 3 * 250;
    }
    return count;
}

PixelCount CountBackBuffer(int nWidth, int nHeight)
{
    glReadBuffer(GL_BACK);
    return CountPixels(nWidth, nHeight);
}

// The resolved picture of the buffer; the window is bound again afterwards.
PixelCount CountPicture(const OffscreenBuffer& buffer, int nWidth, int nHeight)
{
    if (!BindOffscreenPicture(buffer))
        return PixelCount{-1, -1};
    const PixelCount count = CountPixels(nWidth, nHeight);
    using BindFn = void(WINAPI*)(GLenum, GLuint);
    auto pfnBind = reinterpret_cast<BindFn>(reinterpret_cast<void*>(wglGetProcAddress("glBindFramebuffer")));
    pfnBind(kGlReadFramebuffer, 0);
    return count;
}

GLint BoundFramebuffer()
{
    GLint nBound = -1;
    glGetIntegerv(kGlFramebufferBinding, &nBound);
    return nBound;
}

// A white triangle with three slanted edges on black, in what is bound.
void DrawWhiteTriangle()
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_TRIANGLES);
    glVertex2f(-0.9f, -0.8f);
    glVertex2f(0.85f, -0.6f);
    glVertex2f(-0.2f, 0.9f);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

void SetEnvironment(const char* pszName, const char* pszValue)
{
    const std::string setting = std::string(pszName) + "=" + pszValue;
    _putenv(setting.c_str());
}

// A context per test: no module is drawn here, so no display list of the
// scenes is left behind in a context that goes.
class OffscreenSamples : public RenderWindowTest {
protected:
    void TearDown() override
    {
        RenderWindowTest::TearDown();
        SetEnvironment("VELTHRA_SAMPLES", "");
        SetEnvironment("VELTHRA_PICTURE", "");
    }
    void Create(const char* pszSamples, const char* pszPicture)
    {
        SetEnvironment("VELTHRA_SAMPLES", pszSamples);
        SetEnvironment("VELTHRA_PICTURE", pszPicture);
        ASSERT_TRUE(CreateRenderContext(m_hWnd, 32));
    }
    // The triangle through the buffer when Begin takes it, else directly.
    enum FrameWay { kDirect, kResolved, kResolveFailed };
    FrameWay DrawTriangleFrame(OffscreenBuffer& buffer)
    {
        const bool bOffscreen = BeginOffscreenFrame(buffer);
        DrawWhiteTriangle();
        if (!bOffscreen)
            return kDirect;
        return EndOffscreenFrame(buffer) ? kResolved : kResolveFailed;
    }
};

TEST_F(OffscreenSamples, SettingChoosesTheSamplesAndThePictureIsResolved)
{
    // llvmpipe under Wine offers 4 samples at most and counts as software.
    const struct {
        const char* pszSamples;
        const char* pszPicture;
        int nSamples;
        bool bOffscreen;
    } kCases[] = {
        {"4", "", 4, true},         {"4", "frame.ppm", 4, true}, {"2", "frame.ppm", 2, true},
        {"99", "frame.ppm", 4, true}, {"0", "frame.ppm", 0, true}, {"0", "", 0, false},
        {"", "", 0, false},         {"four", "frame.ppm", 0, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string("VELTHRA_SAMPLES=") + c.pszSamples + " VELTHRA_PICTURE=" + c.pszPicture);
        Create(c.pszSamples, c.pszPicture);
        EXPECT_EQ(IsOffscreenDrawing(), c.bOffscreen);
        EXPECT_EQ(GetOffscreenSamples(), c.nSamples);
        EXPECT_EQ(DrawTriangleFrame(g_RenderBuffer), c.bOffscreen ? kResolved : kDirect);
        EXPECT_EQ(BoundFramebuffer(), 0) << "the window is bound again for the swap";
        EXPECT_GT(CountBackBuffer(320, 240).nLit, 320 * 240 / 4) << "the window has the frame";
        if (*c.pszPicture) {
            const PixelCount picture = CountPicture(g_RenderBuffer, 320, 240);
            EXPECT_GT(picture.nLit, 320 * 240 / 4);
            if (c.nSamples > 0) {
                EXPECT_GT(picture.nPartial, 300) << "smoothed edges";
            } else {
                EXPECT_EQ(picture.nPartial, 0) << "hard edges";
            }
        } else {
            EXPECT_FALSE(BindOffscreenPicture(g_RenderBuffer));
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        DestroyRenderContext();
    }
}

// Stand-ins for the driver's answers, installed in the product's
// wglGetProcAddress import.
PROC WINAPI LookUpNothing(LPCSTR)
{
    return nullptr;
}

vt::ImportHook* g_pLookupHook = nullptr;
const char* g_pszFakedName = nullptr;
PROC g_pfnFake = nullptr;
PROC g_pfnReal = nullptr;
int g_nFakeCalls = 0;

PROC WINAPI LookUpWithOneFake(LPCSTR pszName)
{
    auto pfnLookUp = g_pLookupHook->Original<PROC(WINAPI*)(LPCSTR)>();
    if (std::strcmp(pszName, g_pszFakedName) != 0)
        return pfnLookUp(pszName);
    g_pfnReal = pfnLookUp(pszName);
    return g_pfnFake;
}

GLenum WINAPI ReportUnsupported(GLenum)
{
    ++g_nFakeCalls;
    return 0x8CDD;  // GL_FRAMEBUFFER_UNSUPPORTED
}

// Storage beyond any limit (an 8K display on a small driver) for buffers
// wider than 300 pixels; the real thing for narrower ones.
void WINAPI StoreWideTooLarge(GLenum nTarget, GLsizei nSamples, GLenum nFormat, GLsizei nWidth, GLsizei nHeight)
{
    ++g_nFakeCalls;
    using Fn = void(WINAPI*)(GLenum, GLsizei, GLenum, GLsizei, GLsizei);
    const bool bWide = nWidth > 300;
    reinterpret_cast<Fn>(reinterpret_cast<void*>(g_pfnReal))(nTarget, nSamples, nFormat, bWide ? 1 << 20 : nWidth,
                                                              bWide ? 1 << 20 : nHeight);
}

// An error raised (as GL_OUT_OF_MEMORY would be) while the call itself does
// its work or nothing, for buffers wider than 300 pixels.
void RaiseAnError()
{
    GLint nIgnored = 0;
    glGetIntegerv(0xFFFF, &nIgnored);  // GL_INVALID_ENUM
}

void WINAPI StoreWideWithAnError(GLenum nTarget, GLsizei nSamples, GLenum nFormat, GLsizei nWidth, GLsizei nHeight)
{
    ++g_nFakeCalls;
    using Fn = void(WINAPI*)(GLenum, GLsizei, GLenum, GLsizei, GLsizei);
    reinterpret_cast<Fn>(reinterpret_cast<void*>(g_pfnReal))(nTarget, nSamples, nFormat, nWidth, nHeight);
    if (nWidth > 300)
        RaiseAnError();
}

void WINAPI BlitWideWithAnError(GLint nX0, GLint nY0, GLint nX1, GLint nY1, GLint nToX0, GLint nToY0, GLint nToX1,
                                GLint nToY1, GLbitfield nMask, GLenum nFilter)
{
    ++g_nFakeCalls;
    using Fn = void(WINAPI*)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum);
    if (nX1 - nX0 > 300)
        RaiseAnError();
    else
        reinterpret_cast<Fn>(reinterpret_cast<void*>(g_pfnReal))(nX0, nY0, nX1, nY1, nToX0, nToY0, nToX1, nToY1,
                                                                  nMask, nFilter);
}

TEST_F(OffscreenSamples, DrawsDirectlyWhenTheFramebufferFunctionsAreMissing)
{
    vt::ImportHook hook("opengl32.dll", "wglGetProcAddress", reinterpret_cast<void*>(LookUpNothing));
    ASSERT_TRUE(hook.Installed());
    Create("4", "frame.ppm");
    EXPECT_FALSE(IsOffscreenDrawing());
    EXPECT_EQ(DrawTriangleFrame(g_RenderBuffer), kDirect);
    EXPECT_GT(CountBackBuffer(320, 240).nLit, 320 * 240 / 4);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A buffer that cannot be made or resolved at a size is drawn directly and
// not tried again at that size; another window's buffer (a second monitor
// of its own size) is not affected.
TEST_F(OffscreenSamples, DrawsDirectlyWhenABufferCannotBeMadeAndOnlyThatOne)
{
    const struct {
        const char* pszName;
        PROC pfnFake;
        FrameWay firstWay;
        bool bNarrowWorks;
    } kFaults[] = {
        {"glCheckFramebufferStatus", reinterpret_cast<PROC>(reinterpret_cast<void*>(ReportUnsupported)), kDirect,
         false},
        {"glRenderbufferStorageMultisample", reinterpret_cast<PROC>(reinterpret_cast<void*>(StoreWideTooLarge)),
         kDirect, true},
        {"glRenderbufferStorageMultisample", reinterpret_cast<PROC>(reinterpret_cast<void*>(StoreWideWithAnError)),
         kDirect, true},
        {"glBlitFramebuffer", reinterpret_cast<PROC>(reinterpret_cast<void*>(BlitWideWithAnError)),
         kResolveFailed, true},
    };
    for (const auto& fault : kFaults) {
        SCOPED_TRACE(std::string(fault.pszName) + ", fault " + std::to_string(&fault - kFaults));
        g_pszFakedName = fault.pszName;
        g_pfnFake = fault.pfnFake;
        vt::ImportHook hook("opengl32.dll", "wglGetProcAddress", reinterpret_cast<void*>(LookUpWithOneFake));
        ASSERT_TRUE(hook.Installed());
        g_pLookupHook = &hook;
        Create("4", "");
        ASSERT_TRUE(IsOffscreenDrawing());
        g_nFakeCalls = 0;
        EXPECT_EQ(DrawTriangleFrame(g_RenderBuffer), fault.firstWay);
        const int nCallsAtFirst = g_nFakeCalls;
        EXPECT_GT(nCallsAtFirst, 0);
        EXPECT_EQ(DrawTriangleFrame(g_RenderBuffer), kDirect);
        EXPECT_EQ(g_nFakeCalls, nCallsAtFirst) << "not tried again at the same size";
        EXPECT_EQ(BoundFramebuffer(), 0);
        EXPECT_GT(CountBackBuffer(320, 240).nLit, 320 * 240 / 4) << "drawn directly";
        EXPECT_EQ(g_RenderBuffer.nFramebuffer, 0u);

        OffscreenBuffer narrow = {};
        SetProjection(200, 150);
        const FrameWay narrowWay = fault.bNarrowWorks ? kResolved : kDirect;
        EXPECT_EQ(DrawTriangleFrame(narrow), narrowWay);
        EXPECT_EQ(DrawTriangleFrame(g_RenderBuffer), narrowWay) << "a new size is tried";
        SetProjection(320, 240);
        EXPECT_EQ(DrawTriangleFrame(g_RenderBuffer), kDirect) << "the failed size stays direct";
        ReleaseOffscreenBuffer(narrow);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        DestroyRenderContext();
        g_pLookupHook = nullptr;
    }
}

// The saver's own frames (DrawFrame) with 4 samples and the frame dump's
// picture: one context for the suite, as the scenes build their display
// lists once per process.
class OffscreenWindowFrames : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetEnvironment("VELTHRA_SAMPLES", "4");
        SetEnvironment("VELTHRA_PICTURE", "frame.ppm");
        s_hWnd = CreateGlTestWindow(320, 240, true);
        s_bContext = s_hWnd && CreateRenderContext(s_hWnd, 32);
        SetEnvironment("VELTHRA_SAMPLES", "");
        SetEnvironment("VELTHRA_PICTURE", "");
    }
    static void TearDownTestSuite()
    {
        DestroyRenderContext();
        DestroyWindow(s_hWnd);
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_bContext);
        ResetModuleTable();
        g_nModule = 3;  // the sky fills the whole frame
        ApplyModuleView(3);
        g_bAllMonitors = false;
        g_nCycleTime = 30;
        g_SaverState.bRunningAsSaver = true;
        g_SaverState.bQuitRequested = false;
        g_SaverState.dwLastSwitchTick = GetTickCount();
    }
    static HWND s_hWnd;
    static bool s_bContext;
};
HWND OffscreenWindowFrames::s_hWnd = nullptr;
bool OffscreenWindowFrames::s_bContext = false;

TEST_F(OffscreenWindowFrames, TexturesTakeEightfoldAnisotropyWithSamplesAskedFor)
{
    for (int nSlot : {TEXTURE_EARTH, TEXTURE_SKY}) {
        glBindTexture(GL_TEXTURE_2D, g_Textures[nSlot].textureId);
        GLfloat fAnisotropy = 0.0f;
        glGetTexParameterfv(GL_TEXTURE_2D, 0x84FE, &fAnisotropy);  // GL_TEXTURE_MAX_ANISOTROPY_EXT
        GLint nMin = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &nMin);
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(fAnisotropy, 8.0f) << "slot " << nSlot;
        EXPECT_EQ(nMin, GL_LINEAR_MIPMAP_LINEAR) << "slot " << nSlot;
    }
}

TEST_F(OffscreenWindowFrames, BufferFollowsTheWindowSize)
{
    const SIZE aSizes[] = {{160, 120}, {320, 240}, {256, 192}};  // 4:3, where the sky fills the frame
    DrawFrame(s_hWnd);  // the module's first frame builds its lists
    for (const SIZE& size : aSizes) {
        SetWindowPos(s_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOMOVE);
        DrawFrame(s_hWnd);
        EXPECT_EQ(g_RenderBuffer.nWidth, size.cx);
        EXPECT_EQ(g_RenderBuffer.nHeight, size.cy);
        const PixelCount picture = CountPicture(g_RenderBuffer, size.cx, size.cy);
        EXPECT_EQ(picture.nLit, size.cx * size.cy) << size.cx << "x" << size.cy << ": sky everywhere";
        EXPECT_EQ(BoundFramebuffer(), 0);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

}  // namespace
