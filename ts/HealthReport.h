// The stream health report in two forms with the same figures: a readable table for the
// console and JSON with stable keys for scripts.
#pragma once

#include "ts/HealthSummary.h"

#include <string>

std::string FormatHealthText(const StreamHealthSummary& summary);
std::string FormatHealthJson(const StreamHealthSummary& summary);
