#include "core/LiveChart.h"

#include <algorithm>
#include <limits>

namespace viscora {

void LiveHistory::clear()
{
    t_ = {};
    for (auto &y : y_)
        y = {};
}

void LiveHistory::add(double t, float stress, float viscosity, float temperature)
{
    t_.push_back(t_.empty() ? t : std::max(t, t_.back()));
    y_[0].push_back(stress);
    y_[1].push_back(viscosity);
    y_[2].push_back(temperature);
}

void LiveChart::Initial_chart(double now)
{
    for (int s = 0; s < 3; ++s) {
        x_[s].assign(MaxPoints, std::numeric_limits<double>::quiet_NaN());
        y_[s].assign(MaxPoints, 0.0f);
    }
    startAt(now);
    PointIndex = 1;
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
