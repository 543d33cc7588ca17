// The recorded check in its window, the fluids and the history, headless, each against a
// database file and the simulated instrument on a fake clock.

#include "calib/frmCaliCheck.h"
#include "calib/frmCalibrationRecords.h"
#include "core/Module1.h"
#include "sim/SimInstrument.h"
#include "sim/SimPort.h"
#include "store/CalibrationRecords.h"
#include "support/FakeClock.h"
#include "support/Must.h"
#include "support/Screenshot.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDb.h"
#include "support/XlsxReader.h"
#include "report/Exports.h"

#include <QChartView>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {

struct Bench {
    explicit Bench(double scale = 1.0)
    {
        m.RbIndex = 1;
        sim::SimOptions o;
        std::string error;
        o.fluid = sim::parseFluid("newtonian:100", error);
        o.stressScale = scale;
        instrument = std::make_unique<sim::SimInstrument>(o);
    }
    int addFluid(const QString &expiry = "2099-12-31")
    {
        CalibrationFluid f;
        f.name = "N100";
        f.lot = "B7";
        f.expiry = expiry;
        f.certificate = {{68, 110}, {77, 100}, {104, 75}};
        return must(FluidRepository(*t.db).add(f));
    }
    std::unique_ptr<frmCaliCheck> window()
    {
        return std::make_unique<frmCaliCheck>(
            CalibrationWindowDeps{m,
                                  p,
                                  clock,
                                  [this]() -> std::unique_ptr<SerialPort> {
                                      return std::make_unique<sim::SimPort>(*instrument, clock);
                                  },
                                  {},
                                  nullptr,
                                  t.db.get()});
    }
    // Ticks until the check ends (or gives up after a simulated hour).
    void run(frmCaliCheck &w)
    {
        for (int i = 0; i < 3600 && w.Timer1->isActive(); ++i) {
            clock.now += 1;
            w.Timer1_Timer();
        }
    }
    TestDb t;
    Module1 m;
    ScriptedPrompter p;
    FakeClock clock{36000.0, 0.01};
    std::unique_ptr<sim::SimInstrument> instrument;
};

CalibrationRecordsDeps recordsDeps(Bench &b) { return {b.m, b.p, *b.t.db, nullptr, {}}; }

void shot(QWidget &w, const char *name) { saveScreenshot(w, name); }

} // namespace

TEST(CalibrationRecordWindow, ACheckFromAFluidIsRecordedWithItsVerdicts)
{
    Bench b(1.05);
    b.addFluid();
    const int instrument =
        must(InstrumentRepository(*b.t.db).add({0, 0, "SN-7", "K7400R", "Lab", 30, {}}));
    ASSERT_TRUE(InstrumentRepository(*b.t.db).assign(1, instrument).ok);
    auto w = b.window();
    EXPECT_EQ(w->lblInstrument->text(), "SN-7, K7400R, Lab");
    ASSERT_EQ(w->cmbFluid->count(), 2);
    EXPECT_EQ(w->cmbFluid->itemText(1), "N100 (lot B7, expires 2099-12-31)");
    w->cmbFluid->setCurrentIndex(1);
    EXPECT_TRUE(w->txtVisc->isReadOnly());
    w->txtTemperature->setText("77");
    w->txtOperator->setText("Ada");
    w->cmdStart->click();
    EXPECT_EQ(w->txtVisc->text(), "100");
    ASSERT_TRUE(w->Timer1->isActive());
    b.run(*w);
    EXPECT_EQ(b.p.shown.back().text, "Auto Calibration Check is Finished.");
    EXPECT_EQ(w->lblRecord->text(), "Recorded as calibration check 1: FAILED");
    const char *results[] = {"pass", "pass", "pass", "FAIL", "FAIL"};
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(w->lblResult[r]->text(), results[r]) << r;
    // The check's own grid shows the errors as ever.
    EXPECT_EQ(w->lbl3Err[4]->text(), "40.0");
    const auto check = must(CheckRepository(*b.t.db).check(1));
    ASSERT_TRUE(check);
    EXPECT_EQ(check->instrumentId, instrument);
    EXPECT_EQ(check->operatorName, "Ada");
    EXPECT_EQ(check->fluidName, "N100");
    EXPECT_EQ(check->temperatureF, 77);
    EXPECT_EQ(check->outcome, "failed");
    shot(*w, "calibration-recorded");

    // The workbook carries the record's fields above the grid, which moves down below them.
    const auto header = w->recordHeader();
    ASSERT_GE(header.size(), 10u);
    EXPECT_EQ(header[0], (std::pair<std::string, std::string>{"Check", "1"}));
    EXPECT_EQ(header.back(), (std::pair<std::string, std::string>{"Result", "FAILED"}));
    const QString path = b.t.dir.filePath("cal.xlsx");
    std::vector<CalibrationResultRow> rows;
    for (int r = 0; r < 5; ++r)
        rows.push_back({w->Stress3[r]->text().toStdString(), w->lbl3Err[r]->text().toStdString(),
                        w->lbl3PercentErr[r]->text().toStdString()});
    ASSERT_TRUE(writeCalibrationWorkbook(path.toStdString(), "100", rows, header).ok);
    XlsxReader x(path);
    EXPECT_EQ(x.text("A1"), "Auto Calibration Check");
    EXPECT_EQ(x.text("A3"), "Check:");
    EXPECT_EQ(x.text("B3"), "1");
    EXPECT_EQ(x.text("A5"), "Operator:");
    EXPECT_EQ(x.text("B5"), "Ada");
    EXPECT_EQ(x.text("B6"), "serial number SN-7, K7400R, Lab");
    const int top = 4 + static_cast<int>(header.size());
    const auto at = [](char column, int row) { return column + std::to_string(row); };
    EXPECT_EQ(x.text(at('A', top)), "Calibration Fluid Viscosity:");
    EXPECT_EQ(x.number(at('B', top)), 100);
    EXPECT_EQ(x.text(at('A', top + 2)), "Shear Stress  (dyn/cm2)");
    EXPECT_EQ(x.number(at('B', top + 7)), 40.0);
}

TEST(CalibrationRecordWindow, AnExpiredFluidAsksAndNoRefusesTheCheck)
{
    Bench b;
    b.addFluid(QDate::currentDate().addDays(-3).toString(Qt::ISODate));
    auto w = b.window();
    w->cmbFluid->setCurrentIndex(1);
    w->txtTemperature->setText("77");
    b.p.answers = {Answer::No};
    w->cmdStart->click();
    ASSERT_FALSE(b.p.shown.empty());
    EXPECT_EQ(b.p.shown.back().title, "Calibration Fluid Expired");
    EXPECT_EQ(b.p.shown.back().buttons, Buttons::YesNoDefaultNo);
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_FALSE(b.instrument->running());
    // A temperature missing is said before anything is asked.
    w->txtTemperature->clear();
    w->cmdStart->click();
    EXPECT_EQ(b.p.shown.back().text, "Please enter the sample's temperature: the fluid's "
                                     "viscosity is read from its certificate at it.");
    EXPECT_EQ(b.p.shown.back().title, "Calibration Check");
}

TEST(CalibrationRecordWindow, ACheckStoppedByReturnIsRecordedAsStopped)
{
    Bench b;
    auto w = b.window();
    w->txtVisc->setText("100");
    w->cmdStart->click();
    ASSERT_TRUE(w->Timer1->isActive());
    for (int i = 0; i < 40; ++i) {
        b.clock.now += 1;
        w->Timer1_Timer();
    }
    w->cmdReturn->click();
    const auto check = must(CheckRepository(*b.t.db).check(1));
    ASSERT_TRUE(check);
    EXPECT_EQ(check->outcome, "stopped");
    EXPECT_TRUE(check->fluidName.isEmpty());
    ASSERT_EQ(check->readings.size(), 5u);
    EXPECT_TRUE(check->readings[0].measured); // the first step was read
    EXPECT_FALSE(check->readings[4].measured);
}

TEST(CalibrationFluidsWindow, AddCorrectAndRemove)
{
    Bench b;
    b.m.UnitSystem = 2; // certificate temperatures in degC
    frmCalibrationFluids w(recordsDeps(b));
    EXPECT_EQ(w.windowTitle(), "Calibration Fluids");
    w.txtName->setText("S60");
    w.cmdSave->click();
    EXPECT_EQ(b.p.shown.back().text, "Please enter the fluid's name and lot.");
    EXPECT_EQ(b.p.shown.back().title, "Calibration Fluids");
    w.txtLot->setText("L1");
    w.cmdSave->click();
    EXPECT_EQ(b.p.shown.back().text,
              "Please enter the certificate's viscosity at one temperature at least.");
    w.dateExpiry->setDate(QDate(2027, 3, 31));
    w.gridCertificate->setItem(0, 0, new QTableWidgetItem("25"));
    w.gridCertificate->setItem(0, 1, new QTableWidgetItem("0"));
    w.cmdSave->click();
    EXPECT_EQ(b.p.shown.back().text,
              "Each line of the certificate needs a temperature and a viscosity above 0 cP.");
    w.gridCertificate->item(0, 1)->setText("60.5");
    const size_t before = b.p.shown.size();
    w.cmdSave->click();
    EXPECT_EQ(b.p.shown.size(), before);
    auto f = must(FluidRepository(*b.t.db).fluid("S60"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->expiry, "2027-03-31");
    ASSERT_EQ(f->certificate.size(), 1u);
    EXPECT_DOUBLE_EQ(f->certificate[0].temperatureF, 77);
    EXPECT_EQ(w.lstFluids->currentRow(), 0);
    shot(w, "calibration-fluids");

    w.txtLot->setText("L2");
    w.cmdSave->click();
    EXPECT_EQ(must(FluidRepository(*b.t.db).fluid("S60"))->lot, "L2");
    EXPECT_EQ(b.t.scalar("SELECT COUNT(*) FROM CalibrationFluids").toInt(), 2);

    b.p.answers = {Answer::No};
    w.cmdRemove->click();
    EXPECT_TRUE(must(FluidRepository(*b.t.db).fluid("S60")));
    EXPECT_EQ(b.p.shown.back().buttons, Buttons::YesNoDefaultNo);
    w.cmdRemove->click(); // answered Yes
    EXPECT_FALSE(must(FluidRepository(*b.t.db).fluid("S60")));
    EXPECT_EQ(w.lstFluids->count(), 0);
}

TEST(CalibrationHistoryWindow, NewestFirstFilteredWithDueDatesCorrectionsAndTheRecord)
{
    Bench b;
    InstrumentRepository instruments(*b.t.db);
    const int a = must(instruments.add({0, 0, "SN-A", "K7400R", "", 30, {}}));
    const int c = must(instruments.add({0, 0, "SN-C", "K7400R", "", 30, {}}));
    CheckRepository checks(*b.t.db);
    auto check = [&](int instrument, const QString &when, const char *outcome, double error) {
        CalibrationRecord r;
        r.instrumentId = instrument;
        r.operatorName = "Ada";
        r.started = when;
        r.viscosityCp = 100;
        r.outcome = outcome;
        r.readings = {{3, 100, 100 + error, error, error, true}};
        return must(checks.add(r));
    };
    const QString old = QDateTime::currentDateTimeUtc().addDays(-40).toString(Qt::ISODate);
    const QString recent = QDateTime::currentDateTimeUtc().addDays(-10).toString(Qt::ISODate);
    check(a, old, "passed", 0.5);
    check(c, recent, "passed", 1.0);
    check(a, recent, "failed", 3.0);

    frmCalibrationHistory w(recordsDeps(b));
    EXPECT_EQ(w.windowTitle(), "Calibration History");
    ASSERT_EQ(w.gridChecks->rowCount(), 3);
    EXPECT_EQ(w.gridChecks->item(0, 0)->text(), "3");
    EXPECT_EQ(w.gridChecks->item(2, 0)->text(), "1");
    EXPECT_EQ(w.gridChecks->item(0, 8)->text(), "FAILED");

    w.cmbInstrument->setCurrentIndex(1); // SN-A: its last pass 40 days ago
    ASSERT_EQ(w.gridChecks->rowCount(), 2);
    EXPECT_EQ(w.lblDue->text(), "Next check: OVERDUE since " +
                                    QDate::currentDate().addDays(-10).toString(Qt::ISODate) +
                                    " (10 days)");
    EXPECT_TRUE(w.lblDue->styleSheet().contains("red"));
    // The trend: one series a reference stress, the 100 dyn/cm2 one with both checks.
    const auto series = w.chartTrend->chart()->series();
    ASSERT_EQ(series.size(), 5);
    EXPECT_EQ(static_cast<QLineSeries *>(series[3])->count(), 2);

    w.txtInterval->setText("60");
    w.cmdInterval->click();
    EXPECT_EQ(w.lblDue->text(), "Next check: due " +
                                    QDate::currentDate().addDays(20).toString(Qt::ISODate) +
                                    " (in 20 days)");
    EXPECT_EQ(must(instruments.instrument(a))->intervalDays, 60);
    w.cmbInstrument->setCurrentIndex(2);
    EXPECT_EQ(w.lblDue->text(), "Next check: due " +
                                    QDate::currentDate().addDays(20).toString(Qt::ISODate) +
                                    " (in 20 days)");
    EXPECT_FALSE(w.lblDue->styleSheet().contains("red"));
    shot(w, "calibration-history");

    // A correction is a new record naming the one it replaces; both stay in the list.
    w.cmbInstrument->setCurrentIndex(0);
    w.gridChecks->selectRow(0);
    b.p.inputAnswers = {std::string("Hana"), std::string("The operator was misnamed.")};
    w.cmdCorrect->click();
    ASSERT_EQ(w.gridChecks->rowCount(), 4);
    EXPECT_EQ(w.gridChecks->item(0, 0)->text(), "4");
    EXPECT_EQ(w.gridChecks->item(0, 3)->text(), "Hana");
    EXPECT_EQ(w.gridChecks->item(0, 9)->text(), "replaces check 3");
    EXPECT_EQ(w.gridChecks->item(1, 9)->text(), "replaced by check 4");
    EXPECT_EQ(must(checks.check(4))->note, "The operator was misnamed.");

    const QString pdf = b.t.dir.filePath("record.pdf");
    b.p.files = {pdf.toStdString()};
    w.gridChecks->selectRow(0);
    w.cmdPdf->click();
    EXPECT_EQ(b.p.fileRequests.back().proposedName, "calibration 4.pdf");
    EXPECT_GT(QFileInfo(pdf).size(), 1000);
}
