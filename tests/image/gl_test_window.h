// Test support for scene code: a top-level window with an OpenGL context made
// current (projection set, scene state not yet initialised).
#pragma once
#include <windows.h>

bool OpenGlTestWindow(int nWidth, int nHeight);  // context current on success
void CloseGlTestWindow();
HDC GlTestDC();
