#include "cli/CliArgs.h"

#include "cli/CliValueCheck.h"
#include "base/TextCompare.h"
#include "tuner/TuneChoices.h"
#include "base/TunerKinds.h"
#include "channels/TuningEntry.h"
#include "ts/DatagramQueue.h"
#include "ts/ServiceSelector.h"

#include "base/TextCompare.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace {

enum CommandBit : uint32_t { CMD_LIST = 1, CMD_TUNE = 2, CMD_CAPTURE = 4, CMD_ANALYZE = 8, CMD_SCAN = 16 };

enum class OptionId {
    Help, Json, Watch, Overwrite, Output, LimitMB, Seconds, LockTimeout, BufferMB, SplitMB, SplitSeconds, Raw, Html, Log,
    Frequency, SymbolRate, Bandwidth, Qam, Polarity, Lnb, Lof1, Lof2, LofSwitch, LnbPower, Diseqc, Tone, Modulation,
    Channel, Channels, List, From, To, Step, First,
    Service, Pids, Mux, Ttl, MulticastIf,
};

struct OptionSpec {
    OptionId eId;
    const char* pszName;
    const char* pszShort;  // null when there is none
    const char* pszValue;  // null for a flag
    uint32_t nCommands;
    uint32_t nFields;      // the tuning fields a tuning option sets (TuneField); 0 for the others
    const char* pszHelp;
};

constexpr uint32_t CMD_ALL = CMD_LIST | CMD_TUNE | CMD_CAPTURE | CMD_ANALYZE | CMD_SCAN;
// A scan takes its frequencies (and, from a list, every other value) step by step; the
// oscillators and the rest of the dish, and a range's other values, from the command line.
constexpr uint32_t CMD_ONE_TUNING = CMD_TUNE | CMD_CAPTURE;
constexpr uint32_t CMD_TUNING = CMD_ONE_TUNING | CMD_SCAN;

const OptionSpec kOptions[] = {
    {OptionId::Help, "--help", "-h", nullptr, CMD_ALL, 0, "show this help"},
    {OptionId::Json, "--json", nullptr, nullptr, CMD_ALL, 0, "print the result as JSON (tune: one line per reading)"},
    {OptionId::Watch, "--watch", nullptr, nullptr, CMD_TUNE, 0,
     "keep printing the signal five times a second, locked or not, until Ctrl+C"},
    {OptionId::Output, "--output", "-o", "FILE", CMD_CAPTURE | CMD_SCAN, 0,
     "the capture file (.ts), - for standard output, or udp://ADDR:PORT or rtp://ADDR:PORT; "
     "twice for a file and a network output; for scan, the channel file to write"},
    {OptionId::Overwrite, "--overwrite", nullptr, nullptr, CMD_CAPTURE | CMD_SCAN, 0,
     "replace FILE when it exists and is not empty"},
    {OptionId::Html, "--html", nullptr, "REPORT", CMD_CAPTURE | CMD_ANALYZE, 0,
     "also write the stream report as one HTML page (charts and tables; opens offline)"},
    {OptionId::Log, "--log", nullptr, "CSV", CMD_CAPTURE, 0,
     "log one line a second (time, bytes, Mbit/s, lock, levels, errors, dropped bytes)"},
    {OptionId::LimitMB, "--limit-mb", nullptr, "N", CMD_CAPTURE, 0,
     "stop at N MB (1 MB = 1048576 bytes); the file holds at most that"},
    {OptionId::Seconds, "--seconds", nullptr, "S", CMD_CAPTURE, 0, "stop after S seconds"},
    {OptionId::LockTimeout, "--lock-timeout", nullptr, "S", CMD_CAPTURE, 0,
     "end with the no-lock code after S seconds without lock (default 10; 0: never)"},
    {OptionId::BufferMB, "--buffer-mb", nullptr, "N", CMD_CAPTURE, 0,
     "memory that holds the stream while the output is slow (default 64, 1 to 1024)"},
    {OptionId::SplitMB, "--split-mb", nullptr, "N", CMD_CAPTURE, 0, "start a new part file after N MB"},
    {OptionId::SplitSeconds, "--split-seconds", nullptr, "S", CMD_CAPTURE, 0, "start a new part file after S seconds"},
    {OptionId::Raw, "--raw", nullptr, nullptr, CMD_CAPTURE, 0,
     "keep the driver's bytes exactly as delivered, not whole packets"},
    {OptionId::Frequency, "--freq", nullptr, "F", CMD_ONE_TUNING, TUNE_FIELD_FREQUENCY, "frequency: MHz for satellite, kHz otherwise"},
    {OptionId::SymbolRate, "--sr", nullptr, "KSPS", CMD_TUNING, TUNE_FIELD_SYMBOL_RATE, "symbol rate in ksymbols/s"},
    {OptionId::Bandwidth, "--bw", nullptr, "MHZ", CMD_TUNING, TUNE_FIELD_BANDWIDTH, "bandwidth in MHz"},
    {OptionId::Qam, "--qam", nullptr, "N", CMD_TUNING, TUNE_FIELD_CONSTELLATION, "QAM order (16, 32, 64, 128, 256)"},
    {OptionId::Polarity, "--pol", nullptr, "H|V", CMD_ONE_TUNING, TUNE_FIELD_POLARITY, "polarity (default V)"},
    {OptionId::Lnb, "--lnb", nullptr, "TYPE", CMD_TUNING, TUNE_FIELD_DISH, "LNB preset: universal, low-high, custom"},
    {OptionId::Lof1, "--lof1", nullptr, "MHZ", CMD_TUNING, TUNE_FIELD_DISH, "low-band oscillator in MHz (after --lnb)"},
    {OptionId::Lof2, "--lof2", nullptr, "MHZ", CMD_TUNING, TUNE_FIELD_DISH, "high-band oscillator in MHz"},
    {OptionId::LofSwitch, "--lof-switch", nullptr, "MHZ", CMD_TUNING, TUNE_FIELD_DISH, "band switch frequency in MHz"},
    {OptionId::LnbPower, "--lnb-power", nullptr, "on|off", CMD_TUNING, TUNE_FIELD_DISH, "LNB power (default on)"},
    {OptionId::Diseqc, "--diseqc", nullptr, "PORT", CMD_TUNING, TUNE_FIELD_DISH, "DiSEqC port: none, A, B, C, D (default none)"},
    {OptionId::Tone, "--tone", nullptr, "MODE", CMD_TUNING, TUNE_FIELD_DISH, "22 kHz tone: auto, off, on (default auto)"},
    {OptionId::Modulation, "--modulation", nullptr, "MOD", CMD_ONE_TUNING, TUNE_FIELD_MODULATION,
     "unknown, qpsk, 8psk, 16apsk, 32apsk (default unknown)"},
    {OptionId::Channel, "--channel", nullptr, "NAME", CMD_ONE_TUNING, 0, "tune the channel of this name (with --channels)"},
    {OptionId::Channels, "--channels", nullptr, "FILE", CMD_ONE_TUNING, 0, "the channel file --channel is looked up in"},
    {OptionId::Service, "--service", nullptr, "NAME|ID", CMD_CAPTURE, 0,
     "record only this service (its SDT name, or its service id, decimal or 0x hex)"},
    {OptionId::Pids, "--pids", nullptr, "LIST", CMD_CAPTURE, 0,
     "record only these PIDs (decimal or 0x hex, comma-separated); with --service, also these"},
    {OptionId::Mux, "--mux", nullptr, nullptr, CMD_CAPTURE, 0,
     "record the whole multiplex, also for a channel whose entry names its service"},
    {OptionId::Ttl, "--ttl", nullptr, "N", CMD_CAPTURE, 0, "network outputs: time to live in hops (0..255)"},
    {OptionId::MulticastIf, "--multicast-if", nullptr, "ADDR", CMD_CAPTURE, 0,
     "network outputs: send multicast through the interface with this IPv4 address"},
    {OptionId::List, "--list", nullptr, "FILE", CMD_SCAN, 0, "scan the entries of a tuning list or channel file"},
    {OptionId::From, "--from", nullptr, "KHZ", CMD_SCAN, 0, "scan a range from this frequency in kHz"},
    {OptionId::To, "--to", nullptr, "KHZ", CMD_SCAN, 0, "to this frequency in kHz (included)"},
    {OptionId::Step, "--step", nullptr, "KHZ", CMD_SCAN, 0, "in steps of this many kHz"},
    {OptionId::First, "--first", nullptr, "N", CMD_SCAN, 0, "scan only the first N frequencies"},
};

// The long names other tuning tools use, taken as ours.
struct OptionAlias {
    const char* pszAlias;
    const char* pszName;
};

const OptionAlias kAliases[] = {
    {"--frequency", "--freq"},
    {"--bandwidth", "--bw"},
    {"--symbol-rate", "--sr"},
    {"--polarity", "--pol"},
};

struct CommandSpec {
    CliCommand eCommand;
    uint32_t nBit;
    const char* pszName;
    const char* pszUsage;
    const char* pszSummary;
};

const CommandSpec kCommands[] = {
    {CliCommand::List, CMD_LIST, "list", "qltscap list [--json]", "list the maker's tuners"},
    {CliCommand::Tune, CMD_TUNE, "tune", "qltscap tune TUNER PARAMS|CHANNEL [--watch] [--json]",
     "tune and print lock, strength, quality"},
    {CliCommand::Capture, CMD_CAPTURE, "capture",
     "qltscap capture TUNER PARAMS|CHANNEL -o FILE|-|udp://ADDR:PORT|rtp://ADDR:PORT [-o ...] "
     "[--service NAME|ID] [--pids LIST] [--mux] [--limit-mb N] [--seconds S] [--split-mb N] "
     "[--split-seconds S] [--buffer-mb N] [--raw] [--overwrite] [--json] [--html REPORT] [--log CSV]",
     "tune and record the transport stream"},
    {CliCommand::Scan, CMD_SCAN, "scan",
     "qltscap scan TUNER (--list FILE | --from KHZ --to KHZ --step KHZ) [PARAMS] [--first N] [-o CHANNELS] "
     "[--overwrite] [--json]",
     "tune each frequency and list the services found"},
    {CliCommand::Analyze, CMD_ANALYZE, "analyze", "qltscap analyze FILE [--json] [--html REPORT]", "stream health of a recorded file"},
};

const CommandSpec* FindCommand(CliCommand eCommand)
{
    for (const CommandSpec& spec : kCommands)
        if (spec.eCommand == eCommand)
            return &spec;
    return nullptr;
}

const OptionSpec* FindOption(std::string name)
{
    for (const OptionAlias& alias : kAliases)
        if (name == alias.pszAlias)
            name = alias.pszName;
    for (const OptionSpec& spec : kOptions)
        if (name == spec.pszName || (spec.pszShort && name == spec.pszShort))
            return &spec;
    return nullptr;
}

// "; did you mean --freq?" for a word close to one of the candidates, else "".
std::string DidYouMean(const std::string& typed, const std::vector<std::string>& candidates)
{
    const std::vector<std::string> near = ClosestWords(typed, candidates, 1);
    return near.empty() ? std::string() : "; did you mean " + near[0] + "?";
}

// Why an option is not one of the command's, with the nearest one it has.
std::string UnknownOption(const std::string& typed, const CommandSpec& command)
{
    std::vector<std::string> names;
    for (const OptionSpec& spec : kOptions)
        if (spec.nCommands & command.nBit)
            names.push_back(spec.pszName);
    for (const OptionAlias& alias : kAliases)
        if (FindOption(alias.pszName)->nCommands & command.nBit)
            names.push_back(alias.pszAlias);
    if (const OptionSpec* pOther = FindOption(typed)) {
        std::string owners;
        for (const CommandSpec& spec : kCommands)
            if (pOther->nCommands & spec.nBit)
                owners += (owners.empty() ? "'" : ", '") + std::string(spec.pszName) + "'";
        return typed + " is an option of " + owners + ", not of '" + command.pszName + "'";
    }
    return "unknown option " + typed + " for '" + command.pszName + "'" + DidYouMean(typed, names);
}

// A cable modulation as other tools write it (QAM256, QAM/256, 256QAM): its order, or 0.
uint32_t QamOrder(const char* pszValue)
{
    std::string digits;
    std::string letters;
    for (const char* p = pszValue; *p; ++p) {
        if (*p >= '0' && *p <= '9')
            digits += *p;
        else if (*p != '/' && *p != '-' && *p != '_')
            letters += static_cast<char>(*p | 0x20);
    }
    uint32_t nOrder = 0;
    return letters == "qam" && ParseCliNumber(digits.c_str(), &nOrder) ? nOrder : 0;
}

template <class T>
bool Choose(const ChoiceTable<T>& table, const char* pszValue, int* pnIndex)
{
    *pnIndex = table.Find(pszValue);
    return *pnIndex >= 0;
}

template <class T>
std::string Words(const ChoiceTable<T>& table)
{
    std::string words;
    for (const T& item : table)
        words += (words.empty() ? "" : ", ") + std::string(item.pszOption);
    return words;
}

// One -o: a network output, or the file (scan: the channel file).
bool ApplyOutput(const char* pszValue, CliArgs* pArgs, std::string* pError)
{
    if (IsNetworkOutput(pszValue)) {
        NetworkTarget target;
        if (pArgs->eCommand != CliCommand::Capture || !ParseNetworkTarget(pszValue, target)) {
            *pError = pArgs->eCommand != CliCommand::Capture
                          ? std::string("-o for scan names the channel file to write, not '") + pszValue + "'"
                          : std::string("-o takes udp://ADDR:PORT or rtp://ADDR:PORT with an IPv4 address and a "
                                        "port of 1 to 65535, not '") + pszValue + "'";
            return false;
        }
        pArgs->NetworkOutputs.push_back(pszValue);
    } else {
        if (!pArgs->strFile.empty()) {
            *pError = "-o names one file; a second -o may only be udp://ADDR:PORT or rtp://ADDR:PORT";
            return false;
        }
        pArgs->strFile = pszValue;
    }
    if (pArgs->NetworkOutputs.size() + !pArgs->strFile.empty() > 2) {
        *pError = "-o may be given at most twice";
        return false;
    }
    return true;
}

// Stores one option's value; false with the reason.
bool Apply(const OptionSpec& spec, const char* pszValue, CliArgs* pArgs, std::string* pError)
{
    const std::string name = spec.pszName;
    uint32_t nNumber = 0;
    const bool bNumber = ParseCliNumber(pszValue, &nNumber);
    auto badNumber = [&] {
        *pError = name + " needs a whole number of decimal digits that fits 32 bits, not '" + pszValue + "'";
        return false;
    };
    auto notZero = [&] {
        *pError = name + " 0 is no limit: leave " + name + " out to record without one";
        return false;
    };
    auto badWord = [&](const std::string& words) {
        *pError = name + " takes one of " + words + ", not '" + pszValue + "'";
        return false;
    };
    CliTuneOptions& tune = pArgs->Tune;
    switch (spec.eId) {
    case OptionId::Output: return ApplyOutput(pszValue, pArgs, pError);
    case OptionId::LimitMB: return bNumber ? (nNumber ? (pArgs->nLimitMB = nNumber, true) : notZero()) : badNumber();
    case OptionId::Seconds: return bNumber ? (nNumber ? (pArgs->nSeconds = nNumber, true) : notZero()) : badNumber();
    case OptionId::SplitMB: return bNumber ? (nNumber ? (pArgs->nSplitMB = nNumber, true) : notZero()) : badNumber();
    case OptionId::SplitSeconds:
        return bNumber ? (nNumber ? (pArgs->nSplitSeconds = nNumber, true) : notZero()) : badNumber();
    case OptionId::BufferMB:
        if (!bNumber)
            return badNumber();
        if (nNumber < CLI_BUFFER_MB_MIN || nNumber > CLI_BUFFER_MB_MAX) {
            *pError = name + " takes " + std::to_string(CLI_BUFFER_MB_MIN) + " to " + std::to_string(CLI_BUFFER_MB_MAX) +
                      " (MB), not " + pszValue;
            return false;
        }
        pArgs->nBufferMB = nNumber;
        return true;
    case OptionId::Service:
        if (!*pszValue || (CliServiceId(pszValue) < 0 && strspn(pszValue, "0123456789") == strlen(pszValue))) {
            *pError = name + " takes a service name or an id of 0 to 65535, not '" + pszValue + "'";
            return false;
        }
        pArgs->strService = pszValue;
        return true;
    case OptionId::Pids: {
        CPidSet pids;
        if (!ParsePidList(pszValue, pids)) {
            *pError = name + " takes PIDs of 0 to 8191 (0x1FFF), decimal or 0x hex, separated by commas, not '" +
                      pszValue + "'";
            return false;
        }
        pArgs->strPids = pszValue;
        return true;
    }
    case OptionId::Ttl: return bNumber && nNumber <= 255 ? (pArgs->nTtl = static_cast<int32_t>(nNumber), true) : badNumber();
    case OptionId::MulticastIf: {
        uint8_t address[4];
        if (!ParseIpv4(pszValue, strlen(pszValue), address)) {
            *pError = name + " takes the IPv4 address of a local interface (a.b.c.d), not '" + pszValue + "'";
            return false;
        }
        pArgs->strMulticastIf = pszValue;
        return true;
    }
    case OptionId::Html: pArgs->strHtml = pszValue; return true;
    case OptionId::Log: pArgs->strLog = pszValue; return true;
    case OptionId::LockTimeout: return bNumber ? (pArgs->nLockTimeoutS = nNumber, true) : badNumber();
    case OptionId::Frequency: return bNumber ? (tune.nFrequency = nNumber, true) : badNumber();
    case OptionId::SymbolRate: return bNumber ? (tune.nSymbolRate = nNumber, true) : badNumber();
    case OptionId::Bandwidth: return bNumber ? (tune.nBandwidth = nNumber, true) : badNumber();
    case OptionId::Qam: return bNumber ? (tune.nQam = nNumber, true) : badNumber();
    case OptionId::Lof1: return bNumber ? (tune.nLof1 = nNumber, true) : badNumber();
    case OptionId::Lof2: return bNumber ? (tune.nLof2 = nNumber, true) : badNumber();
    case OptionId::LofSwitch: return bNumber ? (tune.nLofSwitch = nNumber, true) : badNumber();
    case OptionId::From: return bNumber ? (pArgs->nFromKHz = nNumber, true) : badNumber();
    case OptionId::To: return bNumber ? (pArgs->nToKHz = nNumber, true) : badNumber();
    case OptionId::Step: return bNumber ? (pArgs->nStepKHz = nNumber, true) : badNumber();
    case OptionId::First: return bNumber && nNumber > 0 ? (pArgs->nFirst = nNumber, true) : badNumber();
    case OptionId::Channel: pArgs->strChannel = pszValue; return true;
    case OptionId::Channels: pArgs->strChannels = pszValue; return true;
    case OptionId::List: pArgs->strList = pszValue; return true;
    case OptionId::Polarity:
        if (EqualsIgnoringCase(pszValue, "V") || EqualsIgnoringCase(pszValue, "vertical"))
            return tune.nPolarity = 0, true;
        if (EqualsIgnoringCase(pszValue, "H") || EqualsIgnoringCase(pszValue, "horizontal"))
            return tune.nPolarity = 1, true;
        return badWord("H, V");
    case OptionId::Lnb: return Choose(kLnbPresets, pszValue, &tune.nLnbPreset) || badWord(Words(kLnbPresets));
    case OptionId::LnbPower: return Choose(kLnbPowerChoices, pszValue, &tune.nLnbPower) || badWord(Words(kLnbPowerChoices));
    case OptionId::Diseqc: return Choose(kDiseqcChoices, pszValue, &tune.nDiseqc) || badWord(Words(kDiseqcChoices));
    case OptionId::Tone: return Choose(kTone22kChoices, pszValue, &tune.nTone) || badWord(Words(kTone22kChoices));
    case OptionId::Modulation:
        return Choose(kModulationChoices, pszValue, &tune.nModulation) || badWord(Words(kModulationChoices));
    case OptionId::Help: case OptionId::Json: case OptionId::Watch: case OptionId::Overwrite: case OptionId::Raw:
    case OptionId::Mux:
        break;
    }
    return true;
}

// The options without a value and the member each sets.
struct FlagSpec {
    OptionId eId;
    bool CliArgs::*pMember;
};
const FlagSpec kFlags[] = {
    {OptionId::Help, &CliArgs::bHelp},           {OptionId::Json, &CliArgs::bJson}, {OptionId::Watch, &CliArgs::bWatch},
    {OptionId::Overwrite, &CliArgs::bOverwrite}, {OptionId::Raw, &CliArgs::bRaw},   {OptionId::Mux, &CliArgs::bMux},
};

void ApplyFlag(OptionId eId, CliArgs* pArgs)
{
    for (const FlagSpec& flag : kFlags)
        if (flag.eId == eId)
            pArgs->*flag.pMember = true;
}

std::string KindNames(uint32_t nKinds)
{
    std::string names;
    for (const TunerKind& kind : kAllTunerKinds)
        if (nKinds & static_cast<uint32_t>(kind.nDeviceBit))
            names += (names.empty() ? "" : " or ") + std::string(kind.pszName);
    return names;
}

// The kinds an option applies to when it applies to some but not all; 0 otherwise.
uint32_t KindsOfOption(const OptionSpec& spec)
{
    const uint32_t nKinds = KindMaskOfFields(spec.nFields);
    return nKinds == AllKindsMask() ? 0 : nKinds;
}

std::string OptionColumn(const OptionSpec& spec)
{
    std::string column = spec.pszShort ? std::string(spec.pszShort) + ", " + spec.pszName : spec.pszName;
    if (spec.pszValue)
        column += std::string(" ") + spec.pszValue;
    return column;
}

// The option that names one tuning value, given together with an entry that gives them all.
const char* OneTuningOptionGiven(const CliTuneOptions& tune)
{
    if (tune.nFrequency != CliTuneOptions::UNSET)
        return "--freq";
    if (tune.nPolarity >= 0)
        return "--pol";
    if (tune.nModulation >= 0)
        return "--modulation";
    return nullptr;
}

const char* RangeOptionGiven(const CliTuneOptions& tune)
{
    if (tune.nSymbolRate != CliTuneOptions::UNSET)
        return "--sr";
    if (tune.nBandwidth != CliTuneOptions::UNSET)
        return "--bw";
    if (tune.nQam != CliTuneOptions::UNSET)
        return "--qam";
    return nullptr;
}

bool CheckChannelOptions(const CliArgs& args, std::string* pError)
{
    if (args.strChannel.empty() != args.strChannels.empty()) {
        *pError = args.strChannel.empty() ? "--channels needs --channel NAME" : "--channel needs --channels FILE";
        return false;
    }
    if (args.strChannel.empty())
        return true;
    const char* pszOption = OneTuningOptionGiven(args.Tune);
    if (!pszOption)
        pszOption = RangeOptionGiven(args.Tune);
    if (pszOption) {
        *pError = std::string(pszOption) + " does not go with --channel: the channel file gives the tuning values";
        return false;
    }
    return true;
}

bool CheckSelectionOptions(const CliArgs& args, std::string* pError)
{
    if (args.bMux && (!args.strService.empty() || !args.strPids.empty())) {
        *pError = std::string("--mux records the whole multiplex: it does not go with ") +
                  (args.strService.empty() ? "--pids" : "--service");
        return false;
    }
    if (args.bRaw && (!args.strService.empty() || !args.strPids.empty() || !args.NetworkOutputs.empty())) {
        *pError = "--raw keeps the driver's bytes as they came: it does not go with --service, --pids or a network "
                  "output, which send whole packets";
        return false;
    }
    CPidSet pids;
    if (!args.strService.empty() && ParsePidList(args.strPids, pids) &&
        (pids.Test(0x0000) || pids.Test(0x0011))) {
        *pError = "--pids with --service cannot name PID 0 or 0x11: the service's PAT and SDT are rewritten";
        return false;
    }
    if ((args.nTtl >= 0 || !args.strMulticastIf.empty()) && args.NetworkOutputs.empty()) {
        *pError = std::string(args.nTtl >= 0 ? "--ttl" : "--multicast-if") + " needs a network output (-o udp://... or rtp://...)";
        return false;
    }
    return true;
}

bool CheckScanOptions(const CliArgs& args, std::string* pError)
{
    if (args.eCommand != CliCommand::Scan)
        return true;
    const int nRangeGiven = (args.nFromKHz != CliTuneOptions::UNSET) + (args.nToKHz != CliTuneOptions::UNSET) +
                            (args.nStepKHz != CliTuneOptions::UNSET);
    if (!args.strList.empty() && nRangeGiven) {
        *pError = "--list and --from/--to/--step are two ways of scanning: give one";
        return false;
    }
    if (args.strList.empty() && nRangeGiven < 3) {
        *pError = nRangeGiven ? "a range needs all of --from, --to and --step (kHz)"
                              : "nothing to scan: give --list FILE or --from, --to and --step (kHz)";
        return false;
    }
    const char* pszOption = RangeOptionGiven(args.Tune);
    if (!args.strList.empty() && pszOption) {
        *pError = std::string(pszOption) + " does not go with --list: the list gives each entry's values";
        return false;
    }
    return true;
}

bool CheckSplitOptions(const CliArgs& args, std::string* pError)
{
    if (!args.nSplitMB && !args.nSplitSeconds)
        return true;
    if (args.strFile == "-") {
        *pError = "standard output (-o -) cannot be split into parts";
        return false;
    }
    if (args.bRaw) {
        *pError = "--raw does not go with --split-mb or --split-seconds: each part must start at a packet";
        return false;
    }
    return true;
}

const char kProgramHelp[] =
    "qltscap: find, tune and record the maker's BDA tuners from the command line.\n"
    "\n"
    "TUNER is an index or a MAC as 'qltscap list' prints them, or a tuner's name.\n"
    "PARAMS use the units of the program's dialog:\n";
// Here the tuner kinds' PARAMS lines go.
const char kProgramHelpAfterParams[] =
    "Numbers are decimal digits only and must fit 32 bits.\n"
    "CHANNEL is --channel NAME --channels FILE: an entry of a channel file (as scan writes it)\n"
    "gives every value but the satellite dish's (--lnb ... --tone), which PARAMS still give.\n"
    "When several entries share the NAME, NAME@F takes the one whose FREQUENCY is F (as the\n"
    "file gives it, or in kHz).\n"
    "--frequency, --bandwidth, --symbol-rate and --polarity are taken for --freq, --bw, --sr\n"
    "and --pol; --modulation QAM256 (or 256QAM) for --qam 256.\n"
    "File names may hold any character; a path is at most 259 characters long.\n"
    "\n"
    "A scan tunes each entry of a tuning list (--list, any kind of tuner) or each step of a\n"
    "range (--from/--to/--step in kHz, with --bw or --sr/--qam; terrestrial, cable, ATSC),\n"
    "waiting up to 2 s for lock. On each locked frequency it reads the PAT, every PMT and\n"
    "the SDT (ATSC: the VCT) for at most 5 s. Entries the tuner cannot take are listed as\n"
    "skipped. -o writes one channel-file entry per service; Ctrl+C ends the scan and keeps\n"
    "what was found. The scan ends with code 4 when no frequency locked.\n"
    "\n"
    "A capture never replaces a non-empty FILE unless --overwrite is given. It stops at the\n"
    "first of --limit-mb, --seconds and Ctrl+C (without them it records until Ctrl+C); every\n"
    "ending writes out everything received before the file is closed. The file holds whole\n"
    "packets from the first packet start; bytes outside the packet grid are counted as\n"
    "skipped (--raw keeps the driver's bytes as they came). A memory buffer (--buffer-mb)\n"
    "takes the stream while the output is slow; when it is full, whole samples are left out\n"
    "and counted. With --split-mb or --split-seconds, -o rec.ts writes rec-0001.ts,\n"
    "rec-0002.ts, ...; each part starts with a packet and the parts together are the whole\n"
    "capture. -o - writes the stream to standard output; the report then goes to standard\n"
    "error. A signal lost during a capture is waited for: recording goes on while it may come\n"
    "back, and after --lock-timeout seconds (default 10; 0 never ends on it) without lock the\n"
    "capture ends with code 4.\n"
    "Closing the console window, logging off and shutting down end a capture as Ctrl+C does.\n"
    "Windows is kept from sleeping while a capture records.\n"
    "\n"
    "--service records one service as a stream of its own: a PAT rewritten to that program,\n"
    "its PMT, PCR and elementary streams, and the SDT reduced to it. NAME is matched as\n"
    "channel names are (exactly, then ignoring case); a number (decimal or 0x hex) is a\n"
    "service id. Nothing is written before the PAT and the PMT have been seen, so the output\n"
    "plays from its first byte; a service not found within 10 s ends the capture with code 9.\n"
    "--channel records the service its entry names (SERVICE_ID) unless --mux is given.\n"
    "--pids keeps only those PIDs, unchanged (with --service: the service and those PIDs).\n"
    "-o udp://ADDR:PORT or rtp://ADDR:PORT sends the stream as UDP datagrams of seven packets\n"
    "(RTP: payload type 33) to an IPv4 unicast or multicast address; --ttl N sets the hops\n"
    "(multicast default 1), --multicast-if ADDR the local interface. -o may be given twice\n"
    "(a file and a network output, or two network outputs): an output that falls behind\n"
    "drops its own data, says so, and leaves the other untouched.\n"
    "\n"
    "--html writes the stream report as one self-contained page: verdict, totals, services,\n"
    "PIDs, and charts of bitrate, errors and (for a capture) lock, strength and quality over\n"
    "time. --log writes a CSV line a second during a capture, flushed as it goes.\n"
    "\n"
    "Exit codes:\n"
    "  0  success; also a capture ended by its limit or its time, and any command ended\n"
    "     by Ctrl+C (what was done until then is printed)\n"
    "  1  the system refused an operation that no option changes\n"
    "  2  bad argument (nothing is created or touched)\n"
    "  3  no such tuner\n"
    "  4  no lock (when tuning, or lost for --lock-timeout during a capture)\n"
    "  5  the file cannot be opened (or exists and --overwrite was not given)\n"
    "  6  a write failed during the capture, or its reader closed standard output\n"
    "  7  the tuner is in use by another program\n"
    "  8  a capture that ended as asked left out stream the output could not take in time\n"
    "  9  the service asked for was not in the multiplex within 10 s of lock\n"
    "\n"
    "'qltscap COMMAND --help' describes one command.\n";

} // namespace

std::string CliUsageText(CliCommand eCommand)
{
    std::string text = "usage:";
    for (const CommandSpec& spec : kCommands)
        if (eCommand == CliCommand::None || spec.eCommand == eCommand)
            text += std::string("\n  ") + spec.pszUsage;
    return text + "\n  qltscap [COMMAND] --help\n  qltscap --version\n";
}

std::string CliHelpText(CliCommand eCommand)
{
    const CommandSpec* pCommand = FindCommand(eCommand);
    if (!pCommand) {
        std::string text = CliUsageText(CliCommand::None) + "\nCommands:\n";
        for (const CommandSpec& spec : kCommands)
            text += "  " + std::string(spec.pszName) + std::string(10 - strlen(spec.pszName), ' ') + spec.pszSummary + "\n";
        text += std::string("\n") + kProgramHelp;
        for (const TunerKind& kind : kAllTunerKinds)
            text += kind.pszOptionsHelp;
        return text + kProgramHelpAfterParams;
    }
    std::string text = std::string("usage: ") + pCommand->pszUsage + "\n" + pCommand->pszSummary + "\n\nOptions:\n";
    for (const OptionSpec& spec : kOptions) {
        if (!(spec.nCommands & pCommand->nBit))
            continue;
        std::string column = OptionColumn(spec);
        column.resize(column.size() < 26 ? 26 : column.size() + 1, ' ');
        text += "  " + column + spec.pszHelp;
        for (const OptionAlias& alias : kAliases)
            if (!strcmp(alias.pszName, spec.pszName))
                text += std::string(" (also ") + alias.pszAlias + ")";
        if (const uint32_t nKinds = KindsOfOption(spec))
            text += " [" + KindNames(nKinds) + "]";
        text += "\n";
    }
    return text + "\nSee 'qltscap --help' for TUNER, PARAMS and the exit codes.\n";
}

int32_t CliServiceId(const std::string& strService)
{
    uint32_t nId = 0;
    if (strService.size() > 2 && strService[0] == '0' && (strService[1] == 'x' || strService[1] == 'X')) {
        if (strService.size() > 6)
            return -1;
        for (size_t i = 2; i < strService.size(); ++i) {
            const char c = static_cast<char>(tolower(static_cast<unsigned char>(strService[i])));
            if (!isxdigit(static_cast<unsigned char>(c)))
                return -1;
            nId = nId * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
        }
        return static_cast<int32_t>(nId);
    }
    return ParseCliNumber(strService.c_str(), &nId) && nId <= 0xFFFF ? static_cast<int32_t>(nId) : -1;
}

bool ParseCliNumber(const char* pszText, uint32_t* pnValue)
{
    if (!pszText || !*pszText)
        return false;
    uint64_t nValue = 0;
    for (const char* p = pszText; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        nValue = nValue * 10 + static_cast<uint64_t>(*p - '0');
        if (nValue > UINT32_MAX)
            return false;
    }
    *pnValue = static_cast<uint32_t>(nValue);
    return true;
}

const char* CliCommandName(CliCommand eCommand)
{
    const CommandSpec* pSpec = FindCommand(eCommand);
    return pSpec ? pSpec->pszName : "";
}

bool ParseCliArgs(int argc, const char* const* argv, CliArgs* pArgs, std::string* pError)
{
    *pArgs = CliArgs();
    pError->clear();
    int i = 1;
    if (i < argc && (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h"))) {
        pArgs->bHelp = true;
        return true;
    }
    if (i < argc && !strcmp(argv[i], "--version")) {
        pArgs->bVersion = true;
        return true;
    }
    if (i >= argc) {
        *pError = "no command given";
        return false;
    }
    for (const CommandSpec& spec : kCommands)
        if (!strcmp(argv[i], spec.pszName))
            pArgs->eCommand = spec.eCommand;
    if (pArgs->eCommand == CliCommand::None) {
        std::vector<std::string> names;
        for (const CommandSpec& spec : kCommands)
            names.push_back(spec.pszName);
        *pError = std::string("unknown command '") + argv[i] + "'" + DidYouMean(argv[i], names);
        return false;
    }
    const CommandSpec& command = *FindCommand(pArgs->eCommand);
    int nPositionals = 0;
    const int nWanted = pArgs->eCommand == CliCommand::List ? 0 : 1;
    pArgs->Tune.nKindsUsed = AllKindsMask();

    for (++i; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            std::string value;
            bool bInlineValue = false;
            const size_t nEquals = arg.find('=');
            if (arg.compare(0, 2, "--") == 0 && nEquals != std::string::npos) {
                value = arg.substr(nEquals + 1);
                arg.resize(nEquals);
                bInlineValue = true;
            }
            const OptionSpec* pSpec = FindOption(arg);
            if (!pSpec || !(pSpec->nCommands & command.nBit)) {
                *pError = UnknownOption(arg, command);
                return false;
            }
            if (!pSpec->pszValue) {
                if (bInlineValue) {
                    *pError = arg + " takes no value";
                    return false;
                }
                ApplyFlag(pSpec->eId, pArgs);
                continue;
            }
            if (!bInlineValue) {
                if (i + 1 >= argc) {
                    *pError = arg + " needs a value (" + pSpec->pszValue + ")";
                    return false;
                }
                value = argv[++i];
            }
            // Other tools give a cable tuner's QAM order as its modulation.
            if (pSpec->eId == OptionId::Modulation && QamOrder(value.c_str())) {
                pSpec = FindOption("--qam");
                value = std::to_string(QamOrder(value.c_str()));
            }
            if (!Apply(*pSpec, value.c_str(), pArgs, pError))
                return false;
            if (const uint32_t nKinds = KindsOfOption(*pSpec)) {
                if (pArgs->Tune.strFirstOption.empty())
                    pArgs->Tune.strFirstOption = pSpec->pszName;
                pArgs->Tune.nKindsUsed &= nKinds;
                if (!pArgs->Tune.nKindsUsed) {
                    *pError = std::string(pSpec->pszName) + " and " + pArgs->Tune.strFirstOption +
                              " do not apply to the same kind of tuner";
                    return false;
                }
            }
            continue;
        }
        if (nPositionals >= nWanted) {
            *pError = "unexpected argument '" + arg + "'";
            return false;
        }
        (pArgs->eCommand == CliCommand::Analyze ? pArgs->strFile : pArgs->strTuner) = arg;
        ++nPositionals;
    }
    if (pArgs->bHelp)
        return true;
    if (nPositionals < nWanted) {
        *pError = pArgs->eCommand == CliCommand::Analyze ? "no FILE given" : "no TUNER given";
        return false;
    }
    if (pArgs->eCommand == CliCommand::Capture && pArgs->strFile.empty() && pArgs->NetworkOutputs.empty()) {
        *pError = "no capture file given (-o FILE)";
        return false;
    }
    // The report and the log are written over: never over the stream itself.
    const std::string* const outputs[] = {&pArgs->strHtml, &pArgs->strLog};
    for (const std::string* pOutput : outputs) {
        if (!pOutput->empty() && EqualsIgnoringCase(*pOutput, pArgs->strFile)) {
            *pError = "the report or log would replace the stream file " + pArgs->strFile;
            return false;
        }
    }
    if (!pArgs->strHtml.empty() && EqualsIgnoringCase(pArgs->strHtml, pArgs->strLog)) {
        *pError = "--html and --log name the same file";
        return false;
    }
    return CheckChannelOptions(*pArgs, pError) && CheckSelectionOptions(*pArgs, pError) &&
           CheckScanOptions(*pArgs, pError) && CheckSplitOptions(*pArgs, pError) &&
           CheckLnbOptions(pArgs->Tune, pError);
}

namespace {

// The dialog's tuning values of options that apply to the kind.
TuneValues BuildTuneValues(const CliTuneOptions& options, const TunerKind& kind)
{
    // A value not given reads as the dialog's empty field: 0.
    auto value = [](int64_t n) { return n == CliTuneOptions::UNSET ? 0u : static_cast<uint32_t>(n); };
    TuneValues values;
    values.nFrequency = value(options.nFrequency);
    values.nSymbolRate = value(options.nSymbolRate);
    values.nBandwidth = value(options.nBandwidth);
    values.nConstellation = value(options.nQam);
    if (kind.bNeedsLnb) {
        // The preset fills the oscillators first, as the dialog's list does; given values win.
        if (const LnbPreset* pPreset = kLnbPresets.At(options.nLnbPreset)) {
            values.nLof1MHz = pPreset->nLof1MHz;
            values.nLof2MHz = pPreset->nLof2MHz;
            values.nLofSwitchMHz = pPreset->nLofSwitchMHz;
        }
        if (options.nLof1 != CliTuneOptions::UNSET)
            values.nLof1MHz = value(options.nLof1);
        if (options.nLof2 != CliTuneOptions::UNSET)
            values.nLof2MHz = value(options.nLof2);
        if (options.nLofSwitch != CliTuneOptions::UNSET)
            values.nLofSwitchMHz = value(options.nLofSwitch);
        // The dialog's satellite defaults for the choices not given.
        const SatelliteDefaults& d = kSatelliteDefaults;
        values.bVertical = options.nPolarity >= 0 ? options.nPolarity == 0 : d.bVertical;
        values.nLnbPower = options.nLnbPower >= 0 ? options.nLnbPower : d.nLnbPower;
        values.nDiseqc = options.nDiseqc >= 0 ? options.nDiseqc : d.nDiseqc;
        values.nTone22k = options.nTone >= 0 ? options.nTone : d.nTone22k;
        values.nModulation = ModulationCodeForIndex(options.nModulation >= 0 ? options.nModulation : d.nModulation);
    }
    return values;
}

// The kind of the tuner, when every option given applies to it; null with the reason.
const TunerKind* KindTaking(const CliTuneOptions& options, int32_t nSourceType, std::string* pError)
{
    const TunerKind* pKind = FindTunerKind(nSourceType);
    if (!pKind) {
        *pError = "the tuner's kind is not known, so it cannot be tuned";
        return nullptr;
    }
    if (!(options.nKindsUsed & static_cast<uint32_t>(pKind->nDeviceBit))) {
        *pError = options.strFirstOption + " applies to a " + KindNames(options.nKindsUsed) + " tuner, not to a " +
                  pKind->pszName + " tuner";
        return nullptr;
    }
    return pKind;
}

} // namespace

bool MakeEntryTuneValues(const TuningListEntry& entry, const CliTuneOptions& options, int32_t nSourceType,
                         TuneValues* pValues, TuningValues* pConverted, std::string* pError)
{
    TuningValues converted;
    if (!ConvertTuningEntry(entry, nSourceType, converted, *pError))
        return false;
    const TunerKind* pKind = KindTaking(options, nSourceType, pError);
    if (!pKind)
        return false;
    if (pConverted)
        *pConverted = converted;
    // The entry takes the place of the options that name one tuning.
    CliTuneOptions given = options;
    given.nFrequency = converted.nFrequency;
    given.nSymbolRate = converted.nSymbolRate;
    given.nBandwidth = converted.nBandwidth;
    given.nQam = converted.nConstellation;
    given.nPolarity = converted.nPolarity == 1 ? 1 : 0;
    *pValues = BuildTuneValues(given, *pKind);
    pValues->nModulation = converted.nModulation;
    return true;
}

bool MakeTuneValues(const CliTuneOptions& options, int32_t nSourceType, TuneValues* pValues, std::string* pError)
{
    const TunerKind* pKind = KindTaking(options, nSourceType, pError);
    if (!pKind)
        return false;
    const TuneValues values = BuildTuneValues(options, *pKind);
    if (!CheckTuneOptions(options, values, *pKind, pError))
        return false;
    *pValues = values;
    return true;
}
