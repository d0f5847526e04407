// Comparing names the way users type them: ASCII letters in any case. Plain C++.
#pragma once

#include <string>

bool EqualsIgnoringCase(const std::string& a, const std::string& b);
