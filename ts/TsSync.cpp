#include "ts/TsSync.h"

#include "ts/TsPacket.h"

#include <cstring>

size_t FindSyncPoint(const uint8_t* pData, size_t nLength)
{
    constexpr size_t PACKET = TS_PACKET_SIZE;
    size_t i = 1;
    while (i < nLength) {
        const void* pNext = std::memchr(pData + i, TS_SYNC_BYTE, nLength - i);
        if (!pNext)
            return nLength;
        i = static_cast<size_t>(static_cast<const uint8_t*>(pNext) - pData);
        const size_t nLeft = nLength - i;
        if ((nLeft <= PACKET || pData[i + PACKET] == TS_SYNC_BYTE) &&
            (nLeft <= 2 * PACKET || pData[i + 2 * PACKET] == TS_SYNC_BYTE))
            return i;
        ++i;
    }
    return nLength;
}
