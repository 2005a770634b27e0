/* The floor of start-up time: the least a WGL program does before its first
   frame is on screen. A full-screen popup, the driver's proposed pixel
   format, a context, one clear and SwapBuffers, then it ends.
   scripts/measure-start.sh times it beside velthra.scr /s. */
#include <windows.h>
#include <GL/gl.h>

static LRESULT CALLBACK EmptyWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrev, LPSTR pszCmd, int nShow)
{
    (void)hPrev; (void)pszCmd; (void)nShow;
    WNDCLASSA wc = {0};
    wc.lpfnWndProc = EmptyWndProc;
    wc.hInstance = hInstance;
    wc.lpszClassName = "EmptyWgl";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(WS_EX_TOPMOST, "EmptyWgl", "Empty", WS_POPUP | WS_VISIBLE, 0, 0,
                                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                NULL, NULL, hInstance, NULL);
    HDC hDC = GetDC(hWnd);
    PIXELFORMATDESCRIPTOR pfd = {0};
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cDepthBits = 24;
    SetPixelFormat(hDC, ChoosePixelFormat(hDC, &pfd), &pfd);
    HGLRC hRC = wglCreateContext(hDC);
    wglMakeCurrent(hDC, hRC);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SwapBuffers(hDC);
    Sleep(200);
    wglMakeCurrent(NULL, NULL);
    wglDeleteContext(hRC);
    ReleaseDC(hWnd, hDC);
    DestroyWindow(hWnd);
    return 0;
}
