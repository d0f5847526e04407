#include "simtuner/SimDeviceClaim.h"

#include "simtuner/SimTunerControl.h"

HRESULT CSimDeviceClaim::Take(const std::wstring& device)
{
    if (m_hSemaphore)
        return S_OK;
    // Object names take no backslash after the namespace.
    std::wstring name = L"Local\\QLSimTunerInUse-" + device;
    for (size_t i = 6; i < name.size(); ++i) {
        if (name[i] == L'\\')
            name[i] = L'/';
    }
    HANDLE hSemaphore = CreateSemaphoreW(nullptr, 1, 1, name.c_str());
    if (!hSemaphore)
        return HRESULT_FROM_WIN32(GetLastError());
    if (WaitForSingleObject(hSemaphore, 0) != WAIT_OBJECT_0) {
        CloseHandle(hSemaphore);
        return SIM_E_DEVICE_IN_USE;
    }
    m_hSemaphore = hSemaphore;
    return S_OK;
}

void CSimDeviceClaim::Release()
{
    if (!m_hSemaphore)
        return;
    ReleaseSemaphore(m_hSemaphore, 1, nullptr);
    CloseHandle(m_hSemaphore);
    m_hSemaphore = nullptr;
}
