// A real OpenGL context for tests: a top-level window of its own with a
// double-buffered RGBA pixel format and a 24-bit depth buffer (precise enough
// to turn feedback positions back into scene coordinates), current on the
// calling thread.
#pragma once
#include <windows.h>

#include <vector>

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

// One vertex of a feedback polygon in GL_3D_COLOR mode (window coordinates).
struct FeedbackVertex {
    float x, y, z;
    float r, g, b, a;
};
typedef std::vector<FeedbackVertex> FeedbackPolygon;

// One context for a whole test suite, with the product's projection set for
// its size (scene state not yet initialised).
bool OpenGlTestWindow(int nWidth, int nHeight);  // context current on success
void CloseGlTestWindow();

// Runs the draw function in feedback mode and returns the polygons it emitted.
std::vector<FeedbackPolygon> CapturePolygons(void (*pfnDraw)());
