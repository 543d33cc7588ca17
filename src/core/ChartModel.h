#pragma once
// The data set behind every chart: titles, series and their points, scales and plotting
// method. Windows change it through the chart operations and a renderer draws it; keeping it
// free of any widget lets the chart routines be tested as plain code.

#include "core/ChartMarks.h"
#include "core/ChartReadout.h"

#include <cstddef>
#include <string>
#include <vector>

namespace viscora {

enum class ScaleType { Normal = 1, Log = 2 };

// Plotting methods by their numbers.
enum class PlottingMethod { Linear = 8, Spline = 5, BestFitLinear = 3, BestFitPower = 4 };

// The 16 classic console colours by number, as 0xRRGGBB.
unsigned consoleColor(int index);

struct ChartSeries {
    std::vector<double> x;
    std::vector<double> y;
    std::string label;
    int color = 9;
    int lineType = 0;
    // Points that start a new piece of the line: nothing was recorded between them and the
    // point before (a lost connection), so the line is not drawn across.
    std::vector<std::size_t> breaks;
    // Points of a rest step (see isRestSpeed), ascending: never fitted, and not drawn where the
    // chart's axes leave them out.
    std::vector<std::size_t> rests;
    // Where each point lies in its test (for the read-out); empty when not a test's rows.
    std::vector<PointPlace> places;
    bool colorSet = false; // the colour was chosen; else a view picks one apart from series 0
    bool markers = false;  // points only, not joined
};

class ChartModel {
public:
    static constexpr int kNoTestPointCount = 9999;

    void setMainTitle(std::string t) { mainTitle_ = std::move(t); }
    void setSubtitle(std::string t) { subtitle_ = std::move(t); }
    void setXAxisLabel(std::string t) { xLabel_ = std::move(t); }
    void setYAxisLabel(std::string t) { yLabel_ = std::move(t); }
    const std::string &mainTitle() const { return mainTitle_; }
    const std::string &subtitle() const { return subtitle_; }
    const std::string &xAxisLabel() const { return xLabel_; }
    const std::string &yAxisLabel() const { return yLabel_; }

    void setSubsetCount(int n);
    int subsetCount() const { return static_cast<int>(series_.size()); }
    void setPointCount(int n) { pointCount_ = n; }
    int pointCount() const { return pointCount_; }

    // Points beyond a series' current length extend it; negative indices are ignored.
    void setX(int series, int point, double v);
    void setY(int series, int point, double v);
    double x(int series, int point) const;
    double y(int series, int point) const;
    // Replaces a whole series' points at once (the fast path for long tests); no breaks, no
    // rest points.
    void setPoints(int series, std::vector<double> xs, std::vector<double> ys);
    void setBreaks(int series, std::vector<std::size_t> breaks);
    void setRests(int series, std::vector<std::size_t> rests);

    void setPlaces(int series, std::vector<PointPlace> places);
    void setSeriesLabel(int series, std::string label);
    void setSeriesColor(int series, int color);
    void setSeriesLineType(int series, int lineType);
    void setSeriesMarkers(int series, bool markers);
    const ChartSeries &series(int i) const { return series_.at(static_cast<size_t>(i)); }
    // Points of a series that are drawn: its own points, up to the point count.
    std::size_t drawnPointCount(int series) const;

    void setXScale(ScaleType s) { xScale_ = s; }
    void setYScale(ScaleType s) { yScale_ = s; }
    ScaleType xScale() const { return xScale_; }
    ScaleType yScale() const { return yScale_; }
    void setPlottingMethod(PlottingMethod m) { method_ = m; }
    PlottingMethod plottingMethod() const { return method_; }
    // The test query's columns on the axes (-1 when the chart is not of a test's rows).
    void setAxisColumns(int x, int y)
    {
        xColumn_ = x;
        yColumn_ = y;
    }
    // Whether the rest points are drawn, with these axes on the present scales.
    bool showsRests() const;

    // Time runs across (seconds of the test): marks at a time are drawn on it.
    void setTimeAxis(bool on) { timeAxis_ = on; }
    bool timeAxis() const { return timeAxis_; }
    // Marks on the time axis (step boundaries).
    void setTimeMarks(std::vector<TimeMark> marks) { timeMarks_ = std::move(marks); }
    const std::vector<TimeMark> &timeMarks() const { return timeMarks_; }
    // The test's notes, drawn beside the step boundaries; kept apart from them, as they change
    // while the chart stays.
    void setNoteMarks(std::vector<TimeMark> marks) { noteMarks_ = std::move(marks); }
    const std::vector<TimeMark> &noteMarks() const { return noteMarks_; }
    // A flow curve (stress over shear rate): y / x times this is the viscosity in cP; 0 when
    // the chart is not one.
    void setViscosityFactor(double f) { viscosityFactor_ = f; }
    double viscosityFactor() const { return viscosityFactor_; }

    // Clears every series and title.
    void reset();

private:
    ChartSeries &at(int series);

    std::string mainTitle_, subtitle_, xLabel_, yLabel_;
    std::vector<ChartSeries> series_{1};
    int pointCount_ = 0;
    ScaleType xScale_ = ScaleType::Normal;
    ScaleType yScale_ = ScaleType::Normal;
    PlottingMethod method_ = PlottingMethod::Linear;
    int xColumn_ = -1, yColumn_ = -1;
    std::vector<TimeMark> noteMarks_;
    std::vector<TimeMark> timeMarks_;
    double viscosityFactor_ = 0;
    bool timeAxis_ = false;
};

} // namespace viscora
