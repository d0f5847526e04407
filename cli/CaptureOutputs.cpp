#include "cli/CaptureOutputs.h"

#include "base/PerformanceClock.h"
#include "tuner/TunerGraph.h"

#include <cstdio>
#include <string>

namespace {

int Refuse(const CliContext& context, const std::string& strReason)
{
    fprintf(context.pErr, "qltscap: %s\n%s", strReason.c_str(), CliUsageText(CliCommand::Capture).c_str());
    return EXIT_BAD_ARGUMENT;
}

} // namespace

CCaptureOutputs::CCaptureOutputs() : m_pSelector(new CServiceSelector()) {}

CCaptureOutputs::~CCaptureOutputs()
{
    for (auto& pNetwork : m_Networks)
        pNetwork->Finish();
}

int CCaptureOutputs::Prepare(const CliArgs& args, const CliContext& context)
{
    m_strService = args.strService;
    if (!m_strService.empty()) {
        const int32_t nId = CliServiceId(m_strService);
        if (nId >= 0)
            m_pSelector->SelectServiceId(static_cast<uint16_t>(nId));
        else
            m_pSelector->SelectServiceName(m_strService);
        m_bSelecting = true;
    }
    if (!args.strPids.empty()) {
        CPidSet pids;
        if (!ParsePidList(args.strPids, pids))
            return Refuse(context, "--pids: '" + args.strPids + "' is not a list of PIDs");
        m_pSelector->AddPids(pids);
        m_bSelecting = true;
    }
    if (!m_bSelecting)
        m_pSelector->SelectAll();

    NetworkOutputOptions options;
    options.nTtl = args.nTtl;
    options.bInterface = !args.strMulticastIf.empty() &&
                         ParseIpv4(args.strMulticastIf.c_str(), args.strMulticastIf.size(), options.Interface);
    for (const std::string& strUrl : args.NetworkOutputs) {
        NetworkTarget target;
        if (!ParseNetworkTarget(strUrl.c_str(), target))
            return Refuse(context, "-o: '" + strUrl + "' is not udp://ADDR:PORT or rtp://ADDR:PORT");
        std::unique_ptr<CNetworkOutput> pNetwork(new CNetworkOutput(strUrl, target));
        std::string strError;
        if (!pNetwork->Start(options, strError)) {
            fprintf(context.pErr, "qltscap: cannot send to %s: %s\n", strUrl.c_str(), strError.c_str());
            return EXIT_FAILED;
        }
        m_Networks.push_back(std::move(pNetwork));
        m_DropsReported.push_back(0);
    }
    return EXIT_OK;
}

void CCaptureOutputs::UseChannelService(const CliArgs& args, int32_t nServiceId)
{
    if (nServiceId < 0 || !m_strService.empty() || args.bMux || !args.strPids.empty())
        return;
    m_strService = std::to_string(nServiceId);
    m_pSelector->SelectServiceId(static_cast<uint16_t>(nServiceId));
    m_bSelecting = true;
}

bool CCaptureOutputs::Attach(CCaptureSession& session, IPacketConsumer* pRecorder, CStreamAnalysis* pAnalysis)
{
    if (!m_bSelecting && m_Networks.empty())
        return false;
    // The file first, so that it holds a packet before the network outputs send it.
    m_pFeed.reset(new CSelectionFeed(*m_pSelector, pRecorder, pAnalysis, &PerformanceNowUs));
    if (pRecorder || pAnalysis)
        m_pSelector->AddSink(m_pFeed.get());
    for (auto& pNetwork : m_Networks)
        m_pSelector->AddSink(pNetwork.get());
    session.AddConsumer(m_pFeed.get());
    return true;
}

std::string CCaptureOutputs::MissingService(uint64_t nElapsedMs) const
{
    if (m_strService.empty() || nElapsedMs < SERVICE_WAIT_MS)
        return std::string();
    const std::string strWhat = "service '" + m_strService + "'";
    switch (m_pSelector->State()) {
    case SelectorState::WaitingForName: return "no " + strWhat + " in the multiplex's SDT";
    case SelectorState::WaitingForPat: return "no PAT in the stream, so " + strWhat + " cannot be found";
    case SelectorState::NotInPat: return strWhat + " is not in this multiplex (its PAT does not list it)";
    case SelectorState::WaitingForPmt: return "the PMT of " + strWhat + " did not arrive";
    case SelectorState::Passing: break;
    }
    return std::string();
}

void CCaptureOutputs::ReportDrops(FILE* pErr)
{
    for (size_t i = 0; i < m_Networks.size(); ++i) {
        const uint64_t nDropped = m_Networks[i]->DatagramsDropped();
        if (nDropped != m_DropsReported[i])
            fprintf(pErr, "qltscap: %s falls behind: %llu datagrams dropped so far (the other outputs are not affected)\n",
                    m_Networks[i]->Url().c_str(), static_cast<unsigned long long>(nDropped));
        m_DropsReported[i] = nDropped;
    }
}

void CCaptureOutputs::Finish(FILE* pErr)
{
    for (auto& pNetwork : m_Networks) {
        pNetwork->Finish();
        fprintf(pErr, "Sent to %s: %llu datagrams; %llu dropped (%llu packets) while the sender fell behind",
                pNetwork->Url().c_str(), static_cast<unsigned long long>(pNetwork->DatagramsSent()),
                static_cast<unsigned long long>(pNetwork->DatagramsDropped()),
                static_cast<unsigned long long>(pNetwork->PacketsDropped()));
        if (pNetwork->SendErrors())
            fprintf(pErr, "; %llu refused by the network (sendto failed, error %d)",
                    static_cast<unsigned long long>(pNetwork->SendErrors()), pNetwork->LastSendError());
        fputs("\n", pErr);
    }
}
