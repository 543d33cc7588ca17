#include "core/LiveChart.h"

#include <algorithm>
#include <limits>

namespace viscora {

void LiveChart::Initial_chart(double now)
{
    for (int s = 0; s < 3; ++s) {
        x_[s].assign(MaxPoints, std::numeric_limits<double>::quiet_NaN());
        y_[s].assign(MaxPoints, 0.0f);
    }
    startAt(now);
    PointIndex = 1;
    marks.clear();
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

} // namespace viscora
