// The scenario's UTF-8 text and the wide text of COM and the registry: the conversions of
// base/WideText.h, and the text properties of a property bag.
#pragma once

#include "base/WideText.h"
#include "graph/Com.h"

#include <string>

// Reads a text property; fails when it is missing or not text.
HRESULT ReadBagText(IPropertyBag* pPropBag, LPCWSTR pName, std::string* pValue);
