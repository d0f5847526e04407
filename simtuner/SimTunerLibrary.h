// For tests and tools in the simulated driver's process: loads QLSimTuner.dll from beside
// the running program and calls its exports. Header only.
#pragma once

#include "graph/InterfaceHolder.h"
#include "simtuner/SimTunerControl.h"

#include <string>

class CSimTunerLibrary {
public:
    CSimTunerLibrary()
    {
        wchar_t path[MAX_PATH] = {};
        const DWORD cch = GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring dll(path, cch < MAX_PATH ? cch : 0);
        dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"QLSimTuner.dll";
        m_hDll = LoadLibraryW(dll.c_str());
    }
    ~CSimTunerLibrary()
    {
        if (m_hDll)
            FreeLibrary(m_hDll);
    }
    CSimTunerLibrary(const CSimTunerLibrary&) = delete;
    CSimTunerLibrary& operator=(const CSimTunerLibrary&) = delete;

    bool IsLoaded() const { return m_hDll != nullptr; }
    HMODULE Handle() const { return m_hDll; }

    template <class T>
    T Proc(const char* pName) const
    {
        return m_hDll ? reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(m_hDll, pName))) : nullptr;
    }

    // Replaces the registered simulated devices with the scenario's (see the scenario format
    // of the simulated tuner's documentation); pError receives a scenario error.
    HRESULT RegisterScenario(const std::string& scenario, std::string* pError = nullptr) const
    {
        auto pRegister = Proc<PFN_SimTunerRegisterScenario>("SimTunerRegisterScenario");
        if (!pRegister)
            return E_NOINTERFACE;
        char error[512] = {};
        const HRESULT hr = pRegister(scenario.c_str(), error, sizeof(error));
        if (pError)
            *pError = error;
        return hr;
    }

    HRESULT OpenControl(const std::wstring& friendlyName, InterfaceHolder<ISimTunerControl>& control) const
    {
        auto pOpen = Proc<PFN_SimTunerOpenControl>("SimTunerOpenControl");
        return pOpen ? pOpen(friendlyName.c_str(), control.OutSlot()) : E_NOINTERFACE;
    }

private:
    HMODULE m_hDll = nullptr;
};
