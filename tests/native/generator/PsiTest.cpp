#include "capture/TsPacketChecker.h"
#include "simtuner/TsGenerator.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Packet = std::array<uint8_t, 188>;

std::vector<Packet> Generate(const TsGeneratorConfig& config, size_t count)
{
    CTsGenerator generator(config);
    std::vector<Packet> packets(count);
    for (Packet& p : packets)
        generator.Fill(p.data(), p.size());
    return packets;
}

int Pid(const Packet& p)
{
    return ((p[1] << 8) | p[2]) & 0x1FFF;
}

// The section behind the pointer field of a unit-start packet; empty when malformed.
std::vector<uint8_t> Section(const Packet& p)
{
    if (!(p[1] & 0x40) || p[4] != 0)
        return {};
    const uint8_t* s = p.data() + 5;
    const size_t length = 3 + (((s[1] & 0x0F) << 8) | s[2]);
    if (5 + length > 188)
        return {};
    return std::vector<uint8_t>(s, s + length);
}

} // namespace

TEST(TsGeneratorPsi, PatListsEveryProgramAndPmtsDescribeThem)
{
    TsGeneratorConfig config;
    config.nPrograms = 4;
    config.nPsiInterval = 20;
    const auto packets = Generate(config, 40);

    ASSERT_EQ(Pid(packets[0]), 0);
    const auto pat = Section(packets[0]);
    ASSERT_EQ(pat.size(), 12u + 4 * 4);
    EXPECT_EQ(pat[0], 0x00);
    EXPECT_EQ(Crc32Mpeg2(pat.data(), static_cast<int32_t>(pat.size())), 0u);
    std::map<int, int> pmtPidOfProgram;
    for (size_t i = 8; i + 4 < pat.size(); i += 4)
        pmtPidOfProgram[(pat[i] << 8) | pat[i + 1]] = ((pat[i + 2] << 8) | pat[i + 3]) & 0x1FFF;
    ASSERT_EQ(pmtPidOfProgram.size(), 4u);

    for (int program = 1; program <= 4; ++program) {
        const Packet& p = packets[program];
        ASSERT_EQ(Pid(p), pmtPidOfProgram[program]) << "program " << program;
        const auto pmt = Section(p);
        ASSERT_GE(pmt.size(), 16u);
        EXPECT_EQ(pmt[0], 0x02);
        EXPECT_EQ((pmt[3] << 8) | pmt[4], program);
        EXPECT_EQ(Crc32Mpeg2(pmt.data(), static_cast<int32_t>(pmt.size())), 0u);
        // Each program lists the test PID as its one stream.
        ASSERT_EQ(pmt.size(), 21u);
        EXPECT_EQ(((pmt[13] << 8) | pmt[14]) & 0x1FFF, 0x100);
    }
    // The tables come again after the interval, with the continuity counters advanced.
    EXPECT_EQ(Pid(packets[20]), 0);
    EXPECT_EQ(packets[20][3] & 0x0F, (packets[0][3] + 1) & 0x0F);
    EXPECT_EQ(Section(packets[20]), pat);
}

TEST(TsGeneratorPsi, TestPacketsCarryTheirContinuityCounterAndNumbers)
{
    TsGeneratorConfig config;
    config.nTestPerMille = 1000;
    const auto packets = Generate(config, 40);
    for (size_t i = 3; i + 1 < packets.size(); ++i) {  // after the PAT, the PMT and the SDT
        ASSERT_EQ(Pid(packets[i]), 0x100);
        EXPECT_EQ(packets[i + 1][3] & 0x0F, (packets[i][3] + 1) & 0x0F);
        EXPECT_EQ(packets[i][4] + 1, packets[i + 1][4]);
    }
}

TEST(TsGeneratorPsi, FfprobeReadsTheStreamAsMpegTsWithItsProgramsAndServiceNames)
{
    if (std::system("which ffprobe >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffprobe is not installed";

    char path[] = "/tmp/qlts_generator_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    TsGeneratorConfig config;
    config.nPrograms = 3;
    config.nPsiInterval = 100;
    config.sProvider = "QL Provider";
    config.Services = {{"News One", 0, 0}, {}, {"\xC3\x9Cmlaut TV", 0, 0}};
    CTsGenerator generator(config);
    std::vector<uint8_t> stream(188 * 3000);
    generator.Fill(stream.data(), stream.size());
    ASSERT_EQ(write(fd, stream.data(), stream.size()), static_cast<ssize_t>(stream.size()));
    close(fd);

    const std::string command = std::string("ffprobe -v error -show_entries format=format_name,nb_programs") +
                                " -show_entries program=program_num,pmt_pid:program_tags=service_name,service_provider"
                                " -of default=noprint_wrappers=1 " + path;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char line[256];
    while (std::fgets(line, sizeof(line), pipe))
        output += line;
    const int status = pclose(pipe);
    std::remove(path);

    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("format_name=mpegts\n"), std::string::npos) << output;
    EXPECT_NE(output.find("nb_programs=3\n"), std::string::npos) << output;
    const char* const names[] = {"News One", "QLSim Service 2", "\xC3\x9Cmlaut TV"};
    for (int program = 1; program <= 3; ++program) {
        const std::string entry = "program_num=" + std::to_string(program) + "\npmt_pid=" +
                                  std::to_string(0x1000 + program) + "\nTAG:service_name=" + names[program - 1] +
                                  "\nTAG:service_provider=QL Provider\n";
        EXPECT_NE(output.find(entry), std::string::npos) << output;
    }
}
