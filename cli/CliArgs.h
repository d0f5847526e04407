// The console program's command line: commands, options, exit codes and help texts, and the
// tuning options turned into the dialog's tuning values for a tuner's kind. The option table
// is the one place that says which option belongs to which command and which tuner kind.
// Plain C++ without windows.h.
#pragma once

#include "tuner/TunePlan.h"

#include <cstdint>
#include <string>
#include <vector>

enum class CliCommand { None, List, Tune, Capture, Analyze, Scan };

// The program's exit codes; the program help lists them.
enum CliExit : int {
    EXIT_OK = 0,             // also a capture ended by its limit or its time, and any command ended by Ctrl+C
    EXIT_FAILED = 1,         // the system refused something that no option changes
    EXIT_BAD_ARGUMENT = 2,
    EXIT_NO_TUNER = 3,
    EXIT_NO_LOCK = 4,
    EXIT_FILE_OPEN = 5,
    EXIT_WRITE_FAILED = 6,
    EXIT_TUNER_BUSY = 7,
    EXIT_DATA_DROPPED = 8,   // a capture otherwise successful left out stream the output could not take
    EXIT_NO_SERVICE = 9,     // the service asked for did not appear in the multiplex in time
};

// Tuning options as given; a field not given keeps its unset marker.
struct CliTuneOptions {
    static constexpr int64_t UNSET = -1;
    int64_t nFrequency = UNSET, nSymbolRate = UNSET, nBandwidth = UNSET, nQam = UNSET;
    int64_t nLof1 = UNSET, nLof2 = UNSET, nLofSwitch = UNSET;
    int nPolarity = -1;  // 0 vertical, 1 horizontal
    int nLnbPreset = -1, nLnbPower = -1, nDiseqc = -1, nTone = -1, nModulation = -1;
    uint32_t nKindsUsed = 0;   // device kind bits of every option given, ANDed: all kinds when none
    std::string strFirstOption;  // the first kind-specific option given, for messages
};

struct CliArgs {
    CliCommand eCommand = CliCommand::None;
    bool bHelp = false;
    bool bVersion = false;  // qltscap --version
    std::string strTuner;   // tune, capture, scan: an index, a name or a MAC
    std::string strFile;    // capture: -o; scan: the channel file to write; analyze: the file to read
    std::string strHtml;    // capture, analyze: the HTML report to write; empty for none
    std::string strLog;     // capture: the CSV log to write; empty for none
    bool bJson = false;
    bool bWatch = false;
    bool bOverwrite = false;
    uint32_t nLimitMB = 0;       // 0: no limit (an option given is at least 1)
    uint32_t nSeconds = 0;       // 0: no time limit (an option given is at least 1)
    uint32_t nLockTimeoutS = 10; // a capture without lock for this long ends; 0: never
    uint32_t nBufferMB = 64;     // capture: the writer's ring
    uint32_t nSplitMB = 0;       // capture: 0, or a new part after this many MB
    uint32_t nSplitSeconds = 0;  // capture: 0, or a new part after this many seconds
    bool bRaw = false;           // capture: the runs exactly as delivered, not whole packets
    CliTuneOptions Tune;
    std::string strChannel;   // tune, capture: the channel's name in strChannels
    std::string strChannels;  // tune, capture: a channel file
    std::string strList;      // scan: a tuning list
    int64_t nFromKHz = CliTuneOptions::UNSET, nToKHz = CliTuneOptions::UNSET, nStepKHz = CliTuneOptions::UNSET;
    uint32_t nFirst = 0;      // scan: only the first N steps; 0 for all
    // capture: the selection and the network outputs.
    std::vector<std::string> NetworkOutputs;  // -o udp://ADDR:PORT or rtp://ADDR:PORT, as given
    std::string strService;   // a service's name, or its id (decimal digits or 0x hex)
    std::string strPids;      // extra PIDs, as given (checked)
    bool bMux = false;        // the whole multiplex, also for a channel that names its service
    int32_t nTtl = -1;        // network outputs: hops; -1 for the system's
    std::string strMulticastIf;  // the local IPv4 address multicast leaves through
};

// The service id --service names when it is a number (decimal, or 0x and up to four hex
// digits), -1 when it is a name.
int32_t CliServiceId(const std::string& strService);

// Parses argv[1..argc-1]; false with a one-line reason in *pError.
bool ParseCliArgs(int argc, const char* const* argv, CliArgs* pArgs, std::string* pError);

// The dialog's tuning values for a tuner of this SourceType, with the dialog's satellite
// defaults for choices not given; false with the reason when an option does not apply to
// the kind.
bool MakeTuneValues(const CliTuneOptions& options, int32_t nSourceType, TuneValues* pValues, std::string* pError);

// The tuning values of a channel-file or list entry for a tuner of this SourceType, with
// the satellite dish's options of the command line (LNB, power, DiSEqC, tone); false with
// the reason when the tuner cannot take the entry. pConverted, when given, receives the
// entry's own values.
struct TuningListEntry;
struct TuningValues;
bool MakeEntryTuneValues(const TuningListEntry& entry, const CliTuneOptions& options, int32_t nSourceType,
                         TuneValues* pValues, TuningValues* pConverted, std::string* pError);

// --buffer-mb's bounds: one write block at least; at most what a 32-bit process can still
// hold beside the program (1024 MB is 80 s at 100 Mbit/s).
constexpr uint32_t CLI_BUFFER_MB_MIN = 1;
constexpr uint32_t CLI_BUFFER_MB_MAX = 1024;

// A number argument: decimal digits only, at most 32 bits.
bool ParseCliNumber(const char* pszText, uint32_t* pnValue);

// The command's name, "" for None.
const char* CliCommandName(CliCommand eCommand);
// The help of the program (None) or of one command.
std::string CliHelpText(CliCommand eCommand);
// The short usage lines printed after a bad argument.
std::string CliUsageText(CliCommand eCommand);
