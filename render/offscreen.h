// Offscreen drawing for every window the programs draw into: the frame goes
// into a framebuffer object (multisampled where samples are chosen) and is
// resolved into the window's back buffer before the swap, so the picture
// does not depend on the window's pixel format or visual, which another
// program may have chosen. Framebuffer objects are looked up at run time (GL
// 3.0 or ARB_framebuffer_object, else the EXT extensions); where they are
// missing, or a buffer cannot be made or used, that window is drawn into
// directly, as without this file.
#pragma once

// A function of the OpenGL implementation, from the host's lookup
// (wglGetProcAddress, glXGetProcAddress); null when it is not offered.
typedef void (*GlProc)();
typedef GlProc (*GlProcLookup)(const char* pszName);

// One window's buffer. Zero-initialised it holds nothing; it follows the
// viewport's size, which the host sets to the window's.
struct OffscreenBuffer {
    unsigned nGeneration;  // the StartOffscreenDrawing its names belong to
    int nWidth, nHeight;   // size of the storage, 0 when there is none
    unsigned nFramebuffer, nColor, nDepth;    // drawn into
    unsigned nPictureFramebuffer, nPictureColor;  // single-sample resolve for the frame dump
    int nFailedWidth, nFailedHeight;  // a size that could not be used: drawn directly
};

// With the context current, once per context: looks up the functions and
// chooses the sample count (VELTHRA_SAMPLES, the renderer, GL_MAX_SAMPLES).
// Buffers of an earlier context are forgotten, not deleted.
void StartOffscreenDrawing(GlProcLookup pfnLookup);
// The context is about to go: every buffer is forgotten.
void StopOffscreenDrawing();

// The chosen sample count (0: none) and whether frames go offscreen at all:
// with samples, or single-sampled when the frame dump asks for the picture.
int GetOffscreenSamples();
bool IsOffscreenDrawing();

// Before a window's frame: binds its buffer, made or remade at the viewport's
// size. False when the frame is to be drawn straight into the window.
bool BeginOffscreenFrame(OffscreenBuffer& buffer);
// After the frame: resolves it into the window's back buffer and binds the
// window again. False (and the window is drawn directly from now on at this
// size) when the resolve failed.
bool EndOffscreenFrame(OffscreenBuffer& buffer);
// The resolved single-sample picture bound for reading (the frame dump);
// false when the buffer is not in use.
bool BindOffscreenPicture(const OffscreenBuffer& buffer);
// Deletes the buffer's objects (the context current), e.g. for a window that goes.
void ReleaseOffscreenBuffer(OffscreenBuffer& buffer);
