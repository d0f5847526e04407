#include "graph/PinEnumerator.h"

CPinEnumerator::CPinEnumerator(IBaseFilter* pFilter)
{
    if (!pFilter)
        return;
    // Only a successful call hands out an enumerator to own.
    IEnumPins* pEnum = nullptr;
    if (SUCCEEDED(pFilter->EnumPins(&pEnum)) && pEnum) {
        m_pEnum.Attach(pEnum);
        // A filter may hand out an enumerator that is not at its first pin.
        m_pEnum->Reset();
    }
}

bool CPinEnumerator::Next(InterfaceHolder<IPin>& pin)
{
    pin.Reset();
    if (m_pEnum.IsNull())
        return false;
    return m_pEnum->Next(1, pin.OutSlot(), nullptr) == S_OK && !pin.IsNull();
}

bool IsPinDirection(IPin* pPin, PIN_DIRECTION direction)
{
    PIN_DIRECTION actual;
    return pPin && SUCCEEDED(pPin->QueryDirection(&actual)) && actual == direction;
}
