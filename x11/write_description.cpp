// Build step: writes velthra.xml from the switch table to stdout.
#include <cstdio>

#include "x11/switches.h"

int main()
{
    WriteSettingsDescription(stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
