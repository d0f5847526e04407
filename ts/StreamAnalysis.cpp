#include "ts/StreamAnalysis.h"

#include "ts/TsPacket.h"
#include "ts/TsSync.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t PACKET = TS_PACKET_SIZE;
constexpr uint64_t PCR_HZ = 27000000;
constexpr uint64_t PCR_WRAP = (uint64_t{1} << 33) * 300;
constexpr uint64_t PCR_MAX_STEP = 5 * PCR_HZ;
constexpr uint64_t ARRIVAL_HZ = 1000000;

constexpr uint8_t FLAG_SEEN = 0x01;       // a continuity counter is expected
constexpr uint8_t FLAG_DUPLICATE = 0x02;  // the last packet with payload came twice already
constexpr uint8_t FLAG_PCR = 0x04;

// Length of the well-formed UTF-8 sequence at p (at most n bytes), 0 when there is none.
size_t Utf8SequenceLength(const uint8_t* p, size_t n)
{
    const uint8_t b = p[0];
    size_t len;
    uint8_t lo = 0x80, hi = 0xBF;  // range of the second byte
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        lo = b == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        hi = b == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        lo = b == 0xF0 ? 0x90 : 0x80;
        hi = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (len > n || p[1] < lo || p[1] > hi)
        return 0;
    for (size_t k = 2; k < len; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
    }
    return len;
}

} // namespace

std::string ShownPsiText(const PsiText& text)
{
    std::string out;
    const auto* p = reinterpret_cast<const uint8_t*>(text.szText);
    for (size_t i = 0; i < text.nLength;) {
        const size_t len = text.bUtf8 || p[i] < 0x80 ? Utf8SequenceLength(p + i, text.nLength - i) : 0;
        if (len != 0) {
            out.append(text.szText + i, len);
            i += len;
        } else {
            char esc[5];
            std::snprintf(esc, sizeof(esc), "\\x%02X", p[i]);
            out += esc;
            ++i;
        }
    }
    return out;
}

CStreamAnalysis::CStreamAnalysis()
    : m_pPids(new PidState[TS_PID_COUNT])
    , m_pPsi(new CPsiTables)
    , m_Arrival(ARRIVAL_HZ, 0, UINT64_MAX)
    , m_Pcr(PCR_HZ, PCR_WRAP, PCR_MAX_STEP)
    , m_pTimeline(new CStreamTimeline)
    , m_pSeriesOfPid(new uint8_t[TS_PID_COUNT])
    , m_pActivePids(new uint16_t[TS_PID_COUNT])
{
    std::memset(m_pSeriesOfPid.get(), TIMELINE_OTHER, TS_PID_COUNT);
}

// Each of the first programs gets a series for its PMT and stream PIDs; a PID two programs
// share stays with the first.
void CStreamAnalysis::MapSeries()
{
    m_nProgramsMapped = m_pPsi->ProgramChanges();
    std::memset(m_pSeriesOfPid.get(), TIMELINE_OTHER, TS_PID_COUNT);
    const size_t nPrograms = std::min(m_pPsi->ProgramCount(), TIMELINE_OTHER);
    for (size_t i = nPrograms; i-- > 0;) {
        const PsiProgram& program = m_pPsi->Program(i);
        const uint8_t nSeries = static_cast<uint8_t>(i);
        m_pSeriesOfPid[program.nPmtPid] = nSeries;
        for (uint32_t k = 0; k < program.nStreams; ++k)
            m_pSeriesOfPid[program.Streams[k].nPid] = nSeries;
    }
}

void CStreamAnalysis::EndOfStream()
{
    // A stream no clock placed in time has no timeline.
    if (m_bArrivalClock || m_bPcrClock)
        FlushTimeline(m_nLastClockUs);
}

// Hands the counts since the last flush to the timeline: per series from the PIDs seen so
// far, errors from the totals. Nothing is counted per packet for the timeline.
void CStreamAnalysis::FlushTimeline(int64_t nClockUs)
{
    StreamBin counts;
    uint64_t nPackets = 0;
    for (size_t i = 0; i < m_nActivePids; ++i) {
        PidState& state = m_pPids[m_pActivePids[i]];
        const uint64_t n = state.nPackets - state.nPacketsFlushed;
        state.nPacketsFlushed = state.nPackets;
        counts.nSeriesBytes[m_pSeriesOfPid[m_pActivePids[i]]] += n * PACKET;
        nPackets += n;
    }
    const uint64_t nSkipped = m_nSkippedBytes - m_Flushed.nSkippedBytes;
    counts.nSeriesBytes[TIMELINE_OTHER] += nSkipped;
    counts.nBytes = nPackets * PACKET + nSkipped;
    const uint64_t totals[STREAM_ERROR_KINDS] = {m_nCcErrors, m_nTeiPackets, m_nSyncLosses, m_pPsi->CrcErrors()};
    for (size_t k = 0; k < STREAM_ERROR_KINDS; ++k) {
        counts.nErrors[k] = static_cast<uint32_t>(totals[k] - m_Flushed.nErrors[k]);
        m_Flushed.nErrors[k] = totals[k];
    }
    m_Flushed.nSkippedBytes = m_nSkippedBytes;
    m_pTimeline->Flush(nClockUs, counts);
}

void CStreamAnalysis::OnBytes(const uint8_t* pData, size_t nLength, int64_t nArrivalUs)
{
    if (!pData)
        nLength = 0;
    while (nLength > 0) {
        if (m_nCarry != 0) {
            const size_t n = std::min(nLength, PACKET - m_nCarry);
            std::memcpy(m_Carry + m_nCarry, pData, n);
            m_nCarry += n;
            pData += n;
            nLength -= n;
            if (m_nCarry == PACKET) {
                m_nCarry = 0;
                OnPacket(m_Carry);
            }
            continue;
        }
        if (*pData != TS_SYNC_BYTE) {
            LoseSync();
            const size_t nSkip = FindSyncPoint(pData, nLength);
            m_nSkippedBytes += nSkip;
            pData += nSkip;
            nLength -= nSkip;
            continue;
        }
        if (nLength < PACKET) {
            std::memcpy(m_Carry, pData, nLength);
            m_nCarry = nLength;
            break;
        }
        OnPacket(pData);
        pData += PACKET;
        nLength -= PACKET;
    }
    if (nArrivalUs != NO_TIME)
        MarkArrival(nArrivalUs);
}

void CStreamAnalysis::LoseSync()
{
    if (!m_bInSync)
        return;
    m_bInSync = false;
    Publish(m_aSyncLosses, ++m_nSyncLosses);
}

void CStreamAnalysis::OnSkippedBytes(uint64_t nBytes)
{
    if (nBytes == 0)
        return;
    LoseSync();
    m_nSkippedBytes += nBytes;
}

void CStreamAnalysis::MarkArrival(int64_t nArrivalUs)
{
    if (nArrivalUs < 0)
        return;
    m_Arrival.Sample(m_nPackets, static_cast<uint64_t>(nArrivalUs));
    if (!m_bArrivalClock && m_pTimeline->Started())
        m_pTimeline->Rebase(nArrivalUs);
    m_bArrivalClock = true;
    m_nLastClockUs = nArrivalUs;
    FlushTimeline(nArrivalUs);
}

void CStreamAnalysis::OnPacket(const uint8_t* p)
{
    if (p[0] != TS_SYNC_BYTE) {
        LoseSync();
        m_nSkippedBytes += PACKET;
        return;
    }
    if (!m_bInSync) {
        if (m_bEverSynced)
            ++m_nResyncs;
        m_bInSync = m_bEverSynced = true;
    }
    Publish(m_aPackets, ++m_nPackets);

    const CTsPacket packet(p);
    const uint16_t nPid = packet.Pid();
    PidState& state = m_pPids[nPid];
    if (state.nPackets++ == 0)
        m_pActivePids[m_nActivePids++] = nPid;
    // With the error indicator set even the header may be wrong: nothing more is read.
    if (packet.ErrorIndicator()) {
        Publish(m_aTeiPackets, ++m_nTeiPackets);
        return;
    }
    const bool bScrambled = packet.Scrambled();
    if (bScrambled) {
        ++state.nScrambled;
        ++m_nScrambled;
    }
    if (packet.AdaptationControl() == 0)  // reserved: decoders discard the packet
        return;
    const bool bPayload = packet.HasPayload();
    const bool bDiscontinuity = packet.Discontinuity();
    if (packet.HasPcr())
        OnPcr(nPid, packet.Pcr(), bDiscontinuity);

    if (nPid != TS_PID_NULL) {
        const Continuity continuity = CheckContinuity(state, packet.ContinuityCounter(), bPayload, bDiscontinuity);
        if (continuity == Continuity::Duplicate)
            return;
        if (continuity == Continuity::Broken) {
            ++state.nCcErrors;
            Publish(m_aCcErrors, ++m_nCcErrors);
            m_pPsi->Interrupt(nPid);
        }
    }
    if (!bScrambled && packet.PayloadSize() > 0 && m_pPsi->Wants(nPid)) {
        m_pPsi->OnPayload(nPid, packet.Payload(), static_cast<size_t>(packet.PayloadSize()), packet.UnitStart());
        Publish(m_aPsiCrcErrors, m_pPsi->CrcErrors());
        if (m_pPsi->ProgramChanges() != m_nProgramsMapped)
            MapSeries();
    }
}

CStreamAnalysis::Continuity CStreamAnalysis::CheckContinuity(PidState& state, uint8_t nCc, bool bPayload,
                                                             bool bDiscontinuity)
{
    const uint8_t nPcrFlag = state.nFlags & FLAG_PCR;
    if (!(state.nFlags & FLAG_SEEN) || bDiscontinuity) {
        state.nLastCc = nCc;
        state.nFlags = nPcrFlag | FLAG_SEEN;
        return Continuity::Continuous;
    }
    if (!bPayload && nCc == state.nLastCc)
        return Continuity::Continuous;
    if (bPayload && nCc == ((state.nLastCc + 1) & 0x0F)) {
        state.nLastCc = nCc;
        state.nFlags = nPcrFlag | FLAG_SEEN;
        return Continuity::Continuous;
    }
    if (bPayload && nCc == state.nLastCc) {
        if (state.nFlags & FLAG_DUPLICATE)
            return Continuity::Broken;
        state.nFlags |= FLAG_DUPLICATE;
        return Continuity::Duplicate;
    }
    state.nLastCc = nCc;
    state.nFlags = nPcrFlag | FLAG_SEEN;
    return Continuity::Broken;
}

void CStreamAnalysis::OnPcr(uint16_t nPid, uint64_t nPcr, bool bDiscontinuity)
{
    m_pPids[nPid].nFlags |= FLAG_PCR;
    if (m_nPcrPid < 0)
        m_nPcrPid = nPid;
    if (nPid != m_nPcrPid)
        return;
    if (bDiscontinuity)
        m_Pcr.Break();
    m_Pcr.Sample(m_nPackets, nPcr);
    if (m_bArrivalClock)
        return;
    const uint64_t nStep = (nPcr + PCR_WRAP - m_nLastPcr) % PCR_WRAP;
    if (m_bPcrClock && !bDiscontinuity && nStep <= PCR_MAX_STEP)
        m_nPcrClockTicks += nStep;
    m_bPcrClock = true;
    m_nLastPcr = nPcr;
    m_nLastClockUs = static_cast<int64_t>(m_nPcrClockTicks / (PCR_HZ / ARRIVAL_HZ));
    FlushTimeline(m_nLastClockUs);
}

StreamProgress CStreamAnalysis::Progress() const
{
    StreamProgress progress;
    progress.nPackets = m_aPackets.load(std::memory_order_relaxed);
    progress.nCcErrors = m_aCcErrors.load(std::memory_order_relaxed);
    progress.nSyncLosses = m_aSyncLosses.load(std::memory_order_relaxed);
    progress.nTeiPackets = m_aTeiPackets.load(std::memory_order_relaxed);
    progress.nPsiCrcErrors = m_aPsiCrcErrors.load(std::memory_order_relaxed);
    return progress;
}

StreamHealthSummary CStreamAnalysis::Summarise() const
{
    StreamHealthSummary s;
    s.nPackets = m_nPackets;
    s.nSkippedBytes = m_nSkippedBytes;
    s.nBytes = m_nPackets * PACKET + m_nSkippedBytes + m_nCarry;
    s.nSyncLosses = m_nSyncLosses;
    s.nResyncs = m_nResyncs;
    s.nTeiPackets = m_nTeiPackets;
    s.nScrambled = m_nScrambled;
    s.nCcErrors = m_nCcErrors;
    s.nPsiSections = m_pPsi->Sections();
    s.nPsiCrcErrors = m_pPsi->CrcErrors();
    s.Arrival = {m_Arrival.AverageBps(), m_Arrival.PeakBps(), m_Arrival.MeasuredTicks() / (ARRIVAL_HZ / 1000)};
    s.Pcr = {m_Pcr.AverageBps(), m_Pcr.PeakBps(), m_Pcr.MeasuredTicks() / (PCR_HZ / 1000)};
    s.nPcrPid = m_nPcrPid;
    s.nTransportStreamId = m_pPsi->TransportStreamId();

    for (uint16_t nPid = 0; nPid < TS_PID_COUNT; ++nPid) {
        const PidState& state = m_pPids[nPid];
        if (state.nPackets != 0)
            s.Pids.push_back({nPid, state.nPackets, state.nCcErrors, state.nScrambled, (state.nFlags & FLAG_PCR) != 0});
    }
    for (size_t i = 0; i < m_pPsi->ProgramCount(); ++i) {
        const PsiProgram& p = m_pPsi->Program(i);
        ProgramHealth program{p.nNumber, p.nPmtPid, p.bPmtSeen, p.nPcrPid, {}};
        for (uint32_t k = 0; k < p.nStreams; ++k)
            program.Streams.push_back({p.Streams[k].nType, p.Streams[k].nPid, p.Streams[k].nNamingTag});
        s.Programs.push_back(std::move(program));
    }
    for (size_t i = 0; i < m_pPsi->ServiceCount(); ++i) {
        const PsiService& v = m_pPsi->Service(i);
        s.Services.push_back({v.nServiceId, v.nType, ShownPsiText(v.Name), v.Name.pszCharset, ShownPsiText(v.Provider),
                              v.Provider.pszCharset});
    }
    for (size_t i = 0; i < m_pPsi->ChannelCount(); ++i) {
        const PsiChannel& c = m_pPsi->Channel(i);
        s.Channels.push_back({c.nTableId == PSI_TABLE_CVCT, c.nMajor, c.nMinor, c.nProgram, c.szName});
    }
    return s;
}
