// Start-up and mode dispatch: reads the command line, runs exactly one mode
// (saver, preview, configure, change password) and returns its exit code.
// The byte rules live in command_line.cpp; this file binds them to Win32.
#include "win32/host.h"
#include "win32/command_line.h"
#include "resources/resource.h"
#include "win32/dialogs.h"

#include <commctrl.h>

HINSTANCE g_hModuleInstance = nullptr;
bool g_bWin9x = false;

bool DetectWin9x()
{
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = 148;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info))
        return false;
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

HWND ParseWindowHandle(const char* pszText)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(ParseWindowHandleValue(pszText)));
}

int RunPreview(const char* pszText)
{
    HWND hParent = ParseWindowHandle(pszText);
    if (!hParent || !IsWindow(hParent))
        return -1;
    return RunSaverWindow(hParent);
}

int RunConfigure(HWND hOwner)
{
    // The settings dialog's template holds an up-down control.
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    return static_cast<int>(DialogBoxParamA(g_hModuleInstance, MAKEINTRESOURCEA(IDD_SETTINGS),
                                            hOwner, SettingsDialogProc, 0));
}

typedef DWORD(WINAPI* PwdChangePasswordFn)(LPCSTR, HWND, DWORD, DWORD);

int ChangePassword(const char* pszText)
{
    HWND hParent = ParseWindowHandle(pszText);
    if (!hParent || !IsWindow(hParent))
        hParent = GetForegroundWindow();
    HMODULE hMpr = LoadLibraryA("MPR.DLL");
    if (hMpr) {
        auto pfnChange = LoadProc<PwdChangePasswordFn>(hMpr, "PwdChangePasswordA");
        if (pfnChange)
            pfnChange("SCRSAVE", hParent, 0, 0);
        FreeLibrary(hMpr);
    }
    return 0;
}

static const char* StepCharacter(const char* psz)
{
    return CharNextA(psz);
}

int DispatchCommandLine(const char* pszCommandLine)
{
    const char* pszSwitches = SkipProgramName(pszCommandLine, StepCharacter);
    ModeChoice choice = ChooseMode(pszSwitches, g_bWin9x);
    switch (choice.mode) {
    case MODE_CONFIGURE:
        return RunConfigure(nullptr);
    case MODE_CONFIGURE_OWNED:
        return RunConfigure(GetForegroundWindow());
    case MODE_SAVER:
        return RunSaverWindow(nullptr);
    case MODE_PREVIEW:
        return RunPreview(choice.pszArgument);
    case MODE_CHANGE_PASSWORD:
        return ChangePassword(choice.pszArgument);
    case MODE_INVALID:
        break;
    }
    return -1;
}

// The guard around every mode. mingw has no __try/__except, so the guard is the
// process's top-level exception filter. The system's UnhandledExceptionFilter
// calls the top-level filter itself, hence the flag that lets the nested call
// fall through to the system's own decision.
// Every increment is paired with a decrement, so each later exception reaches
// the system's filter again.
LONG WINAPI GuardExceptionFilter(EXCEPTION_POINTERS* pInfo)
{
    static volatile LONG s_nDepth = 0;
    if (InterlockedIncrement(&s_nDepth) > 1) {
        InterlockedDecrement(&s_nDepth);
        return EXCEPTION_CONTINUE_SEARCH;
    }
    LONG nDecision = UnhandledExceptionFilter(pInfo);
    if (nDecision == EXCEPTION_EXECUTE_HANDLER) {
        SetSaverRunning(false);
        ExitProcess(static_cast<UINT>(-1));
    }
    InterlockedDecrement(&s_nDepth);
    return nDecision;
}

int RunVelthra()
{
    g_hModuleInstance = GetModuleHandleA(nullptr);
    g_bWin9x = DetectWin9x();
    SetUnhandledExceptionFilter(GuardExceptionFilter);
    try {
        return DispatchCommandLine(GetCommandLineA());
    } catch (...) {
        // A C++ exception (such as a failed allocation) ends the mode like a fault.
        SetSaverRunning(false);
        return -1;
    }
}
