// The services of one scanned frequency, read from its stream: the PAT, each PMT it names,
// and the SDT (ATSC: the VCT) for their names. The collector is a packet consumer of the
// tuner graph, fed on the streaming thread; it tells the scan when every table it waits for
// has been read, and then ignores the rest of the stream. Plain C++ without windows.h.
#pragma once

#include "capture/PacketConsumers.h"
#include "ts/PsiTables.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ScanService {
    uint16_t nServiceId = 0;        // the PAT's program number
    uint16_t nPmtPid = 0;
    bool bPmtSeen = false;          // the PIDs below come from the PMT
    std::string strName;            // UTF-8 as the report shows it; empty when nothing named it
    std::string strProvider;
    std::string strVirtualChannel;  // ATSC "major.minor"; empty elsewhere
    std::vector<uint16_t> VideoPids, AudioPids;
};


class CScanServiceCollector : public IPacketConsumer {
public:
    CScanServiceCollector();

    void OnPacket(const uint8_t* pPacket) override;

    // True once the PAT, every PMT it names and a name for every program have been read.
    // From then on the collector reads nothing more, so Services may be called at once.
    bool IsComplete() const { return m_bComplete.load(std::memory_order_acquire); }
    // The programs of the PAT in its order. Before completion only once the stream that
    // feeds the collector has stopped.
    std::vector<ScanService> Services() const;

private:
    bool TablesComplete() const;

    std::unique_ptr<CPsiTables> m_pTables;
    std::atomic<bool> m_bComplete{false};
};
