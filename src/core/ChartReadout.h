#pragma once
// The text a chart shows for the point under its crosshair.

#include <optional>
#include <string>

namespace viscora {

// Where a point of a test lies in it.
struct PointPlace {
    int step = 0;
    double stepTime = 0;  // seconds since its step began
    double totalTime = 0; // seconds since the test began
};

struct ReadoutPoint {
    std::string series;         // empty: the chart's only series
    std::string xLabel, yLabel; // the axes' titles, with their units
    double x = 0, y = 0;
    std::string xText; // written instead of x when set (a time of day)
    std::optional<PointPlace> place;
    // On a flow curve (stress over shear rate): the apparent viscosity, in cP.
    std::optional<double> viscosityCp;
};

// One line a value: "Shear Rate (1/S): 511", "Step: 2", "Step time: 65 s",
// "Total time: 2:05 (125 s)", "Viscosity (cP): 23.4".
std::string readoutText(const ReadoutPoint &p);

// A value as the read-out writes it: at most 5 significant digits, no trailing zeros.
std::string readoutNumber(double v);

} // namespace viscora
