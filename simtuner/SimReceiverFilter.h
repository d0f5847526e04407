// The simulated BDA receiver component: a pass-through filter that copies each transport
// stream sample from its input to its output pin. It can be set to refuse every connection,
// as a receiver that does not fit the tuner in front of it would.
#pragma once

#include "filters/BaseFilter.h"
#include "filters/BaseInputPin.h"
#include "filters/BaseOutputPin.h"
#include "simtuner/SimSettings.h"

class CSimReceiverFilter;

class CSimReceiverInputPin : public CBaseInputPin
{
public:
    CSimReceiverInputPin(CSimReceiverFilter* pFilter, CCritSec* pLock, HRESULT* phr);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;
    // The allocator's buffer size, so that the output's buffers take whole samples.
    long BufferSize();

private:
    CSimReceiverFilter* m_pReceiver;
};

class CSimReceiverOutputPin : public CBaseOutputPin
{
public:
    CSimReceiverOutputPin(CSimReceiverFilter* pFilter, CCritSec* pLock, HRESULT* phr);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop) override;

private:
    CSimReceiverFilter* m_pReceiver;
};

class CSimReceiverFilter : public CBaseFilter, public IPersistPropertyBag
{
public:
    explicit CSimReceiverFilter(HRESULT* phr);
    ~CSimReceiverFilter() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClsID) override { return CBaseFilter::GetClassID(pClsID); }

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override;

    // IPersistPropertyBag
    HRESULT STDMETHODCALLTYPE InitNew() override;
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;

    bool Refuses() const { return m_Settings.bRefuse; }
    CSimReceiverInputPin* InputPin() { return m_pInput; }
    CSimReceiverOutputPin* OutputPin() { return m_pOutput; }

private:
    CCritSec m_Lock;
    SimReceiverSettings m_Settings;
    bool m_bLoaded = false;
    CSimReceiverInputPin* m_pInput = nullptr;
    CSimReceiverOutputPin* m_pOutput = nullptr;
};
