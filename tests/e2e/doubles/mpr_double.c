/* Stands in for MPR.DLL's password-change service in tests: PwdChangePasswordA
   logs its arguments to calls.log beside this file. */
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

__declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR pszRegKey, HWND hParent, DWORD dw1, DWORD dw2)
{
    char szPath[MAX_PATH + 16];
    snprintf(szPath, sizeof(szPath), "%scalls.log", g_szDir);
    FILE* f = fopen(szPath, "a");
    if (f) {
        fprintf(f, "PwdChangePasswordA %s %llu %lu %lu\n", pszRegKey ? pszRegKey : "(null)",
                (unsigned long long)(UINT_PTR)hParent, (unsigned long)dw1, (unsigned long)dw2);
        fclose(f);
    }
    return 0;
}
