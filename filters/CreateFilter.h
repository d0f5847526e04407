// Creates one of the program's own filters for a holder.
#pragma once

#include "graph/InterfaceHolder.h"

#include <new>
#include <utility>

// Constructs TFilter(&hr, args...) with new; the holder receives it only when its status is
// a success. A filter whose construction failed is deleted with its first reference.
template <class TFilter, class... Args>
HRESULT CreateFilter(InterfaceHolder<IBaseFilter>& filter, Args&... args)
{
    filter.Reset();
    HRESULT hr = S_OK;
    TFilter* pFilter = new (std::nothrow) TFilter(&hr, args...);
    if (!pFilter)
        return E_OUTOFMEMORY;
    InterfaceHolder<IBaseFilter> created(static_cast<IBaseFilter*>(pFilter));
    if (FAILED(hr))
        return hr;
    filter = std::move(created);
    return hr;
}
