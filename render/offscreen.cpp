// Offscreen framebuffers resolved into the window (see offscreen.h). The
// names are looked up once per context; every failure while a buffer is made
// or resolved is caught by the framebuffer status and glGetError, and that
// window is then drawn directly at that size.
#include "render/offscreen.h"

#include <cstdio>
#include <cstdlib>

#include "scenes/gl_quality.h"
#include "scenes/opengl.h"

// The framebuffer functions' calling convention on 32-bit Windows.
#if defined(_WIN32) && !defined(_WIN64)
#define VELTHRA_GLAPI __stdcall
#else
#define VELTHRA_GLAPI
#endif

// Values shared by GL 3.0, ARB_framebuffer_object and the EXT extensions.
const GLenum kGlFramebuffer = 0x8D40;
const GLenum kGlRenderbuffer = 0x8D41;
const GLenum kGlReadFramebuffer = 0x8CA8;
const GLenum kGlDrawFramebuffer = 0x8CA9;
const GLenum kGlColorAttachment0 = 0x8CE0;
const GLenum kGlDepthAttachment = 0x8D00;
const GLenum kGlFramebufferComplete = 0x8CD5;
const GLenum kGlMaxSamples = 0x8D57;
const GLenum kGlDepthComponent24 = 0x81A6;
const GLenum kGlRgba8 = 0x8058;

struct FramebufferFunctions {
    void(VELTHRA_GLAPI* GenFramebuffers)(GLsizei, GLuint*);
    void(VELTHRA_GLAPI* DeleteFramebuffers)(GLsizei, const GLuint*);
    void(VELTHRA_GLAPI* BindFramebuffer)(GLenum, GLuint);
    GLenum(VELTHRA_GLAPI* CheckFramebufferStatus)(GLenum);
    void(VELTHRA_GLAPI* FramebufferRenderbuffer)(GLenum, GLenum, GLenum, GLuint);
    void(VELTHRA_GLAPI* GenRenderbuffers)(GLsizei, GLuint*);
    void(VELTHRA_GLAPI* DeleteRenderbuffers)(GLsizei, const GLuint*);
    void(VELTHRA_GLAPI* BindRenderbuffer)(GLenum, GLuint);
    void(VELTHRA_GLAPI* RenderbufferStorage)(GLenum, GLenum, GLsizei, GLsizei);
    void(VELTHRA_GLAPI* RenderbufferStorageMultisample)(GLenum, GLsizei, GLenum, GLsizei, GLsizei);
    void(VELTHRA_GLAPI* BlitFramebuffer)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield,
                                         GLenum);
};

static FramebufferFunctions g_fb;
static bool g_bOffscreen = false;  // frames go through a buffer
static int g_nSamples = 0;
static bool g_bPicture = false;  // the frame dump reads a single-sample picture
static unsigned g_nGeneration = 0;

// Every name with the suffix; false when one is missing.
static bool LookUpFramebufferFunctions(GlProcLookup pfnLookup, const char* pszSuffix)
{
    struct Slot {
        const char* pszName;
        GlProc* ppfn;
    };
    const Slot aSlots[] = {
        {"glGenFramebuffers", reinterpret_cast<GlProc*>(&g_fb.GenFramebuffers)},
        {"glDeleteFramebuffers", reinterpret_cast<GlProc*>(&g_fb.DeleteFramebuffers)},
        {"glBindFramebuffer", reinterpret_cast<GlProc*>(&g_fb.BindFramebuffer)},
        {"glCheckFramebufferStatus", reinterpret_cast<GlProc*>(&g_fb.CheckFramebufferStatus)},
        {"glFramebufferRenderbuffer", reinterpret_cast<GlProc*>(&g_fb.FramebufferRenderbuffer)},
        {"glGenRenderbuffers", reinterpret_cast<GlProc*>(&g_fb.GenRenderbuffers)},
        {"glDeleteRenderbuffers", reinterpret_cast<GlProc*>(&g_fb.DeleteRenderbuffers)},
        {"glBindRenderbuffer", reinterpret_cast<GlProc*>(&g_fb.BindRenderbuffer)},
        {"glRenderbufferStorage", reinterpret_cast<GlProc*>(&g_fb.RenderbufferStorage)},
        {"glRenderbufferStorageMultisample", reinterpret_cast<GlProc*>(&g_fb.RenderbufferStorageMultisample)},
        {"glBlitFramebuffer", reinterpret_cast<GlProc*>(&g_fb.BlitFramebuffer)},
    };
    for (const Slot& slot : aSlots) {
        char szName[64];
        std::snprintf(szName, sizeof(szName), "%s%s", slot.pszName, pszSuffix);
        *slot.ppfn = pfnLookup(szName);
        if (*slot.ppfn == nullptr)
            return false;
    }
    return true;
}

// GL 3.0 or ARB_framebuffer_object without a suffix, else the three EXT
// extensions; a lookup that answers any name (GLX does) is not trusted alone.
static bool FindFramebufferFunctions(GlProcLookup pfnLookup)
{
    const char* pszVersion = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* pszExtensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const bool bCore = (pszVersion && std::atoi(pszVersion) >= 3) ||
                       HasGlExtension(pszExtensions, "GL_ARB_framebuffer_object");
    if (bCore && LookUpFramebufferFunctions(pfnLookup, ""))
        return true;
    const bool bExt = HasGlExtension(pszExtensions, "GL_EXT_framebuffer_object") &&
                      HasGlExtension(pszExtensions, "GL_EXT_framebuffer_blit") &&
                      HasGlExtension(pszExtensions, "GL_EXT_framebuffer_multisample");
    return bExt && LookUpFramebufferFunctions(pfnLookup, "EXT");
}

static void DrainGlErrors()
{
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

void StartOffscreenDrawing(GlProcLookup pfnLookup)
{
    ++g_nGeneration;
    g_bOffscreen = false;
    g_nSamples = 0;
    const int nSetting = ParseSampleSetting(std::getenv("VELTHRA_SAMPLES"));
    const char* pszPicture = std::getenv("VELTHRA_PICTURE");
    g_bPicture = pszPicture && *pszPicture;
    // No samples wanted and no picture to take: the direct path, no lookups.
    if (nSetting == 0 && !g_bPicture)
        return;
    if (pfnLookup == nullptr || !FindFramebufferFunctions(pfnLookup))
        return;
    GLint nMaxSamples = 0;
    glGetIntegerv(kGlMaxSamples, &nMaxSamples);
    DrainGlErrors();
    g_nSamples = ChooseSampleCount(nSetting, reinterpret_cast<const char*>(glGetString(GL_RENDERER)), nMaxSamples);
    g_bOffscreen = g_nSamples > 0 || g_bPicture;
}

void StopOffscreenDrawing()
{
    ++g_nGeneration;
    g_bOffscreen = false;
}

int GetOffscreenSamples()
{
    return g_bOffscreen ? g_nSamples : 0;
}

bool IsOffscreenDrawing()
{
    return g_bOffscreen;
}

void ReleaseOffscreenBuffer(OffscreenBuffer& buffer)
{
    if (buffer.nGeneration == g_nGeneration && g_bOffscreen) {
        g_fb.BindFramebuffer(kGlFramebuffer, 0);
        const GLuint anFramebuffers[] = {buffer.nFramebuffer, buffer.nPictureFramebuffer};
        const GLuint anRenderbuffers[] = {buffer.nColor, buffer.nDepth, buffer.nPictureColor};
        g_fb.DeleteFramebuffers(2, anFramebuffers);
        g_fb.DeleteRenderbuffers(3, anRenderbuffers);
    }
    const int nFailedWidth = buffer.nFailedWidth, nFailedHeight = buffer.nFailedHeight;
    buffer = OffscreenBuffer{};
    buffer.nGeneration = g_nGeneration;
    buffer.nFailedWidth = nFailedWidth;
    buffer.nFailedHeight = nFailedHeight;
}

static GLuint MakeRenderbuffer(int nSamples, GLenum nFormat, int nWidth, int nHeight)
{
    GLuint nName = 0;
    g_fb.GenRenderbuffers(1, &nName);
    g_fb.BindRenderbuffer(kGlRenderbuffer, nName);
    if (nSamples > 0)
        g_fb.RenderbufferStorageMultisample(kGlRenderbuffer, nSamples, nFormat, nWidth, nHeight);
    else
        g_fb.RenderbufferStorage(kGlRenderbuffer, nFormat, nWidth, nHeight);
    g_fb.BindRenderbuffer(kGlRenderbuffer, 0);
    return nName;
}

static GLuint MakeFramebuffer(GLuint nColor, GLuint nDepth)
{
    GLuint nName = 0;
    g_fb.GenFramebuffers(1, &nName);
    g_fb.BindFramebuffer(kGlFramebuffer, nName);
    g_fb.FramebufferRenderbuffer(kGlFramebuffer, kGlColorAttachment0, kGlRenderbuffer, nColor);
    if (nDepth)
        g_fb.FramebufferRenderbuffer(kGlFramebuffer, kGlDepthAttachment, kGlRenderbuffer, nDepth);
    return nName;
}

static bool IsComplete(GLuint nFramebuffer)
{
    g_fb.BindFramebuffer(kGlFramebuffer, nFramebuffer);
    return g_fb.CheckFramebufferStatus(kGlFramebuffer) == kGlFramebufferComplete;
}

// The drawing buffer with a 24-bit depth buffer, and with samples a
// single-sample picture beside it when the frame dump wants one.
static bool MakeBufferStorage(OffscreenBuffer& buffer, int nWidth, int nHeight)
{
    ReleaseOffscreenBuffer(buffer);
    DrainGlErrors();
    buffer.nWidth = nWidth;
    buffer.nHeight = nHeight;
    buffer.nColor = MakeRenderbuffer(g_nSamples, kGlRgba8, nWidth, nHeight);
    buffer.nDepth = MakeRenderbuffer(g_nSamples, kGlDepthComponent24, nWidth, nHeight);
    buffer.nFramebuffer = MakeFramebuffer(buffer.nColor, buffer.nDepth);
    bool bMade = IsComplete(buffer.nFramebuffer);
    if (bMade && g_nSamples > 0 && g_bPicture) {
        buffer.nPictureColor = MakeRenderbuffer(0, kGlRgba8, nWidth, nHeight);
        buffer.nPictureFramebuffer = MakeFramebuffer(buffer.nPictureColor, 0);
        bMade = IsComplete(buffer.nPictureFramebuffer);
    }
    g_fb.BindFramebuffer(kGlFramebuffer, 0);
    return glGetError() == GL_NO_ERROR && bMade;
}

static void FailAtSize(OffscreenBuffer& buffer, int nWidth, int nHeight)
{
    ReleaseOffscreenBuffer(buffer);
    DrainGlErrors();
    buffer.nFailedWidth = nWidth;
    buffer.nFailedHeight = nHeight;
}

bool BeginOffscreenFrame(OffscreenBuffer& buffer)
{
    if (!g_bOffscreen)
        return false;
    if (buffer.nGeneration != g_nGeneration) {
        buffer = OffscreenBuffer{};  // its names died with an earlier context
        buffer.nGeneration = g_nGeneration;
    }
    GLint anViewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, anViewport);
    const int nWidth = anViewport[2], nHeight = anViewport[3];
    if (nWidth <= 0 || nHeight <= 0 || (nWidth == buffer.nFailedWidth && nHeight == buffer.nFailedHeight))
        return false;
    if ((nWidth != buffer.nWidth || nHeight != buffer.nHeight) && !MakeBufferStorage(buffer, nWidth, nHeight)) {
        FailAtSize(buffer, nWidth, nHeight);
        return false;
    }
    g_fb.BindFramebuffer(kGlFramebuffer, buffer.nFramebuffer);
    return true;
}

static void Blit(GLuint nFrom, GLuint nTo, int nWidth, int nHeight)
{
    g_fb.BindFramebuffer(kGlReadFramebuffer, nFrom);
    g_fb.BindFramebuffer(kGlDrawFramebuffer, nTo);
    g_fb.BlitFramebuffer(0, 0, nWidth, nHeight, 0, 0, nWidth, nHeight, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

bool EndOffscreenFrame(OffscreenBuffer& buffer)
{
    if (buffer.nGeneration != g_nGeneration || buffer.nFramebuffer == 0)
        return false;
    DrainGlErrors();  // the frame's own errors were the scene's to report
    GLuint nShown = buffer.nFramebuffer;
    if (buffer.nPictureFramebuffer) {
        Blit(buffer.nFramebuffer, buffer.nPictureFramebuffer, buffer.nWidth, buffer.nHeight);
        nShown = buffer.nPictureFramebuffer;
    }
    Blit(nShown, 0, buffer.nWidth, buffer.nHeight);
    g_fb.BindFramebuffer(kGlFramebuffer, 0);
    if (glGetError() == GL_NO_ERROR)
        return true;
    FailAtSize(buffer, buffer.nWidth, buffer.nHeight);
    return false;
}

bool BindOffscreenPicture(const OffscreenBuffer& buffer)
{
    if (!g_bOffscreen || buffer.nGeneration != g_nGeneration || buffer.nFramebuffer == 0)
        return false;
    if (buffer.nPictureFramebuffer == 0 && g_nSamples > 0)
        return false;  // a multisampled buffer cannot be read
    const GLuint nPicture = buffer.nPictureFramebuffer ? buffer.nPictureFramebuffer : buffer.nFramebuffer;
    g_fb.BindFramebuffer(kGlReadFramebuffer, nPicture);
    glReadBuffer(kGlColorAttachment0);
    return true;
}
