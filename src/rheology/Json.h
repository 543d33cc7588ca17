#pragma once
// The analysis as JSON: {"test", "units", "curves": [{"temperature", "readings", "field",
// "gels", "models", "recommended", "recommendation_note" (when none), "warnings"}]}. A
// reading says whether it is "stable" and "used" ("why" not, when not) and an averaged one
// its "up" and "down"; a gel is {"step", "gel", "rest" (s), "label"}. A value that cannot
// be computed is null, a model that was left out is absent; numbers are written in their
// shortest form that reads back as the same double.

#include "rheology/Rheology.h"

#include <string>

namespace viscora::rheology {

std::string toJson(const Analysis &analysis, const std::string &testName);

} // namespace viscora::rheology
