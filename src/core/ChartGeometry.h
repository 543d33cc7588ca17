#pragma once
// What a chart shows, worked out before anything is drawn: the points of each series after
// dropping what an axis cannot show (and the rest points the chart leaves out) and thinning
// to the plot's width, the axis ranges, the best-fit curve of each series and the labels of
// a logarithmic axis. A view only turns this into widgets, so all of it is tested as plain
// code.

#include "core/ChartModel.h"
#include "core/CurveFit.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace viscora {

// A best fit of one series: a line (a + b x) or a power law (k x^n), with its R².
struct SeriesFit {
    PlottingMethod method = PlottingMethod::BestFitLinear;
    double a = 0, b = 0; // the line; for the power law, a = k and b = n
    double r2 = 0;
    double at(double x) const;
};
// The fit the method asks for, when one is possible.
std::optional<SeriesFit> fitSeries(PlottingMethod method, const std::vector<double> &x,
                                   const std::vector<double> &y);

// An axis in plot coordinates: the values themselves, or their base-10 logarithms.
struct AxisGeometry {
    bool log = false;
    double min = 0, max = 1;
    // Labelled ticks of a logarithmic axis: (plot coordinate, text).
    std::vector<std::pair<double, std::string>> ticks;
};

struct SeriesGeometry {
    int index = 0;            // the model's series
    std::vector<double> x, y; // plot coordinates, thinned for drawing
    std::vector<std::size_t> source; // the model's point of each
    // Where each piece of the line starts in x and y (always 0 first): the line is not drawn
    // from the last point of a piece to the first of the next.
    std::vector<std::size_t> pieces{0};
    std::optional<SeriesFit> fit;
    std::vector<double> fitX, fitY; // the fitted curve, in plot coordinates
};

struct ChartGeometry {
    std::vector<SeriesGeometry> series;
    AxisGeometry x, y;
};

// The room an axis has on screen, in pixels: its length, and the least distance between two
// labels that keeps them apart. Without a length, the labels are as many as the span of
// values alone suggests.
struct AxisRoom {
    double length = 0;
    double labelGap = 0;
};

// `buckets`: how many columns the plot has for thinning (min/max per column); 0 keeps every
// point.
ChartGeometry chartGeometry(const ChartModel &model, std::size_t buckets, AxisRoom xRoom = {},
                            AxisRoom yRoom = {});

// A logarithmic axis over values in [lo, hi] (lo > 0): a little beyond them, labelled at 1..9,
// 1-2-3-5, 1-2-5 or 1 times each power of ten (or every few powers): the densest whose
// neighbouring labels stay minGap decades apart, or, with minGap 0, as many as the span
// suggests. A span too narrow for two labels is widened to the ticks around it.
struct LogAxis {
    double lo = 0, hi = 0;
    std::vector<double> ticks;
};
LogAxis logAxis(double lo, double hi, double minGap = 0);

} // namespace viscora
