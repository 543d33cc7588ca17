#include "rheology/Rheology.h"

#include "core/VbFormat.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>

namespace viscora::rheology {

namespace {
constexpr double kWindow = 30;          // s: a step's reading is the mean of its last 30 s
constexpr double kCurveSpread = 2;      // degF: a ramp's temperatures, beyond which it is warned
constexpr double kRateTolerance = 0.01; // a reading "at 511 1/s"
constexpr double kSameSpeed = 0.005;    // two readings at one speed
constexpr double kAiccMargin = 2;       // AICc differences below this are a tie
constexpr double kExactFraction = 1e-6;
constexpr double kLeastR2 = 0.9;        // below it no model is recommended
constexpr double kUpDownSpread = 0.10;  // up and down readings further apart are warned
constexpr double kDriftFraction = 0.02; // a reading still drifting: of its mean ...
constexpr double kDriftDial = 0.5;      // ... or in dial degrees, whichever is larger
// The top of the instrument's range in dyn/cm2 with R1-B1 (the grid marks the band above it
// N/A); a bob reading its dial through a factor reaches it at that factor times more.
constexpr double kFullScale = 980;
// No stored value comes near this; beyond it (or not a number) a point cannot be read, and
// below it every sum and product here stays finite.
constexpr double kLimit = 1e9;

struct Standard {
    double rpm;
    double shearRate; // 1/s, as the standards round it
};
constexpr Standard kStandards[] = {{600, 1022}, {300, 511}, {200, 340},
                                   {100, 170},  {6, 10.2},  {3, 5.1}};

bool usable(double v) { return std::isfinite(v) && std::abs(v) <= kLimit; }

bool usable(const Point &p)
{
    return usable(p.time) && usable(p.temperature) && usable(p.speed) && p.speed >= 0 &&
           usable(p.stress);
}

bool usableFactor(double f) { return std::isfinite(f) && f >= 1e-6 && f <= 1e6; }

Value valueOf(double v, std::string note = {})
{
    if (std::isfinite(v))
        return {v, std::move(note)};
    return {std::nullopt, "The value is out of range."};
}

Value missing(std::string reason) { return {std::nullopt, std::move(reason)}; }

// The value computed from `needs`, or the reason of the first one that is missing.
Value from(std::initializer_list<const Value *> needs, const std::function<double()> &compute,
           std::string note = {})
{
    for (const Value *v : needs)
        if (!v->value)
            return missing(v->reason);
    return valueOf(compute(), std::move(note));
}

std::string fixed(double v, const char *mask = "0.0") { return formatMask(v, mask); }
// 599 rpm, 2.5 rpm; 1022 1/s, 10.2 1/s.
std::string rpmText(double rpm) { return shortestText(std::round(rpm * 100) / 100); }
std::string rateText(double rate)
{
    return shortestText(rate < 100 ? std::round(rate * 10) / 10 : std::round(rate));
}

double displayTemperature(double fahrenheit, Units units)
{
    return units == Units::SI ? formula::fahrenheitToCelsius(fahrenheit) : fahrenheit;
}
const char *degrees(Units units) { return units == Units::SI ? "°C" : "°F"; }

struct Step {
    Reading reading;
    double peak = 0;     // the largest stress or gel of the step, dyn/cm2
    double duration = 0; // s: its last point's time
};

// Whether the window's first and last thirds still differ (see the rule in the header).
bool drifting(std::span<const Point> window)
{
    const std::size_t third = window.size() / 3;
    if (third == 0)
        return false;
    auto mean = [](std::span<const Point> ps) {
        double s = 0;
        for (const Point &p : ps)
            s += p.stress;
        return s / static_cast<double>(ps.size());
    };
    const double all = mean(window);
    const double change = mean(window.last(third)) - mean(window.first(third));
    return std::abs(change) >
           std::max(kDriftFraction * std::abs(all), kDriftDial * formula::kDialDivisor);
}

Step readStep(std::span<const Point> points, const Geometry &g, Units units)
{
    const double last = points.back().time;
    double speed = 0, stress = 0, temperature = 0, peak = 0;
    std::size_t first = points.size();
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point &p = points[i];
        peak = std::max(peak, p.stress);
        if (std::isfinite(p.gel) && std::abs(p.gel) <= kLimit)
            peak = std::max(peak, p.gel);
        if (p.time > last - kWindow) {
            first = std::min(first, i);
            speed += p.speed;
            stress += p.stress;
            temperature += p.temperature;
        }
    }
    const auto window = points.subspan(first);
    const double n = static_cast<double>(window.size());
    Reading r;
    r.step = points.front().step;
    r.points = static_cast<int>(window.size());
    r.rpm = speed / n;
    r.storedStress = stress / n;
    r.storedTemperature = temperature / n;
    r.kind = formula::isRestSpeed(r.rpm) ? StepKind::Rest : StepKind::Flow;
    if (r.kind == StepKind::Rest) {
        r.rpm = 0;
    } else {
        r.shearRate = g.custom ? formula::shearRateCustom(r.rpm, g.customFactor)
                               : formula::shearRateMain(r.rpm, factorValue(g.shearFactor));
        r.stable = !drifting(window);
    }
    r.dial = formula::dialReading(r.storedStress, g.custom ? 1.0 : factorValue(g.fannFactor));
    r.stress = toDisplay(Quantity::Stress, r.storedStress, units);
    r.temperature = displayTemperature(r.storedTemperature, units);
    return {r, peak, std::max(0.0, last)};
}

// The readings of each step, in step order.
std::vector<Step> readSteps(std::vector<Point> &points, const Geometry &g, Units units)
{
    const auto order = [](const Point &a, const Point &b) {
        return a.step != b.step ? a.step < b.step : a.time < b.time;
    };
    // Points come in this order from the database; sorting them anyway would take a second
    // copy of a long test.
    if (!std::is_sorted(points.begin(), points.end(), order))
        std::stable_sort(points.begin(), points.end(), order);
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

bool sameRate(double a, double b) { return std::abs(a - b) <= kSameSpeed * std::max(a, b); }

// At most the 6 rpm standard's shear rate: the speed a gel is read at.
bool lowSpeed(const Reading &r)
{
    return r.shearRate <= kStandards[4].shearRate * (1 + kRateTolerance);
}

std::string gelLabel(double rest)
{
    const std::pair<double, const char *> named[] = {
        {10, "10-s gel"}, {600, "10-min gel"}, {1800, "30-min gel"}};
    for (const auto &[seconds, label] : named)
        if (std::abs(rest - seconds) <= std::max(1.0, 0.1 * seconds))
            return label;
    return "gel after " + formatMask(rest, "0") + " s";
}

// Rests and the gels after them; everything else stays a flow reading.
void classify(std::vector<Step> &steps, Units units, std::vector<Gel> &gels)
{
    double rest = 0;
    bool afterRest = false;
    for (Step &s : steps) {
        Reading &r = s.reading;
        if (r.kind == StepKind::Rest) {
            rest = afterRest ? rest + s.duration : s.duration;
            afterRest = true;
            r.why = "Rest (0 rpm).";
            continue;
        }
        if (afterRest && lowSpeed(r)) {
            r.kind = StepKind::Gel;
            const Gel gel{r.step, units == Units::SI ? s.peak : s.peak / formula::kDialDivisor,
                          rest, gelLabel(rest)};
            r.why = "Gel measurement: the " + gel.label + ".";
            gels.push_back(gel);
        }
        afterRest = false;
    }
}

// Which steps go into each flow curve (indices into the steps), see the header for the rule.
std::vector<std::vector<std::size_t>> ramps(const std::vector<Step> &steps)
{
    std::vector<std::vector<std::size_t>> out;
    std::vector<std::size_t> pending; // rests and gels before any ramp
    int direction = 0;
    bool turned = false;
    const Reading *first = nullptr, *previous = nullptr;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Reading &r = steps[i].reading;
        if (r.kind != StepKind::Flow) {
            (out.empty() ? pending : out.back()).push_back(i);
            continue;
        }
        bool fresh = previous == nullptr;
        if (previous) {
            if (sameRate(r.shearRate, previous->shearRate)) {
                fresh = std::abs(r.storedTemperature - previous->storedTemperature) >
                        kCurveSpread + 1e-9;
            } else {
                const int d = r.shearRate > previous->shearRate ? 1 : -1;
                if (direction == 0 || d == direction) {
                    direction = d;
                } else {
                    const bool backToStart =
                        d > 0 ? r.shearRate >= first->shearRate * (1 - kRateTolerance)
                              : r.shearRate <= first->shearRate * (1 + kRateTolerance);
                    fresh = turned || backToStart;
                    turned = true;
                    direction = d;
                }
            }
        }
        if (fresh) {
            out.emplace_back();
            if (out.size() == 1)
                out.back() = std::move(pending);
            direction = 0;
            turned = false;
            first = &r;
        }
        out.back().push_back(i);
        previous = &r;
    }
    if (out.empty() && !pending.empty())
        out.push_back(std::move(pending));
    for (auto &ramp : out)
        std::sort(ramp.begin(), ramp.end());
    return out;
}

std::string stepList(const std::vector<int> &steps)
{
    std::string s;
    for (int step : steps)
        s += (s.empty() ? "" : ", ") + std::to_string(step);
    return s;
}

double fullScaleOf(const Geometry &g)
{
    return kFullScale * (g.custom ? 1.0 : factorValue(g.fannFactor));
}

// Which flow readings count, and the mean of each up-and-down pair.
void chooseReadings(FlowCurve &c, const Geometry &g, Units units)
{
    std::vector<Reading *> flow;
    for (Reading &r : c.readings)
        if (r.kind == StepKind::Flow)
            flow.push_back(&r);
    for (std::size_t i = 0; i < flow.size(); ++i) {
        Reading &r = *flow[i];
        r.used = true;
        if (i + 1 < flow.size() && sameRate(r.shearRate, flow[i + 1]->shearRate)) {
            r.used = false;
            r.why = "Repeated at " + rpmText(r.rpm) + " rpm: the later reading counts.";
        } else if (r.storedStress > fullScaleOf(g)) {
            r.used = false;
            r.fullScale = true;
            r.why = "At the instrument's full scale: left out.";
            c.warnings.push_back("The " + rpmText(r.rpm) + " rpm reading (step " +
                                 std::to_string(r.step) +
                                 ") is at the instrument's full scale and is left out.");
        }
    }
    // The turn of an up-and-down ramp: the first change of direction (the ramps never hold
    // a second one).
    std::size_t turn = flow.size();
    int direction = 0;
    for (std::size_t i = 1; i < flow.size() && turn == flow.size(); ++i) {
        if (sameRate(flow[i]->shearRate, flow[i - 1]->shearRate))
            continue;
        const int d = flow[i]->shearRate > flow[i - 1]->shearRate ? 1 : -1;
        if (direction != 0 && d != direction)
            turn = i;
        direction = d;
    }
    for (std::size_t i = turn; i < flow.size(); ++i) {
        Reading &down = *flow[i];
        if (!down.used)
            continue;
        for (std::size_t j = 0; j < turn; ++j) {
            Reading &up = *flow[j];
            if (!up.used || up.up || !sameRate(up.shearRate, down.shearRate))
                continue;
            up.up = up.stress;
            up.down = down.stress;
            up.downStep = down.step;
            const double spread = std::abs(up.storedStress - down.storedStress);
            const double mean = (up.storedStress + down.storedStress) / 2;
            if (spread > kUpDownSpread * std::abs(mean))
                c.warnings.push_back(
                    "At " + rpmText(up.rpm) + " rpm the up and down readings (steps " +
                    std::to_string(up.step) + " and " + std::to_string(down.step) + ") differ by " +
                    formatMask(100 * spread / std::abs(mean), "0") +
                    " %: the sample may be thixotropic or settling.");
            up.storedStress = mean;
            up.rpm = (up.rpm + down.rpm) / 2;
            up.shearRate = (up.shearRate + down.shearRate) / 2;
            up.storedTemperature = (up.storedTemperature + down.storedTemperature) / 2;
            up.stress = toDisplay(Quantity::Stress, up.storedStress, units);
            up.dial =
                formula::dialReading(up.storedStress, g.custom ? 1.0 : factorValue(g.fannFactor));
            up.temperature = displayTemperature(up.storedTemperature, units);
            up.points += down.points;
            up.stable = up.stable && down.stable;
            down.used = false;
            down.why = "Averaged with its up reading, step " + std::to_string(up.step) + ".";
            c.upAndDown = true;
            break;
        }
    }
    for (const Reading *r : flow)
        if (r->used && !r->stable)
            c.warnings.push_back("The " + rpmText(r->rpm) + " rpm reading (step " +
                                 std::to_string(r->step) +
                                 ") was still drifting in its last 30 s; it is used.");
}

// The dial readings at the standard shear rates.
std::vector<Theta> thetas(const FlowCurve &c, const Geometry &g)
{
    const bool r1b1 = !g.custom && factorValue(g.shearFactor) == 1.0;
    std::vector<Theta> out;
    for (const Standard &s : kStandards) {
        Theta t{s.rpm, s.shearRate, {}};
        const std::string where =
            rateText(s.shearRate) + " 1/s (" + rpmText(s.rpm) + " rpm with R1-B1)";
        auto near = [&](const Reading &r) {
            return r.kind == StepKind::Flow &&
                   std::abs(r.shearRate - s.shearRate) <= kRateTolerance * s.shearRate;
        };
        const Reading *found = nullptr, *saturated = nullptr;
        for (const Reading &r : c.readings) {
            if (near(r) && r.used)
                found = &r;
            else if (near(r) && r.fullScale)
                saturated = &r;
        }
        if (found) {
            std::string note;
            if (found->up)
                note = "Mean of up and down, steps " + std::to_string(found->step) + " and " +
                       std::to_string(found->downStep) + ".";
            if (!r1b1 || std::abs(found->rpm - s.rpm) > 0.005)
                note += std::string(note.empty() ? "" : " ") + "Step " +
                        std::to_string(found->step) + " at " + rpmText(found->rpm) + " rpm, " +
                        formatMask(found->shearRate, "0.0") + " 1/s.";
            t.dial = {found->storedStress / formula::kDialDivisor, note};
        } else if (saturated) {
            t.dial = missing("The reading at " + where + " is at the instrument's full scale.");
        } else {
            t.dial = missing("No reading at " + where + ".");
        }
        out.push_back(std::move(t));
    }
    return out;
}

// A dial reading whose logarithm is taken.
Value positive(const Theta &t)
{
    if (t.dial.value && *t.dial.value <= 0)
        return missing("The " + rpmText(t.rpm) + " rpm reading is not positive.");
    return t.dial;
}

// The field formulas as drilling-fluid practice writes them, rounded constants included (511
// and 170.2 are the shear rates of 300 and 100 rpm, 510 turns degrees into eq. cP).
FieldValues fieldValues(const std::vector<Theta> &th, bool upAndDown, Units units)
{
    const Value &t600 = th[0].dial, &t300 = th[1].dial, &t100 = th[3].dial, &t6 = th[4].dial,
                &t3 = th[5].dial;
    const Value p600 = positive(th[0]), p300 = positive(th[1]), p100 = positive(th[3]),
                p3 = positive(th[5]);
    const double yield = units == Units::SI ? formula::kYieldToSI : 1;
    auto v = [](const Value &x) { return *x.value; };
    FieldValues f;
    f.AV = from({&t600}, [&] { return v(t600) / 2; });
    f.PV = from({&t600, &t300}, [&] { return v(t600) - v(t300); });
    if (upAndDown && !t600.value && t300.value && t100.value)
        f.PV = from(
            {&t300, &t100}, [&] { return 1.5 * (v(t300) - v(t100)); },
            "No 600 rpm reading: 1.5 (θ300 - θ100), as cement practice computes it.");
    f.YP = from(
        {&t300, &f.PV}, [&] { return (v(t300) - v(f.PV)) * yield; },
        t600.value ? "" : "θ300 - PV, PV from 300 and 100 rpm.");
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

// Why a fit cannot describe a fluid, or nothing. A yield stress may miss 0 by rounding.
std::string unphysical(const Model &model, const Params &p, double largestStress)
{
    for (std::size_t i = 0; i < p.size(); ++i) {
        const Parameter &par = model.parameters[i];
        const bool bad = par.quantity == Quantity::Stress
                             ? p[i] < -kExactFraction * std::max(largestStress, 1e-12)
                             : p[i] <= 0;
        if (bad)
            return std::string("Not a fluid: ") + par.symbol +
                   (par.quantity == Quantity::Stress ? " is negative." : " is not positive.");
    }
    return {};
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
    m.unphysical = unphysical(model, *params, largest);
    const double mean = sum / count;
    double sst = 0;
    for (double t : s.stress)
        sst += (t - mean) * (t - mean);
    m.r2 = sst > 0 ? valueOf(1 - sse / sst) : missing("All stresses are equal.");
    // The variance is estimated too: one parameter more than the model's own.
    const int k = p + 1;
    if (count - k - 1 <= 0) {
        m.aicc = missing("Too few readings to score the model.");
        return m;
    }
    const double exact = std::max(kExactFraction * largest, 1e-12);
    const double floored = std::max(sse, count * exact * exact);
    m.aicc =
        valueOf(count * std::log(floored / count) + 2.0 * k + 2.0 * k * (k + 1) / (count - k - 1));
    return m;
}

// The recommendation, unless the readings or the fits give a reason for none.
Recommendation recommendFor(const FlowCurve &c, bool negative)
{
    if (negative)
        return {nullptr, "Some stresses are negative: the instrument's zero may be offset."};
    std::optional<double> best;
    for (const ModelFit &m : c.models)
        if (m.fitted && m.unphysical.empty() && m.r2.value)
            best = std::max(best.value_or(-HUGE_VAL), *m.r2.value);
    const Recommendation r = recommend(c.models);
    if (!r.model)
        return r;
    if (!best)
        return {nullptr, "All stresses are equal: no model can be told from another."};
    if (*best < kLeastR2)
        return {nullptr, "No model fits well: the best R² is " + formatMask(*best, "0.00") + "."};
    return r;
}

void analyseCurve(FlowCurve &c, const Geometry &g, Units units)
{
    chooseReadings(c, g, units);
    Samples s;
    std::vector<int> negative;
    double low = HUGE_VAL, high = -HUGE_VAL;
    const Reading *lastFlow = nullptr;
    for (const Reading &r : c.readings) {
        if (r.kind != StepKind::Flow)
            continue;
        low = std::min(low, r.storedTemperature);
        high = std::max(high, r.storedTemperature);
        lastFlow = &r;
        if (!r.used)
            continue;
        s.rate.push_back(r.shearRate);
        s.stress.push_back(r.storedStress);
        if (r.storedStress < 0)
            negative.push_back(r.step);
    }
    if (lastFlow) {
        c.temperature = lastFlow->temperature;
        c.storedTemperature = lastFlow->storedTemperature;
        c.lowest = low;
        c.highest = high;
    } else if (!c.readings.empty()) {
        c.temperature = c.readings.back().temperature;
        c.storedTemperature = c.lowest = c.highest = c.readings.back().storedTemperature;
    }
    if (!negative.empty())
        c.warnings.push_back("Negative stresses at " +
                             std::string(negative.size() == 1 ? "step " : "steps ") +
                             stepList(negative) + ": the instrument's zero may be offset.");
    c.thetas = thetas(c, g);
    c.field = fieldValues(c.thetas, c.upAndDown, units);
    for (const auto &[value, name] : {std::pair{&c.field.YP, "YP"}, {&c.field.LSYP, "LSYP"}})
        if (value->value && *value->value < 0)
            c.warnings.push_back(std::string(name) +
                                 " is negative: the readings may carry a zero offset.");
    for (const Gel &gel : c.gels)
        if (gel.gel * (units == Units::SI ? 1 : formula::kDialDivisor) > fullScaleOf(g))
            c.warnings.push_back("The " + gel.label + " (step " + std::to_string(gel.step) +
                                 ") reached the instrument's full scale: it is at least the "
                                 "value shown.");
    const int distinct = distinctRates(s.rate);
    for (const Model &model : modelTable())
        c.models.push_back(fitModel(model, s, distinct, units));
    const Recommendation r = recommendFor(c, !negative.empty());
    c.recommended = r.model;
    c.recommendedReason = r.reason;
}
} // namespace

Geometry geometryOf(const RotorBobSetting &rb)
{
    Geometry g;
    g.custom = rb.custom;
    g.shearFactor = rb.shearFactor;
    g.fannFactor = rb.custom ? 1.0f : rb.fannFactor;
    g.customFactor = rb.customFactor;
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
    // In place, keeping the order: no second copy of a long test.
    const auto readable =
        std::remove_if(points.begin(), points.end(), [](const Point &p) { return !usable(p); });
    a.skippedPoints = static_cast<int>(points.end() - readable);
    points.erase(readable, points.end());
    if (points.empty()) {
        a.reason = "The test has no readable points.";
        return a;
    }
    std::vector<Step> steps = readSteps(points, geometry, units);
    std::vector<Gel> gels;
    classify(steps, units, gels);
    for (const auto &ramp : ramps(steps)) {
        FlowCurve &c = a.curves.emplace_back();
        for (std::size_t i : ramp) {
            c.readings.push_back(steps[i].reading);
            for (const Gel &gel : gels)
                if (gel.step == steps[i].reading.step)
                    c.gels.push_back(gel);
        }
        analyseCurve(c, geometry, units);
    }
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
    std::erase_if(scored, [](const ModelFit *m) { return !m->unphysical.empty(); });
    if (scored.empty())
        return {nullptr, "No fit describes a fluid: each has a parameter no fluid has."};
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

std::vector<std::string> warningsOf(const FlowCurve &c, Units units, bool storedTemperature)
{
    std::vector<std::string> out;
    if (c.highest - c.lowest > kCurveSpread + 1e-9) {
        const Units shown = storedTemperature ? Units::EI : units;
        auto t = [&](double f) { return fixed(displayTemperature(f, shown)); };
        out.push_back("The temperature ranged from " + t(c.lowest) + " to " + t(c.highest) + " " +
                      degrees(shown) + " during the ramp; the curve is given at " +
                      t(c.storedTemperature) + " " + degrees(shown) + ", the temperature reached.");
    }
    out.insert(out.end(), c.warnings.begin(), c.warnings.end());
    return out;
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
