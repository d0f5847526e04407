// The capture's selection and network output options.
#include "cli/CliArgs.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool Parse(std::vector<const char*> words, CliArgs* pArgs, std::string* pError)
{
    words.insert(words.begin(), {"qltscap", "capture", "0", "--freq", "506000", "--bw", "8"});
    return ParseCliArgs(static_cast<int>(words.size()), words.data(), pArgs, pError);
}

TEST(CliSelectionArgs, OutputsServicesAndPidsAreTakenAndCheckedBeforeAnythingRuns)
{
    CliArgs args;
    std::string error;
    ASSERT_TRUE(Parse({"-o", "a.ts", "-o", "rtp://239.0.0.1:5004", "--service", "News 24", "--pids", "0x12,18",
                       "--ttl", "4", "--multicast-if", "192.168.1.2"},
                      &args, &error))
        << error;
    EXPECT_EQ(args.strFile, "a.ts");
    EXPECT_EQ(args.NetworkOutputs, std::vector<std::string>{"rtp://239.0.0.1:5004"});
    EXPECT_EQ(args.strService, "News 24");
    EXPECT_EQ(CliServiceId(args.strService), -1);
    EXPECT_EQ(args.nTtl, 4);
    ASSERT_TRUE(Parse({"-o", "udp://127.0.0.1:1234", "-o", "udp://127.0.0.1:1235", "--service", "65535"}, &args, &error))
        << error;
    EXPECT_TRUE(args.strFile.empty());
    EXPECT_EQ(args.NetworkOutputs.size(), 2u);
    EXPECT_EQ(CliServiceId(args.strService), 65535);
    EXPECT_EQ(CliServiceId("0x1F"), 31);
    EXPECT_EQ(CliServiceId("0x1G"), -1);  // a name

    struct Bad {
        std::vector<const char*> words;
        const char* pszWord;  // in the reason
    } bad[] = {
        {{"-o", "a.ts", "-o", "b.ts"}, "one file"},
        {{"-o", "a.ts", "-o", "udp://1.2.3.4:5", "-o", "udp://1.2.3.4:6"}, "at most twice"},
        {{"-o", "udp://1.2.3.4"}, "udp://ADDR:PORT"},
        {{"-o", "a.ts", "--service", "65536"}, "65535"},
        {{"-o", "a.ts", "--service", ""}, "service name"},
        {{"-o", "a.ts", "--pids", "0x2000"}, "8191"},
        {{"-o", "a.ts", "--service", "1", "--pids", "0x11"}, "0x11"},
        {{"-o", "a.ts", "--service", "1", "--mux"}, "--mux"},
        {{"-o", "a.ts", "--pids", "5", "--mux"}, "--mux"},
        {{"-o", "a.ts", "--ttl", "3"}, "network output"},
        {{"-o", "udp://1.2.3.4:5", "--ttl", "256"}, "--ttl"},
        {{"-o", "udp://1.2.3.4:5", "--multicast-if", "eth0"}, "IPv4"},
    };
    for (const Bad& b : bad) {
        EXPECT_FALSE(Parse(b.words, &args, &error)) << b.pszWord;
        EXPECT_NE(error.find(b.pszWord), std::string::npos) << error;
    }
    const char* scan[] = {"qltscap", "scan", "0", "--list", "l.conf", "-o", "udp://1.2.3.4:5"};
    EXPECT_FALSE(ParseCliArgs(7, scan, &args, &error));
    EXPECT_NE(error.find("channel file"), std::string::npos) << error;
}

TEST(CliSelectionArgs, TheHelpNamesTheNewExitCode)
{
    EXPECT_NE(CliHelpText(CliCommand::None).find("  9  the service asked for was not in the multiplex"), std::string::npos);
    EXPECT_NE(CliHelpText(CliCommand::Capture).find("--service NAME|ID"), std::string::npos);
}

} // namespace
