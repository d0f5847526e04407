#include "simtuner/SimDeviceClaim.h"

#include "simtuner/SimTunerControl.h"

#include <utility>

HRESULT CSimDeviceClaim::Take(const std::wstring& device)
{
    if (!m_hSemaphore.IsNull())
        return S_OK;
    // Object names take no backslash after the namespace.
    std::wstring name = L"Local\\QLSimTunerInUse-" + device;
    for (size_t i = 6; i < name.size(); ++i) {
        if (name[i] == L'\\')
            name[i] = L'/';
    }
    HandleHolder hSemaphore(CreateSemaphoreW(nullptr, 1, 1, name.c_str()));
    if (hSemaphore.IsNull())
        return HRESULT_FROM_WIN32(GetLastError());
    if (WaitForSingleObject(hSemaphore, 0) != WAIT_OBJECT_0)
        return SIM_E_DEVICE_IN_USE;
    m_hSemaphore = std::move(hSemaphore);
    return S_OK;
}

void CSimDeviceClaim::Release()
{
    if (m_hSemaphore.IsNull())
        return;
    ReleaseSemaphore(m_hSemaphore, 1, nullptr);
    m_hSemaphore.Reset();
}
