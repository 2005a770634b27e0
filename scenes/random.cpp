// The generator of the Windows C runtime (the same recurrence as msvcrt's
// rand), implemented here so that native and Windows builds draw the same
// sequence for the same seed.
#include "scenes/random.h"

#include <cstdlib>
#include <ctime>

static uint32_t g_dwRandomState = 1;

void SeedRandom(uint32_t nSeed)
{
    g_dwRandomState = nSeed;
}

int NextRandom()
{
    g_dwRandomState = g_dwRandomState * 214013u + 2531011u;
    return static_cast<int>((g_dwRandomState >> 16) & 0x7FFFu);
}

float NextRandomUnit()
{
    return static_cast<float>(NextRandom() - 16384) / 16384.0f;
}

uint32_t GetRandomState()
{
    return g_dwRandomState;
}

uint32_t ReadRandomSeed()
{
    const char* pszSeed = std::getenv("VELTHRA_SEED");
    if (pszSeed && *pszSeed)
        return static_cast<uint32_t>(std::strtoul(pszSeed, nullptr, 10));
    return static_cast<uint32_t>(std::time(nullptr));
}
