// IEnumMediaTypes over the media types a pin proposes (its GetMediaType positions).
#pragma once

#include "filters/LiveObject.h"
#include "graph/Com.h"

class CBasePin;

class CEnumMediaTypes : public IEnumMediaTypes, public CLiveObject
{
public:
    // A new enumerator over pPin (pEnumMediaTypes null), or a copy of pEnumMediaTypes. Null
    // when the object cannot be allocated. The result holds one reference.
    static CEnumMediaTypes* Create(CBasePin* pPin, CEnumMediaTypes* pEnumMediaTypes);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // Each fetched type is task memory; the caller frees it (DeleteMediaType).
    HRESULT STDMETHODCALLTYPE Next(ULONG cTypes, AM_MEDIA_TYPE** ppTypes, ULONG* pcFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG cTypes) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** ppEnum) override;

private:
    CEnumMediaTypes(CBasePin* pPin, CEnumMediaTypes* pEnumMediaTypes);
    virtual ~CEnumMediaTypes();
    CEnumMediaTypes(const CEnumMediaTypes&) = delete;
    CEnumMediaTypes& operator=(const CEnumMediaTypes&) = delete;

    bool AreWeOutOfSync() const;

    int m_Position;
    CBasePin* m_pPin;
    LONG m_Version;
    LONG volatile m_cRef;
};
