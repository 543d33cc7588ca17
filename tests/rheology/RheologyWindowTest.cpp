#include "rheology/frmRheology.h"
#include "support/AltKeys.h"

#include "rheology/Tables.h"
#include "sim/SimInstrument.h"
#include "ui/ChartView.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QScrollBar>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace viscora;

namespace {

// The simulated instrument's mud at the six standard speeds for each temperature, a point
// every 10 s for 60 s a step, then a 10-s and a 10-min gel at 3 rpm.
std::vector<rheology::Point> mud(std::initializer_list<double> temperatures)
{
    std::vector<rheology::Point> points;
    int step = 0;
    for (double f : temperatures) {
        for (double rpm : {600.0, 300.0, 200.0, 100.0, 6.0, 3.0}) {
            ++step;
            const double stress = sim::fluidStress(rpm * 1.7023, f);
            for (int t = 10; t <= 60; t += 10)
                points.push_back({step, static_cast<double>(t), f, rpm, stress, 0});
        }
        for (double rest : {10.0, 600.0}) {
            points.push_back({++step, rest, f, 0.000001, 0, 0});
            const double stress = sim::fluidStress(3 * 1.7023, f);
            points.push_back({++step, 1, f, 3, stress + rest / 10, 0});
            points.push_back({step, 20, f, 3, stress, 0});
        }
    }
    return points;
}

// Every row and column of a table is in sight without scrolling the table itself.
void expectWhole(const QTableWidget &g)
{
    int rows = g.horizontalHeader()->height();
    for (int r = 0; r < g.rowCount(); ++r)
        rows += g.rowHeight(r);
    EXPECT_GE(g.viewport()->height() + g.horizontalHeader()->height(), rows)
        << g.objectName().toStdString();
    EXPECT_FALSE(g.verticalScrollBar()->isVisible());
}

rheology::Analysis analysed(std::initializer_list<double> temperatures, Units units = Units::EI)
{
    return rheology::analyse(mud(temperatures), {}, units);
}

void shot(QWidget &w, const char *name)
{
    const QByteArray dir = qgetenv("VISCORA_SHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    QApplication::processEvents(); // the chart lays its legend out on the next turn
    w.grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

int seriesCount(const frmRheology &w)
{
    return static_cast<int>(w.chtFlowCurve->chart()->series().size());
}

} // namespace

TEST(RheologyWindow, SixSpeedTestShowsEveryTableAndTheChart)
{
    frmRheology w(analysed({120}), "Mud 6-speed");
    EXPECT_EQ(w.windowTitle(), "Rheology");
    EXPECT_TRUE(w.cmdClose->isDefault()); // Enter closes, it does not copy
    EXPECT_FALSE(w.cmdCopy->autoDefault());
    EXPECT_TRUE(w.cmbCurve->isHidden()); // one flow curve: nothing to choose
    EXPECT_TRUE(w.lblNotes->isHidden());
    EXPECT_TRUE(w.lblWarnings->isHidden());
    // The mud report comes first: the six dial readings, PV, YP, both gels, the temperature.
    ASSERT_EQ(w.grdReport->rowCount(), 11);
    EXPECT_EQ(w.grdReport->item(0, 0)->text(), "θ600");
    EXPECT_EQ(w.grdReport->item(8, 0)->text(), "10-s gel");
    EXPECT_EQ(w.grdReport->item(9, 0)->text(), "10-min gel");
    EXPECT_FALSE(w.lblReportNote->text().isEmpty());
    EXPECT_EQ(w.grdReadings->rowCount(), 10);
    EXPECT_EQ(w.grdReadings->item(0, 1)->text(), "600");
    EXPECT_EQ(w.grdReadings->item(0, 2)->text(), "1021");
    EXPECT_EQ(w.grdReadings->item(6, 1)->text(), "0"); // a rest, not 1e-6
    EXPECT_EQ(w.grdReadings->item(6, 9)->text(), "Rest (0 rpm).");
    EXPECT_EQ(w.grdField->rowCount(), 8);
    EXPECT_EQ(w.grdField->item(1, 1)->text(), "Plastic viscosity");
    ASSERT_EQ(w.grdGels->rowCount(), 2);
    EXPECT_EQ(w.grdGels->item(0, 0)->text(), "8");
    EXPECT_EQ(w.grdGels->item(1, 1)->text(), "10-min gel");
    ASSERT_EQ(w.grdModels->rowCount(), 5);
    EXPECT_EQ(w.grdModels->horizontalHeaderItem(5)->text(), "R²");
    const rheology::FlowCurve &c = w.analysis().curves[0];
    ASSERT_TRUE(c.recommended);
    EXPECT_EQ(w.lblRecommended->text().toStdString(),
              std::string("Recommended model: ") + c.recommended->name);
    // The recommended model's row stands out, the others do not.
    for (int r = 0; r < 5; ++r) {
        const bool recommended = c.models[static_cast<size_t>(r)].model == c.recommended;
        EXPECT_EQ(w.grdModels->item(r, 0)->font().bold(), recommended) << r;
        EXPECT_EQ(w.grdModels->item(r, 7)->text(), recommended ? "yes" : "") << r;
    }
    // No value shows more digits than it means.
    for (QTableWidget *g : {w.grdReport, w.grdReadings, w.grdField, w.grdGels, w.grdModels})
        for (int r = 0; r < g->rowCount(); ++r)
            for (int col = 0; col < g->columnCount(); ++col) {
                const auto *item = g->item(r, col);
                bool number = false;
                if (item)
                    item->text().toDouble(&number);
                if (number) {
                    EXPECT_LE(item->text().size(), 8) << item->text().toStdString();
                }
            }

    // The readings and a curve per model; a box hides its model, the log axes label their ticks.
    EXPECT_EQ(seriesCount(w), 1 + 5);
    w.chkModel[0]->setChecked(false);
    EXPECT_EQ(seriesCount(w), 1 + 4);
    w.optLog->setChecked(true);
    const auto axes = w.chtFlowCurve->chart()->axes(Qt::Horizontal);
    ASSERT_EQ(axes.size(), 1);
    EXPECT_TRUE(qobject_cast<QCategoryAxis *>(axes[0]));
    EXPECT_EQ(seriesCount(w), 1 + 4);
    w.optLinear->setChecked(true);
    w.chkModel[0]->setChecked(true);

    QApplication::clipboard()->clear();
    w.cmdCopy->click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              rheology::analysisText(w.analysis(), "Mud 6-speed", rheology::TextLayout::Tabs));
    w.show();
    for (QTableWidget *g : {w.grdReport, w.grdReadings, w.grdField, w.grdGels, w.grdModels})
        expectWhole(*g);
    shot(w, "rheology-six-speeds");
    w.optLog->setChecked(true);
    shot(w, "rheology-six-speeds-log");
    w.cmdClose->click();
    EXPECT_FALSE(w.isVisible());
}

TEST(RheologyWindow, TwoTemperaturesGiveACurveSelector)
{
    frmRheology w(analysed({120, 180}, Units::SI), "HPHT mud");
    EXPECT_EQ(test::altKeyClashes(w), "");
    ASSERT_EQ(w.cmbCurve->count(), 2);
    EXPECT_FALSE(w.cmbCurve->isHidden());
    EXPECT_EQ(w.cmbCurve->itemText(1).toStdString(), "Flow curve 2 of 2: 82.22 °C, steps 11-20");
    EXPECT_EQ(w.currentCurve(), 0);
    EXPECT_EQ(w.grdReadings->item(0, 0)->text(), "1");
    const QString stress120 = w.grdReadings->item(0, 3)->text();
    w.cmbCurve_Click(1);
    EXPECT_EQ(w.currentCurve(), 1);
    EXPECT_EQ(w.grdReadings->item(0, 0)->text(), "11");
    EXPECT_EQ(w.grdReadings->horizontalHeaderItem(3)->text(), "Stress (dyn/cm2)");
    // The mud thins as it warms.
    EXPECT_LT(w.grdReadings->item(0, 3)->text().toDouble(), stress120.toDouble());
    EXPECT_TRUE(w.chtFlowCurve->chart()->title().contains("Flow curve 2 of 2"));
    // Out of range picks the nearest curve.
    w.cmbCurve_Click(7);
    EXPECT_EQ(w.currentCurve(), 1);
    w.show();
    shot(w, "rheology-two-temperatures");
}

TEST(RheologyWindow, ATestWithoutPointsSaysWhy)
{
    frmRheology w(rheology::analyse({}, {}, Units::EI), "Empty");
    EXPECT_EQ(w.lblNotes->text(), "The test has no points.");
    EXPECT_FALSE(w.lblNotes->isHidden());
    EXPECT_TRUE(w.cmbCurve->isHidden());
    EXPECT_EQ(w.grdReadings->rowCount(), 0);
    EXPECT_EQ(w.grdModels->rowCount(), 0);
    EXPECT_EQ(w.lblRecommended->text(), "");
    EXPECT_EQ(w.currentCurve(), -1);
    w.cmdCopy->click();
    EXPECT_EQ(QApplication::clipboard()->text(),
              "Rheology of Empty\nUnits: EI (lb/100ft2, °F)\nThe test has no points.\n");
    w.show();
    shot(w, "rheology-empty");
}

// What was left out is said above the tables; on a screen too small for them all, the whole
// content scrolls while the buttons stay in reach.
TEST(RheologyWindow, WarningsShowAndTheContentScrolls)
{
    auto points = mud({120});
    for (auto &p : points)
        if (p.step == 1)
            p.stress = 1200; // 600 rpm at full scale
    frmRheology w(rheology::analyse(points, {}, Units::EI), "Thick mud");
    w.show();
    EXPECT_FALSE(w.lblWarnings->isHidden());
    EXPECT_EQ(w.lblWarnings->text(), "Warning: The 600 rpm reading (step 1) is at the "
                                     "instrument's full scale and is left out.");
    EXPECT_EQ(w.grdReadings->item(0, 8)->text(), "no");
    EXPECT_EQ(w.grdReadings->item(0, 9)->text(), "At the instrument's full scale: left out.");
    w.resize(w.minimumSize());
    QApplication::processEvents();
    EXPECT_TRUE(w.scrContent->verticalScrollBar()->isVisible());
    for (QWidget *b : {static_cast<QWidget *>(w.cmdCopy), static_cast<QWidget *>(w.cmdClose)})
        EXPECT_TRUE(w.rect().contains(b->geometry())) << b->objectName().toStdString();
    for (QTableWidget *g : {w.grdReport, w.grdReadings, w.grdField, w.grdGels, w.grdModels})
        expectWhole(*g);
    shot(w, "rheology-small");
}
