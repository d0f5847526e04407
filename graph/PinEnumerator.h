// Walks the pins of a filter in the filter's own order from the first, one pin held at a
// time, so that a search loop can continue or return early without leaking a reference.
#pragma once

#include "graph/Com.h"
#include "graph/InterfaceHolder.h"

class CPinEnumerator
{
public:
    // A filter that gives no enumerator (null, or EnumPins failing) has no pins to walk.
    explicit CPinEnumerator(IBaseFilter* pFilter);

    // Puts the next pin into pin, releasing the one it held; false at the end of the list,
    // on any status other than S_OK, and when there is no enumerator.
    bool Next(InterfaceHolder<IPin>& pin);

private:
    InterfaceHolder<IEnumPins> m_pEnum;
};

// True when the pin reports its direction and it is the one asked for.
bool IsPinDirection(IPin* pPin, PIN_DIRECTION direction);
