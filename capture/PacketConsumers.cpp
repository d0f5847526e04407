#include "capture/PacketConsumers.h"

#include <algorithm>

bool CPacketConsumers::Add(IPacketConsumer* pConsumer)
{
    if (!pConsumer)
        return false;
    std::lock_guard<std::mutex> hold(m_WriteLock);
    const Array* pCurrent = m_pCurrent.load(std::memory_order_relaxed);
    Array next = pCurrent ? *pCurrent : Array();
    if (std::find(next.begin(), next.end(), pConsumer) != next.end())
        return false;
    next.push_back(pConsumer);
    Publish(std::move(next));
    return true;
}

void CPacketConsumers::Remove(IPacketConsumer* pConsumer)
{
    std::lock_guard<std::mutex> hold(m_WriteLock);
    const Array* pCurrent = m_pCurrent.load(std::memory_order_relaxed);
    if (!pCurrent || std::find(pCurrent->begin(), pCurrent->end(), pConsumer) == pCurrent->end())
        return;
    Array next = *pCurrent;
    next.erase(std::remove(next.begin(), next.end(), pConsumer), next.end());
    Publish(std::move(next));
}

void CPacketConsumers::Publish(Array next)
{
    m_Published.push_back(std::make_unique<const Array>(std::move(next)));
    m_pCurrent.store(m_Published.back().get(), std::memory_order_release);
}

CPacketConsumers::Snapshot CPacketConsumers::Take() const
{
    const Array* pCurrent = m_pCurrent.load(std::memory_order_acquire);
    if (!pCurrent)
        return Snapshot{nullptr, 0};
    return Snapshot{pCurrent->data(), static_cast<int>(pCurrent->size())};
}
