#include "capture/TsPacketChecker.h"

#include "ts/TsSync.h"

#include <cstring>

std::atomic<uint64_t> nBitsReceived{0};
std::atomic<uint32_t> nFirstSeq{0};
std::atomic<uint32_t> nExpectedSeq{0};
std::atomic<uint32_t> nTestPackets{0};
std::atomic<uint32_t> nCrcErrors{0};
std::atomic<uint32_t> nLostPackets{0};

namespace {

uint32_t ReadLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// The counters have a single writer, so a plain load and store is enough to publish.
template <typename T>
void Add(std::atomic<T>& counter, T value)
{
    counter.store(counter.load(std::memory_order_relaxed) + value, std::memory_order_relaxed);
}

template <typename T>
void Set(std::atomic<T>& counter, T value)
{
    counter.store(value, std::memory_order_relaxed);
}

void CheckTestPacket(const uint8_t* pPacket)
{
    const bool bCrcOk = Crc32Mpeg2(pPacket, TS_TEST_CRC_OFFSET) == ReadLe32(pPacket + TS_TEST_CRC_OFFSET);
    const uint32_t seq = ReadLe32(pPacket + TS_TEST_SEQ_OFFSET);

    if (nFirstSeq.load(std::memory_order_relaxed) == 0) {
        Set(nExpectedSeq, 0u);
        Set(nTestPackets, 0u);
        Set(nCrcErrors, 0u);
        Set(nLostPackets, 0u);
        if (bCrcOk && seq != 0) {
            Set(nExpectedSeq, seq);
            Set(nTestPackets, 1u);
            Set(nFirstSeq, seq);
        }
        return;
    }

    // Sequence 1 means the sender restarted: re-anchor without counting a loss.
    if (seq == 1) {
        Set(nFirstSeq, 1u);
        Set(nExpectedSeq, 1u);
    }
    Add(nTestPackets, 1u);
    const uint32_t expected = nExpectedSeq.load(std::memory_order_relaxed) + 1;
    Set(nExpectedSeq, expected);

    if (!bCrcOk) {
        Add(nCrcErrors, 1u);
        return;
    }
    if (seq == expected)
        return;
    if (seq > expected) {
        const uint32_t gap = seq - expected;
        Add(nLostPackets, gap);
        Add(nTestPackets, gap);
    }
    Set(nExpectedSeq, seq);
}

} // namespace

void CheckPacket(const uint8_t* pPacket, int32_t nPid)
{
    Add(nBitsReceived, TS_BITS_PER_PACKET);
    if (nPid == TS_TEST_PID)
        CheckTestPacket(pPacket);
}

CTestStreamChecker g_TestStreamChecker;

void CTestStreamChecker::OnPacket(const uint8_t* pPacket)
{
    if (CTsPacket(pPacket).Pid() == TS_TEST_PID)
        CheckTestPacket(pPacket);
}

void AlignPackets(const uint8_t* pData, int32_t nLength, uint8_t* pCarry, int32_t& nCarry)
{
    static const CPacketConsumers checkerOnly(&g_TestStreamChecker);
    AlignPackets(pData, nLength, pCarry, nCarry, checkerOnly);
}

void AlignPackets(const uint8_t* pData, int32_t nLength, uint8_t* pCarry, int32_t& nCarry,
                  const CPacketConsumers& consumers)
{
    AlignPackets(pData, nLength, pCarry, nCarry, consumers.Take());
}

void AlignPackets(const uint8_t* pData, int32_t nLength, uint8_t* pCarry, int32_t& nCarry,
                  const CPacketConsumers::Snapshot& deliver)
{
    if (!pData || !pCarry)
        return;
    if (nCarry < 0 || nCarry >= TS_PACKET_SIZE)
        nCarry = 0;

    // Packets of every PID are counted here and published once per run.
    uint64_t nPackets = 0;
    while (nLength > 0) {
        if (nCarry != 0) {
            const int32_t n = nLength < TS_PACKET_SIZE - nCarry ? nLength : TS_PACKET_SIZE - nCarry;
            std::memcpy(pCarry + nCarry, pData, static_cast<size_t>(n));
            nCarry += n;
            pData += n;
            nLength -= n;
            if (nCarry == TS_PACKET_SIZE) {
                ++nPackets;
                deliver.Deliver(pCarry);
                nCarry = 0;
            }
            continue;
        }

        if (*pData != TS_SYNC_BYTE) {
            const int32_t nSkip = static_cast<int32_t>(FindSyncPoint(pData, static_cast<size_t>(nLength)));
            deliver.Skipped(static_cast<uint32_t>(nSkip));
            pData += nSkip;
            nLength -= nSkip;
            if (nLength == 0)
                break;
        }
        if (nLength < TS_PACKET_SIZE) {
            std::memcpy(pCarry, pData, static_cast<size_t>(nLength));
            nCarry = nLength;
            break;
        }
        // Only one cache line in three is read here, too sparse for the hardware to run ahead:
        // ask for the line some 12 KB on early (a miss costs nothing, a hint never faults).
        __builtin_prefetch(pData + 64 * TS_PACKET_SIZE);
        ++nPackets;
        deliver.Deliver(pData);
        pData += TS_PACKET_SIZE;
        nLength -= TS_PACKET_SIZE;
    }
    Add(nBitsReceived, nPackets * TS_BITS_PER_PACKET);
    deliver.RunEnd();
}

void ResetTestStreamCounters()
{
    Set(nBitsReceived, uint64_t{0});
    Set(nFirstSeq, 0u);
    Set(nExpectedSeq, 0u);
    Set(nTestPackets, 0u);
    Set(nCrcErrors, 0u);
    Set(nLostPackets, 0u);
}
