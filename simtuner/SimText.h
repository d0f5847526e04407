// Small text helpers of the scenario and settings readers. Windows-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::string TrimText(const std::string& text);
std::string LowerText(const std::string& text);
// Splits at any of the separator characters; empty pieces are dropped.
std::vector<std::string> SplitText(const std::string& text, const char* separators);
// Decimal, or hexadecimal after "0x"; false on anything else or above nMax.
bool ParseUnsigned(const std::string& text, uint64_t nMax, uint64_t* pValue);
bool ParseSigned32(const std::string& text, int32_t* pValue);
// yes/no, on/off, true/false, 1/0.
bool ParseYesNo(const std::string& text, bool* pValue);
