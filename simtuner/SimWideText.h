// Conversions between the scenario's UTF-8 text and the wide text of COM and the registry.
#pragma once

#include "graph/Com.h"

#include <string>

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const wchar_t* pText);
// Reads a text property; fails when it is missing or not text.
HRESULT ReadBagText(IPropertyBag* pPropBag, LPCWSTR pName, std::string* pValue);
