// Test OpenGL context and feedback capture (see gl_test_context.h).
#include "tests/support/gl_test_context.h"

#include <GL/gl.h>

#include "render/render.h"

static LRESULT CALLBACK GlTestWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

GlTestContext::GlTestContext(int nWidth, int nHeight, bool bVisible)
{
    static bool s_bRegistered = false;
    HINSTANCE hInstance = GetModuleHandleA(nullptr);
    if (!s_bRegistered) {
        WNDCLASSA wc = {};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = GlTestWndProc;
        wc.hInstance = hInstance;
        wc.lpszClassName = "VelthraGlTest";
        s_bRegistered = RegisterClassA(&wc) != 0;
    }
    DWORD dwStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (bVisible ? WS_VISIBLE : 0);
    m_hWnd = CreateWindowExA(0, "VelthraGlTest", "GL test", dwStyle, 0, 0, nWidth, nHeight,
                             nullptr, nullptr, hInstance, nullptr);
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

std::vector<FeedbackPolygon> CapturePolygons(void (*pfnDraw)())
{
    static std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    pfnDraw();
    GLint nValues = glRenderMode(GL_RENDER);
    std::vector<FeedbackPolygon> polygons;
    for (GLint k = 0; k < nValues;) {
        GLint nToken = static_cast<GLint>(buffer[k++]);
        if (nToken != GL_POLYGON_TOKEN) {
            polygons.clear();  // anything else means the capture is not what the test expects
            break;
        }
        GLint nCount = static_cast<GLint>(buffer[k++]);
        FeedbackPolygon polygon;
        for (GLint v = 0; v < nCount; ++v, k += 7) {
            const GLfloat* p = &buffer[k];
            polygon.push_back(FeedbackVertex{p[0], p[1], p[2], p[3], p[4], p[5], p[6]});
        }
        polygons.push_back(polygon);
    }
    return polygons;
}
