// Input pin base: the IMemInputPin side (allocator offer and notification, flushing).
// A derived pin supplies CheckMediaType and IMemInputPin::Receive.
#pragma once

#include "filters/BasePin.h"

class CBaseInputPin : public CBasePin, public IMemInputPin
{
public:
    CBaseInputPin(const char* pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                  LPCWSTR pName);
    ~CBaseInputPin() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IPin
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

    // IQualityControl
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* pSender, Quality q) override;

    // IMemInputPin (Receive stays with the derived pin)
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** ppAllocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** pSamples, long nSamples,
                                              long* nSamplesProcessed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

    HRESULT Inactive() override;
    HRESULT BreakConnect() override;

    // Hook after CBasePin's: whether a sample may be received now. S_OK while active, not
    // flushing and without run-time error; S_FALSE while flushing; VFW_E_WRONG_STATE when
    // stopped; VFW_E_RUNTIME_ERROR after a run-time error.
    virtual HRESULT CheckStreaming();

    bool IsFlushing() const { return m_bFlushing != 0; }
    bool IsReadOnly() const { return m_bReadOnly != 0; }

protected:
    InterfaceHolder<IMemAllocator> m_pAllocator;
    BYTE m_bReadOnly;
    BYTE volatile m_bFlushing;
    AM_SAMPLE2_PROPERTIES m_SampleProps;
};
