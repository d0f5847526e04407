// The maker's tuners as the dialog finds them, with their driver records read without
// running any of them.
#pragma once

#include "cli/CliText.h"

#include <vector>

class CTunerGraph;
class CConsoleStop;

// With pStop, a stop request ends the list after the tuner being read (*pbStopped true):
// each tuner's records take a graph of their own. pnOthers receives how many tuners were
// left out as not the maker's.
std::vector<CliTunerEntry> ListCliTuners(CTunerGraph& graph, const CConsoleStop* pStop = nullptr,
                                         bool* pbStopped = nullptr, int* pnOthers = nullptr);
