#include "tuner/DriverRecordLayout.h"

namespace {

// E_INVALIDARG (ERROR_INVALID_PARAMETER), ERROR_INSUFFICIENT_BUFFER, ERROR_BAD_LENGTH and
// ERROR_INVALID_USER_BUFFER, as HRESULTs.
constexpr uint32_t kMalformedRecordStatuses[] = {0x80070057, 0x8007007A, 0x80070018, 0x800706F8};

} // namespace

bool IsMalformedRecordStatus(int32_t hr)
{
    for (uint32_t status : kMalformedRecordStatuses)
        if (static_cast<uint32_t>(hr) == status)
            return true;
    return false;
}

size_t CDriverRecordLayouts::Known(int nOrdinal) const
{
    return nOrdinal >= 0 && nOrdinal < KEPT_ORDINALS ? m_nLengths[nOrdinal] : 0;
}

void CDriverRecordLayouts::Remember(int nOrdinal, size_t nLength)
{
    if (nOrdinal >= 0 && nOrdinal < KEPT_ORDINALS)
        m_nLengths[nOrdinal] = nLength;
}
