#include "core/ChartModel.h"
#include "core/ChartTypes.h"
#include "core/CurveFit.h"

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
