// The picture-quality choices (see gl_quality.h).
#include "scenes/gl_quality.h"

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

bool IsSoftwareRenderer(const char* pszRenderer)
{
    if (pszRenderer == nullptr)
        return true;  // nothing known: do not risk the frame rate
    static const char* const kSoftware[] = {"llvmpipe", "softpipe", "swrast", "GDI Generic",
                                            "Microsoft Basic Render Driver"};
    for (const char* pszName : kSoftware) {
        if (std::strstr(pszRenderer, pszName))
            return true;
    }
    return false;
}

int ParseSampleSetting(const char* pszValue)
{
    if (pszValue == nullptr || *pszValue == '\0')
        return kSamplesAutomatic;
    int nValue = 0;
    for (const char* p = pszValue; *p; ++p) {
        if (*p < '0' || *p > '9')
            return kSamplesAutomatic;
        // Any count beyond 1000 is clamped to the implementation's limit anyway.
        nValue = nValue * 10 + (*p - '0');
        if (nValue > 1000)
            nValue = 1000;
    }
    return nValue;
}

int ChooseSampleCount(int nSetting, const char* pszRenderer, int nMaxSamples)
{
    int nSamples = nSetting;
    if (nSetting == kSamplesAutomatic)
        nSamples = IsSoftwareRenderer(pszRenderer) ? 0 : kHardwareSamples;
    if (nSamples > nMaxSamples)
        nSamples = nMaxSamples;
    return nSamples >= 2 ? nSamples : 0;
}

float ChooseAnisotropy(int nSetting, const char* pszRenderer, bool bOffered, float fMost)
{
    if (!bOffered || fMost <= 1.0f || (nSetting <= 0 && IsSoftwareRenderer(pszRenderer)))
        return 1.0f;
    return fMost < kMostAnisotropy ? fMost : kMostAnisotropy;
}
