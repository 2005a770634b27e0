// Imports of the test program replaced while a hook lives, so that the real
// product code (linked into the program) meets Windows as Windows behaves
// where Wine differs: the timer's ticks, the display's refresh, a monitor's
// DPI. Only the program's own import table is changed; system libraries
// calling each other are not affected.
#pragma once
#include <windows.h>

namespace vt {

class ImportHook {
public:
    ImportHook(const char* pszDll, const char* pszFunction, void* pReplacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;
    bool Installed() const { return m_ppSlot != nullptr; }
    // The function the import pointed to before.
    template <typename Fn>
    Fn Original() const
    {
        return reinterpret_cast<Fn>(m_pOriginal);
    }

private:
    void** m_ppSlot = nullptr;
    void* m_pOriginal = nullptr;
};

// GetProcAddress as the product calls it, answering the named functions with
// stand-ins while the object lives (others pass through; a null stand-in
// makes the function missing). One at a time.
class ProcAddressHook {
public:
    struct Entry {
        const char* pszName;
        void* pFunction;
    };
    ProcAddressHook(const Entry* pEntries, int nEntries);
    ~ProcAddressHook();
    bool Installed() const { return m_hook.Installed(); }

private:
    static FARPROC WINAPI Lookup(HMODULE hModule, LPCSTR pszName);
    ImportHook m_hook;
};

}  // namespace vt
