// The network provider's one output pin, "Antenna Output". It never delivers data; while it
// connects to a tuner's input pin it sets up the tuner's BDA topology: it creates the pins
// the driver does not expose yet and joins the input pin to the output pin.
#pragma once

#include "filters/BaseOutputPin.h"

class CNetworkProviderFilter;

class CAntennaOutputPin : public CBaseOutputPin
{
public:
    CAntennaOutputPin(CNetworkProviderFilter* pFilter, HRESULT* phr, LPCWSTR pPinName);
    ~CAntennaOutputPin() override;

    // Runs the topology set-up on the peer whose transport face the connection holds.
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    // Position 0: the BDA antenna type; every other position ends the list.
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
    // Asks for one buffer of one byte; whatever the allocator grants is accepted.
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop) override;

    // Creates the tuner's missing input and output pins and joins them. The status is that
    // of IBDA_Topology::CreateTopology, or the failure that kept it from being called.
    HRESULT ConfigureTunerTopology(IPin* pPeerPin);

private:
    CCritSec m_PinLock;
};
