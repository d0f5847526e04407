// The holders of kernel handles and registry keys (see base/Holder.h), for Windows code
// only. Calls that report failure as INVALID_HANDLE_VALUE (CreateFile, FindFirstFile) need
// their result turned to null before a holder takes it: null is "nothing held".
#pragma once

#include "base/Holder.h"

#include <windows.h>

using HandleHolder = Holder<HANDLE, &CloseHandle>;
using KeyHolder = Holder<HKEY, &RegCloseKey>;
