// Import-table patching of the test program's own module.
#include "tests/support/import_hook.h"

#include <cstring>

namespace vt {

static void** FindImportSlot(const char* pszDll, const char* pszFunction)
{
    auto* pBase = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* pDos = reinterpret_cast<IMAGE_DOS_HEADER*>(pBase);
    auto* pNt = reinterpret_cast<IMAGE_NT_HEADERS*>(pBase + pDos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return nullptr;
    for (auto* pDesc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(pBase + dir.VirtualAddress); pDesc->Name; ++pDesc) {
        if (lstrcmpiA(reinterpret_cast<const char*>(pBase + pDesc->Name), pszDll) != 0)
            continue;
        auto* pNames = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDesc->OriginalFirstThunk);
        auto* pSlots = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDesc->FirstThunk);
        for (; pNames->u1.AddressOfData; ++pNames, ++pSlots) {
            if (IMAGE_SNAP_BY_ORDINAL(pNames->u1.Ordinal))
                continue;
            auto* pByName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(pBase + pNames->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(pByName->Name), pszFunction) == 0)
                return reinterpret_cast<void**>(&pSlots->u1.Function);
        }
    }
    return nullptr;
}

static void WriteSlot(void** ppSlot, void* pValue)
{
    DWORD dwOld;
    VirtualProtect(ppSlot, sizeof(void*), PAGE_READWRITE, &dwOld);
    *ppSlot = pValue;
    VirtualProtect(ppSlot, sizeof(void*), dwOld, &dwOld);
}

ImportHook::ImportHook(const char* pszDll, const char* pszFunction, void* pReplacement)
{
    m_ppSlot = FindImportSlot(pszDll, pszFunction);
    if (!m_ppSlot)
        return;
    m_pOriginal = *m_ppSlot;
    WriteSlot(m_ppSlot, pReplacement);
}

ImportHook::~ImportHook()
{
    if (m_ppSlot)
        WriteSlot(m_ppSlot, m_pOriginal);
}

static const ProcAddressHook::Entry* s_pEntries = nullptr;
static int s_nEntries = 0;
static FARPROC(WINAPI* s_pfnGetProcAddress)(HMODULE, LPCSTR) = nullptr;

ProcAddressHook::ProcAddressHook(const Entry* pEntries, int nEntries)
    : m_hook("KERNEL32.dll", "GetProcAddress", reinterpret_cast<void*>(&ProcAddressHook::Lookup))
{
    s_pEntries = pEntries;
    s_nEntries = nEntries;
    s_pfnGetProcAddress = m_hook.Original<FARPROC(WINAPI*)(HMODULE, LPCSTR)>();
}

ProcAddressHook::~ProcAddressHook()
{
    s_pEntries = nullptr;
    s_nEntries = 0;
}

FARPROC WINAPI ProcAddressHook::Lookup(HMODULE hModule, LPCSTR pszName)
{
    const bool bNamed = reinterpret_cast<ULONG_PTR>(pszName) > 0xFFFF;
    for (int i = 0; bNamed && i < s_nEntries; ++i) {
        if (std::strcmp(s_pEntries[i].pszName, pszName) == 0)
            return reinterpret_cast<FARPROC>(s_pEntries[i].pFunction);
    }
    return s_pfnGetProcAddress(hModule, pszName);
}

}  // namespace vt
