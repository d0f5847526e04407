// What a capture selects and where it sends it besides its file: the service selector and
// the network outputs. RunCapture creates one and attaches it to its session in front of
// the file's recorder, and reads its figures.
#pragma once

#include <windows.h>

#include "capture/CaptureSession.h"
#include "capture/NetworkOutput.h"
#include "capture/SelectionFeed.h"
#include "cli/CliCommands.h"
#include "ts/ServiceSelector.h"

#include <memory>
#include <vector>

class CCaptureOutputs {
public:
    static constexpr uint64_t SERVICE_WAIT_MS = 10000;

    CCaptureOutputs();
    ~CCaptureOutputs();

    // Before tuning: the selection from --service and --pids, and the network outputs
    // opened. EXIT_OK, or a code already reported on pErr.
    int Prepare(const CliArgs& args, const CliContext& context);
    // Once tuned, before Attach: the channel-file entry tuned that names its service
    // (nServiceId, -1 for none) records that service, unless --service, --pids or --mux
    // chose what to record.
    void UseChannelService(const CliArgs& args, int32_t nServiceId);
    // Once the file's recorder (if any) has started: puts the selection and the network
    // outputs between the session and the recorder, which then gets only the selection;
    // without a recorder pAnalysis is fed with what is sent. False when the whole multiplex
    // goes to the file alone: the caller then feeds the recorder directly.
    bool Attach(CCaptureSession& session, IPacketConsumer* pRecorder, CStreamAnalysis* pAnalysis);

    // A selected service that has not appeared within SERVICE_WAIT_MS of nElapsedMs: the
    // reason in plain words, else empty.
    std::string MissingService(uint64_t nElapsedMs) const;
    // Bytes passed by the selection so far.
    uint64_t PassedBytes() const { return m_pSelector->PacketsPassed() * TS_PACKET_SIZE; }
    // Prints each network output's drops since the last call.
    void ReportDrops(FILE* pErr);
    // After the graph stopped streaming: sends what the network outputs hold, ends them and
    // prints one line each.
    void Finish(FILE* pErr);

private:
    bool m_bSelecting = false;
    std::string m_strService;  // as asked for, for messages
    std::unique_ptr<CServiceSelector> m_pSelector;
    std::unique_ptr<CSelectionFeed> m_pFeed;
    std::vector<std::unique_ptr<CNetworkOutput>> m_Networks;
    std::vector<uint64_t> m_DropsReported;
};
