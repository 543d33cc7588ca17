#pragma once
// Least-squares fits for the best-fit plotting methods, and min/max thinning of long series
// so that drawing costs what the screen can show, not what the test holds.

#include <cstddef>
#include <optional>
#include <vector>

namespace viscora {

// y = a + b x
struct LinearFit {
    double a = 0, b = 0, r2 = 0;
};
// y = K x^n, fitted as a straight line through (ln x, ln y); r2 is that line's.
struct PowerFit {
    double k = 0, n = 0, r2 = 0;
};

std::optional<LinearFit> fitLinear(const std::vector<double> &x, const std::vector<double> &y);
// Points with x <= 0 or y <= 0 have no logarithm and are left out.
std::optional<PowerFit> fitPower(const std::vector<double> &x, const std::vector<double> &y);

// Indices of the points to draw: all of them when there are at most 4 x buckets, else the
// first, last, minimum and maximum of each of `buckets` equal runs, in ascending order.
std::vector<std::size_t> decimateMinMax(const std::vector<double> &y, std::size_t buckets);

} // namespace viscora
