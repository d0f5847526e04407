// The DLL's module state: its handle, and the count of objects and server locks that keep
// it loaded.
#pragma once

#include "graph/Com.h"

HMODULE SimModuleHandle();
void SimModuleObjectCreated();
void SimModuleObjectDestroyed();
void SimModuleLock(bool bLock);
// True while no object of this DLL exists and no server lock is held.
bool SimModuleCanUnload();
