/* Stands in for the Windows 95/98/Me password control panel in tests.
   VerifyScreenSavePwd logs each call to calls.log beside this file and answers
   with the first character of answer.txt there ('1' accepts). */
#include <windows.h>
#include <stdio.h>

static char g_szDir[MAX_PATH];

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    (void)pReserved;
    if (dwReason == DLL_PROCESS_ATTACH) {
        DWORD n = GetModuleFileNameA(hInstance, g_szDir, MAX_PATH);
        while (n > 0 && g_szDir[n - 1] != '\\')
            --n;
        g_szDir[n] = '\0';
    }
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND hWnd)
{
    char szPath[MAX_PATH + 16];
    int nAnswer = 0;
    snprintf(szPath, sizeof(szPath), "%sanswer.txt", g_szDir);
    FILE* f = fopen(szPath, "r");
    if (f) {
        nAnswer = fgetc(f) == '1';
        fclose(f);
    }
    snprintf(szPath, sizeof(szPath), "%scalls.log", g_szDir);
    f = fopen(szPath, "a");
    if (f) {
        fprintf(f, "VerifyScreenSavePwd %llu %d\n", (unsigned long long)(UINT_PTR)hWnd, nAnswer);
        fclose(f);
    }
    return nAnswer;
}
