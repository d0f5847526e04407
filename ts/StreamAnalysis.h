// Stream health analysis of a transport stream: sync, transport errors, per-PID packet,
// continuity and scrambling counts, PSI tables and their CRC errors, and bitrates by
// arrival time and by PCR. The same analysis serves a live capture and a recorded file.
//
// Feeding: one thread only (the streaming thread for a capture), through OnBytes with raw
// received runs, or through OnPacket with packets already aligned by someone else plus
// MarkArrival once per run. Nothing on that path allocates or locks: the per-PID table and
// the section buffers are allocated by the constructor.
//
// Reading: Progress may be called from any thread at any time; it reads a few counters the
// feeder publishes with relaxed atomic stores after each packet, so each figure is one the
// feeder really held, though two figures may be a packet apart. Summarise reads everything
// else and must run on the feeding thread, or after feeding has stopped and the reader
// has synchronised with the feeder (a joined thread, the sink's stop).
//
// Sync: the raw-bytes path expects a sync byte (0x47) every 188 bytes. Sync is lost when a
// packet start holds another byte; the bytes are then skipped up to the first 0x47 that the
// next two packet starts confirm (as far as the run reaches), where sync is regained. The
// first lock of the stream is not counted as a resynchronisation; skipped bytes are counted
// wherever they lie.
//
// Continuity, as MPEG-2 systems define it: the counter of a PID advances by one on each
// packet with payload; adaptation-only packets repeat it; a packet with payload may be sent
// twice in a row with the same counter (one duplicate), a second repeat is an error; the
// discontinuity indicator of the adaptation field sets a new starting point; the null PID
// is not checked. Packets with the transport error indicator are counted, not checked.
//
// Bitrates: by arrival time from the times given (average over the whole time measured,
// peak over windows of at least one second); by PCR from the first PID seen carrying a
// PCR (packets between two of its PCRs over their 27 MHz difference; a discontinuity
// indicator or a step of more than 5 s starts a new run of the clock).
//
// Timeline: the same figures by when they happened (ts/StreamTimeline.h), placed by the
// arrival times once the feeder gives them, else by the PCR of the PCR PID (its runs laid
// end to end). Packets count towards the first PAT programs' own series by their PIDs.
#pragma once

#include "ts/HealthSummary.h"
#include "ts/PsiTables.h"
#include "ts/RateMeter.h"
#include "ts/StreamTimeline.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// A broadcast name as UTF-8 text: bytes that are not well-formed UTF-8, or any byte of 0x80
// and above in a name of another character table, become \xNN.
std::string ShownPsiText(const PsiText& text);

// What another thread may read while the stream is being fed.
struct StreamProgress {
    uint64_t nPackets = 0;
    uint64_t nCcErrors = 0;
    uint64_t nSyncLosses = 0;
    uint64_t nTeiPackets = 0;
    uint64_t nPsiCrcErrors = 0;
};

class CStreamAnalysis {
public:
    CStreamAnalysis();
    CStreamAnalysis(const CStreamAnalysis&) = delete;
    CStreamAnalysis& operator=(const CStreamAnalysis&) = delete;

    // Feeder. One received run; a packet cut by the run's end is completed by the next run.
    // nArrivalUs is the time the run arrived in microseconds; NO_TIME when there is none.
    void OnBytes(const uint8_t* pData, size_t nLength, int64_t nArrivalUs = NO_TIME);
    // Feeder. One aligned packet of 188 bytes; one without the sync byte loses sync and is
    // skipped.
    void OnPacket(const uint8_t* pPacket);
    // Feeder. nBytes outside the packet grid that another aligner dropped between packets.
    void OnSkippedBytes(uint64_t nBytes);
    // Feeder. Every packet fed so far had arrived by nArrivalUs (call after each run).
    void MarkArrival(int64_t nArrivalUs);

    StreamProgress Progress() const;
    StreamHealthSummary Summarise() const;
    // Feeder, or after feeding: hands what is still pending to the timeline at the last time.
    void EndOfStream();
    const CStreamTimeline& Timeline() const { return *m_pTimeline; }

    static constexpr int64_t NO_TIME = -1;

private:
    struct PidState {
        uint64_t nPackets = 0;
        uint64_t nCcErrors = 0;
        uint64_t nScrambled = 0;
        uint64_t nPacketsFlushed = 0;  // nPackets when the timeline last took them
        uint8_t nLastCc = 0;
        uint8_t nFlags = 0;
    };

    enum class Continuity { Continuous, Duplicate, Broken };

    void LoseSync();
    Continuity CheckContinuity(PidState& state, uint8_t nCc, bool bPayload, bool bDiscontinuity);
    void OnPcr(uint16_t nPid, uint64_t nPcr, bool bDiscontinuity);
    void MapSeries();
    void FlushTimeline(int64_t nClockUs);
    template <typename T>
    static void Publish(std::atomic<T>& counter, T value)
    {
        counter.store(value, std::memory_order_relaxed);
    }

    std::unique_ptr<PidState[]> m_pPids;
    std::unique_ptr<CPsiTables> m_pPsi;
    CRateMeter m_Arrival;
    CRateMeter m_Pcr;
    int32_t m_nPcrPid = -1;
    std::unique_ptr<CStreamTimeline> m_pTimeline;
    std::unique_ptr<uint8_t[]> m_pSeriesOfPid;  // timeline series of each PID
    std::unique_ptr<uint16_t[]> m_pActivePids;  // every PID seen, in the order first seen
    size_t m_nActivePids = 0;
    struct {
        uint64_t nSkippedBytes = 0;
        uint64_t nErrors[STREAM_ERROR_KINDS] = {};
    } m_Flushed;  // totals the timeline has taken
    uint64_t m_nProgramsMapped = 0;
    bool m_bArrivalClock = false;
    bool m_bPcrClock = false;
    uint64_t m_nLastPcr = 0;
    uint64_t m_nPcrClockTicks = 0;  // PCR runs laid end to end
    int64_t m_nLastClockUs = 0;

    uint8_t m_Carry[188] = {};
    size_t m_nCarry = 0;
    bool m_bInSync = false;
    bool m_bEverSynced = false;

    uint64_t m_nPackets = 0;
    uint64_t m_nSkippedBytes = 0;
    uint64_t m_nSyncLosses = 0;
    uint64_t m_nResyncs = 0;
    uint64_t m_nTeiPackets = 0;
    uint64_t m_nScrambled = 0;
    uint64_t m_nCcErrors = 0;

    std::atomic<uint64_t> m_aPackets{0};
    std::atomic<uint64_t> m_aCcErrors{0};
    std::atomic<uint64_t> m_aSyncLosses{0};
    std::atomic<uint64_t> m_aTeiPackets{0};
    std::atomic<uint64_t> m_aPsiCrcErrors{0};
};
