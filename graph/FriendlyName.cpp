#include "graph/FriendlyName.h"

#include <climits>
#include <cstring>
#include <cwchar>

size_t CopyFriendlyName(const wchar_t* pszWide, char* pszName, size_t cbName)
{
    const size_t nMaxChars = FRIENDLY_NAME_SIZE - 1;
    size_t nBytes = 0;
    mbstate_t state;
    memset(&state, 0, sizeof(state));
    for (size_t nChars = 0; pszWide && pszWide[nChars] != L'\0' && nChars < nMaxChars; ++nChars) {
        char bytes[MB_LEN_MAX];
        size_t n = wcrtomb(bytes, pszWide[nChars], &state);
        if (n == static_cast<size_t>(-1)) {
            memset(&state, 0, sizeof(state));
            bytes[0] = '?';
            n = 1;
        }
        if (nBytes + n + 1 > cbName)
            break;
        memcpy(pszName + nBytes, bytes, n);
        nBytes += n;
    }
    pszName[nBytes] = '\0';
    return nBytes;
}
