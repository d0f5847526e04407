// qltscap works in UTF-8 inside: its command line arrives as UTF-16 and is converted once,
// channel files hold UTF-8, and every file is opened through the wide functions, so a name
// outside the ANSI code page reaches the file system unchanged.
#pragma once

#include "base/Holder.h"
#include "base/WideText.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

// The program's arguments as UTF-8, argv[0] included.
std::vector<std::string> Utf8Arguments(int argc, const wchar_t* const* argv);

// _wfopen of a UTF-8 path; pszMode as for fopen ("rb", "wb").
FileHolder OpenCliFile(const std::string& strPath, const wchar_t* pszMode);

// The attributes of a UTF-8 path; false when it does not exist or cannot be queried.
bool GetCliFileData(const std::string& strPath, WIN32_FILE_ATTRIBUTE_DATA* pData);

// Reads a file up to a little beyond nMaxBytes, so that a caller sees a longer one by the
// text's size; false with the failing call and its reason.
bool ReadCliFile(const std::string& strPath, size_t nMaxBytes, std::string* pText, std::string* pError);

// Writes the text beside the target and puts it in the target's place in one step, so the
// old file stays whole until the new one replaces it; false with the failing call and reason.
bool ReplaceCliFile(const std::string& strPath, const std::string& strText, std::string* pError);

// "the system cannot find the path specified" for a Win32 error code: lower case, no
// full stop, so that it reads inside a sentence.
std::string SystemErrorText(DWORD nError);
