// The selection of a capture as a stage behind the sink's aligner: the multiplex's packets go
// into a service selector, and what it passes goes to the capture's outputs and its stream
// analysis, so that the summary describes what was recorded and sent. Streaming thread; no
// lock, no allocation. Plain C++ without windows.h.
#pragma once

#include "capture/CaptureState.h"
#include "capture/PacketConsumers.h"
#include "capture/StreamAnalysis.h"
#include "ts/ServiceSelector.h"

class CSelectionFeed final : public IPacketConsumer, public IPacketSink {
public:
    // pAnalysis null: the selection is not analysed here. Otherwise the caller adds the feed
    // to the selector's outputs after a file output, so that the file holds a packet before
    // the analysis counts it.
    CSelectionFeed(CServiceSelector& selector, CStreamAnalysis* pAnalysis, int64_t (*pfnNowUs)());

    void OnPacket(const uint8_t* pPacket) override;
    void OnRunEnd() override;
    void Put(const uint8_t* pPacket) override;

private:
    CServiceSelector& m_Selector;
    CStreamAnalysis* m_pAnalysis;
    int64_t (*m_pfnNowUs)();
    bool m_bPassed = false;  // the selector passed a packet during this run
};

// A capture file as a selector's output: each passed packet is appended while the capture
// records, with its size limit and its end on a failed write.
class CCaptureFileSink final : public IPacketSink {
public:
    explicit CCaptureFileSink(CCaptureState& capture) : m_Capture(capture) {}
    void Put(const uint8_t* pPacket) override { m_Capture.WriteSample(pPacket, TS_PACKET_SIZE); }

private:
    CCaptureState& m_Capture;
};
