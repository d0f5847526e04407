#include "simtuner/SimWideText.h"

#include "graph/InterfaceHolder.h"

std::wstring WideFromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int cch = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(cch > 0 ? cch : 0), L'\0');
    if (cch > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], cch);
    return wide;
}

std::string Utf8FromWide(const wchar_t* pText)
{
    if (!pText || !*pText)
        return std::string();
    const int cb = WideCharToMultiByte(CP_UTF8, 0, pText, -1, nullptr, 0, nullptr, nullptr);
    if (cb <= 1)
        return std::string();
    std::string text(static_cast<size_t>(cb), '\0');
    WideCharToMultiByte(CP_UTF8, 0, pText, -1, &text[0], cb, nullptr, nullptr);
    text.resize(static_cast<size_t>(cb - 1));
    return text;
}

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
