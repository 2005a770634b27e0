// Support for Windows tests that drive the real velthra.scr under Wine:
// starting it in a job that dies with the test, finding its windows, reading
// and dismissing message boxes, the registry, real input and screen pixels.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace vt {

// Folder of the running test program (velthra.scr is built beside it).
std::string ProgramDir();
std::string SaverPath();

// Copies velthra.scr (and the given files from the build folder) into a fresh
// scratch folder below the build folder and returns the folder's path.
std::string MakeScratchDir(const std::string& name, const std::vector<std::string>& extraFiles = {});

// A started program. All programs started by tests live in one job object
// that kills them when the test program ends, however it ends.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts the program with the given command line (program name included).
    // extraEnv: "NAME=value" entries added to this process's environment.
    // applicationName: the program to run when the command line cannot name it.
    bool Start(const std::string& commandLine, const std::vector<std::string>& extraEnv = {},
               const std::string& applicationName = "");
    // Starts velthra.scr (from SaverPath(), or the given path) with the switches.
    bool StartSaver(const std::string& switches, const std::string& saverPath = "",
                    const std::vector<std::string>& extraEnv = {});
    // Exit code after waiting up to timeoutMs; STILL_ACTIVE when still running.
    DWORD Wait(DWORD timeoutMs);
    bool IsRunning();
    void Kill();
    DWORD Id() const { return m_dwId; }
    HANDLE Handle() const { return m_hProcess; }

private:
    HANDLE m_hProcess = nullptr;
    DWORD m_dwId = 0;
};

// A top-level window of the given process (0: any) with this class and/or
// title (null: any), waiting up to timeoutMs. Null when none appears.
HWND WaitForWindow(const char* pszClass, const char* pszTitle, DWORD timeoutMs, DWORD dwProcessId = 0);
// Waits until the window is shown and its creation or WM_INITDIALOG is over
// (a message sent to it is answered only then); false when the time is up.
bool WaitForWindowReady(HWND hWnd, DWORD timeoutMs);
// Waits until the window is gone (true) or the time is up (false).
bool WaitForWindowGone(HWND hWnd, DWORD timeoutMs);
std::string WindowText(HWND hWnd);
std::string ClassName(HWND hWnd);
// Rectangles compared, and written out for failure messages: "(412,301)-(612,561)".
bool SameRect(const RECT& a, const RECT& b);
std::string RectText(const RECT& rc);
// Waits until the cursor is held inside the window: its clip rectangle is the
// window's rectangle. Both are left in *pClip and *pWindow to be printed.
bool WaitForClipOn(HWND hWnd, DWORD timeoutMs, RECT* pClip, RECT* pWindow);

// Sends the message to every window at once and returns their answers (0
// for a window that did not answer in time). A thread that answers only
// between frames answers them all between the same two frames.
std::vector<LRESULT> SendToEach(const std::vector<HWND>& windows, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                DWORD timeoutMs);

// A window of the test standing in for the Display control panel's preview
// area: an overlapping window at (100, 100), 320 x 240, with the given window
// procedure (one class name for each procedure), destroyed with the object.
// Handle() is the text for "/p".
class PreviewParent {
public:
    explicit PreviewParent(WNDPROC pfnProc = DefWindowProcA, const char* pszClass = "VelthraPreviewParent");
    ~PreviewParent();
    PreviewParent(const PreviewParent&) = delete;
    PreviewParent& operator=(const PreviewParent&) = delete;
    HWND Window() const { return m_hWnd; }
    std::string Handle() const;

private:
    HWND m_hWnd = nullptr;
};

// Pumps this thread's messages for the given time (windows the test owns keep working).
void PumpMessages(DWORD ms);

// Message boxes: a dialog of class "#32770" with a static text control
// (id 0xFFFF). Reads its caption and text, then dismisses it.
struct MessageBoxInfo {
    std::string caption;
    std::string text;
};
// Waits for a message box of the process (0: any process); dismisses it when found.
bool WaitForMessageBox(MessageBoxInfo* pInfo, DWORD timeoutMs, DWORD dwProcessId = 0, bool bDismiss = true);

// A thread that dismisses every message box of this process and records it;
// for in-process tests of code that may show one.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    std::vector<MessageBoxInfo> Seen();

private:
    static DWORD WINAPI ThreadProc(void* pParam);
    HANDLE m_hThread = nullptr;
    volatile LONG m_nStop = 0;
    CRITICAL_SECTION m_lock;
    std::vector<MessageBoxInfo> m_seen;
};

// The product's registry key below HKEY_CURRENT_USER.
extern const char kVelthraKey[];  // "Software\\Nimbrel\\Velthra"
void DeleteVelthraKey();
bool ReadDword(const char* pszKey, const char* pszName, DWORD* pdwValue);
void WriteDword(const char* pszKey, const char* pszName, DWORD dwValue);
bool ReadString(const char* pszKey, const char* pszName, std::string* pText);
void WriteString(const char* pszKey, const char* pszName, const std::string& text);
void DeleteValue(const char* pszKey, const char* pszName);
// Number of values under the key (-1 when the key is missing).
int CountValues(const char* pszKey);
// Any data of any type under any root; the key is created when missing.
// A null name is the key's default value.
bool WriteRaw(HKEY hRoot, const char* pszKey, const char* pszName, DWORD dwType, const void* pData, DWORD cbData);
// The key's default value as text (false when it or the key is missing).
bool ReadDefault(HKEY hRoot, const char* pszKey, std::string* pText);
void WriteDefault(HKEY hRoot, const char* pszKey, const std::string& text);
bool KeyExists(HKEY hRoot, const char* pszKey);

// Signed numbers in the product's key, as the settings store keeps them.
const int kMissingNumber = -99999;
std::string ModuleValueName(int nModule, const char* pszField);  // "mod2 depth"
void WriteNumber(const char* pszName, int nValue);
int StoredNumber(const char* pszName);  // kMissingNumber when missing
// Waits until the value holds the number; true when it does.
bool WaitForNumber(const char* pszName, int nExpected, DWORD timeoutMs);

// Real input, as a user would give it.
void PressKey(WORD wVk, bool bExtended = false);
void PressKeyCombo(WORD wModifierVk, WORD wVk);
void MoveCursorTo(int x, int y);
void ClickLeft();

// The system's display and session notifications, sent to a window of this
// process as the system delivers them: WM_POWERBROADCAST
// PBT_POWERSETTINGCHANGE with a POWERBROADCAST_SETTING for the console display
// state (0 off, 1 on, 2 dimmed) or, with bMonitorPower, the older monitor
// power setting; and WM_WTSSESSION_CHANGE with a session event code.
const DWORD kSessionConsoleConnect = 1, kSessionConsoleDisconnect = 2;
const DWORD kSessionRemoteConnect = 3, kSessionRemoteDisconnect = 4;
const DWORD kSessionLock = 7, kSessionUnlock = 8;
void SendDisplayState(HWND hWnd, DWORD dwState, bool bMonitorPower = false);
void SendSessionChange(HWND hWnd, DWORD dwEvent);

// The end of the session as a window gets it from the system (sign-out,
// shutdown) or the Restart Manager (lFlags with ENDSESSION_CLOSEAPP):
// WM_QUERYENDSESSION, then WM_ENDSESSION with bEnding. Returns the answer to
// the query, or -1 when either message went unanswered for timeoutMs.
LRESULT SendSessionEnd(HWND hWnd, LPARAM lFlags, bool bEnding = true, DWORD timeoutMs = 5000);

// Waits until the condition holds (true) or the time is up (false), pumping
// this thread's messages meanwhile.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs)
{
    DWORD dwStart = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - dwStart >= timeoutMs)
            return false;
        PumpMessages(10);
    }
    return true;
}

// The pixels of the whole virtual screen (every monitor, the X root window as
// Wine shows it), as 0xRRGGBB. At() takes screen coordinates.
struct Screenshot {
    int nLeft = 0, nTop = 0;
    int nWidth = 0, nHeight = 0;
    std::vector<DWORD> pixels;
    DWORD At(int x, int y) const
    {
        return pixels[static_cast<size_t>(y - nTop) * nWidth + (x - nLeft)];
    }
};
Screenshot CaptureScreen();
// Share of the pixels in the rectangle (screen coordinates) with any colour
// channel above 24: 0 for black, near 1 for a lit scene.
double LitShare(const Screenshot& shot, const RECT& rc);
// Writes a 24-bit BMP (for looking at it; convert to PNG outside).
bool SaveBitmap(const Screenshot& shot, const std::string& path);

}  // namespace vt
