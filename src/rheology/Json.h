#pragma once
// The analysis as JSON: {"test", "units", "curves": [{"temperature", "readings", "field",
// "gels", "models", "recommended"}]}. A value that cannot be computed is null, a model that
// was left out is absent; numbers are written in their shortest form that reads back as
// the same double.

#include "rheology/Rheology.h"

#include <string>

namespace viscora::rheology {

std::string toJson(const Analysis &analysis, const std::string &testName);

} // namespace viscora::rheology
