// A real OpenGL context for tests: a top-level window of its own with a
// double-buffered RGBA pixel format and a 24-bit depth buffer (precise enough
// to turn feedback positions back into scene coordinates), current on the
// calling thread. Also the feedback capture that reads back what a draw call
// emitted, and the scene state a test starts from.
#pragma once
#include <windows.h>
#include <GL/gl.h>

#include <cstdint>
#include <functional>
#include <vector>

// A WS_POPUP window of a class with its own device context, at (0, 0); the
// render context tests put the product's context on it.
HWND CreateGlTestWindow(int nWidth, int nHeight, bool bVisible);

class GlTestContext {
public:
    GlTestContext(int nWidth = 320, int nHeight = 240, bool bVisible = false);
    ~GlTestContext();
    GlTestContext(const GlTestContext&) = delete;
    GlTestContext& operator=(const GlTestContext&) = delete;

    bool IsCurrent() const { return m_hRC != nullptr; }
    HWND Window() const { return m_hWnd; }
    HDC DeviceContext() const { return m_hDC; }

private:
    HWND m_hWnd = nullptr;
    HDC m_hDC = nullptr;
    HGLRC m_hRC = nullptr;
};

// One context for a whole test suite, with the product's projection set for
// its size (scene state not yet initialised).
bool OpenGlTestWindow(int nWidth, int nHeight);  // context current on success
void CloseGlTestWindow();

// The context of a scene test program, as the product has one per process:
// the first call opens it with the product's projection and scene state
// (textures, light, quadric); later calls find it open, so the display lists
// and textures the modules make once stay valid for every test suite.
bool OpenSceneTestWindow(int nWidth, int nHeight);

// One vertex of a feedback primitive: window coordinates, and colour and
// texture coordinates where the feedback type carries them.
struct FeedbackVertex {
    float x, y, z;
    float r, g, b, a;
    float s, t;
};
struct FeedbackPrimitive {
    GLenum token;  // GL_POLYGON_TOKEN, GL_POINT_TOKEN, GL_LINE_TOKEN ...
    std::vector<FeedbackVertex> vertices;
};

// Runs the draw function in feedback mode of the given type (GL_3D,
// GL_3D_COLOR or GL_3D_COLOR_TEXTURE) and returns the primitives it emitted.
std::vector<FeedbackPrimitive> CaptureFeedback(GLenum nType, const std::function<void()>& draw);

typedef std::vector<FeedbackVertex> FeedbackPolygon;
// The polygons of a GL_3D_COLOR capture; empty when anything but polygons came out.
std::vector<FeedbackPolygon> CapturePolygons(void (*pfnDraw)());

// The animation state as the process started (angle, module 1's symbols,
// module 3's leap, the random generator), for a test that must not depend on
// the frames earlier tests drew.
void RestoreFreshAnimation();

