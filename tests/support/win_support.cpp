// Windows test support: processes in a kill-on-close job, window and message
// box lookup, registry access, real input and screen capture.
#include "tests/support/win_support.h"

#include <cstdio>

namespace vt {

const char kVelthraKey[] = "Software\\Nimbrel\\Velthra";

std::string ProgramDir()
{
    char szPath[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    std::string path(szPath, n);
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string SaverPath()
{
    return ProgramDir() + "\\velthra.scr";
}

static bool CopyInto(const std::string& from, const std::string& dir)
{
    size_t slash = from.find_last_of("\\/");
    std::string name = slash == std::string::npos ? from : from.substr(slash + 1);
    return CopyFileA(from.c_str(), (dir + "\\" + name).c_str(), FALSE) != 0;
}

std::string MakeScratchDir(const std::string& name, const std::vector<std::string>& extraFiles)
{
    std::string dir = ProgramDir() + "\\scratch";
    CreateDirectoryA(dir.c_str(), nullptr);
    dir += "\\" + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    // Leftovers of an earlier run go first.
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((dir + "\\" + fd.cFileName).c_str());
        } while (FindNextFileA(hFind, &fd));
        FindClose(hFind);
    }
    CopyInto(SaverPath(), dir);
    for (const std::string& file : extraFiles)
        CopyInto(ProgramDir() + "\\" + file, dir);
    return dir;
}

static HANDLE TestJob()
{
    static HANDLE s_hJob = [] {
        HANDLE hJob = CreateJobObjectA(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
        ZeroMemory(&limits, sizeof(limits));
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(hJob, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
        return hJob;
    }();
    return s_hJob;
}

// The current environment with extra entries, as a CreateProcess block.
static std::vector<char> EnvironmentWith(const std::vector<std::string>& extraEnv)
{
    std::vector<char> block;
    char* pEnv = GetEnvironmentStringsA();
    for (const char* p = pEnv; *p; p += strlen(p) + 1)
        block.insert(block.end(), p, p + strlen(p) + 1);
    FreeEnvironmentStringsA(pEnv);
    for (const std::string& entry : extraEnv)
        block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    block.push_back('\0');
    return block;
}

Process::~Process()
{
    Kill();
}

bool Process::Start(const std::string& commandLine, const std::vector<std::string>& extraEnv,
                    const std::string& applicationName)
{
    Kill();
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    std::vector<char> env;
    if (!extraEnv.empty())
        env = EnvironmentWith(extraEnv);
    // Wine now and then refuses a start while an earlier program of the test
    // is still going away; a short retry gets past that.
    for (int nTry = 1;; ++nTry) {
        if (CreateProcessA(applicationName.empty() ? nullptr : applicationName.c_str(), line.data(),
                           nullptr, nullptr, FALSE, CREATE_SUSPENDED, env.empty() ? nullptr : env.data(),
                           nullptr, &si, &pi))
            break;
        fprintf(stderr, "CreateProcess failed (error %lu, try %d): %s\n", GetLastError(), nTry,
                commandLine.c_str());
        if (nTry == 5)
            return false;
        Sleep(300);
    }
    AssignProcessToJobObject(TestJob(), pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    m_hProcess = pi.hProcess;
    m_dwId = pi.dwProcessId;
    return true;
}

bool Process::StartSaver(const std::string& switches, const std::string& saverPath,
                         const std::vector<std::string>& extraEnv)
{
    std::string path = saverPath.empty() ? SaverPath() : saverPath;
    std::string line = "\"" + path + "\"";
    if (!switches.empty())
        line += " " + switches;
    return Start(line, extraEnv);
}

DWORD Process::Wait(DWORD timeoutMs)
{
    if (!m_hProcess)
        return STILL_ACTIVE;
    // Messages are pumped meanwhile: the program may be sending to windows of
    // this thread (a preview inside a window of the test, for instance).
    DWORD dwStart = GetTickCount();
    for (;;) {
        DWORD dwElapsed = GetTickCount() - dwStart;
        DWORD dwLeft = dwElapsed >= timeoutMs ? 0 : timeoutMs - dwElapsed;
        DWORD dwWait = MsgWaitForMultipleObjects(1, &m_hProcess, FALSE, dwLeft, QS_ALLINPUT);
        if (dwWait != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    DWORD dwCode = STILL_ACTIVE;
    GetExitCodeProcess(m_hProcess, &dwCode);
    return dwCode;
}

bool Process::IsRunning()
{
    return Wait(0) == STILL_ACTIVE;
}

void Process::Kill()
{
    if (!m_hProcess)
        return;
    if (IsRunning()) {
        TerminateProcess(m_hProcess, 0xDEAD);
        WaitForSingleObject(m_hProcess, 5000);
    }
    CloseHandle(m_hProcess);
    m_hProcess = nullptr;
    m_dwId = 0;
}

std::string WindowText(HWND hWnd)
{
    char sz[1024] = "";
    // WM_GETTEXT reaches other processes' windows and controls alike.
    SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof(sz), reinterpret_cast<LPARAM>(sz), SMTO_BLOCK,
                        2000, nullptr);
    return sz;
}

std::string ClassName(HWND hWnd)
{
    char sz[256] = "";
    GetClassNameA(hWnd, sz, sizeof(sz));
    return sz;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string RectText(const RECT& rc)
{
    return "(" + std::to_string(rc.left) + "," + std::to_string(rc.top) + ")-(" + std::to_string(rc.right) +
           "," + std::to_string(rc.bottom) + ")";
}

bool WaitForClipOn(HWND hWnd, DWORD timeoutMs, RECT* pClip, RECT* pWindow)
{
    // Both are read on every round: the window may still be moving into place.
    return WaitUntil([&] {
        GetClipCursor(pClip);
        GetWindowRect(hWnd, pWindow);
        return SameRect(*pClip, *pWindow);
    }, timeoutMs);
}

struct Answers {
    std::vector<LRESULT> results;
    std::vector<std::pair<Answers*, size_t>> slots;
    size_t nAnswered = 0;
};

static void CALLBACK AnswerProc(HWND, UINT, ULONG_PTR dwData, LRESULT lResult)
{
    auto* pSlot = reinterpret_cast<std::pair<Answers*, size_t>*>(dwData);
    pSlot->first->results[pSlot->second] = lResult;
    ++pSlot->first->nAnswered;
}

std::vector<LRESULT> SendToEach(const std::vector<HWND>& windows, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                DWORD timeoutMs)
{
    auto* pAnswers = new Answers;
    pAnswers->results.assign(windows.size(), 0);
    for (size_t i = 0; i < windows.size(); ++i)
        pAnswers->slots.push_back({pAnswers, i});
    size_t nSent = 0;
    for (size_t i = 0; i < windows.size(); ++i) {
        if (SendMessageCallbackA(windows[i], uMsg, wParam, lParam, AnswerProc,
                                 reinterpret_cast<ULONG_PTR>(&pAnswers->slots[i])))
            ++nSent;
    }
    // The answers arrive as this thread takes its messages.
    DWORD dwStart = GetTickCount();
    while (pAnswers->nAnswered < nSent && GetTickCount() - dwStart < timeoutMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (pAnswers->nAnswered < nSent) {
        // Answers still owed may arrive later: the record stays for them.
        return std::vector<LRESULT>(windows.size(), 0);
    }
    std::vector<LRESULT> results = pAnswers->results;
    delete pAnswers;
    return results;
}

struct FindParams {
    const char* pszClass;
    const char* pszTitle;
    DWORD dwProcessId;
    HWND hFound;
};

static BOOL CALLBACK FindProc(HWND hWnd, LPARAM lParam)
{
    FindParams* p = reinterpret_cast<FindParams*>(lParam);
    if (p->dwProcessId) {
        DWORD dwPid = 0;
        GetWindowThreadProcessId(hWnd, &dwPid);
        if (dwPid != p->dwProcessId)
            return TRUE;
    }
    if (p->pszClass && ClassName(hWnd) != p->pszClass)
        return TRUE;
    if (p->pszTitle) {
        char sz[512] = "";
        GetWindowTextA(hWnd, sz, sizeof(sz));
        if (std::string(sz) != p->pszTitle)
            return TRUE;
    }
    p->hFound = hWnd;
    return FALSE;
}

HWND WaitForWindow(const char* pszClass, const char* pszTitle, DWORD timeoutMs, DWORD dwProcessId)
{
    DWORD dwStart = GetTickCount();
    for (;;) {
        FindParams params = {pszClass, pszTitle, dwProcessId, nullptr};
        EnumWindows(FindProc, reinterpret_cast<LPARAM>(&params));
        if (params.hFound)
            return params.hFound;
        if (GetTickCount() - dwStart >= timeoutMs)
            return nullptr;
        PumpMessages(50);
    }
}

bool WaitForWindowReady(HWND hWnd, DWORD timeoutMs)
{
    DWORD dwStart = GetTickCount();
    if (!WaitUntil([hWnd] { return IsWindowVisible(hWnd) != FALSE; }, timeoutMs))
        return false;
    const DWORD dwSpent = GetTickCount() - dwStart;
    DWORD_PTR dwResult;
    return SendMessageTimeoutA(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, dwSpent < timeoutMs ? timeoutMs - dwSpent : 1,
                               &dwResult) != 0;
}

LRESULT SendSessionEnd(HWND hWnd, LPARAM lFlags, bool bEnding, DWORD timeoutMs)
{
    DWORD_PTR dwAnswer = 0, dwIgnored = 0;
    if (!SendMessageTimeoutA(hWnd, WM_QUERYENDSESSION, 0, lFlags, SMTO_NORMAL, timeoutMs, &dwAnswer) ||
        !SendMessageTimeoutA(hWnd, WM_ENDSESSION, bEnding, lFlags, SMTO_NORMAL, timeoutMs, &dwIgnored))
        return -1;
    return static_cast<LRESULT>(dwAnswer);
}

bool WaitForWindowGone(HWND hWnd, DWORD timeoutMs)
{
    DWORD dwStart = GetTickCount();
    while (IsWindow(hWnd)) {
        if (GetTickCount() - dwStart >= timeoutMs)
            return false;
        PumpMessages(50);
    }
    return true;
}

PreviewParent::PreviewParent(WNDPROC pfnProc, const char* pszClass)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = pfnProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = pszClass;
    RegisterClassA(&wc);  // fails harmlessly when a second parent registers it again
    m_hWnd = CreateWindowExA(0, pszClass, "Preview parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 320,
                             240, nullptr, nullptr, wc.hInstance, nullptr);
}

PreviewParent::~PreviewParent()
{
    if (IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
}

std::string PreviewParent::Handle() const
{
    return std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(m_hWnd)));
}

void PumpMessages(DWORD ms)
{
    // The time is checked per message: a frame loop in this thread always
    // has its next frame message waiting.
    DWORD dwStart = GetTickCount();
    do {
        MSG msg;
        while (GetTickCount() - dwStart < ms && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - dwStart < ms);
}

static bool ReadMessageBox(HWND hBox, MessageBoxInfo* pInfo)
{
    HWND hText = GetDlgItem(hBox, 0xFFFF);
    if (!hText)
        return false;
    pInfo->caption = WindowText(hBox);
    pInfo->text = WindowText(hText);
    return true;
}

static void DismissMessageBox(HWND hBox)
{
    // IDOK for an OK box; a box without OK ends on IDCANCEL.
    if (GetDlgItem(hBox, IDOK))
        PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    else
        PostMessageA(hBox, WM_COMMAND, IDCANCEL, 0);
}

bool WaitForMessageBox(MessageBoxInfo* pInfo, DWORD timeoutMs, DWORD dwProcessId, bool bDismiss)
{
    DWORD dwStart = GetTickCount();
    for (;;) {
        FindParams params = {"#32770", nullptr, dwProcessId, nullptr};
        EnumWindows(FindProc, reinterpret_cast<LPARAM>(&params));
        MessageBoxInfo info;
        if (params.hFound && ReadMessageBox(params.hFound, &info)) {
            if (pInfo)
                *pInfo = info;
            if (bDismiss)
                DismissMessageBox(params.hFound);
            return true;
        }
        if (GetTickCount() - dwStart >= timeoutMs)
            return false;
        PumpMessages(50);
    }
}

MessageBoxWatcher::MessageBoxWatcher()
{
    InitializeCriticalSection(&m_lock);
    m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    InterlockedExchange(&m_nStop, 1);
    WaitForSingleObject(m_hThread, 5000);
    CloseHandle(m_hThread);
    DeleteCriticalSection(&m_lock);
}

std::vector<MessageBoxInfo> MessageBoxWatcher::Seen()
{
    EnterCriticalSection(&m_lock);
    std::vector<MessageBoxInfo> seen = m_seen;
    LeaveCriticalSection(&m_lock);
    return seen;
}

DWORD WINAPI MessageBoxWatcher::ThreadProc(void* pParam)
{
    MessageBoxWatcher* pSelf = static_cast<MessageBoxWatcher*>(pParam);
    while (!pSelf->m_nStop) {
        FindParams params = {"#32770", nullptr, GetCurrentProcessId(), nullptr};
        EnumWindows(FindProc, reinterpret_cast<LPARAM>(&params));
        MessageBoxInfo info;
        if (params.hFound && IsWindowVisible(params.hFound) && ReadMessageBox(params.hFound, &info)) {
            EnterCriticalSection(&pSelf->m_lock);
            pSelf->m_seen.push_back(info);
            LeaveCriticalSection(&pSelf->m_lock);
            DismissMessageBox(params.hFound);
            // Wait for it to go so that it is not counted twice.
            for (int i = 0; i < 200 && IsWindow(params.hFound); ++i)
                Sleep(10);
        }
        Sleep(20);
    }
    return 0;
}

static HKEY OpenKey(const char* pszKey, bool bCreate)
{
    HKEY hKey = nullptr;
    LONG lResult = bCreate ? RegCreateKeyExA(HKEY_CURRENT_USER, pszKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &hKey, nullptr)
                           : RegOpenKeyExA(HKEY_CURRENT_USER, pszKey, 0, KEY_ALL_ACCESS, &hKey);
    return lResult == ERROR_SUCCESS ? hKey : nullptr;
}

void DeleteVelthraKey()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kVelthraKey);
}

bool ReadDword(const char* pszKey, const char* pszName, DWORD* pdwValue)
{
    HKEY hKey = OpenKey(pszKey, false);
    if (!hKey)
        return false;
    DWORD dwType = 0, cb = sizeof(DWORD);
    LONG lResult = RegQueryValueExA(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(pdwValue), &cb);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS && dwType == REG_DWORD;
}

void WriteDword(const char* pszKey, const char* pszName, DWORD dwValue)
{
    HKEY hKey = OpenKey(pszKey, true);
    if (!hKey)
        return;
    RegSetValueExA(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
    RegCloseKey(hKey);
}

bool ReadString(const char* pszKey, const char* pszName, std::string* pText)
{
    HKEY hKey = OpenKey(pszKey, false);
    if (!hKey)
        return false;
    char sz[4096];
    DWORD dwType = 0, cb = sizeof(sz) - 1;
    LONG lResult = RegQueryValueExA(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(sz), &cb);
    RegCloseKey(hKey);
    if (lResult != ERROR_SUCCESS || dwType != REG_SZ)
        return false;
    sz[cb] = '\0';
    *pText = sz;
    return true;
}

void WriteString(const char* pszKey, const char* pszName, const std::string& text)
{
    HKEY hKey = OpenKey(pszKey, true);
    if (!hKey)
        return;
    RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(hKey);
}

void DeleteValue(const char* pszKey, const char* pszName)
{
    HKEY hKey = OpenKey(pszKey, false);
    if (!hKey)
        return;
    RegDeleteValueA(hKey, pszName);
    RegCloseKey(hKey);
}

int CountValues(const char* pszKey)
{
    HKEY hKey = OpenKey(pszKey, false);
    if (!hKey)
        return -1;
    DWORD dwValues = 0;
    RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &dwValues, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(hKey);
    return static_cast<int>(dwValues);
}

bool WriteRaw(HKEY hRoot, const char* pszKey, const char* pszName, DWORD dwType, const void* pData, DWORD cbData)
{
    HKEY hKey;
    if (RegCreateKeyExA(hRoot, pszKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return false;
    LONG lResult = RegSetValueExA(hKey, pszName, 0, dwType, static_cast<const BYTE*>(pData), cbData);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS;
}

bool ReadDefault(HKEY hRoot, const char* pszKey, std::string* pText)
{
    char sz[1024];
    LONG cb = sizeof(sz);
    if (RegQueryValueA(hRoot, pszKey, sz, &cb) != ERROR_SUCCESS)
        return false;
    *pText = sz;
    return true;
}

void WriteDefault(HKEY hRoot, const char* pszKey, const std::string& text)
{
    WriteRaw(hRoot, pszKey, nullptr, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool KeyExists(HKEY hRoot, const char* pszKey)
{
    HKEY hKey;
    if (RegOpenKeyExA(hRoot, pszKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

std::string ModuleValueName(int nModule, const char* pszField)
{
    return "mod" + std::to_string(nModule) + " " + pszField;
}

void WriteNumber(const char* pszName, int nValue)
{
    WriteDword(kVelthraKey, pszName, static_cast<DWORD>(nValue));
}

int StoredNumber(const char* pszName)
{
    DWORD dw = 0;
    return ReadDword(kVelthraKey, pszName, &dw) ? static_cast<int>(dw) : kMissingNumber;
}

bool WaitForNumber(const char* pszName, int nExpected, DWORD timeoutMs)
{
    return WaitUntil([&] { return StoredNumber(pszName) == nExpected; }, timeoutMs);
}

static INPUT KeyInput(WORD wVk, bool bUp, bool bExtended)
{
    INPUT in;
    ZeroMemory(&in, sizeof(in));
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = wVk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(wVk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (bUp ? KEYEVENTF_KEYUP : 0) | (bExtended ? KEYEVENTF_EXTENDEDKEY : 0);
    return in;
}

void PressKey(WORD wVk, bool bExtended)
{
    INPUT in[2] = {KeyInput(wVk, false, bExtended), KeyInput(wVk, true, bExtended)};
    SendInput(2, in, sizeof(INPUT));
    Sleep(30);
}

void PressKeyCombo(WORD wModifierVk, WORD wVk)
{
    INPUT in[4] = {KeyInput(wModifierVk, false, false), KeyInput(wVk, false, false),
                   KeyInput(wVk, true, false), KeyInput(wModifierVk, true, false)};
    SendInput(4, in, sizeof(INPUT));
    Sleep(30);
}

void MoveCursorTo(int x, int y)
{
    SetCursorPos(x, y);
    Sleep(30);
}

void ClickLeft()
{
    INPUT in[2];
    ZeroMemory(in, sizeof(in));
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
    Sleep(30);
}

void SendDisplayState(HWND hWnd, DWORD dwState, bool bMonitorPower)
{
    static const GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0,
                                              {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
    static const GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526,
                                         {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
    BYTE block[sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD)] = {};
    auto* pSetting = reinterpret_cast<POWERBROADCAST_SETTING*>(block);
    pSetting->PowerSetting = bMonitorPower ? kMonitorPowerOn : kConsoleDisplayState;
    pSetting->DataLength = sizeof(DWORD);
    CopyMemory(pSetting->Data, &dwState, sizeof(DWORD));
    SendMessageA(hWnd, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(block));
}

void SendSessionChange(HWND hWnd, DWORD dwEvent)
{
    DWORD dwSession = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &dwSession);
    SendMessageA(hWnd, WM_WTSSESSION_CHANGE, dwEvent, dwSession);
}

Screenshot CaptureScreen()
{
    Screenshot shot;
    shot.nLeft = GetSystemMetrics(SM_XVIRTUALSCREEN);
    shot.nTop = GetSystemMetrics(SM_YVIRTUALSCREEN);
    shot.nWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    shot.nHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    HDC hScreen = GetDC(nullptr);
    HDC hMem = CreateCompatibleDC(hScreen);
    BITMAPINFO bmi;
    ZeroMemory(&bmi, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = shot.nWidth;
    bmi.bmiHeader.biHeight = -shot.nHeight;  // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    HBITMAP hBitmap = CreateDIBSection(hScreen, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ hOld = SelectObject(hMem, hBitmap);
    BitBlt(hMem, 0, 0, shot.nWidth, shot.nHeight, hScreen, shot.nLeft, shot.nTop, SRCCOPY);
    GdiFlush();
    const DWORD* pSrc = static_cast<const DWORD*>(pBits);
    shot.pixels.assign(pSrc, pSrc + static_cast<size_t>(shot.nWidth) * shot.nHeight);
    for (DWORD& px : shot.pixels)
        px &= 0xFFFFFF;
    SelectObject(hMem, hOld);
    DeleteObject(hBitmap);
    DeleteDC(hMem);
    ReleaseDC(nullptr, hScreen);
    return shot;
}

double LitShare(const Screenshot& shot, const RECT& rc)
{
    size_t nLit = 0, nAll = 0;
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            DWORD px = shot.At(x, y);
            ++nAll;
            if ((px & 0xFF) > 24 || ((px >> 8) & 0xFF) > 24 || ((px >> 16) & 0xFF) > 24)
                ++nLit;
        }
    }
    return nAll ? static_cast<double>(nLit) / static_cast<double>(nAll) : 0.0;
}

bool SaveBitmap(const Screenshot& shot, const std::string& path)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    int nRow = (shot.nWidth * 3 + 3) & ~3;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(ih);
    fh.bfSize = fh.bfOffBits + nRow * shot.nHeight;
    ih.biSize = sizeof(ih);
    ih.biWidth = shot.nWidth;
    ih.biHeight = shot.nHeight;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    fwrite(&fh, sizeof(fh), 1, f);
    fwrite(&ih, sizeof(ih), 1, f);
    std::vector<unsigned char> row(nRow, 0);
    for (int y = shot.nHeight - 1; y >= 0; --y) {
        for (int x = 0; x < shot.nWidth; ++x) {
            DWORD px = shot.At(x, y);
            row[x * 3 + 0] = static_cast<unsigned char>(px & 0xFF);
            row[x * 3 + 1] = static_cast<unsigned char>((px >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<unsigned char>((px >> 16) & 0xFF);
        }
        fwrite(row.data(), 1, row.size(), f);
    }
    fclose(f);
    return true;
}

}  // namespace vt
