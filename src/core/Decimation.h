#pragma once
// Min/max decimation to a plot's pixel columns: a long series drawn as the first, lowest,
// highest and last point of each column looks the same as all of it, and costs one pass.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace viscora {

// Indices, ascending, of the points of a series with ascending x (x(i), y(i) for i < n) to
// draw between x0 and x1 on `columns` pixel columns: in each column its first, lowest, highest
// and last point; and the nearest point beyond each end, so the line reaches the plot's edges.
// Non-finite y values are never picked as extremes but keep their place in the line.
template <class X, class Y>
std::vector<std::size_t> decimateColumns(std::size_t n, X x, Y y, double x0, double x1,
                                         std::size_t columns)
{
    std::vector<std::size_t> out;
    if (n == 0 || columns == 0 || !(x0 <= x1))
        return out;
    // The first point at or after x0, and the first after x1.
    std::size_t first = 0;
    for (std::size_t count = n; count > 0;) {
        const std::size_t half = count / 2;
        if (x(first + half) < x0) {
            first += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    std::size_t hi = first;
    for (std::size_t count = n - first; count > 0;) {
        const std::size_t half = count / 2;
        if (!(x1 < x(hi + half))) {
            hi += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    out.reserve(4 * columns + 2);
    if (first > 0)
        out.push_back(first - 1);
    const double span = x1 > x0 ? x1 - x0 : 1.0;
    const auto columnOf = [&](double v) {
        return static_cast<std::size_t>(std::min(static_cast<double>(columns - 1),
                                                 (v - x0) / span * static_cast<double>(columns)));
    };
    std::size_t i = first;
    while (i < hi) {
        const std::size_t column = columnOf(x(i));
        const std::size_t start = i;
        std::size_t mn = i, mx = i, last = i;
        for (++i; i < hi; ++i) {
            if (columnOf(x(i)) != column)
                break;
            last = i;
            const double v = y(i);
            if (v < y(mn) || !(y(mn) == y(mn)))
                mn = i;
            if (v > y(mx) || !(y(mx) == y(mx)))
                mx = i;
        }
        std::size_t picks[4] = {start, mn, mx, last};
        std::sort(std::begin(picks), std::end(picks));
        for (std::size_t p : picks)
            if (out.empty() || out.back() < p)
                out.push_back(p);
    }
    if (hi < n)
        out.push_back(hi);
    return out;
}

// The same over vectors.
inline std::vector<std::size_t> decimateColumns(const std::vector<double> &x,
                                                const std::vector<double> &y, double x0, double x1,
                                                std::size_t columns)
{
    return decimateColumns(
        std::min(x.size(), y.size()), [&](std::size_t i) { return x[i]; },
        [&](std::size_t i) { return y[i]; }, x0, x1, columns);
}

} // namespace viscora
