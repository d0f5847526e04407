#include "cli/CliArgs.h"

#include "cli/CliValueCheck.h"
#include "tuner/TuneChoices.h"
#include "tuner/TunerKinds.h"
#include "tuner/TuningEntry.h"

#include <cstring>

namespace {

enum CommandBit : uint32_t { CMD_LIST = 1, CMD_TUNE = 2, CMD_CAPTURE = 4, CMD_ANALYZE = 8, CMD_SCAN = 16 };

enum class OptionId {
    Help, Json, Watch, Overwrite, Output, LimitMB, Seconds, LockTimeout,
    Frequency, SymbolRate, Bandwidth, Qam, Polarity, Lnb, Lof1, Lof2, LofSwitch, LnbPower, Diseqc, Tone, Modulation,
    Channel, Channels, List, From, To, Step, First,
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
    {OptionId::Json, "--json", nullptr, nullptr, CMD_LIST | CMD_CAPTURE | CMD_ANALYZE | CMD_SCAN, 0, "print the result as JSON"},
    {OptionId::Watch, "--watch", nullptr, nullptr, CMD_TUNE, 0, "print the signal five times a second until Ctrl+C"},
    {OptionId::Output, "--output", "-o", "FILE", CMD_CAPTURE | CMD_SCAN, 0,
     "the capture file (.ts); for scan, the channel file to write"},
    {OptionId::Overwrite, "--overwrite", nullptr, nullptr, CMD_CAPTURE | CMD_SCAN, 0,
     "replace FILE when it exists and is not empty"},
    {OptionId::LimitMB, "--limit-mb", nullptr, "N", CMD_CAPTURE, 0, "stop after N MB (1 MB = 1048576 bytes)"},
    {OptionId::Seconds, "--seconds", nullptr, "S", CMD_CAPTURE, 0, "stop after S seconds"},
    {OptionId::LockTimeout, "--lock-timeout", nullptr, "S", CMD_CAPTURE, 0,
     "end with the no-lock code after S seconds without lock (default 10)"},
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
    {OptionId::List, "--list", nullptr, "FILE", CMD_SCAN, 0, "scan the entries of a tuning list or channel file"},
    {OptionId::From, "--from", nullptr, "KHZ", CMD_SCAN, 0, "scan a range from this frequency in kHz"},
    {OptionId::To, "--to", nullptr, "KHZ", CMD_SCAN, 0, "to this frequency in kHz (included)"},
    {OptionId::Step, "--step", nullptr, "KHZ", CMD_SCAN, 0, "in steps of this many kHz"},
    {OptionId::First, "--first", nullptr, "N", CMD_SCAN, 0, "scan only the first N frequencies"},
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
    {CliCommand::Tune, CMD_TUNE, "tune", "qltscap tune TUNER PARAMS|CHANNEL [--watch]",
     "tune and print lock, strength, quality"},
    {CliCommand::Capture, CMD_CAPTURE, "capture",
     "qltscap capture TUNER PARAMS|CHANNEL -o FILE [--limit-mb N] [--seconds S] [--overwrite] [--json]",
     "tune and record the transport stream"},
    {CliCommand::Scan, CMD_SCAN, "scan",
     "qltscap scan TUNER (--list FILE | --from KHZ --to KHZ --step KHZ) [PARAMS] [--first N] [-o CHANNELS] "
     "[--overwrite] [--json]",
     "tune each frequency and list the services found"},
    {CliCommand::Analyze, CMD_ANALYZE, "analyze", "qltscap analyze FILE [--json]", "stream health of a recorded file"},
};

const CommandSpec* FindCommand(CliCommand eCommand)
{
    for (const CommandSpec& spec : kCommands)
        if (spec.eCommand == eCommand)
            return &spec;
    return nullptr;
}

const OptionSpec* FindOption(const std::string& name)
{
    for (const OptionSpec& spec : kOptions)
        if (name == spec.pszName || (spec.pszShort && name == spec.pszShort))
            return &spec;
    return nullptr;
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
    auto badWord = [&](const std::string& words) {
        *pError = name + " takes one of " + words + ", not '" + pszValue + "'";
        return false;
    };
    CliTuneOptions& tune = pArgs->Tune;
    switch (spec.eId) {
    case OptionId::Output: pArgs->strFile = pszValue; return true;
    case OptionId::LimitMB: return bNumber ? (pArgs->nLimitMB = nNumber, true) : badNumber();
    case OptionId::Seconds: return bNumber ? (pArgs->nSeconds = nNumber, true) : badNumber();
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
        if (!strcmp(pszValue, "V") || !strcmp(pszValue, "v"))
            return tune.nPolarity = 0, true;
        if (!strcmp(pszValue, "H") || !strcmp(pszValue, "h"))
            return tune.nPolarity = 1, true;
        return badWord("H, V");
    case OptionId::Lnb: return Choose(kLnbPresets, pszValue, &tune.nLnbPreset) || badWord(Words(kLnbPresets));
    case OptionId::LnbPower: return Choose(kLnbPowerChoices, pszValue, &tune.nLnbPower) || badWord(Words(kLnbPowerChoices));
    case OptionId::Diseqc: return Choose(kDiseqcChoices, pszValue, &tune.nDiseqc) || badWord(Words(kDiseqcChoices));
    case OptionId::Tone: return Choose(kTone22kChoices, pszValue, &tune.nTone) || badWord(Words(kTone22kChoices));
    case OptionId::Modulation:
        return Choose(kModulationChoices, pszValue, &tune.nModulation) || badWord(Words(kModulationChoices));
    case OptionId::Help: case OptionId::Json: case OptionId::Watch: case OptionId::Overwrite: break;
    }
    return true;
}

void ApplyFlag(OptionId eId, CliArgs* pArgs)
{
    switch (eId) {
    case OptionId::Help: pArgs->bHelp = true; break;
    case OptionId::Json: pArgs->bJson = true; break;
    case OptionId::Watch: pArgs->bWatch = true; break;
    case OptionId::Overwrite: pArgs->bOverwrite = true; break;
    default: break;
    }
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
    "\n"
    "A scan tunes each entry of a tuning list (--list, any kind of tuner) or each step of a\n"
    "range (--from/--to/--step in kHz, with --bw or --sr/--qam; terrestrial, cable, ATSC),\n"
    "waiting up to 2 s for lock. On each locked frequency it reads the PAT, every PMT and\n"
    "the SDT (ATSC: the VCT) for at most 5 s. Entries the tuner cannot take are listed as\n"
    "skipped. -o writes one channel-file entry per service; Ctrl+C ends the scan and keeps\n"
    "what was found. The scan ends with code 4 when no frequency locked.\n"
    "\n"
    "A capture never replaces a non-empty FILE unless --overwrite is given. It stops at the\n"
    "first of --limit-mb, --seconds and Ctrl+C; the file is closed complete in every case.\n"
    "A signal lost during a capture is waited for: recording goes on while it may come back,\n"
    "and after --lock-timeout seconds (default 10) without lock the capture ends with code 4.\n"
    "\n"
    "Exit codes:\n"
    "  0  success; also a capture ended by its limit, its time or Ctrl+C\n"
    "  1  the system refused an operation that no option changes\n"
    "  2  bad argument (nothing is created or touched)\n"
    "  3  no such tuner\n"
    "  4  no lock (when tuning, or lost for --lock-timeout during a capture)\n"
    "  5  the file cannot be opened (or exists and --overwrite was not given)\n"
    "  6  a write failed during the capture\n"
    "  7  the tuner is in use by another program\n"
    "\n"
    "'qltscap COMMAND --help' describes one command.\n";

} // namespace

std::string CliUsageText(CliCommand eCommand)
{
    std::string text = "usage:";
    for (const CommandSpec& spec : kCommands)
        if (eCommand == CliCommand::None || spec.eCommand == eCommand)
            text += std::string("\n  ") + spec.pszUsage;
    return text + "\n  qltscap [COMMAND] --help\n";
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
        if (const uint32_t nKinds = KindsOfOption(spec))
            text += " [" + KindNames(nKinds) + "]";
        text += "\n";
    }
    return text + "\nSee 'qltscap --help' for TUNER, PARAMS and the exit codes.\n";
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
    if (i >= argc) {
        *pError = "no command given";
        return false;
    }
    for (const CommandSpec& spec : kCommands)
        if (!strcmp(argv[i], spec.pszName))
            pArgs->eCommand = spec.eCommand;
    if (pArgs->eCommand == CliCommand::None) {
        *pError = std::string("unknown command '") + argv[i] + "'";
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
                *pError = "unknown option " + arg + " for '" + command.pszName + "'";
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
    if (pArgs->eCommand == CliCommand::Capture && pArgs->strFile.empty()) {
        *pError = "no capture file given (-o FILE)";
        return false;
    }
    return CheckChannelOptions(*pArgs, pError) && CheckScanOptions(*pArgs, pError) &&
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
