#include "filters/LiveObject.h"

namespace {
LONG volatile g_cLiveObjects = 0;
}

CLiveObject::CLiveObject()
{
    InterlockedIncrement(&g_cLiveObjects);
}

CLiveObject::~CLiveObject()
{
    InterlockedDecrement(&g_cLiveObjects);
}

LONG CLiveObject::LiveCount()
{
    return InterlockedCompareExchange(&g_cLiveObjects, 0, 0);
}
