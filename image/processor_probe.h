// The processor probe behind the JPEG decoder's fast paths. Portable: it uses
// the compiler's CPUID intrinsic where the processor is of the x86 family and
// reports no features elsewhere.
#pragma once

struct ProcessorFeatures {
    bool bProbed;  // the CPUID instruction was available and answered
    bool bMmx;     // CPUID leaf 1, EDX bit 23
};

ProcessorFeatures ProbeProcessorFeatures();
