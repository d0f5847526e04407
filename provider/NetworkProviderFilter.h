// The head filter of the tuner graph: one output pin that sets up the tuner's BDA topology
// when it connects. It is created in the process, never registered, and delivers nothing.
#pragma once

#include "filters/Source.h"
#include "graph/InterfaceHolder.h"

class CAntennaOutputPin;

class CNetworkProviderFilter : public CSource
{
public:
    // phr must not be null: S_OK, or E_OUTOFMEMORY when the pin cannot be allocated.
    explicit CNetworkProviderFilter(HRESULT* phr);
    ~CNetworkProviderFilter() override;

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

private:
    CAntennaOutputPin* m_pPin;
};

// Creates the filter into the (emptied) holder, which then owns its only reference. On
// failure the holder stays empty and the constructor's status is returned.
HRESULT CreateNetworkProviderFilter(InterfaceHolder<IBaseFilter>& filter);
