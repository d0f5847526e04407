// Count of live framework objects (filters, pins, enumerators), so that leaks show up.
#pragma once

#include "graph/Com.h"

// Empty base: construction counts an object in, destruction counts it out.
class CLiveObject
{
public:
    static LONG LiveCount();

protected:
    CLiveObject();
    ~CLiveObject();
    CLiveObject(const CLiveObject&) = delete;
    CLiveObject& operator=(const CLiveObject&) = delete;
};
