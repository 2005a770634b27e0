// The keys of the Linux program in Windows' terms: the virtual key that an X
// keysym stands for. The keysym is the one for the event's state (NumLock
// applied), so the keypad steers with NumLock on as Windows' numpad keys and
// with it off as the arrows, Page Up/Down and Home, as it does on Windows.
#pragma once

// The Win32 virtual key of a keysym; -1 for keys without a steering function.
int VirtualKeyOfKeysym(unsigned long nKeysym);
// True for the keys that end the program besides Esc (q, also with Shift or Caps Lock).
bool IsQuitKeysym(unsigned long nKeysym);
