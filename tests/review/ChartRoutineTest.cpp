#include "review/MainChart.h"
#include "core/Module1.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDb.h"
#include "review/TestReview.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace viscora;
using namespace viscora::test;

namespace {

// A temperature ramp that goes up and down, over three steps whose times restart.
std::vector<StoredPoint> rampTest()
{
    return {point(1, 300, 100, 600, 900), point(1, 600, 150, 300, 600), point(2, 30, 200, 100, 300),
            point(2, 60, 180, 200, 450),  point(3, 10, 120, 3, 100),    point(3, 20.5, 90, 6, 150)};
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
        review = std::make_unique<TestReview>(m, *t.db, p);
        review->initialChart();
    }
    void open(const std::string &name)
    {
        m.CurrentTestName = name;
        review->openCurrentTest();
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
    f.review->overlayTest();
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
    f.review->overlayTest();
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
    f.review->overlayTest();
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
    EXPECT_FALSE(f.m.UnitChanged);
    EXPECT_EQ(f.review->grid().cellText(0, 2), "37.8");
    EXPECT_EQ(f.review->grid().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
              "Temp\n(C°)");
    EXPECT_EQ(f.review->chart().yAxisLabel(), "Shear Stress (dyn/cm2)");
}
