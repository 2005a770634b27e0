// Skipping the program name, choosing the mode from the switch letter and
// reading a window handle: the byte rules of the screen-saver command line.
#include "win32/command_line.h"

const char* StepOneByte(const char* psz)
{
    return *psz ? psz + 1 : psz;
}

static unsigned char ByteAt(const char* psz)
{
    return static_cast<unsigned char>(*psz);
}

const char* SkipProgramName(const char* pszLine, CharStepFn pfnNext)
{
    const char* p = pszLine;
    if (*p == '"') {
        // A quoted name may hold spaces; an unclosed quote takes the whole line.
        do {
            p = pfnNext(p);
        } while (*p && *p != '"');
        if (*p == '"')
            p = pfnNext(p);
    } else {
        while (ByteAt(p) > ' ')
            p = pfnNext(p);
    }
    while (*p && ByteAt(p) <= ' ')
        p = pfnNext(p);
    return p;
}

static const char* SkipSpaces(const char* p)
{
    while (*p == ' ')
        ++p;
    return p;
}

ModeChoice ChooseMode(const char* pszSwitches, bool bWin9x)
{
    for (const char* p = pszSwitches;; ++p) {
        switch (*p) {
        case '\0':
            return {MODE_CONFIGURE, p};
        case ' ':
        case '-':
        case '/':
            continue;
        case 's':
        case 'S':
            return {MODE_SAVER, p + 1};
        case 'c':
        case 'C':
            return {MODE_CONFIGURE_OWNED, p + 1};
        case 'p':
        case 'P':
        case 'l':
        case 'L':
            return {MODE_PREVIEW, SkipSpaces(p + 1)};
        case 'a':
        case 'A':
            if (!bWin9x)
                return {MODE_INVALID, p};
            return {MODE_CHANGE_PASSWORD, SkipSpaces(p + 1)};
        default:
            return {MODE_INVALID, p};
        }
    }
}

uint32_t ParseWindowHandleValue(const char* pszText)
{
    uint32_t nValue = 0;
    for (const char* p = pszText; *p >= '0' && *p <= '9'; ++p)
        nValue = nValue * 10u + static_cast<uint32_t>(*p - '0');
    return nValue;
}
