// The render runtime: the OpenGL context on the render window, the saver
// state with the self-posted frame message, and the key handler. The saver
// window and the settings dialog share all of it.
#pragma once
#include <windows.h>

#include "render/offscreen.h"

// Posted by a frame handler to itself after every frame (wParam and lParam -1).
const UINT WM_RENDER_FRAME = 0x1D03;

// Process-wide run flags and ticks; never reset during a process, which runs
// one saver window or one settings dialog.
struct SaverState {
    bool bRunningAsSaver;   // saver or preview window, not the settings dialog
    bool bCoversDesktop;    // the render window is as wide as the desktop
    bool bQuitRequested;    // no further frames are drawn
    bool bClosing;          // the close handling has run
    bool bInFrame;          // a frame handler is running (re-entrancy guard)
    bool bFramePending;     // the runtime has posted a frame message not yet taken
    DWORD dwLastFrameTick;  // millisecond clock at the last pacing point
    DWORD dwLastSwitchTick; // GetTickCount at the last module change
};
extern SaverState g_SaverState;

// The frame message the runtime posts itself, and the one check that lets a
// frame message through: the runtime posted it and its context exists.
void PostRenderFrame(HWND hWnd);
bool TakeRenderFrame(WPARAM wParam, LPARAM lParam);
// The full-screen saver's pause while the display is off or the session is
// locked or disconnected: StartPauseWatch registers for the notifications,
// OnPauseMessage takes them (and keys and WM_DESTROY), and a frame that finds
// drawing paused calls StopFramesWhileAway, which stops the chain (true).
void StartPauseWatch(HWND hWnd);
void OnPauseMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
bool StopFramesWhileAway();

// The saver window's middle layer; ends every message in HostDefaultProc.
LRESULT RenderRuntimeProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
// One frame: module change, pacing, the current module, SwapBuffers.
void DrawFrame(HWND hWnd);
// Pacing on the display's rhythm (frame_pacing.cpp). StartFramePacing runs
// with the context current on its window; PaceFrame waits until the next
// pacing point. UpdateFrameRhythm takes the window's monitor refresh rate
// again; SetFrameSwapInterval(false) lets a swap on another window (a
// monitor cover) go without waiting for the display.
void StartFramePacing(HWND hWnd);
void StopFramePacing();
// While paused nothing is drawn: the system's timer period is given back.
void HoldFramePacing(bool bPaused);
void UpdateFrameRhythm(HWND hWnd);
void SetFrameSwapInterval(bool bWaitForDisplay);
void PaceFrame();
// Draws the current module, true when OpenGL reported no error.
bool DrawCurrentModule();
// With "all monitors" on, the current frame on every monitor cover; leaves
// the context current on the render window with its own projection.
void DrawOnMonitorCovers(HWND hWnd);
void ForgetFailedCovers();  // the covers were made anew: their failures and buffers go
OffscreenBuffer& FindCoverBuffer(HWND hCover);  // a cover's own, made empty on first use
// A WM_KEYDOWN or WM_KEYUP taken out of the queue by a frame handler.
LRESULT HandleKey(HWND hWnd, UINT uKind, WPARAM wKey);

// The one OpenGL context of the process.
extern HDC g_hRenderDC;     // device context of the render window, null when none
extern HWND g_hRenderWnd;   // the window it was obtained from
extern HGLRC g_hRenderRC;   // WGL rendering context, null when none
extern OffscreenBuffer g_RenderBuffer;  // the render window's frames go through it

bool CreateRenderContext(HWND hWnd, int nColorBits);
// Makes the context current on another window's DC of the same pixel format
// (a monitor cover); g_hRenderDC is made current again by the caller.
bool UseRenderContextOn(HDC hDC);
void DestroyRenderContext();  // safe to call again; reports only real failures
void SetProjection(int nWidth, int nHeight);
// The projection of the render window, set again when its client size changed.
void FitProjectionToWindow();
int SelectPixelFormat(HDC hDC, int nColorBits);  // 0 on failure
// wglGetProcAddress, with the small non-null answers of some drivers for a
// function they lack taken as null.
GlProc LookUpWglProc(const char* pszName);
unsigned ScorePixelFormat(const PIXELFORMATDESCRIPTOR& pfd, int nColorBits);
