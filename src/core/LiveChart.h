#pragma once
// The live chart's data: three series (stress, viscosity, temperature) of 1000 points that
// drop their 200 oldest at once when full, and a 3-minute window that moves by 30 s.
// Times are seconds on the clock of the run (continuing past midnight).

#include "core/ChartMarks.h"
#include "core/ChartReadout.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

namespace viscora {

// Every reading since Start, for the whole-test view: a time and three values, 20 bytes a
// record, in blocks (no copy of the whole as it grows), and where each run of kBlock records
// has its lowest and highest value. Times never go back.
class LiveHistory {
public:
    static constexpr std::size_t kRecordBytes = sizeof(double) + 3 * sizeof(float);
    static constexpr std::size_t kBlock = 256;

    void clear();
    void add(double t, float stress, float viscosity, float temperature);
    std::size_t size() const { return t_.size(); }
    double t(std::size_t i) const { return t_[i]; }
    float y(int series, std::size_t i) const { return y_[static_cast<std::size_t>(series)][i]; }

    // The readings from t0 to t1: [first, last).
    std::pair<std::size_t, std::size_t> within(double t0, double t1) const;
    // The readings of a series to draw between t0 and t1 on `columns` pixel columns, as
    // decimateColumns picks them. Where a column holds many runs, the runs' own extremes are
    // compared instead of every reading: the cost stays that of the columns, not the test's
    // length, and an extreme may be drawn in the column next to its own.
    std::vector<std::size_t> decimate(int series, double t0, double t1, std::size_t columns) const;

private:
    struct Extremes {
        std::array<std::uint32_t, 3> min, max; // the records holding them
    };
    std::deque<double> t_;
    std::array<std::deque<float>, 3> y_;
    std::vector<Extremes> blocks_;
};

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
    // Show Last 3 Minutes: the 3-minute window again, ending at the latest reading.
    void showLast();
    // The step the readings from `now` on belong to, at `rpm`; a new step marks a boundary.
    void markStep(double now, int step, double rpm);
    const std::vector<TimeMark> &stepMarks() const { return stepMarks_; }
    // Where a reading at time t lies in the test: its step (0 before any), step and total time.
    PointPlace placeAt(double t) const;

    const LiveHistory &history() const { return history_; }

    // X of (series, point); NaN where no point was set.
    double x(int series, int point) const { return x_[series][static_cast<size_t>(point)]; }
    float y(int series, int point) const { return y_[series][static_cast<size_t>(point)]; }
    int PointIndex = 1;
    double ChartStart = 0, WindowStart = 0, WindowEnd = 0;
    bool zoom = true;
    bool automaticX = false;
    double manualMin = 0, manualMax = 0;
    // Notes made during the run, at their time on the run's clock.
    std::vector<TimeMark> notes;

private:
    LiveHistory history_;
    std::vector<TimeMark> stepMarks_;
    std::vector<int> markSteps_; // the step of each mark
    std::array<std::vector<double>, 3> x_;
    std::array<std::vector<float>, 3> y_;
};

} // namespace viscora
