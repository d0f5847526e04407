// Datagrams of seven packets, their RTP headers, the queue's drops and its hand-over
// between two threads; the network output's address form.
#include "native/ts/TsBuild.h"
#include "ts/DatagramQueue.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

uint32_t g_nClock = 0;
uint32_t FakeClock()
{
    return g_nClock += 900;
}


Packet Numbered(uint32_t n)
{
    Packet p = MakePacket(0x100, static_cast<uint8_t>(n));
    memcpy(p.data() + 4, &n, 4);
    return p;
}

uint32_t NumberOf(const uint8_t* p)
{
    uint32_t n;
    memcpy(&n, p + 4, 4);
    return n;
}

TEST(DatagramQueue, RtpDatagramsHoldSevenPacketsBehindTheirHeader)
{
    g_nClock = 0;
    CDatagramQueue queue(4, true, 0x11223344, &FakeClock);
    for (uint32_t n = 0; n < 16; ++n)
        queue.Put(Numbered(n).data());
    queue.Flush();
    const uint8_t* p;
    size_t size;
    for (int d = 0; d < 3; ++d) {
        ASSERT_TRUE(queue.Front(&p, &size));
        const size_t packets = d < 2 ? 7 : 2;
        ASSERT_EQ(size, 12 + packets * 188);
        EXPECT_EQ(p[0], 0x80);
        EXPECT_EQ(p[1], 33);
        EXPECT_EQ(p[2] << 8 | p[3], d);
        EXPECT_EQ(static_cast<uint32_t>(p[4] << 24 | p[5] << 16 | p[6] << 8 | p[7]), 900u * static_cast<uint32_t>(d + 1));
        EXPECT_EQ(static_cast<uint32_t>(p[8] << 24 | p[9] << 16 | p[10] << 8 | p[11]), 0x11223344u);
        for (size_t i = 0; i < packets; ++i) {
            EXPECT_EQ(p[12 + i * 188], 0x47);
            EXPECT_EQ(NumberOf(p + 12 + i * 188), d * 7 + i);
        }
        queue.Pop();
    }
    EXPECT_FALSE(queue.Front(&p, &size));

    CDatagramQueue plain(2, false, 0, nullptr);
    for (uint32_t n = 0; n < 7; ++n)
        plain.Put(Numbered(n).data());
    ASSERT_TRUE(plain.Front(&p, &size));
    EXPECT_EQ(size, 1316u);
    EXPECT_EQ(NumberOf(p), 0u);
}

TEST(DatagramQueue, AFullQueueDropsWholeDatagramsAndSkipsTheirSequenceNumbers)
{
    CDatagramQueue queue(2, true, 1, &FakeClock);
    for (uint32_t n = 0; n < 7 * 5; ++n)
        queue.Put(Numbered(n).data());
    EXPECT_EQ(queue.Queued(), 2u);
    EXPECT_EQ(queue.Dropped(), 3u);
    EXPECT_EQ(queue.DroppedPackets(), 21u);
    const uint8_t* p;
    size_t size;
    queue.Pop();
    queue.Pop();
    for (uint32_t n = 7 * 5; n < 7 * 6; ++n)
        queue.Put(Numbered(n).data());
    ASSERT_TRUE(queue.Front(&p, &size));
    EXPECT_EQ(p[2] << 8 | p[3], 5);  // 2, 3 and 4 were dropped
    EXPECT_EQ(NumberOf(p + 12), 35u);
}

TEST(DatagramQueue, AConsumerThreadSeesEveryQueuedPacketOnceAndInOrder)
{
    constexpr uint32_t kPackets = 7 * 20000;
    CDatagramQueue queue(64, false, 0, nullptr);
    std::thread consumer([&] {
        uint32_t nNext = 0;
        const uint8_t* p;
        size_t size;
        while (nNext < kPackets) {
            if (!queue.Front(&p, &size)) {
                std::this_thread::yield();
                continue;
            }
            for (size_t i = 0; i < size / 188; ++i)
                ASSERT_EQ(NumberOf(p + i * 188), nNext++);
            queue.Pop();
        }
    });
    for (uint32_t n = 0; n < kPackets;) {
        // The producer never waits; here it only offers a datagram when there is room.
        if (queue.Depth() >= 64) {
            std::this_thread::yield();
            continue;
        }
        for (int i = 0; i < 7; ++i)
            queue.Put(Numbered(n++).data());
    }
    consumer.join();
    EXPECT_EQ(queue.Dropped(), 0u);
}

TEST(DatagramQueue, NetworkOutputsNameAnIpv4AddressAndAPort)
{
    NetworkTarget target;
    ASSERT_TRUE(ParseNetworkTarget("rtp://239.1.2.3:5004", target));
    EXPECT_TRUE(target.bRtp && target.IsMulticast());
    EXPECT_EQ(target.nPort, 5004);
    EXPECT_EQ(target.Address[3], 3);
    ASSERT_TRUE(ParseNetworkTarget("udp://127.0.0.1:1234", target));
    EXPECT_FALSE(target.bRtp || target.IsMulticast());
    for (const char* bad : {"udp://127.0.0.1", "udp://127.0.0.1:0", "udp://127.0.0.1:65536", "udp://1.2.3:5",
                            "udp://1.2.3.256:5", "udp://host:5", "tcp://1.2.3.4:5", "udp://1.2.3.4:5x", "out.ts"})
        EXPECT_FALSE(ParseNetworkTarget(bad, target)) << bad;
    EXPECT_FALSE(IsNetworkOutput("out.ts"));
    EXPECT_TRUE(IsNetworkOutput("udp://x"));
}

} // namespace
