#include "ui/ChartView.h"
#include "core/ChartTypes.h"
#include "app/DatabaseLocator.h"
#include "support/FakeClock.h"
#include "support/ScriptedPort.h"
#include "core/Module1.h"
#include "support/ScriptedPrompter.h"
#include "store/TestNotes.h"
#include "ui/NoteDialog.h"
#include "compare/frmCompare.h"
#include <QListWidget>
#include "app/StartOptions.h"
#include "core/Version.h"
#include "support/TestDb.h"
#include "review/TestListDialogs.h"
#include "app/frmMain.h"
#include "report/TestReport.h"
#include "review/frmRelated.h"
#include "setup/frmSetup.h"
#include "store/SequenceRepository.h"
#include "realtime/frmRealTime.h"
#include "calib/frmCaliCheck.h"
#include "directlog/frmDirectLog.h"
#include "rheology/frmRheology.h"
#include "app/HelpViewer.h"
#include "ui/ConventionalIcons.h"
#include "ui/QtPrompter.h"
#include "ui/WindowPlacement.h"
#include "support/TestIconTheme.h"
#include "support/AltKeys.h"
#include "dbsetup/DatabaseChoice.h"
#include "dbsetup/frmDatabase.h"
#include "device/PortAssignment.h"
#include "device/PortMap.h"
#include "device/SerialPortList.h"
#include "ports/frmSerialPorts.h"

#include <QApplication>
#include <QLineEdit>

#include <QAction>
#include <QAbstractAxis>
#include <QChart>
#include <QChartView>
#include <QApplication>
#include <QAbstractButton>
#include <QMainWindow>
#include <QMap>
#include <QApplication>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPdfWriter>
#include <QProcess>
#include <QProgressDialog>
#include <QTimer>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>

#include <map>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {

struct Fixture {
    TestDb t;
    Module1 m;
    ScriptedPrompter p;
    FakeClock clock;
    ScriptedPort port{clock};
    std::unique_ptr<frmMain> w;
    std::vector<QString> dialogsRun;
    std::unique_ptr<QPdfWriter> pdf;
    int prints = 0, previews = 0;
    QString reportFile = QStringLiteral("report.pdf"); // where the preview "prints"
    std::vector<std::string> opened;
    std::function<void(QDialog &)> calibration;
    // What the next dialog does: pick a name and press OK, or cancel.
    std::deque<QString> picks;
    // Or, when set, what every dialog does instead.
    std::function<void(QDialog &)> onDialog;

    explicit Fixture(std::string commandLine = {}, bool withDb = true,
                     PrompterFactory makePrompter = nullptr, Backend backend = Backend::SQLite)
        : t(backend)
    {
        t.addTest("ramp", {point(1, 300, 100, 600, 900), point(1, 600, 150, 300, 600),
                           point(2, 30, 200, 100, 300), point(2, 60, 180, 200, 450)});
        t.addTest("second", {point(1, 10, 120, 100, 200), point(1, 20, 121, 200, 300)});
        const QString path = t.path;
        w = std::make_unique<frmMain>(
            MainWindowDeps{m,
                           p,
                           clock,
                           port,
                           [this]() -> std::unique_ptr<SerialPort> {
                               return std::make_unique<ScriptedPort>(clock);
                           },
                           nullptr,
                           [this]() -> QPagedPaintDevice * {
                               pdf = std::make_unique<QPdfWriter>(
                                   t.dir.filePath(QStringLiteral("print-%1.pdf").arg(++prints)));
                               return pdf.get();
                           },
                           [this](std::function<void(QPagedPaintDevice &)> draw) {
                               QPdfWriter writer(t.dir.filePath(reportFile));
                               draw(writer);
                               ++previews;
                           },
                           [this](const std::string &document) {
                               opened.push_back(document);
                               return true;
                           },
                           [path, withDb] {
                               Located l;
                               if (!withDb) {
                                   l.status = Located::Status::Cancelled;
                                   return l;
                               }
                               l.db = Database::open(path, Database::OpenMode::MustExist).db;
                               l.status = Located::Status::Opened;
                               return l;
                           },
                           std::move(commandLine),
                           {},
                           std::move(makePrompter)});
        w->runDialog = [this](QDialog &d) {
            dialogsRun.push_back(d.windowTitle());
            if (onDialog) {
                onDialog(d);
                return d.result();
            }
            if (calibration && qobject_cast<frmCaliCheck *>(&d))
                calibration(d);
            if (auto *related = qobject_cast<frmRelated *>(&d)) {
                const QString name = picks.empty() ? QString() : picks.front();
                if (!picks.empty())
                    picks.pop_front();
                if (name.isEmpty()) {
                    related->cmdCancel->click();
                } else {
                    related->txtTestName->setText(name);
                    related->cmdok->click();
                }
            }
            if (auto *list = qobject_cast<TestNameListDialog *>(&d)) {
                const QString pick = picks.empty() ? QString() : picks.front();
                if (!picks.empty())
                    picks.pop_front();
                if (pick.isEmpty()) {
                    list->cmdCancel->click();
                } else {
                    list->DBList1->setCurrentItem(
                        list->DBList1->findItems(pick, Qt::MatchExactly).first());
                    list->cmdOk->click();
                }
            }
            return d.result();
        };
    }

    bool addSequence(const QString &name, int rb, const std::vector<SequenceStep> &steps)
    {
        int id = 0;
        return SequenceRepository(*t.db).createSequence(name, rb, steps, id).ok;
    }

    void open(const QString &name)
    {
        picks.push_back(name);
        w->cmdOpen_Click();
    }

    void shot(const char *name)
    {
        const QByteArray dir = qgetenv("VISCORA_SHOTS");
        if (dir.isEmpty())
            return;
        QDir().mkpath(QString::fromLocal8Bit(dir));
        w->grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
    }
};

// Forwards to the scripted prompter and notes the window each message was shown over.
class WindowTaggedPrompter : public Prompter {
public:
    // p is read at each message: the fixture's prompter may come after its window.
    WindowTaggedPrompter(ScriptedPrompter *&p, QWidget &window,
                         std::function<void(const std::string &)> showDetail,
                         std::vector<std::pair<QString, std::string>> &log)
        : p_(p), window_(window), showDetail_(std::move(showDetail)), log_(log)
    {}
    Answer message(const std::string &text, const std::string &title, Buttons buttons,
                   Icon icon) override
    {
        log_.push_back({window_.objectName(), text});
        return p_->message(text, title, buttons, icon);
    }
    std::optional<std::string> input(const std::string &prompt, const std::string &title,
                                     const std::string &defaultText) override
    {
        log_.push_back({window_.objectName(), prompt});
        return p_->input(prompt, title, defaultText);
    }
    std::string openFile(const FileDialogRequest &r) override { return p_->openFile(r); }
    std::string saveFile(const FileDialogRequest &r) override { return p_->saveFile(r); }
    void detail(const std::string &text) override { showDetail_(text); }

private:
    ScriptedPrompter *&p_;
    QWidget &window_;
    std::function<void(const std::string &)> showDetail_;
    std::vector<std::pair<QString, std::string>> &log_;
};

template <typename T> T *child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QString::fromLatin1(name));
}

} // namespace

TEST(MainWindow, EveryCommandIsShownWholeWithItsTip)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    EXPECT_EQ(f.w->windowTitle(), "Viscora V1.0 for K7400R Automatic Viscometer");
    const char *exportTip = "Click here to generate report or export data to other format";
    const char *remoteTip =
        "Click here to remotely start K7400r testing. Results will be saved at K7400r";
    struct B {
        const char *name, *caption, *tip;
    } buttons[] = {
        {"cmdOpen", "&Open Saved Test", "Click here to open saved test"},
        {"cmdRetrieve", "&Get K7400r Data",
         "Click here to get last test result from K7400r through comport"},
        {"cmdStartTest", "Start Test on K7400r", remoteTip},
        {"cmdStopTest", "Stop T&est on K7400r", "Press here to stop current test at K7400r"},
        {"cmdRealTime", "Real &Time Test", "Click here to run real time test"},
        {"cmdSetup", "&Setup", "Setup test procedures, comport, rotor bob info, etc"},
        {"RelatedInfo", "Related &Information", "Edit or input related information"},
        {"cmdOverlap", "Overlap Charts", "Click here to overlap another test on graphs"},
        {"cmdReport", "Re&port", exportTip},
        {"cmdExport", "E&xport Excel", exportTip},
        {"cmdPrintChart", "Print Chart", "Click here to print the chart shown at left"},
        {"cmdCalicheck", "Calibration Check", remoteTip},
        {"cmdExit", "&Exit", "Click here to exit Viscora"},
    };
    // What the operator sees: every command by its caption and tip, each caption whole in its
    // button at the window's smallest, and no button over another.
    f.w->resize(f.w->minimumSize());
    QApplication::processEvents();
    QMap<QString, QPushButton *> shown;
    for (QPushButton *btn : f.w->centralWidget()->findChildren<QPushButton *>())
        shown.insert(btn->text(), btn);
    ASSERT_EQ(shown.size(), static_cast<int>(std::size(buttons)));
    for (const auto &b : buttons) {
        QPushButton *btn = shown.value(QString::fromUtf8(b.caption));
        ASSERT_TRUE(btn) << b.caption;
        EXPECT_EQ(btn->objectName(), b.name);
        EXPECT_EQ(btn->toolTip(), b.tip) << b.caption;
        const QString visible = QString::fromUtf8(b.caption).remove(QLatin1Char('&'));
        EXPECT_LE(btn->fontMetrics().horizontalAdvance(visible), btn->contentsRect().width())
            << b.caption;
        for (const auto &other : buttons) {
            if (QPushButton *o = shown.value(QString::fromUtf8(other.caption)); o != btn) {
                EXPECT_FALSE(btn->geometry().intersects(o->geometry()))
                    << b.caption << " over " << other.caption;
            }
        }
    }
    EXPECT_FALSE(f.w->RelatedInfo->isEnabled());
    EXPECT_EQ(f.w->Label2->text(), "Select Chart Type:");
    EXPECT_EQ(f.w->Frame1->title(), "X Scale:");
    EXPECT_EQ(f.w->Frame2->title(), "Y Scale:");
    EXPECT_EQ(f.w->Option1->text(), "Normal");
    EXPECT_EQ(f.w->Option2->text(), "Log");
    EXPECT_EQ(f.w->Option2->toolTip(), "Click here to select log chart scale");
    EXPECT_TRUE(f.w->Option1->isChecked());
    EXPECT_TRUE(f.w->Option3->isChecked());
    EXPECT_EQ(f.w->Pesgo1->toolTip(), "Right click mouse for more option");
    EXPECT_EQ(f.w->MSFlexGrid1->toolTip(), "This table lists the test results.");
    EXPECT_EQ(f.w->cmbChartType->toolTip(),
              "Select different chart types by select corresponding pulldown items");
}

// A menu whose Alt key a button also has cannot be opened from the keyboard: Alt then only
// moves the focus between the two.
TEST(MainWindow, NoMenuSharesItsAltKeyWithAButton)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    QMap<QChar, QString> buttons;
    for (QAbstractButton *b : f.w->findChildren<QAbstractButton *>())
        if (const QChar key = altKey(b->text()); !key.isNull())
            buttons.insert(key, b->text());
    for (QAction *menu : f.w->menuBar()->actions()) {
        const QChar key = altKey(menu->text());
        ASSERT_FALSE(key.isNull()) << menu->text().toStdString();
        EXPECT_FALSE(buttons.contains(key))
            << menu->text().toStdString() << " and " << buttons.value(key).toStdString();
    }
}

TEST(MainWindow, MenusToolbarAndStatusBar)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    QStringList top;
    for (QAction *a : f.w->menuBar()->actions())
        top << a->text();
    // The program's own menus, and beside them Analysis and Tools, which grow with what is added.
    EXPECT_EQ(top, (QStringList{"&File", "&DirectLog", "&Analysis", "Too&ls", "&Help"}));
    auto entries = [](QMenu *menu) {
        QStringList out;
        for (QAction *a : menu->actions())
            out << (a->isSeparator() ? "-" : a->text());
        return out;
    };
    QMenu *file = f.w->menuBar()->actions()[0]->menu();
    EXPECT_EQ(entries(file), (QStringList{"&Open Saved Test", "Find &Tests…",
                                          "&Retrieve From K7400R", "-", "&Print", "&Report...",
                                          "&Cement Lab Report", "-", "&Setup", "-", "E&xit"}));
    EXPECT_EQ(f.w->menuBar()->actions()[1]->menu(), nullptr);
    EXPECT_EQ(entries(f.w->menuBar()->actions()[2]->menu()),
              (QStringList{"&Rheology...", "&Compare Tests…", "Add &Note..."}));
    EXPECT_EQ(entries(f.w->menuBar()->actions()[3]->menu()),
              (QStringList{"&Serial Ports...", "&Database...", "&Copy Tests To Database...", "-",
                           "Calibration &Fluids…", "Calibration &History…"}));
    EXPECT_EQ(entries(f.w->menuBar()->actions()[4]->menu()),
              (QStringList{"&Content", "-", "&About"}));

    QStringList keys, tips;
    for (QAction *a : f.w->Toolbar1->actions()) {
        keys << (a->isSeparator() ? "-" : a->data().toString());
        if (!a->isSeparator())
            tips << a->toolTip();
    }
    EXPECT_EQ(keys, (QStringList{"Open", "Retrieve", "-", "Report", "Print", "-", "Help", "-",
                                 "Rheology"}));
    EXPECT_EQ(tips, (QStringList{"Open Old Test", "Retrieve Result From K7400R", "Report", "Print",
                                 "Help", "Rheology"}));
    EXPECT_EQ(f.w->statusPanel->objectName(), "Status");
    EXPECT_EQ(f.w->timePanel->objectName(), "Time");
    EXPECT_FALSE(f.w->timePanel->text().isEmpty());
    EXPECT_FALSE(f.w->datePanel->text().isEmpty());
}

TEST(MainWindow, StartUpState)
{
    Fixture f;
    f.m.UnitSystem = 2;
    f.m.CommPort = 4;
    f.m.SequenceSent = true;
    f.m.LastSentSequence = SentSequence{"earlier", 1, {}};
    f.m.UnitChanged = true;
    ASSERT_TRUE(f.w->Form_Load());
    EXPECT_FALSE(f.m.LastSentSequence);
    EXPECT_EQ(f.m.UnitSystem, 1);
    EXPECT_EQ(f.m.CommPort, 1);
    EXPECT_TRUE(f.m.NoTestShown);
    EXPECT_FALSE(f.m.SequenceSent);
    EXPECT_FALSE(f.m.UnitChanged);
    EXPECT_FALSE(f.m.DebugMode);
    ASSERT_EQ(f.w->cmbChartType->count(), 10);
    EXPECT_EQ(f.w->cmbChartType->itemText(0), "Shr. Stress Vs. Shr. Rate");
    EXPECT_EQ(f.w->cmbChartType->itemText(9), "Fann_Deg Vs. Speed");
    EXPECT_EQ(f.w->cmbChartType->currentIndex(), 0);
    EXPECT_EQ(f.w->review()->chart().mainTitle(), "Shear Stress Vs. Shear Rate");
    EXPECT_EQ(f.w->review()->chartState().PointCount, 9999);
    EXPECT_EQ(f.w->MSFlexGrid1->model()->rowCount(), 0);
    EXPECT_EQ(f.w->MSFlexGrid1->horizontalHeader()->height(), 27);
    EXPECT_EQ(f.w->MSFlexGrid1->columnWidth(0), 73);
    EXPECT_TRUE(f.p.shown.empty());
    f.w->show();
    f.shot("main-empty");
}

TEST(MainWindow, DebugSwitchFromWhatIsLeftOfTheCommandLine)
{
    struct Case {
        std::vector<std::string> args;
        bool debug;
    } cases[] = {
        {{"/debug"}, true},
        {{"/DEBUG"}, true},
        {{"--comm", "1=/dev/ttyUSB0", "/Debug"}, true},
        {{"--simulate", "/debug"}, true},
        {{"/debug", "x"}, false},
        {{"/debug "}, false},
        {{}, false},
    };
    for (const auto &c : cases) {
        const StartOptions o = parseStartOptions(c.args);
        EXPECT_TRUE(o.error.empty());
        Fixture f(o.commandLine);
        ASSERT_TRUE(f.w->Form_Load());
        EXPECT_EQ(f.m.DebugMode, c.debug) << o.commandLine;
    }
    const StartOptions o = parseStartOptions({"--comm", "3=/dev/ttyACM0", "--comm=12=/tmp/x"});
    EXPECT_EQ(o.commOverrides.at(3), "/dev/ttyACM0");
    EXPECT_EQ(o.commOverrides.at(12), "/tmp/x");
    EXPECT_FALSE(parseStartOptions({"--comm", "13=/dev/x"}).error.empty());
    EXPECT_FALSE(parseStartOptions({"--comm", "1"}).error.empty());
    EXPECT_FALSE(parseStartOptions({"--comm"}).error.empty());
    EXPECT_EQ(parseStartOptions({"--db", "postgresql://lab@db/v", "/debug"}).db,
              "postgresql://lab@db/v");
    EXPECT_EQ(parseStartOptions({"--db=/lab/k7400r.mdb"}).db, "/lab/k7400r.mdb");
    EXPECT_EQ(parseStartOptions({"--db", "x", "/debug"}).commandLine, "/debug");
    EXPECT_FALSE(parseStartOptions({"--db"}).error.empty());
    EXPECT_TRUE(parseStartOptions({"--version"}).version);
    EXPECT_TRUE(parseStartOptions({"-h"}).help);
    EXPECT_TRUE(parseStartOptions({"--help"}).help);
    EXPECT_FALSE(parseStartOptions({"/debug"}).help);
}

TEST(MainWindow, CancelledDatabaseDialogEndsTheProgram)
{
    Fixture f({}, false);
    EXPECT_FALSE(f.w->Form_Load());
}

TEST(MainWindow, CloseBoxAsksExitDoesNot)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->show();
    f.p.answers.push_back(Answer::No);
    f.w->close();
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].text, "Are you sure to exit?");
    EXPECT_EQ(f.p.shown[0].title, "Exit Check");
    EXPECT_EQ(f.p.shown[0].buttons, Buttons::YesNo);
    EXPECT_EQ(f.p.shown[0].icon, Icon::Exclamation);
    EXPECT_TRUE(f.w->isVisible());
    f.p.answers.push_back(Answer::Yes);
    f.w->close();
    EXPECT_FALSE(f.w->isVisible());

    Fixture g;
    ASSERT_TRUE(g.w->Form_Load());
    g.w->show();
    g.w->MenuFileExit->trigger();
    EXPECT_FALSE(g.w->isVisible());
    EXPECT_TRUE(g.p.shown.empty());
}

TEST(MainWindow, RefusalsWithoutSequenceOrOpenedTest)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->cmdRealTime->click();
    EXPECT_EQ(f.p.shown.back().text, "Please first go to Setup Screen and send the sequence to "
                                     "K7400r before your real time test.");
    EXPECT_EQ(f.p.shown.back().title, "Operation Error");
    f.w->cmdOverlap->click();
    EXPECT_EQ(f.p.shown.back().text, "No opened test to overlap on.  Please open one test first.");
    EXPECT_EQ(f.p.shown.back().title, "Operation Error");
    EXPECT_TRUE(f.dialogsRun.empty());
}

TEST(MainWindow, OpenShowsTheTestAndCancelReopensIt)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->cmbChartType_Click(4);
    EXPECT_EQ(f.w->cmbChartType->currentIndex(), 0);
    f.open("ramp");
    EXPECT_EQ(f.dialogsRun, (std::vector<QString>{"Open Saved Test"}));
    EXPECT_EQ(f.m.CurrentTestName, "ramp");
    EXPECT_EQ(f.w->MSFlexGrid1->model()->rowCount(), 4);
    EXPECT_TRUE(f.w->RelatedInfo->isEnabled());
    EXPECT_EQ(f.w->review()->chart().subtitle(), "ramp");
    EXPECT_EQ(f.w->review()->CurrentTestId, 1);
    EXPECT_EQ(f.w->review()->header()->companyName, "ACME");

    f.w->cmbChartType->setCurrentIndex(6);
    f.w->cmbChartType_Click(6);
    EXPECT_EQ(f.w->review()->chart().mainTitle(), "Shear Stress vs. Time");
    f.w->Option4->click();
    EXPECT_EQ(f.w->review()->chart().yScale(), ScaleType::Log);
    f.w->show();
    f.shot("main-type6");
    f.w->cmbChartType->setCurrentIndex(4);
    f.w->cmbChartType_Click(4);
    EXPECT_TRUE(f.w->Option3->isChecked()); // the new chart's scales are normal again
    f.shot("main-type4");

    // Cancel keeps the name: the same test is opened again with normal scales and type 0.
    f.open(QString());
    EXPECT_EQ(f.m.CurrentTestName, "ramp");
    EXPECT_EQ(f.w->cmbChartType->currentIndex(), 0);
    EXPECT_TRUE(f.w->Option3->isChecked());
    EXPECT_EQ(f.w->review()->chart().yScale(), ScaleType::Normal);
    f.shot("main-type0");
}

TEST(MainWindow, OverlayThroughTheDialog)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.open("ramp");
    f.picks.push_back("second");
    f.w->cmdOverlap->click();
    EXPECT_EQ(f.dialogsRun.back(), "Overlap Test Selection");
    EXPECT_EQ(f.w->review()->chart().subsetCount(), 2);
    EXPECT_EQ(f.w->review()->chart().series(1).label, "second");
    // Cancelling overlays the previous choice once more.
    f.w->cmdOverlap->click();
    EXPECT_EQ(f.w->review()->chart().subsetCount(), 3);
    f.w->show();
    f.shot("main-overlay");
}

TEST(MainWindow, ToolbarDispatchByKey)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->Toolbar1_ButtonClick("Open");
    EXPECT_EQ(f.dialogsRun, (std::vector<QString>{"Open Saved Test"}));
    f.w->Toolbar1_ButtonClick("");
    f.w->Toolbar1_ButtonClick("Separator");
    EXPECT_EQ(f.dialogsRun.size(), 1u);
    f.w->Toolbar1_ButtonClick("Help");
    EXPECT_EQ(f.dialogsRun.back(), "Viscora Help");
}

TEST(MainWindow, ToolsItemsOpenTheDialogsGivenAtStart)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    // Without the dialogs (as in these tests) the items are there but disabled.
    EXPECT_FALSE(f.w->MenuToolsSerialPorts->isEnabled());
    EXPECT_FALSE(f.w->MenuToolsDatabase->isEnabled());
    f.w->MenuToolsSerialPorts->trigger();
    f.w->MenuToolsDatabase->trigger();
    EXPECT_TRUE(f.dialogsRun.empty());

    Fixture g;
    QWidget *parentSeen = nullptr;
    g.w.reset(); // a window built with the dialog handed in
    MainWindowDeps deps{g.m,     g.p,     g.clock, g.port, nullptr, nullptr, nullptr,
                        nullptr, nullptr, nullptr, {},     {},      nullptr};
    deps.makeSerialPortsDialog = [&parentSeen](QWidget *parent, Database *) {
        parentSeen = parent;
        auto d = std::make_unique<QDialog>(parent);
        d->setWindowTitle("Serial Ports");
        return d;
    };
    frmMain w(deps);
    std::vector<QString> run;
    w.runDialog = [&run](QDialog &d) {
        run.push_back(d.windowTitle());
        return 0;
    };
    ASSERT_TRUE(w.MenuToolsSerialPorts->isEnabled());
    w.MenuToolsSerialPorts->trigger();
    EXPECT_EQ(run, (std::vector<QString>{"Serial Ports"}));
    EXPECT_EQ(parentSeen, &w);
}

TEST(MainWindow, ToolsDatabaseIsToldTheDatabaseInUse)
{
    TestDb t(Backend::PostgreSQL);
    Module1 m;
    ScriptedPrompter p;
    FakeClock clock;
    ScriptedPort port{clock};
    const QString path = t.path;
    MainWindowDeps deps{m,       p,       clock, port, nullptr, nullptr, nullptr, nullptr, nullptr,
                        [path] {
                            return Located{Located::Status::Opened,
                                           Database::open(path, Database::OpenMode::MustExist).db};
                        },
                        {},      {},      nullptr};
    QString inUseSeen;
    deps.makeDatabaseDialog = [&inUseSeen](QWidget *parent, const QString &inUse) {
        inUseSeen = inUse;
        auto d = std::make_unique<QDialog>(parent);
        d->setWindowTitle("Database");
        return d;
    };
    frmMain w(deps);
    ASSERT_TRUE(w.Form_Load());
    std::vector<QString> run;
    w.runDialog = [&run](QDialog &d) {
        run.push_back(d.windowTitle());
        return 0;
    };
    ASSERT_TRUE(w.MenuToolsDatabase->isEnabled());
    w.MenuToolsDatabase->trigger();
    EXPECT_EQ(run, (std::vector<QString>{"Database"}));
    EXPECT_EQ(inUseSeen, path);
    EXPECT_EQ(w.database()->backend(), Backend::PostgreSQL);
}

// What the window shows of a test (every grid cell, every chart's titles and points, in both
// unit systems) is the same text from the file and from the server.
TEST(MainWindow, TheSameDigitsFromEitherBackend)
{
    auto shown = [](Backend backend) {
        Fixture f({}, true, nullptr, backend);
        // Values whose digits a careless conversion would change.
        f.t.addTest("digits", {point(1, 0.1, 77.7, 3, 0.30000000000000004, 12.345),
                               point(1, 59.99, 212.05, 600, 1234.5678901234, 0, 1.0638),
                               point(2, 3600.5, -40.25, 0.5, 1e-7, 99.999)});
        EXPECT_TRUE(f.w->Form_Load());
        QStringList text;
        for (int unit : {1, 2}) {
            f.m.UnitSystem = unit;
            f.open("digits");
            for (int type = 0; type < kChartTypeCount; ++type) {
                f.w->cmbChartType->setCurrentIndex(type);
                f.w->cmbChartType_Click(type);
                const QAbstractItemModel *grid = f.w->MSFlexGrid1->model();
                for (int r = 0; r < grid->rowCount(); ++r)
                    for (int c = 0; c < grid->columnCount(); ++c)
                        text << grid->index(r, c).data().toString();
                const ChartModel &chart = f.w->review()->chart();
                text << QString::fromStdString(chart.mainTitle() + "|" + chart.yAxisLabel());
                for (int sub = 0; sub < chart.subsetCount(); ++sub)
                    for (int i = 0; i < chart.pointCount(); ++i)
                        text << QString::number(chart.x(sub, i), 'g', 17) + ' ' +
                                    QString::number(chart.y(sub, i), 'g', 17);
            }
        }
        return text;
    };
    const QStringList file = shown(Backend::SQLite);
    EXPECT_GT(file.size(), 200);
    EXPECT_EQ(shown(Backend::PostgreSQL), file);
}

TEST(MainWindow, AboutShowsTheVersion)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    QString version, caption;
    f.w->runDialog = [&](QDialog &d) {
        caption = d.windowTitle();
        if (auto *label = d.findChild<QLabel *>("lblVersion"))
            version = label->text();
        d.show();
        const QByteArray dir = qgetenv("VISCORA_SHOTS");
        if (!dir.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(dir));
            d.grab().save(QString::fromLocal8Bit(dir) + "/about.png");
        }
        return 0;
    };
    f.w->MenuHelpAbout->trigger();
    EXPECT_EQ(caption, "About Viscora");
    EXPECT_EQ(version, QStringLiteral("Version ") + versionText());
    // The window's own caption stays as it is.
    EXPECT_EQ(f.w->windowTitle(), "Viscora V1.0 for K7400R Automatic Viscometer");
}

TEST(HelpWindow, ShowsThePageOverTheWindowThatAsked)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    QString text;
    QWidget *parent = nullptr;
    f.onDialog = [&](QDialog &d) {
        parent = d.parentWidget();
        if (auto *help = qobject_cast<HelpViewer *>(&d))
            text = help->browser()->toPlainText();
    };
    f.w->MenuHelpContent->trigger();
    EXPECT_TRUE(text.contains("Opening, deleting and reviewing saved tests")) << text.toStdString();
    EXPECT_EQ(parent, f.w.get());
    f.w->cmdSetup->click();
    f.w->setupWindow()->Toolbar1_ButtonClick("Help");
    EXPECT_EQ(parent, f.w->setupWindow());
    parent = nullptr;
    f.w->setupWindow()->MenuHelpAbout->trigger();
    EXPECT_EQ(parent, f.w->setupWindow());
}

namespace {
// "Menu → Item" for every item of a window's menus (an item of the bar itself alone), as the
// help page names them.
QStringList menuPaths(QMainWindow &window)
{
    auto plain = [](QString text) { return text.remove('&').trimmed(); };
    QStringList paths;
    for (QAction *top : window.menuBar()->actions()) {
        if (!top->menu()) {
            paths << plain(top->text());
            continue;
        }
        for (QAction *item : top->menu()->actions())
            if (!item->isSeparator())
                paths << plain(top->text()) + QStringLiteral(" → ") + plain(item->text());
    }
    return paths;
}
} // namespace

TEST(HelpWindow, NamesEveryMenuItemOfTheProgram)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    QString help;
    f.onDialog = [&](QDialog &d) {
        if (auto *viewer = qobject_cast<HelpViewer *>(&d))
            help = viewer->browser()->toPlainText();
    };
    f.w->MenuHelpContent->trigger();
    ASSERT_FALSE(help.isEmpty());
    QStringList paths = menuPaths(*f.w);
    for (const char *added : {"Tools → Serial Ports...", "Tools → Database...",
                              "Tools → Copy Tests To Database...", "Analysis → Rheology..."})
        EXPECT_TRUE(paths.contains(QString::fromUtf8(added))) << added;
    f.w->cmdSetup->click();
    paths << menuPaths(*f.w->setupWindow());
    for (const QString &path : paths)
        EXPECT_TRUE(help.contains(path)) << path.toStdString();
}

// The page is compiled into a static library: only the program itself shows whether it is
// registered where the window looks for it.
TEST(HelpWindow, TheProgramFindsItsHelpPage)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(VISCORA_BIN, {"--check-help"});
    ASSERT_TRUE(program.waitForFinished(60000));
    const QString out = QString::fromUtf8(program.readAllStandardOutput()).trimmed();
    EXPECT_EQ(program.exitCode(), 0) << out.toStdString();
    const QRegularExpression summary("^Viscora Help \\((\\d+) characters\\)$");
    const auto match = summary.match(out);
    ASSERT_TRUE(match.hasMatch()) << out.toStdString();
    EXPECT_GT(match.captured(1).toInt(), 3000);
}

TEST(MainWindow, ActivationAfterUnitChangeRefreshes)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    // No test open: only the header changes.
    f.m.UnitSystem = 2;
    f.m.UnitChanged = true;
    f.w->Form_Activate();
    EXPECT_EQ(f.w->MSFlexGrid1->model()->headerData(5, Qt::Horizontal).toString(),
              "Shear Stress\n(dyn/cm2)");
    EXPECT_EQ(f.w->review()->chartState().PointCount, 9999);
    f.open("ramp");
    f.m.UnitSystem = 1;
    f.m.UnitChanged = true;
    f.w->Form_Activate();
    EXPECT_FALSE(f.m.UnitChanged);
    EXPECT_EQ(f.w->MSFlexGrid1->model()->headerData(5, Qt::Horizontal).toString(),
              "Shear Stress\n(lb/100ft2)");
    EXPECT_EQ(f.w->MSFlexGrid1->model()->index(0, 5).data().toString(), "187.920");
}

TEST(MainWindow, ResizeKeepsProportionsAndListsOnlyMove)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->show();
    QWidget *central = f.w->centralWidget();
    const QRect open0 = f.w->cmdOpen->geometry();
    const QSize combo0 = f.w->cmbChartType->size();
    const QPoint comboPos0 = f.w->cmbChartType->pos();
    const QSize c0 = central->size();
    f.w->layoutFractions().apply(QSize(c0.width() * 2, c0.height() * 2));
    EXPECT_NEAR(f.w->cmdOpen->x(), open0.x() * 2, 1);
    EXPECT_NEAR(f.w->cmdOpen->width(), open0.width() * 2, 1);
    EXPECT_NEAR(f.w->cmdOpen->height(), open0.height() * 2, 1);
    EXPECT_EQ(f.w->cmbChartType->size(), combo0);
    EXPECT_NEAR(f.w->cmbChartType->x(), comboPos0.x() * 2, 1);
    // Minimised: nothing moves.
    const QRect before = f.w->cmdOpen->geometry();
    f.w->layoutFractions().apply(QSize(1, 0));
    EXPECT_EQ(f.w->cmdOpen->geometry(), before);
}

TEST(MainWindow, RemoteStartAndStopBytes)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->cmdStartTest->click();
    f.w->cmdStopTest->click();
    EXPECT_EQ(f.port.allWritten(), "\x05\x06");
    EXPECT_FALSE(f.port.isOpen());
    f.m.CommPort = 9;
    f.w->cmdStartTest->click();
    EXPECT_EQ(f.p.shown.back().title, "Comm Port Error");
    f.w->cmdStopTest->click();
    EXPECT_EQ(f.p.shown.back().title, "Comport Error");
    EXPECT_TRUE(f.w->isEnabled());
}

// Each button's Alt key reaches it: "Stop T&est" takes Alt+E, "&Exit" keeps File, Exit.
TEST(MainWindow, AltKeysReachTheirButtons)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->show();
    QApplication::setActiveWindow(f.w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.w.get()));
    EXPECT_EQ(altKeyClashes(*f.w), "");
    QTest::keyClick(f.w.get(), Qt::Key_E, Qt::AltModifier);
    // A button's key presses it as a click does, drawn pressed for a moment first.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.port.allWritten().empty(); }, 2000));
    EXPECT_EQ(f.port.allWritten(), "\x06");
    EXPECT_TRUE(f.w->isVisible());
}

TEST(MainWindow, RetrieveNamesStoresAndShowsTheTest)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.port.onWrite = [&f](const std::string &bytes) {
        if (bytes == "\x08")
            f.port.deliver("K7400R V1.0 SIM\x02", f.clock.now);
        if (bytes == "\x01")
            f.port.deliver(std::string("1,30,120,300,0,60000,4,1,60,121,310,0,30000,4,\x02"),
                           f.clock.now);
    };
    f.picks.push_back("ramp"); // a duplicate first: the dialog stays open, then is cancelled
    f.w->cmdRetrieve_Click();
    EXPECT_EQ(f.p.shown.back().text, "Duplicated test name. Please enter a new test name.");
    EXPECT_EQ(f.m.CurrentTestName, "");
    EXPECT_EQ(must(TestRepository(*f.t.db).tests()).size(), 2u);

    f.picks.push_back("retrieved");
    f.w->MenuFileRetrieve->trigger();
    EXPECT_EQ(f.dialogsRun.back(), "Related Information ");
    EXPECT_EQ(f.m.CurrentTestName, "retrieved");
    EXPECT_EQ(f.m.RbIndex, 4);
    EXPECT_EQ(f.w->review()->CurrentTestId, 3);
    EXPECT_EQ(f.w->MSFlexGrid1->model()->rowCount(), 2);
    EXPECT_TRUE(f.w->RelatedInfo->isEnabled());
    EXPECT_TRUE(f.w->isVisible() || !f.w->isHidden());
    EXPECT_EQ(f.w->statusPanel->text(), "Retrieving Data Finished Successfully!");
    EXPECT_EQ(f.w->review()->chart().subtitle(), "retrieved");

    // The message is about the retrieved test: it stays while that test is shown, and goes
    // with it.
    f.open(""); // cancelled
    EXPECT_EQ(f.w->statusPanel->text(), "Retrieving Data Finished Successfully!");
    f.open("second");
    EXPECT_EQ(f.w->statusPanel->text(), "");
}

// Tab leaves a grid for the next control; the arrows move within it.
TEST(MainWindow, TabLeavesTheGridArrowsMoveWithin)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.open("ramp");
    f.w->show();
    QApplication::setActiveWindow(f.w.get());
    QTableView *grid = f.w->MSFlexGrid1;
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(grid->currentIndex().column(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), grid);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 1));
    grid->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_NE(QApplication::focusWidget(), grid);
}

TEST(MainWindow, SetupHidesTheMainWindowAndReturnRefreshesIt)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->show();
    f.open("ramp");
    f.w->cmdSetup->click();
    EXPECT_EQ(f.m.SavedWindowState, WindowState::Normal);
    EXPECT_TRUE(f.w->isHidden());
    frmSetup *setup = f.w->setupWindow();
    ASSERT_TRUE(setup);
    EXPECT_TRUE(setup->isVisible());
    setup->Option2->click();
    setup->radBfl->click();
    EXPECT_EQ(f.w->review()->chart().plottingMethod(), PlottingMethod::BestFitLinear);
    setup->cmdReturn->click();
    EXPECT_TRUE(f.w->isVisible());
    EXPECT_FALSE(f.m.UnitChanged);
    EXPECT_EQ(f.w->MSFlexGrid1->model()->headerData(2, Qt::Horizontal).toString(), "Temp\n(C°)");
    // Opening again starts from port 1 and keeps the unit system.
    f.m.CommPort = 4;
    f.w->MenuSetup->trigger();
    EXPECT_EQ(f.m.CommPort, 1);
    EXPECT_TRUE(f.w->setupWindow()->Option2->isChecked());
}

TEST(MainWindow, RealTimeWindowOpensAfterADownloadAndReturns)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->show();
    f.m.SequenceSent = true;
    f.m.CurrentSequenceName = "none";
    f.w->cmdRealTime->click();
    EXPECT_TRUE(f.w->isHidden());
    frmRealTime *rt = f.w->realTimeWindow();
    ASSERT_TRUE(rt);
    EXPECT_TRUE(rt->isVisible());
    EXPECT_EQ(rt->lblSequenceName->text(), "none");
    EXPECT_TRUE(rt->cmdReturn_Click());
    EXPECT_TRUE(f.w->isVisible());
}

TEST(MainWindow, ReportPrintAndExportCommands)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->cmdReport->click();
    EXPECT_EQ(f.p.shown.back().text,
              "Currently no valid test selected.  Please first open a saved test.");
    EXPECT_EQ(f.p.shown.back().title, "");
    f.w->cmdExport->click(); // no test: nothing
    EXPECT_TRUE(f.p.fileRequests.empty());

    f.open("ramp");
    f.w->MenuFileReport->trigger();
    EXPECT_EQ(f.previews, 1);
    EXPECT_TRUE(QFileInfo(f.t.dir.filePath("report.pdf")).size() > 0);
    // A printer that does not start is said.
    f.reportFile = QStringLiteral("no/such/folder/report.pdf");
    f.w->MenuFileReport->trigger();
    EXPECT_EQ(f.p.shown.back().text,
              "The report could not be printed: the printer could not be started.");
    EXPECT_EQ(f.p.shown.back().title, "");
    f.reportFile = QStringLiteral("report.pdf");

    f.w->MenuFilePrint->trigger();
    EXPECT_EQ(
        f.p.shown.back().text,
        "Two pages, each with a single, centered line of text, have been sent to your printer.");
    f.w->cmdPrintChart->click();
    EXPECT_EQ(f.prints, 2);
    f.pdf.reset();
    EXPECT_GT(QFileInfo(f.t.dir.filePath("print-2.pdf")).size(), 1000);

    const QString xlsx = f.t.dir.filePath("ramp");
    f.p.files = {xlsx.toStdString()};
    f.w->cmdExport->click();
    ASSERT_EQ(f.p.fileRequests.size(), 1u);
    EXPECT_EQ(f.p.fileRequests[0].title, "Please input desired Excel file name.");
    EXPECT_EQ(f.p.fileRequests[0].proposedName, "ramp.xlsx");
    EXPECT_TRUE(QFileInfo(xlsx + ".xlsx").isFile());
    EXPECT_EQ(f.opened, (std::vector<std::string>{(xlsx + ".xlsx").toStdString()}));
    EXPECT_EQ(f.w->statusPanel->text(), "Writing Record: 4 of 4");

    f.p.files = {f.t.dir.filePath("cement.xlsx").toStdString()};
    f.w->MenuFileCementRpt->trigger();
    EXPECT_TRUE(QFileInfo(f.t.dir.filePath("cement.xlsx")).isFile());

    f.p.files = {f.t.dir.filePath("missing/x.xlsx").toStdString()};
    f.w->cmdExport->click();
    EXPECT_EQ(f.p.shown.back().title, "Export Error");
    f.p.files = {""}; // cancelled
    const size_t messages = f.p.shown.size();
    f.w->cmdExport->click();
    EXPECT_EQ(f.p.shown.size(), messages);
}

// A listing of many thousand points is offered as a summary too, the full report first; a
// long report shows its progress with a Stop button that ends it where it is.
TEST(MainWindow, LongReportOffersASummaryAndCanBeStopped)
{
    Fixture f;
    std::vector<StoredPoint> points;
    const int count = static_cast<int>(kSummaryOfferPoints) + 1;
    for (int i = 0; i < count; ++i)
        points.push_back(point(1 + i / 5000, i % 5000, 100, 300, 510 + i % 7));
    f.t.addTest("long", points);
    ASSERT_TRUE(f.w->Form_Load());
    f.open("long");
    const std::string offer =
        "This test has 20001 points, a line each in the full report.\n\nYes: the full "
        "report.\nNo: a summary, the last reading of each step under a chart of the whole "
        "test, with the rheology.";
    auto pdfText = [&f] {
        QProcess text;
        text.start("pdftotext", {f.t.dir.filePath("report.pdf"), "-"});
        text.waitForFinished(60000);
        return QString::fromUtf8(text.readAllStandardOutput());
    };

    f.p.answers = {Answer::Cancel};
    f.w->cmdReport->click();
    EXPECT_EQ(f.p.shown.back().text, offer);
    EXPECT_EQ(f.p.shown.back().title, "Report");
    EXPECT_EQ(f.p.shown.back().buttons, Buttons::YesNoCancel);
    EXPECT_EQ(f.previews, 0);

    f.p.answers = {Answer::No};
    f.w->cmdReport->click();
    EXPECT_EQ(f.previews, 1);
    const QString summary = pdfText();
    EXPECT_TRUE(summary.contains("Summary: the last reading of each step, 5 of the test's 20001 "
                                 "points."))
        << summary.toStdString();
    EXPECT_TRUE(summary.contains(QStringLiteral("Page 1 of %1").arg(summary.count('\f'))));

    // The full report: Stop in its progress dialog ends it after a few pages.
    QString label;
    int pages = 0;
    std::function<void()> stopSoon = [&] {
        auto *progress = f.w->findChild<QProgressDialog *>();
        if (!progress) {
            QTimer::singleShot(0, stopSoon);
            return;
        }
        label = progress->labelText();
        pages = progress->maximum();
        EXPECT_EQ(progress->windowTitle(), "Report");
        progress->cancel();
    };
    QTimer::singleShot(0, stopSoon);
    f.p.answers = {Answer::Yes};
    const size_t messages = f.p.shown.size();
    f.w->cmdReport->click();
    EXPECT_EQ(f.previews, 2);
    EXPECT_EQ(f.p.shown.size(), messages + 1); // the offer only
    EXPECT_GT(pages, 300);
    EXPECT_TRUE(label.startsWith("Drawing page ")) << label.toStdString();
    EXPECT_TRUE(label.endsWith(QStringLiteral(" of %1 (0%)").arg(pages))) << label.toStdString();
    const QString stopped = pdfText();
    EXPECT_LT(stopped.count('\f'), 10);
}

// Whatever the test's name, the save dialog is offered one valid file name, and each
// workbook its own.
TEST(MainWindow, WorkbookNamesAreOneValidFileEach)
{
    struct Case {
        std::string test, workbook;
    } cases[] = {
        {"ramp", "ramp.xlsx"},
        {"q \"x\" y", "q 'x' y.xlsx"},
        {"\"a\" \"b\"", "'a' 'b'.xlsx"},
        {"mud 3/4 A:B", "mud 3_4 A_B.xlsx"},
        {"..hidden.", "hidden.xlsx"},
        {"tab\there", "tab_here.xlsx"},
        {"/", "_.xlsx"},
        {"...", "test.xlsx"},
        {"Schlämme 25 °C", "Schlämme 25 °C.xlsx"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(workbookFileName(c.test, ".xlsx"), c.workbook) << c.test;
        EXPECT_EQ(workbookFileName(c.test, " cement.xlsx"),
                  c.workbook.substr(0, c.workbook.size() - 5) + " cement.xlsx")
            << c.test;
    }
    const std::string longName = workbookFileName(std::string(300, 'x'), " cement.xlsx");
    EXPECT_EQ(longName.size(), 255u);
    EXPECT_TRUE(longName.ends_with(" cement.xlsx"));

    // Through the window: the dialog is offered these names.
    Fixture f;
    f.t.addTest("q \"x\" y", {point(1, 10, 120, 100, 200)});
    ASSERT_TRUE(f.w->Form_Load());
    f.open("q \"x\" y");
    f.p.files = {"", ""}; // both cancelled
    f.w->cmdExport->click();
    f.w->MenuFileCementRpt->trigger();
    ASSERT_EQ(f.p.fileRequests.size(), 2u);
    EXPECT_EQ(f.p.fileRequests[0].proposedName, "q 'x' y.xlsx");
    EXPECT_EQ(f.p.fileRequests[1].proposedName, "q 'x' y cement.xlsx");
}

TEST(MainWindow, RheologyWindowOfTheOpenedTest)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    for (auto open :
         std::vector<std::function<void()>>{[&] { f.w->MenuAnalysisRheology->trigger(); },
                                            [&] { f.w->Toolbar1_ButtonClick("Rheology"); }}) {
        open();
        EXPECT_EQ(f.p.shown.back().text,
                  "Currently no valid test selected.  Please first open a saved test.");
        EXPECT_EQ(f.p.shown.back().title, "");
    }
    EXPECT_TRUE(f.dialogsRun.empty());

    f.open("ramp");
    const frmRheology *shown = nullptr;
    size_t curves = 0;
    double firstRpm = 0;
    f.onDialog = [&](QDialog &d) {
        shown = qobject_cast<frmRheology *>(&d);
        if (shown) {
            curves = shown->analysis().curves.size();
            firstRpm = shown->analysis().curves.at(0).readings.at(0).rpm;
        }
    };
    const size_t messages = f.p.shown.size();
    f.w->Toolbar1_ButtonClick("Rheology");
    EXPECT_EQ(f.dialogsRun.back(), "Rheology");
    EXPECT_TRUE(shown);
    EXPECT_EQ(curves, 1u); // one ramp, 300 then 200 rpm, warming from 150 to 180 degF
    EXPECT_EQ(firstRpm, 300);
    EXPECT_EQ(f.p.shown.size(), messages);

    ASSERT_TRUE(f.t.exec("ALTER TABLE TestResult RENAME COLUMN Gel TO Other"));
    f.w->MenuAnalysisRheology->trigger();
    EXPECT_EQ(f.p.shown.back().title, "Database Error");
    EXPECT_EQ(f.p.shown.back().text.rfind("The test's points could not be read: ", 0), 0u)
        << f.p.shown.back().text;
}

// Analysis, Compare Tests: the window over the database in use, every saved test to pick from.
TEST(MainWindow, CompareTestsOpensWithEverySavedTest)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    int listed = -1;
    f.onDialog = [&](QDialog &d) {
        auto *compare = qobject_cast<frmCompare *>(&d);
        ASSERT_TRUE(compare);
        listed = compare->lstTests->count();
        compare->cmdClose->click();
    };
    f.w->MenuAnalysisCompare->trigger();
    EXPECT_EQ(f.dialogsRun.back(), "Compare Tests");
    EXPECT_EQ(listed, 2);
    EXPECT_TRUE(f.p.shown.empty());
}

// Analysis, Add Note: a note at the selected row's time (or as typed), kept with the test and
// shown at once in the grid and on a time chart; what cannot be a note is said.
TEST(MainWindow, AddNoteAtTheSelectedRowsTime)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->MenuAnalysisAddNote->trigger();
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown.back().text,
              "Currently no valid test selected.  Please first open a saved test.");

    f.open("ramp");
    f.w->cmbChartType_Click(6); // shear stress against time
    f.w->MSFlexGrid1->setCurrentIndex(f.w->review()->grid().index(2, 0));
    QString proposed;
    QString typed = QStringLiteral("added 2 ppb polymer");
    f.onDialog = [&](QDialog &d) {
        auto *note = qobject_cast<NoteDialog *>(&d);
        ASSERT_TRUE(note);
        proposed = note->txtNoteTime->text();
        note->txtNote->setText(typed);
        note->cmdOk->click();
    };
    f.w->MenuAnalysisAddNote->trigger();
    EXPECT_EQ(f.dialogsRun.back(), "Add Note");
    EXPECT_EQ(proposed, "630"); // step 1 ran 600 s, then 30 s of step 2
    const auto notes = must(testNotes(TestRepository(*f.t.db), "ramp"));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].time, 630);
    EXPECT_EQ(notes[0].text, "added 2 ppb polymer");
    EXPECT_TRUE(f.w->review()->grid().hasNote(2));
    EXPECT_EQ(f.w->review()->chart().noteMarks(),
              (std::vector<TimeMark>{{630, "added 2 ppb polymer", TimeMarkKind::Note}}));
    EXPECT_EQ(f.p.shown.size(), 1u);

    typed = QStringLiteral("  ");
    f.w->MenuAnalysisAddNote->trigger();
    ASSERT_EQ(f.p.shown.size(), 2u);
    EXPECT_EQ(f.p.shown.back().title, "Notes");
    EXPECT_EQ(f.p.shown.back().text, "A note needs a text.");
    f.onDialog = [&](QDialog &d) {
        auto *note = qobject_cast<NoteDialog *>(&d);
        note->txtNoteTime->setText(QStringLiteral("soon"));
        note->txtNote->setText(QStringLiteral("x"));
        note->cmdOk->click();
    };
    f.w->MenuAnalysisAddNote->trigger();
    ASSERT_EQ(f.p.shown.size(), 3u);
    EXPECT_EQ(f.p.shown.back().text,
              "A note's time is in seconds from the test's start, 0 or more.");
    f.onDialog = [](QDialog &d) { qobject_cast<NoteDialog *>(&d)->cmdCancel->click(); };
    f.w->MenuAnalysisAddNote->trigger();
    EXPECT_EQ(f.p.shown.size(), 3u);
    EXPECT_EQ(must(testNotes(TestRepository(*f.t.db), "ramp")).size(), 1u);
}

// Opened first in a run, a test without points leaves the rotor-bob code at 0: its report is
// still its header over an empty table.
TEST(MainWindow, ReportOfATestWithoutPoints)
{
    Fixture f;
    f.t.addTest("nothing yet", {});
    ASSERT_TRUE(f.w->Form_Load());
    f.open("nothing yet");
    EXPECT_EQ(f.m.RbIndex, 0);
    f.w->cmdReport->click();
    EXPECT_TRUE(f.p.shown.empty());
    EXPECT_EQ(f.previews, 1);
    QProcess text;
    text.start("pdftotext", {f.t.dir.filePath("report.pdf"), "-"});
    text.waitForFinished(20000);
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(out.contains("nothing yet")) << out.toStdString();
    EXPECT_TRUE(out.contains("STEP")) << out.toStdString();
}

TEST(MainWindow, CalibrationDialogAndDirectLogWindow)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->show();
    f.calibration = [&f](QDialog &d) {
        auto &cal = dynamic_cast<frmCaliCheck &>(d);
        cal.txtVisc->setText("100");
        f.p.files = {f.t.dir.filePath("no/dir/cal.xlsx").toStdString()};
        cal.cmdExport->click();
        f.p.files = {f.t.dir.filePath("cal").toStdString()};
        cal.cmdExport->click();
    };
    f.w->cmdCalicheck->click();
    EXPECT_EQ(f.dialogsRun.back(), "Auto Calibration Check");
    EXPECT_EQ(f.p.shown.back().text.rfind("The calibration result could not be saved to " +
                                              f.t.dir.filePath("no/dir/cal.xlsx").toStdString() +
                                              ": ",
                                          0),
              0u)
        << f.p.shown.back().text;
    EXPECT_EQ(f.p.shown.back().title, "Export Error");
    EXPECT_EQ(f.opened, (std::vector<std::string>{f.t.dir.filePath("cal.xlsx").toStdString()}));
    f.w->DirectLog->trigger();
    ASSERT_TRUE(f.w->directLogWindow());
    EXPECT_TRUE(f.w->directLogWindow()->isVisible());
    EXPECT_EQ(f.w->directLogWindow()->windowTitle(), "Direct Data Logging");
    frmDirectLog *first = f.w->directLogWindow();
    f.w->DirectLog->trigger();
    EXPECT_EQ(f.w->directLogWindow(), first);
    EXPECT_TRUE(f.w->isVisible()); // modeless: the main window stays
}

TEST(MainWindow, ReadFailuresAreShownNotTakenForNoTests)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    ASSERT_TRUE(f.t.exec("ALTER TABLE TestResult RENAME COLUMN Shearstress TO Other"));
    f.open("ramp");
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].title, "Database Error");
    EXPECT_EQ(f.p.shown[0].text.rfind("The test's points could not be read: no such column: "
                                      "Shearstress",
                                      0),
              0u);
    EXPECT_EQ(f.w->MSFlexGrid1->model()->rowCount(), 0);

    ASSERT_TRUE(f.t.exec("ALTER TABLE RelatedInfo RENAME COLUMN TestName TO Other"));
    f.p.shown.clear();
    f.picks.push_back({}); // the dialog opens on an empty list and is cancelled
    f.w->cmdOpen_Click();
    ASSERT_FALSE(f.p.shown.empty());
    EXPECT_EQ(f.p.shown[0].text.rfind("The saved tests could not be read: no such column: "
                                      "TestName",
                                      0),
              0u);
}

// A test whose rows a damaged page cuts short is said to be damaged, never shown short.
TEST(MainWindow, ATestCutShortByADamagedFileIsNotShown)
{
    Fixture f;
    f.t.db.reset();
    silentlyDamagedDatabase(f.t.dir, "leaf", 9, '\x80');
    ASSERT_TRUE(f.w->Form_Load());
    f.open("long");
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].title, "Database Error");
    EXPECT_EQ(f.p.shown[0].text,
              "The database file is damaged: the test's rows do not match their index.");
    EXPECT_EQ(f.w->MSFlexGrid1->model()->rowCount(), 0);
}

TEST(MainWindow, EveryWindowShowsItsMessagesOverItself)
{
    std::vector<std::pair<QString, std::string>> log;
    ScriptedPrompter *scripted = nullptr;
    PrompterFactory factory = [&](QWidget &window,
                                  std::function<void(const std::string &)> showDetail) {
        return std::make_unique<WindowTaggedPrompter>(scripted, window, std::move(showDetail), log);
    };
    Fixture f({}, true, factory);
    scripted = &f.p;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->show();
    auto last = [&log] { return log.empty() ? std::pair<QString, std::string>() : log.back(); };

    f.w->cmdRealTime->click();
    EXPECT_EQ(last(),
              std::make_pair(QString("frmMain"),
                             std::string("Please first go to Setup Screen and send the "
                                         "sequence to K7400r before your real time test.")));
    // The direct log stays beside the main window: its messages must come up over it.
    f.w->DirectLog->trigger();
    f.w->directLogWindow()->txtFileName->clear();
    f.w->directLogWindow()->cmdRun->click();
    EXPECT_EQ(last(), std::make_pair(QString("frmDirectLog"),
                                     std::string("Please first input Data File Name.")));
    f.w->directLogWindow()->close();

    f.w->cmdSetup->click();
    f.w->setupWindow()->cmdInsertStep->click();
    EXPECT_EQ(last(), std::make_pair(QString("frmSetup"),
                                     std::string("Please select a test sequence first.")));
    f.w->setupWindow()->cmdReturn->click();

    f.m.SequenceSent = true;
    f.w->cmdRealTime->click();
    f.w->realTimeWindow()->cmdStart->click();
    EXPECT_EQ(last(), std::make_pair(QString("frmRealTime"),
                                     std::string("Please first name this test by clicking the "
                                                 "'Save Result As' button.")));
    EXPECT_EQ(f.p.shown.back().title, "Communication Error");
    f.w->realTimeWindow()->cmdReturn_Click();

    // A port failure's reason goes to the status bar of the window that tried the port.
    f.m.CommPort = 7;
    f.w->cmdStartTest->click();
    EXPECT_EQ(last().first, "frmMain");
    EXPECT_EQ(f.p.shown.back().title, "Comm Port Error");
}

TEST(MainWindow, SetupReturnHandsItsWindowStateToTheMainWindow)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.w->show();
    f.w->cmdSetup->click();
    f.w->setupWindow()->showMaximized();
    f.w->setupWindow()->cmdReturn->click();
    EXPECT_TRUE(f.w->isVisible());
    EXPECT_TRUE(f.w->isMaximized());
    // The setup window now opens maximised, like the main window; back to normal on Return.
    f.w->cmdSetup->click();
    EXPECT_TRUE(f.w->setupWindow()->isMaximized());
    f.w->setupWindow()->showNormal();
    f.w->setupWindow()->cmdReturn->click();
    EXPECT_FALSE(f.w->isMaximized());
    // The close box only shows the main window again.
    f.w->showMaximized();
    f.w->cmdSetup->click();
    f.w->setupWindow()->showNormal();
    f.w->setupWindow()->close();
    EXPECT_TRUE(f.w->isVisible());
    EXPECT_TRUE(f.w->isMaximized());
}

TEST(MainWindow, DeletingTheOpenTestLeavesNoTestShown)
{
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    f.open("second");
    EXPECT_EQ(f.w->review()->CurrentTestId, 2);
    auto deleteThenCancel = [&f](const QString &name, Answer answer) {
        f.onDialog = [&f, name, answer](QDialog &d) {
            auto &open = dynamic_cast<OpenTest &>(d);
            open.DBList1->setCurrentItem(open.DBList1->findItems(name, Qt::MatchExactly).first());
            f.p.answers = {answer};
            open.cmdDelete->click();
            open.cmdCancel->click();
        };
        f.w->cmdOpen_Click();
    };
    // An earlier test goes: the open one is renumbered and stays shown under its new id.
    deleteThenCancel("ramp", Answer::Yes);
    EXPECT_EQ(f.p.shown.back().text,
              "Delete test \"ramp\" and its 4 data points? This cannot be undone.");
    EXPECT_EQ(f.m.CurrentTestName, "second");
    EXPECT_EQ(f.w->review()->CurrentTestId, 1);
    EXPECT_EQ(f.w->MSFlexGrid1->model()->rowCount(), 2);

    deleteThenCancel("second", Answer::No);
    EXPECT_EQ(f.m.CurrentTestName, "second");
    EXPECT_EQ(f.w->MSFlexGrid1->model()->rowCount(), 2);

    deleteThenCancel("second", Answer::Yes);
    EXPECT_EQ(f.m.CurrentTestName, "");
    EXPECT_EQ(f.w->review()->CurrentTestId, 0);
    EXPECT_EQ(f.w->MSFlexGrid1->model()->rowCount(), 0);
    EXPECT_FALSE(f.w->RelatedInfo->isEnabled());
    EXPECT_EQ(f.w->review()->chartState().PointCount, 9999);
    EXPECT_EQ(f.w->review()->chart().subtitle(), "");
    f.w->cmdReport->click();
    EXPECT_EQ(f.p.shown.back().text,
              "Currently no valid test selected.  Please first open a saved test.");
}

TEST(MainWindow, RealTimeShowsTheSequenceSentNotTheOneSelectedSince)
{
    Fixture f;
    ASSERT_TRUE(f.addSequence("Sent", 2, {{1, 600, 212, 100, 10}, {2, 300, 150, 600, 5}}));
    ASSERT_TRUE(f.addSequence("Selected later", 1, {{1, 60, 80, 3, 1}}));
    ASSERT_TRUE(f.w->Form_Load());
    f.w->cmdSetup->click();
    frmSetup *setup = f.w->setupWindow();
    ASSERT_EQ(setup->currentSequence(), "Sent");
    setup->cmdSend->click();
    ASSERT_TRUE(f.m.SequenceSent);
    setup->selectSequence("Selected later");
    EXPECT_EQ(f.m.CurrentSequenceName, "Selected later");
    EXPECT_EQ(f.m.RbIndex, 1);
    setup->cmdReturn->click();

    f.w->cmdRealTime->click();
    frmRealTime *rt = f.w->realTimeWindow();
    EXPECT_EQ(rt->lblSequenceName->text(), "Sent");
    auto *grid = rt->MSFlexGrid1->model();
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->index(1, 1).data().toString(), "300");
    EXPECT_EQ(grid->index(0, 4).data().toString(), "542.18"); // sent with R2-B1
    EXPECT_EQ(f.m.RbIndex, 2);
    EXPECT_EQ(rt->acquisition().recordRate(1), 10);
    EXPECT_EQ(rt->acquisition().recordRate(2), 5);
}

TEST(MainWindow, ToolbarIconsMeanWhatTheirTooltipsSay)
{
    const std::map<QString, QString> mainIcons = {
        {"Open", "document-open"},       {"Retrieve", "go-down"},
        {"Report", "x-office-document"}, {"Rheology", "office-chart-line"},
        {"Print", "document-print"},     {"Help", "help-contents"},
    };
    const std::map<QString, QString> setupIcons = {
        {"New", "document-new"},     {"Saveas", "document-save-as"}, {"Delete", "edit-delete"},
        {"Print", "document-print"}, {"Send", "document-send"},      {"Help", "help-contents"},
    };
    auto iconsOf = [](QToolBar *bar) {
        std::map<QString, QString> out;
        for (QAction *a : bar->actions())
            if (!a->isSeparator())
                out[a->data().toString()] = a->icon().name();
        return out;
    };
    {
        // From the desktop theme when it has them.
        TestIconTheme theme(drawnIconNames());
        Fixture f;
        ASSERT_TRUE(f.w->Form_Load());
        EXPECT_EQ(iconsOf(f.w->Toolbar1), mainIcons);
        f.w->cmdSetup->click();
        EXPECT_EQ(iconsOf(f.w->setupWindow()->Toolbar1), setupIcons);
    }
    // Without them, the drawn ones of the same names.
    TestIconTheme empty({});
    Fixture f;
    ASSERT_TRUE(f.w->Form_Load());
    for (QAction *a : f.w->Toolbar1->actions()) {
        if (a->isSeparator())
            continue;
        EXPECT_EQ(a->icon().pixmap(22).toImage(),
                  drawnIcon(mainIcons.at(a->data().toString())).pixmap(22).toImage())
            << a->data().toString().toStdString();
    }
}

namespace {
// Everything a window shows that carries text, with the places its text needs.
std::vector<QWidget *> textControls(QWidget *window)
{
    std::vector<QWidget *> out;
    for (QWidget *c : window->findChildren<QWidget *>()) {
        if (!c->isVisibleTo(window) || c->window() != window)
            continue;
        if (qobject_cast<QAbstractButton *>(c) || qobject_cast<QComboBox *>(c) ||
            qobject_cast<QGroupBox *>(c) ||
            (qobject_cast<QLabel *>(c) && !c->objectName().isEmpty()))
            out.push_back(c);
    }
    return out;
}

// At its minimum size, no control of the window is cut (smaller than its text needs, or out
// of its parent) or overlaps a neighbour.
void expectNothingCutOrOverlapping(QWidget *window, const char *name)
{
    for (QWidget *c : textControls(window)) {
        const QString id = QString::fromLatin1(name) + "/" + c->objectName() + " " +
                           QString::fromLatin1(c->metaObject()->className());
        const QSize need = qobject_cast<QGroupBox *>(c) ? c->minimumSizeHint() : c->sizeHint();
        EXPECT_GE(c->width(), need.width()) << id.toStdString();
        EXPECT_GE(c->height(), need.height()) << id.toStdString();
        EXPECT_TRUE(c->parentWidget()->rect().contains(c->geometry())) << id.toStdString();
        for (QWidget *other : textControls(window)) {
            if (other == c || other->parentWidget() != c->parentWidget() ||
                qobject_cast<QToolBar *>(c->parentWidget()))
                continue;
            EXPECT_FALSE(c->geometry().intersects(other->geometry()))
                << id.toStdString() << " and " << other->objectName().toStdString();
        }
    }
    // Every chart axis is long enough for its title.
    for (QChartView *view : window->findChildren<QChartView *>()) {
        const QRectF plot = view->chart()->plotArea();
        for (QAbstractAxis *axis : view->chart()->axes()) {
            const int title = QFontMetrics(axis->titleFont()).horizontalAdvance(axis->titleText());
            EXPECT_GE(axis->orientation() == Qt::Vertical ? plot.height() : plot.width(), title)
                << name << ": " << axis->titleText().toStdString();
        }
    }
}

// A picture of the window for build/screenshots, marked with the screen's scale.
void saveShot(QWidget *window, const QString &name)
{
    const QByteArray dir = qgetenv("VISCORA_SHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    window->grab().save(QString::fromLocal8Bit(dir) + "/" + name +
                        QString::fromLocal8Bit(qgetenv("VISCORA_SHOT_SUFFIX")) + ".png");
}

// Shows a window at its minimum size and saves a picture of it.
void atMinimum(QWidget *window, const char *name)
{
    window->show();
    window->resize(window->minimumSize().expandedTo(window->minimumSizeHint()));
    QApplication::processEvents();
    expectNothingCutOrOverlapping(window, name);
    saveShot(window, QString::fromLatin1(name) + "-min");
}

// The window as it opens, title bar and frame included, lies on the free area of its screen.
void expectOnScreen(QWidget *window, const char *name)
{
    window->show();
    QApplication::processEvents();
    saveShot(window, QString::fromLatin1(name) + "-open");
    const QRect area = availableArea(*window);
    const QRect outer = frameRect(*window);
    EXPECT_TRUE(area.contains(outer))
        << name << ": " << outer.x() << "," << outer.y() << " " << outer.width() << "x"
        << outer.height() << " on " << area.width() << "x" << area.height();
}
} // namespace

// Also run with QT_SCALE_FACTOR=1.5 (ctest Screens.ScaledOneAndAHalf).
TEST(Screens, EveryWindowAtItsMinimumSizeAndOnScreen)
{
    Fixture f;
    ASSERT_TRUE(f.addSequence("Mud A", 2, {{1, 600, 212, 100, 10}, {2, 300, 150, 600, 5}}));
    ASSERT_TRUE(f.w->Form_Load());
    expectOnScreen(f.w.get(), "main");
    f.open("ramp");
    atMinimum(f.w.get(), "main");

    f.w->cmdSetup->click();
    expectOnScreen(f.w->setupWindow(), "setup");
    atMinimum(f.w->setupWindow(), "setup");
    f.w->setupWindow()->cmdSend->click();
    f.w->setupWindow()->cmdReturn->click();

    f.w->cmdRealTime->click();
    expectOnScreen(f.w->realTimeWindow(), "realtime");
    atMinimum(f.w->realTimeWindow(), "realtime");
    f.w->realTimeWindow()->cmdReturn_Click();

    f.w->DirectLog->trigger();
    expectOnScreen(f.w->directLogWindow(), "directlog");
    atMinimum(f.w->directLogWindow(), "directlog");
    f.w->directLogWindow()->close();

    f.onDialog = [](QDialog &d) {
        expectOnScreen(&d, "help");
        atMinimum(&d, "help");
    };
    f.w->MenuHelpContent->trigger();
}

namespace {
// The window lies on the screen's free area, and every button, box, list and status bar in it
// can be reached: in the window, or in a scroll area of the window that can bring it into view.
void expectWithinReach(QWidget &window, const QString &name)
{
    window.show();
    QApplication::processEvents();
    saveShot(&window, name + "-reach");
    EXPECT_EQ(altKeyClashes(window), "") << name.toStdString();
    const QRect area = availableArea(window);
    const QRect outer = frameRect(window);
    EXPECT_TRUE(area.contains(outer))
        << name.toStdString() << ": " << outer.x() << "," << outer.y() << " " << outer.width()
        << "x" << outer.height() << " on " << area.width() << "x" << area.height();
    for (QWidget *c : window.findChildren<QWidget *>()) {
        if (!c->isVisibleTo(&window) || c->window() != &window ||
            !(qobject_cast<QAbstractButton *>(c) || qobject_cast<QComboBox *>(c) ||
              qobject_cast<QLineEdit *>(c) || qobject_cast<QStatusBar *>(c) ||
              qobject_cast<QAbstractItemView *>(c)))
            continue;
        // Within a scroll area, the area's own place is what must be in reach.
        QWidget *shown = c;
        for (QWidget *p = c->parentWidget(); p && p != &window; p = p->parentWidget())
            if (auto *scroll = qobject_cast<QScrollArea *>(p->parentWidget());
                scroll && p == scroll->viewport())
                shown = scroll;
        const QRect place(shown->mapTo(&window, QPoint(0, 0)), shown->size());
        const QString text = qobject_cast<QAbstractButton *>(c)
                                 ? qobject_cast<QAbstractButton *>(c)->text()
                                 : QString();
        EXPECT_TRUE(window.rect().contains(place))
            << name.toStdString() << "/" << c->objectName().toStdString() << " \""
            << text.toStdString() << "\" at " << place.x() << "," << place.y() << " "
            << place.width() << "x" << place.height() << " in " << window.width() << "x"
            << window.height();
    }
}

struct NoPorts : SerialPortList {
    std::vector<SerialDeviceInfo> devices() const override { return {}; }
};
} // namespace

// Also run on a 1366 x 768 screen scaled by 1.5 (ctest Screens.SmallScaledOneAndAHalf): every
// window fits the free area, and what cannot shrink scrolls.
TEST(Screens, EveryWindowFitsOrScrolls)
{
    const WindowsKeptOnScreen kept; // as the program's main() keeps them
    Fixture f;
    ASSERT_TRUE(f.addSequence("Mud A", 2, {{1, 600, 212, 100, 10}, {2, 300, 150, 600, 5}}));
    ASSERT_TRUE(f.w->Form_Load());
    f.open("ramp");
    expectWithinReach(*f.w, "main");

    std::vector<QString> dialogs;
    f.onDialog = [&](QDialog &d) {
        dialogs.push_back(d.windowTitle());
        expectWithinReach(d, d.windowTitle());
        d.hide();
    };
    f.w->cmdOpen->click();
    f.w->cmdOverlap->click();
    f.w->RelatedInfo->click();
    f.w->cmdCalicheck->click();
    f.w->MenuHelpContent->trigger();
    f.w->MenuHelpAbout->trigger();
    f.w->MenuAnalysisRheology->trigger();
    f.w->MenuToolsCopyDatabase->trigger();
    f.w->MenuToolsCalibrationFluids->trigger();
    f.w->MenuToolsCalibrationHistory->trigger();
    f.w->MenuAnalysisCompare->trigger();
    f.w->MenuFileFind->trigger();
    EXPECT_EQ(dialogs.size(), 12u);

    f.w->cmdSetup->click();
    frmSetup *setup = f.w->setupWindow();
    expectWithinReach(*setup, "setup");
    setup->cmdInsertStep->click();
    EXPECT_EQ(dialogs.size(), 13u);
    setup->cmdSend->click();
    setup->cmdReturn->click();

    f.w->cmdRealTime->click();
    expectWithinReach(*f.w->realTimeWindow(), "realtime");
    f.w->realTimeWindow()->cmdReturn_Click();
    f.w->DirectLog->trigger();
    expectWithinReach(*f.w->directLogWindow(), "directlog");
    f.w->directLogWindow()->close();

    QTemporaryDir config;
    const PortAssignment assignment(config.filePath("viscora.conf"));
    const NoPorts none;
    const PortMap map;
    frmSerialPorts ports(SerialPortsDeps{f.p,
                                         none,
                                         assignment,
                                         map,
                                         {},
                                         [] { return std::string(); },
                                         [](const CommDevices &) {},
                                         [](const std::string &) { return std::string(); }},
                         f.w.get());
    expectWithinReach(ports, "Serial Ports");
    const DatabaseChoice choice(config.filePath("viscora.conf"));
    frmDatabase database(DatabaseDialogDeps{f.p, choice, f.t.path}, f.w.get());
    expectWithinReach(database, "Database");
}

TEST(MainWindow, TheStatusSaysWhenTheInstrumentOnComm1IsDue)
{
    const QDate today = QDate::currentDate();
    const struct {
        int passedDaysAgo; // 0: never checked
        QString text;
        bool red;
    } cases[] = {
        {0, "Calibration of SN-7 (Comm 1): never checked", false},
        {10,
         "Calibration of SN-7 (Comm 1): due " + today.addDays(20).toString(Qt::ISODate) +
             " (in 20 days)",
         false},
        {30, "Calibration of SN-7 (Comm 1): due today (" + today.toString(Qt::ISODate) + ")",
         false},
        {45,
         "Calibration of SN-7 (Comm 1): OVERDUE since " + today.addDays(-15).toString(Qt::ISODate) +
             " (15 days)",
         true},
    };
    for (const auto &c : cases) {
        Fixture f;
        InstrumentRepository instruments(*f.t.db);
        const int id = must(instruments.add({0, 0, "SN-7", "K7400R", "", 30, {}}));
        ASSERT_TRUE(instruments.assign(1, id).ok);
        if (c.passedDaysAgo) {
            CalibrationRecord r;
            r.instrumentId = id;
            r.started = QDateTime::currentDateTime()
                            .addDays(-c.passedDaysAgo)
                            .toUTC()
                            .toString(Qt::ISODate);
            r.outcome = CalibrationRecord::kPassed;
            must(CheckRepository(*f.t.db).add(r));
        }
        ASSERT_TRUE(f.w->Form_Load());
        EXPECT_EQ(f.w->lblCalibration->text(), c.text);
        EXPECT_EQ(f.w->lblCalibration->styleSheet().contains("red"), c.red) << c.passedDaysAgo;
    }
}
