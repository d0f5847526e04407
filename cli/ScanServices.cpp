#include "cli/ScanServices.h"

#include "ts/StreamAnalysis.h"
#include "ts/StreamTypes.h"
#include "ts/TsPacket.h"

CScanServiceCollector::CScanServiceCollector() : m_pTables(new CPsiTables)
{
}

void CScanServiceCollector::OnPacket(const uint8_t* p)
{
    const CTsPacket packet(p);
    if (m_bComplete.load(std::memory_order_relaxed) || !packet.HasSync() || packet.ErrorIndicator())
        return;
    const uint16_t nPid = packet.Pid();
    // Scrambled payloads and packets without payload carry no table.
    if (!m_pTables->Wants(nPid) || packet.Scrambled() || packet.PayloadSize() == 0)
        return;
    const uint64_t nSections = m_pTables->Sections();
    m_pTables->OnPayload(nPid, packet.Payload(), static_cast<size_t>(packet.PayloadSize()), packet.UnitStart());
    if (m_pTables->Sections() != nSections && TablesComplete())
        m_bComplete.store(true, std::memory_order_release);
}

bool CScanServiceCollector::TablesComplete() const
{
    const CPsiTables& t = *m_pTables;
    if (t.TransportStreamId() < 0)
        return false;
    for (size_t i = 0; i < t.ProgramCount(); ++i) {
        const PsiProgram& program = t.Program(i);
        if (!program.bPmtSeen)
            return false;
        bool bNamed = false;
        for (size_t k = 0; k < t.ServiceCount() && !bNamed; ++k)
            bNamed = t.Service(k).nServiceId == program.nNumber;
        for (size_t k = 0; k < t.ChannelCount() && !bNamed; ++k)
            bNamed = t.Channel(k).nProgram == program.nNumber;
        if (!bNamed)
            return false;
    }
    return true;
}

std::vector<ScanService> CScanServiceCollector::Services() const
{
    const CPsiTables& t = *m_pTables;
    std::vector<ScanService> services;
    for (size_t i = 0; i < t.ProgramCount(); ++i) {
        const PsiProgram& program = t.Program(i);
        ScanService service;
        service.nServiceId = program.nNumber;
        service.nPmtPid = program.nPmtPid;
        service.bPmtSeen = program.bPmtSeen;
        for (uint32_t s = 0; s < program.nStreams; ++s) {
            const PsiStream& stream = program.Streams[s];
            const StreamKind eKind = DescribeStream(stream.nType, stream.nNamingTag).eKind;
            if (eKind == StreamKind::Video)
                service.VideoPids.push_back(stream.nPid);
            else if (eKind == StreamKind::Audio)
                service.AudioPids.push_back(stream.nPid);
        }
        for (size_t k = 0; k < t.ServiceCount(); ++k) {
            const PsiService& named = t.Service(k);
            if (named.nServiceId == program.nNumber) {
                service.strName = ShownPsiText(named.Name);
                service.strProvider = ShownPsiText(named.Provider);
            }
        }
        for (size_t k = 0; k < t.ChannelCount(); ++k) {
            const PsiChannel& channel = t.Channel(k);
            if (channel.nProgram != program.nNumber)
                continue;
            if (service.strName.empty())
                service.strName = channel.szName;
            service.strVirtualChannel = std::to_string(channel.nMajor) + "." + std::to_string(channel.nMinor);
        }
        services.push_back(service);
    }
    return services;
}
