// A hand-made media sample over a caller's buffer: answers its pointer, valid length and
// buffer size (the length unless given), and counts every other call so tests see what
// Receive consults.
#pragma once

#include "graph/Com.h"

class CFakeSample : public IMediaSample
{
public:
    CFakeSample(BYTE* pBuffer, long nLength) : CFakeSample(pBuffer, nLength, nLength) {}
    CFakeSample(BYTE* pBuffer, long nLength, long nSize) : m_pBuffer(pBuffer), m_nLength(nLength), m_nSize(nSize) {}
    virtual ~CFakeSample() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IMediaSample) {
            *ppv = static_cast<IMediaSample*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack: counted, never deleted.
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++m_cRef); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--m_cRef); }

    STDMETHODIMP GetPointer(BYTE** ppBuffer) override
    {
        if (FAILED(m_hrGetPointer))
            return m_hrGetPointer;
        *ppBuffer = m_pBuffer;
        return S_OK;
    }
    STDMETHODIMP_(long) GetSize() override { return m_nSize; }
    STDMETHODIMP GetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return Other(VFW_E_SAMPLE_TIME_NOT_SET); }
    STDMETHODIMP SetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return Other(S_OK); }
    STDMETHODIMP IsSyncPoint() override { return Other(S_FALSE); }
    STDMETHODIMP SetSyncPoint(BOOL) override { return Other(S_OK); }
    STDMETHODIMP IsPreroll() override { return Other(S_FALSE); }
    STDMETHODIMP SetPreroll(BOOL) override { return Other(S_OK); }
    STDMETHODIMP_(long) GetActualDataLength() override { return m_nLength; }
    STDMETHODIMP SetActualDataLength(long) override { return Other(S_OK); }
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** ppMediaType) override
    {
        *ppMediaType = nullptr;
        return Other(S_FALSE);
    }
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE*) override { return Other(S_OK); }
    STDMETHODIMP IsDiscontinuity() override { return Other(S_FALSE); }
    STDMETHODIMP SetDiscontinuity(BOOL) override { return Other(S_OK); }
    STDMETHODIMP GetMediaTime(LONGLONG*, LONGLONG*) override { return Other(VFW_E_MEDIA_TIME_NOT_SET); }
    STDMETHODIMP SetMediaTime(LONGLONG*, LONGLONG*) override { return Other(S_OK); }

    LONG m_cRef = 1;
    HRESULT m_hrGetPointer = S_OK;
    int m_nOtherCalls = 0;

private:
    template <class T>
    T Other(T result)
    {
        ++m_nOtherCalls;
        return result;
    }

    BYTE* m_pBuffer;
    long m_nLength;
    long m_nSize;
};
