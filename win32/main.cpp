// Process entry of velthra.scr. The command line is read with GetCommandLineA
// by the host itself, so WinMain's own arguments are not used.
#include "win32/host.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ExitProcess(static_cast<UINT>(RunVelthra()));
}
