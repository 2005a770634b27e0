// CPUID leaf 1, EDX bit 23 (MMX). On 32-bit x86 the compiler's helper first
// checks that CPUID exists (the EFLAGS ID bit), which replaces a structured-
// exception guard around the instruction; x86-64 always has CPUID. Other
// processors report no MMX, so the decoder takes its exact paths there.
#include "image/processor_probe.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

ProcessorFeatures ProbeProcessorFeatures()
{
    ProcessorFeatures features = {false, false};
#if defined(__i386__) || defined(__x86_64__)
    unsigned int a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(0, &a, &b, &c, &d) == 0)
        return features;  // no CPUID instruction
    features.bProbed = true;
    if (a >= 1 && __get_cpuid(1, &a, &b, &c, &d) != 0)
        features.bMmx = (d & (1u << 23)) != 0;
#endif
    return features;
}
