#include "rheology/Models.h"

#include "core/CurveFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace viscora::rheology {

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();

// The argument in [lo, hi] where f is least: the best of `steps` equal steps, then golden
// section between that step's neighbours. Non-finite values of f count as worst.
template <class F> double minimiseOn(F f, double lo, double hi, int steps)
{
    auto value = [&](double x) {
        const double v = f(x);
        return std::isfinite(v) ? v : kInf;
    };
    const double h = (hi - lo) / steps;
    int best = 0;
    double fBest = kInf;
    for (int i = 0; i <= steps; ++i) {
        const double v = value(lo + i * h);
        if (v < fBest) {
            fBest = v;
            best = i;
        }
    }
    double a = lo + std::max(0, best - 1) * h, b = lo + std::min(steps, best + 1) * h;
    const double g = (std::sqrt(5.0) - 1) / 2;
    double c = b - g * (b - a), d = a + g * (b - a);
    double fc = value(c), fd = value(d);
    for (int it = 0; it < 200 && b - a > 1e-13 * (1 + std::abs(a) + std::abs(b)); ++it) {
        if (fc < fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - g * (b - a);
            fc = value(c);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + g * (b - a);
            fd = value(d);
        }
    }
    const double mid = (a + b) / 2;
    return value(mid) <= fBest ? mid : lo + best * h;
}

double sse(const std::vector<double> &x, const std::vector<double> &y, double a, double b)
{
    double s = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        const double r = y[i] - a - b * x[i];
        s += r * r;
    }
    return s;
}

struct Line {
    double a = 0, b = 0, sse = kInf;
};

// y = a + b x by least squares with a in [0, aMax] and b >= 0. The problem is convex, so
// its answer is the free one when that lies in the box, else the best edge answer.
Line boxedLine(const std::vector<double> &x, const std::vector<double> &y, double aMax)
{
    double sxy = 0, sxx = 0, sy = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        sxy += x[i] * y[i];
        sxx += x[i] * x[i];
        sy += y[i];
    }
    const double count = static_cast<double>(y.size());
    Line best;
    auto consider = [&](double a, double b) {
        if (!(a >= 0 && a <= aMax && b >= 0))
            return;
        const double s = sse(x, y, a, b);
        if (s < best.sse)
            best = {a, b, s};
    };
    if (auto free = fitLinear(x, y))
        consider(free->a, free->b);
    if (sxx > 0) {
        consider(0, std::max(0.0, sxy / sxx));
        double sx = 0;
        for (double v : x)
            sx += v;
        consider(aMax, std::max(0.0, (sxy - aMax * sx) / sxx));
    }
    consider(std::clamp(sy / count, 0.0, aMax), 0);
    return best;
}

double maxRate(const Samples &s) { return *std::max_element(s.rate.begin(), s.rate.end()); }

// tau = tau_y + K gamma^n with tau_y in [0, tauYMax]: n searched, (tau_y, K) solved. Rates
// are taken relative to the largest so that gamma^n stays near 1 whatever n is.
std::optional<Params> fitYieldPower(const Samples &s, double tauYMax)
{
    if (s.rate.empty())
        return std::nullopt;
    const double ref = maxRate(s);
    std::vector<double> x(s.rate.size());
    auto at = [&](double n) {
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = std::pow(s.rate[i] / ref, n);
        return boxedLine(x, s.stress, tauYMax);
    };
    const double n = minimiseOn([&](double v) { return at(v).sse; }, 0.01, 3.0, 299);
    const Line l = at(n);
    if (!std::isfinite(l.sse))
        return std::nullopt;
    return Params{l.a, l.b / std::pow(ref, n), n};
}

std::optional<Params> fitNewtonian(const Samples &s)
{
    double sxy = 0, sxx = 0;
    for (std::size_t i = 0; i < s.rate.size(); ++i) {
        sxy += s.rate[i] * s.stress[i];
        sxx += s.rate[i] * s.rate[i];
    }
    if (!(sxx > 0))
        return std::nullopt;
    return Params{sxy / sxx};
}

std::optional<Params> fitBingham(const Samples &s)
{
    const auto line = fitLinear(s.rate, s.stress);
    if (!line)
        return std::nullopt;
    return Params{line->a, line->b};
}

std::optional<Params> fitPowerLaw(const Samples &s)
{
    auto p = fitYieldPower(s, 0);
    if (!p)
        return std::nullopt;
    return Params{(*p)[1], (*p)[2]};
}

std::optional<Params> fitHerschelBulkley(const Samples &s)
{
    if (s.stress.empty())
        return std::nullopt;
    const double lowest = *std::min_element(s.stress.begin(), s.stress.end());
    return fitYieldPower(s, std::max(0.0, lowest));
}

// tau = B (t + sqrt(gamma))^2; with roots of rates taken relative to the largest, t = u/(1-u)
// maps u in [0, 0.999] onto t from 0 (Newtonian) to nearly constant stress.
std::optional<Params> fitCasson(const Samples &s)
{
    if (s.rate.empty())
        return std::nullopt;
    const double ref = std::sqrt(maxRate(s));
    std::vector<double> w(s.rate.size());
    auto at = [&](double u) {
        const double t = u / (1 - u);
        double swy = 0, sww = 0;
        for (std::size_t i = 0; i < w.size(); ++i) {
            const double root = t + std::sqrt(s.rate[i]) / ref;
            w[i] = root * root;
            swy += w[i] * s.stress[i];
            sww += w[i] * w[i];
        }
        const double b = sww > 0 ? std::max(0.0, swy / sww) : 0;
        return std::pair{b, sse(w, s.stress, 0, b)};
    };
    const double u = minimiseOn([&](double v) { return at(v).second; }, 0, 0.999, 999);
    const auto [b, residual] = at(u);
    if (!std::isfinite(residual))
        return std::nullopt;
    const double t = u / (1 - u);
    return Params{b * t * t, b / (ref * ref)};
}

constexpr std::array<Parameter, 1> kNewtonian{{{"mu", Quantity::Viscosity, "μ"}}};
constexpr std::array<Parameter, 2> kBingham{
    {{"tau0", Quantity::Stress, "τ0"}, {"mu_p", Quantity::Viscosity, "μp"}}};
constexpr std::array<Parameter, 2> kPowerLaw{
    {{"K", Quantity::Consistency, "K"}, {"n", Quantity::Index, "n"}}};
constexpr std::array<Parameter, 3> kHerschelBulkley{{{"tau_y", Quantity::Stress, "τy"},
                                                     {"K", Quantity::Consistency, "K"},
                                                     {"n", Quantity::Index, "n"}}};
constexpr std::array<Parameter, 2> kCasson{
    {{"tau0", Quantity::Stress, "τ0"}, {"mu_inf", Quantity::Viscosity, "μ∞"}}};

const std::array<Model, 5> kModels{{
    {"newtonian", "Newtonian", kNewtonian, fitNewtonian,
     [](const Params &p, double rate) { return p[0] * rate; }},
    {"bingham", "Bingham", kBingham, fitBingham,
     [](const Params &p, double rate) { return p[0] + p[1] * rate; }},
    {"power_law", "Power law", kPowerLaw, fitPowerLaw,
     [](const Params &p, double rate) { return p[0] * std::pow(rate, p[1]); }},
    {"herschel_bulkley", "Herschel-Bulkley", kHerschelBulkley, fitHerschelBulkley,
     [](const Params &p, double rate) { return p[0] + p[1] * std::pow(rate, p[2]); }},
    {"casson", "Casson", kCasson, fitCasson,
     [](const Params &p, double rate) {
         const double root = std::sqrt(p[0]) + std::sqrt(p[1] * rate);
         return root * root;
     }},
}};
} // namespace

std::span<const Model> modelTable() { return kModels; }

const Model *modelByKey(const std::string &key)
{
    for (const auto &m : kModels)
        if (key == m.key)
            return &m;
    return nullptr;
}

double toDisplay(Quantity q, double stored, Units units)
{
    switch (q) {
    case Quantity::Stress:
    case Quantity::Consistency:
        return units == Units::EI ? stored * formula::kStressToEI : stored;
    case Quantity::Viscosity:
        return stored * 100; // poise to cP
    case Quantity::Index:
        break;
    }
    return stored;
}

const char *unitText(Quantity q, Units units)
{
    const bool ei = units == Units::EI;
    switch (q) {
    case Quantity::Stress:
        return ei ? "lb/100ft2" : "dyn/cm2";
    case Quantity::Consistency:
        return ei ? "lb.s^n/100ft2" : "dyn.s^n/cm2";
    case Quantity::Viscosity:
        return "cP";
    case Quantity::Index:
        break;
    }
    return "";
}

} // namespace viscora::rheology
