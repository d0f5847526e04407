// Cuts a selection out of a multiplex on the streaming thread and hands it to the outputs
// behind it. Three kinds of selection:
//   - one service: a program association table rewritten to that program (its own version
//     number and continuity counter, sent once for every original one), the program's map
//     table, its PCR PID, every elementary stream PID the map table lists, and the SDT
//     actual reduced to that service; plus any extra PIDs. Nothing is passed before both
//     the association table and the map table have been seen, and the output then starts
//     with the rewritten association table followed by the map table, so it plays from its
//     first byte. A new map table, or the map table moving to another PID, takes effect at
//     the packet that completes it;
//   - a list of PIDs, passed unchanged;
//   - the whole multiplex.
// Passed packets keep their PIDs and continuity counters, so losses upstream stay visible.
//
// Set up (Select..., AddPids, AddSink) before the first Put; Put runs on one thread, takes
// no lock and allocates nothing. State() and the counters may be read from any thread.
// Plain C++ without windows.h.
#pragma once

#include "ts/PacketSink.h"
#include "ts/PidSet.h"
#include "ts/PsiIds.h"
#include "ts/SectionAssembler.h"

#include <atomic>
#include <cstdint>
#include <string>

enum class SelectorState : uint32_t {
    WaitingForName,  // no SDT so far names the service
    WaitingForPat,   // the service id is known; no association table seen yet
    NotInPat,        // the association table does not list the service
    WaitingForPmt,   // listed; its map table has not been seen complete
    Passing,         // the selection is being passed on
};

class CServiceSelector final : public IPacketSink, private CSectionAssembler::IHandler {
public:
    static constexpr int MAX_SINKS = 4;

    CServiceSelector();
    CServiceSelector(const CServiceSelector&) = delete;
    CServiceSelector& operator=(const CServiceSelector&) = delete;

    void SelectAll();
    void SelectServiceId(uint16_t nServiceId);
    // Matched against the SDT's service names: exactly, else ignoring case.
    void SelectServiceName(const std::string& strName);
    // Passed unchanged beside the service; alone, the whole selection.
    void AddPids(const CPidSet& pids);
    // False when the list is full or pSink is null.
    bool AddSink(IPacketSink* pSink);

    void Put(const uint8_t* pPacket) override;

    SelectorState State() const { return static_cast<SelectorState>(m_nState.load(std::memory_order_acquire)); }
    // The service's id, -1 while a name is not resolved or no service is selected.
    int32_t ServiceId() const { return m_nServiceIdSeen.load(std::memory_order_relaxed); }
    uint64_t PacketsPassed() const { return m_nPassed.load(std::memory_order_relaxed); }

private:
    static constexpr int MAX_HELD = static_cast<int>(PSI_MAX_SECTION / 184 + 2);

    void OnSection(const uint8_t* s, size_t nLength) override;
    void OnPat(const uint8_t* s, size_t nLength);
    void OnPmt(const uint8_t* s, size_t nLength);
    void OnSdt(const uint8_t* s, size_t nLength);
    void ResolveName(const uint8_t* s, size_t nLength);
    void HoldPmtPacket(const uint8_t* p);
    void Start();
    void UpdatePids();
    void BuildPat(uint16_t nTsId);
    // Cuts a section into packets of nPid with the counter given, and passes them on.
    void EmitSection(uint16_t nPid, const uint8_t* s, size_t nLength, uint8_t& nCc);
    void Pass(const uint8_t* p);
    void SetState(SelectorState eState) { m_nState.store(static_cast<uint32_t>(eState), std::memory_order_release); }

    enum class Mode { Pids, All, Service };
    Mode m_eMode = Mode::Pids;
    std::string m_strName;
    int32_t m_nServiceId = -1;
    IPacketSink* m_Sinks[MAX_SINKS] = {};
    int m_nSinks = 0;

    CPidSet m_Extra;     // the extra PIDs
    CPidSet m_Program;   // the map table's PCR and elementary stream PIDs
    CPidSet m_Pass;      // everything passed as it is
    bool m_bPassing = false;
    int32_t m_nPmtPid = -1;
    uint16_t m_nSectionPid = 0;  // the PID whose packet is being assembled
    int32_t m_nTsId = -1;
    // A name matched ignoring case, taken when the SDT's last section holds no exact match.
    int32_t m_nCaseBlindId = -1;

    CSectionAssembler m_PatAssembler;
    CSectionAssembler m_PmtAssembler;
    CSectionAssembler m_SdtAssembler;

    // The last original association table, read again once a name gives the service's id.
    uint8_t m_LastPat[1024] = {};
    size_t m_nLastPat = 0;

    // The rewritten association table: one section, one packet.
    uint8_t m_PatSection[16] = {};
    uint8_t m_nPatVersion = 0;
    bool m_bPatBuilt = false;
    uint8_t m_nPatCc = 0;
    uint8_t m_nSdtCc = 0;
    uint8_t m_Section[PSI_MAX_SECTION] = {};
    uint8_t m_Packet[TS_PACKET_SIZE] = {};

    // The map table's packets since its last unit start, passed first when the selection starts.
    uint8_t m_Held[MAX_HELD][TS_PACKET_SIZE] = {};
    int m_nHeld = 0;

    std::atomic<uint32_t> m_nState{static_cast<uint32_t>(SelectorState::Passing)};
    std::atomic<int32_t> m_nServiceIdSeen{-1};
    std::atomic<uint64_t> m_nPassed{0};
};

// The PIDs of a list: decimal or 0x hex numbers separated by commas; false for anything else
// or a PID above 0x1FFF.
bool ParsePidList(const std::string& strList, CPidSet& pids);
