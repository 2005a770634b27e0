// The arithmetic of the steering keys, apart from Win32: which key does what
// to the live view, the depth-dependent steps, the speed limits and the text
// of the "Params" box. HandleKey copies the live view in and out and carries
// out the commands that need windows (module change, menu, message box, quit).
#pragma once
#include <cstddef>

// Virtual-key codes of the keys with a function (the values of Win32's VK_ names).
enum VirtualKey : int {
    kVkBack = 8,
    kVkReturn = 13,
    kVkEscape = 27,
    kVkPrior = 33,
    kVkNext = 34,
    kVkHome = 36,
    kVkLeft = 37,
    kVkUp = 38,
    kVkRight = 39,
    kVkDown = 40,
    kVkNumpad2 = 98,
    kVkNumpad3 = 99,
    kVkNumpad4 = 100,
    kVkNumpad6 = 102,
    kVkNumpad8 = 104,
    kVkNumpad9 = 105,
    kVkF1 = 112,
    kVkF2 = 113,
    kVkF3 = 114,
    kVkF4 = 115,
    kVkF5 = 116,
    kVkF6 = 117,
    kVkF7 = 118,
    kVkF8 = 119,
    kVkF9 = 120,
    kVkF11 = 122,
};

// The seven live view values in the order of a module's record.
struct LiveView {
    float fDepth;
    float fHorz;
    float fVert;
    float fXrot;
    float fYrot;
    float fZrot;
    float fSpeed;
};

// What is left to do after SteerView has changed the view.
enum KeyCommand {
    kKeySteered,         // the view changed (or nothing to do)
    kKeyPreviousModule,  // Backspace
    kKeyNextModule,      // Enter
    kKeyQuit,            // Esc: ends the saver and the settings dialog alike
    kKeyRestoreView,     // Home: the module's built-in view
    kKeyControlMenu,     // F1
    kKeyParams,          // F11
    kKeyUnmapped,        // no function: ends the saver, ignored in the settings dialog
};

const float kRotationStep = 1.5f;
const float kSpeedUpperLimit = 10.0f;
const float kSpeedLowerLimit = 0.005f;
const size_t kParamsBufferSize = 512;

float DepthStep(float fDepth);  // 0.3 below a depth of 50, else depth / 50 in whole numbers
float MoveStep(float fDepth);   // 0.1 below a depth of 50, else the same as the depth step
float LimitSpeed(float fSpeed);

// Applies a key's change to the view and says what else the key asks for.
KeyCommand SteerView(int nVirtualKey, LiveView& view);

// The "Params" text: every value with six decimals, one line each.
void FormatParams(char* pszBuffer, size_t cbBuffer, const LiveView& view);
