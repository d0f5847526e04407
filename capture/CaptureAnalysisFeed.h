// Feeds a stream analysis, from the sink's aligner on the streaming thread, with exactly the
// runs that went into the capture file, so that the summary describes the file.
//
// The sink writes a run (CCaptureState::WriteSample) before it aligns it, on the same thread,
// and only that thread adds to the captured count. So a run was recorded exactly when the
// count moved since the previous run: the feed reads it once per run and passes that run's
// packets, skipped bytes and arrival time on, or drops them. The window thread only adds the
// feed to the sink before the recording starts; nothing here locks.
//
// The file starts and ends where samples do, the packets where the aligner cuts them: a
// packet completed by the first recorded run is counted whole, and one left incomplete by
// the last is not, so the summary may differ from the file by less than a packet at each end.
#pragma once

#include "capture/CaptureState.h"
#include "capture/PacketConsumers.h"
#include "ts/StreamAnalysis.h"

class CCaptureAnalysisFeed : public IPacketConsumer {
public:
    // pfnNowUs: the arrival clock in microseconds.
    CCaptureAnalysisFeed(CStreamAnalysis& analysis, const CCaptureState& capture, int64_t (*pfnNowUs)());

    void OnPacket(const uint8_t* pPacket) override;
    void OnSkippedBytes(uint32_t nBytes) override;
    void OnRunEnd() override;

private:
    enum class Run { Undecided, Recorded, Dropped };
    bool RunIsRecorded();

    CStreamAnalysis& m_Analysis;
    const CCaptureState& m_Capture;
    int64_t (*m_pfnNowUs)();
    Run m_eRun = Run::Undecided;
    uint64_t m_nLastCaptured;
};
