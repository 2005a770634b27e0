// Test OpenGL context, feedback capture and the fresh animation state (see
// gl_test_context.h).
#include "tests/support/gl_test_context.h"

#include "win32/render.h"
#include "scenes/animation_snapshot.h"
#include "scenes/scene_state.h"

HWND CreateGlTestWindow(int nWidth, int nHeight, bool bVisible)
{
    static bool s_bRegistered = false;
    HINSTANCE hInstance = GetModuleHandleA(nullptr);
    if (!s_bRegistered) {
        WNDCLASSA wc = {};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = hInstance;
        wc.lpszClassName = "VelthraGlTest";
        s_bRegistered = RegisterClassA(&wc) != 0;
    }
    DWORD dwStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (bVisible ? WS_VISIBLE : 0);
    return CreateWindowExA(0, "VelthraGlTest", "GL test", dwStyle, 0, 0, nWidth, nHeight, nullptr,
                           nullptr, hInstance, nullptr);
}

GlTestContext::GlTestContext(int nWidth, int nHeight, bool bVisible)
{
    m_hWnd = CreateGlTestWindow(nWidth, nHeight, bVisible);
    if (!m_hWnd)
        return;
    m_hDC = GetDC(m_hWnd);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cDepthBits = 24;
    int nFormat = ChoosePixelFormat(m_hDC, &pfd);
    if (nFormat == 0 || !SetPixelFormat(m_hDC, nFormat, &pfd))
        return;
    HGLRC hRC = wglCreateContext(m_hDC);
    if (hRC && wglMakeCurrent(m_hDC, hRC))
        m_hRC = hRC;
    else if (hRC)
        wglDeleteContext(hRC);
    glViewport(0, 0, nWidth, nHeight);
}

GlTestContext::~GlTestContext()
{
    if (m_hRC) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(m_hRC);
    }
    if (m_hDC)
        ReleaseDC(m_hWnd, m_hDC);
    if (m_hWnd)
        DestroyWindow(m_hWnd);
}

static GlTestContext* g_pSuiteContext = nullptr;

bool OpenGlTestWindow(int nWidth, int nHeight)
{
    CloseGlTestWindow();
    g_pSuiteContext = new GlTestContext(nWidth, nHeight);
    if (!g_pSuiteContext->IsCurrent())
        return false;
    SetProjection(nWidth, nHeight);
    return true;
}

void CloseGlTestWindow()
{
    delete g_pSuiteContext;
    g_pSuiteContext = nullptr;
}

bool OpenSceneTestWindow(int nWidth, int nHeight)
{
    static bool s_bOpen = false;
    if (!s_bOpen)
        s_bOpen = OpenGlTestWindow(nWidth, nHeight) && InitSceneState();
    return s_bOpen;
}

// Values per vertex after the three window coordinates: RGBA colour, then STRQ.
static int ExtraValues(GLenum nType)
{
    return nType == GL_3D_COLOR_TEXTURE ? 8 : nType == GL_3D_COLOR ? 4 : 0;
}

static int TokenVertices(GLint nToken)
{
    if (nToken == GL_POINT_TOKEN || nToken == GL_BITMAP_TOKEN || nToken == GL_DRAW_PIXEL_TOKEN ||
        nToken == GL_COPY_PIXEL_TOKEN)
        return 1;
    if (nToken == GL_LINE_TOKEN || nToken == GL_LINE_RESET_TOKEN)
        return 2;
    return 0;  // polygons carry their count; pass-through markers carry a value
}

std::vector<FeedbackPrimitive> CaptureFeedback(GLenum nType, const std::function<void()>& draw)
{
    static std::vector<GLfloat> buffer(4 * 1024 * 1024);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), nType, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint nValues = glRenderMode(GL_RENDER);
    const int nExtra = ExtraValues(nType);
    std::vector<FeedbackPrimitive> primitives;
    for (GLint k = 0; k < nValues;) {
        const GLint nToken = static_cast<GLint>(buffer[k++]);
        if (nToken == GL_PASS_THROUGH_TOKEN) {
            ++k;
            continue;
        }
        const GLint nCount = nToken == GL_POLYGON_TOKEN ? static_cast<GLint>(buffer[k++]) : TokenVertices(nToken);
        FeedbackPrimitive primitive = {static_cast<GLenum>(nToken), {}};
        for (GLint v = 0; v < nCount; ++v, k += 3 + nExtra) {
            const GLfloat* p = &buffer[k];
            FeedbackVertex vertex = {p[0], p[1], p[2], 0, 0, 0, 0, 0, 0};
            if (nExtra >= 4)
                vertex.r = p[3], vertex.g = p[4], vertex.b = p[5], vertex.a = p[6];
            if (nExtra >= 8)
                vertex.s = p[7], vertex.t = p[8];
            primitive.vertices.push_back(vertex);
        }
        primitives.push_back(primitive);
    }
    return primitives;
}

std::vector<FeedbackPolygon> CapturePolygons(void (*pfnDraw)())
{
    std::vector<FeedbackPolygon> polygons;
    for (const FeedbackPrimitive& primitive : CaptureFeedback(GL_3D_COLOR, pfnDraw)) {
        if (primitive.token != GL_POLYGON_TOKEN)
            return {};  // anything else means the capture is not what the test expects
        polygons.push_back(primitive.vertices);
    }
    return polygons;
}

// Taken during static initialisation, before any test draws a frame; the
// module state it copies is constant-initialised.
static const AnimationSnapshot g_FreshAnimation = [] {
    AnimationSnapshot snapshot;
    SaveAnimation(&snapshot);
    return snapshot;
}();

void RestoreFreshAnimation()
{
    RestoreAnimation(g_FreshAnimation);
}
