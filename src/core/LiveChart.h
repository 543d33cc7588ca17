#pragma once
// The live chart's data: three series (stress, viscosity, temperature) of 1000 points that
// drop their 200 oldest at once when full, and a 3-minute window that moves by 30 s.
// Times are seconds on the clock of the run (continuing past midnight).

#include "core/ChartModel.h"

#include <array>
#include <cmath>
#include <vector>

namespace viscora {

class LiveChart {
public:
    static constexpr int MaxPoints = 1000;
    static constexpr int kDrop = 200;
    static constexpr double WindowWidth = 180.0;
    static constexpr double WindowStep = 30.0;

    LiveChart() { Initial_chart(0); }

    // Clears the points and sets up the window at `now`.
    void Initial_chart(double now);
    // The start reply arrived: the window begins at `now`.
    void startAt(double now);
    // One valid reading.
    void add(double now, float stress, float viscosity, float temperature);
    // Show All Data: no zoom, automatic horizontal scale.
    void showAll();

    // X of (series, point); NaN where no point was set.
    double x(int series, int point) const { return x_[series][static_cast<size_t>(point)]; }
    float y(int series, int point) const { return y_[series][static_cast<size_t>(point)]; }
    int PointIndex = 1;
    double ChartStart = 0, WindowStart = 0, WindowEnd = 0;
    bool zoom = true;
    bool automaticX = false;
    double manualMin = 0, manualMax = 0;
    // Notes made during the run, at their time on the run's clock.
    std::vector<ChartMark> marks;

private:
    std::array<std::vector<double>, 3> x_;
    std::array<std::vector<float>, 3> y_;
};

} // namespace viscora
