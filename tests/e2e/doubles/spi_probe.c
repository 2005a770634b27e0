/* Reads (and with an argument first sets) the system's screen-saver-running
   flag in a fresh process and returns it as the exit code. A fresh process is
   needed because each process caches the system parameters it has read. */
#include <windows.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    BOOL bRunning = FALSE;
    UINT uOld = 0;
    if (argc > 1)
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, (UINT)atoi(argv[1]), &uOld, 0);
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &bRunning, 0);
    return bRunning ? 1 : 0;
}
