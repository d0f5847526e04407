// IEnumPins over a filter's pins; never hands out one pin twice, even across a refresh.
#pragma once

#include "filters/LiveObject.h"
#include "graph/Com.h"

#include <vector>

class CBaseFilter;
class CBasePin;

class CEnumPins : public IEnumPins, public CLiveObject
{
public:
    // A new enumerator over pFilter (pEnumPins null), or a copy of pEnumPins. Null when the
    // object cannot be allocated. The result holds one reference.
    static CEnumPins* Create(CBaseFilter* pFilter, CEnumPins* pEnumPins);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG cPins) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** ppEnum) override;

private:
    CEnumPins(CBaseFilter* pFilter, CEnumPins* pEnumPins);
    virtual ~CEnumPins();
    CEnumPins(const CEnumPins&) = delete;
    CEnumPins& operator=(const CEnumPins&) = delete;

    bool AreWeOutOfSync() const;
    void Refresh();
    bool IsCached(CBasePin* pPin) const;

    int m_Position;
    int m_PinCount;
    CBaseFilter* m_pFilter;
    LONG m_Version;
    LONG volatile m_cRef;
    std::vector<CBasePin*> m_PinCache;
};
