// A small probe for long runs of the full-screen saver: it reports the
// saver process's objects and delivers display and session notifications to
// the saver window as the system would. Run in the same Wine session.
//   soak_probe pid                      Windows process id of the saver
//   soak_probe stats PID                threads, handles, GDI and USER objects, windows
// Wine answers GetGuiResources with 0 and an error, so the probe also counts
// the GDI objects in the process's GDI handle table (the table the PEB points
// to; 24-byte entries, type byte at offset 14, 0 when free) and the windows
// of the process (top-level and child), the USER objects that the saver makes.
//   soak_probe display PID off|on|dimmed   WM_POWERBROADCAST PBT_POWERSETTINGCHANGE
//   soak_probe session PID lock|unlock     WM_WTSSESSION_CHANGE
// A POWERBROADCAST_SETTING is passed by address, and a window message does not
// carry the block to another process, so the probe writes it into the saver's
// own memory (VirtualAllocEx, WriteProcessMemory) and sends that address, as
// the system's notification hands the window a block in its own process.
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static const GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0,
                                          {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

struct WindowSearch {
    DWORD dwProcessId;
    HWND hFound;
    int nWindows;
};

static BOOL CALLBACK CountChild(HWND, LPARAM lParam)
{
    reinterpret_cast<WindowSearch*>(lParam)->nWindows++;
    return TRUE;
}

static BOOL CALLBACK VisitTopLevel(HWND hWnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<WindowSearch*>(lParam);
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hWnd, &dwPid);
    char szClass[64] = "";
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    if (pSearch->dwProcessId == 0 || dwPid == pSearch->dwProcessId) {
        if (std::strcmp(szClass, "WindowsScreenSaverClass") == 0 && !pSearch->hFound)
            pSearch->hFound = hWnd;
        if (pSearch->dwProcessId != 0) {
            pSearch->nWindows++;
            EnumChildWindows(hWnd, CountChild, lParam);
        }
    }
    return TRUE;
}

static WindowSearch FindSaver(DWORD dwProcessId)
{
    WindowSearch search = {dwProcessId, nullptr, 0};
    EnumWindows(VisitTopLevel, reinterpret_cast<LPARAM>(&search));
    return search;
}

static int CountThreads(DWORD dwProcessId)
{
    HANDLE hSnap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (hSnap == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 te;
    te.dwSize = sizeof(te);
    int nThreads = 0;
    for (BOOL b = Thread32First(hSnap, &te); b; b = Thread32Next(hSnap, &te))
        nThreads += te.th32OwnerProcessID == dwProcessId ? 1 : 0;
    CloseHandle(hSnap);
    return nThreads;
}

// GDI handle table entries in use, or -1 when the table cannot be read.
static int CountGdiTableEntries(HANDLE hProcess)
{
    const size_t kEntries = 0x10000, kEntrySize = 24, kTypeOffset = 14, kTableOffsetInPeb = 0xF8;
    PROCESS_BASIC_INFORMATION info = {};
    if (NtQueryInformationProcess(hProcess, ProcessBasicInformation, &info, sizeof(info), nullptr) != 0)
        return -1;
    UINT64 qwTable = 0;
    const BYTE* pPeb = reinterpret_cast<const BYTE*>(info.PebBaseAddress);
    if (!ReadProcessMemory(hProcess, pPeb + kTableOffsetInPeb, &qwTable, sizeof(qwTable), nullptr) || !qwTable)
        return -1;
    static BYTE table[0x10000 * 24];
    if (!ReadProcessMemory(hProcess, reinterpret_cast<void*>(qwTable), table, sizeof(table), nullptr))
        return -1;
    int nUsed = 0;
    for (size_t i = 0; i < kEntries; ++i)
        nUsed += table[i * kEntrySize + kTypeOffset] != 0 ? 1 : 0;
    return nUsed;
}

static int PrintStats(DWORD dwProcessId)
{
    HANDLE hProcess = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, dwProcessId);
    if (!hProcess) {
        std::fprintf(stderr, "soak_probe: no process %lu\n", dwProcessId);
        return 1;
    }
    DWORD dwHandles = 0;
    GetProcessHandleCount(hProcess, &dwHandles);
    SetLastError(0);
    DWORD dwGdi = GetGuiResources(hProcess, GR_GDIOBJECTS);
    DWORD dwGdiError = GetLastError();
    DWORD dwUser = GetGuiResources(hProcess, GR_USEROBJECTS);
    int nGdiTable = CountGdiTableEntries(hProcess);
    CloseHandle(hProcess);
    WindowSearch search = FindSaver(dwProcessId);
    std::printf("threads %d handles %lu gui %lu/%lu%s gdi-table %d windows %d\n", CountThreads(dwProcessId),
                dwHandles, dwGdi, dwUser, dwGdiError ? " (failed)" : "", nGdiTable, search.nWindows);
    return 0;
}

static int SendDisplayState(HWND hWnd, DWORD dwProcessId, DWORD dwState)
{
    HANDLE hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, dwProcessId);
    if (!hProcess)
        return 1;
    BYTE block[sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD)] = {};
    auto* pSetting = reinterpret_cast<POWERBROADCAST_SETTING*>(block);
    pSetting->PowerSetting = kConsoleDisplayState;
    pSetting->DataLength = sizeof(DWORD);
    std::memcpy(pSetting->Data, &dwState, sizeof(DWORD));
    void* pRemote = VirtualAllocEx(hProcess, nullptr, sizeof(block), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    int nResult = 1;
    if (pRemote && WriteProcessMemory(hProcess, pRemote, block, sizeof(block), nullptr)) {
        DWORD_PTR dwReply = 0;
        if (SendMessageTimeoutA(hWnd, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                                reinterpret_cast<LPARAM>(pRemote), SMTO_ABORTIFHUNG, 5000, &dwReply))
            nResult = 0;
    }
    if (pRemote)
        VirtualFreeEx(hProcess, pRemote, 0, MEM_RELEASE);
    CloseHandle(hProcess);
    return nResult;
}

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "pid") == 0) {
        WindowSearch search = FindSaver(0);
        if (!search.hFound)
            return 1;
        DWORD dwPid = 0;
        GetWindowThreadProcessId(search.hFound, &dwPid);
        std::printf("%lu\n", dwPid);
        return 0;
    }
    if (argc < 3)
        return 2;
    DWORD dwProcessId = std::strtoul(argv[2], nullptr, 10);
    if (std::strcmp(argv[1], "stats") == 0)
        return PrintStats(dwProcessId);
    if (argc < 4)
        return 2;
    HWND hSaver = FindSaver(dwProcessId).hFound;
    if (!hSaver)
        return 1;
    if (std::strcmp(argv[1], "display") == 0) {
        DWORD dwState = std::strcmp(argv[3], "off") == 0 ? 0 : std::strcmp(argv[3], "dimmed") == 0 ? 2 : 1;
        return SendDisplayState(hSaver, dwProcessId, dwState);
    }
    if (std::strcmp(argv[1], "session") == 0) {
        WPARAM wEvent = std::strcmp(argv[3], "lock") == 0 ? 7 : 8;  // WTS_SESSION_LOCK, WTS_SESSION_UNLOCK
        DWORD dwSession = 0;
        ProcessIdToSessionId(dwProcessId, &dwSession);
        DWORD_PTR dwReply = 0;
        return SendMessageTimeoutA(hSaver, WM_WTSSESSION_CHANGE, wEvent, dwSession, SMTO_ABORTIFHUNG,
                                   5000, &dwReply)
                   ? 0
                   : 1;
    }
    return 2;
}
