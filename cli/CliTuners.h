// The maker's tuners as the dialog finds them, with their driver records read without
// running any of them.
#pragma once

#include "cli/CliText.h"

#include <vector>

class CTunerGraph;

std::vector<CliTunerEntry> ListCliTuners(CTunerGraph& graph);
