#include "capture/PacketConsumers.h"

bool CPacketConsumers::Add(IPacketConsumer* pConsumer)
{
    if (!pConsumer)
        return false;
    for (const auto& slot : m_Slots)
        if (slot.load(std::memory_order_relaxed) == pConsumer)
            return false;
    for (auto& slot : m_Slots) {
        IPacketConsumer* pEmpty = nullptr;
        if (slot.compare_exchange_strong(pEmpty, pConsumer, std::memory_order_release, std::memory_order_relaxed))
            return true;
    }
    return false;
}

void CPacketConsumers::Remove(IPacketConsumer* pConsumer)
{
    for (auto& slot : m_Slots) {
        IPacketConsumer* pExpected = pConsumer;
        slot.compare_exchange_strong(pExpected, nullptr, std::memory_order_release, std::memory_order_relaxed);
    }
}

CPacketConsumers::Snapshot CPacketConsumers::Take() const
{
    Snapshot snapshot;
    snapshot.nCount = 0;
    for (const auto& slot : m_Slots)
        if (IPacketConsumer* pConsumer = slot.load(std::memory_order_acquire))
            snapshot.Items[snapshot.nCount++] = pConsumer;
    return snapshot;
}
