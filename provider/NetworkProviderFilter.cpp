#include "provider/NetworkProviderFilter.h"

#include "provider/AntennaOutputPin.h"
#include "filters/CreateFilter.h"

CNetworkProviderFilter::CNetworkProviderFilter(HRESULT* phr)
    : CSource("Network Provider", nullptr, GUID_NULL)
    , m_pPin(nullptr)
{
    *phr = S_OK;
    m_pPin = new (std::nothrow) CAntennaOutputPin(this, phr, L"Antenna Output");
    if (!m_pPin)
        *phr = E_OUTOFMEMORY;
}

CNetworkProviderFilter::~CNetworkProviderFilter()
{
    delete m_pPin;
    m_pPin = nullptr;
}

int CNetworkProviderFilter::GetPinCount()
{
    return 1;
}

CBasePin* CNetworkProviderFilter::GetPin(int n)
{
    return n == 0 ? m_pPin : nullptr;
}

HRESULT CreateNetworkProviderFilter(InterfaceHolder<IBaseFilter>& filter)
{
    return CreateFilter<CNetworkProviderFilter>(filter);
}
