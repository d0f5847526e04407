// The console program's command line: commands, options, exit codes and help texts, and the
// tuning options turned into the dialog's tuning values for a tuner's kind. The option table
// is the one place that says which option belongs to which command and which tuner kind.
// Plain C++ without windows.h.
#pragma once

#include "tuner/TunePlan.h"

#include <cstdint>
#include <string>

enum class CliCommand { None, List, Tune, Capture, Analyze, Scan };

// The program's exit codes; the program help lists them.
enum CliExit : int {
    EXIT_OK = 0,             // also a capture ended by its limit, its time or Ctrl+C
    EXIT_FAILED = 1,         // the system refused something that no option changes
    EXIT_BAD_ARGUMENT = 2,
    EXIT_NO_TUNER = 3,
    EXIT_NO_LOCK = 4,
    EXIT_FILE_OPEN = 5,
    EXIT_WRITE_FAILED = 6,
    EXIT_TUNER_BUSY = 7,
};

// The tuner kinds an option applies to, as the device record's kind bits.
enum : uint32_t { KIND_SAT = 1, KIND_TER = 2, KIND_CAB = 4, KIND_ATSC = 8, KIND_ANY = 15 };

// Tuning options as given; a field not given keeps its unset marker.
struct CliTuneOptions {
    static constexpr int64_t UNSET = -1;
    int64_t nFrequency = UNSET, nSymbolRate = UNSET, nBandwidth = UNSET, nQam = UNSET;
    int64_t nLof1 = UNSET, nLof2 = UNSET, nLofSwitch = UNSET;
    int nPolarity = -1;  // 0 vertical, 1 horizontal
    int nLnbPreset = -1, nLnbPower = -1, nDiseqc = -1, nTone = -1, nModulation = -1;
    uint32_t nKindsUsed = 0;   // the kinds of every option given, ANDed: KIND_ANY when none
    std::string strFirstOption;  // the first kind-specific option given, for messages
};

struct CliArgs {
    CliCommand eCommand = CliCommand::None;
    bool bHelp = false;
    std::string strTuner;   // tune, capture, scan: an index, a name or a MAC
    std::string strFile;    // capture: -o; scan: the channel file to write; analyze: the file to read
    std::string strHtml;    // capture, analyze: the HTML report to write; empty for none
    std::string strLog;     // capture: the CSV log to write; empty for none
    bool bJson = false;
    bool bWatch = false;
    bool bOverwrite = false;
    uint32_t nLimitMB = 0;       // 0: no limit
    uint32_t nSeconds = 0;       // 0: no time limit
    uint32_t nLockTimeoutS = 10; // a capture without lock for this long ends
    CliTuneOptions Tune;
    std::string strChannel;   // tune, capture: the channel's name in strChannels
    std::string strChannels;  // tune, capture: a channel file
    std::string strList;      // scan: a tuning list
    int64_t nFromKHz = CliTuneOptions::UNSET, nToKHz = CliTuneOptions::UNSET, nStepKHz = CliTuneOptions::UNSET;
    uint32_t nFirst = 0;      // scan: only the first N steps; 0 for all
};

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

// A number argument: decimal digits only, at most 32 bits.
bool ParseCliNumber(const char* pszText, uint32_t* pnValue);

// The command's name, "" for None.
const char* CliCommandName(CliCommand eCommand);
// The help of the program (None) or of one command.
std::string CliHelpText(CliCommand eCommand);
// The short usage lines printed after a bad argument.
std::string CliUsageText(CliCommand eCommand);
