#include "support/FakeClock.h"
#include "ui/InteractiveChartView.h"
#include "ui/LiveChartView.h"
#include "core/Module1.h"
#include "support/ScriptedPrompter.h"
#include "store/TestNotes.h"
#include "ui/NoteDialog.h"
#include "setup/SetupGrid.h"
#include "sim/SimInstrument.h"
#include "sim/SimPort.h"
#include "support/TestDb.h"
#include "realtime/frmRealRelated.h"
#include "realtime/frmRealTime.h"
#include "support/AltKeys.h"
#include "realtime/LiveStatus.h"

#include <QApplication>
#include <QChart>
#include <QHeaderView>
#include <QScrollBar>
#include <QValueAxis>
#include <QXYSeries>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {

struct Fixture {
    TestDb t;
    Module1 m;
    ScriptedPrompter p;
    FakeClock clock{36000.0, 0.05};
    sim::SimInstrument instrument;
    int mainShown = 0;
    std::function<void(QDialog &)> onDialog;
    std::unique_ptr<frmRealTime> w;
    // The window's port: the simulated instrument's, unless a test brings its own.
    std::function<std::unique_ptr<SerialPort>()> makePort = [this] {
        return std::make_unique<sim::SimPort>(instrument, clock);
    };

    Fixture()
    {
        SequenceRepository repo(*t.db);
        int id = 0;
        repo.createSequence("Quick", 1, {{1, 40, 150, 300, 10}, {2, 30, 180, 600, 5}}, id);
        m.CurrentSequenceName = "Quick";
        m.RbShearFactor = 1.0f;
        m.UnitSystem = 2;
        open();
    }
    // Opens the window (again, with another port).
    void open()
    {
        w.reset();
        w = std::make_unique<frmRealTime>(RealTimeWindowDeps{
            m, *t.db, p, clock, [this] { return makePort(); }, [this] { ++mainShown; }, nullptr,
            [this](QDialog &d) {
                if (onDialog)
                    onDialog(d);
                return d.result();
            },
            nullptr});
        w->Form_Load();
    }
    void name(const QString &testName)
    {
        onDialog = [testName](QDialog &d) {
            auto &r = dynamic_cast<frmRealRelated &>(d);
            r.txtTestName->setText(testName);
            r.cmdok->click();
        };
        w->cmdSaveAs->click();
    }
    // Downloads the sequence to the simulated instrument, as the setup window does.
    void download()
    {
        instrument.receive("\x03"
                           "01,00040,150,30000,111"
                           "02,00030,180,60000,111"
                           "99",
                           clock.now);
        m.SequenceSent = true;
    }
    void tick()
    {
        clock.now += 1.0;
        w->Timer1_Timer();
    }
};

} // namespace

TEST(RealTimeWindow, LoadShowsTheStepsInUnitsAndAnEmptyChart)
{
    Fixture f;
    EXPECT_EQ(f.w->windowTitle(), "Real Time Test");
    EXPECT_EQ(f.w->lblSequenceName->text(), "Quick");
    EXPECT_EQ(f.w->Label1->text(), "Test Sequence Name:");
    auto *grid = f.w->MSFlexGrid1->model();
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->index(0, 2).data().toString(), "65.6");
    EXPECT_EQ(grid->headerData(2, Qt::Horizontal).toString(), "Temp\n(C°)");
    EXPECT_EQ(f.w->acquisition().recordRate(2), 5);
    EXPECT_EQ(f.w->acquisition().recordRate(3), 0);
    EXPECT_FALSE(f.w->Timer1->isActive());
    EXPECT_EQ(f.w->cmdStart->text(), "&S&tart");
    // The status panel before a test: its captions in the units chosen, no readings yet.
    EXPECT_EQ(f.w->lblStepCaption->text(), "Step");
    EXPECT_EQ(f.w->lblLeftCaption->text(), "Left in step / test");
    EXPECT_EQ(f.w->lblStressCaption->text(), "Shear stress (dyn/cm2)");
    EXPECT_EQ(f.w->lblViscosityCaption->text(), "Viscosity (cP)");
    EXPECT_EQ(f.w->lblTemperatureCaption->text(), "Temperature (°C)");
    EXPECT_EQ(f.w->lblSpeedCaption->text(), "Speed (rpm)");
    for (QLabel *value : {f.w->lblStep, f.w->lblLeft, f.w->lblStress, f.w->lblViscosity,
                          f.w->lblTemperature, f.w->lblSpeed})
        EXPECT_EQ(value->text(), "–") << value->objectName().toStdString();
    EXPECT_FALSE(f.w->lblMark->isVisibleTo(f.w.get()));
    EXPECT_EQ(f.w->Pesgo1->upperChart()->series().size(), 2);
    EXPECT_EQ(f.w->Pesgo1->drawnPoints(0), 0);
    f.w->cmdShowAll->click(); // before any data
    EXPECT_TRUE(f.w->acquisition().chart.automaticX);
    // Back to the 3-minute window from Start.
    f.w->cmdShow3Min->click();
    EXPECT_FALSE(f.w->acquisition().chart.automaticX);
    EXPECT_TRUE(f.w->acquisition().chart.zoom);
    EXPECT_EQ(f.w->acquisition().chart.WindowStart, f.w->acquisition().chart.ChartStart);
}

TEST(RealTimeWindow, NamingDialogTextsAndCancel)
{
    Fixture f;
    f.onDialog = [](QDialog &d) {
        auto &r = dynamic_cast<frmRealRelated &>(d);
        EXPECT_EQ(r.windowTitle(), "Real Time Test Testname");
        EXPECT_EQ(r.Frame1->title(), "Custom RB factor?");
        EXPECT_TRUE(r.Option1->isChecked());
        EXPECT_FALSE(r.txtRateFactor->isVisibleTo(&r));
        r.Option2->click();
        EXPECT_TRUE(r.txtRateFactor->isVisibleTo(&r));
        r.Option1->click();
        r.cmdok->click(); // empty name
        r.cmdCancel->click();
    };
    f.w->cmdSaveAs->click();
    EXPECT_EQ(f.p.shown.back().text, "Must input Test name.");
    EXPECT_FALSE(f.m.RelatedOk);
    EXPECT_FALSE(f.w->acquisition().named());
    EXPECT_FALSE(f.m.CustomRb);
    f.w->cmdStart->click();
    EXPECT_EQ(f.p.shown.back().text,
              "Please first name this test by clicking the 'Save Result As' button.");
}

TEST(RealTimeWindow, RunsASimulatedTestToItsEnd)
{
    Fixture f;
    f.download();
    f.name("Live run");
    ASSERT_TRUE(f.w->acquisition().named());
    f.w->cmdStart->click();
    ASSERT_TRUE(f.w->acquisition().running()) << (f.p.shown.empty() ? "" : f.p.shown.back().text);
    EXPECT_TRUE(f.w->Timer1->isActive());
    EXPECT_EQ(f.w->statusPanel->text(), "Test in progress ...");
    for (int i = 0; i < 30; ++i)
        f.tick();
    // The window refuses to go while the test runs.
    EXPECT_FALSE(f.w->cmdReturn_Click());
    EXPECT_EQ(f.p.shown.back().text, "Please close the running test before return.");
    EXPECT_EQ(f.p.shown.back().title, "Communication Error");
    f.w->show();
    f.w->close();
    EXPECT_TRUE(f.w->isVisible());
    EXPECT_EQ(f.mainShown, 0);
    EXPECT_GT(f.w->Pesgo1->drawnPoints(2), 20);
    // The live chart marks where the step began; Show Last 3 Minutes leaves the whole test
    // for the scrolling view.
    ASSERT_FALSE(f.w->Pesgo1->upperView()->marks().empty());
    EXPECT_EQ(f.w->Pesgo1->upperView()->marks()[0].label.rfind("Step 1 · ", 0), 0u);
    f.w->Pesgo1->setWholeTest(true);
    // Every reading since Start, but those of one poll share a time, and so a pixel column.
    const LiveHistory &run = f.w->acquisition().chart.history();
    ASSERT_GT(run.size(), 20u);
    EXPECT_LE(static_cast<std::size_t>(f.w->Pesgo1->drawnPoints(0)), run.size());
    const auto *stress = qobject_cast<QXYSeries *>(f.w->Pesgo1->upperChart()->series()[0]);
    EXPECT_EQ(stress->points().last().y(), run.y(0, run.size() - 1));
    f.w->cmdShow3Min->click();
    EXPECT_FALSE(f.w->Pesgo1->wholeTest());
    EXPECT_TRUE(f.w->acquisition().chart.zoom);
    const QByteArray dir = qgetenv("VISCORA_SHOTS");
    if (!dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        f.w->grab().save(QString::fromLocal8Bit(dir) + "/realtime.png");
    }
    for (int i = 0; i < 60 && f.w->acquisition().running(); ++i)
        f.tick();
    EXPECT_FALSE(f.w->acquisition().running());
    EXPECT_FALSE(f.w->Timer1->isActive());
    EXPECT_EQ(f.p.shown.back().text, "Test is finished.");
    EXPECT_EQ(f.w->elapsedPanel->text(), "Elapsed Time: 00:01:10");
    // Step 1 (40 s, rate 10): counts 0, 10, 20, 30; step 2 (30 s, rate 5): 40, 45, ... 65.
    EXPECT_EQ(f.t.scalar("SELECT COUNT(*) FROM TestResult WHERE TestId=1").toInt(), 4 + 6);
    EXPECT_TRUE(f.w->cmdReturn_Click());
    EXPECT_EQ(f.mainShown, 1);
}

// "&Start" and "&Stop" share their Alt key: the one that can act answers it.
TEST(RealTimeWindow, AltSStartsAndDuringATestStops)
{
    Fixture f;
    f.download();
    f.name("By keys");
    f.w->show();
    QApplication::setActiveWindow(f.w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.w.get()));
    EXPECT_EQ(altKeyClashes(*f.w), "");
    // A button's key presses it as a click does, drawn pressed for a moment first.
    auto altS = [&](const std::function<bool()> &done) {
        QTest::keyClick(f.w.get(), Qt::Key_S, Qt::AltModifier);
        return QTest::qWaitFor(done, 2000);
    };
    ASSERT_TRUE(altS([&] { return f.w->acquisition().running(); }));
    EXPECT_EQ(altKeyClashes(*f.w), "");
    for (int i = 0; i < 12; ++i)
        f.tick();
    EXPECT_TRUE(altS([&] { return !f.w->acquisition().running(); }));
    EXPECT_FALSE(f.instrument.running());
    EXPECT_EQ(f.w->cmdStart->text(), "&S&tart");
    EXPECT_EQ(f.w->cmdStop->text(), "&Stop");
    // Ended, the key starts again (here: asks for a name first).
    const size_t shown = f.p.shown.size();
    EXPECT_TRUE(altS([&] { return f.p.shown.size() > shown; }));
    EXPECT_EQ(f.p.shown.back().text,
              "Please first name this test by clicking the 'Save Result As' button.");
}

// During a run a note goes with the running test at the time now, counted as its stored rows
// count time; without a running test it is refused before any dialog.
TEST(RealTimeWindow, NotesDuringARunGoWithTheRunningTest)
{
    Fixture f;
    f.w->MenuAddNote->trigger();
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown.back().title, "Notes");
    EXPECT_EQ(f.p.shown.back().text, "No test is running. A saved test takes notes in the main "
                                     "window: Analysis, Add Note.");
    f.download();
    f.name("Noted run");
    f.w->cmdStart->click();
    ASSERT_TRUE(f.w->acquisition().running());
    for (int i = 0; i < 25; ++i)
        f.tick();
    QString proposed;
    f.onDialog = [&](QDialog &d) {
        auto *note = qobject_cast<NoteDialog *>(&d);
        ASSERT_TRUE(note);
        proposed = note->txtNoteTime->text();
        note->txtNote->setText(QStringLiteral("sample foamed"));
        note->cmdOk->click();
    };
    f.w->MenuAddNote->trigger();
    const double now = proposed.toDouble();
    // The last stored row (step 1, every 10th record) came at most 10 s before.
    EXPECT_GE(now, 20);
    EXPECT_LE(now, 30);
    const auto notes = must(testNotes(TestRepository(*f.t.db), "Noted run"));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].time, now);
    EXPECT_EQ(notes[0].text, "sample foamed");
    EXPECT_EQ(f.p.shown.size(), 1u);
    // The live chart marks it at once, at the time on the run's clock, and keeps it.
    ASSERT_EQ(f.w->acquisition().chart.notes.size(), 1u);
    EXPECT_NEAR(f.w->acquisition().chart.notes[0].time, f.w->acquisition().now(), 1e-6);
    for (int i = 0; i < 3; ++i) {
        f.tick();
        QStringList labels;
        for (const TimeMark &m : f.w->Pesgo1->upperView()->marks())
            if (m.kind == TimeMarkKind::Note)
                labels << QString::fromStdString(m.label);
        EXPECT_EQ(labels, QStringList{"sample foamed"});
    }
    EXPECT_TRUE(f.w->framStatus->actions().contains(f.w->MenuAddNote));
    EXPECT_EQ(f.w->MenuAddNote->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    f.w->cmdStop->click();
}

TEST(RealTimeWindow, StopEndsTheRunWithRowsKept)
{
    Fixture f;
    f.download();
    f.name("Stopped");
    f.w->cmdStart->click();
    ASSERT_TRUE(f.w->acquisition().running());
    for (int i = 0; i < 12; ++i)
        f.tick();
    f.w->cmdStop->click();
    EXPECT_FALSE(f.w->acquisition().running());
    EXPECT_FALSE(f.w->Timer1->isActive());
    EXPECT_FALSE(f.instrument.running());
    EXPECT_EQ(f.t.scalar("SELECT COUNT(*) FROM TestResult").toInt(), 2);
    // Named again before the next start, as a finished test must be.
    f.w->cmdStart->click();
    EXPECT_EQ(f.p.shown.back().text,
              "Please first name this test by clicking the 'Save Result As' button.");
}

TEST(RealTimeWindow, ANameTypedWithBlanksAroundItRecordsUnderTheNameKept)
{
    Fixture f;
    f.download();
    f.name("  Padded  ");
    f.w->cmdStart->click();
    ASSERT_TRUE(f.w->acquisition().running());
    for (int i = 0; i < 12; ++i)
        f.tick();
    f.w->cmdStop->click();
    EXPECT_EQ(f.t.scalar("SELECT TestName FROM RelatedInfo WHERE TestId=1").toString(), "Padded");
    EXPECT_EQ(f.t.scalar("SELECT COUNT(*) FROM TestResult WHERE TestId=1").toInt(), 2);
}

TEST(RealTimeWindow, APrefilledNameIsSelectedSoTypingReplacesIt)
{
    Fixture f;
    f.name("first run");
    QString selected, typed, afterBacktab;
    f.onDialog = [&](QDialog &d) {
        auto &r = dynamic_cast<frmRealRelated &>(d);
        r.show();
        r.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&r));
        EXPECT_EQ(QApplication::focusWidget(), r.txtTestName); // where the dialog opens
        selected = r.txtTestName->selectedText();
        QTest::keyClicks(r.txtTestName, "second run");
        typed = r.txtTestName->text();
        QTest::keyClick(r.txtTestName, Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        afterBacktab = r.txtTestName->selectedText();
        r.cmdCancel->click();
    };
    f.w->cmdSaveAs->click();
    EXPECT_EQ(selected, "first run");
    EXPECT_EQ(typed, "second run");
    EXPECT_EQ(afterBacktab, "second run");
}

TEST(RealTimeWindow, GridHeadersAndTemperatureTitleReadableAndWiderWithTheWindow)
{
    Fixture f;
    f.w->show();
    QApplication::processEvents();
    QTableView *grid = f.w->MSFlexGrid1;
    const QFontMetrics fm(grid->horizontalHeader()->font());
    std::vector<int> widths;
    for (int c = 0; c < 6; ++c) {
        const QString header = grid->model()->headerData(c, Qt::Horizontal).toString();
        for (const QString &line : header.split('\n'))
            EXPECT_GE(grid->columnWidth(c), fm.horizontalAdvance(line) + 4) << line.toStdString();
        widths.push_back(grid->columnWidth(c));
    }
    EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0); // all six in view
    QChart *lower = f.w->Pesgo1->lowerChart();
    auto *temperature = qobject_cast<QValueAxis *>(lower->axes(Qt::Vertical).first());
    ASSERT_TRUE(temperature);
    EXPECT_EQ(temperature->titleText(), "Temperature (°F)");
    EXPECT_GE(lower->plotArea().height(),
              QFontMetrics(temperature->titleFont()).horizontalAdvance(temperature->titleText()));

    f.w->resize(f.w->width() + 300, f.w->height());
    QApplication::processEvents();
    for (int c = 0; c < 6; ++c)
        EXPECT_GT(grid->columnWidth(c), widths[static_cast<size_t>(c)]) << c;
}

// The two charts' time axes lie one under the other, also once the scales' labels widen and
// after a resize.
TEST(RealTimeWindow, BothChartsShareTheirTimeAxisEdges)
{
    Fixture f;
    f.download();
    f.name("Aligned");
    f.w->show();
    QApplication::processEvents();
    auto expectAligned = [&](const char *when) {
        const QRectF upper = f.w->Pesgo1->upperChart()->plotArea();
        const QRectF lower = f.w->Pesgo1->lowerChart()->plotArea();
        EXPECT_NEAR(upper.left(), lower.left(), 0.5) << when;
        EXPECT_NEAR(upper.right(), lower.right(), 0.5) << when;
        EXPECT_GT(upper.width(), 100) << when;
    };
    expectAligned("empty");
    f.w->cmdStart->click();
    ASSERT_TRUE(f.w->acquisition().running());
    for (int i = 0; i < 30; ++i)
        f.tick();
    QApplication::processEvents();
    expectAligned("running");
    f.w->resize(f.w->width() + 200, f.w->height() - 40);
    QApplication::processEvents();
    expectAligned("resized");
    f.w->cmdStop->click();
}

TEST(LiveStatus, StepAndTimeLeftRunOnThroughTheSequence)
{
    const std::vector<SequenceStep> steps = {
        {1, 40, 150, 300, 10}, {2, 30, 180, 600, 5}, {3, 3600, 180, 3, 60}};
    struct Case {
        int step;
        double time;
        int shownStep;
        const char *left, *total;
    } cases[] = {
        {1, 0, 1, "0:40", "1:01:10"},  {1, 39, 1, "0:01", "1:00:31"}, {1, 45, 2, "0:25", "1:00:25"},
        {2, 30, 2, "0:00", "1:00:00"}, {2, 31, 3, "59:59", "59:59"},  {3, 5000, 3, "0:00", "0:00"},
    };
    for (const Case &c : cases) {
        const StepProgress p = stepProgress(steps, c.step, c.time);
        EXPECT_EQ(p.step, c.shownStep) << c.step << " " << c.time;
        EXPECT_EQ(durationText(p.stepLeft), c.left) << c.step << " " << c.time;
        EXPECT_EQ(durationText(p.testLeft), c.total) << c.step << " " << c.time;
    }
    EXPECT_EQ(stepProgress(steps, 9, 0).step, 0); // a step the sequence does not have
    const ShownReadings ei = shownReadings(100, 25.5, 212, 300, false);
    EXPECT_EQ(ei.stress, "20.9");
    EXPECT_EQ(ei.stressUnit, "lb/100ft2");
    EXPECT_EQ(ei.temperature, "212.0");
    EXPECT_EQ(ei.temperatureUnit, "°F");
    EXPECT_EQ(ei.viscosity, "25.5");
    EXPECT_EQ(ei.speed, "300.00");
    const ShownReadings si = shownReadings(100, 25.5, 212, 300, true);
    EXPECT_EQ(si.stress, "100.0");
    EXPECT_EQ(si.temperature, "100.0");
    EXPECT_EQ(si.temperatureUnit, "°C");
}

namespace {
// A simulated instrument whose adapter can be pulled out.
struct PullablePort : sim::SimPort {
    using SimPort::SimPort;
    bool pulled = false;
    bool open() override { return !pulled && SimPort::open(); }
    bool broken() const override { return pulled; }
};
} // namespace

// The panel follows the run: its step (selected in the grid), the time left, the readings,
// and a mark while the instrument is lost.
TEST(RealTimeWindow, StatusPanelFollowsTheRun)
{
    Fixture f;
    PullablePort *port = nullptr;
    f.makePort = [&]() -> std::unique_ptr<SerialPort> {
        auto made = std::make_unique<PullablePort>(f.instrument, f.clock);
        port = made.get();
        return made;
    };
    f.open();
    f.download();
    f.name("Watched");
    f.w->cmdStart->click();
    ASSERT_TRUE(f.w->acquisition().running());
    for (int i = 0; i < 12; ++i)
        f.tick();
    // One record a second, each with its second of the step.
    const auto seconds = static_cast<double>(f.w->acquisition().recordsReceived());
    ASSERT_GT(seconds, 10);
    EXPECT_EQ(f.w->lblStep->text(), "1 of 2");
    EXPECT_EQ(f.w->lblLeft->text().toStdString(),
              durationText(40.0 - seconds) + " / " + durationText(70.0 - seconds));
    EXPECT_EQ(f.w->lblSpeed->text(), "300.00");
    bool number = false;
    for (QLabel *value : {f.w->lblStress, f.w->lblViscosity, f.w->lblTemperature}) {
        value->text().toDouble(&number);
        EXPECT_TRUE(number) << value->text().toStdString();
    }
    EXPECT_EQ(f.w->MSFlexGrid1->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(f.w->MSFlexGrid1->selectionModel()->selectedRows().value(0).row(), 0);
    EXPECT_FALSE(f.w->lblMark->isVisibleTo(f.w.get()));

    for (int i = 0; i < 35; ++i)
        f.tick();
    EXPECT_EQ(f.w->lblStep->text(), "2 of 2");
    EXPECT_EQ(f.w->lblSpeed->text(), "600.00");
    EXPECT_EQ(f.w->MSFlexGrid1->selectionModel()->selectedRows().value(0).row(), 1);

    port->pulled = true;
    f.tick();
    ASSERT_TRUE(f.w->acquisition().running());
    EXPECT_TRUE(f.w->lblMark->isVisibleTo(f.w.get()));
    EXPECT_EQ(f.w->lblMark->text(), "Connection to the instrument lost — reconnecting…");
    f.w->cmdStop->click();
    EXPECT_FALSE(f.w->lblMark->isVisibleTo(f.w.get()));
}
