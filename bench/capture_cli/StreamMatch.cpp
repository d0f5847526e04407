// Checks a capture of the simulated tuner's synthetic stream against the stream itself. The
// generator is deterministic, so the stream is made again here from the scenario's settings
// and the file must be contiguous runs of it: the first run found by the sequence number of
// the file's first test packet, each further run after a gap where the driver's buffers
// overflowed (drops leave out whole packets, so every run keeps the packet grid). The file
// may begin and end inside a packet. Beside the match, the capture's own test stream checker
// reads the file, and the continuity errors a stream analysis must count are predicted from
// the packets each PID lost before its next packet in the file.
//   bench_stream_match <scenario file> <tuner name> <capture.ts>
// Prints one JSON object; exits 0 when the file is exact runs of the stream, 1 when not,
// 2 when it cannot check.
#include "capture/TsPacketChecker.h"
#include "simtuner/SimScenario.h"
#include "simtuner/TsGenerator.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr size_t PACKET = TS_PACKET_SIZE;
constexpr uint16_t NULL_PID = 0x1FFF;
constexpr size_t LOOKAHEAD = 64;  // file packets searched for a test packet after a gap
constexpr size_t SYNC_CONFIRM = 4;
constexpr size_t CHECK_CHUNK = 1 << 20;
constexpr uint64_t MAX_SKIP = uint64_t{1} << 27;  // packets searched for a test packet's number

using Packet = std::array<uint8_t, PACKET>;

uint16_t PidOf(const uint8_t* p)
{
    return static_cast<uint16_t>((p[1] & 0x1F) << 8 | p[2]);
}

uint32_t SeqOf(const uint8_t* p)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | p[TS_TEST_SEQ_OFFSET + i];
    return v;
}

// The source stream packet by packet, with the last LOOKAHEAD packets kept for a resync.
class CSourcePackets {
public:
    explicit CSourcePackets(const TsGeneratorConfig& config) : m_Generator(config), m_Ring(LOOKAHEAD) {}

    const uint8_t* Peek()
    {
        if (!m_bHeld) {
            m_Generator.Fill(m_Held.data(), PACKET);
            m_bHeld = true;
        }
        return m_Held.data();
    }
    void Take()
    {
        Peek();
        m_Ring[m_nIndex % LOOKAHEAD] = m_Held;
        ++m_nIndex;
        m_bHeld = false;
    }
    uint64_t Index() const { return m_nIndex; }
    // A packet taken less than LOOKAHEAD packets ago.
    const uint8_t* Taken(uint64_t nIndex) const { return m_Ring[nIndex % LOOKAHEAD].data(); }

private:
    CTsGenerator m_Generator;
    Packet m_Held{};
    bool m_bHeld = false;
    uint64_t m_nIndex = 0;
    std::vector<Packet> m_Ring;
};

struct Gap {
    uint64_t nFileOffset = 0;
    uint64_t nPackets = 0;
    uint64_t nTestPackets = 0;
};

// A PID that lost n packets with payload until its next packet in the file: the counter is
// n + 1 ahead. A step of 16 cannot be seen, and a counter that repeats is taken for a
// duplicate packet.
bool CcErrorAfter(uint16_t nPid, uint64_t nLost)
{
    return nPid != NULL_PID && nLost % 16 != 0 && nLost % 16 != 15;
}

class CMatcher {
public:
    CMatcher(const TsGeneratorConfig& config, const uint8_t* pData, size_t nSize)
        : m_Source(config), m_pData(pData), m_nSize(nSize)
    {
    }

    bool Run()
    {
        if (!FindGrid())
            return Fail("no packet grid in the file");
        m_nPackets = (m_nSize - m_nGrid) / PACKET;
        std::map<uint16_t, uint64_t> beforeFile;  // the stream before the capture began: no gap
        if (!Resync(0, &beforeFile))
            return false;
        // The bytes before the first whole packet end the source packet before it.
        const uint64_t nFirst = m_nSourceAtFile;
        if (m_nGrid > 0 && (nFirst == 0 || memcmp(m_pData, m_Source.Taken(nFirst - 1) + PACKET - m_nGrid, m_nGrid)))
            ++m_nCorrupt;
        m_nSourceOffset = nFirst * PACKET - m_nGrid;
        while (m_nNext < m_nPackets) {
            if (memcmp(FilePacket(m_nNext), m_Source.Peek(), PACKET) == 0) {
                m_Source.Take();
                Settle(m_nNext++);
                continue;
            }
            std::map<uint16_t, uint64_t> skipped;
            const uint64_t nAt = m_nNext;
            if (!Resync(nAt, &skipped))
                return false;
            Gap gap;
            gap.nFileOffset = m_nGrid + nAt * PACKET;
            for (const auto& [pid, count] : skipped) {
                gap.nPackets += count;
                gap.nTestPackets += pid == TS_TEST_PID ? count : 0;
            }
            if (gap.nPackets > 0)
                m_Gaps.push_back(gap);
            for (const auto& [pid, count] : skipped)
                m_Pending[pid] += count;
            for (uint64_t i = nAt; i < m_nNext; ++i)
                Settle(i);
            // The test packet placed the run, yet this packet differs: damaged in the file.
            if (memcmp(FilePacket(m_nNext), m_Source.Peek(), PACKET) != 0) {
                ++m_nCorrupt;
                m_Source.Take();
                Settle(m_nNext++);
            }
        }
        const size_t nTail = m_nSize - m_nGrid - m_nPackets * PACKET;
        m_nTail = nTail;
        if (nTail > 0 && memcmp(m_pData + m_nSize - nTail, m_Source.Peek(), nTail))
            ++m_nCorrupt;
        return true;
    }

    void Print() const
    {
        uint64_t nPackets = 0, nTest = 0;
        std::ostringstream gaps;
        for (const Gap& g : m_Gaps) {
            nPackets += g.nPackets;
            nTest += g.nTestPackets;
            gaps << (gaps.tellp() > 0 ? "," : "") << "{\"file_offset\":" << g.nFileOffset << ",\"packets\":" << g.nPackets
                 << ",\"test_packets\":" << g.nTestPackets << "}";
        }
        std::printf("{\"bytes\":%zu,\"head_bytes\":%zu,\"tail_bytes\":%zu,\"first_seq\":%u,\"source_offset\":%llu,"
                    "\"runs\":%zu,\"gaps\":[%s],\"dropped_packets\":%llu,\"dropped_test_packets\":%llu,"
                    "\"dropped_bytes\":%llu,\"expected_cc_errors\":%llu,\"corrupt_packets\":%llu,",
                    m_nSize, m_nGrid, m_nTail, m_nFirstSeq, static_cast<unsigned long long>(m_nSourceOffset),
                    m_Gaps.size() + 1, gaps.str().c_str(), static_cast<unsigned long long>(nPackets),
                    static_cast<unsigned long long>(nTest), static_cast<unsigned long long>(nPackets * PACKET),
                    static_cast<unsigned long long>(m_nCcErrors), static_cast<unsigned long long>(m_nCorrupt));
        std::printf("\"exact\":%s,\"error\":\"%s\",", Exact() ? "true" : "false", m_sError.c_str());
    }

    bool Exact() const { return m_sError.empty() && m_nCorrupt == 0; }

private:
    bool Fail(const std::string& why)
    {
        m_sError = why;
        return false;
    }

    // File packet n is its PID's first since a gap: the packets the PID lost there are due.
    void Settle(uint64_t n)
    {
        if (m_Pending.empty())
            return;
        const auto it = m_Pending.find(PidOf(FilePacket(n)));
        if (it != m_Pending.end()) {
            m_nCcErrors += CcErrorAfter(it->first, it->second);
            m_Pending.erase(it);
        }
    }

    const uint8_t* FilePacket(uint64_t n) const { return m_pData + m_nGrid + n * PACKET; }

    bool FindGrid()
    {
        for (m_nGrid = 0; m_nGrid < PACKET; ++m_nGrid) {
            size_t nConfirmed = 0;
            for (size_t at = m_nGrid; at < m_nSize && nConfirmed < SYNC_CONFIRM && m_pData[at] == TS_SYNC_BYTE;
                 at += PACKET)
                ++nConfirmed;
            if (nConfirmed == SYNC_CONFIRM)
                return true;
        }
        return false;
    }

    // File packet nAt is where the source goes on: the first test packet within LOOKAHEAD
    // tells where; the source packets before it are counted as left out by PID.
    bool Resync(uint64_t nAt, std::map<uint16_t, uint64_t>* pSkipped)
    {
        uint64_t d = 0;
        while (d < LOOKAHEAD && nAt + d < m_nPackets && PidOf(FilePacket(nAt + d)) != TS_TEST_PID)
            ++d;
        if (d == LOOKAHEAD || nAt + d >= m_nPackets)
            return Fail("no test packet after file offset " + std::to_string(m_nGrid + nAt * PACKET));
        const uint32_t nSeq = SeqOf(FilePacket(nAt + d));
        if (nAt == 0)
            m_nFirstSeq = nSeq;
        const uint64_t nFrom = m_Source.Index();
        for (;;) {
            const uint8_t* p = m_Source.Peek();
            const uint16_t nPid = PidOf(p);
            if (nPid == TS_TEST_PID && SeqOf(p) >= nSeq)
                break;
            if (m_Source.Index() - nFrom > MAX_SKIP)
                return Fail("test packet " + std::to_string(nSeq) + " is too far on in the stream");
            ++(*pSkipped)[nPid];
            m_Source.Take();
        }
        if (SeqOf(m_Source.Peek()) != nSeq)
            return Fail("test packet " + std::to_string(nSeq) + " is not in the stream");
        const uint64_t nTestIndex = m_Source.Index();
        if (nTestIndex - nFrom < d)
            return Fail("the stream goes back at file offset " + std::to_string(m_nGrid + nAt * PACKET));
        // The d packets before the test packet are in the file: not left out.
        for (uint64_t k = nTestIndex - d; k < nTestIndex; ++k) {
            const uint8_t* p = m_Source.Taken(k);
            --(*pSkipped)[PidOf(p)];
            m_nCorrupt += memcmp(FilePacket(nAt + (k - (nTestIndex - d))), p, PACKET) != 0;
        }
        for (auto it = pSkipped->begin(); it != pSkipped->end();)
            it = it->second == 0 ? pSkipped->erase(it) : std::next(it);
        m_nSourceAtFile = nTestIndex - d;
        m_nNext = nAt + d;
        return true;
    }

    CSourcePackets m_Source;
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nGrid = 0;
    size_t m_nTail = 0;
    uint64_t m_nPackets = 0;
    uint64_t m_nNext = 0;
    uint64_t m_nSourceAtFile = 0;
    uint64_t m_nSourceOffset = 0;
    uint32_t m_nFirstSeq = 0;
    uint64_t m_nCorrupt = 0;
    std::vector<Gap> m_Gaps;
    std::map<uint16_t, uint64_t> m_Pending;  // packets lost by PID, not yet followed by one in the file
    uint64_t m_nCcErrors = 0;
    std::string m_sError;
};

bool StreamOfTuner(const char* pszScenario, const std::string& name, TsGeneratorConfig* pConfig)
{
    std::ifstream in(pszScenario, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<SimScenarioDevice> devices;
    const std::string error = ParseScenario(text.str(), &devices);
    if (!in || !error.empty()) {
        std::fprintf(stderr, "%s: %s\n", pszScenario, error.empty() ? "cannot be read" : error.c_str());
        return false;
    }
    for (const SimScenarioDevice& d : devices) {
        if (!d.bReceiver && d.sName == name && d.Tuner.sTsFile.empty()) {
            *pConfig = d.Tuner.Stream;
            return true;
        }
    }
    std::fprintf(stderr, "%s: no tuner '%s' with the synthetic stream\n", pszScenario, name.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_stream_match <scenario file> <tuner name> <capture.ts>\n");
        return 2;
    }
    TsGeneratorConfig config;
    if (!StreamOfTuner(argv[1], argv[2], &config))
        return 2;
    // Garbage between packets would break the packet grid the runs are matched on.
    if (config.nGarbageEvery != 0) {
        std::fprintf(stderr, "bench_stream_match: the tuner's stream carries garbage\n");
        return 2;
    }
    const int fd = open(argv[3], O_RDONLY);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_size == 0) {
        std::fprintf(stderr, "bench_stream_match: %s cannot be read or is empty\n", argv[3]);
        return 2;
    }
    const size_t nSize = static_cast<size_t>(st.st_size);
    void* pMap = mmap(nullptr, nSize, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (pMap == MAP_FAILED) {
        std::fprintf(stderr, "bench_stream_match: cannot map %s\n", argv[3]);
        return 2;
    }
    const uint8_t* pData = static_cast<const uint8_t*>(pMap);

    CMatcher matcher(config, pData, nSize);
    matcher.Run();
    matcher.Print();

    ResetTestStreamCounters();
    std::vector<uint8_t> carry(TS_CARRY_SIZE);
    int32_t nCarry = 0;
    for (size_t at = 0; at < nSize; at += CHECK_CHUNK)
        AlignPackets(pData + at, static_cast<int32_t>(std::min(CHECK_CHUNK, nSize - at)), carry.data(), nCarry);
    std::printf("\"checker\":{\"test_packets\":%u,\"lost\":%u,\"crc_errors\":%u}}\n", nTestPackets.load(),
                nLostPackets.load(), nCrcErrors.load());
    munmap(pMap, nSize);
    return matcher.Exact() ? 0 : 1;
}
