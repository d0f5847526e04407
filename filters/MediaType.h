// AM_MEDIA_TYPE with ownership of its format block and pUnk reference.
#pragma once

#include "graph/Com.h"

// Releases the format block (task memory) and pUnk of a record; the record stays.
void FreeMediaType(AM_MEDIA_TYPE& mt);
// Deep copy into an uninitialised target. E_OUTOFMEMORY leaves the target without format.
HRESULT CopyMediaType(AM_MEDIA_TYPE* pmtTarget, const AM_MEDIA_TYPE* pmtSource);
// Frees a record allocated with CoTaskMemAlloc, with its contents; null is ignored.
void DeleteMediaType(AM_MEDIA_TYPE* pmt);

// Adds no data members, so a CMediaType and an AM_MEDIA_TYPE share one layout.
class CMediaType : public AM_MEDIA_TYPE
{
public:
    CMediaType();
    CMediaType(const CMediaType& rt);
    explicit CMediaType(const AM_MEDIA_TYPE& rt);
    ~CMediaType();
    CMediaType& operator=(const CMediaType& rt);
    CMediaType& operator=(const AM_MEDIA_TYPE& rt);

    // Every field zero, except lSampleSize 1 and bFixedSizeSamples TRUE (no format freed).
    void InitMediaType();
    void Free() { FreeMediaType(*this); }
    // Assignment that reports a failed format copy; self-assignment does nothing.
    HRESULT Set(const AM_MEDIA_TYPE& rt);

    bool IsPartiallySpecified() const;
    // True when every field that the partial type specifies matches this type.
    bool MatchesPartial(const AM_MEDIA_TYPE* pPartial) const;

    void SetType(const GUID* pType) { majortype = *pType; }
    void SetSubtype(const GUID* pType) { subtype = *pType; }
    void SetFormatType(const GUID* pType) { formattype = *pType; }
};
