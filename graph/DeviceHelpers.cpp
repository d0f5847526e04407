#include "graph/DeviceEnumerator.h"
#include "graph/FilterGraphHost.h"
#include "graph/PinEnumerator.h"

// Only devices with a readable friendly name and a filter that can be created count
// towards nIndex; a device whose property bag cannot be opened ends the search.
HRESULT CFilterGraphHost::GetDeviceFilter(REFCLSID category, int nIndex,
                                          InterfaceHolder<IBaseFilter>& filter, char* pszName)
{
    if (!m_bReady)
        return E_FAIL;
    CDeviceEnumerator devices;
    HRESULT hr = devices.Open(category);
    if (FAILED(hr))
        return hr;
    if (hr == S_FALSE)
        return E_UNEXPECTED;

    InterfaceHolder<IMoniker> pMoniker;
    int nFound = 0;
    while (devices.Next(pMoniker)) {
        InterfaceHolder<IPropertyBag> pBag;
        hr = pMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, pBag.OutVoid());
        if (FAILED(hr))
            return hr;
        CVariantHolder name;
        if (FAILED(pBag->Read(L"FriendlyName", &name, nullptr)) || name.Get().vt != VT_BSTR)
            continue;
        InterfaceHolder<IBaseFilter> pDevice;
        if (FAILED(pMoniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, pDevice.OutVoid())))
            continue;
        if (nFound != nIndex) {
            ++nFound;
            continue;
        }
        filter = pDevice;
        if (pszName)
            CopyFriendlyName(name.Get().bstrVal, pszName, FRIENDLY_NAME_SIZE);
        return S_OK;
    }
    return E_FAIL;
}

BOOL CFilterGraphHost::FindPinByDirection(IBaseFilter* pFilter, PIN_DIRECTION direction,
                                          int nIndex, InterfaceHolder<IPin>& pin)
{
    if (!m_bReady)
        return 0;
    CPinEnumerator pins(pFilter);
    InterfaceHolder<IPin> pCandidate;
    int nFound = 0;
    while (pins.Next(pCandidate)) {
        if (!IsPinDirection(pCandidate, direction))
            continue;
        if (nFound == nIndex) {
            pin = pCandidate;
            return 1;
        }
        ++nFound;
    }
    return 0;
}

// Connects directly with no media type: the pins negotiate the type themselves and the
// graph manager never inserts an intermediate filter.
HRESULT CFilterGraphHost::ConnectFilters(IBaseFilter* pUpstream, int nOutputIndex,
                                         IBaseFilter* pDownstream, int nInputIndex)
{
    if (!m_bReady)
        return E_FAIL;
    InterfaceHolder<IPin> pOutput;
    if (!FindPinByDirection(pUpstream, PINDIR_OUTPUT, nOutputIndex, pOutput))
        return E_FAIL;
    InterfaceHolder<IPin> pInput;
    if (!FindPinByDirection(pDownstream, PINDIR_INPUT, nInputIndex, pInput))
        return E_FAIL;
    return m_pGraph->ConnectDirect(pOutput, pInput, nullptr);
}
