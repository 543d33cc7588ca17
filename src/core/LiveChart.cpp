#include "core/LiveChart.h"

#include "core/Decimation.h"

#include <algorithm>
#include <limits>

namespace viscora {

void LiveHistory::clear()
{
    t_ = {};
    for (auto &y : y_)
        y = {};
    blocks_ = {};
}

void LiveHistory::add(double t, float stress, float viscosity, float temperature)
{
    const auto i = static_cast<std::uint32_t>(t_.size());
    t_.push_back(t_.empty() ? t : std::max(t, t_.back()));
    const float v[3] = {stress, viscosity, temperature};
    if (i % kBlock == 0)
        blocks_.push_back({{i, i, i}, {i, i, i}});
    Extremes &b = blocks_.back();
    for (std::size_t s = 0; s < 3; ++s) {
        y_[s].push_back(v[s]);
        if (v[s] < y_[s][b.min[s]] || !(y_[s][b.min[s]] == y_[s][b.min[s]]))
            b.min[s] = i;
        if (v[s] > y_[s][b.max[s]] || !(y_[s][b.max[s]] == y_[s][b.max[s]]))
            b.max[s] = i;
    }
}

std::pair<std::size_t, std::size_t> LiveHistory::within(double t0, double t1) const
{
    const auto first = std::lower_bound(t_.begin(), t_.end(), t0);
    const auto last = std::upper_bound(first, t_.end(), t1);
    return {static_cast<std::size_t>(first - t_.begin()),
            static_cast<std::size_t>(last - t_.begin())};
}

std::vector<std::size_t> LiveHistory::decimate(int series, double t0, double t1,
                                               std::size_t columns) const
{
    const auto time = [this](std::size_t i) { return t_[i]; };
    const auto value = [this, series](std::size_t i) { return static_cast<double>(y(series, i)); };
    const auto [first, last] = within(t0, t1);
    if (last - first <= kBlock * columns)
        return decimateColumns(size(), time, value, t0, t1, columns);
    // The runs placed at their first reading: of those a column picks by their lowest
    // readings, the lowest are drawn; by their highest, the highest.
    const auto s = static_cast<std::size_t>(series);
    const auto start = [this](std::size_t b) { return t_[b * kBlock]; };
    std::vector<std::size_t> out;
    for (const bool lows : {true, false}) {
        const auto extreme = [&, lows](std::size_t b) {
            return lows ? blocks_[b].min[s] : blocks_[b].max[s];
        };
        for (std::size_t b : decimateColumns(
                 blocks_.size(), start, [&](std::size_t k) { return value(extreme(k)); }, t0, t1,
                 columns))
            out.push_back(extreme(b));
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

void LiveChart::Initial_chart(double now)
{
    for (int s = 0; s < 3; ++s) {
        x_[s].assign(MaxPoints, std::numeric_limits<double>::quiet_NaN());
        y_[s].assign(MaxPoints, 0.0f);
    }
    startAt(now);
    PointIndex = 1;
    notes.clear();
    history_.clear();
    stepMarks_.clear();
    markSteps_.clear();
}

void LiveChart::startAt(double now)
{
    ChartStart = now;
    manualMin = ChartStart;
    manualMax = ChartStart + WindowWidth;
    WindowStart = ChartStart;
    WindowEnd = ChartStart + WindowWidth;
    zoom = true;
    automaticX = false;
}

void LiveChart::add(double now, float stress, float viscosity, float temperature)
{
    int p = PointIndex;
    if (p >= MaxPoints - 1) {
        p -= kDrop;
        for (int s = 0; s < 3; ++s) {
            std::move(x_[s].begin() + kDrop, x_[s].end(), x_[s].begin());
            std::move(y_[s].begin() + kDrop, y_[s].end(), y_[s].begin());
            std::fill(x_[s].end() - kDrop, x_[s].end(), std::numeric_limits<double>::quiet_NaN());
            std::fill(y_[s].end() - kDrop, y_[s].end(), 0.0f);
        }
    }
    history_.add(now, stress, viscosity, temperature);
    const float ys[3] = {stress, viscosity, temperature};
    for (int s = 0; s < 3; ++s) {
        x_[s][static_cast<size_t>(p)] = now;
        y_[s][static_cast<size_t>(p)] = ys[s];
    }
    PointIndex = p + 1;
    if (now > WindowEnd) {
        WindowEnd += WindowStep;
        WindowStart = WindowEnd - WindowWidth;
        manualMin = x_[0][1];
        manualMax = WindowEnd;
    }
}

void LiveChart::showAll()
{
    zoom = false;
    automaticX = true;
}

void LiveChart::showLast()
{
    zoom = true;
    automaticX = false;
    const double latest = history_.size() > 0 ? history_.t(history_.size() - 1) : ChartStart;
    WindowEnd = std::max(ChartStart + WindowWidth, latest);
    WindowStart = WindowEnd - WindowWidth;
    manualMin = WindowStart;
    manualMax = WindowEnd;
}

void LiveChart::markStep(double now, int step, double rpm)
{
    if (!markSteps_.empty() && markSteps_.back() == step)
        return;
    markSteps_.push_back(step);
    stepMarks_.push_back({now, stepMarkLabel(step, rpm), TimeMarkKind::StepBoundary});
}

PointPlace LiveChart::placeAt(double t) const
{
    PointPlace p;
    p.totalTime = t - ChartStart;
    const auto after = std::upper_bound(stepMarks_.begin(), stepMarks_.end(), t,
                                        [](double v, const TimeMark &m) { return v < m.time; });
    if (after == stepMarks_.begin()) {
        p.stepTime = p.totalTime;
        return p;
    }
    const auto i = static_cast<std::size_t>(after - stepMarks_.begin()) - 1;
    p.step = markSteps_[i];
    p.stepTime = t - stepMarks_[i].time;
    return p;
}

} // namespace viscora
