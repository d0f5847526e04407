#include "simtuner/SimDevice.h"

#include <map>
#include <memory>

namespace {

CCritSec g_DevicesLock;
std::map<std::wstring, std::unique_ptr<CSimDevice>> g_Devices;

} // namespace

CSimDevice* CSimDevice::Find(const std::wstring& name)
{
    CAutoLock lock(&g_DevicesLock);
    std::unique_ptr<CSimDevice>& device = g_Devices[name];
    if (!device)
        device.reset(new CSimDevice());
    return device.get();
}

void CSimDevice::ResetAll()
{
    CAutoLock lock(&g_DevicesLock);
    for (auto& entry : g_Devices)
        entry.second->Reset();
}

CSimDevice::Failure CSimDevice::TakeFailure(SimCallId eCall, LONG nNode)
{
    CAutoLock lock(&m_Lock);
    for (FailureRule& rule : m_Rules) {
        if (rule.eCall != eCall || (rule.nNode != SIM_NODE_ANY && rule.nNode != nNode) || rule.nTimes == 0)
            continue;
        if (rule.nTimes > 0)
            --rule.nTimes;
        return {rule.hr, rule.bAfterEffect};
    }
    return {};
}

void CSimDevice::Log(const SimCallRecord& record)
{
    CAutoLock lock(&m_Lock);
    if (m_Log.size() < MAX_LOG)
        m_Log.push_back(record);
}

SimSignal CSimDevice::Signal()
{
    CAutoLock lock(&m_Lock);
    return m_Signal;
}

void CSimDevice::SetLnbData(const LnbDataRecord& lnb)
{
    CAutoLock lock(&m_Lock);
    m_Lnb = lnb;
    m_bLnbSet = true;
}

void CSimDevice::SetCommitted(const SimTuning& tuning, LONG nChannel)
{
    CAutoLock lock(&m_Lock);
    m_Committed = tuning;
    m_nChannel = nChannel;
    m_bCommitted = true;
}

void CSimDevice::StreamingStarted()
{
    CAutoLock lock(&m_Lock);
    m_Delivery.bStreaming = TRUE;
}

void CSimDevice::Delivered(size_t nBytes)
{
    CAutoLock lock(&m_Lock);
    m_Delivery.nBytes += nBytes;
    ++m_Delivery.nSamples;
}

void CSimDevice::Dropped(ULONGLONG nBytes, ULONGLONG nPackets, ULONGLONG nTestPackets)
{
    CAutoLock lock(&m_Lock);
    m_Delivery.nDroppedBytes += nBytes;
    m_Delivery.nDroppedPackets += nPackets;
    m_Delivery.nDroppedTestPackets += nTestPackets;
    ++m_Delivery.nDrops;
}

void CSimDevice::StreamingEnded(HRESULT hrEnd)
{
    CAutoLock lock(&m_Lock);
    m_Delivery.bStreaming = FALSE;
    m_Delivery.hrLastEnd = hrEnd;
    if (hrEnd != S_OK)
        ++m_Delivery.nRefusals;
}

HRESULT CSimDevice::GetCallCount(ULONG* pnCount)
{
    if (!pnCount)
        return E_POINTER;
    CAutoLock lock(&m_Lock);
    *pnCount = static_cast<ULONG>(m_Log.size());
    return S_OK;
}

HRESULT CSimDevice::GetCall(ULONG nIndex, SimCallRecord* pRecord)
{
    if (!pRecord)
        return E_POINTER;
    CAutoLock lock(&m_Lock);
    if (nIndex >= m_Log.size())
        return S_FALSE;
    *pRecord = m_Log[nIndex];
    return S_OK;
}

HRESULT CSimDevice::ClearCalls()
{
    CAutoLock lock(&m_Lock);
    m_Log.clear();
    return S_OK;
}

HRESULT CSimDevice::GetLastLnbData(LnbDataRecord* pLnb)
{
    if (!pLnb)
        return E_POINTER;
    CAutoLock lock(&m_Lock);
    *pLnb = m_bLnbSet ? m_Lnb : LnbDataRecord{};
    return m_bLnbSet ? S_OK : S_FALSE;
}

HRESULT CSimDevice::GetDelivery(SimDelivery* pDelivery)
{
    if (!pDelivery)
        return E_POINTER;
    CAutoLock lock(&m_Lock);
    *pDelivery = m_Delivery;
    return S_OK;
}

HRESULT CSimDevice::GetCommittedTuning(SimTuning* pTuning, LONG* pnChannel)
{
    if (!pTuning || !pnChannel)
        return E_POINTER;
    CAutoLock lock(&m_Lock);
    *pTuning = m_Committed;
    *pnChannel = m_bCommitted ? m_nChannel : -1;
    return m_bCommitted ? S_OK : S_FALSE;
}

HRESULT CSimDevice::SetSignalLost(BOOL bLost)
{
    CAutoLock lock(&m_Lock);
    if (m_Signal.bLost && !bLost)
        m_Signal.nBackSinceMs = GetTickCount64();
    m_Signal.bLost = bLost != FALSE;
    return S_OK;
}

HRESULT CSimDevice::FailCall(SimCallId eCall, LONG nNode, HRESULT hr, LONG nTimes, bool bAfterEffect)
{
    if (nTimes < -1)
        return E_INVALIDARG;
    CAutoLock lock(&m_Lock);
    for (auto it = m_Rules.begin(); it != m_Rules.end(); ++it) {
        if (it->eCall == eCall && it->nNode == nNode) {
            m_Rules.erase(it);
            break;
        }
    }
    if (nTimes != 0)
        m_Rules.push_back({eCall, nNode, hr, nTimes, bAfterEffect});
    return S_OK;
}

HRESULT CSimDevice::Reset()
{
    CAutoLock lock(&m_Lock);
    m_Log.clear();
    m_Rules.clear();
    m_Signal = SimSignal();
    m_bLnbSet = false;
    m_Lnb = {};
    m_bCommitted = false;
    m_Committed = SimTuning();
    m_nChannel = -1;
    const BOOL bStreaming = m_Delivery.bStreaming;
    m_Delivery = {};
    m_Delivery.bStreaming = bStreaming;
    return S_OK;
}
