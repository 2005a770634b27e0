// The saver window of the product run inside a test program: RunSaverWindow on
// a thread of its own, as the real program's one thread runs it, while the
// test thread plays the system and the user. The frame loop's pacing tick
// tells from outside whether frames are drawn.
#pragma once
#include <windows.h>

#include "win32/host.h"
#include "win32/render.h"
#include "tests/support/win_support.h"

namespace vt {

class SaverThread {
public:
    // Starts the full-screen saver (no parent) or the preview in hParent and
    // waits for its window and its first frame.
    bool Start(HWND hParent)
    {
        g_hModuleInstance = GetModuleHandleA(nullptr);
        m_hParent = hParent;
        m_hThread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        return m_hThread && WaitUntil([] { return Read(g_SaverState.dwLastFrameTick) != 0; }, 10000);
    }
    // The exit code of RunSaverWindow once it has returned, else STILL_ACTIVE.
    DWORD Wait(DWORD timeoutMs)
    {
        DWORD dwCode = STILL_ACTIVE;
        if (WaitForSingleObject(m_hThread, timeoutMs) == WAIT_OBJECT_0)
            GetExitCodeThread(m_hThread, &dwCode);
        return dwCode;
    }
    ~SaverThread()
    {
        if (m_hThread && Wait(0) == STILL_ACTIVE && IsWindow(g_hSaverWnd))
            PostMessageA(g_hSaverWnd, WM_CLOSE, 0, 0);
        if (m_hThread) {
            Wait(5000);
            CloseHandle(m_hThread);
        }
    }

    template <typename T>
    static T Read(const T& value)
    {
        return *static_cast<const volatile T*>(&value);
    }
    // A frame is drawn within the time given.
    static bool FrameDrawn(DWORD timeoutMs = 2000)
    {
        const DWORD dwTick = Read(g_SaverState.dwLastFrameTick);
        return WaitUntil([dwTick] { return Read(g_SaverState.dwLastFrameTick) != dwTick; }, timeoutMs);
    }
    // The frame chain has stopped: no frame runs, none is posted, and none is
    // drawn for the time given.
    static bool FramesStopped(DWORD quietMs = 400)
    {
        if (!WaitUntil([] { return !Read(g_SaverState.bFramePending) && !Read(g_SaverState.bInFrame); }, 2000))
            return false;
        const DWORD dwTick = Read(g_SaverState.dwLastFrameTick);
        Sleep(quietMs);  // nothing to wait for: the point is that nothing happens
        return Read(g_SaverState.dwLastFrameTick) == dwTick && !Read(g_SaverState.bFramePending);
    }

private:
    static DWORD WINAPI Run(void* pParam)
    {
        return static_cast<DWORD>(RunSaverWindow(static_cast<SaverThread*>(pParam)->m_hParent));
    }
    HWND m_hParent = nullptr;
    HANDLE m_hThread = nullptr;
};

}  // namespace vt
