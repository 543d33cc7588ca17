#include "core/ChartGeometry.h"
#include "core/ChartModel.h"
#include "core/ChartTypes.h"
#include "core/CurveFit.h"
#include "core/TestQuery.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace viscora;

TEST(ChartTypes, ListTextsLabelsAndTitles)
{
    const char *lists[] = {"Shr. Stress Vs. Shr. Rate", "Viscocity Vs. Shear Rate",
                           "Shr. Stress Vs. Speed",     "Viscocity Vs. Speed",
                           "Viscocity Vs. Temperature", "Shr. Stress Vs. Temperature",
                           "Shr. Stress Vs. Time",      "Viscocity Vs. Time",
                           "Temperature Vs. Time",      "Fann_Deg Vs. Speed"};
    for (int t = 0; t < kChartTypeCount; ++t)
        EXPECT_STREQ(chartType(t).listText, lists[t]);
    EXPECT_EQ(chartType(3).xLabel(false), "Speed(Rpm)");
    EXPECT_EQ(chartType(0).yLabel(false), "Shear Stress (lb/100ft2)");
    EXPECT_EQ(chartType(5).yLabel(true), "Shear Stress (dyn/cm2)");
    EXPECT_EQ(chartType(8).yLabel(true), "Temperature (°C)");
    EXPECT_EQ(chartType(4).xLabel(false), "Temperature (°F)");
    EXPECT_STREQ(chartType(9).title, "fann35 Dial vs. Speed");
    EXPECT_EQ(chartType(9).yLabel(true), "fann35 Dial (Deg)");
    EXPECT_EQ(chartType(6).treatment, XTreatment::RunningTime);
    EXPECT_EQ(chartType(9).treatment, XTreatment::Sorted);
}

TEST(ChartModel, PointsNeverWrittenOutsideTheData)
{
    ChartModel c;
    c.setY(0, 3, 7);
    EXPECT_EQ(c.series(0).x.size(), 4u);
    EXPECT_EQ(c.y(0, 3), 7);
    EXPECT_EQ(c.y(0, 10), 0);
    EXPECT_EQ(c.y(5, 0), 0);
    c.setX(-1, 0, 1);
    c.setX(0, -1, 1);
    EXPECT_EQ(c.subsetCount(), 1);
    c.setPointCount(ChartModel::kNoTestPointCount);
    EXPECT_EQ(c.drawnPointCount(0), 0u);
    c.setPointCount(4);
    EXPECT_EQ(c.drawnPointCount(0), 4u);
    EXPECT_EQ(consoleColor(9), 0x0000FFu);
    EXPECT_EQ(consoleColor(12), 0xFF0000u);
}

TEST(CurveFit, LineAndPowerLaw)
{
    std::vector<double> x{1, 2, 3, 4, 5}, y;
    for (double v : x)
        y.push_back(2 + 3 * v);
    auto lf = fitLinear(x, y);
    ASSERT_TRUE(lf);
    EXPECT_NEAR(lf->a, 2, 1e-12);
    EXPECT_NEAR(lf->b, 3, 1e-12);
    EXPECT_NEAR(lf->r2, 1, 1e-12);
    y.clear();
    for (double v : x)
        y.push_back(1.5 * std::pow(v, 0.6));
    y.push_back(5);
    x.push_back(0); // no logarithm: left out
    auto pf = fitPower(x, y);
    ASSERT_TRUE(pf);
    EXPECT_NEAR(pf->k, 1.5, 1e-9);
    EXPECT_NEAR(pf->n, 0.6, 1e-9);
    EXPECT_FALSE(fitLinear({1}, {1}));
    EXPECT_FALSE(fitLinear({2, 2}, {1, 3}));
}

TEST(CurveFit, FlatDataIsFittedExactly)
{
    // Every point on the horizontal line: nothing is left unexplained, so R² is 1, not 0/0.
    const auto lf = fitLinear({1, 2, 3}, {4, 4, 4});
    ASSERT_TRUE(lf);
    EXPECT_EQ(lf->b, 0);
    EXPECT_EQ(lf->a, 4);
    EXPECT_EQ(lf->r2, 1);
    const auto pf = fitPower({1, 2, 3}, {4, 4, 4});
    ASSERT_TRUE(pf);
    EXPECT_NEAR(pf->n, 0, 1e-12);
    EXPECT_EQ(pf->r2, 1);
}

TEST(CurveFit, DecimationKeepsExtremesAndEnds)
{
    std::vector<double> y(100000);
    for (size_t i = 0; i < y.size(); ++i)
        y[i] = std::sin(static_cast<double>(i) / 1000.0);
    y[54321] = 50;
    y[12345] = -50;
    const auto keep = decimateMinMax(y, 500);
    EXPECT_LE(keep.size(), 2000u);
    EXPECT_EQ(keep.front(), 0u);
    EXPECT_EQ(keep.back(), y.size() - 1);
    EXPECT_TRUE(std::is_sorted(keep.begin(), keep.end()));
    EXPECT_NE(std::find(keep.begin(), keep.end(), 54321u), keep.end());
    EXPECT_NE(std::find(keep.begin(), keep.end(), 12345u), keep.end());
    EXPECT_EQ(decimateMinMax({1, 2, 3}, 500).size(), 3u);
}

TEST(ChartGeometry, LogAxesLabelWhatFitsBetweenTheirPoints)
{
    struct Case {
        double lo, hi, minGap;
        std::vector<double> ticks;
    };
    const Case cases[] = {
        // The sparsest labels that are enough to read by, none beyond the points' room.
        {340, 1021, 0, {400, 500, 600, 700, 800, 900, 1000}},
        {5, 1000, 0, {5, 10, 20, 50, 100, 200, 500, 1000}},
        {0.2, 5000, 0, {0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000}},
        {1, 1e9, 0, {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9}},
        // Within a decade, steps finer than its digits.
        {62.6, 188, 0, {70, 80, 90, 100, 120, 140, 160, 180}},
        // Little room: the set whose neighbours stay apart, then every few decades.
        {62.6, 188, 0.1, {50, 100, 200}},
        {340, 1021, 0.1, {500, 1000}},
        {5, 1000, 0.5, {10, 100, 1000}},
        {1, 1e9, 2.5, {1, 1e3, 1e6, 1e9}},
        // Too narrow for two labels inside: widened to the nearest ticks around it.
        {340, 390, 0, {300, 350, 400}},
        {340, 390, 0.1, {300, 400}},
        {340, 390, 0.5, {100, 1000}},
    };
    for (const Case &c : cases) {
        const LogAxis a = logAxis(c.lo, c.hi, c.minGap);
        ASSERT_EQ(a.ticks.size(), c.ticks.size()) << c.lo << "-" << c.hi << " gap " << c.minGap;
        for (size_t i = 0; i < a.ticks.size(); ++i)
            EXPECT_NEAR(a.ticks[i], c.ticks[i], c.ticks[i] * 1e-12) << c.lo << " tick " << i;
        // Every point and every label lies on the axis, the points a little inside its ends.
        EXPECT_LT(a.lo, c.lo);
        EXPECT_GT(a.hi, c.hi);
        EXPECT_LE(a.lo, a.ticks.front() * (1 + 1e-12));
        EXPECT_GE(a.hi, a.ticks.back() * (1 - 1e-12));
        for (size_t i = 1; i < a.ticks.size(); ++i)
            EXPECT_GE(std::log10(a.ticks[i] / a.ticks[i - 1]), c.minGap - 1e-12);
    }
    EXPECT_TRUE(logAxis(0, 10).ticks.empty());
}

TEST(ChartGeometry, SeriesRangesFitsAndLogCoordinates)
{
    ChartModel m;
    m.setPointCount(5);
    m.setPoints(0, {0, 340, 500, 1021, 700}, {-1, 10, 20, 40, 30});
    m.setPlottingMethod(PlottingMethod::BestFitLinear);

    ChartGeometry g = chartGeometry(m, 200);
    ASSERT_EQ(g.series.size(), 1u);
    EXPECT_EQ(g.series[0].x.size(), 5u);
    EXPECT_FALSE(g.x.log);
    EXPECT_EQ(g.x.min, 0);
    EXPECT_EQ(g.x.max, 1021);
    EXPECT_EQ(g.y.min, -1);
    EXPECT_EQ(g.y.max, 40);
    ASSERT_TRUE(g.series[0].fit);
    // The fitted curve is sampled over the drawn points' x range.
    ASSERT_EQ(g.series[0].fitX.size(), 101u);
    EXPECT_EQ(g.series[0].fitX.front(), 0);
    EXPECT_EQ(g.series[0].fitX.back(), 1021);
    EXPECT_DOUBLE_EQ(g.series[0].fitY[50], g.series[0].fit->at(510.5));

    // On log axes, points without a logarithm are left out and the rest are log10 values.
    m.setXScale(ScaleType::Log);
    m.setYScale(ScaleType::Log);
    g = chartGeometry(m, 200);
    ASSERT_EQ(g.series[0].x.size(), 4u);
    EXPECT_DOUBLE_EQ(g.series[0].x[0], std::log10(340.0));
    EXPECT_DOUBLE_EQ(g.x.min, std::log10(logAxis(340, 1021).lo));
    EXPECT_DOUBLE_EQ(g.x.max, std::log10(logAxis(340, 1021).hi));
    EXPECT_EQ(g.x.ticks.front().second, "400");
    EXPECT_EQ(g.x.ticks.back().second, "1000");
    // On a short axis the labels thin out to what keeps them apart.
    g = chartGeometry(m, 200, AxisRoom{100, 40});
    EXPECT_LT(g.x.ticks.size(), 7u);
    for (size_t i = 1; i < g.x.ticks.size(); ++i)
        EXPECT_GE((g.x.ticks[i].first - g.x.ticks[i - 1].first) / (g.x.max - g.x.min) * 100,
                  40 - 1e-9);
    for (double y : g.series[0].fitY)
        EXPECT_TRUE(std::isfinite(y));

    // One point: the axis opens around it; no points: a default range.
    ChartModel one;
    one.setPointCount(1);
    one.setPoints(0, {5}, {7});
    g = chartGeometry(one, 200);
    EXPECT_EQ(g.x.min, 4);
    EXPECT_EQ(g.x.max, 6);
    ChartModel none;
    none.setPointCount(ChartModel::kNoTestPointCount);
    g = chartGeometry(none, 200);
    EXPECT_TRUE(g.series.empty());
    EXPECT_EQ(g.y.min, 0);
    EXPECT_EQ(g.y.max, 1);
}

TEST(ChartGeometry, LongSeriesAreThinnedButFittedOnEveryPoint)
{
    ChartModel m;
    std::vector<double> x, y;
    for (int i = 0; i < 100000; ++i) {
        x.push_back(i);
        y.push_back(3 + 2.0 * i + (i % 2 ? 1 : -1));
    }
    m.setPointCount(static_cast<int>(x.size()));
    m.setPoints(0, x, y);
    m.setPlottingMethod(PlottingMethod::BestFitLinear);
    const ChartGeometry g = chartGeometry(m, 300);
    EXPECT_LE(g.series[0].x.size(), 4u * 300);
    ASSERT_TRUE(g.series[0].fit);
    EXPECT_NEAR(g.series[0].fit->b, 2.0, 1e-6);
    EXPECT_NEAR(g.series[0].fit->a, 3.0, 1e-3);
}

TEST(ChartGeometry, ABrokenLineIsDrawnInPieces)
{
    ChartModel m;
    m.setPointCount(6);
    m.setPoints(0, {1, 2, 3, 40, 41, 42}, {5, 6, 7, 8, 9, 10});
    m.setBreaks(0, {3});
    ChartGeometry g = chartGeometry(m, 200);
    ASSERT_EQ(g.series.size(), 1u);
    EXPECT_EQ(g.series[0].pieces, (std::vector<std::size_t>{0, 3}));
    EXPECT_EQ(g.series[0].x.size(), 6u);
    // A break on a point an axis cannot show still breaks the line there.
    m.setYScale(ScaleType::Log);
    m.setPoints(0, {1, 2, 3, 40, 41, 42}, {5, 6, 7, -8, 9, 10});
    m.setBreaks(0, {3});
    g = chartGeometry(m, 200);
    EXPECT_EQ(g.series[0].pieces, (std::vector<std::size_t>{0, 3}));
    EXPECT_EQ(g.series[0].x.size(), 5u);
    // No breaks: one piece.
    m.setPoints(0, {1, 2}, {3, 4});
    EXPECT_EQ(chartGeometry(m, 200).series[0].pieces, (std::vector<std::size_t>{0}));
}

TEST(ChartGeometry, RestPointsAreNeverFittedAndDrawnOnlyWhereTheyCannotSwampAnAxis)
{
    struct Case {
        int xColumn, yColumn;
        bool xLog, yLog;
        std::size_t drawn;
    };
    const Case cases[] = {
        {col::ShearRate, col::ShearStress, false, false, 5},
        {col::ShearRate, col::ShearStress, true, false, 4},
        {col::Speed, col::Dial, true, false, 4},
        {col::ShearRate, col::Viscosity, false, false, 4},
        {col::Temperature, col::Viscosity, false, false, 4},
        {col::Time, col::ShearStress, true, true, 5},
        {-1, -1, true, true, 5}, // not a test's rows
    };
    ChartModel m;
    m.setPointCount(5);
    // A rest point among them, as sorted by temperature.
    m.setPoints(0, {10, 20, 30, 40, 50}, {3, 5, 900, 9, 11});
    m.setRests(0, {2});
    m.setPlottingMethod(PlottingMethod::BestFitLinear);
    for (const Case &c : cases) {
        m.setAxisColumns(c.xColumn, c.yColumn);
        m.setXScale(c.xLog ? ScaleType::Log : ScaleType::Normal);
        m.setYScale(c.yLog ? ScaleType::Log : ScaleType::Normal);
        const ChartGeometry g = chartGeometry(m, 200);
        ASSERT_EQ(g.series.size(), 1u);
        EXPECT_EQ(g.series[0].x.size(), c.drawn) << c.xColumn << "," << c.yColumn;
        EXPECT_EQ(g.series[0].pieces, (std::vector<std::size_t>{0}));
        ASSERT_TRUE(g.series[0].fit);
        EXPECT_NEAR(g.series[0].fit->b, 0.2, 1e-12);
        EXPECT_NEAR(g.series[0].fit->r2, 1, 1e-12);
    }
    m.setAxisColumns(col::ShearRate, col::Viscosity);
    m.setXScale(ScaleType::Normal);
    m.setYScale(ScaleType::Normal);
    EXPECT_NEAR(chartGeometry(m, 200).y.max, 11, 1e-12);
    // New points are no longer the rest.
    m.setPoints(0, {10, 20, 30}, {3, 5, 900});
    EXPECT_EQ(chartGeometry(m, 200).series[0].x.size(), 3u);
}
