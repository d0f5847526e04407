#include "graph/DeviceEnumerator.h"

HRESULT CDeviceEnumerator::Open(REFCLSID category)
{
    m_pEnum.Reset();
    InterfaceHolder<ICreateDevEnum> pDevEnum;
    HRESULT hr = pDevEnum.CreateInstance(CLSID_SystemDeviceEnum);
    if (FAILED(hr))
        return hr;
    hr = pDevEnum->CreateClassEnumerator(category, m_pEnum.OutSlot(), 0);
    if (hr != S_OK)
        m_pEnum.Reset();
    return hr;
}

bool CDeviceEnumerator::Next(InterfaceHolder<IMoniker>& moniker)
{
    moniker.Reset();
    if (m_pEnum.IsNull())
        return false;
    return m_pEnum->Next(1, moniker.OutSlot(), nullptr) == S_OK && !moniker.IsNull();
}
