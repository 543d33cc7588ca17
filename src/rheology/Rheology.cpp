#include "rheology/Rheology.h"

#include "core/Module1.h"
#include "core/VbFormat.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>

namespace viscora::rheology {

namespace {
constexpr double kWindow = 30;        // s: a step's reading is the mean of its last 30 s
constexpr double kCurveSpread = 2;    // degF: the temperatures of one flow curve
constexpr double kSpeedTolerance = 1; // rpm: a reading "at 600 rpm"
constexpr double kZeroSpeed = 0.005;  // rpm: below half the instrument's 0.01 rpm step
constexpr double kYieldToSI = 4.788;  // lb/100ft2 -> dyn/cm2, for YP and LSYP
constexpr double kAiccMargin = 2;     // AICc differences below this are a tie
constexpr double kExactFraction = 1e-6;
// No stored value comes near this; beyond it (or not a number) a point cannot be read, and
// below it every sum and product here stays finite.
constexpr double kLimit = 1e9;

bool usable(double v) { return std::isfinite(v) && std::abs(v) <= kLimit; }

bool usable(const Point &p)
{
    return usable(p.time) && usable(p.temperature) && usable(p.speed) && p.speed >= 0 &&
           usable(p.stress);
}

bool usableFactor(double f) { return std::isfinite(f) && f >= 1e-6 && f <= 1e6; }

Value valueOf(double v)
{
    if (std::isfinite(v))
        return {v, {}};
    return {std::nullopt, "The value is out of range."};
}

Value missing(std::string reason) { return {std::nullopt, std::move(reason)}; }

// The value computed from `needs`, or the reason of the first one that is missing.
Value from(std::initializer_list<const Value *> needs, const std::function<double()> &compute)
{
    for (const Value *v : needs)
        if (!v->value)
            return missing(v->reason);
    return valueOf(compute());
}

struct Step {
    Reading reading;
    double gel = 0; // largest gel of the step, dyn/cm2; 0 when none
};

Step readStep(std::span<const Point> points, const Geometry &g, Units units)
{
    const double last = points.back().time;
    double speed = 0, stress = 0, temperature = 0, gel = 0;
    int count = 0;
    for (const Point &p : points) {
        if (std::isfinite(p.gel) && p.gel > gel)
            gel = p.gel;
        if (p.time > last - kWindow) {
            speed += p.speed;
            stress += p.stress;
            temperature += p.temperature;
            ++count;
        }
    }
    const double n = count;
    Reading r;
    r.step = points.front().step;
    r.points = count;
    r.rpm = speed / n;
    r.storedStress = stress / n;
    r.storedTemperature = temperature / n;
    r.fitted = r.rpm >= kZeroSpeed;
    r.shearRate = g.custom ? formula::shearRateCustom(r.rpm, g.customFactor)
                           : formula::shearRateMain(r.rpm, factorValue(g.shearFactor));
    r.dial = formula::dialReading(r.storedStress, g.custom ? 1.0 : factorValue(g.fannFactor));
    r.stress = toDisplay(Quantity::Stress, r.storedStress, units);
    r.temperature = units == Units::SI ? formula::fahrenheitToCelsius(r.storedTemperature)
                                       : r.storedTemperature;
    return {r, gel};
}

// The readings of each step, in step order.
std::vector<Step> readSteps(std::vector<Point> &points, const Geometry &g, Units units)
{
    std::stable_sort(points.begin(), points.end(), [](const Point &a, const Point &b) {
        return a.step != b.step ? a.step < b.step : a.time < b.time;
    });
    std::vector<Step> steps;
    for (auto begin = points.begin(); begin != points.end();) {
        auto end = std::find_if(begin, points.end(),
                                [&](const Point &p) { return p.step != begin->step; });
        steps.push_back(readStep(
            std::span<const Point>(&*begin, static_cast<std::size_t>(end - begin)), g, units));
        begin = end;
    }
    return steps;
}

std::string rpmText(double rpm) { return formatMask(rpm, "0"); }

// The dial reading at a standard speed; the later reading when there are two.
Value theta(const FlowCurve &c, double rpm)
{
    const Reading *found = nullptr;
    for (const Reading &r : c.readings)
        if (std::abs(r.rpm - rpm) <= kSpeedTolerance)
            found = &r;
    if (!found)
        return missing("No reading at " + rpmText(rpm) + " rpm.");
    return {found->dial, {}};
}

// A dial reading whose logarithm is taken.
Value positive(const Value &theta, double rpm)
{
    if (theta.value && *theta.value <= 0)
        return missing("The " + rpmText(rpm) + " rpm reading is not positive.");
    return theta;
}

// The field formulas as drilling-fluid practice writes them, rounded constants included (511
// and 170.2 are the shear rates of 300 and 100 rpm, 510 turns degrees into eq. cP).
FieldValues fieldValues(const FlowCurve &c, Units units)
{
    const Value t600 = theta(c, 600), t300 = theta(c, 300), t100 = theta(c, 100), t6 = theta(c, 6),
                t3 = theta(c, 3);
    const Value p600 = positive(t600, 600), p300 = positive(t300, 300), p100 = positive(t100, 100),
                p3 = positive(t3, 3);
    const double yield = units == Units::SI ? kYieldToSI : 1;
    auto v = [](const Value &x) { return *x.value; };
    FieldValues f;
    f.AV = from({&t600}, [&] { return v(t600) / 2; });
    f.PV = from({&t600, &t300}, [&] { return v(t600) - v(t300); });
    f.YP = from({&t300, &f.PV}, [&] { return (v(t300) - v(f.PV)) * yield; });
    f.LSYP = from({&t3, &t6}, [&] { return (2 * v(t3) - v(t6)) * yield; });
    f.n = from({&p600, &p300}, [&] { return 3.32 * std::log10(v(t600) / v(t300)); });
    f.K = from({&f.n, &t300}, [&] { return 510 * v(t300) / std::pow(511, v(f.n)); });
    f.na = from({&p100, &p3}, [&] { return 0.657 * std::log10(v(t100) / v(t3)); });
    f.Ka = from({&f.na, &t100},
                [&] { return formula::kDialDivisor * v(t100) / std::pow(170.2, v(f.na)); });
    return f;
}

int distinctRates(std::vector<double> rates)
{
    std::sort(rates.begin(), rates.end());
    int count = 0;
    for (std::size_t i = 0; i < rates.size(); ++i)
        if (i == 0 || rates[i] - rates[i - 1] > 1e-9 * rates[i])
            ++count;
    return count;
}

std::string plural(int n, const char *one, const char *many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

ModelFit leftOut(ModelFit m, std::string reason)
{
    m.values.clear();
    m.rms = 0;
    m.reason = reason;
    m.r2 = m.aicc = missing(std::move(reason));
    return m;
}

ModelFit fitModel(const Model &model, const Samples &s, int distinct, Units units)
{
    ModelFit m;
    m.model = &model;
    const int p = static_cast<int>(model.parameters.size());
    const int count = static_cast<int>(s.rate.size());
    if (count < p + 1)
        return leftOut(m, "Needs at least " + plural(p + 1, "reading", "readings") +
                              " above 0 rpm; the curve has " + std::to_string(count) + ".");
    if (distinct < p)
        return leftOut(m, "Needs readings at " + plural(p, "speed", "different speeds") +
                              "; the curve has " + std::to_string(distinct) + ".");
    auto params = model.fit(s);
    double sse = 0, sum = 0, largest = 0;
    for (std::size_t i = 0; params && i < s.rate.size(); ++i) {
        const double r = s.stress[i] - model.stress(*params, s.rate[i]);
        sse += r * r;
        sum += s.stress[i];
        largest = std::max(largest, std::abs(s.stress[i]));
    }
    if (params) {
        for (std::size_t i = 0; i < params->size(); ++i)
            m.values.push_back(toDisplay(model.parameters[i].quantity, (*params)[i], units));
    }
    m.rms = toDisplay(Quantity::Stress, std::sqrt(sse / count), units);
    const bool finite =
        std::all_of(m.values.begin(), m.values.end(), [](double x) { return std::isfinite(x); });
    if (!params || !finite || !std::isfinite(sse) || !std::isfinite(m.rms))
        return leftOut(m, "No fit could be made.");
    m.fitted = true;
    m.stored = *params;
    const double mean = sum / count;
    double sst = 0;
    for (double t : s.stress)
        sst += (t - mean) * (t - mean);
    m.r2 = sst > 0 ? valueOf(1 - sse / sst) : missing("All stresses are equal.");
    if (count - p - 1 <= 0) {
        m.aicc = missing("Too few readings to score the model.");
        return m;
    }
    const double exact = std::max(kExactFraction * largest, 1e-12);
    const double floored = std::max(sse, count * exact * exact);
    m.aicc =
        valueOf(count * std::log(floored / count) + 2.0 * p + 2.0 * p * (p + 1) / (count - p - 1));
    return m;
}

void analyseCurve(FlowCurve &c, const std::vector<double> &stepGels, Units units)
{
    double temperature = 0;
    Samples s;
    for (std::size_t i = 0; i < c.readings.size(); ++i) {
        const Reading &r = c.readings[i];
        temperature += r.temperature;
        if (r.fitted) {
            s.rate.push_back(r.shearRate);
            s.stress.push_back(r.storedStress);
        }
        if (stepGels[i] > 0)
            c.gels.push_back({r.step, toDisplay(Quantity::Stress, stepGels[i], units)});
    }
    c.temperature = temperature / static_cast<double>(c.readings.size());
    c.field = fieldValues(c, units);
    const int distinct = distinctRates(s.rate);
    for (const Model &model : modelTable())
        c.models.push_back(fitModel(model, s, distinct, units));
    const Recommendation r = recommend(c.models);
    c.recommended = r.model;
    c.recommendedReason = r.reason;
}
} // namespace

Geometry geometryOf(const Module1 &m)
{
    Geometry g;
    g.custom = m.CustomRb;
    g.shearFactor = m.RbShearFactor;
    g.fannFactor = m.CustomRb ? 1.0f : m.RbFannFactor;
    g.customFactor = m.CustomRbFactor;
    return g;
}

const std::vector<Field> &fieldTable()
{
    static const std::vector<Field> table{
        {"AV", &FieldValues::AV, "cP", "cP", "Apparent viscosity"},
        {"PV", &FieldValues::PV, "cP", "cP", "Plastic viscosity"},
        {"YP", &FieldValues::YP, "lb/100ft2", "dyn/cm2", "Yield point"},
        {"LSYP", &FieldValues::LSYP, "lb/100ft2", "dyn/cm2", "Low-shear yield point"},
        {"n", &FieldValues::n, "", "", "Flow-behaviour index"},
        {"K", &FieldValues::K, "eq. cP", "eq. cP", "Consistency index"},
        {"na", &FieldValues::na, "", "", "Annular flow-behaviour index"},
        {"Ka", &FieldValues::Ka, "dyn.s^n/cm2", "dyn.s^n/cm2", "Annular consistency index"},
    };
    return table;
}

Analysis analyse(std::vector<Point> points, const Geometry &geometry, Units units)
{
    Analysis a;
    a.units = units;
    if (points.empty()) {
        a.reason = "The test has no points.";
        return a;
    }
    const bool factorsUsable = geometry.custom ? usableFactor(geometry.customFactor)
                                               : usableFactor(factorValue(geometry.shearFactor)) &&
                                                     usableFactor(factorValue(geometry.fannFactor));
    if (!factorsUsable) {
        a.reason = "The rotor-bob factors cannot be used.";
        return a;
    }
    const auto readable = std::stable_partition(points.begin(), points.end(),
                                                [](const Point &p) { return usable(p); });
    a.skippedPoints = static_cast<int>(points.end() - readable);
    points.erase(readable, points.end());
    if (points.empty()) {
        a.reason = "The test has no readable points.";
        return a;
    }
    const std::vector<Step> steps = readSteps(points, geometry, units);
    std::vector<std::vector<double>> gels;
    double low = 0, high = 0;
    for (const Step &s : steps) {
        const double t = s.reading.storedTemperature;
        if (a.curves.empty() || std::max(high, t) - std::min(low, t) > kCurveSpread + 1e-9) {
            a.curves.emplace_back();
            gels.emplace_back();
            low = high = t;
        }
        low = std::min(low, t);
        high = std::max(high, t);
        a.curves.back().readings.push_back(s.reading);
        gels.back().push_back(s.gel);
    }
    for (std::size_t i = 0; i < a.curves.size(); ++i)
        analyseCurve(a.curves[i], gels[i], units);
    return a;
}

Recommendation recommend(const std::vector<ModelFit> &models)
{
    std::vector<const ModelFit *> scored;
    for (const ModelFit &m : models)
        if (m.aicc.value)
            scored.push_back(&m);
    if (scored.size() < 2)
        return {nullptr, "Too few readings to compare models."};
    double lowest = *scored.front()->aicc.value;
    for (const ModelFit *m : scored)
        lowest = std::min(lowest, *m->aicc.value);
    const ModelFit *best = nullptr;
    for (const ModelFit *m : scored) {
        if (*m->aicc.value > lowest + kAiccMargin)
            continue;
        const auto size = m->model->parameters.size();
        if (!best || size < best->model->parameters.size() ||
            (size == best->model->parameters.size() && *m->aicc.value < *best->aicc.value))
            best = m;
    }
    return {best->model, {}};
}

std::optional<double> modelStress(const ModelFit &fit, double shearRate, Units units)
{
    if (!fit.fitted || !std::isfinite(shearRate) || shearRate < 0)
        return std::nullopt;
    const double v = toDisplay(Quantity::Stress, fit.model->stress(fit.stored, shearRate), units);
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace viscora::rheology
