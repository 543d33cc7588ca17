#pragma once
// The ten chart types of the main window, by their list position.

#include <array>
#include <string>

namespace viscora {

enum class XTreatment { Sorted, RunningTime };

struct ChartType {
    const char *listText;
    int xColumn;
    int yColumn;
    std::string xLabel(bool si) const;
    std::string yLabel(bool si) const;
    const char *title;
    XTreatment treatment;
    // Label kinds, resolved by unit system in xLabel/yLabel.
    const char *xLabelText; // nullptr: the temperature label
    const char *yLabelText; // nullptr: resolved from yKind
    char yKind;             // 's' stress, 't' temperature, 0 fixed
};

constexpr int kChartTypeCount = 10;
const ChartType &chartType(int index);

// A rest step (see isRestSpeed) is stored at an all but nil speed, so its points have an all
// but nil shear rate and a viscosity far beyond anything measured. A chart of viscosity, or
// with a logarithmic axis of shear rate or speed, would be scaled to them alone: they are left
// out of those, and out of every best fit.
// Whether a chart over these query columns (-1: not a test's rows) shows the rest points.
bool showsRestPoints(int xColumn, int yColumn, bool xLog, bool yLog);

std::string stressAxisLabel(bool si);
// A flow curve's stress (on stressAxisLabel's scale) over its shear rate, times this, is the
// apparent viscosity in cP.
double flowCurveViscosityFactor(bool si);
std::string temperatureAxisLabel(bool si);

} // namespace viscora
