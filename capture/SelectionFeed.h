// The selection of a capture as a stage behind the sink's aligner: the multiplex's packets go
// into a service selector, and what it passes goes to the capture's outputs. The recorder of
// the file hears of every run through this stage (so it still keeps or drops runs whole) and
// gets the selected packets; without a file, the stream analysis is fed here instead, so the
// summary describes what was sent. Streaming thread; no lock, no allocation.
// Plain C++ without windows.h.
#pragma once

#include "capture/PacketConsumers.h"
#include "ts/ServiceSelector.h"
#include "ts/StreamAnalysis.h"

class CSelectionFeed final : public IPacketConsumer, public IPacketSink {
public:
    // pRecorder: the file's recorder, or null without a file; pAnalysis is then fed with the
    // selection. The caller adds the feed to the selector's outputs before the network ones.
    CSelectionFeed(CServiceSelector& selector, IPacketConsumer* pRecorder, CStreamAnalysis* pAnalysis,
                   int64_t (*pfnNowUs)());

    void OnRunStart(const uint8_t* pRun, int32_t nLength, bool bRecorded) override;
    void OnPacket(const uint8_t* pPacket) override;
    void OnSkippedBytes(uint32_t nBytes) override;
    void OnRunEnd() override;
    void Put(const uint8_t* pPacket) override;

private:
    CServiceSelector& m_Selector;
    IPacketConsumer* m_pRecorder;
    CStreamAnalysis* m_pAnalysis;
    int64_t (*m_pfnNowUs)();
    bool m_bPassed = false;  // the selector passed a packet during this run
};
