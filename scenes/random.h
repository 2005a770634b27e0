// The modules' pseudo-random numbers: the runtime library's rand/srand
// interface with exactly the 15-bit range 0 ... 32767 on every build.
#pragma once
#include <cstdint>

const int kRandomMax = 32767;

void SeedRandom(uint32_t nSeed);  // srand
int NextRandom();                 // rand: 0 ... 32767
float NextRandomUnit();           // r = (g - 16384) / 16384, in [-1, 1)
uint32_t GetRandomState();        // what SeedRandom takes to continue the same sequence
// The seed of a run: the calendar time in seconds. A test sets VELTHRA_SEED
// so that the Windows and the Linux program draw the same sequence.
uint32_t ReadRandomSeed();
