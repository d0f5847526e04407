// Scenario files: the set of simulated devices to register. Windows-free.
//
//   # comment
//   [tuner]
//   name = DTV-DVB S2 Satellite Tuner
//   channel = 11778000 pol=V sr=27500
//   [receiver]
//   name = Quillon BDA Receiver
//
// Sections are registered in file order; keys and values are described in the simulated
// tuner's documentation.
#pragma once

#include "simtuner/SimSettings.h"

#include <string>
#include <utility>
#include <vector>

struct SimScenarioDevice {
    bool bReceiver = false;
    std::string sName;
    // The section's settings without the name, one entry per key (several channel lines
    // joined by "; "), as the device instance keeps them.
    std::vector<std::pair<std::string, std::string>> Values;
    SimTunerSettings Tuner;        // tuners: the checked settings
    SimReceiverSettings Receiver;  // receivers
};

// Reads a whole scenario; returns an empty text, or "line N: what is wrong".
std::string ParseScenario(const std::string& text, std::vector<SimScenarioDevice>* pDevices);

// Rebuilds a tuner's settings from its name and stored values, as a device instance loads them.
std::string TunerFromValues(const std::string& name, const std::vector<std::pair<std::string, std::string>>& values,
                            SimTunerSettings* pSettings);
std::string ReceiverFromValues(const std::string& name,
                               const std::vector<std::pair<std::string, std::string>>& values,
                               SimReceiverSettings* pSettings);

// The set that plain registration installs: one maker's tuner of each kind, one foreign
// tuner and one receiver component.
extern const char kDefaultScenario[];
