// The platform headers every COM, DirectShow and BDA source of the program uses.
#pragma once

#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#include <windows.h>
#include <objbase.h>
#include <dshow.h>
#include <ks.h>
#include <ksmedia.h>
#include <ksproxy.h>
#include <bdatypes.h>
#include <bdamedia.h>
#include <bdaiface.h>
#include <vfwmsgs.h>
