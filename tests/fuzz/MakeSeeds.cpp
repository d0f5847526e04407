// Writes a few starting inputs for the aligner fuzzer into the folder given.
#include "FuzzInput.h"

#include <cstdio>
#include <string>

namespace {

void Save(const std::string& dir, const char* name, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
    if (!f)
        return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::vector<uint8_t> Header(bool bClean, std::initializer_list<uint16_t> cuts)
{
    std::vector<uint8_t> h{static_cast<uint8_t>(bClean ? 1 : 0), static_cast<uint8_t>(cuts.size())};
    for (uint16_t c : cuts) {
        h.push_back(static_cast<uint8_t>(c));
        h.push_back(static_cast<uint8_t>(c >> 8));
    }
    return h;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::string dir = argv[1];

    std::vector<uint8_t> clean = Header(true, {99, 187, 3, 376});
    for (int i = 0; i < 12; ++i)
        clean.push_back(static_cast<uint8_t>(i * 37 + 1));
    Save(dir, "clean_stream", clean);

    // Garbage, then packets with a sync byte in every body, cut mid-packet.
    std::vector<uint8_t> raw = Header(false, {150, 500});
    for (int i = 0; i < 30; ++i)
        raw.push_back(static_cast<uint8_t>(i));
    for (int p = 0; p < 4; ++p) {
        for (int i = 0; i < 188; ++i)
            raw.push_back(i == 0 || i == 100 ? 0x47 : static_cast<uint8_t>(p));
    }
    Save(dir, "garbage_and_packets", raw);
    return 0;
}
