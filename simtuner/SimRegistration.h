// Registration of the simulated driver: its two classes, and the device instances of a
// scenario in the BDA network tuner and receiver component categories, each instance with
// its settings as registry values beside its FriendlyName.
#pragma once

#include "graph/Com.h"
#include "simtuner/SimScenario.h"

#include <string>

HRESULT RegisterSimClasses();
HRESULT UnregisterSimClasses();
// Removes every device instance of the simulated classes from both categories.
HRESULT RemoveSimDevices();
// Replaces the registered simulated devices with the scenario's; on a scenario error
// pError says what is wrong and nothing changes.
HRESULT RegisterSimScenario(const std::string& text, std::string* pError);
