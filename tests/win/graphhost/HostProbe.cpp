#include "HostProbe.h"

#include <cwchar>

std::vector<IBaseFilter*> GraphFilters(IFilterGraph* pGraph)
{
    std::vector<IBaseFilter*> filters;
    InterfaceHolder<IEnumFilters> pEnum;
    if (FAILED(pGraph->EnumFilters(pEnum.OutSlot())))
        return filters;
    InterfaceHolder<IBaseFilter> pFilter;
    while (pEnum->Next(1, pFilter.OutSlot(), nullptr) == S_OK)
        filters.push_back(pFilter.Get());
    return filters;
}

bool IsSameObject(IUnknown* pA, IUnknown* pB)
{
    QueriedHolder<IUnknown> a(pA), b(pB);
    return !a.IsNull() && a.Get() == b.Get();
}

std::vector<std::wstring> RotDisplayNames()
{
    std::vector<std::wstring> names;
    InterfaceHolder<IRunningObjectTable> pRot;
    InterfaceHolder<IEnumMoniker> pEnum;
    InterfaceHolder<IBindCtx> pContext;
    if (FAILED(GetRunningObjectTable(0, pRot.OutSlot())) ||
        FAILED(pRot->EnumRunning(pEnum.OutSlot())) || FAILED(CreateBindCtx(0, pContext.OutSlot())))
        return names;
    // Other programs' entries come and go while the tests run (the table is the machine's).
    wchar_t szPid[32];
    swprintf(szPid, 32, L" pid %08x", static_cast<unsigned>(GetCurrentProcessId()));
    InterfaceHolder<IMoniker> pMoniker;
    while (pEnum->Next(1, pMoniker.OutSlot(), nullptr) == S_OK) {
        LPOLESTR pszName = nullptr;
        if (SUCCEEDED(pMoniker->GetDisplayName(pContext, nullptr, &pszName)) && pszName &&
            std::wstring(pszName).find(szPid) != std::wstring::npos)
            names.emplace_back(pszName);
        CoTaskMemFree(pszName);
    }
    return names;
}
