// Counts the pauses the program's code takes: the test program's import of Sleep is pointed
// at a counter that still pauses, so a test can tell a wait that paused from one that did
// not by count rather than by the clock.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstring>

class CPauseCounter
{
public:
    CPauseCounter() { Patch(reinterpret_cast<void*>(&CountedSleep)); }
    ~CPauseCounter() { Patch(reinterpret_cast<void*>(s_pfnSleep)); }
    CPauseCounter(const CPauseCounter&) = delete;
    CPauseCounter& operator=(const CPauseCounter&) = delete;

    bool Installed() const { return m_bInstalled; }
    static unsigned Pauses() { return s_nPauses.load(); }
    static void Clear() { s_nPauses = 0; }

private:
    using SleepFn = VOID(WINAPI*)(DWORD);

    static VOID WINAPI CountedSleep(DWORD nMs)
    {
        ++s_nPauses;
        s_pfnSleep(nMs);
    }

    // Rewrites every import slot of this program that holds one of the two entries.
    void Patch(void* pTo)
    {
        void* pFrom = pTo == reinterpret_cast<void*>(&CountedSleep) ? reinterpret_cast<void*>(s_pfnSleep)
                                                                     : reinterpret_cast<void*>(&CountedSleep);
        auto* pBase = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
        auto* pNt = reinterpret_cast<IMAGE_NT_HEADERS*>(pBase + reinterpret_cast<IMAGE_DOS_HEADER*>(pBase)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* pDesc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(pBase + dir.VirtualAddress); pDesc->Name; ++pDesc) {
            for (auto* pSlot = reinterpret_cast<void**>(pBase + pDesc->FirstThunk); *pSlot; ++pSlot) {
                if (*pSlot != pFrom)
                    continue;
                DWORD nOld = 0;
                VirtualProtect(pSlot, sizeof(*pSlot), PAGE_READWRITE, &nOld);
                *pSlot = pTo;
                VirtualProtect(pSlot, sizeof(*pSlot), nOld, &nOld);
                m_bInstalled = pTo == reinterpret_cast<void*>(&CountedSleep);
            }
        }
    }

    static inline const SleepFn s_pfnSleep =
        reinterpret_cast<SleepFn>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "Sleep"));
    static inline std::atomic<unsigned> s_nPauses{0};
    bool m_bInstalled = false;
};
