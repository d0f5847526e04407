// Fuzzes the aligner with any bytes cut into any runs. Raw input must never read or write
// outside the run and the 188 bytes of carry, and must account for every byte; a clean
// stream of packets must come out whole, in order, whatever the cuts.
#include "FuzzInput.h"
#include "capture/TsPacketChecker.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void PutLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> MakeCleanStream(const uint8_t* seeds, size_t n, uint32_t& nTest)
{
    std::vector<uint8_t> stream;
    nTest = 0;
    for (size_t i = 0; i < n && i < 200; ++i) {
        uint8_t packet[188];
        std::memset(packet, seeds[i], sizeof(packet));  // bodies may hold sync bytes
        packet[0] = 0x47;
        if (seeds[i] & 1) {
            packet[1] = 0x41;
            packet[2] = 0x00;
            PutLe32(packet + 4, ++nTest);
            PutLe32(packet + 184, Crc32Mpeg2(packet, 184));
        } else {
            packet[1] = seeds[i] & 0x1E;
            packet[2] = seeds[i];
        }
        stream.insert(stream.end(), packet, packet + sizeof(packet));
    }
    return stream;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in;
    if (!ParseFuzzInput(data, size, in))
        return 0;

    uint32_t nTest = 0;
    std::vector<uint8_t> stream = in.bCleanStream ? MakeCleanStream(in.pRest, in.nRest, nTest)
                                                  : std::vector<uint8_t>(in.pRest, in.pRest + in.nRest);
    ResetTestStreamCounters();
    // Exactly one packet of carry, so that any write past it is caught.
    std::unique_ptr<uint8_t[]> carry(new uint8_t[TS_PACKET_SIZE]);
    int32_t nCarry = 0;

    size_t pos = 0, cut = 0;
    while (pos < stream.size()) {
        size_t len = stream.size() - pos;
        if (cut < in.Cuts.size())
            len = std::min<size_t>(len, in.Cuts[cut++] % 1024 + 1);
        // Each run gets a heap block of its own length: reading past it is caught too.
        std::unique_ptr<uint8_t[]> run(new uint8_t[len]);
        std::memcpy(run.get(), stream.data() + pos, len);

        const uint64_t before = nBitsReceived.load() / TS_BITS_PER_PACKET;
        const int32_t nCarryBefore = nCarry;
        AlignPackets(run.get(), static_cast<int32_t>(len), carry.get(), nCarry);
        const uint64_t packets = nBitsReceived.load() / TS_BITS_PER_PACKET - before;
        Require(nCarry >= 0 && nCarry < TS_PACKET_SIZE);
        // Bytes in = bytes in packets + bytes dropped by resync + bytes carried on.
        Require(packets * TS_PACKET_SIZE + static_cast<uint64_t>(nCarry) <= static_cast<uint64_t>(nCarryBefore) + len);
        Require(nCarry == 0 || carry[0] == TS_SYNC_BYTE);
        pos += len;
    }

    if (in.bCleanStream) {
        Require(nBitsReceived.load() == stream.size() / TS_PACKET_SIZE * TS_BITS_PER_PACKET);
        Require(nCarry == 0);
        Require(nTestPackets.load() == nTest);
        Require(nCrcErrors.load() == 0 && nLostPackets.load() == 0);
    }
    return 0;
}
