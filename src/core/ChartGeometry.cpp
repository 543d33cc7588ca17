#include "core/ChartGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace viscora {

double SeriesFit::at(double x) const
{
    if (method == PlottingMethod::BestFitPower)
        return x > 0 ? a * std::pow(x, b) : 0.0;
    return a + b * x;
}

std::optional<SeriesFit> fitSeries(PlottingMethod method, const std::vector<double> &x,
                                   const std::vector<double> &y)
{
    if (method == PlottingMethod::BestFitLinear) {
        if (const auto f = fitLinear(x, y))
            return SeriesFit{method, f->a, f->b, f->r2};
    } else if (method == PlottingMethod::BestFitPower) {
        if (const auto f = fitPower(x, y))
            return SeriesFit{method, f->k, f->n, f->r2};
    }
    return std::nullopt;
}

std::vector<double> logTicks(double lo, double hi)
{
    std::vector<double> ticks;
    if (!(lo > 0) || !(hi >= lo) || !std::isfinite(hi))
        return ticks;
    const double decades = std::log10(hi / lo);
    static const std::vector<double> all{1, 2, 3, 4, 5, 6, 7, 8, 9}, some{1, 2, 3, 5}, few{1, 2, 5},
        one{1};
    const std::vector<double> &mantissas = decades <= 1.2 ? all
                                           : decades <= 3 ? some
                                           : decades <= 6 ? few
                                                          : one;
    const int first = static_cast<int>(std::floor(std::log10(lo)));
    const int last = static_cast<int>(std::ceil(std::log10(hi)));
    double below = 0, above = 0;
    for (int e = first; e <= last; ++e)
        for (double m : mantissas) {
            const double v = m * std::pow(10.0, e);
            if (v <= lo * (1 + 1e-12))
                below = v;
            if (v >= hi * (1 - 1e-12) && above == 0)
                above = v;
        }
    if (below == 0)
        below = std::pow(10.0, first);
    if (above == 0)
        above = std::pow(10.0, last);
    for (int e = first; e <= last; ++e)
        for (double m : mantissas) {
            const double v = m * std::pow(10.0, e);
            if (v >= below * (1 - 1e-12) && v <= above * (1 + 1e-12))
                ticks.push_back(v);
        }
    return ticks;
}

namespace {

std::string tickText(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// Plot coordinate of a value on the axis.
double plot(bool log, double v) { return log ? std::log10(v) : v; }

void finishAxis(AxisGeometry &axis, double lo, double hi)
{
    if (!(lo <= hi)) { // nothing to show
        axis.min = axis.log ? 0 : 0;
        axis.max = axis.log ? 1 : 1;
        if (axis.log)
            axis.ticks = {{0, "1"}, {1, "10"}};
        return;
    }
    if (axis.log) {
        if (lo == hi) {
            lo /= 2;
            hi *= 2;
        }
        const auto ticks = logTicks(lo, hi);
        axis.min = std::log10(std::min(lo, ticks.front()));
        axis.max = std::log10(std::max(hi, ticks.back()));
        for (double t : ticks)
            axis.ticks.emplace_back(std::log10(t), tickText(t));
        return;
    }
    if (lo == hi) {
        lo -= 1;
        hi += 1;
    }
    axis.min = lo;
    axis.max = hi;
}

} // namespace

ChartGeometry chartGeometry(const ChartModel &model, std::size_t buckets)
{
    ChartGeometry g;
    g.x.log = model.xScale() == ScaleType::Log;
    g.y.log = model.yScale() == ScaleType::Log;
    const PlottingMethod method = model.plottingMethod();
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    for (int s = 0; s < model.subsetCount(); ++s) {
        const std::size_t n = model.drawnPointCount(s);
        if (n == 0)
            continue;
        const ChartSeries &src = model.series(s);
        std::vector<double> xs, ys;
        std::vector<std::size_t> starts{0}; // of the pieces, in xs
        xs.reserve(n);
        ys.reserve(n);
        std::size_t nextBreak = 0;
        for (std::size_t i = 0; i < n; ++i) {
            for (; nextBreak < src.breaks.size() && src.breaks[nextBreak] <= i; ++nextBreak)
                if (!xs.empty() && starts.back() != xs.size())
                    starts.push_back(xs.size());
            const double x = src.x[i], y = src.y[i];
            if (!std::isfinite(x) || !std::isfinite(y) || (g.x.log && x <= 0) ||
                (g.y.log && y <= 0))
                continue;
            xs.push_back(x);
            ys.push_back(y);
        }
        if (starts.size() > 1 && starts.back() == xs.size())
            starts.pop_back();
        SeriesGeometry sg;
        sg.index = s;
        // The fit uses every drawn point, not only the thinned ones.
        sg.fit = xs.empty() ? std::nullopt : fitSeries(method, xs, ys);
        sg.pieces.clear();
        for (std::size_t p = 0; p < starts.size(); ++p) {
            const std::size_t lo = starts[p];
            const std::size_t hi = p + 1 < starts.size() ? starts[p + 1] : xs.size();
            // Each piece gets its share of the plot's columns.
            const std::size_t share =
                xs.empty() ? buckets : std::max<std::size_t>(1, buckets * (hi - lo) / xs.size());
            const std::vector<double> piece(ys.begin() + static_cast<std::ptrdiff_t>(lo),
                                            ys.begin() + static_cast<std::ptrdiff_t>(hi));
            sg.pieces.push_back(sg.x.size());
            for (std::size_t k : decimateMinMax(piece, share)) {
                const std::size_t i = lo + k;
                minX = std::min(minX, xs[i]);
                maxX = std::max(maxX, xs[i]);
                minY = std::min(minY, ys[i]);
                maxY = std::max(maxY, ys[i]);
                sg.x.push_back(plot(g.x.log, xs[i]));
                sg.y.push_back(plot(g.y.log, ys[i]));
            }
        }
        if (sg.fit) {
            const double lo = *std::min_element(xs.begin(), xs.end());
            const double hi = *std::max_element(xs.begin(), xs.end());
            for (int i = 0; i <= 100; ++i) {
                const double x = lo + (hi - lo) * i / 100.0;
                const double y = sg.fit->at(x);
                if ((g.x.log && x <= 0) || (g.y.log && y <= 0) || !std::isfinite(y))
                    continue;
                sg.fitX.push_back(plot(g.x.log, x));
                sg.fitY.push_back(plot(g.y.log, y));
            }
        }
        g.series.push_back(std::move(sg));
    }
    finishAxis(g.x, minX, maxX);
    finishAxis(g.y, minY, maxY);
    return g;
}

} // namespace viscora
