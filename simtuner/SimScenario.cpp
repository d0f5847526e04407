#include "simtuner/SimScenario.h"

#include "simtuner/SimText.h"

const char kDefaultScenario[] = R"(# The default simulated tuners: one of the maker's tuners of each kind, a foreign tuner
# and a receiver component.
[tuner]
name = DTV-DVB S2 Satellite Tuner
kind = satellite
device_name = QL-5100 DVB-S2
channel = 11778000 pol=V sr=27500
channel = 12551500 pol=V sr=22000
channel = 10744000 pol=H sr=22000 strength=65 quality=70
channel = 12188000 pol=H sr=27500

[tuner]
name = Quillon DVB-T Terrestrial Tuner
kind = terrestrial
device_name = QL-2100 DVB-T
channel = 506000 bw=8
channel = 650000 bw=8
channel = 177500 bw=7

[tuner]
name = DTV-DVB C Cable Tuner
kind = cable
device_name = QL-3100 DVB-C
channel = 346000 sr=6900 qam=256
channel = 410000 sr=6875 qam=64

[tuner]
name = DTV-ATSC Tuner
kind = atsc
device_name = QL-8100 ATSC
# ATSC channels as tuned: typed in whole MHz (575000, 189000), the program tunes 1750 kHz lower.
channel = 573250
channel = 187250

[tuner]
name = Generic BDA DVB-T Tuner
kind = terrestrial
device_name = GEN-T
driver_text = GENERIC
driver_text2 = Another maker's driver
channel = 506000 bw=8

[receiver]
name = Quillon BDA Receiver Component
)";

namespace {

std::string AtLine(size_t line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

// Adds a value, joining repeated channel and service lines; false for any other repeated key.
bool AddValue(SimScenarioDevice& device, const std::string& key, const std::string& value)
{
    for (auto& entry : device.Values) {
        if (entry.first == key) {
            if (key != "channel" && key != "service")
                return false;
            entry.second += "; " + value;
            return true;
        }
    }
    device.Values.emplace_back(key, value);
    return true;
}

std::string FinishDevice(SimScenarioDevice& device, const std::vector<SimScenarioDevice>& earlier)
{
    const std::string error = device.bReceiver ? ReceiverFromValues(device.sName, device.Values, &device.Receiver)
                                               : TunerFromValues(device.sName, device.Values, &device.Tuner);
    if (!error.empty())
        return error;
    for (const SimScenarioDevice& other : earlier) {
        if (LowerText(other.sName) == LowerText(device.sName))
            return "the name " + device.sName + " is given twice";
    }
    return std::string();
}

} // namespace

std::string TunerFromValues(const std::string& name, const std::vector<std::pair<std::string, std::string>>& values,
                            SimTunerSettings* pSettings)
{
    SimTunerSettings s = DefaultTunerSettings();
    std::string error = name.empty() ? std::string() : ApplyTunerSetting(s, "name", name);
    for (size_t i = 0; error.empty() && i < values.size(); ++i)
        error = ApplyTunerSetting(s, values[i].first, values[i].second);
    if (error.empty())
        error = FinishTunerSettings(s);
    if (error.empty())
        *pSettings = s;
    return error;
}

std::string ReceiverFromValues(const std::string& name,
                               const std::vector<std::pair<std::string, std::string>>& values,
                               SimReceiverSettings* pSettings)
{
    SimReceiverSettings s;
    std::string error = name.empty() ? std::string() : ApplyReceiverSetting(s, "name", name);
    for (size_t i = 0; error.empty() && i < values.size(); ++i)
        error = ApplyReceiverSetting(s, values[i].first, values[i].second);
    if (error.empty())
        error = FinishReceiverSettings(s);
    if (error.empty())
        *pSettings = s;
    return error;
}

std::string ParseScenario(const std::string& text, std::vector<SimScenarioDevice>* pDevices)
{
    std::vector<SimScenarioDevice> devices;
    SimScenarioDevice current;
    bool bInSection = false;
    size_t sectionLine = 0;
    size_t lineNo = 0;
    size_t pos = 0;
    auto closeSection = [&]() -> std::string {
        if (!bInSection)
            return std::string();
        const std::string error = FinishDevice(current, devices);
        if (!error.empty())
            return AtLine(sectionLine, error);
        devices.push_back(current);
        return std::string();
    };

    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = TrimText(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNo;
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const std::string section = LowerText(line);
            if (section != "[tuner]" && section != "[receiver]")
                return AtLine(lineNo, "unknown section " + line);
            std::string error = closeSection();
            if (!error.empty())
                return error;
            current = SimScenarioDevice();
            current.bReceiver = section == "[receiver]";
            bInSection = true;
            sectionLine = lineNo;
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            return AtLine(lineNo, "expected key = value");
        if (!bInSection)
            return AtLine(lineNo, "a setting before the first [tuner] or [receiver]");
        const std::string key = LowerText(TrimText(line.substr(0, eq)));
        const std::string value = TrimText(line.substr(eq + 1));
        if (key == "name") {
            if (!current.sName.empty())
                return AtLine(lineNo, "name given twice");
            current.sName = value;
            continue;
        }
        // Each value is checked on its own here, so that an error names its line.
        const std::string error = current.bReceiver ? ApplyReceiverSetting(current.Receiver, key, value)
                                                    : ApplyTunerSetting(current.Tuner, key, value);
        if (!error.empty())
            return AtLine(lineNo, error);
        if (!AddValue(current, key, value))
            return AtLine(lineNo, key + " given twice");
    }
    const std::string error = closeSection();
    if (!error.empty())
        return error;
    *pDevices = devices;
    return std::string();
}
