#include "filters/MediaType.h"

#include <cstring>

void FreeMediaType(AM_MEDIA_TYPE& mt)
{
    if (mt.cbFormat != 0) {
        CoTaskMemFree(mt.pbFormat);
        mt.cbFormat = 0;
        mt.pbFormat = nullptr;
    }
    if (mt.pUnk) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* pmtTarget, const AM_MEDIA_TYPE* pmtSource)
{
    *pmtTarget = *pmtSource;
    // The target owns its own pUnk reference whatever happens to the format block, so that
    // freeing it never releases the source's reference.
    if (pmtTarget->pUnk)
        pmtTarget->pUnk->AddRef();
    if (pmtSource->cbFormat == 0 || !pmtSource->pbFormat) {
        pmtTarget->cbFormat = 0;
        pmtTarget->pbFormat = nullptr;
        return S_OK;
    }
    pmtTarget->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(pmtSource->cbFormat));
    if (!pmtTarget->pbFormat) {
        pmtTarget->cbFormat = 0;
        return E_OUTOFMEMORY;
    }
    std::memcpy(pmtTarget->pbFormat, pmtSource->pbFormat, pmtSource->cbFormat);
    return S_OK;
}

void DeleteMediaType(AM_MEDIA_TYPE* pmt)
{
    if (!pmt)
        return;
    FreeMediaType(*pmt);
    CoTaskMemFree(pmt);
}

CMediaType::CMediaType()
{
    InitMediaType();
}

CMediaType::CMediaType(const CMediaType& rt) : AM_MEDIA_TYPE()
{
    CopyMediaType(this, &rt);
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& rt) : AM_MEDIA_TYPE()
{
    CopyMediaType(this, &rt);
}

CMediaType::~CMediaType()
{
    Free();
}

CMediaType& CMediaType::operator=(const CMediaType& rt)
{
    Set(rt);
    return *this;
}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& rt)
{
    Set(rt);
    return *this;
}

void CMediaType::InitMediaType()
{
    std::memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE));
    lSampleSize = 1;
    bFixedSizeSamples = TRUE;
}

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& rt)
{
    if (&rt == this)
        return S_OK;
    Free();
    return CopyMediaType(this, &rt);
}

bool CMediaType::IsPartiallySpecified() const
{
    return majortype == GUID_NULL || formattype == GUID_NULL;
}

bool CMediaType::MatchesPartial(const AM_MEDIA_TYPE* pPartial) const
{
    if (pPartial->majortype != GUID_NULL && pPartial->majortype != majortype)
        return false;
    if (pPartial->subtype != GUID_NULL && pPartial->subtype != subtype)
        return false;
    if (pPartial->formattype != GUID_NULL) {
        if (pPartial->formattype != formattype || pPartial->cbFormat != cbFormat)
            return false;
        if (cbFormat != 0) {
            if (!pPartial->pbFormat || !pbFormat)
                return pPartial->pbFormat == pbFormat;
            if (std::memcmp(pPartial->pbFormat, pbFormat, cbFormat) != 0)
                return false;
        }
    }
    return true;
}
