#include "core/CurveFit.h"

#include <algorithm>
#include <cmath>

namespace viscora {

namespace {
std::optional<LinearFit> leastSquares(const std::vector<double> &x, const std::vector<double> &y)
{
    const std::size_t n = std::min(x.size(), y.size());
    if (n < 2)
        return std::nullopt;
    double sx = 0, sy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sx += x[i];
        sy += y[i];
    }
    const double mx = sx / static_cast<double>(n), my = sy / static_cast<double>(n);
    double sxx = 0, sxy = 0, syy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = x[i] - mx, dy = y[i] - my;
        sxx += dx * dx;
        sxy += dx * dy;
        syy += dy * dy;
    }
    if (sxx == 0)
        return std::nullopt;
    LinearFit f;
    f.b = sxy / sxx;
    f.a = my - f.b * mx;
    f.r2 = syy == 0 ? 1.0 : (sxy * sxy) / (sxx * syy);
    return f;
}
} // namespace

std::optional<LinearFit> fitLinear(const std::vector<double> &x, const std::vector<double> &y)
{
    return leastSquares(x, y);
}

std::optional<PowerFit> fitPower(const std::vector<double> &x, const std::vector<double> &y)
{
    std::vector<double> lx, ly;
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i)
        if (x[i] > 0 && y[i] > 0) {
            lx.push_back(std::log(x[i]));
            ly.push_back(std::log(y[i]));
        }
    auto line = leastSquares(lx, ly);
    if (!line)
        return std::nullopt;
    return PowerFit{std::exp(line->a), line->b, line->r2};
}

std::vector<std::size_t> decimateMinMax(const std::vector<double> &y, std::size_t buckets)
{
    const std::size_t n = y.size();
    std::vector<std::size_t> out;
    if (buckets == 0 || n <= 4 * buckets) {
        out.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            out[i] = i;
        return out;
    }
    out.reserve(4 * buckets);
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t lo = b * n / buckets, hi = (b + 1) * n / buckets;
        if (lo >= hi)
            continue;
        std::size_t mn = lo, mx = lo;
        for (std::size_t i = lo + 1; i < hi; ++i) {
            if (y[i] < y[mn])
                mn = i;
            if (y[i] > y[mx])
                mx = i;
        }
        std::size_t picks[4] = {lo, mn, mx, hi - 1};
        std::sort(std::begin(picks), std::end(picks));
        for (std::size_t p : picks)
            if (out.empty() || out.back() != p)
                out.push_back(p);
    }
    return out;
}

} // namespace viscora
