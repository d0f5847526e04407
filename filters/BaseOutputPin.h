// Output pin base: allocator decision with the connected input pin, and sample delivery.
// A derived pin supplies CheckMediaType, GetMediaType and DecideBufferSize.
#pragma once

#include "filters/BasePin.h"

class CBaseOutputPin : public CBasePin
{
public:
    CBaseOutputPin(const char* pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                   LPCWSTR pName);
    ~CBaseOutputPin() override;

    // IPin: an output pin takes no stream commands from downstream.
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT CheckConnect(IPin* pPin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;

    // Hooks, in this order after CBasePin's.
    // Settles the allocator with the input pin: its own first, then one of InitAllocator.
    virtual HRESULT DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc);
    // Sets the buffer count and size on pAlloc (IMemAllocator::SetProperties).
    virtual HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop) = 0;
    // A sample from the agreed allocator (blocks while all are in use); E_NOINTERFACE without
    // one, and a failure once the allocator is decommitted (the graph stopping).
    virtual HRESULT GetDeliveryBuffer(IMediaSample** ppSample, REFERENCE_TIME* pStartTime,
                                      REFERENCE_TIME* pEndTime, DWORD dwFlags);
    // Hands a sample to the connected input pin's Receive; VFW_E_NOT_CONNECTED without one.
    virtual HRESULT Deliver(IMediaSample* pSample);
    virtual HRESULT InitAllocator(IMemAllocator** ppAlloc);
    virtual HRESULT DeliverEndOfStream();
    virtual HRESULT DeliverBeginFlush();
    virtual HRESULT DeliverEndFlush();
    virtual HRESULT DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

protected:
    InterfaceHolder<IMemAllocator> m_pAllocator;
    InterfaceHolder<IMemInputPin> m_pInputPin;
};
