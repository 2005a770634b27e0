// The sample count of the offscreen buffer (see sample_choice.h).
#include "render/sample_choice.h"

#include <cstring>

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

int ChooseSampleCount(int nSetting, const char* pszRenderer, int nMaxSamples)
{
    int nSamples = nSetting;
    if (nSetting == kSamplesAutomatic)
        nSamples = IsSoftwareRenderer(pszRenderer) ? 0 : kHardwareSamples;
    if (nSamples > nMaxSamples)
        nSamples = nMaxSamples;
    return nSamples >= 2 ? nSamples : 0;
}
