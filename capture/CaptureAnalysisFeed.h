// Feeds a stream analysis, from a capture session on the streaming thread, with exactly the
// runs that went into the capture file, so that the summary describes the file: the session
// says per run whether it was recorded, and the feed passes that run's packets, skipped bytes
// and arrival time on, or drops them.
//
// The file starts and ends where samples do, the packets where the aligner cuts them: a
// packet completed by the first recorded run is counted whole, and one left incomplete by
// the last is not, so the summary may differ from the file by less than a packet at each end.
#pragma once

#include "capture/PacketConsumers.h"
#include "ts/StreamAnalysis.h"

class CCaptureAnalysisFeed : public IPacketConsumer {
public:
    // pfnNowUs: the arrival clock in microseconds.
    CCaptureAnalysisFeed(CStreamAnalysis& analysis, int64_t (*pfnNowUs)());

    void OnRunStart(const uint8_t* pRun, int32_t nLength, bool bRecorded) override;
    void OnPacket(const uint8_t* pPacket) override;
    void OnSkippedBytes(uint32_t nBytes) override;
    void OnRunEnd() override;

private:
    CStreamAnalysis& m_Analysis;
    int64_t (*m_pfnNowUs)();
    bool m_bRecorded = false;  // the current run's
};
