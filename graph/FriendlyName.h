// Narrow copies of device friendly names for the fixed name buffers of the program.
#pragma once

#include <cstddef>

// Every friendly-name buffer: at most 199 characters and the terminator.
constexpr int FRIENDLY_NAME_SIZE = 200;

// Converts a wide name with the runtime's wide-to-multibyte conversion for the current
// locale into pszName (cbName bytes, at least 1). The copy stops after 199 characters, or
// before a character whose bytes would not fit; a character the locale cannot represent
// becomes '?'. Always terminated; returns the number of bytes written before the terminator.
// After UseUtf8FriendlyNames the copy is UTF-8 instead, whatever the locale (the console
// program works in UTF-8); a lone surrogate becomes '?'.
size_t CopyFriendlyName(const wchar_t* pszWide, char* pszName, size_t cbName);

// For the whole process, from its start.
void UseUtf8FriendlyNames();
