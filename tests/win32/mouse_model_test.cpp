// The saver's mouse threshold as Windows shows the cursor to a per-monitor
// DPI aware program (physical pixels, the monitor's DPI), and cursor jumps
// made by the system when the monitor layout changes, whichever of the jump
// and WM_DISPLAYCHANGE comes first. Wine gives logical pixels and one DPI,
// so the cursor, the DPI, the layout and the tick count are modelled.
#include "win32/host.h"

#include "tests/support/import_hook.h"

#include <gtest/gtest.h>

namespace {

POINT g_ptCursor;
UINT g_nDpi;
int g_nLayoutShift;  // added to the virtual screen's width: the layout changed
DWORD g_dwTick = 5000;
vt::ImportHook* g_pMetrics;

BOOL WINAPI ModelGetCursorPos(POINT* pt) { *pt = g_ptCursor; return TRUE; }
DWORD WINAPI ModelGetTickCount() { return g_dwTick; }
HRESULT WINAPI ModelDpiForMonitor(HMONITOR, int, UINT* px, UINT* py) { *px = *py = g_nDpi; return S_OK; }
int WINAPI ModelGetSystemMetrics(int nIndex)
{
    const int nValue = g_pMetrics->Original<decltype(&GetSystemMetrics)>()(nIndex);
    return nIndex == SM_CXVIRTUALSCREEN ? nValue + g_nLayoutShift : nValue;
}

enum StepKind { kMove, kLayoutChange, kDisplayChangeMessage, kWait, kForgetReference };
struct Step {
    const char* pszWhat;
    StepKind kind;
    int x, y;  // the cursor for kMove and kLayoutChange; ms for kWait; DPI for kForgetReference
    bool bCloses;
};

const Step kSteps[] = {
    {"150 %: reference", kMove, 1000, 600, false},
    {"150 %: 120 physical pixels", kMove, 1120, 600, false},
    {"150 %: 165 physical pixels", kMove, 1165, 600, true},
    {"96 DPI", kForgetReference, 96, 0, false},
    {"96 DPI: reference", kMove, 1000, 600, false},
    {"96 DPI: 100 pixels", kMove, 1060, 640, false},
    {"96 DPI: 101 pixels", kMove, 1061, 640, true},
    {"jump first", kForgetReference, 96, 0, false},
    {"jump first: reference", kMove, 500, 400, false},
    {"jump first: the layout changes, the cursor jumps", kLayoutChange, 1700, 400, false},
    {"jump first: the move arrives", kMove, 1700, 400, false},
    {"jump first: WM_DISPLAYCHANGE arrives", kDisplayChangeMessage, 0, 0, false},
    {"jump first: settled", kWait, 600, 0, false},
    {"jump first: a real movement", kMove, 1700, 600, true},
    {"message first: the layout changes back", kLayoutChange, 1700, 600, false},
    {"message first: WM_DISPLAYCHANGE arrives", kDisplayChangeMessage, 0, 0, false},
    {"message first: the cursor jumps", kMove, 400, 300, false},
    {"message first: settled", kWait, 600, 0, false},
    {"message first: a small movement", kMove, 440, 360, false},
    {"message first: a real movement", kMove, 540, 300, true},
};

TEST(MouseModel, ThresholdInTheMonitorsPixelsAndLayoutJumpsIgnored)
{
    vt::ImportHook cursor("USER32.dll", "GetCursorPos", reinterpret_cast<void*>(&ModelGetCursorPos));
    vt::ImportHook tick("KERNEL32.dll", "GetTickCount", reinterpret_cast<void*>(&ModelGetTickCount));
    vt::ImportHook metrics("USER32.dll", "GetSystemMetrics", reinterpret_cast<void*>(&ModelGetSystemMetrics));
    g_pMetrics = &metrics;
    const vt::ProcAddressHook::Entry aProcs[] = {{"GetDpiForMonitor", reinterpret_cast<void*>(&ModelDpiForMonitor)}};
    vt::ProcAddressHook procs(aProcs, 1);
    ASSERT_TRUE(cursor.Installed() && tick.Installed() && metrics.Installed() && procs.Installed());
    HWND hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(hWnd);
    g_bPreview = false;
    g_bCursorRefSet = false;
    g_nDpi = 144;

    for (const Step& step : kSteps) {
        switch (step.kind) {
        case kMove:
            g_ptCursor = {step.x, step.y};
            OnMouseMove(hWnd);
            break;
        case kLayoutChange:
            g_nLayoutShift = g_nLayoutShift ? 0 : 1024;
            g_ptCursor = {step.x, step.y};
            break;
        case kDisplayChangeMessage:
            SaverWndProc(hWnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
            break;
        case kWait:
            g_dwTick += static_cast<DWORD>(step.x);
            break;
        case kForgetReference:
            g_bCursorRefSet = false;
            g_nDpi = static_cast<UINT>(step.x);
            break;
        }
        MSG msg;
        const bool bClosed = PeekMessageA(&msg, hWnd, WM_CLOSE, WM_CLOSE, PM_REMOVE) != FALSE;
        EXPECT_EQ(bClosed, step.bCloses) << step.pszWhat << ": cursor " << g_ptCursor.x << "," << g_ptCursor.y
                                         << ", reference " << g_ptCursorRef.x << "," << g_ptCursorRef.y;
    }
    DestroyWindow(hWnd);
}

}  // namespace
