#include "simtuner/SimStreamSettings.h"

#include "simtuner/SimText.h"

namespace {

constexpr size_t MAX_NAME = 64;  // bytes of UTF-8, as the generator carries them
constexpr uint32_t MAX_PROGRAM = 32;
constexpr uint64_t MAX_BUFFER_MS = 600000;

// "3 7.3 News Channel" or "3 News Channel".
std::string ParseService(const std::string& text, TsGeneratorConfig& stream)
{
    const std::string bad = "bad service '" + text + "'";
    const size_t space = text.find_first_of(" \t");
    uint64_t program;
    if (space == std::string::npos || !ParseUnsigned(text.substr(0, space), MAX_PROGRAM, &program) || program == 0)
        return bad + ": expected <program 1..32> [<major>.<minor>] <name>";
    std::string name = TrimText(text.substr(space));
    TsService service;
    const size_t end = name.find_first_of(" \t");
    const size_t dot = name.find('.');
    uint64_t major, minor;
    if (end != std::string::npos && dot < end && ParseUnsigned(name.substr(0, dot), 99, &major) && major > 0 &&
        ParseUnsigned(name.substr(dot + 1, end - dot - 1), 999, &minor)) {
        service.nMajor = static_cast<uint32_t>(major);
        service.nMinor = static_cast<uint32_t>(minor);
        name = TrimText(name.substr(end));
    }
    if (name.empty() || name.size() > MAX_NAME)
        return bad + ": a name of 1 to 64 bytes";
    service.sName = name;
    if (stream.Services.size() < program)
        stream.Services.resize(static_cast<size_t>(program));
    TsService& slot = stream.Services[static_cast<size_t>(program - 1)];
    if (!slot.sName.empty())
        return "service of program " + std::to_string(program) + " given twice";
    slot = service;
    return std::string();
}

bool SetId(const std::string& value, uint32_t* pTarget)
{
    uint64_t v;
    if (!ParseUnsigned(value, 0xFFFF, &v))
        return false;
    *pTarget = static_cast<uint32_t>(v);
    return true;
}

} // namespace

std::string ApplyStreamSetting(SimTunerSettings& s, const std::string& key, const std::string& value, bool* pKnown)
{
    *pKnown = true;
    bool ok = true;
    if (key == "service") {
        for (const std::string& item : SplitText(value, ";")) {
            const std::string error = TrimText(item).empty() ? std::string() : ParseService(TrimText(item), s.Stream);
            if (!error.empty())
                return error;
        }
    } else if (key == "provider") {
        ok = value.size() <= MAX_NAME;
        s.Stream.sProvider = value;
    } else if (key == "tsid") {
        ok = SetId(value, &s.Stream.nTransportStreamId);
    } else if (key == "onid") {
        ok = SetId(value, &s.Stream.nOriginalNetworkId);
    } else if (key == "buffer_ms") {
        uint64_t v;
        ok = ParseUnsigned(value, MAX_BUFFER_MS, &v) && v > 0;
        s.nBufferMs = ok ? static_cast<uint32_t>(v) : s.nBufferMs;
    } else {
        *pKnown = false;
    }
    return ok ? std::string() : "bad value for " + key + ": '" + value + "'";
}

std::string FinishStreamSettings(SimTunerSettings& s)
{
    s.Stream.bAtsc = s.eKind == SRC_TYPE_ATSC;
    const size_t nPrograms = s.Stream.nPrograms == 0 ? 1 : s.Stream.nPrograms;  // as the generator takes 0
    for (size_t i = nPrograms; i < s.Stream.Services.size(); ++i) {
        if (!s.Stream.Services[i].sName.empty())
            return "service of program " + std::to_string(i + 1) + " beyond programs = " + std::to_string(nPrograms);
    }
    return std::string();
}
