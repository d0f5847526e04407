// The names of a split recording's parts: "rec.ts" gives "rec-0001.ts", "rec-0002.ts", ...
// (four digits, more once past 9999, so the names sort in recording order); a name without
// an extension gets the number at its end. Plain C++ without windows.h.
#pragma once

#include <cstdint>
#include <string>

// nPart counts from 1.
std::string RecordPartName(const std::string& strPath, uint32_t nPart);
