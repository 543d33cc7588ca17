#include "rheology/FlowChart.h"
#include "rheology/Tables.h"

#include "rheology/Fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

using namespace viscora;
using namespace viscora::rheology;
using namespace viscora::test;

namespace {

Analysis run(const std::vector<StepReading> &steps, Units units = Units::EI)
{
    return analyse(pointsOf(steps), {}, units);
}

const Cell &cellOf(const Table &t, std::size_t row, const std::string &column)
{
    for (std::size_t c = 0; c < t.header.size(); ++c)
        if (t.header[c] == column)
            return t.rows.at(row).at(c);
    throw std::runtime_error("no column " + column);
}

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

} // namespace

TEST(RheologyTables, NumbersAreRoundedForReading)
{
    const std::pair<double, const char *> cases[] = {
        {5.220000000000001, "5.22"},
        {1021.38, "1021"},
        {0.715851, "0.7159"},
        {22.344, "22.34"},
        {12345.6, "12346"},
        {9.99996, "10"},
        {600, "600"},
        {0, "0"},
        {-0.00001, "-1e-5"},
        {-0.000049, "-4.9e-5"},
        {0.0001234, "0.0001234"},
        {2.69e10, "2.69e+10"},
        {-3.5, "-3.5"},
        {-0.00000000001, "-1e-11"},
        {std::numeric_limits<double>::quiet_NaN(), ""},
        {std::numeric_limits<double>::infinity(), ""},
    };
    for (const auto &[v, text] : cases)
        EXPECT_EQ(displayNumber(v), text) << v;
}

// A Bingham fluid at the six standard speeds, then a 10-s and a 10-min gel.
TEST(RheologyTables, CurveTablesCarryTextAndFullNumbers)
{
    auto steps = sixSpeeds([](double g) { return 20 + 0.2 * g; });
    for (const auto &gel : {restAndGel(10, 6), restAndGel(600, 12)})
        steps.insert(steps.end(), gel.begin(), gel.end());
    const Analysis a = run(steps);
    ASSERT_EQ(a.curves.size(), 1u);
    const CurveTables t = curveTables(a.curves[0], 0, 1, Units::EI);
    EXPECT_EQ(t.title, "Flow curve 1 of 1: 120 °F, steps 1-10");
    EXPECT_TRUE(t.warnings.empty());
    EXPECT_EQ(t.tables(),
              (std::vector<const Table *>{&t.report, &t.readings, &t.field, &t.gels, &t.models}));

    // The mud report: the six dial readings, PV, YP, both gels and the temperature.
    std::vector<std::string> items;
    for (const auto &row : t.report.rows)
        items.push_back(row[0].text);
    EXPECT_EQ(items, (std::vector<std::string>{"θ600", "θ300", "θ200", "θ100", "θ6", "θ3", "PV",
                                               "YP", "10-s gel", "10-min gel", "Temperature"}));
    EXPECT_DOUBLE_EQ(*t.report.rows[0][1].number, (20 + 0.2 * 600 * kRate) / kDyn);
    EXPECT_EQ(t.report.rows[0][2].text, "deg");
    EXPECT_EQ(t.report.rows[0][3].text, "");
    EXPECT_DOUBLE_EQ(*t.report.rows[8][1].number, 6);
    EXPECT_EQ(t.report.rows[8][3].text, "Step 8.");
    EXPECT_DOUBLE_EQ(*t.report.rows[9][1].number, 12);
    EXPECT_EQ(t.report.rows[10][1].text, "120");
    EXPECT_NE(t.report.note.find("dial-based"), std::string::npos);
    EXPECT_NE(t.models.note.find("true stresses"), std::string::npos);
    EXPECT_EQ(t.recommendation, "Recommended model: Bingham");

    EXPECT_EQ(t.readings.header,
              (std::vector<std::string>{"Step", "Speed (rpm)", "Shear rate (1/s)",
                                        "Stress (lb/100ft2)", "Dial (deg)", "Temperature (°F)",
                                        "Points", "Stable", "Used", "Note"}));
    ASSERT_EQ(t.readings.rows.size(), 10u);
    EXPECT_EQ(cellOf(t.readings, 0, "Used").text, "yes");
    EXPECT_EQ(cellOf(t.readings, 0, "Stable").text, "yes");
    // A rest shows 0 rpm, not the 1e-6 it is stored as.
    EXPECT_EQ(cellOf(t.readings, 6, "Speed (rpm)").text, "0");
    EXPECT_EQ(cellOf(t.readings, 6, "Shear rate (1/s)").text, "0");
    EXPECT_EQ(cellOf(t.readings, 6, "Used").text, "no");
    EXPECT_EQ(cellOf(t.readings, 6, "Stable").text, "");
    EXPECT_EQ(cellOf(t.readings, 6, "Note").text, "Rest (0 rpm).");
    EXPECT_EQ(cellOf(t.readings, 9, "Note").text, "Gel measurement: the 10-min gel.");
    const Cell &rate = cellOf(t.readings, 0, "Shear rate (1/s)");
    EXPECT_DOUBLE_EQ(*rate.number, 600 * kRate);
    EXPECT_EQ(rate.text, "1021");

    ASSERT_EQ(t.field.rows.size(), fieldTable().size());
    EXPECT_EQ(t.field.rows[1][0].text, "PV");
    EXPECT_EQ(t.field.rows[1][1].text, "Plastic viscosity");
    EXPECT_EQ(t.field.rows[1][3].text, "cP");
    EXPECT_EQ(t.field.rows[1][2].text, displayNumber(*a.curves[0].field.PV.value));
    EXPECT_EQ(t.field.rows[2][3].text, "lb/100ft2");

    ASSERT_EQ(t.gels.rows.size(), 2u);
    EXPECT_EQ(t.gels.header,
              (std::vector<std::string>{"Step", "Gel", "Rest (s)", "Value (lb/100ft2)"}));
    EXPECT_EQ(t.gels.rows[1][0].text, "10");
    EXPECT_EQ(t.gels.rows[1][1].text, "10-min gel");
    EXPECT_EQ(t.gels.rows[1][2].text, "600");
    EXPECT_DOUBLE_EQ(*t.gels.rows[1][3].number, 12); // the peak dial reading

    // One column per quantity, headed by the symbols that share it.
    EXPECT_EQ(
        t.models.header,
        (std::vector<std::string>{"Model", "τ0/τy (lb/100ft2)", "μ/μp/μ∞ (cP)", "K (lb.s^n/100ft2)",
                                  "n", "R²", "RMS (lb/100ft2)", "Recommended", "Note"}));
    ASSERT_EQ(t.models.rows.size(), modelTable().size());
    EXPECT_EQ(t.models.rows[1][0].text, "Bingham");
    EXPECT_NEAR(*cellOf(t.models, 1, "τ0/τy (lb/100ft2)").number, 20 * 0.2088, 1e-6);
    EXPECT_NEAR(*cellOf(t.models, 1, "μ/μp/μ∞ (cP)").number, 20, 1e-6);
    EXPECT_EQ(cellOf(t.models, 1, "K (lb.s^n/100ft2)").text, "");
    EXPECT_EQ(cellOf(t.models, 1, "R²").text, "1.0000");
    EXPECT_EQ(cellOf(t.models, 1, "Recommended").text, "yes");
    EXPECT_EQ(cellOf(t.models, 0, "Recommended").text, "");
    EXPECT_NEAR(*cellOf(t.models, 3, "n").number, 1, 0.01); // Herschel-Bulkley
    EXPECT_NEAR(*cellOf(t.models, 4, "μ/μp/μ∞ (cP)").number,
                param(modelOf(a.curves[0], "casson"), "mu_inf"), 1e-9);
}

TEST(RheologyTables, LeftOutModelsAndMissingValuesSayWhy)
{
    // Two speeds: three-parameter Herschel-Bulkley is left out; no 3 rpm reading for LSYP.
    const Analysis a = run({{600, 46 * 5.11}, {300, 28 * 5.11}}, Units::SI);
    const CurveTables t = curveTables(a.curves.at(0), 0, 1, Units::SI);
    const auto &hb = t.models.rows[3];
    EXPECT_EQ(hb[0].text, "Herschel-Bulkley");
    for (std::size_t c = 1; c + 2 < hb.size(); ++c)
        EXPECT_EQ(hb[c].text, "") << t.models.header[c];
    EXPECT_EQ(hb.back().text, "Needs at least 4 readings above 0 rpm; the curve has 2.");
    EXPECT_EQ(t.field.rows[3][0].text, "LSYP");
    EXPECT_EQ(t.field.rows[3][2].text, "");
    EXPECT_FALSE(t.field.rows[3][2].number);
    EXPECT_EQ(t.field.rows[3][4].text, "No reading at 5.1 1/s (3 rpm with R1-B1).");
    EXPECT_EQ(t.field.rows[3][3].text, "dyn/cm2");
    EXPECT_EQ(t.recommendation, "Recommended model: none. Too few readings to compare models.");
    EXPECT_TRUE(t.gels.rows.empty());
}

TEST(RheologyTables, TextAsTabsAndAsColumns)
{
    Analysis a = run({{600, 300, 120},
                      {300, 200, 120},
                      {200, 150, 120},
                      {600, 250, 180},
                      {300, 160, 180},
                      {200, 120, 180}});
    ASSERT_EQ(a.curves.size(), 2u);
    const std::string tabs = analysisText(a, "Mud \"A\"", TextLayout::Tabs);
    const auto tl = lines(tabs);
    EXPECT_EQ(tl[0], "Rheology of Mud \"A\"");
    EXPECT_EQ(tl[1], "Units: EI (lb/100ft2, °F)");
    EXPECT_NE(tabs.find("\nFlow curve 1 of 2: 120 °F, steps 1-3\n"), std::string::npos);
    EXPECT_NE(tabs.find("\nFlow curve 2 of 2: 180 °F, steps 4-6\n"), std::string::npos);
    // Every line of a table has as many cells as its header.
    const auto header = std::find(tl.begin(), tl.end(), "Readings") + 1;
    const auto tabsIn = [](const std::string &s) { return std::count(s.begin(), s.end(), '\t'); };
    EXPECT_EQ(tabsIn(*header), 9);
    EXPECT_EQ(tabsIn(*(header + 1)), 9);
    EXPECT_EQ((header + 1)->substr(0, 6), "1\t600\t");
    EXPECT_NE(tabs.find("Gels\nA gel in lb/100ft2 is the step's peak dial reading (R1-B1/F1 "
                        "degrees).\nStep\tGel\tRest (s)\tValue (lb/100ft2)\n(none)\n"),
              std::string::npos);

    const std::string columns = analysisText(a, "Mud", TextLayout::Columns);
    EXPECT_EQ(columns.find('\t'), std::string::npos);
    const auto cl = lines(columns);
    const auto readings = std::find(cl.begin(), cl.end(), "Readings");
    ASSERT_NE(readings, cl.end());
    // Columns line up, numbers and their headings on the right.
    const std::string &h = *(readings + 1), &r = *(readings + 2);
    EXPECT_EQ(h.substr(0, 17), "Step  Speed (rpm)");
    EXPECT_EQ(r.substr(0, 17), "   1          600");
    const auto models = std::find(cl.begin(), cl.end(), "Models");
    ASSERT_NE(models, cl.end());
    EXPECT_EQ((models + 3)->substr(0, 11), "Newtonian  "); // after its note and header
    for (const std::string &l : cl)
        EXPECT_TRUE(l.empty() || l.back() != ' ') << l;

    const Analysis none = analyse({}, {}, Units::SI);
    EXPECT_EQ(analysisText(none, "E", TextLayout::Columns),
              "Rheology of E\nUnits: SI (dyn/cm2, °C)\nThe test has no points.\n");
}

TEST(RheologyTables, UnusablePointsAreNoted)
{
    auto points = pointsOf(sixSpeeds([](double g) { return 10 + 0.3 * g; }));
    points[0].stress = std::numeric_limits<double>::quiet_NaN();
    points[1].speed = std::numeric_limits<double>::quiet_NaN();
    const Analysis a = analyse(points, {}, Units::EI);
    EXPECT_EQ(analysisNotes(a), (std::vector<std::string>{"2 points were left out: a value is "
                                                          "missing or not a usable number."}));
}

TEST(RheologyChart, ReadingsAsPointsAndEachShownModelsCurve)
{
    auto steps = sixSpeeds([](double g) { return 20 + 0.2 * g; });
    steps.push_back({0, 30}); // a rest: neither fitted nor drawn
    const Analysis a = run(steps);
    const FlowCurve &c = a.curves.at(0);
    const double top = 600 * kRate;

    const ChartModel linear = flowCurveChart(c, Units::EI, {}, false, "T");
    EXPECT_EQ(linear.subtitle(), "T");
    EXPECT_EQ(linear.yAxisLabel(), "Shear Stress (lb/100ft2)");
    ASSERT_EQ(linear.subsetCount(), 1 + 5);
    EXPECT_TRUE(linear.series(0).markers);
    EXPECT_EQ(linear.series(0).x.size(), 6u);
    EXPECT_EQ(linear.series(2).label, "Bingham (recommended)");
    EXPECT_FALSE(linear.series(2).markers);
    // Linear axes: from a shear rate of 0, where the Bingham curve shows its yield stress.
    const ChartSeries &bingham = linear.series(2);
    ASSERT_EQ(bingham.x.size(), static_cast<size_t>(kCurveSamples + 1));
    EXPECT_EQ(bingham.x.front(), 0);
    EXPECT_NEAR(bingham.x.back(), top, 1e-9);
    EXPECT_NEAR(bingham.y.front(), 20 * 0.2088, 1e-6);
    EXPECT_EQ(linear.xScale(), ScaleType::Normal);

    // Log axes: over the readings' shear rates; hiding a model keeps the others' colours.
    std::vector<bool> shown(modelTable().size(), true);
    shown[0] = false;
    const ChartModel log = flowCurveChart(c, Units::EI, shown, true, "T");
    ASSERT_EQ(log.subsetCount(), 1 + 4);
    EXPECT_EQ(log.xScale(), ScaleType::Log);
    EXPECT_EQ(log.yScale(), ScaleType::Log);
    EXPECT_EQ(log.series(1).label, "Bingham (recommended)");
    EXPECT_EQ(log.series(1).color, linear.series(2).color);
    EXPECT_TRUE(log.series(1).colorSet);
    EXPECT_NEAR(log.series(1).x.front(), 3 * kRate, 1e-9);
    EXPECT_NEAR(log.series(1).x.back(), top, 1e-9);

    // Nothing fitted: the readings alone.
    const Analysis single = run({{300, 100}});
    EXPECT_EQ(flowCurveChart(single.curves.at(0), Units::EI, {}, false, "").subsetCount(), 1);
}
