// Whole-word lookup in the extension list (see gl_extensions.h).
#include "scenes/gl_extensions.h"

#include <cstring>

bool HasGlExtension(const char* pszExtensions, const char* pszName)
{
    const size_t cchName = pszName ? std::strlen(pszName) : 0;
    if (pszExtensions == nullptr || cchName == 0)
        return false;
    for (const char* p = pszExtensions; (p = std::strstr(p, pszName)) != nullptr; p += cchName) {
        const bool bStarts = p == pszExtensions || p[-1] == ' ';
        const bool bEnds = p[cchName] == '\0' || p[cchName] == ' ';
        if (bStarts && bEnds)
            return true;
    }
    return false;
}
