#include "simtuner/SimWideText.h"

#include "graph/InterfaceHolder.h"

HRESULT ReadBagText(IPropertyBag* pPropBag, LPCWSTR pName, std::string* pValue)
{
    CVariantHolder value;
    value.Get().vt = VT_BSTR;
    HRESULT hr = pPropBag->Read(pName, &value, nullptr);
    if (FAILED(hr))
        return hr;
    if (value.Get().vt != VT_BSTR)
        return DISP_E_TYPEMISMATCH;
    *pValue = Utf8FromWide(value.Get().bstrVal);
    return S_OK;
}
