// Fuzz target: arbitrary command-line bytes through the program-name skip,
// the mode choice and the handle parser. Every pointer handed back must stay
// inside the line, and no input may crash or read past its end.
#include "fuzz/fuzz_checks.h"
#include "win32/command_line.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

// A double-byte step like CharNextA's in an East Asian code page: a lead byte
// takes its trail byte with it, but never steps over the terminator.
static const char* StepDoubleByte(const char* p)
{
    if (!*p)
        return p;
    unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 0x81 && c <= 0xFE && p[1])
        return p + 2;
    return p + 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::vector<char> line(pData, pData + nSize);
    line.push_back('\0');
    const char* pBegin = line.data();
    const char* pEnd = pBegin + nSize;  // the first terminator is at or before this
    for (CharStepFn pfnStep : {StepOneByte, StepDoubleByte}) {
        const char* pSwitches = SkipProgramName(pBegin, pfnStep);
        Check(pSwitches >= pBegin && pSwitches <= pEnd);
        for (bool bWin9x : {false, true}) {
            ModeChoice choice = ChooseMode(pSwitches, bWin9x);
            Check(choice.mode >= MODE_CONFIGURE && choice.mode <= MODE_INVALID);
            Check(choice.pszArgument >= pSwitches && choice.pszArgument <= pEnd);
            if (choice.mode == MODE_CHANGE_PASSWORD)
                Check(bWin9x);
            (void)ParseWindowHandleValue(choice.pszArgument);
        }
    }
    return 0;
}
