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

namespace {

// Mantissas of a logarithmic axis's ticks, sparsest first; each set holds the one before.
const std::vector<double> kMantissaSets[] = {
    {1}, {1, 2, 5}, {1, 2, 3, 5}, {1, 2, 3, 4, 5, 6, 7, 8, 9},
    {1, 1.2, 1.4, 1.6, 1.8, 2, 2.5, 3, 3.5, 4, 4.5, 5, 6, 7, 8, 9}};
// Labels enough to read an axis by, when they fit.
constexpr std::size_t kEnoughTicks = 5;

// A little room beyond the outermost points, so that none sits on the frame, in decades.
double padDecades(double span) { return std::max(0.03 * span, 0.01); }

// The least distance between neighbouring ticks, in decades.
double leastGap(const std::vector<double> &ticks)
{
    double gap = HUGE_VAL;
    for (std::size_t i = 1; i < ticks.size(); ++i)
        gap = std::min(gap, std::log10(ticks[i] / ticks[i - 1]));
    return gap;
}

// The ticks of a set in [lo, hi], every `step`-th power of ten when there are only those.
std::vector<double> ticksWithin(const std::vector<double> &mantissas, int step, double lo,
                                double hi)
{
    std::vector<double> ticks;
    const int first = static_cast<int>(std::floor(std::log10(lo)));
    const int last = static_cast<int>(std::ceil(std::log10(hi)));
    for (int e = first; e <= last; ++e) {
        if (e % step != 0)
            continue;
        for (double m : mantissas) {
            const double v = m * std::pow(10.0, e);
            if (v >= lo * (1 - 1e-12) && v <= hi * (1 + 1e-12))
                ticks.push_back(v);
        }
    }
    return ticks;
}

// The set's tick at or below v, and at or above it.
double tickBelow(const std::vector<double> &mantissas, int step, double v)
{
    for (int e = static_cast<int>(std::floor(std::log10(v))) + 1;; --e) {
        if (e % step != 0)
            continue;
        for (auto m = mantissas.rbegin(); m != mantissas.rend(); ++m)
            if (*m * std::pow(10.0, e) <= v * (1 + 1e-12))
                return *m * std::pow(10.0, e);
    }
}
double tickAbove(const std::vector<double> &mantissas, int step, double v)
{
    for (int e = static_cast<int>(std::floor(std::log10(v))) - 1;; ++e) {
        if (e % step != 0)
            continue;
        for (double m : mantissas)
            if (m * std::pow(10.0, e) >= v * (1 - 1e-12))
                return m * std::pow(10.0, e);
    }
}

} // namespace

LogAxis logAxis(double lo, double hi, double minGap)
{
    LogAxis axis;
    if (!(lo > 0) || !(hi >= lo) || !std::isfinite(hi))
        return axis;
    if (lo == hi) {
        lo /= 2;
        hi *= 2;
    }
    const double pad = std::pow(10.0, padDecades(std::log10(hi / lo)));
    axis.lo = lo / pad;
    axis.hi = hi * pad;
    // The sparsest set with labels enough, unless a denser one would crowd them.
    bool fits = false;
    for (const auto &set : kMantissaSets) {
        const std::vector<double> ticks = ticksWithin(set, 1, axis.lo, axis.hi);
        if (minGap > 0 && leastGap(ticks) < minGap)
            break;
        fits = true;
        axis.ticks = ticks;
        if (ticks.size() >= kEnoughTicks)
            break;
    }
    int step = 1;
    if (!fits) { // even the powers of ten crowd: every few of them
        step = static_cast<int>(std::ceil(minGap));
        axis.ticks = ticksWithin(kMantissaSets[0], step, axis.lo, axis.hi);
    }
    // A span between two ticks is widened to them: an axis needs two labels to be read. The
    // densest set that keeps them apart widens it least.
    if (axis.ticks.size() < 2) {
        const double padLo = axis.lo, padHi = axis.hi;
        for (auto set = std::rbegin(kMantissaSets); set != std::rend(kMantissaSets); ++set) {
            const int by = &*set == &kMantissaSets[0] ? step : 1;
            axis.lo = std::min(padLo, tickBelow(*set, by, lo));
            axis.hi = std::max(padHi, tickAbove(*set, by, hi));
            axis.ticks = ticksWithin(*set, by, axis.lo, axis.hi);
            if (!(minGap > 0 && leastGap(axis.ticks) < minGap))
                break;
        }
    }
    return axis;
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

void finishAxis(AxisGeometry &axis, double lo, double hi, const AxisRoom &room)
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
        // The labels' least distance, in decades of this axis.
        const double data = std::log10(hi / lo);
        const double span = data + 2 * padDecades(data);
        const double minGap = room.length > 0 ? room.labelGap / room.length * span : 0;
        const LogAxis log = logAxis(lo, hi, minGap);
        axis.min = std::log10(log.lo);
        axis.max = std::log10(log.hi);
        for (double t : log.ticks)
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

ChartGeometry chartGeometry(const ChartModel &model, std::size_t buckets, AxisRoom xRoom,
                            AxisRoom yRoom)
{
    ChartGeometry g;
    g.x.log = model.xScale() == ScaleType::Log;
    g.y.log = model.yScale() == ScaleType::Log;
    const PlottingMethod method = model.plottingMethod();
    const bool fitting =
        method == PlottingMethod::BestFitLinear || method == PlottingMethod::BestFitPower;
    const bool showRests = model.showsRests();
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    for (int s = 0; s < model.subsetCount(); ++s) {
        const std::size_t n = model.drawnPointCount(s);
        if (n == 0)
            continue;
        const ChartSeries &src = model.series(s);
        std::vector<double> xs, ys;
        std::vector<std::size_t> from;      // the model's point of each
        std::vector<std::size_t> starts{0}; // of the pieces, in xs
        xs.reserve(n);
        ys.reserve(n);
        // Without rest points the fit takes the drawn points themselves.
        const bool fitOwn = fitting && !src.rests.empty();
        std::vector<double> fitXs, fitYs;
        std::size_t nextBreak = 0, nextRest = 0;
        for (std::size_t i = 0; i < n; ++i) {
            for (; nextBreak < src.breaks.size() && src.breaks[nextBreak] <= i; ++nextBreak)
                if (!xs.empty() && starts.back() != xs.size())
                    starts.push_back(xs.size());
            while (nextRest < src.rests.size() && src.rests[nextRest] < i)
                ++nextRest;
            const bool rest = nextRest < src.rests.size() && src.rests[nextRest] == i;
            const double x = src.x[i], y = src.y[i];
            if (!std::isfinite(x) || !std::isfinite(y) || (g.x.log && x <= 0) ||
                (g.y.log && y <= 0) || (rest && !showRests))
                continue;
            xs.push_back(x);
            ys.push_back(y);
            from.push_back(i);
            if (fitOwn && !rest) {
                fitXs.push_back(x);
                fitYs.push_back(y);
            }
        }
        if (starts.size() > 1 && starts.back() == xs.size())
            starts.pop_back();
        SeriesGeometry sg;
        sg.index = s;
        // The fit uses every drawn point but the rest points, not only the thinned ones.
        if (fitOwn)
            sg.fit = fitXs.empty() ? std::nullopt : fitSeries(method, fitXs, fitYs);
        else
            sg.fit = xs.empty() ? std::nullopt : fitSeries(method, xs, ys);
        sg.pieces.clear();
        for (std::size_t p = 0; p < starts.size(); ++p) {
            const std::size_t lo = starts[p];
            const std::size_t hi = p + 1 < starts.size() ? starts[p + 1] : xs.size();
            // Each piece gets its share of the plot's columns.
            const std::size_t share =
                xs.empty() || buckets == 0
                    ? buckets
                    : std::max<std::size_t>(1, buckets * (hi - lo) / xs.size());
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
                sg.source.push_back(from[i]);
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
    finishAxis(g.x, minX, maxX, xRoom);
    finishAxis(g.y, minY, maxY, yRoom);
    return g;
}

} // namespace viscora
