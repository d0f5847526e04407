#include "simtuner/TsGenerator.h"

#include "simtuner/TsServiceTables.h"
#include "ts/Crc32.h"
#include "ts/PsiIds.h"
#include "ts/TestStreamLayout.h"
#include "ts/TsPacket.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint16_t PMT_PID_BASE = 0x1000;
constexpr uint8_t STREAM_TYPE_PRIVATE_SECTIONS = 0x05;
constexpr size_t PACKET = TS_PACKET_SIZE;

void PutLe32(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutBe16(uint8_t* p, uint32_t value)
{
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
}

// The PAT's and PMT's flags: syntax indicator, a zero bit, reserved bits.
constexpr uint8_t FLAGS_PSI = 0xB0;

// A name cut to at most nMax bytes, never inside a UTF-8 sequence.
std::string Cut(const std::string& text, size_t nMax)
{
    if (text.size() <= nMax)
        return text;
    size_t n = nMax;
    while (n > 0 && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80)
        --n;
    return text.substr(0, n);
}

} // namespace

CTsGenerator::CTsGenerator(const TsGeneratorConfig& config)
    : m_Config(config)
{
    TsGeneratorConfig& c = m_Config;
    c.nPrograms = std::clamp<uint32_t>(c.nPrograms, 1, MAX_PROGRAMS);
    c.nTransportStreamId = std::min<uint32_t>(c.nTransportStreamId, 0xFFFF);
    c.nOriginalNetworkId = std::min<uint32_t>(c.nOriginalNetworkId, 0xFFFF);
    c.sProvider = Cut(c.sProvider, MAX_NAME);
    for (TsService& service : c.Services) {
        service.sName = Cut(service.sName, MAX_NAME);
        service.nMajor = std::min<uint32_t>(service.nMajor, 99);
        service.nMinor = std::min<uint32_t>(service.nMinor, 999);
    }
    m_nTablePid = c.bAtsc ? PSI_PSIP_PID : PSI_SDT_PID;
    m_TablePayloads = PacketizeSections(c.bAtsc ? MakeVctSections(c) : MakeSdtSections(c));
    const uint32_t nTables = 1 + c.nPrograms + static_cast<uint32_t>(m_TablePayloads.size());
    c.nPsiInterval = std::max<uint32_t>(c.nPsiInterval, nTables + 1);
    c.nTestPerMille = std::min<uint32_t>(c.nTestPerMille, 1000);
    if (c.nFirstSeq == 0)
        c.nFirstSeq = 1;
    if (c.nDropEvery == 1)
        c.nDropEvery = 2;
    if (c.nBadCrcEvery == 1)
        c.nBadCrcEvery = 2;
    if (c.nGarbageEvery != 0) {
        c.nGarbageEvery = std::max<uint32_t>(c.nGarbageEvery, 3);
        c.nGarbageBytes = std::clamp<uint32_t>(c.nGarbageBytes, 1, MAX_GARBAGE);
    } else {
        c.nGarbageBytes = 0;
    }
    m_nNextSeq = c.nFirstSeq;
}

void CTsGenerator::Fill(uint8_t* pBuffer, size_t nLength)
{
    while (nLength > 0) {
        if (m_nUnitPos == m_nUnitLength) {
            MakeNextUnit();
            while (m_nDropBytes > 0) {
                DropUnit();
                MakeNextUnit();
            }
        }
        const size_t n = std::min(nLength, m_nUnitLength - m_nUnitPos);
        std::memcpy(pBuffer, m_Unit + m_nUnitPos, n);
        m_nUnitPos += n;
        pBuffer += n;
        nLength -= n;
        m_Stats.nBytes += n;
        if (m_nUnitPos == m_nUnitLength)
            Commit();
    }
}

void CTsGenerator::Commit()
{
    m_Stats.nPackets += m_UnitStats.nPackets;
    m_Stats.nTestPackets += m_UnitStats.nTestPackets;
    m_Stats.nBadCrc += m_UnitStats.nBadCrc;
    m_Stats.nLost += m_UnitStats.nLost;
    m_Stats.nGarbageBytes += m_UnitStats.nGarbageBytes;
}

void CTsGenerator::DropUnit()
{
    m_nDropBytes -= std::min<uint64_t>(m_nDropBytes, m_nUnitLength);
    m_Stats.nDroppedBytes += m_nUnitLength;
    ++m_Stats.nDroppedPackets;
    m_Stats.nDroppedTestPackets += m_UnitStats.nTestPackets;
    // Its number, and any skipped before it, show as lost at the next good test packet.
    m_nPendingLost += m_UnitStats.nLost + m_UnitStats.nTestPackets;
    m_nUnitPos = m_nUnitLength;
}

void CTsGenerator::MakeNextUnit()
{
    m_UnitStats = TsGeneratorStats{};
    m_UnitStats.nPackets = 1;
    size_t nGarbage = 0;
    if (m_Config.nGarbageEvery != 0 && m_nPacketIndex != 0 && m_nPacketIndex % m_Config.nGarbageEvery == 0) {
        nGarbage = m_Config.nGarbageBytes;
        for (size_t i = 0; i < nGarbage; ++i) {
            m_nGarbageState = m_nGarbageState * 1664525u + 1013904223u;
            const uint8_t b = static_cast<uint8_t>(m_nGarbageState >> 24);
            m_Unit[i] = b == TS_SYNC_BYTE ? b + 1 : b;
        }
        m_UnitStats.nGarbageBytes = nGarbage;
    }
    uint8_t* pPacket = m_Unit + nGarbage;
    m_nUnitLength = nGarbage + PACKET;
    m_nUnitPos = 0;
    ++m_nPacketIndex;

    const uint32_t nPsiPos = m_nPsiPos;
    m_nPsiPos = m_nPsiPos + 1 == m_Config.nPsiInterval ? 0 : m_nPsiPos + 1;
    if (nPsiPos == 0) {
        MakePat(pPacket);
        return;
    }
    if (nPsiPos <= m_Config.nPrograms) {
        MakePmt(pPacket, nPsiPos);
        return;
    }
    if (nPsiPos <= m_Config.nPrograms + m_TablePayloads.size()) {
        MakeTableFrame(pPacket, nPsiPos - m_Config.nPrograms - 1);
        return;
    }

    m_nShare += m_Config.nTestPerMille;
    if (m_nShare < 1000) {
        MakeHeader(pPacket, TS_PID_NULL, false);
        std::memset(pPacket + 4, 0xFF, PACKET - 4);
        return;
    }
    m_nShare -= 1000;

    // Lost packets use up their sequence numbers; the checker sees the gap at the next good one.
    while (m_Config.nDropEvery != 0 && (m_nTestIndex + 1) % m_Config.nDropEvery == 0) {
        ++m_nTestIndex;
        ++m_nNextSeq;
        ++m_nPendingLost;
    }
    ++m_nTestIndex;
    const bool bBadCrc = m_Config.nBadCrcEvery != 0 && m_nTestIndex % m_Config.nBadCrcEvery == 0;
    MakeTestPacket(pPacket, bBadCrc);
    m_UnitStats.nTestPackets = 1;
    if (bBadCrc) {
        m_UnitStats.nBadCrc = 1;
    } else {
        m_UnitStats.nLost = m_nPendingLost;
        m_nPendingLost = 0;
    }
}

void CTsGenerator::MakeHeader(uint8_t* pPacket, uint16_t nPid, bool bUnitStart)
{
    uint8_t nContinuity = 0;
    if (nPid == PSI_PAT_PID)
        nContinuity = m_Continuity[0]++;
    else if (nPid == TS_TEST_PID)
        nContinuity = m_Continuity[MAX_PROGRAMS + 1]++;
    else if (nPid == m_nTablePid)
        nContinuity = m_Continuity[MAX_PROGRAMS + 2]++;
    else if (nPid != TS_PID_NULL)
        nContinuity = m_Continuity[nPid - PMT_PID_BASE]++;
    pPacket[0] = TS_SYNC_BYTE;
    pPacket[1] = static_cast<uint8_t>((bUnitStart ? 0x40 : 0x00) | (nPid >> 8));
    pPacket[2] = static_cast<uint8_t>(nPid);
    pPacket[3] = static_cast<uint8_t>(0x10 | (nContinuity & 0x0F));  // payload only
}

void CTsGenerator::MakePat(uint8_t* pPacket)
{
    MakeHeader(pPacket, PSI_PAT_PID, true);
    std::memset(pPacket + 4, 0xFF, PACKET - 4);
    pPacket[4] = 0;  // pointer field
    uint8_t* s = pPacket + 5;
    s[0] = PSI_TABLE_PAT;
    PutBe16(s + 3, m_Config.nTransportStreamId);
    s[5] = 0xC1;  // version 0, current
    s[6] = 0;
    s[7] = 0;
    uint8_t* p = s + 8;
    for (uint32_t n = 1; n <= m_Config.nPrograms; ++n, p += 4) {
        PutBe16(p, n);
        PutBe16(p + 2, 0xE000 | (PMT_PID_BASE + n));
    }
    FinishSection(s, p, FLAGS_PSI);
}

void CTsGenerator::MakePmt(uint8_t* pPacket, uint32_t nProgram)
{
    MakeHeader(pPacket, static_cast<uint16_t>(PMT_PID_BASE + nProgram), true);
    std::memset(pPacket + 4, 0xFF, PACKET - 4);
    pPacket[4] = 0;
    uint8_t* s = pPacket + 5;
    s[0] = PSI_TABLE_PMT;
    PutBe16(s + 3, nProgram);
    s[5] = 0xC1;
    s[6] = 0;
    s[7] = 0;
    PutBe16(s + 8, 0xE000 | TS_PID_NULL);  // no PCR
    PutBe16(s + 10, 0xF000);            // no program descriptors
    // Every program carries the test stream, so that each lists a stream.
    uint8_t* p = s + 12;
    p[0] = STREAM_TYPE_PRIVATE_SECTIONS;
    PutBe16(p + 1, 0xE000 | TS_TEST_PID);
    PutBe16(p + 3, 0xF000);
    p += 5;
    FinishSection(s, p, FLAGS_PSI);
}

void CTsGenerator::MakeTableFrame(uint8_t* pPacket, size_t nIndex)
{
    const TsTablePayload& payload = m_TablePayloads[nIndex];
    MakeHeader(pPacket, m_nTablePid, payload.bUnitStart);
    std::memcpy(pPacket + 4, payload.Bytes.data(), payload.Bytes.size());
}

void CTsGenerator::MakeTestPacket(uint8_t* pPacket, bool bBadCrc)
{
    MakeHeader(pPacket, TS_TEST_PID, false);
    const uint32_t seq = m_nNextSeq++;
    PutLe32(pPacket + TS_TEST_SEQ_OFFSET, seq);
    for (int32_t i = TS_TEST_SEQ_OFFSET + 4; i < TS_TEST_CRC_OFFSET; ++i)
        pPacket[i] = static_cast<uint8_t>(seq * 7 + static_cast<uint32_t>(i));
    uint32_t crc = Crc32Mpeg2(pPacket, TS_TEST_CRC_OFFSET);
    if (bBadCrc)
        crc = ~crc;
    PutLe32(pPacket + TS_TEST_CRC_OFFSET, crc);
}
