// Command-line rules of the screen-saver switches, kept free of Win32 so that
// they build natively and run under the sanitizers and the fuzzer. The Win32
// start-up code calls these with CharNextA as the character step.
#pragma once
#include <cstdint>

// Advances to the next character; the Win32 build passes CharNextA so that
// double-byte characters of the program name are stepped over whole.
typedef const char* (*CharStepFn)(const char* psz);

// Steps by one byte (the single-byte code pages, and the native tests).
const char* StepOneByte(const char* psz);

// Returns the first byte after the program name and the blanks behind it.
const char* SkipProgramName(const char* pszLine, CharStepFn pfnNext);

enum SaverMode {
    MODE_CONFIGURE,        // settings dialog without an owner (empty line)
    MODE_CONFIGURE_OWNED,  // settings dialog owned by the foreground window
    MODE_SAVER,            // full-screen saver
    MODE_PREVIEW,          // preview in the window whose handle follows
    MODE_CHANGE_PASSWORD,  // Windows 95/98/Me password change
    MODE_INVALID           // unrecognised switch: exit code -1
};

struct ModeChoice {
    SaverMode mode;
    const char* pszArgument;  // preview and password: the text after the letter and its spaces
};

// Decides the mode from the text after the program name. Only the first
// byte that is not " ", "-" or "/" counts.
ModeChoice ChooseMode(const char* pszSwitches, bool bWin9x);

// Unsigned decimal digits from the start of the text, wrapping in 32 bits;
// stops at the first other byte; no digits give 0.
uint32_t ParseWindowHandleValue(const char* pszText);
