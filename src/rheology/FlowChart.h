#pragma once
// The chart of one flow curve: its readings as points and each chosen model's curve, as a
// plain chart model that any chart view draws.

#include "core/ChartModel.h"
#include "rheology/Rheology.h"

#include <string>
#include <vector>

namespace viscora::rheology {

// `shown[i]` says whether the model at position i of the model table is drawn (missing
// entries are drawn). On log axes the curves run over the readings' shear rates, on linear
// axes from a shear rate of 0, where the yield stresses show.
ChartModel flowCurveChart(const FlowCurve &c, Units units, const std::vector<bool> &shown, bool log,
                          const std::string &subtitle);

// The console colour of a model's curve, fixed per model so hiding one keeps the others'.
int modelColor(std::size_t modelIndex);

constexpr int kCurveSamples = 120;

} // namespace viscora::rheology
