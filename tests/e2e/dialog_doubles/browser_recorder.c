/* Stands in for a web browser or mail program: appends its own command line
   and, on the next line, the show command it was given ("show 9", or
   "show none" without STARTF_USESHOWWINDOW) to the file named by
   VELTHRA_RECORD (or "recorded.txt" beside it) and ends, so a test can see
   how it was started. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrev, LPSTR pszCmdLine, int nShow)
{
    char szPath[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, szPath, MAX_PATH);
    char* pszSlash;
    HANDLE hFile;
    DWORD cbWritten;
    const char* pszLine = GetCommandLineA();
    STARTUPINFOA si;
    char szShow[32];
    (void)hInstance; (void)hPrev; (void)pszCmdLine; (void)nShow;
    szPath[n < MAX_PATH ? n : MAX_PATH - 1] = '\0';
    pszSlash = strrchr(szPath, '\\');
    if (GetEnvironmentVariableA("VELTHRA_RECORD", szPath, MAX_PATH) - 1u < MAX_PATH - 1u)
        pszSlash = NULL;
    else if (!pszSlash || (size_t)(pszSlash - szPath) + sizeof("\\recorded.txt") > MAX_PATH)
        return 1;
    else
        strcpy(pszSlash, "\\recorded.txt");
    hFile = CreateFileA(szPath, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return 1;
    WriteFile(hFile, pszLine, (DWORD)strlen(pszLine), &cbWritten, NULL);
    GetStartupInfoA(&si);
    if (si.dwFlags & STARTF_USESHOWWINDOW)
        snprintf(szShow, sizeof(szShow), "\nshow %u\n", (unsigned)si.wShowWindow);
    else
        strcpy(szShow, "\nshow none\n");
    WriteFile(hFile, szShow, (DWORD)strlen(szShow), &cbWritten, NULL);
    CloseHandle(hFile);
    return 0;
}
