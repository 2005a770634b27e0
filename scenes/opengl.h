// OpenGL 1.1 and GLU for the scene code. On Windows the GL headers pull in
// <windows.h> unless its calling-convention macros exist; defining them
// here for the duration keeps scene files free of Win32, and undefining them
// afterwards lets a file that also needs Win32 include <windows.h> later.
#pragma once
#if defined(_WIN32) && !defined(APIENTRY) && !defined(WINGDIAPI) && !defined(CALLBACK)
#define APIENTRY __stdcall
#define WINGDIAPI __declspec(dllimport)
#define CALLBACK __stdcall
#include <GL/gl.h>
#include <GL/glu.h>
#undef APIENTRY
#undef WINGDIAPI
#undef CALLBACK
#else
#include <GL/gl.h>
#include <GL/glu.h>
#endif
