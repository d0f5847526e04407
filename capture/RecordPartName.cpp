#include "capture/RecordPartName.h"

#include <cstdio>

std::string RecordPartName(const std::string& strPath, uint32_t nPart)
{
    // The extension is the last dot's in the file's own name, not in a folder's.
    const size_t nSlash = strPath.find_last_of("/\\:");
    size_t nDot = strPath.rfind('.');
    if (nDot == std::string::npos || (nSlash != std::string::npos && nDot < nSlash) ||
        nDot == (nSlash == std::string::npos ? 0 : nSlash + 1))
        nDot = strPath.size();
    char number[16];
    std::snprintf(number, sizeof(number), "-%04u", static_cast<unsigned>(nPart));
    return strPath.substr(0, nDot) + number + strPath.substr(nDot);
}
