// The key table of the Linux program. Only keysym numbers (X11/keysym.h, no
// Xlib), so that it builds and is tested natively.
#include "x11/key_map.h"

#include <X11/keysym.h>

#include "render/keys.h"

static const struct {
    unsigned long nKeysym;
    int nVirtualKey;
} kKeys[] = {
    {XK_BackSpace, kVkBack}, {XK_Return, kVkReturn}, {XK_KP_Enter, kVkReturn}, {XK_Escape, kVkEscape},
    {XK_Prior, kVkPrior},    {XK_Next, kVkNext},     {XK_Home, kVkHome},       {XK_Left, kVkLeft},
    {XK_Up, kVkUp},          {XK_Right, kVkRight},   {XK_Down, kVkDown},
    // The keypad with NumLock off: Windows sends the arrows, Page Up/Down and Home.
    {XK_KP_Prior, kVkPrior}, {XK_KP_Next, kVkNext},  {XK_KP_Home, kVkHome},    {XK_KP_Left, kVkLeft},
    {XK_KP_Up, kVkUp},       {XK_KP_Right, kVkRight}, {XK_KP_Down, kVkDown},
    // ... and with NumLock on its numpad keys.
    {XK_KP_2, kVkNumpad2},   {XK_KP_3, kVkNumpad3},  {XK_KP_4, kVkNumpad4},    {XK_KP_6, kVkNumpad6},
    {XK_KP_8, kVkNumpad8},   {XK_KP_9, kVkNumpad9},
    {XK_F1, kVkF1},          {XK_F2, kVkF2},         {XK_F3, kVkF3},           {XK_F4, kVkF4},
    {XK_F5, kVkF5},          {XK_F6, kVkF6},         {XK_F7, kVkF7},           {XK_F8, kVkF8},
    {XK_F9, kVkF9},          {XK_F11, kVkF11},
};

int VirtualKeyOfKeysym(unsigned long nKeysym)
{
    for (const auto& entry : kKeys) {
        if (entry.nKeysym == nKeysym)
            return entry.nVirtualKey;
    }
    return -1;
}

bool IsQuitKeysym(unsigned long nKeysym)
{
    return nKeysym == XK_q || nKeysym == XK_Q;
}
