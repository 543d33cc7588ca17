#include "ui/ChartView.h"
#include "ui/ProportionalLayout.h"
#include "ui/QtPrompter.h"

#include <QChart>
#include <QLegend>
#include <QComboBox>
#include <QFileInfo>

#include <cmath>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXYSeries>

#include <gtest/gtest.h>

using namespace viscora;

namespace {
ChartModel sample(int n, PlottingMethod method)
{
    ChartModel m;
    m.setMainTitle("T");
    m.setPointCount(n);
    std::vector<double> x, y;
    for (int i = 0; i < n; ++i) {
        x.push_back(i);
        y.push_back(2 + 0.5 * i);
    }
    m.setPoints(0, x, y);
    m.setPlottingMethod(method);
    return m;
}

qsizetype pointsOf(QChart *c, int series)
{
    return qobject_cast<QXYSeries *>(c->series().at(series))->count();
}
} // namespace

TEST(ChartView, BestFitShowsEquationAndRSquared)
{
    ChartView v;
    v.resize(600, 400);
    v.redraw(sample(20, PlottingMethod::BestFitLinear));
    EXPECT_EQ(v.fitText(), "τ = 2 + 0.5·x  (R² = 1.0000)");
    EXPECT_EQ(v.chart()->series().size(), 2);
    EXPECT_TRUE(v.chart()->legend()->isVisible());
    v.redraw(sample(20, PlottingMethod::Linear));
    EXPECT_TRUE(v.fitText().isEmpty());
    EXPECT_EQ(v.chart()->series().size(), 1);
    EXPECT_FALSE(v.chart()->legend()->isVisible()); // one series: nothing to tell apart
    EXPECT_TRUE(bestFitText(PlottingMethod::BestFitPower, {1, 2, 4}, {3, 3 * std::sqrt(2.0), 6})
                    .startsWith("τ = 3·x^0.5"));
}

TEST(ChartView, LongSeriesAreThinnedAndLogDropsNonPositive)
{
    ChartView v;
    v.resize(600, 400);
    v.redraw(sample(200000, PlottingMethod::Linear));
    EXPECT_LE(pointsOf(v.chart(), 0), 4 * 600);
    ChartModel m = sample(10, PlottingMethod::Linear);
    m.setXScale(ScaleType::Log);
    v.redraw(m);
    EXPECT_EQ(pointsOf(v.chart(), 0), 9); // x = 0 has no logarithm
    ChartModel empty;
    empty.setPointCount(ChartModel::kNoTestPointCount);
    v.redraw(empty);
    EXPECT_TRUE(v.chart()->series().isEmpty());
}

TEST(ChartView, PrintsToAPdf)
{
    QTemporaryDir dir;
    ChartView v;
    v.resize(600, 400);
    ChartModel m = sample(10, PlottingMethod::Spline);
    m.setMainTitle("Printed chart title");
    m.setXAxisLabel("Time (S)");
    v.redraw(m);
    const QString path = dir.filePath("c.pdf");
    {
        QPdfWriter pdf(path);
        v.print(pdf);
    }
    // One page, carrying the chart's own texts.
    QProcess info;
    info.start("pdfinfo", {path});
    ASSERT_TRUE(info.waitForFinished(10000));
    EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QRegularExpression("Pages: +1\\n")));
    QProcess text;
    text.start("pdftotext", {path, "-"});
    ASSERT_TRUE(text.waitForFinished(10000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(printed.contains("Printed chart title")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("Time (S)")) << printed.toStdString();
}

TEST(QtPrompter, FileFilters)
{
    EXPECT_EQ(qtFileFilter("(*.mdb)|*.mdb"), "(*.mdb)");
    EXPECT_EQ(qtFileFilter("Excel|*.xlsx|All|*"), "Excel (*.xlsx);;All (*)");
}
