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

std::string stressAxisLabel(bool si);
std::string temperatureAxisLabel(bool si);

} // namespace viscora
