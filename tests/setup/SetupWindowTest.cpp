#include "support/FakeClock.h"
#include "core/Module1.h"
#include "ui/QtTextPrinter.h"
#include "support/ScriptedPort.h"
#include "support/AltKeys.h"
#include "support/ScriptedPrompter.h"
#include "setup/SetupGrid.h"
#include "setup/StepDialogs.h"
#include "support/TestDb.h"
#include "setup/frmSetup.h"
#include "device/QtSerialPortDevice.h"
#include "ui/QtPrompter.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QTimer>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include <QTest>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {

struct Fixture {
    TestDb t;
    Module1 m;
    ScriptedPrompter p;
    FakeClock clock;
    ScriptedPort *port = nullptr;
    std::optional<PlottingMethod> method;
    int mainShown = 0;
    WindowState mainState = WindowState::None;
    std::function<void(QDialog &)> onDialog;
    QString pdf;
    std::unique_ptr<frmSetup> w;

    explicit Fixture(bool withSequences = true,
                     std::function<std::unique_ptr<SerialPort>()> realPort = nullptr,
                     PrompterFactory makePrompter = nullptr)
    {
        if (withSequences) {
            SequenceRepository repo(*t.db);
            int id = 0;
            repo.createSequence("Mud A", 2, {{1, 600, 212, 100, 10}, {2, 300, 150, 600, 5}}, id);
            repo.createSequence("Cement", 9, {{1, 60, 80, 3, 1}}, id);
        }
        pdf = t.dir.filePath("steps.pdf");
        w = std::make_unique<frmSetup>(
            SetupWindowDeps{m, *t.db, p, clock,
                            [this, realPort]() -> std::unique_ptr<SerialPort> {
                                if (realPort)
                                    return realPort();
                                auto sp = std::make_unique<ScriptedPort>(clock);
                                port = sp.get();
                                return sp;
                            },
                            [this]() -> std::unique_ptr<TextPrinter> {
                                auto printer = std::make_unique<QtTextPrinter>();
                                printer->printToPdf(pdf, 2);
                                return printer;
                            },
                            [this](PlottingMethod pm) { method = pm; },
                            [this](WindowState state) {
                                ++mainShown;
                                mainState = state;
                            },
                            nullptr, nullptr,
                            [this](QDialog &d) {
                                if (onDialog)
                                    onDialog(d);
                                return d.result();
                            },
                            std::move(makePrompter)});
    }
    void select(const QString &name)
    {
        w->DBList1->setCurrentItem(w->DBList1->findItems(name, Qt::MatchExactly).first());
        w->DBList1_Click();
    }
    QString cell(int row, int col)
    {
        return w->grid().rows()[static_cast<size_t>(row)][static_cast<size_t>(col)];
    }
};

} // namespace

TEST(SetupWindow, LoadShowsTheFirstSequenceWithItsRotorBob)
{
    Fixture f;
    f.m.CommPort = 5;
    f.m.DebugMode = true;
    f.w->Form_Load();
    EXPECT_EQ(f.w->windowTitle(), "K7400R Setup");
    EXPECT_EQ(f.p.shown.size(), 2u);
    EXPECT_EQ(f.p.shown[0].text, "Add comport ok");
    EXPECT_EQ(f.p.shown[1].text, "Add rb options ok");
    EXPECT_EQ(f.m.CommPort, 1);
    EXPECT_EQ(f.w->cmbComm->count(), 12);
    EXPECT_EQ(f.w->cmbComm->itemText(11), "Comm 12");
    QStringList rb;
    for (int i = 0; i < f.w->cmbRbselect->count(); ++i)
        rb << f.w->cmbRbselect->itemText(i);
    EXPECT_EQ(rb, (QStringList{"R1-B1", "R2-B1", "R3-B1", "R1-B2", "R1-B5", "R1-B4"}));
    EXPECT_EQ(f.w->currentSequence(), "Mud A");
    EXPECT_EQ(f.m.CurrentSequenceName, "Mud A");
    EXPECT_EQ(f.w->cmbRbselect->currentIndex(), 1);
    EXPECT_EQ(f.m.RbIndex, 2);
    EXPECT_EQ(f.m.RbShearFactor, 3.185f);
    EXPECT_EQ(f.cell(0, 4), "542.18");
    EXPECT_TRUE(f.w->Option1->isChecked());
    EXPECT_TRUE(f.w->radLinear->isChecked());
    EXPECT_TRUE(f.w->cmdDelete->isEnabled());
    EXPECT_TRUE(f.w->cmdCopyPaste->isEnabled());
    EXPECT_FALSE(f.w->ProgressBar1->isVisible());
    EXPECT_EQ(f.w->cmdCopyPaste->text(), "Copy && P&aste");
    EXPECT_EQ(f.w->cmdDelete->toolTip(), "Click here to delete the selected test ssequence");
    EXPECT_EQ(f.w->Frame2->title(), "Charting Type");

    // A code outside the list is shown and used as R1-B1.
    f.select("Cement");
    EXPECT_EQ(f.w->cmbRbselect->currentIndex(), 0);
    EXPECT_EQ(f.m.RbIndex, 1);
    EXPECT_TRUE(f.w->statusPanel->text().contains("R1-B1"));
    f.w->show();
    f.select("Mud A");
    const QByteArray dir = qgetenv("VISCORA_SHOTS");
    if (!dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        f.w->grab().save(QString::fromLocal8Bit(dir) + "/setup.png");
    }
}

// Buttons that mark the same Alt key: the one that can act and has no menu item answers it.
TEST(SetupWindow, SharedAltKeysReachTheButtonThatCanAct)
{
    for (const bool withSequences : {true, false}) {
        Fixture f(withSequences);
        f.w->Form_Load();
        f.w->show();
        QApplication::setActiveWindow(f.w.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(f.w.get()));
        EXPECT_EQ(altKeyClashes(*f.w), "") << withSequences;
        std::vector<QString> opened;
        f.onDialog = [&opened](QDialog &d) { opened.push_back(d.windowTitle()); };
        const size_t shown = f.p.shown.size();
        // A button's key presses it as a click does, drawn pressed for a moment first.
        QTest::keyClick(f.w.get(), Qt::Key_I, Qt::AltModifier);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !opened.empty() || f.p.shown.size() > shown; }, 2000));
        if (withSequences) {
            EXPECT_EQ(opened, std::vector<QString>{"Input Step Parameters"});
        } else {
            EXPECT_EQ(f.p.shown.back().text, "Please select a test step first.");
        }
        opened.clear();
        f.p.inputAnswers = {std::nullopt}; // Save As asks for a name: cancelled
        const size_t inputs = f.p.inputs.size();
        QTest::keyClick(f.w.get(), Qt::Key_A, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return !opened.empty() || f.p.inputs.size() > inputs ||
                       f.p.shown.size() > shown + 1;
            },
            2000));
        if (withSequences) {
            EXPECT_EQ(opened, std::vector<QString>{"Copy & Paste"});
        } else {
            EXPECT_TRUE(opened.empty());
        }
    }
}

TEST(SetupWindow, EmptyTableDisablesDeleteAndCopyPaste)
{
    Fixture f(false);
    f.w->Form_Load();
    EXPECT_EQ(f.w->DBList1->count(), 0);
    EXPECT_FALSE(f.w->cmdDelete->isEnabled());
    EXPECT_FALSE(f.w->MenuFileDelete->isEnabled());
    EXPECT_FALSE(f.w->cmdCopyPaste->isEnabled());
    EXPECT_EQ(f.w->grid().rowCount(), 0);
    f.w->cmdEditStep->click();
    EXPECT_EQ(f.p.shown.back().text, "Please select a test step first.");
    EXPECT_EQ(f.p.shown.back().title, "Selection Error.");
    f.w->cmdInsertStep->click();
    EXPECT_EQ(f.p.shown.back().text, "Please select a test sequence first.");
    // The first sequence of a new database can be created.
    f.p.inputAnswers = {std::string("First")};
    f.w->cmdNew->click();
    EXPECT_EQ(f.w->currentSequence(), "First");
    EXPECT_EQ(f.w->grid().rowCount(), 1);
    EXPECT_TRUE(f.w->cmdDelete->isEnabled());
}

TEST(SetupWindow, UnitsRotorBobPortAndCurveStyle)
{
    Fixture f;
    f.w->Form_Load();
    f.w->Option1->click(); // already EI: nothing
    EXPECT_FALSE(f.m.UnitChanged);
    f.w->Option2->click();
    EXPECT_EQ(f.m.UnitSystem, 2);
    EXPECT_TRUE(f.m.UnitChanged);
    EXPECT_EQ(f.cell(0, 2), "100.0");
    EXPECT_EQ(f.w->grid().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Temp\n(C°)");
    f.w->MenuUnitEI->trigger();
    EXPECT_TRUE(f.w->Option1->isChecked());
    EXPECT_EQ(f.cell(0, 2), "212.0");
    f.w->cmbRbselect_Click(0);
    EXPECT_EQ(f.cell(0, 4), "170.23");
    f.w->cmbComm_Click(6);
    EXPECT_EQ(f.m.CommPort, 7);
    f.w->cmbComm_Click(-1); // typed text
    EXPECT_EQ(f.m.CommPort, 1);
    f.w->radBfc->click();
    EXPECT_EQ(f.method, PlottingMethod::BestFitPower);
    f.w->radSpline->click();
    EXPECT_EQ(f.method, PlottingMethod::Spline);
}

TEST(SetupWindow, EditAndInsertThroughTheDialogs)
{
    Fixture f;
    f.w->Form_Load();
    f.w->setCurrentRow(2);
    f.onDialog = [](QDialog &d) {
        auto &step = dynamic_cast<StepDialog &>(d);
        EXPECT_EQ(step.windowTitle(), "Input Step Parameters");
        EXPECT_EQ(step.txtTemp->text(), "150.0");
        EXPECT_EQ(step.lblTemp->text(), "Temp (°F)");
        step.txtTemp->setText("180");
        step.cmdOk->click();
    };
    f.w->cmdEditStep->click();
    EXPECT_EQ(f.cell(1, 2), "180.0");
    EXPECT_EQ(f.w->currentRow(), 2);

    f.onDialog = [](QDialog &d) {
        auto &step = dynamic_cast<StepDialog &>(d);
        EXPECT_EQ(step.windowTitle(), "Insert Step");
        EXPECT_EQ(step.txtStepNo->text(), "2");
        step.cmbBeforeAfter->setCurrentIndex(1);
        step.txtTime->setText("45");
        step.txtTemp->setText("210"); // too hot for an insert
        step.txtSpeed->setText("3");
        step.txtShearrate->setText("5.1");
        step.txtRecordRate->setText("1");
        step.cmdOk->click();
        EXPECT_EQ(step.focusedField, StepField::Temperature);
        step.txtTemp->setText("120");
        step.cmdOk->click();
    };
    f.w->cmdInsertStep->click();
    EXPECT_EQ(f.p.shown.back().text, "Invalid temperature inpute.");
    ASSERT_EQ(f.w->grid().rowCount(), 3);
    EXPECT_EQ(f.cell(1, 1), "45");
    EXPECT_EQ(f.cell(2, 1), "300");

    f.onDialog = [](QDialog &d) { dynamic_cast<StepDialog &>(d).cmdCancel->click(); };
    f.w->cmdInsertStep->click();
    EXPECT_EQ(f.w->grid().rowCount(), 3);
}

TEST(SetupWindow, CopyPasteDialogRefusesAnInvertedBlock)
{
    Fixture f;
    f.w->Form_Load();
    f.onDialog = [](QDialog &d) {
        auto &cp = dynamic_cast<frmCopyPaste &>(d);
        EXPECT_EQ(cp.windowTitle(), "Copy & Paste");
        EXPECT_EQ(cp.cmbCopyfrom->count(), 2);
        cp.cmbCopyfrom->setCurrentIndex(1);
        cp.cmdOk->click();
        EXPECT_NE(cp.result(), QDialog::Accepted);
        cp.cmbCopyto->setCurrentIndex(1);
        cp.cmbPasteto->setCurrentIndex(1);
        cp.cmdOk->click();
    };
    f.w->cmdCopyPaste->click();
    EXPECT_EQ(f.p.shown.front().text, "Copy from step No. should be larger than to step No!");
    EXPECT_EQ(f.p.shown.front().title, "Step No input invalid");
    ASSERT_EQ(f.w->grid().rowCount(), 3);
    EXPECT_EQ(f.cell(2, 1), "300");
}

TEST(SetupWindow, SendDownloadsWithProgressAndReturnShowsMain)
{
    Fixture f;
    f.w->Form_Load();
    f.w->cmdSend->click();
    ASSERT_TRUE(f.port);
    EXPECT_EQ(f.port->allWritten(), "\x03"
                                    "01,00600,212,10000,211"
                                    "02,00300,150,60000,211"
                                    "99");
    EXPECT_TRUE(f.m.SequenceSent);
    EXPECT_EQ(f.w->statusPanel->text(), "Sending Setups Finished!");
    EXPECT_FALSE(f.w->ProgressBar1->isVisible());
    f.w->Toolbar1_ButtonClick("Nothing");
    f.w->cmdReturn->click();
    EXPECT_EQ(f.mainShown, 1);
    EXPECT_TRUE(f.w->isHidden());
}

TEST(SetupWindow, PrintsEachCopyAsItsOwnDocument)
{
    Fixture f;
    f.w->Form_Load();
    f.w->cmdPrint->click();
    for (const QString &file : {f.pdf, f.t.dir.filePath("steps-2.pdf")}) {
        QProcess p;
        p.start("pdftotext", {"-layout", file, "-"});
        ASSERT_TRUE(p.waitForFinished(20000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_TRUE(text.contains("Below is the list of the test steps of Mud A"))
            << text.toStdString();
        // Every column's heading, the record rate's last.
        static const QRegularExpression header(
            QStringLiteral(R"(Step No\s+Elaps Time\(S\)\s+Temperature\(°F\)\s+Speed\(Rpm\)\s+)"
                           R"(Shear Rate\(1/S\)\s+Record Rate\(Sec/Datum\))"));
        EXPECT_TRUE(text.contains(header)) << text.toStdString();
        EXPECT_TRUE(text.contains("542.18")) << text.toStdString();
    }
}

TEST(SetupWindow, ReadFailuresAreShownNotTakenForAnEmptyList)
{
    Fixture f;
    ASSERT_TRUE(f.t.exec("ALTER TABLE SequenceName RENAME COLUMN Rbfactor TO Other"));
    f.w->Form_Load();
    // Once, not once for every routine that would have read the list.
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown.front().title, "Database Error");
    EXPECT_EQ(f.p.shown.front().text, "The sequences could not be read: no such column: Rbfactor");
}

// Choosing a sequence that cannot be read says so once and shows no steps of another one.
TEST(SetupWindow, AChosenSequenceThatCannotBeReadIsSaidOnce)
{
    Fixture f;
    f.w->Form_Load();
    ASSERT_GT(f.w->grid().rowCount(), 0);
    ASSERT_TRUE(f.t.exec("ALTER TABLE SequenceName RENAME COLUMN Rbfactor TO Other"));
    f.p.shown.clear();
    // A click with the mouse, as an operator chooses.
    QListWidgetItem *cement = f.w->DBList1->findItems("Cement", Qt::MatchExactly).first();
    QTest::mouseClick(f.w->DBList1->viewport(), Qt::LeftButton, {},
                      f.w->DBList1->visualItemRect(cement).center());
    ASSERT_EQ(f.w->DBList1->currentItem(), cement);
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown.front().title, "Database Error");
    EXPECT_EQ(f.w->grid().rowCount(), 0);
    EXPECT_FALSE(f.w->cmdCopyPaste->isEnabled());
}

TEST(SetupWindow, ToolbarDeleteAsksFirstTheMenuDoesNot)
{
    Fixture f;
    f.w->Form_Load();
    f.p.answers = {Answer::No};
    f.w->Toolbar1_ButtonClick("Delete");
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].text,
              "Delete sequence \"Mud A\" and its 2 steps? This cannot be undone.");
    EXPECT_EQ(f.p.shown[0].title, "Delete Confirmation.");
    EXPECT_EQ(f.p.shown[0].buttons, Buttons::YesNoDefaultNo);
    EXPECT_EQ(f.w->DBList1->count(), 2);
    f.p.answers = {Answer::Yes};
    f.w->Toolbar1_ButtonClick("Delete");
    EXPECT_EQ(f.w->DBList1->count(), 1);
    EXPECT_EQ(f.w->currentSequence(), "Cement");
    f.w->MenuFileDelete->trigger();
    EXPECT_EQ(f.p.shown.size(), 2u);
    EXPECT_EQ(f.w->DBList1->count(), 0);
}

TEST(SetupWindow, SendRemembersTheSequenceTheInstrumentRuns)
{
    Fixture f;
    f.w->Form_Load();
    EXPECT_FALSE(f.m.LastSentSequence);
    f.port->availablePort = 2; // Comm 1 fails: nothing is remembered
    f.w->cmdSend->click();
    EXPECT_EQ(f.p.shown.back().title, "Comport Error");
    EXPECT_FALSE(f.m.LastSentSequence);
    f.port->availablePort = 1;
    f.w->Option2->click(); // shown in degC, sent and remembered as stored
    f.w->cmdSend->click();
    ASSERT_TRUE(f.m.LastSentSequence);
    EXPECT_EQ(f.m.LastSentSequence->name, "Mud A");
    EXPECT_EQ(f.m.LastSentSequence->rbIndex, 2);
    ASSERT_EQ(f.m.LastSentSequence->steps.size(), 2u);
    EXPECT_EQ(f.m.LastSentSequence->steps[1].temperature, 150);
    EXPECT_EQ(f.m.LastSentSequence->steps[1].recordRate, 5);
    // Selecting another sequence afterwards changes what is selected, not what was sent.
    f.select("Cement");
    EXPECT_EQ(f.m.CurrentSequenceName, "Cement");
    EXPECT_EQ(f.m.LastSentSequence->name, "Mud A");
}

namespace {
// Answers the real message box the window opens next, noting what it showed and over which
// window it came up.
struct BoxWatcher {
    QString title, text;
    QWidget *parent = nullptr;
    int seen = 0;
    void arm()
    {
        QTimer::singleShot(0, [this] { answer(); });
    }
    void answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(5, [this] { answer(); });
            return;
        }
        ++seen;
        title = box->windowTitle();
        text = box->text();
        parent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    }
};
} // namespace

TEST(SetupWindow, PortFailureBoxOverTheWindowAndTheReasonInItsStatusBar)
{
    PortMap ports;
    ports.set(1, "/nonexistent/viscora-tty");
    Fixture f(
        true, [&ports] { return std::make_unique<QtSerialPortDevice>(ports); },
        qtPrompterFactory());
    f.w->Form_Load();
    f.w->show();
    BoxWatcher box;
    box.arm();
    f.w->cmdSend->click();
    EXPECT_EQ(box.seen, 1);
    EXPECT_EQ(box.title, "Comport Error");
    EXPECT_EQ(box.text,
              "Fail to open comport, make sure comport is available and working properly.");
    EXPECT_EQ(box.parent, f.w.get());
    EXPECT_TRUE(f.p.shown.empty()); // the window's own prompter, not the shared one
    const QString reason = f.w->statusPanel->text();
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_TRUE(reason.contains("/nonexistent/viscora-tty") || reason.contains("No such file"))
        << reason.toStdString();
    EXPECT_FALSE(f.m.SequenceSent);
}
