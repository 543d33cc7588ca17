#include "rheology/Rheology.h"

#include "rheology/Fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace viscora;
using namespace viscora::rheology;
using namespace viscora::test;

namespace {
constexpr double kToEI = 0.2088;

Analysis run(const std::vector<StepReading> &steps, Units units = Units::EI, Geometry g = {})
{
    return analyse(pointsOf(steps), g, units);
}

struct ModelCase {
    const char *model;
    std::function<double(double)> tau;                   // dyn/cm2 at a shear rate
    std::vector<std::pair<const char *, double>> params; // SI: dyn/cm2, cP, dyn.s^n/cm2
};

const ModelCase kModelCases[] = {
    {"newtonian", [](double g) { return 0.3 * g; }, {{"mu", 30}}},
    {"bingham", [](double g) { return 20 + 0.2 * g; }, {{"tau0", 20}, {"mu_p", 20}}},
    {"power_law", [](double g) { return 3 * std::pow(g, 0.6); }, {{"K", 3}, {"n", 0.6}}},
    {"herschel_bulkley",
     [](double g) { return 10 + 0.5 * std::pow(g, 0.7); },
     {{"tau_y", 10}, {"K", 0.5}, {"n", 0.7}}},
    {"casson",
     [](double g) {
         const double root = std::sqrt(15.0) + std::sqrt(0.1 * g);
         return root * root;
     },
     {{"tau0", 15}, {"mu_inf", 10}}},
};
} // namespace

// Exact data of each model at the six standard speeds: recovered within 0.5 % and
// recommended; the curve drawn from the fit passes through the data.
TEST(RheologyModels, ExactDataIsRecoveredAndRecommended)
{
    for (const ModelCase &c : kModelCases) {
        SCOPED_TRACE(c.model);
        const Analysis a = run(sixSpeeds(c.tau), Units::SI);
        expectAllFinite(a);
        ASSERT_EQ(a.curves.size(), 1u);
        const FlowCurve &curve = a.curves[0];
        ASSERT_TRUE(curve.recommended) << curve.recommendedReason;
        EXPECT_STREQ(curve.recommended->key, c.model);
        const ModelFit &fit = modelOf(curve, c.model);
        ASSERT_TRUE(fit.fitted) << fit.reason;
        for (const auto &[key, expected] : c.params)
            EXPECT_NEAR(param(fit, key), expected, 0.005 * expected) << key;
        EXPECT_GT(*fit.r2.value, 0.999999);
        EXPECT_LT(fit.rms, 1e-4);
        for (double rate : {1.0, 50.0, 900.0})
            EXPECT_NEAR(*modelStress(fit, rate, Units::SI), c.tau(rate), 1e-3 * c.tau(rate));
        EXPECT_NEAR(*modelStress(fit, 50, Units::EI), c.tau(50) * kToEI, 1e-3 * c.tau(50));
    }
}

TEST(RheologyModels, NewtonianDataGiveTheNewtonianFieldValues)
{
    const Analysis a = run(sixSpeeds([](double g) { return 0.3 * g; }));
    const FlowCurve &c = a.curves.at(0);
    EXPECT_NEAR(field(c, &FieldValues::n), 1, 0.001);
    EXPECT_NEAR(field(c, &FieldValues::YP), 0, 1e-9);
    EXPECT_NEAR(field(c, &FieldValues::PV), field(c, &FieldValues::AV), 1e-9);
    EXPECT_NEAR(param(modelOf(c, "herschel_bulkley"), "tau_y"), 0, 0.01);
    EXPECT_NEAR(param(modelOf(c, "bingham"), "tau0"), 0, 1e-6);
    // Every model fits these exactly; the simplest is recommended.
    EXPECT_STREQ(c.recommended->key, "newtonian");
}

// A mud a naive fit gives a negative yield stress: the power law with an offset below 0.
TEST(RheologyModels, HerschelBulkleyYieldStressIsNeverNegative)
{
    const Analysis a = run(sixSpeeds([](double g) { return -5 + 4 * std::pow(g, 0.5); }));
    const ModelFit &hb = modelOf(a.curves.at(0), "herschel_bulkley");
    ASSERT_TRUE(hb.fitted);
    EXPECT_EQ(param(hb, "tau_y"), 0);
    EXPECT_LT(param(modelOf(a.curves[0], "bingham"), "tau0"), 20);
    expectAllFinite(a);
}

// The textbook case: theta600 = 46, theta300 = 28.
TEST(RheologyField, TwoPointCase)
{
    const std::vector<StepReading> steps{{600, 46 * 5.11}, {300, 28 * 5.11}};
    const Analysis ei = run(steps);
    expectAllFinite(ei);
    const FlowCurve &c = ei.curves.at(0);
    EXPECT_NEAR(field(c, &FieldValues::AV), 23, 1e-9);
    EXPECT_NEAR(field(c, &FieldValues::PV), 18, 1e-9);
    EXPECT_NEAR(field(c, &FieldValues::YP), 10, 1e-9);
    EXPECT_NEAR(field(c, &FieldValues::n), 0.716, 0.0005);
    EXPECT_NEAR(field(c, &FieldValues::K), 510 * 28 / std::pow(511, 3.32 * std::log10(46 / 28.0)),
                1e-9);
    EXPECT_EQ(c.field.LSYP.reason, "No reading at 5.1 1/s (3 rpm with R1-B1).");
    EXPECT_EQ(c.field.na.reason, "No reading at 170 1/s (100 rpm with R1-B1).");
    EXPECT_EQ(c.field.Ka.reason, "No reading at 170 1/s (100 rpm with R1-B1).");
    // Two readings carry a one-parameter model only, and nothing to compare it with.
    EXPECT_TRUE(modelOf(c, "newtonian").fitted);
    EXPECT_EQ(modelOf(c, "bingham").reason,
              "Needs at least 3 readings above 0 rpm; the curve has 2.");
    EXPECT_EQ(modelOf(c, "herschel_bulkley").reason,
              "Needs at least 4 readings above 0 rpm; the curve has 2.");
    EXPECT_EQ(c.recommended, nullptr);
    EXPECT_EQ(c.recommendedReason, "Too few readings to compare models.");

    EXPECT_NEAR(*run(steps, Units::SI).curves.at(0).field.YP.value, 10 * 4.788, 1e-9);
}

// Every output in the unit the issue names: SI over EI for the same test.
TEST(RheologyUnits, EachValueFollowsItsUnit)
{
    auto steps = sixSpeeds([](double g) { return 10 + 0.5 * std::pow(g, 0.7); });
    for (const StepReading &s : restAndGel(10, 30 / kDyn))
        steps.push_back(s);
    const FlowCurve ei = run(steps, Units::EI).curves.at(0);
    const FlowCurve si = run(steps, Units::SI).curves.at(0);
    // Field stresses are dial-based: SI is 4.788 times the EI value.
    const std::pair<Value FieldValues::*, double> fieldRatios[] = {
        {&FieldValues::AV, 1},       {&FieldValues::PV, 1}, {&FieldValues::YP, 4.788},
        {&FieldValues::LSYP, 4.788}, {&FieldValues::n, 1},  {&FieldValues::K, 1},
        {&FieldValues::na, 1},       {&FieldValues::Ka, 1}};
    for (const auto &[member, ratio] : fieldRatios)
        EXPECT_NEAR(field(si, member), field(ei, member) * ratio, 1e-9);
    for (std::size_t m = 0; m < ei.models.size(); ++m) {
        const auto &model = *ei.models[m].model;
        SCOPED_TRACE(model.key);
        for (std::size_t i = 0; i < model.parameters.size(); ++i) {
            const Quantity q = model.parameters[i].quantity;
            const double ratio = q == Quantity::Stress || q == Quantity::Consistency ? kToEI : 1;
            EXPECT_NEAR(ei.models[m].values[i], si.models[m].values[i] * ratio,
                        1e-9 * std::abs(si.models[m].values[i]))
                << model.parameters[i].key;
        }
        EXPECT_NEAR(ei.models[m].rms, si.models[m].rms * kToEI, 1e-12);
    }
    EXPECT_NEAR(modelOf(si, "newtonian").values[0], modelOf(si, "newtonian").stored[0] * 100,
                1e-9); // poise to cP
    const Reading &r = ei.readings[0];
    EXPECT_NEAR(r.stress, si.readings[0].stress * kToEI, 1e-9);
    EXPECT_EQ(r.temperature, 120);
    EXPECT_NEAR(si.readings[0].temperature, (120 - 32) * 5 / 9.0, 1e-12);
    EXPECT_EQ(r.dial, si.readings[0].dial);
    EXPECT_NEAR(r.shearRate, 600 * kRate, 1e-9);
    // Gels: the peak dial reading in EI, the peak stress in SI, as the standards write them.
    EXPECT_NEAR(ei.gels.at(0).gel, 30 / kDyn, 1e-12);
    EXPECT_DOUBLE_EQ(si.gels.at(0).gel, 30);
    EXPECT_NEAR(si.temperature, (120 - 32) * 5 / 9.0, 1e-12);
    EXPECT_STREQ(unitText(Quantity::Consistency, Units::EI), "lb.s^n/100ft2");
    EXPECT_STREQ(unitText(Quantity::Stress, Units::SI), "dyn/cm2");
}

// The reading of a step is the mean of its points within its last 30 s.
TEST(RheologyReadings, ThirtySecondMean)
{
    struct Case {
        const char *name;
        std::vector<double> times;
        double stress, temperature;
        int count;
    };
    auto everySecond = [] {
        std::vector<double> t;
        for (int i = 1; i <= 60; ++i)
            t.push_back(i);
        return t;
    }();
    // Stress = time, temperature = 100 + time / 10 at every point.
    const Case cases[] = {
        {"a point a second: exactly the last 30", everySecond, 45.5, 104.55, 30},
        {"every 10 s", {10, 20, 30, 40, 50, 60}, 50, 105, 3},
        {"a single point", {5}, 5, 100.5, 1},
        {"a gap: the last point alone", {10, 100}, 100, 110, 1},
        {"points out of order", {60, 10, 40}, 50, 105, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Point> points;
        for (double t : c.times)
            points.push_back({1, t, 100 + t / 10, 300, t, 0});
        const Analysis a = analyse(points, {}, Units::EI);
        ASSERT_EQ(a.curves.size(), 1u);
        const Reading &r = a.curves[0].readings.at(0);
        EXPECT_DOUBLE_EQ(r.storedStress, c.stress);
        EXPECT_DOUBLE_EQ(r.temperature, c.temperature);
        EXPECT_EQ(r.points, c.count);
        EXPECT_EQ(r.rpm, 300);
    }
}

TEST(RheologyCurves, TwoTemperaturesGiveTwoFlowCurves)
{
    auto steps = sixSpeeds([](double g) { return 10 + 0.5 * std::pow(g, 0.7); }, 120);
    for (const auto &s : sixSpeeds([](double g) { return 6 + 0.3 * std::pow(g, 0.75); }, 180))
        steps.push_back(s);
    const Analysis a = run(steps, Units::SI);
    expectAllFinite(a);
    ASSERT_EQ(a.curves.size(), 2u);
    const double temperatures[] = {120, 180};
    const double tauY[] = {10, 6};
    for (std::size_t i = 0; i < 2; ++i) {
        const FlowCurve &c = a.curves[i];
        EXPECT_NEAR(c.temperature, (temperatures[i] - 32) * 5 / 9.0, 1e-9);
        ASSERT_EQ(c.readings.size(), 6u);
        EXPECT_EQ(c.readings.front().step, static_cast<int>(6 * i + 1));
        EXPECT_TRUE(c.field.Ka.value);
        ASSERT_TRUE(c.recommended);
        EXPECT_STREQ(c.recommended->key, "herschel_bulkley");
        EXPECT_NEAR(param(modelOf(c, "herschel_bulkley"), "tau_y"), tauY[i], 0.005 * tauY[i]);
    }
}

// One ramp is one curve: a run of speeds one way, turning back at most once; a jump back to
// where it began, or a repeated speed at another temperature, starts the next.
TEST(RheologyCurves, RampsMakeCurves)
{
    struct Case {
        const char *name;
        std::vector<std::pair<double, double>> steps; // rpm, degF
        std::vector<std::size_t> sizes;
    };
    const Case cases[] = {
        {"down, warming", {{600, 76}, {300, 90}, {100, 110}, {3, 120}}, {4}},
        {"up and down", {{3, 120}, {100, 120}, {300, 120}, {100, 120}, {3, 120}}, {5}},
        {"down twice", {{600, 120}, {300, 120}, {600, 120}, {300, 120}}, {2, 2}},
        {"down, then up past the start", {{300, 120}, {100, 120}, {600, 120}}, {2, 1}},
        {"up twice", {{3, 120}, {300, 120}, {3, 120}, {300, 120}}, {2, 2}},
        {"up, down, up again",
         {{3, 120}, {100, 120}, {300, 120}, {100, 120}, {3, 120}, {100, 120}},
         {5, 1}},
        {"a stir, then the reading", {{600, 120}, {600, 120}, {300, 120}}, {3}},
        {"one speed, warming", {{300, 120}, {300, 121}, {300, 125}}, {2, 1}},
    };
    for (const Case &c : cases) {
        std::vector<StepReading> steps;
        for (const auto &[rpm, f] : c.steps)
            steps.push_back({rpm, 100, f});
        const Analysis a = run(steps);
        std::vector<std::size_t> got;
        for (const auto &curve : a.curves)
            got.push_back(curve.readings.size());
        EXPECT_EQ(got, c.sizes) << c.name;
    }
}

// The gel is the peak of the step after a rest, of its stresses and its gel column alike.
TEST(RheologyReadings, GelIsThePeakOfTheStepAfterARest)
{
    std::vector<Point> points{{1, 10, 120, 3, 20, 0},       {2, 10, 120, 0.000001, 0, 0},
                              {3, 1, 120, 3, 60, 0},        {3, 20, 120, 3, 20, 35},
                              {3, 30, 120, 3, 20, 30},      {4, 1800, 120, 0.000001, 0, 0},
                              {5, 1, 120, 3, 20, 0},        {5, 2, 120, 3, 20, 90},
                              {6, 45, 120, 0.000001, 0, 0}, {7, 1, 120, 300, 20, 80}};
    const Analysis a = analyse(points, {}, Units::SI);
    ASSERT_EQ(a.curves.size(), 1u);
    const auto &gels = a.curves[0].gels;
    ASSERT_EQ(gels.size(), 2u); // not after the last rest: 300 rpm is no gel speed
    EXPECT_EQ(gels[0].step, 3);
    EXPECT_EQ(gels[0].gel, 60);
    EXPECT_EQ(gels[0].label, "10-s gel");
    EXPECT_EQ(gels[1].gel, 90);
    EXPECT_EQ(gels[1].label, "30-min gel");
    EXPECT_EQ(gels[1].rest, 1800);
    const std::pair<double, const char *> labels[] = {
        {10, "10-s gel"},     {11, "10-s gel"},       {600, "10-min gel"},     {570, "10-min gel"},
        {1800, "30-min gel"}, {45, "gel after 45 s"}, {120, "gel after 120 s"}};
    for (const auto &[rest, label] : labels) {
        const Analysis g = run(restAndGel(rest, 9), Units::EI);
        ASSERT_EQ(g.curves.at(0).gels.size(), 1u) << rest;
        EXPECT_EQ(g.curves[0].gels[0].label, label) << rest;
    }
}

// Shear rate and dial reading with each rotor-bob variant, as the main window reads them.
TEST(RheologyReadings, RotorBobFactors)
{
    struct Case {
        const char *name;
        Geometry g;
        double rate, dial; // at 100 rpm and 511 dyn/cm2
    };
    const Case cases[] = {
        {"R1-B1", {false, 1.0f, 1.0f, 0}, 170.23, 100},
        {"R2-B1", {false, 3.185f, 1.0f, 0}, 100 * 1.7023 * 3.185, 100},
        {"R1-B4", {false, 0.1574f, 8.012f, 0}, 100 * 1.7023 * 0.1574, 100 / 8.012},
        {"custom 1.703", {true, 1.0f, 8.012f, 1.703}, 170.3, 100},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Analysis a = run({{100, 511}}, Units::EI, c.g);
        const Reading &r = a.curves.at(0).readings.at(0);
        EXPECT_NEAR(r.shearRate, c.rate, 1e-9);
        EXPECT_NEAR(r.dial, c.dial, 1e-9);
    }
    RotorBobSetting rb;
    rb.custom = true;
    rb.customFactor = 1.703;
    rb.fannFactor = 8.012f;
    const Geometry g = geometryOf(rb);
    EXPECT_TRUE(g.custom);
    EXPECT_EQ(g.customFactor, 1.703);
    EXPECT_EQ(g.fannFactor, 1.0f);

    // A custom rotor-bob's rates carry into the fits.
    const Analysis custom = run(
        sixSpeeds([](double x) { return 10 + 0.5 * std::pow(x, 0.7); }, 120, 1.703), Units::SI, g);
    EXPECT_NEAR(param(modelOf(custom.curves.at(0), "herschel_bulkley"), "n"), 0.7, 0.0035);
}

// Bad input: what can be computed is, the rest is absent with its reason; never NaN.
TEST(RheologyBadInput, ValuesThatCannotBeComputedSayWhy)
{
    const double nan = std::nan("");
    struct Case {
        const char *name;
        std::vector<Point> points;
        Geometry g;
        std::function<void(const Analysis &)> check;
    };
    auto hb = [](double g) { return 10 + 0.5 * std::pow(g, 0.7); };
    auto withStress = [&](std::size_t step, double stress) {
        auto steps = sixSpeeds(hb);
        steps[step].stress = stress;
        return pointsOf(steps);
    };
    const Case cases[] = {
        {"no points",
         {},
         {},
         [](const Analysis &a) {
             EXPECT_TRUE(a.curves.empty());
             EXPECT_EQ(a.reason, "The test has no points.");
         }},
        {"unreadable points only",
         {{1, 10, 120, 300, nan, 0},
          {1, 20, std::numeric_limits<double>::infinity(), 300, 5, 0},
          {1, 30, 120, -1, 5, 0}},
         {},
         [](const Analysis &a) {
             EXPECT_TRUE(a.curves.empty());
             EXPECT_EQ(a.reason, "The test has no readable points.");
             EXPECT_EQ(a.skippedPoints, 3);
         }},
        {"one speed only",
         pointsOf({{300, 100}, {300, 105}, {300, 110}, {300, 100}}),
         {},
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             // A speed read again counts once, by its later reading.
             EXPECT_EQ(std::count_if(c.readings.begin(), c.readings.end(),
                                     [](const Reading &r) { return r.used; }),
                       1);
             EXPECT_EQ(c.readings[0].why, "Repeated at 300 rpm: the later reading counts.");
             EXPECT_EQ(modelOf(c, "newtonian").reason,
                       "Needs at least 2 readings above 0 rpm; the curve has 1.");
             EXPECT_EQ(c.field.AV.reason, "No reading at 1022 1/s (600 rpm with R1-B1).");
             EXPECT_EQ(c.field.YP.reason, "No reading at 1022 1/s (600 rpm with R1-B1).");
             EXPECT_EQ(c.recommended, nullptr);
         }},
        {"all speeds 0",
         pointsOf({{0.000001, 40, 120, 40}, {0, 0}}),
         {},
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             EXPECT_EQ(c.readings.size(), 2u);
             for (const auto &m : c.models)
                 EXPECT_EQ(m.reason, "Needs at least " +
                                         std::to_string(m.model->parameters.size() + 1) +
                                         " readings above 0 rpm; the curve has 0.");
             for (const auto &f : fieldTable())
                 EXPECT_FALSE((c.field.*f.member).value) << f.key;
             EXPECT_TRUE(c.gels.empty());
             EXPECT_EQ(c.readings[0].rpm, 0);
             EXPECT_EQ(c.readings[0].why, "Rest (0 rpm).");
         }},
        {"theta300 is 0",
         withStress(1, 0),
         {},
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             EXPECT_EQ(c.field.n.reason, "The 300 rpm reading is not positive.");
             EXPECT_EQ(c.field.K.reason, "The 300 rpm reading is not positive.");
             EXPECT_TRUE(c.field.PV.value && c.field.YP.value && c.field.na.value);
         }},
        {"theta3 is 0",
         withStress(5, 0),
         {},
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             EXPECT_EQ(c.field.na.reason, "The 3 rpm reading is not positive.");
             EXPECT_EQ(c.field.Ka.reason, "The 3 rpm reading is not positive.");
             EXPECT_TRUE(c.field.LSYP.value && c.field.n.value);
             EXPECT_EQ(param(modelOf(c, "herschel_bulkley"), "tau_y"), 0);
         }},
        {"negative theta600",
         withStress(0, -50),
         {},
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             EXPECT_EQ(c.field.n.reason, "The 600 rpm reading is not positive.");
             EXPECT_EQ(c.recommended, nullptr);
             EXPECT_EQ(c.recommendedReason,
                       "Some stresses are negative: the instrument's zero may be offset.");
         }},
        {"all stresses 0",
         pointsOf(sixSpeeds([](double) { return 0.0; })),
         {},
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             for (const auto &m : c.models) {
                 EXPECT_TRUE(m.fitted) << m.model->key;
                 EXPECT_EQ(m.r2.reason, "All stresses are equal.");
             }
             // A fluid of no viscosity at all is no fluid.
             EXPECT_EQ(c.recommended, nullptr);
             EXPECT_EQ(modelOf(c, "newtonian").unphysical, "Not a fluid: μ is not positive.");
         }},
        {"huge values",
         pointsOf(sixSpeeds([](double g) { return 1e9 - g; })),
         {},
         [](const Analysis &a) {
             ASSERT_EQ(a.curves.size(), 1u);
             EXPECT_EQ(a.curves[0].warnings.size(), 6u); // each at full scale
         }},
        {"a rotor-bob factor of 0",
         pointsOf(sixSpeeds(hb)),
         {false, 0.0f, 1.0f, 0},
         [](const Analysis &a) {
             EXPECT_TRUE(a.curves.empty());
             EXPECT_EQ(a.reason, "The rotor-bob factors cannot be used.");
         }},
        {"a custom factor that is not a number",
         pointsOf(sixSpeeds(hb)),
         {true, 1, 1, nan},
         [](const Analysis &a) { EXPECT_TRUE(a.curves.empty()); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (Units u : {Units::EI, Units::SI}) {
            const Analysis a = analyse(c.points, c.g, u);
            expectAllFinite(a);
            c.check(a);
        }
    }
}

// The lowest AICc, but a simpler model within 2 of it wins; equal sizes go to the lower
// AICc, then to the earlier model of the table. Models without an AICc take no part.
TEST(RheologyModels, RecommendationRule)
{
    const std::pair<std::vector<std::pair<const char *, double>>, const char *> cases[] = {
        {{{"newtonian", 10}, {"bingham", 8.5}}, "newtonian"},
        {{{"newtonian", 10}, {"bingham", 7.9}}, "bingham"},
        {{{"bingham", 5}, {"power_law", 4.5}, {"casson", 4.7}}, "power_law"},
        {{{"bingham", 5}, {"power_law", 5}}, "bingham"},
        {{{"casson", 5}, {"bingham", 5}}, "bingham"},
        {{{"herschel_bulkley", 0}, {"power_law", 1.5}}, "power_law"},
        {{{"herschel_bulkley", 0}, {"power_law", 2.5}, {"bingham", 2.1}}, "herschel_bulkley"},
        {{{"herschel_bulkley", -300}, {"newtonian", -299}, {"bingham", -298}}, "newtonian"},
        {{{"bingham", 3}}, nullptr},
        {{}, nullptr},
    };
    for (const auto &[scores, expected] : cases) {
        std::vector<ModelFit> fits;
        for (const Model &model : modelTable()) {
            ModelFit f;
            f.model = &model;
            f.aicc.reason = "Too few readings to score the model.";
            for (const auto &[key, aicc] : scores)
                if (std::string(key) == model.key)
                    f.aicc = {aicc, {}};
            fits.push_back(f);
        }
        const Recommendation r = recommend(fits);
        if (expected) {
            ASSERT_TRUE(r.model) << expected;
            EXPECT_STREQ(r.model->key, expected);
        } else {
            EXPECT_EQ(r.model, nullptr);
            EXPECT_EQ(r.reason, "Too few readings to compare models.");
        }
    }
}
