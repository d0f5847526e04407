// The simulated tuner's transport stream: PAT, one PMT per program and the service table at
// a fixed interval, test packets on PID 0x100 (sequence number and CRC-32/MPEG-2 as the
// capture checker reads them) and null packets, with optional impairments. The stream
// continues across Fill calls of any length.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A program's service as the service table names it.
struct TsService {
    std::string sName;    // empty: "QLSim Service <program>"
    uint32_t nMajor = 0;  // ATSC channel number major.minor; 0: 1.<program>
    uint32_t nMinor = 0;
};

struct TsGeneratorConfig {
    uint32_t nPrograms = 1;        // programs 1..n, PMT of program n on PID 0x1000 + n (1..32)
    uint32_t nPsiInterval = 1000;  // packets from one PAT to the next (at least the tables and one more)
    uint32_t nTestPerMille = 500;  // share of the other packets on the test PID; the rest are null
    uint32_t nFirstSeq = 1;        // sequence number of the first test packet (not 0)
    // Impairments, 0 for none.
    uint32_t nDropEvery = 0;     // every Nth test packet (N >= 2) is not sent; its number is skipped
    uint32_t nBadCrcEvery = 0;   // every Nth test packet (N >= 2) carries a wrong CRC
    uint32_t nGarbageEvery = 0;  // garbage before every Nth packet (N >= 3, so sync stays unambiguous)
    uint32_t nGarbageBytes = 0;  // bytes of each garbage run (1..64, never 0x47)
    // Service information after the PMTs: the SDT on PID 0x11, or for ATSC the terrestrial
    // VCT on PID 0x1FFB instead (ATSC streams carry no SDT).
    bool bAtsc = false;
    uint32_t nTransportStreamId = 1;  // 0..65535
    uint32_t nOriginalNetworkId = 1;  // 0..65535
    std::string sProvider = "QLSim";  // at most 64 bytes of UTF-8, as every name
    std::vector<TsService> Services;  // by program, the first for program 1; missing ones by default
};

// Counts of what has been delivered whole; a packet cut by the end of a Fill counts once
// its last byte is out.
struct TsGeneratorStats {
    uint64_t nBytes = 0;
    uint64_t nPackets = 0;      // packets of every PID
    uint64_t nTestPackets = 0;  // test packets sent
    uint64_t nBadCrc = 0;       // test packets sent with a wrong CRC
    uint64_t nLost = 0;         // test sequence numbers skipped before a test packet with a good CRC
    uint64_t nGarbageBytes = 0;
    // Left out by Drop: whole units (a packet and the garbage before it).
    uint64_t nDroppedBytes = 0;
    uint64_t nDroppedPackets = 0;
    uint64_t nDroppedTestPackets = 0;
};

// A packet payload of a PSI table: a unit start begins with a zero pointer field.
struct TsTablePayload {
    bool bUnitStart;
    std::array<uint8_t, 184> Bytes;
};

class CTsGenerator {
public:
    // Out-of-range settings are brought to their nearest valid value.
    explicit CTsGenerator(const TsGeneratorConfig& config);

    void Fill(uint8_t* pBuffer, size_t nLength);
    // Leaves out whole packets worth at least nBytes after the one under way, as a driver
    // whose buffers overflowed: their sequence and continuity numbers are skipped.
    void Drop(uint64_t nBytes) { m_nDropBytes += nBytes; }
    const TsGeneratorStats& Stats() const { return m_Stats; }
    const TsGeneratorConfig& Config() const { return m_Config; }

private:
    static constexpr size_t MAX_GARBAGE = 64;
    static constexpr uint32_t MAX_PROGRAMS = 32;
    static constexpr size_t MAX_NAME = 64;

    void MakeNextUnit();
    void MakePat(uint8_t* pPacket);
    void MakePmt(uint8_t* pPacket, uint32_t nProgram);
    void MakeTableFrame(uint8_t* pPacket, size_t nIndex);
    void MakeTestPacket(uint8_t* pPacket, bool bBadCrc);
    void DropUnit();
    void MakeHeader(uint8_t* pPacket, uint16_t nPid, bool bUnitStart);
    void Commit();

    TsGeneratorConfig m_Config;
    TsGeneratorStats m_Stats;

    // The unit being delivered: optional garbage, then one packet.
    uint8_t m_Unit[MAX_GARBAGE + 188] = {};
    size_t m_nUnitLength = 0;
    size_t m_nUnitPos = 0;
    TsGeneratorStats m_UnitStats;  // what the unit adds to m_Stats once it is out

    uint64_t m_nPacketIndex = 0;    // packets made so far
    uint32_t m_nPsiPos = 0;         // position within the PSI interval
    uint32_t m_nShare = 0;          // test/null distribution accumulator
    uint64_t m_nTestIndex = 0;      // test sequence numbers used so far
    uint32_t m_nNextSeq = 1;
    uint64_t m_nPendingLost = 0;    // skipped numbers not yet followed by a good test packet
    uint32_t m_nGarbageState = 1;   // garbage byte generator
    uint64_t m_nDropBytes = 0;      // still to leave out
    uint16_t m_nTablePid = 0;       // the service table's PID and its packets, made once
    std::vector<TsTablePayload> m_TablePayloads;
    uint8_t m_Continuity[MAX_PROGRAMS + 3] = {};  // PAT, PMTs, test PID, service table
};
