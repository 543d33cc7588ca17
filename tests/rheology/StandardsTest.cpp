// The lab's standard tests with known answers, one case a line where it fits: the mud
// report's numbers as an engineer computes them by hand from the dial readings.

#include "rheology/Json.h"
#include "rheology/Rheology.h"
#include "rheology/Tables.h"

#include "rheology/Fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace viscora;
using namespace viscora::rheology;
using namespace viscora::test;

namespace {

using Steps = std::vector<StepReading>;

// The everyday mud: theta600 60, theta300 38, theta200 30, theta100 21, theta6 8, theta3 7.
Steps mud(double fahrenheit = 120)
{
    return {dial(600, 60, fahrenheit), dial(300, 38, fahrenheit), dial(200, 30, fahrenheit),
            dial(100, 21, fahrenheit), dial(6, 8, fahrenheit),    dial(3, 7, fahrenheit)};
}

Steps operator+(Steps a, const Steps &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Steps mudWithGels() { return mud() + restAndGel(10, 9) + restAndGel(600, 18); }

// The dial readings of a ramp at these speeds, made by a function of the speed.
Steps speeds(std::initializer_list<double> rpms, const std::function<double(double)> &degrees)
{
    Steps s;
    for (double rpm : rpms)
        s.push_back(dial(rpm, degrees(rpm)));
    return s;
}

Geometry rotorBob(float shear, float fann) { return {false, shear, fann, 0}; }

std::optional<double> theta(const FlowCurve &c, double rpm)
{
    for (const Theta &t : c.thetas)
        if (t.rpm == rpm)
            return t.dial.value;
    return std::nullopt;
}

std::string thetaWhy(const FlowCurve &c, double rpm)
{
    for (const Theta &t : c.thetas)
        if (t.rpm == rpm)
            return t.dial.reason;
    return "no such speed";
}

std::vector<std::string> usedSteps(const FlowCurve &c)
{
    std::vector<std::string> s;
    for (const Reading &r : c.readings)
        s.push_back(std::to_string(r.step) + (r.used ? "" : "-"));
    return s;
}

struct Case {
    const char *name;
    Steps steps;
    Geometry geometry;
    std::function<void(const Analysis &)> check;
};

} // namespace

TEST(RheologyStandards, KnownAnswers)
{
    const Case cases[] = {
        {"the standard mud sequence with gels",
         mudWithGels(),
         {},
         [](const Analysis &a) {
             ASSERT_EQ(a.curves.size(), 1u);
             const FlowCurve &c = a.curves[0];
             EXPECT_EQ(*theta(c, 3), 7); // the ramp's, not the 10-min gel's
             EXPECT_DOUBLE_EQ(field(c, &FieldValues::PV), 22);
             EXPECT_NEAR(field(c, &FieldValues::YP), 16, 1e-9);
             EXPECT_DOUBLE_EQ(field(c, &FieldValues::LSYP), 6);
             EXPECT_DOUBLE_EQ(field(c, &FieldValues::na), 0.657 * std::log10(21 / 7.0));
             ASSERT_EQ(c.gels.size(), 2u);
             EXPECT_EQ(c.gels[0].label, "10-s gel");
             EXPECT_DOUBLE_EQ(c.gels[0].gel, 9);
             EXPECT_EQ(c.gels[1].label, "10-min gel");
             EXPECT_DOUBLE_EQ(c.gels[1].gel, 18);
             EXPECT_EQ(usedSteps(c), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7-",
                                                               "8-", "9-", "10-"}));
             EXPECT_TRUE(c.warnings.empty());
             // The gel steps are in no fit: the fits are those of the ramp alone.
             const FlowCurve ramp = analyse(pointsOf(mud()), {}, Units::EI).curves.at(0);
             for (std::size_t m = 0; m < c.models.size(); ++m)
                 EXPECT_EQ(c.models[m].values, ramp.models[m].values);
             EXPECT_EQ(c.recommended, ramp.recommended);
         }},
        {"R1-B5: 600 rpm reads at the 300 rpm shear rate", mud(), rotorBob(0.4995f, 1),
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             EXPECT_EQ(thetaWhy(c, 600), "No reading at 1022 1/s (600 rpm with R1-B1).");
             EXPECT_EQ(*theta(c, 300), 60);
             EXPECT_EQ(thetaWhy(c, 300), "Step 1 at 600 rpm, 510.2 1/s.");
             EXPECT_EQ(*theta(c, 100), 30);
             EXPECT_EQ(*theta(c, 3), 8);
             EXPECT_FALSE(c.field.PV.value);
             EXPECT_EQ(c.field.PV.reason, "No reading at 1022 1/s (600 rpm with R1-B1).");
         }},
        {"R1-B2: no standard shear rate at all", mud(), rotorBob(0.2215f, 1.973f),
         [](const Analysis &a) {
             for (const Theta &t : a.curves.at(0).thetas)
                 EXPECT_FALSE(t.dial.value) << t.rpm;
             EXPECT_FALSE(a.curves[0].field.PV.value);
         }},
        {"a custom rotor-bob of 1 1/s per rpm",
         mud(),
         {true, 1, 1, 1.0},
         [](const Analysis &a) {
             EXPECT_FALSE(a.curves.at(0).field.PV.value);
             EXPECT_FALSE(a.curves[0].field.LSYP.value);
         }},
        {"speeds 599/301/199/101/7/2",
         speeds({599, 301, 199, 101, 7, 2}, [](double r) { return r / 10; }),
         {},
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             EXPECT_DOUBLE_EQ(*theta(c, 600), 59.9);
             EXPECT_EQ(thetaWhy(c, 600), "Step 1 at 599 rpm, 1019.7 1/s.");
             EXPECT_DOUBLE_EQ(*theta(c, 200), 19.9);
             EXPECT_FALSE(theta(c, 100)); // 1.1 % from 170 1/s
             EXPECT_FALSE(theta(c, 6));
             EXPECT_FALSE(theta(c, 3));
             EXPECT_EQ(c.field.LSYP.reason, "No reading at 5.1 1/s (3 rpm with R1-B1).");
             EXPECT_NEAR(field(c, &FieldValues::PV), 29.8, 1e-9);
         }},
        {"saturated 600/300/200",
         Steps{dial(600, 200), dial(300, 199), dial(200, 195), dial(100, 150), dial(6, 40),
               dial(3, 35)},
         {},
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             EXPECT_EQ(usedSteps(c), (std::vector<std::string>{"1-", "2-", "3-", "4", "5", "6"}));
             EXPECT_EQ(c.readings[0].why, "At the instrument's full scale: left out.");
             EXPECT_EQ(thetaWhy(c, 600), "The reading at 1022 1/s (600 rpm with R1-B1) is at the "
                                         "instrument's full scale.");
             EXPECT_FALSE(c.field.PV.value);
             EXPECT_FALSE(c.field.n.value);
             ASSERT_EQ(c.warnings.size(), 3u);
             EXPECT_EQ(c.warnings[0], "The 600 rpm reading (step 1) is at the instrument's full "
                                      "scale and is left out.");
             // The fits see the three readings below full scale only.
             EXPECT_EQ(modelOf(c, "herschel_bulkley").reason,
                       "Needs at least 4 readings above 0 rpm; the curve has 3.");
         }},
        {"a cement up-and-down ramp without 600 rpm",
         Steps{dial(3, 5), dial(6, 6), dial(100, 20), dial(200, 30), dial(300, 40), dial(200, 31),
               dial(100, 22), dial(6, 7), dial(3, 5)},
         {},
         [](const Analysis &a) {
             ASSERT_EQ(a.curves.size(), 1u);
             const FlowCurve &c = a.curves[0];
             EXPECT_EQ(usedSteps(c),
                       (std::vector<std::string>{"1", "2", "3", "4", "5", "6-", "7-", "8-", "9-"}));
             EXPECT_DOUBLE_EQ(*theta(c, 200), 30.5);
             EXPECT_DOUBLE_EQ(*theta(c, 100), 21);
             EXPECT_DOUBLE_EQ(*theta(c, 6), 6.5);
             EXPECT_EQ(thetaWhy(c, 100), "Mean of up and down, steps 3 and 7.");
             EXPECT_DOUBLE_EQ(field(c, &FieldValues::PV), 1.5 * (40 - 21));
             EXPECT_NE(c.field.PV.reason.find("cement practice"), std::string::npos);
             EXPECT_NEAR(field(c, &FieldValues::YP), 40 - 28.5, 1e-9);
             EXPECT_NEAR(*c.readings[2].up, 20 * kDyn * 0.2088, 1e-9);
             EXPECT_NEAR(*c.readings[2].down, 22 * kDyn * 0.2088, 1e-9);
             EXPECT_EQ(c.readings[6].why, "Averaged with its up reading, step 3.");
             // 6 and 7 degrees differ by 15 %, the others by less than 10 %.
             EXPECT_EQ(c.warnings, (std::vector<std::string>{
                                       "At 6 rpm the up and down readings (steps 2 and 8) differ "
                                       "by 15 %: the sample may be thixotropic or settling."}));
         }},
        {"a ramp measured while the sample warms",
         Steps{dial(600, 60, 76), dial(300, 38, 90), dial(200, 30, 100), dial(100, 21, 110),
               dial(6, 8, 118), dial(3, 7, 120)},
         {},
         [](const Analysis &a) {
             ASSERT_EQ(a.curves.size(), 1u);
             EXPECT_EQ(a.curves[0].temperature, 120);
             EXPECT_TRUE(a.curves[0].field.PV.value && a.curves[0].field.LSYP.value);
             EXPECT_EQ(warningsOf(a.curves[0], Units::EI),
                       (std::vector<std::string>{
                           "The temperature ranged from 76.0 to 120.0 °F during the ramp; the "
                           "curve is given at 120.0 °F, the temperature reached."}));
         }},
        {"two ramps at two temperatures",
         mud(120) + mud(180),
         {},
         [](const Analysis &a) {
             ASSERT_EQ(a.curves.size(), 2u);
             EXPECT_EQ(a.curves[1].temperature, 180);
             EXPECT_EQ(a.curves[1].readings.front().step, 7);
             EXPECT_TRUE(a.curves[1].warnings.empty());
         }},
        {"all stresses negative",
         speeds({600, 300, 200, 100, 6, 3}, [](double r) { return -1 - r / 100; }),
         {},
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             EXPECT_EQ(c.recommended, nullptr);
             EXPECT_EQ(c.recommendedReason,
                       "Some stresses are negative: the instrument's zero may be offset.");
             EXPECT_EQ(c.warnings.front(), "Negative stresses at steps 1, 2, 3, 4, 5, 6: the "
                                           "instrument's zero may be offset.");
             EXPECT_NE(modelOf(c, "bingham").unphysical, "");
         }},
        {"a zero offset: negative YP",
         speeds({600, 300, 200, 100, 6, 3},
                [](double r) {
                    return r / 10 - 2; // a Newtonian oil read 2 degrees low
                }),
         {},
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             EXPECT_NEAR(field(c, &FieldValues::YP), -2, 1e-9);
             EXPECT_EQ(c.warnings.back(), "LSYP is negative: the readings may carry a zero "
                                          "offset.");
             EXPECT_EQ(c.warnings[c.warnings.size() - 2],
                       "YP is negative: the readings may carry a zero offset.");
             EXPECT_EQ(c.recommended, nullptr); // 3 rpm reads -1.7
         }},
        {"stress falling with speed",
         speeds({600, 300, 200, 100, 6, 3}, [](double r) { return 60 - r / 20; }),
         {},
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             EXPECT_EQ(c.recommended, nullptr);
             EXPECT_TRUE(c.recommendedReason.starts_with("No model fits well: the best R² is ") ||
                         c.recommendedReason.starts_with("No fit describes a fluid"))
                 << c.recommendedReason;
         }},
        // The readings of a 50 cP oil, each within 3 % (1.011, 0.999, 0.996, 0.994, 0.973,
        // 0.982 times), to whole dyn/cm2: without the variance counted, a power law n 1.013.
        {"a 50 cP oil read with 3 % noise",
         Steps{{600, 516}, {300, 255}, {200, 169}, {100, 85}, {6, 5}, {3, 3}},
         {},
         [](const Analysis &a) {
             const FlowCurve &c = a.curves.at(0);
             ASSERT_TRUE(c.recommended) << c.recommendedReason;
             EXPECT_STREQ(c.recommended->key, "newtonian");
             EXPECT_NEAR(param(modelOf(c, "newtonian"), "mu"), 50.33, 0.01);
             EXPECT_NEAR(param(modelOf(c, "power_law"), "n"), 1.013, 0.001);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Analysis a = analyse(pointsOf(c.steps), c.geometry, Units::EI);
        expectAllFinite(a);
        c.check(a);
    }
}

// In SI the field stresses are 4.788 times the dial-based EI values, gels the peak stress.
TEST(RheologyStandards, SiFollowsTheSameReadings)
{
    const FlowCurve ei = analyse(pointsOf(mudWithGels()), {}, Units::EI).curves.at(0);
    const FlowCurve si = analyse(pointsOf(mudWithGels()), {}, Units::SI).curves.at(0);
    EXPECT_NEAR(field(si, &FieldValues::YP), 16 * 4.788, 1e-9);
    EXPECT_DOUBLE_EQ(field(si, &FieldValues::PV), field(ei, &FieldValues::PV));
    EXPECT_DOUBLE_EQ(si.gels.at(0).gel, 9 * kDyn);
    EXPECT_EQ(*theta(si, 300), *theta(ei, 300)); // dial degrees either way
}

// A reading whose last 30 s still drift is used, marked and warned.
TEST(RheologyStandards, ADriftingStepIsUsedAndWarned)
{
    struct Drift {
        const char *name;
        double perSecond; // dyn/cm2 a second over the window
        bool stable;
    };
    const Drift drifts[] = {
        {"steady", 0, true},
        {"within half a dial degree", 0.1, true}, // thirds 2 s apart... 2 dyn/cm2
        {"still climbing", 0.5, false},
    };
    for (const Drift &d : drifts) {
        auto points = pointsOf(mud());
        std::vector<Point> step2;
        for (int t = 1; t <= 60; ++t)
            step2.push_back({2, static_cast<double>(t), 120, 300, 38 * kDyn + d.perSecond * t, 0});
        std::erase_if(points, [](const Point &p) { return p.step == 2; });
        points.insert(points.end(), step2.begin(), step2.end());
        const FlowCurve c = analyse(points, {}, Units::EI).curves.at(0);
        EXPECT_EQ(c.readings.at(1).stable, d.stable) << d.name;
        EXPECT_TRUE(c.readings[1].used);
        EXPECT_EQ(c.warnings.size(), d.stable ? 0u : 1u) << d.name;
        if (!d.stable) {
            EXPECT_EQ(
                c.warnings[0],
                "The 300 rpm reading (step 2) was still drifting in its last 30 s; it is used.");
        }
    }
}

// What an engineer reads first: every surface carries the warnings, the unused readings with
// their reason, the gels by label and rests at 0 rpm.
TEST(RheologyStandards, EverySurfaceSaysWhatWasLeftOut)
{
    Steps steps = mudWithGels();
    steps[0] = dial(600, 200); // at full scale
    const Analysis a = analyse(pointsOf(steps), {}, Units::EI);
    const std::string text = analysisText(a, "Mud", TextLayout::Tabs);
    for (const char *expected :
         {"Warning: The 600 rpm reading (step 1) is at the instrument's full scale and is left "
          "out.",
          "At the instrument's full scale: left out.", "Gel measurement: the 10-min gel.",
          "8\t10-s gel\t10\t9", "Rest (0 rpm).",
          "\nθ600\t\tdeg\tThe reading at 1022 1/s (600 rpm with R1-B1) is at the instrument's "
          "full scale.\n",
          "\nMud report\n"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    EXPECT_EQ(text.find("e-6"), std::string::npos);

    const auto json = parseJson(toJson(a, "Mud"));
    ASSERT_TRUE(json);
    const auto &curve = (*json)["curves"].items.at(0);
    EXPECT_EQ(curve["warnings"].items.at(0).text,
              "The 600 rpm reading (step 1) is at the instrument's full scale and is left out.");
    EXPECT_FALSE(curve["readings"].items[0]["used"].boolean);
    EXPECT_EQ(curve["readings"].items[0]["why"].text, "At the instrument's full scale: left out.");
    EXPECT_EQ(curve["readings"].items[6]["rpm"].number, 0);
    EXPECT_EQ(curve["readings"].items[6]["shear_rate"].number, 0);
    EXPECT_EQ(curve["gels"].items[1]["label"].text, "10-min gel");
    EXPECT_EQ(curve["gels"].items[1]["rest"].number, 600);
}

// An up-and-down reading carries both halves in JSON; a curve with none recommended says why.
TEST(RheologyStandards, JsonOfAnUpAndDownRampWithoutRecommendation)
{
    const Steps steps{dial(3, 5), dial(100, 20), dial(300, 40), dial(100, 22), dial(3, 5)};
    const Analysis a = analyse(pointsOf(steps), {}, Units::EI);
    const auto json = parseJson(toJson(a, "Cement"));
    ASSERT_TRUE(json);
    const auto &c = (*json)["curves"].items.at(0);
    const auto &r = c["readings"].items.at(1);
    EXPECT_NEAR(r["up"].number, 20 * kDyn * 0.2088, 1e-9);
    EXPECT_NEAR(r["down"].number, 22 * kDyn * 0.2088, 1e-9);
    EXPECT_NEAR(r["stress"].number, 21 * kDyn * 0.2088, 1e-9);
    EXPECT_TRUE(c["recommended"].isNull());
    EXPECT_EQ(c["recommendation_note"].text, a.curves[0].recommendedReason);
}

// The temperature a warning names is in the unit its table shows: the unit system's, or the
// stored degF of the printed report.
TEST(RheologyStandards, TemperatureWarningFollowsTheShownUnit)
{
    const Steps warming{dial(600, 60, 77), dial(300, 38, 104), dial(3, 7, 122)};
    const FlowCurve si = analyse(pointsOf(warming), {}, Units::SI).curves.at(0);
    const std::string tail = " during the ramp; the curve is given at ";
    EXPECT_EQ(warningsOf(si, Units::SI).at(0), "The temperature ranged from 25.0 to 50.0 °C" +
                                                   tail +
                                                   "50.0 °C, the temperature "
                                                   "reached.");
    EXPECT_EQ(warningsOf(si, Units::SI, true).at(0),
              "The temperature ranged from 77.0 to 122.0 °F" + tail +
                  "122.0 °F, the temperature "
                  "reached.");
    EXPECT_EQ(curveTables(si, 0, 1, Units::SI, true).warnings, warningsOf(si, Units::SI, true));
}
