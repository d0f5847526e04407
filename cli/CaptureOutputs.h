// What a capture selects and where it sends it besides its file: the service selector, the
// network outputs, and the file of a selection. RunCapture creates one, registers it with
// the graph and reads its figures; the capture file of the whole multiplex stays the
// capture state's own.
#pragma once

#include <windows.h>

#include "capture/CaptureState.h"
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

    // Before tuning: the selection from --service, --pids, --mux and the channel's SERVICE_ID,
    // and the network outputs opened. EXIT_OK, or a code already reported on pErr.
    int Prepare(const CliArgs& args, const CliContext& context);
    // The file, if any, holds a selection rather than the whole multiplex.
    bool Selecting() const { return m_bSelecting; }
    // The capture state that writes the file: the program's one for the whole multiplex,
    // this object's own for a selection.
    CCaptureState& FileState();
    // Once the file (if any) is recording: hands the multiplex's packets to the selection.
    // pAnalysis is fed with the selection when the file does not hold the whole multiplex.
    HRESULT Attach(CTunerGraph& graph, bool bFile, CStreamAnalysis* pAnalysis);
    bool Active() const { return m_pFeed != nullptr; }

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
    std::unique_ptr<CCaptureState> m_pFileState;
    std::unique_ptr<CCaptureFileSink> m_pFileSink;
    std::vector<std::unique_ptr<CNetworkOutput>> m_Networks;
    std::vector<uint64_t> m_DropsReported;
};
