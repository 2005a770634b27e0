// The frame step that both hosts share, free of any window system: cycling
// the modules when the cycle time is up, drawing the current module, and the
// steering keys' effect on the live view. The host owns the clock (a 32-bit
// millisecond value), the pacing, the buffer swap and the window.
#pragma once
#include <cstdint>

#include "render/keys.h"

// Moves to the next active module when the cycle time has run out since
// dwLastSwitchTick. True when the module changed: the host then records the
// time of the change.
bool ChangeModuleWhenDue(uint32_t dwLastSwitchTick, uint32_t dwNow);

// The viewport and the perspective for a window of that size (a height of 0
// counts as 1); the modelview matrix is left as the identity.
void SetProjection(int nWidth, int nHeight);

struct OffscreenBuffer;

// Draws the current module into what is bound, true when OpenGL reported no error.
bool DrawCurrentModule();

// One frame of the window whose context is current, ready for its swap: the
// current module through the window's offscreen buffer where that works
// (render/offscreen.h), else directly; then the frame dump of VELTHRA_FRAMES
// and VELTHRA_PICTURE. True when the frame is fit to be shown.
bool DrawWindowFrame(OffscreenBuffer& buffer);

// Applies a key (a Win32 virtual-key code, -1 for none) to the live view: the
// steering, the module change of Enter and Backspace and Home's default view.
// Returns what the key asks for; the host still resets its switch tick on a
// module change and carries out quit, menu and "Params".
KeyCommand ApplyKeyToView(int nVirtualKey);

// Module 3 runs at half its pace in the settings dialog's preview; every host
// says whether it runs as a saver.
bool IsRunningAsSaver();
