#include "tuner/MakerName.h"

#include <cctype>
#include <string>

bool HasMakerNamePattern(const char* pszName)
{
    if (!pszName)
        return false;
    std::string lower(pszName);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    for (const char* pattern : {"dtv-dvb", "quillon", "dtv-atsc"})
        if (lower.find(pattern) != std::string::npos)
            return true;
    return false;
}
