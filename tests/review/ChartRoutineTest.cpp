#include "review/MainChart.h"
#include "core/ChartGeometry.h"
#include "core/ChartTypes.h"
#include "core/Module1.h"
#include "core/Units.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDb.h"
#include "review/TestReview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace viscora;
using namespace viscora::test;

namespace {

// A temperature ramp that goes up and down, over three steps whose times restart.
std::vector<StoredPoint> rampTest()
{
    return {point(1, 300, 100, 600, 900), point(1, 600, 150, 300, 600), point(2, 30, 200, 100, 300),
            point(2, 60, 180, 200, 450),  point(3, 10, 120, 3, 100),    point(3, 20.5, 90, 6, 150)};
}

// 600, 300 and 100 rpm, a rest step (stored as the instrument stores a stopped rotor), then 3
// rpm; the stresses of the turning steps follow 10·speed^0.49. The temperatures put the rest
// among the others when sorted by temperature.
constexpr std::size_t kRestRow = 3;
std::vector<StoredPoint> restedTest()
{
    const auto turning = [](int step, double temp, double rpm) {
        return point(step, 10, temp, rpm, 10 * std::pow(rpm, 0.49));
    };
    return {turning(1, 120, 600), turning(2, 122, 300), turning(3, 118, 100),
            point(4, 10, 121, formula::storedSpeed(0), 8), turning(5, 10, 119)};
}

struct Fixture {
    TestDb t;
    Module1 m;
    ScriptedPrompter p;
    std::unique_ptr<TestReview> review;
    explicit Fixture(int units = 1)
    {
        m.UnitSystem = units;
        t.addTest("ramp", rampTest());
        t.addTest("long", {point(1, 1, 100, 1, 1), point(1, 2, 100, 2, 2), point(1, 3, 100, 3, 3),
                           point(1, 4, 100, 4, 4), point(1, 5, 100, 5, 5), point(1, 6, 100, 6, 6),
                           point(1, 7, 100, 7, 7)});
        t.addTest("empty", {});
        t.addTest("rested", restedTest());
        review = std::make_unique<TestReview>(m, *t.db, p);
        review->initialChart();
    }
    void open(const std::string &name)
    {
        m.CurrentTestName = name;
        review->openCurrentTest();
        m.keep(review->takeChanges());
    }
    void overlay()
    {
        review->overlayTest();
        m.keep(review->takeChanges());
    }
};

} // namespace

TEST(ChartRoutine, SortedTypesShowAscendingX)
{
    Fixture f;
    f.open("ramp");
    for (int type : {0, 1, 2, 3, 4, 5, 9}) {
        f.review->selectChartType(type);
        const ChartSeries &s = f.review->chart().series(0);
        ASSERT_EQ(s.x.size(), 6u) << type;
        EXPECT_TRUE(std::is_sorted(s.x.begin(), s.x.end())) << type;
        EXPECT_EQ(f.review->chartState().ChartType, type);
    }
    // Each point keeps its own Y: temperature 90 goes with the 150 dyn/cm2 point.
    f.review->selectChartType(5);
    const ChartSeries &s = f.review->chart().series(0);
    EXPECT_EQ(s.x.front(), 90);
    EXPECT_DOUBLE_EQ(s.y.front(), 150 * 0.2088);
}

TEST(ChartRoutine, RunningTimeJoinsTheSteps)
{
    Fixture f;
    f.open("ramp");
    f.review->selectChartType(6);
    const ChartSeries &s = f.review->chart().series(0);
    EXPECT_EQ(s.x, (std::vector<double>{300, 600, 630, 660, 670, 680.5}));
    EXPECT_EQ(f.review->chart().mainTitle(), "Shear Stress vs. Time");
    EXPECT_EQ(f.review->chart().xAxisLabel(), "Time (S)");
}

TEST(ChartRoutine, TimeChartsMarkEachStepAndEveryPointKnowsItsPlace)
{
    Fixture f;
    f.open("ramp");
    f.review->selectChartType(6);
    const ChartModel &time = f.review->chart();
    EXPECT_TRUE(time.timeAxis());
    EXPECT_EQ(time.timeMarks(),
              (std::vector<TimeMark>{{300, "Step 1 · 600 rpm", TimeMarkKind::StepBoundary},
                                     {630, "Step 2 · 100 rpm", TimeMarkKind::StepBoundary},
                                     {670, "Step 3 · 3 rpm", TimeMarkKind::StepBoundary}}));
    EXPECT_EQ(time.viscosityFactor(), 0);
    ASSERT_EQ(time.series(0).places.size(), 6u);
    EXPECT_EQ(time.series(0).places[2].step, 2);
    EXPECT_EQ(time.series(0).places[2].stepTime, 30);
    EXPECT_EQ(time.series(0).places[2].totalTime, 630);
    // Sorted by shear rate: the places go with their points; a flow curve reads viscosity.
    f.review->selectChartType(0);
    const ChartModel &flow = f.review->chart();
    EXPECT_FALSE(flow.timeAxis());
    EXPECT_TRUE(flow.timeMarks().empty());
    EXPECT_EQ(flow.viscosityFactor(), flowCurveViscosityFactor(false));
    EXPECT_EQ(flow.series(0).places.front().step, 3);
    EXPECT_EQ(flow.series(0).places.front().totalTime, 670);
    EXPECT_EQ(flow.series(0).places.back().step, 1);
    f.review->selectChartType(1);
    EXPECT_EQ(f.review->chart().viscosityFactor(), 0);
}

TEST(RunningTime, HalfSecondsRoundToEven)
{
    std::vector<QueryRow> rows(4);
    rows[0][col::Step] = 1;
    rows[0][col::Time] = 10.5;
    rows[1][col::Step] = 2;
    rows[1][col::Time] = 1;
    rows[2][col::Step] = 2;
    rows[2][col::Time] = 11.5;
    rows[3][col::Step] = 3;
    rows[3][col::Time] = 0;
    // 10.5 counts as 10, 11.5 as 12.
    EXPECT_EQ(runningTime(rows), (std::vector<double>{10.5, 11, 21.5, 22}));
}

TEST(ChartRoutine, SiLabelsAndValues)
{
    Fixture f(2);
    f.open("ramp");
    f.review->selectChartType(8);
    EXPECT_EQ(f.review->chart().yAxisLabel(), "Temperature (°C)");
    EXPECT_DOUBLE_EQ(f.review->chart().series(0).y[0], (100 - 32) * 5 / 9.0);
    f.review->selectChartType(0);
    EXPECT_EQ(f.review->chart().yAxisLabel(), "Shear Stress (dyn/cm2)");
}

TEST(ChartRoutine, NoTestKeepsTheEmptyDefault)
{
    Fixture f;
    f.review->selectChartType(4);
    EXPECT_EQ(f.review->chartState().ChartType, 0);
    EXPECT_EQ(f.review->chartState().PointCount, ChartModel::kNoTestPointCount);
    EXPECT_EQ(f.review->chart().mainTitle(), "Shear Stress Vs. Shear Rate");
    EXPECT_EQ(f.review->chart().yAxisLabel(), "Shear Stress (lb/100ft2)");
    EXPECT_EQ(f.review->chart().series(0).label, "Shear Stress");
    EXPECT_EQ(f.review->chart().series(0).color, 9);
    EXPECT_EQ(f.review->chart().plottingMethod(), PlottingMethod::Linear);
    EXPECT_EQ(f.review->chart().drawnPointCount(0), 0u);
}

TEST(ChartRoutine, OpeningResetsScalesAndEmptyTestDisablesRelatedInfo)
{
    Fixture f;
    f.open("ramp");
    EXPECT_TRUE(f.review->relatedInfoEnabled);
    EXPECT_FALSE(f.m.NoTestShown);
    f.review->setXScale(ScaleType::Log);
    f.review->setYScale(ScaleType::Log);
    f.open("empty");
    EXPECT_FALSE(f.review->relatedInfoEnabled);
    EXPECT_EQ(f.review->chart().xScale(), ScaleType::Normal);
    EXPECT_EQ(f.review->chart().yScale(), ScaleType::Normal);
    EXPECT_EQ(f.review->grid().rowCount(), 0);
}

TEST(Overlay, AccumulatesSeriesAndWarnsWhenLonger)
{
    Fixture f;
    f.open("ramp");
    f.review->selectChartType(2);
    f.m.OverlapTestName = "long";
    f.overlay();
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].text,
              "Last opened test has more data points than the first one.  Please open the one "
              "has most amount of sample point first, then overlay others.");
    EXPECT_EQ(f.p.shown[0].title, "");
    const ChartModel &c = f.review->chart();
    ASSERT_EQ(c.subsetCount(), 2);
    EXPECT_EQ(c.series(1).x.size(), 7u);
    EXPECT_EQ(c.series(0).label, "ramp");
    EXPECT_EQ(c.series(1).label, "long");
    EXPECT_EQ(c.mainTitle(), "Shear Stress vs. Speed");
    // The same choice again (as after a cancelled dialog) adds one more series.
    f.overlay();
    EXPECT_EQ(f.review->chart().subsetCount(), 3);
    // A chart-type switch leaves the opened test alone.
    f.review->selectChartType(0);
    EXPECT_EQ(f.review->chart().subsetCount(), 1);
}

TEST(Overlay, ItselfDoesNothing)
{
    Fixture f;
    f.open("ramp");
    f.m.OverlapTestName = "ramp";
    f.overlay();
    EXPECT_EQ(f.review->chart().subsetCount(), 1);
}

TEST(UnitChange, ActivationRefillsInNewUnits)
{
    Fixture f;
    f.open("ramp");
    EXPECT_EQ(f.review->grid().cellText(0, 2), "100.0");
    f.m.UnitSystem = 2;
    f.m.UnitChanged = true;
    f.review->activate();
    f.m.keep(f.review->takeChanges());
    EXPECT_FALSE(f.m.UnitChanged);
    EXPECT_EQ(f.review->grid().cellText(0, 2), "37.8");
    EXPECT_EQ(f.review->grid().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
              "Temp\n(C°)");
    EXPECT_EQ(f.review->chart().yAxisLabel(), "Shear Stress (dyn/cm2)");
}

namespace {

// The points a chart shows (plot coordinates), in ascending order.
std::vector<std::pair<double, double>> shown(const ChartModel &chart, int series = 0)
{
    std::vector<std::pair<double, double>> out;
    for (const SeriesGeometry &sg : chartGeometry(chart, 200).series)
        if (sg.index == series)
            for (std::size_t i = 0; i < sg.x.size(); ++i)
                out.emplace_back(sg.x[i], sg.y[i]);
    std::sort(out.begin(), out.end());
    return out;
}

// The same points worked out from the query's rows, leaving out one row.
std::vector<std::pair<double, double>> expectedPoints(const std::vector<QueryRow> &rows, int type,
                                                      bool xLog, bool yLog, std::size_t without)
{
    const ChartType &t = chartType(type);
    const std::vector<double> times = runningTime(rows);
    std::vector<std::pair<double, double>> out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i == without)
            continue;
        const double x = t.treatment == XTreatment::RunningTime
                             ? times[i]
                             : rows[i][static_cast<std::size_t>(t.xColumn)];
        const double y = rows[i][static_cast<std::size_t>(t.yColumn)];
        out.emplace_back(xLog ? std::log10(x) : x, yLog ? std::log10(y) : y);
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(RestStep, EachChartTypeShowsOrLeavesOutTheRest)
{
    struct Case {
        int type;
        bool xLog, yLog, restShown;
    };
    const Case cases[] = {
        {0, false, false, true},  // stress vs shear rate: the rest at its stress, near 0
        {1, false, false, false}, // viscosity
        {2, false, false, true},
        {3, false, false, false},
        {4, false, false, false},
        {5, false, false, true},
        {6, false, false, true},
        {7, false, false, false},
        {8, false, false, true},
        {9, false, false, true},
        // A logarithmic axis of shear rate or speed would reach down to the rest alone.
        {0, true, false, false},
        {0, false, true, true},
        {0, true, true, false},
        {2, true, false, false},
        {9, true, false, false},
        {5, true, true, true},
        {6, true, true, true},
        {8, true, true, true},
    };
    Fixture f;
    f.open("rested");
    const std::vector<QueryRow> &rows = f.review->grid().rows();
    ASSERT_EQ(rows.size(), 5u);
    for (const Case &c : cases) {
        f.review->selectChartType(c.type);
        f.review->setXScale(c.xLog ? ScaleType::Log : ScaleType::Normal);
        f.review->setYScale(c.yLog ? ScaleType::Log : ScaleType::Normal);
        EXPECT_EQ(shown(f.review->chart()), expectedPoints(rows, c.type, c.xLog, c.yLog,
                                                           c.restShown ? rows.size() : kRestRow))
            << "type " << c.type << " log " << c.xLog << c.yLog;
        // Only the drawing leaves the rest out; the series holds every row.
        EXPECT_EQ(f.review->chart().series(0).x.size(), 5u);
    }
}

TEST(RestStep, ViscosityChartsAreScaledToTheTurningSteps)
{
    Fixture f;
    f.open("rested");
    const std::vector<QueryRow> &rows = f.review->grid().rows();
    ASSERT_GT(rows[kRestRow][col::Viscosity], 1e8); // as the query works it out
    double most = 0;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (i != kRestRow)
            most = std::max(most, rows[i][col::Viscosity]);
    for (int type : {1, 3, 4, 7}) {
        f.review->selectChartType(type);
        const ChartGeometry g = chartGeometry(f.review->chart(), 200);
        EXPECT_DOUBLE_EQ(g.y.max, most) << type;
    }
    // Over time, the points on either side of the rest are not joined.
    f.review->selectChartType(7);
    ASSERT_EQ(chartGeometry(f.review->chart(), 200).series.size(), 1u);
    EXPECT_EQ(chartGeometry(f.review->chart(), 200).series[0].pieces,
              (std::vector<std::size_t>{0, 3}));
    f.review->selectChartType(6);
    EXPECT_EQ(chartGeometry(f.review->chart(), 200).series[0].pieces,
              (std::vector<std::size_t>{0}));
    // Log–log, the shear rate axis starts near the slowest turning step, not at 1e-6.
    f.review->selectChartType(1);
    f.review->setXScale(ScaleType::Log);
    f.review->setYScale(ScaleType::Log);
    EXPECT_GT(chartGeometry(f.review->chart(), 200).x.min, 0);
}

TEST(RestStep, BestFitsLeaveTheRestOut)
{
    struct Case {
        int type;
        PlottingMethod method;
    };
    const Case cases[] = {{0, PlottingMethod::BestFitPower},
                          {0, PlottingMethod::BestFitLinear},
                          {2, PlottingMethod::BestFitPower},
                          {6, PlottingMethod::BestFitLinear}};
    Fixture f;
    f.open("rested");
    const std::vector<QueryRow> &rows = f.review->grid().rows();
    for (const Case &c : cases) {
        f.review->selectChartType(c.type);
        f.review->chart().setPlottingMethod(c.method);
        std::vector<double> xs, ys;
        for (const auto &[x, y] : expectedPoints(rows, c.type, false, false, kRestRow)) {
            xs.push_back(x);
            ys.push_back(y);
        }
        const auto want = fitSeries(c.method, xs, ys);
        const ChartGeometry g = chartGeometry(f.review->chart(), 200);
        ASSERT_TRUE(want && g.series[0].fit) << c.type;
        EXPECT_DOUBLE_EQ(g.series[0].fit->a, want->a) << c.type;
        EXPECT_DOUBLE_EQ(g.series[0].fit->b, want->b) << c.type;
        EXPECT_DOUBLE_EQ(g.series[0].fit->r2, want->r2) << c.type;
    }
    // The power law of the turning steps themselves.
    f.review->selectChartType(0);
    f.review->chart().setPlottingMethod(PlottingMethod::BestFitPower);
    const auto fit = chartGeometry(f.review->chart(), 200).series[0].fit;
    ASSERT_TRUE(fit);
    EXPECT_NEAR(fit->b, 0.49, 1e-3);
    EXPECT_NEAR(fit->r2, 1, 1e-6);
}

TEST(Overlay, TheOverlaidTestLeavesOutItsRestToo)
{
    Fixture f;
    f.open("rested");
    const std::vector<QueryRow> rested = f.review->grid().rows();
    f.open("ramp");
    f.review->selectChartType(1);
    f.m.OverlapTestName = "rested";
    f.overlay();
    ASSERT_EQ(f.review->chart().subsetCount(), 2);
    EXPECT_EQ(shown(f.review->chart(), 1), expectedPoints(rested, 1, false, false, kRestRow));
    EXPECT_LT(chartGeometry(f.review->chart(), 200).y.max, 1e6);
}
