// A hand-made statistics interface whose reads a test scripts and times, for the lock wait
// and the signal levels.
#pragma once

#include "graph/Com.h"

#include <vector>

class CScriptedStatistics final : public IBDA_SignalStatistics
{
public:
    HRESULT hrLocked = S_OK, hrPresent = S_OK, hrStrength = S_OK, hrQuality = S_OK;
    BOOLEAN bLocked = 0, bPresent = 0;
    LONG nStrength = 0, nQuality = 0;
    int nLockAtReading = 0;            // 1-based reading from which lock and presence read 1; 0 never
    std::vector<DWORD> ReadingTimes;   // timeGetTime of every lock read

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == __uuidof(IBDA_SignalStatistics)) {
            *ppv = static_cast<IBDA_SignalStatistics*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG n = InterlockedDecrement(&m_cRef);
        if (n == 0)
            delete this;
        return n;
    }

    STDMETHODIMP put_SignalStrength(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_SignalStrength(LONG* p) override { return Read(hrStrength, p, nStrength); }
    STDMETHODIMP put_SignalQuality(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_SignalQuality(LONG* p) override { return Read(hrQuality, p, nQuality); }
    STDMETHODIMP put_SignalPresent(BOOLEAN) override { return E_NOTIMPL; }
    STDMETHODIMP get_SignalPresent(BOOLEAN* p) override { return Read(hrPresent, p, Reached() ? BOOLEAN(1) : bPresent); }
    STDMETHODIMP put_SignalLocked(BOOLEAN) override { return E_NOTIMPL; }
    STDMETHODIMP get_SignalLocked(BOOLEAN* p) override
    {
        ReadingTimes.push_back(timeGetTime());
        return Read(hrLocked, p, Reached() ? BOOLEAN(1) : bLocked);
    }
    STDMETHODIMP put_SampleTime(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_SampleTime(LONG*) override { return E_NOTIMPL; }

private:
    // A read that does not succeed leaves its output alone.
    template <class T>
    static HRESULT Read(HRESULT hr, T* p, T value)
    {
        if (hr == S_OK)
            *p = value;
        return hr;
    }
    bool Reached() const { return nLockAtReading > 0 && static_cast<int>(ReadingTimes.size()) >= nLockAtReading; }

    LONG m_cRef = 1;
};
