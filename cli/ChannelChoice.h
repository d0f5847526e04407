// Choosing an entry of a channel file by name. Channel files repeat names (one service on
// two transmitters), so NAME@F picks the entry whose FREQUENCY is F, a name not found
// brings the closest names, and the names a scan writes are made unique.
// Plain C++ without windows.h.
#pragma once

#include "channels/TuningList.h"

#include <string>
#include <vector>

// The entry strWanted names: a name as FindChannel takes it, else NAME@F with F the entry's
// FREQUENCY as the file gives it or in kHz (the file's Hz divided by 1000). *pnMatches
// receives how many entries the choice leaves (0 when none).
const TuningListEntry* FindCliChannel(const TuningList& list, const std::string& strWanted, size_t* pnMatches);

// How to name this entry among others of its name: "NAME@FREQUENCY".
std::string ChannelChoice(const TuningListEntry& entry);

// Every entry of strName (ignoring case), as ChannelChoice names them, ", " between them.
std::string ChannelChoices(const TuningList& list, const std::string& strName);

// Up to nMax names of the list closest to strWanted, for "did you mean".
std::vector<std::string> ClosestChannelNames(const TuningList& list, const std::string& strWanted, size_t nMax);

// A name that repeats an earlier one (ignoring case) becomes "NAME (2)", "NAME (3)" ...
void MakeChannelNamesUnique(std::vector<TuningListEntry>& entries);
