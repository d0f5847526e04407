// The settings of what a simulated tuner's stream carries and how its driver buffers it:
// the services named in the service table, the stream's identifiers, and the buffer.
// Windows-free.
#pragma once

#include "simtuner/SimSettings.h"

#include <string>

// Applies a key of this group; *pKnown false for any other key. "service" adds services:
// "<program> [<major>.<minor>] <name>", several separated by ';'.
std::string ApplyStreamSetting(SimTunerSettings& s, const std::string& key, const std::string& value, bool* pKnown);
// Checks the services against the programs and takes the table kind from the tuner's kind.
std::string FinishStreamSettings(SimTunerSettings& s);
