// Winsock first: windows.h would otherwise bring the older socket header.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "capture/NetworkOutput.h"

#include "base/PerformanceClock.h"

#include <cstdio>

namespace {

// The RTP timestamp: 90 kHz ticks of the performance counter.
uint32_t Clock90k()
{
    return static_cast<uint32_t>(PerformanceNowUs() * 9 / 100);
}

// A source id fixed for the output's life, different from one run to the next.
uint32_t NewSsrc()
{
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<uint32_t>(count.QuadPart) ^ (GetCurrentProcessId() << 16) ^ 0x51C0FFEEu;
}

std::string Failed(const char* pszWhat, const char* pszCall, int nCode)
{
    char text[160];
    snprintf(text, sizeof text, "%s (%s failed, error %d)", pszWhat, pszCall, nCode);
    return text;
}

in_addr Ipv4(const uint8_t (&address)[4])
{
    in_addr value;
    value.s_addr = htonl(static_cast<u_long>(address[0]) << 24 | static_cast<u_long>(address[1]) << 16 |
                         static_cast<u_long>(address[2]) << 8 | address[3]);
    return value;
}

} // namespace

CNetworkOutput::CNetworkOutput(const std::string& strUrl, const NetworkTarget& target)
    : m_strUrl(strUrl), m_Target(target), m_Queue(QUEUE_DATAGRAMS, target.bRtp, NewSsrc(), &Clock90k)
{
}

CNetworkOutput::~CNetworkOutput()
{
    Finish();
    if (m_nSocket != INVALID_SOCKET)
        closesocket(m_nSocket);
    if (m_hWake)
        CloseHandle(m_hWake);
    if (m_bWinsock)
        WSACleanup();
}

bool CNetworkOutput::Start(const NetworkOutputOptions& options, std::string& strError)
{
    WSADATA data;
    const int nStartup = WSAStartup(MAKEWORD(2, 2), &data);
    if (nStartup != 0) {
        strError = Failed("the network is not available", "WSAStartup", nStartup);
        return false;
    }
    m_bWinsock = true;
    m_nSocket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (m_nSocket == INVALID_SOCKET) {
        strError = Failed("no UDP socket", "socket", WSAGetLastError());
        return false;
    }
    // Room for bursts the sender has not yet passed to the network.
    const int nBuffer = 4 << 20;
    setsockopt(m_nSocket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&nBuffer), sizeof nBuffer);
    if (options.nTtl >= 0) {
        const DWORD nTtl = static_cast<DWORD>(options.nTtl);
        const int nLevel = m_Target.IsMulticast() ? IP_MULTICAST_TTL : IP_TTL;
        if (setsockopt(m_nSocket, IPPROTO_IP, nLevel, reinterpret_cast<const char*>(&nTtl), sizeof nTtl) != 0) {
            strError = Failed("the TTL cannot be set", m_Target.IsMulticast() ? "setsockopt(IP_MULTICAST_TTL)"
                                                                               : "setsockopt(IP_TTL)",
                              WSAGetLastError());
            return false;
        }
    }
    if (options.bInterface && m_Target.IsMulticast()) {
        const in_addr address = Ipv4(options.Interface);
        if (setsockopt(m_nSocket, IPPROTO_IP, IP_MULTICAST_IF, reinterpret_cast<const char*>(&address), sizeof address) != 0) {
            strError = Failed("no interface with that address sends multicast", "setsockopt(IP_MULTICAST_IF)",
                              WSAGetLastError());
            return false;
        }
    }
    m_hWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!m_hWake) {
        strError = Failed("the sender cannot wait", "CreateEvent", static_cast<int>(GetLastError()));
        return false;
    }
    m_Sender = std::thread([this] { SendLoop(); });
    return true;
}

void CNetworkOutput::Put(const uint8_t* pPacket)
{
    const uint64_t nQueued = m_Queue.Queued();
    m_Queue.Put(pPacket);
    if (m_Queue.Queued() != nQueued && m_Queue.Depth() == WAKE_DEPTH)
        SetEvent(m_hWake);
}

void CNetworkOutput::Finish()
{
    if (!m_Sender.joinable())
        return;
    m_Queue.Flush();
    m_bFinish.store(true, std::memory_order_release);
    SetEvent(m_hWake);
    m_Sender.join();
}

void CNetworkOutput::SendLoop()
{
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_Target.nPort);
    to.sin_addr = Ipv4(m_Target.Address);
    // A stream that waits for the sender is lost: it goes before the program's other work.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    for (;;) {
        const bool bFinish = m_bFinish.load(std::memory_order_acquire);
        const uint8_t* pData;
        size_t nSize;
        while (m_Queue.Front(&pData, &nSize)) {
            if (sendto(m_nSocket, reinterpret_cast<const char*>(pData), static_cast<int>(nSize), 0,
                       reinterpret_cast<const sockaddr*>(&to), sizeof to) == SOCKET_ERROR) {
                m_nLastError.store(WSAGetLastError(), std::memory_order_relaxed);
                m_nSendErrors.fetch_add(1, std::memory_order_relaxed);
            } else {
                m_nSent.fetch_add(1, std::memory_order_relaxed);
            }
            m_Queue.Pop();
        }
        // Finish flushed before it asked, so the queue was complete when this pass began.
        if (bFinish)
            return;
        WaitForSingleObject(m_hWake, IDLE_WAIT_MS);
    }
}
