// The simulated tuner's two pins: the antenna input, which carries the maker's private
// property, and the transport stream output that the streaming thread delivers on.
#pragma once

#include "filters/BaseInputPin.h"
#include "filters/BaseOutputPin.h"

class CSimTunerFilter;

class CSimAntennaPin : public CBaseInputPin, public IKsPropertySet
{
public:
    CSimAntennaPin(CSimTunerFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
    // The antenna carries no samples; anything that arrives is dropped.
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;

    // IKsPropertySet
    HRESULT STDMETHODCALLTYPE Set(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData, DWORD cbInstanceData,
                                  LPVOID pPropData, DWORD cbPropData) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData, DWORD cbInstanceData,
                                  LPVOID pPropData, DWORD cbPropData, DWORD* pcbReturned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) override;

private:
    HRESULT SetVendorIoctl(DWORD cbInstanceData, const void* pPropData, DWORD cbPropData);

    CSimTunerFilter* m_pTuner;
};

class CSimTsOutputPin : public CBaseOutputPin
{
public:
    CSimTsOutputPin(CSimTunerFilter* pFilter, CCritSec* pLock, HRESULT* phr);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop) override;

private:
    CSimTunerFilter* m_pTuner;
};

// The transport stream types a simulated pin offers and accepts, by position (0 or 1).
bool GetTransportStreamType(int iPosition, CMediaType* pMediaType);
bool IsTransportStreamType(const CMediaType* pmt);
