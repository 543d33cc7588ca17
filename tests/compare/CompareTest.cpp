// Tests side by side: the rheology table, the overlaid chart and its alignments, the window.

#include "compare/Comparison.h"
#include "compare/frmCompare.h"
#include "core/Module1.h"
#include "support/JsonReader.h"
#include "support/ScriptedPrompter.h"
#include "support/SixSpeeds.h"
#include "support/TestDb.h"
#include "ui/ChartView.h"

#include <QApplication>
#include <QChart>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {

// Bingham muds: a yield stress and a plastic viscosity, in dyn/cm2 and cP.
std::vector<StoredPoint> bingham(double tau0, double mu, double fahrenheit = 120)
{
    return sixSpeedPoints([=](double rate) { return tau0 + mu / 100 * rate; }, fahrenheit);
}

std::vector<ComparedTest> read(TestDb &t, const std::vector<std::string> &names,
                               Units units = Units::EI)
{
    std::vector<ComparedTest> out;
    for (const std::string &n : names)
        out.push_back(must(readCompared(TestRepository(*t.db), n, units, Module1().rotorBob())));
    return out;
}

const ComparisonRow &row(const Comparison &c, const std::string &key)
{
    for (const ComparisonRow &r : c.rows)
        if (r.key == key)
            return r;
    static const ComparisonRow none;
    ADD_FAILURE() << key;
    return none;
}

} // namespace

// Each test's first flow curve in a column of its own; a test without points says why.
TEST(Comparison, TableOfEachTestsRheologySideBySide)
{
    TestDb t;
    t.addTest("Thin", bingham(20, 15));
    t.addTest("Thick", bingham(60, 40, 150));
    t.addTest("Empty", {});
    const Comparison c = compareTests(read(t, {"Thin", "Thick", "Empty"}), Units::EI);
    EXPECT_EQ(c.tests, (std::vector<std::string>{"Thin", "Thick", "Empty"}));
    std::vector<std::string> keys;
    for (const ComparisonRow &r : c.rows) {
        keys.push_back(r.key);
        EXPECT_EQ(r.values.size(), 3u) << r.key;
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"theta600", "theta300", "theta200", "theta100",
                                              "theta6", "theta3", "PV", "YP", "LSYP", "n", "K",
                                              "gel10s", "gel10min", "temperature"}));
    EXPECT_NEAR(*row(c, "PV").values[0], 15, 0.2);
    EXPECT_NEAR(*row(c, "PV").values[1], 40, 0.2);
    EXPECT_GT(*row(c, "YP").values[1], *row(c, "YP").values[0]);
    EXPECT_EQ(*row(c, "temperature").values[1], 150);
    EXPECT_FALSE(row(c, "gel10s").values[0]);
    EXPECT_FALSE(row(c, "PV").values[2]);
    EXPECT_EQ(c.recommended[0], "Bingham");
    EXPECT_EQ(c.recommended[2].rfind("none: ", 0), 0u) << c.recommended[2];
    EXPECT_EQ(row(c, "PV").label, "PV (cP)");
    EXPECT_EQ(row(c, "YP").label, "YP (lb/100ft2)");
    EXPECT_EQ(row(c, "theta600").label, "θ600 (°)");
    EXPECT_EQ(compareTests(read(t, {"Thin"}, Units::SI), Units::SI).rows[7].label, "YP (dyn/cm2)");

    const std::string text = comparisonText(c);
    EXPECT_EQ(text.rfind("Units: EI (lb/100ft2, °F)\n\tThin\tThick\tEmpty\nθ600 (°)\t", 0), 0u)
        << text;
    EXPECT_NE(text.find("\nPV (cP)\t14.99\t39.98\t-\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nRecommended model\tBingham\t"), std::string::npos) << text;

    const auto json = parseJson(comparisonJson(c));
    ASSERT_TRUE(json);
    EXPECT_EQ((*json)["units"].text, "EI");
    const auto &tests = (*json)["tests"].items;
    ASSERT_EQ(tests.size(), 3u);
    EXPECT_EQ(tests[1]["test"].text, "Thick");
    EXPECT_DOUBLE_EQ(tests[1]["PV"].number, *row(c, "PV").values[1]);
    EXPECT_TRUE(tests[2]["PV"].isNull());
    EXPECT_EQ(tests[0]["recommended"].text, "Bingham");
}

// One series per test; a time chart's X is the test's running time, its steps lined up with
// the longest test's, or its temperature; a chart against shear rate keeps its own X.
TEST(Comparison, ChartOverlaysEveryTestAlignedAsAsked)
{
    TestDb t;
    auto shortSteps = bingham(20, 15);
    for (StoredPoint &p : shortSteps)
        p.time /= 2; // 5 ... 30 s a step
    for (std::size_t i = 0; i < shortSteps.size(); ++i)
        shortSteps[i].temperature = 100 + static_cast<double>(i);
    t.addTest("Long", bingham(60, 40));
    t.addTest("Short", shortSteps);
    const auto tests = read(t, {"Long", "Short"});
    ChartModel chart;
    const int stressTime = 6;
    drawComparison(chart, stressTime, Alignment::TestTime, false, tests);
    ASSERT_EQ(chart.subsetCount(), 2);
    EXPECT_EQ(chart.series(0).label, "Long");
    EXPECT_EQ(chart.series(1).label, "Short");
    EXPECT_EQ(chart.mainTitle(), "Shear Stress vs. Time");
    EXPECT_EQ(chart.xAxisLabel(), "Time (S)");
    // The short test's second step starts after its first step's 30 s.
    EXPECT_EQ(chart.series(1).x[6], 35);
    drawComparison(chart, stressTime, Alignment::Step, false, tests);
    EXPECT_EQ(chart.xAxisLabel(), "Time, steps aligned (S)");
    EXPECT_EQ(chart.series(0).x[6], 70); // 60 s of step 1, then 10 s into step 2
    EXPECT_EQ(chart.series(1).x[6], 65); // its step 2 starts where the long one's does
    drawComparison(chart, stressTime, Alignment::Temperature, false, tests);
    EXPECT_EQ(chart.xAxisLabel(), "Temperature (°F)");
    EXPECT_EQ(chart.series(1).x.front(), 100);
    EXPECT_EQ(chart.series(1).x.back(), 135);
    // Against shear rate the alignment changes nothing: ascending shear rates.
    drawComparison(chart, 0, Alignment::Step, false, tests);
    EXPECT_TRUE(std::is_sorted(chart.series(0).x.begin(), chart.series(0).x.end()));
    EXPECT_EQ(chart.series(0).x.size(), 36u);
    drawComparison(chart, 0, Alignment::TestTime, false, {});
    EXPECT_EQ(chart.pointCount(), 0);
}

TEST(CompareWindow, PickSearchAddRemoveCopyAndSave)
{
    TestDb t;
    t.addTest("Mud A", bingham(20, 15));
    t.addTest("Mud B", bingham(60, 40));
    t.addTest("Cement", bingham(100, 80));
    ScriptedPrompter p;
    int prints = 0;
    TestRepository repo(*t.db);
    frmCompare w({repo, p, Units::EI, Module1().rotorBob(), [&](QWidget &) { ++prints; }});
    EXPECT_EQ(w.windowTitle(), "Compare Tests");
    EXPECT_EQ(w.lstTests->count(), 3);
    w.txtSearch->setText("mud");
    ASSERT_EQ(w.lstTests->count(), 2);
    w.lstTests->selectAll();
    ASSERT_TRUE(w.cmdAdd_Click());
    w.cmdAdd_Click(); // each test once
    EXPECT_EQ(w.lstCompared->count(), 2);
    ASSERT_EQ(w.compared().size(), 2u);
    EXPECT_EQ(w.chart().subsetCount(), 2);
    EXPECT_EQ(w.grdRheology->columnCount(), 2);
    EXPECT_EQ(w.grdRheology->horizontalHeaderItem(1)->text(), "Mud B");
    EXPECT_EQ(w.grdRheology->verticalHeaderItem(6)->text(), "PV (cP)");
    EXPECT_EQ(w.grdRheology->item(14, 0)->text(), "Bingham");
    EXPECT_TRUE(w.Pesgo1->chart()->legend()->isVisible());
    if (const QByteArray dir = qgetenv("VISCORA_SHOTS"); !dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        w.grab().save(QString::fromLocal8Bit(dir) + "/compare.png");
    }

    w.cmdCopy_Click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              comparisonText(compareTests(w.compared(), Units::EI)));
    const QString png = t.dir.filePath("compare.png");
    p.files.push_back(png.toStdString());
    w.cmdSaveChart_Click();
    EXPECT_FALSE(QImage(png).isNull());
    p.files.push_back(""); // cancelled: nothing written, nothing said
    w.cmdSaveChart_Click();
    w.cmdPrint_Click();
    EXPECT_EQ(prints, 1);

    w.lstCompared->item(0)->setSelected(true);
    w.cmdRemove_Click();
    ASSERT_EQ(w.compared().size(), 1u);
    EXPECT_EQ(w.compared()[0].name, "Mud B");
    EXPECT_EQ(w.grdRheology->columnCount(), 1);
    EXPECT_EQ(w.chart().subsetCount(), 1);
    EXPECT_TRUE(p.shown.empty());

    // A test that cannot be read is said, and the others stay.
    ASSERT_TRUE(t.exec("ALTER TABLE TestResult RENAME COLUMN Gel TO Other"));
    w.txtSearch->setText("cement");
    w.lstTests->selectAll();
    EXPECT_FALSE(w.cmdAdd_Click());
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown.back().title, "Database Error");
    EXPECT_EQ(w.compared().size(), 1u);
}
