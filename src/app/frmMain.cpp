#include "app/frmMain.h"

#include "core/ChartTypes.h"
#include "ui/DialogButtons.h"
#include "ui/BusyCursor.h"
#include "ui/ChartView.h"
#include "ui/ConventionalIcons.h"
#include "ui/NoteDialog.h"
#include "app/DatabaseLocator.h"
#include "device/Exchanges.h"
#include "store/CalibrationRecords.h"
#include "review/frmFindTests.h"
#include "store/TestRecords.h"
#include "report/Exports.h"
#include "report/TestReport.h"
#include "ui/WidgetPrinting.h"
#include "ui/WindowPlacement.h"
#include "device/Link.h"
#include "review/RetrievedTest.h"
#include "app/HelpViewer.h"
#include "core/Module1.h"
#include "core/Prompter.h"
#include "review/TestListDialogs.h"
#include "app/frmAbout.h"
#include "app/frmCopyDatabase.h"
#include "review/frmRelated.h"
#include "calib/frmCaliCheck.h"
#include "calib/frmCalibrationRecords.h"
#include "directlog/frmDirectLog.h"
#include "realtime/frmRealTime.h"
#include "setup/frmSetup.h"
#include "review/TestAnalysis.h"
#include "rheology/frmRheology.h"
#include "compare/frmCompare.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QPagedPaintDevice>
#include <QPrinter>
#include <QProgressDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QTime>
#include <QToolBar>

namespace viscora {

const char *const frmMain::kCaption = "Viscora V1.0 for K7400R Automatic Viscometer";

namespace {
// The grid's fixed sizes, in twips, shown at 15 twips a pixel.
constexpr int kTwipsPerPixel = 15;
constexpr int kHeaderHeightTwips = 400;
constexpr int kColumnWidthTwips = 1090;
constexpr int twipsToPixels(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

// The window's design size; every control keeps its fraction of it.
constexpr int kDesignWidth = 1000;
constexpr int kDesignHeight = 700;
} // namespace

frmMain::frmMain(MainWindowDeps deps, QWidget *parent)
    : QMainWindow(parent), deps_(std::move(deps)),
      prompter_(deps_.makePrompter, *this, deps_.prompter, [this](const std::string &text) {
          statusPanel->setText(QString::fromStdString(text));
      })
{
    runDialog = [](QDialog &d) { return d.exec(); };
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(kCaption));
    buildMenus();
    buildToolbar();
    buildControls();
    buildAnalysis();
}

frmMain::~frmMain()
{
    setup_.reset();
    realTime_.reset();
    directLog_.reset();
    // The grid view refers to the review's model; let it go first.
    if (MSFlexGrid1)
        MSFlexGrid1->setModel(nullptr);
}

void frmMain::buildMenus()
{
    auto action = [this](QMenu *menu, const char *text, const char *name, void (frmMain::*slot)()) {
        QAction *a = menu->addAction(QString::fromUtf8(text));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto separator = [](QMenu *menu, const char *name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("MenuFile"));
    MenuFileOpen = action(file, "&Open Saved Test", "MenuFileOpen", &frmMain::cmdOpen_Click);
    MenuFileFind = action(file, "Find &Tests…", "MenuFileFind", &frmMain::MenuFileFind_Click);
    MenuFileRetrieve =
        action(file, "&Retrieve From K7400R", "MenuFileRetrieve", &frmMain::cmdRetrieve_Click);
    separator(file, "seperation1");
    MenuFilePrint = action(file, "&Print", "MenuFilePrint", &frmMain::MenuFilePrint_Click);
    MenuFileReport = action(file, "&Report...", "MenuFileReport", &frmMain::cmdReport_Click);
    MenuFileCementRpt =
        action(file, "&Cement Lab Report", "MenuFileCementRpt", &frmMain::MenuFileCementRpt_Click);
    separator(file, "MenuFileSep");
    MenuSetup = action(file, "&Setup", "MenuSetup", &frmMain::MenuSetup_Click);
    separator(file, "Seperation5");
    MenuFileExit = action(file, "E&xit", "MenuFileExit", &frmMain::cmdExit_Click);

    DirectLog = menuBar()->addAction(QStringLiteral("&DirectLog"));
    DirectLog->setObjectName(QStringLiteral("DirectLog"));
    connect(DirectLog, &QAction::triggered, this, &frmMain::DirectLog_Click);

    buildToolsMenu();

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    MenuHelpContent = action(help, "&Content", "MenuHelpContent", &frmMain::MenuHelpContent_Click);
    separator(help, "Seperation4");
    MenuHelpAbout = action(help, "&About", "MenuHelpAbout", &frmMain::MenuHelpAbout_Click);
}

void frmMain::buildToolsMenu()
{
    MenuTools = menuBar()->addMenu(QStringLiteral("Too&ls"));
    MenuTools->setObjectName(QStringLiteral("MenuTools"));
    MenuToolsSerialPorts = MenuTools->addAction(QStringLiteral("&Serial Ports..."));
    MenuToolsSerialPorts->setObjectName(QStringLiteral("MenuToolsSerialPorts"));
    MenuToolsSerialPorts->setEnabled(static_cast<bool>(deps_.makeSerialPortsDialog));
    connect(MenuToolsSerialPorts, &QAction::triggered, this, &frmMain::MenuToolsSerialPorts_Click);
    MenuToolsDatabase = MenuTools->addAction(QStringLiteral("&Database..."));
    MenuToolsDatabase->setObjectName(QStringLiteral("MenuToolsDatabase"));
    MenuToolsDatabase->setEnabled(static_cast<bool>(deps_.makeDatabaseDialog));
    connect(MenuToolsDatabase, &QAction::triggered, this, &frmMain::MenuToolsDatabase_Click);
    MenuToolsCopyDatabase = MenuTools->addAction(QStringLiteral("&Copy Tests To Database..."));
    MenuToolsCopyDatabase->setObjectName(QStringLiteral("MenuToolsCopyDatabase"));
    connect(MenuToolsCopyDatabase, &QAction::triggered, this,
            &frmMain::MenuToolsCopyDatabase_Click);
    MenuTools->addSeparator();
    MenuToolsCalibrationFluids = MenuTools->addAction(QStringLiteral("Calibration &Fluids…"));
    MenuToolsCalibrationFluids->setObjectName(QStringLiteral("MenuToolsCalibrationFluids"));
    connect(MenuToolsCalibrationFluids, &QAction::triggered, this,
            &frmMain::MenuToolsCalibrationFluids_Click);
    MenuToolsCalibrationHistory = MenuTools->addAction(QStringLiteral("Calibration &History…"));
    MenuToolsCalibrationHistory->setObjectName(QStringLiteral("MenuToolsCalibrationHistory"));
    connect(MenuToolsCalibrationHistory, &QAction::triggered, this,
            &frmMain::MenuToolsCalibrationHistory_Click);
}

void frmMain::buildToolbar()
{
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    struct Key {
        const char *key, *tip;
        const char *icon;
        bool separatorBefore;
    };
    const Key keys[] = {
        {"Open", "Open Old Test", "document-open", false},
        {"Retrieve", "Retrieve Result From K7400R", "go-down", false},
        {"Report", "Report", "x-office-document", true},
        {"Print", "Print", "document-print", false},
        {"Help", "Help", "help-contents", true},
    };
    for (const Key &k : keys) {
        if (k.separatorBefore)
            Toolbar1->addSeparator();
        QAction *a = Toolbar1->addAction(conventionalIcon(QString::fromLatin1(k.icon)),
                                         QString::fromLatin1(k.key));
        a->setObjectName(QStringLiteral("Toolbar1_") + QString::fromLatin1(k.key));
        a->setData(QString::fromLatin1(k.key));
        a->setToolTip(QString::fromLatin1(k.tip));
        if (QString::fromLatin1(k.key) == QLatin1String("Open"))
            a->setStatusTip(QStringLiteral("Open Saved Test Results"));
        connect(a, &QAction::triggered, this,
                [this, a] { Toolbar1_ButtonClick(a->data().toString()); });
    }
}

void frmMain::buildControls()
{
    central_ = new QWidget(this);
    central_->setObjectName(QStringLiteral("central"));
    // On a small screen the window shrinks to it and the controls scroll.
    setCentralWidget(scrollable(central_));
    central_->resize(kDesignWidth, kDesignHeight);

    const char *exportTip = "Click here to generate report or export data to other format";
    const char *instrumentTip =
        "Click here to remotely start K7400r testing. Results will be saved at K7400r";
    struct Button {
        QPushButton *frmMain::*member;
        const char *name, *caption, *tip;
        void (frmMain::*slot)();
    };
    // Two columns, filled row by row.
    const Button buttons[] = {
        {&frmMain::cmdOpen, "cmdOpen", "&Open Saved Test", "Click here to open saved test",
         &frmMain::cmdOpen_Click},
        {&frmMain::cmdRetrieve, "cmdRetrieve", "&Get K7400r Data",
         "Click here to get last test result from K7400r through comport",
         &frmMain::cmdRetrieve_Click},
        {&frmMain::cmdStartTest, "cmdStartTest", "Start Test on K7400r", instrumentTip,
         &frmMain::cmdStartTest_Click},
        {&frmMain::cmdStopTest, "cmdStopTest", "Stop T&est on K7400r",
         "Press here to stop current test at K7400r", &frmMain::cmdStopTest_Click},
        {&frmMain::cmdRealTime, "cmdRealTime", "Real &Time Test",
         "Click here to run real time test", &frmMain::cmdRealTime_Click},
        {&frmMain::cmdSetup, "cmdSetup", "&Setup",
         "Setup test procedures, comport, rotor bob info, etc", &frmMain::cmdSetup_Click},
        {&frmMain::RelatedInfo, "RelatedInfo", "Related &Information",
         "Edit or input related information", &frmMain::RelatedInfo_Click},
        {&frmMain::cmdOverlap, "cmdOverlap", "Overlap Charts",
         "Click here to overlap another test on graphs", &frmMain::cmdOverlap_Click},
        {&frmMain::cmdReport, "cmdReport", "Re&port", exportTip, &frmMain::cmdReport_Click},
        {&frmMain::cmdExport, "cmdExport", "E&xport Excel", exportTip, &frmMain::cmdExport_Click},
        {&frmMain::cmdPrintChart, "cmdPrintChart", "Print Chart",
         "Click here to print the chart shown at left", &frmMain::cmdPrintChart_Click},
        {&frmMain::cmdCalicheck, "cmdCalicheck", "Calibration Check", instrumentTip,
         &frmMain::cmdCalicheck_Click},
        {&frmMain::cmdExit, "cmdExit", "&Exit", "Click here to exit Viscora",
         &frmMain::cmdExit_Click},
    };
    // Room enough that at the window's minimum size every caption still fits.
    const int c1 = 656, c2 = 828, y0 = 128, dy = 36;
    const int columns[] = {c1, c2};
    int i = 0;
    for (const Button &d : buttons) {
        auto *b = new QPushButton(QString::fromUtf8(d.caption), central_);
        b->setObjectName(QString::fromLatin1(d.name));
        b->setToolTip(QString::fromUtf8(d.tip));
        b->setGeometry(columns[i % 2], y0 + i / 2 * dy, 166, 30);
        connect(b, &QPushButton::clicked, this, d.slot);
        this->*d.member = b;
        ++i;
    }
    // Alt+E would only move the focus between the two: it stops the test, which has no other
    // key; Exit keeps File's Alt+F, X.
    giveAltKey(*cmdStopTest, {cmdExit});

    Label2 = new QLabel(QStringLiteral("Select Chart Type:"), central_);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(c1, 8, 200, 20);
    cmbChartType = new QComboBox(central_);
    cmbChartType->setObjectName(QStringLiteral("cmbChartType"));
    cmbChartType->setToolTip(
        QStringLiteral("Select different chart types by select corresponding pulldown items"));
    cmbChartType->setGeometry(c1, 30, 338, 30);
    Label2->setBuddy(cmbChartType);
    connect(cmbChartType, &QComboBox::activated, this, &frmMain::cmbChartType_Click);

    auto frame = [this](const char *name, const char *caption, int x) {
        auto *g = new QGroupBox(QString::fromLatin1(caption), central_);
        g->setObjectName(QString::fromLatin1(name));
        g->setGeometry(x, 64, 166, 58);
        return g;
    };
    auto radio = [this](QGroupBox *g, const char *name, const char *caption, const char *tip, int x,
                        int width, int option) {
        auto *r = new QRadioButton(QString::fromLatin1(caption), g);
        r->setObjectName(QString::fromLatin1(name));
        if (*tip)
            r->setToolTip(QString::fromLatin1(tip));
        r->setGeometry(x, 24, width, 28);
        connect(r, &QRadioButton::clicked, this, [this, option] { OptionScale_Click(option); });
        return r;
    };
    Frame1 = frame("Frame1", "X Scale:", c1);
    Option1 =
        radio(Frame1, "Option1", "Normal", "Click here to select normal chart scale", 6, 88, 1);
    Option2 = radio(Frame1, "Option2", "Log", "Click here to select log chart scale", 98, 62, 2);
    Frame2 = frame("Frame2", "Y Scale:", c2);
    Option3 = radio(Frame2, "Option3", "Normal", "", 6, 88, 3);
    Option4 = radio(Frame2, "Option4", "Log", "", 98, 62, 4);

    Pesgo1 = new ChartView(central_);
    Pesgo1->setObjectName(QStringLiteral("Pesgo1"));
    Pesgo1->setToolTip(QStringLiteral("Right click mouse for more option"));
    Pesgo1->setGeometry(8, 8, 640, 392);

    MSFlexGrid1 = new QTableView(central_);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setToolTip(QStringLiteral("This table lists the test results."));
    MSFlexGrid1->setGeometry(8, 408, 984, 284);
    // Tab goes on to the next control; the arrows move within the grid.
    MSFlexGrid1->setTabKeyNavigation(false);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(20);
    MSFlexGrid1->setWordWrap(true);
    QFont headerFont = MSFlexGrid1->horizontalHeader()->font();
    headerFont.setPixelSize(11);
    MSFlexGrid1->horizontalHeader()->setFont(headerFont);
    MSFlexGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    statusPanel = new QLabel(this);
    statusPanel->setObjectName(QStringLiteral("Status"));
    datePanel = new QLabel(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat), this);
    datePanel->setObjectName(QStringLiteral("Date"));
    timePanel = new QLabel(this);
    timePanel->setObjectName(QStringLiteral("Time"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(statusPanel, 1);
    lblCalibration = new QLabel(this);
    lblCalibration->setObjectName(QStringLiteral("lblCalibration"));
    statusBar()->addPermanentWidget(lblCalibration);
    statusBar()->addPermanentWidget(datePanel);
    statusBar()->addPermanentWidget(timePanel);
    resize(kDesignWidth, kDesignHeight + 80);
}

bool frmMain::Form_Load()
{
    deps_.m.DebugMode = isDebugCommandLine(deps_.commandLine);
    RelatedInfo->setEnabled(false);
    timePanel->setText(QTime::currentTime().toString(QStringLiteral("h:mm AP")));
    keepStatusBarWhole(*this);
    deps_.m.CommPort = 1;
    deps_.m.UnitSystem = 1;
    deps_.m.NoTestShown = true;
    deps_.m.SequenceSent = false;
    deps_.m.LastSentSequence.reset();

    Located located = deps_.locateDatabase();
    if (located.status != Located::Status::Opened || !located.db)
        return false;
    db_ = std::move(located.db);
    review_ = std::make_unique<TestReview>(deps_.m, *db_, prompter());
    MSFlexGrid1->setModel(&review_->grid());

    // The fractions are taken at the design size, whatever the scroll area made of it so far.
    central_->resize(kDesignWidth, kDesignHeight);
    layout_.attach(central_);
    centerOnScreen(*this);
    Option1->setChecked(true);
    Option3->setChecked(true);
    cmbChartType->clear();
    for (int t = 0; t < kChartTypeCount; ++t)
        cmbChartType->addItem(QString::fromUtf8(chartType(t).listText));
    cmbChartType->setCurrentIndex(0);
    review_->initialChart();
    redrawChart();
    writeGridHeader();
    deps_.m.UnitChanged = false;
    showCalibrationDue();
    loaded_ = true;
    return true;
}

void frmMain::writeGridHeader()
{
    review_->grid().setSI(deps_.m.isSI());
    auto *h = MSFlexGrid1->horizontalHeader();
    h->setFixedHeight(twipsToPixels(kHeaderHeightTwips));
    h->setDefaultSectionSize(twipsToPixels(kColumnWidthTwips));
    for (int c = 0; c < 10; ++c)
        MSFlexGrid1->setColumnWidth(c, twipsToPixels(kColumnWidthTwips));
}

void frmMain::redrawChart() { Pesgo1->redraw(review_->chart()); }

void frmMain::showReview()
{
    deps_.m.keep(review_->takeChanges());
    writeGridHeader();
    RelatedInfo->setEnabled(review_->relatedInfoEnabled);
    cmbChartType->setCurrentIndex(review_->chartState().ChartType);
    const bool xLog = review_->chart().xScale() == ScaleType::Log;
    const bool yLog = review_->chart().yScale() == ScaleType::Log;
    (xLog ? Option2 : Option1)->setChecked(true);
    (yLog ? Option4 : Option3)->setChecked(true);
    redrawChart();
}

void frmMain::Form_Activate()
{
    if (!loaded_)
        return;
    review_->activate();
    showReview();
}

bool frmMain::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate)
        Form_Activate();
    return QMainWindow::event(e);
}

void frmMain::closeEvent(QCloseEvent *e)
{
    if (!closingByProgram_ && prompter().message("Are you sure to exit?", "Exit Check",
                                                 Buttons::YesNo, Icon::Exclamation) == Answer::No) {
        e->ignore();
        return;
    }
    e->accept();
    // The main window's close ends the program, other windows (the direct log) or not.
    QCoreApplication::quit();
}

void frmMain::cmdOpen_Click()
{
    const std::string shown = deps_.m.CurrentTestName;
    {
        OpenTest dialog(deps_.m, review_->repository(), prompter(), this);
        exec(dialog);
    }
    // A status message is about the test it came with.
    if (deps_.m.CurrentTestName != shown)
        statusPanel->clear();
    review_->openCurrentTest();
    showReview();
}

void frmMain::MenuFileFind_Click()
{
    const std::string shown = deps_.m.CurrentTestName;
    {
        frmFindTests dialog(FindTestsDeps{deps_.m, review_->repository().database(), prompter(),
                                          utcNow,
                                          [this](const QStringList &names) { exportTests(names); }},
                            this);
        exec(dialog);
    }
    if (deps_.m.CurrentTestName != shown)
        statusPanel->clear();
    // As Open Saved Test leaves it: the test chosen, or the one shown, renamed or gone.
    review_->openCurrentTest();
    showReview();
}

void frmMain::exportTests(const QStringList &names)
{
    const std::string path =
        askWorkbookPath(names.size() == 1 ? names.first().toStdString() + ".xlsx" : "tests.xlsx");
    if (path.empty())
        return;
    const OpenForExport open =
        [this](const QString &name, WithRheology rheology,
               const std::function<void(const ExportInput &)> &use) -> std::optional<Failure> {
        // Each test read as the main window reads it, without changing what the window shows.
        Module1 m = deps_.m;
        m.CurrentTestName = name.toStdString();
        TestReview review(m, review_->repository().database(), prompter());
        if (!review.openCurrentTest())
            return Failure{
                "The test \"" + name.toStdString() + "\" could not be opened.", "Export Error", {}};
        m.keep(review.takeChanges());
        const auto input =
            exportInput(review, m.CurrentTestName, m.units(), m.rotorBob(), rheology);
        if (!input)
            return input.failure();
        use(*input);
        return std::nullopt;
    };
    const BusyCursor busy;
    const ExportResult result =
        writeTestsWorkbook(path, review_->repository().database(), names, open);
    if (!result.ok) {
        prompter().message("The workbook could not be saved to " + path + ": " + result.error,
                           "Export Error");
        return;
    }
    if (!deps_.openDocument || !deps_.openDocument(path))
        statusPanel->setText(QStringLiteral("Saved ") + QString::fromStdString(path));
}

void frmMain::cmdRetrieve_Click()
{
    ExchangeObserver observer;
    observer.status = [this](const std::string &text) {
        statusPanel->setText(QString::fromStdString(text));
        statusPanel->repaint();
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Retrieval retrieval =
        retrieveLastResult(deps_.MSComm1, deps_.clock, deps_.m.CommPort, observer);
    deps_.m.keepRetrieval(retrieval.headerAsked, retrieval.customFactor, retrieval.read());
    if (!retrieval.records)
        viscora::show(prompter(), retrieval.records.failure());
    QApplication::restoreOverrideCursor();
    if (!retrieval.records)
        return;
    const auto points = retrievedPoints(*retrieval.records, retrieval.customFactor);
    const auto stored = storeRetrievedTest(
        review_->repository(), prompter(), points,
        [this] { return related(frmRelated::Purpose::NameNewTest); },
        retrievedRecord(points,
                        instrumentLabel(review_->repository().database(), deps_.m.CommPort,
                                        deps_.MSComm1.deviceName()),
                        utcNow()));
    if (!stored)
        return;
    deps_.m.showRetrievedTest(stored->name.toStdString(), stored->id);
    review_->showNewTest();
    showReview();
}

void frmMain::cmdStartTest_Click()
{
    const BusyCursor busy;
    if (const Outcome started = remoteStart(deps_.MSComm1, deps_.m.CommPort); !started)
        viscora::show(prompter(), started.failure());
}

void frmMain::cmdStopTest_Click()
{
    const BusyCursor busy;
    if (const Outcome stopped = remoteStop(deps_.MSComm1, deps_.m.CommPort); !stopped)
        viscora::show(prompter(), stopped.failure());
}

void frmMain::cmdRealTime_Click()
{
    if (!deps_.m.SequenceSent) {
        prompter().message("Please first go to Setup Screen and send the sequence to K7400r "
                           "before your real time test.",
                           "Operation Error");
        return;
    }
    deps_.m.SavedWindowState = windowStateOf(*this);
    hide();
    realTime_.reset();
    realTime_ = std::make_unique<frmRealTime>(RealTimeWindowDeps{
        deps_.m, *db_, deps_.prompter, deps_.clock, deps_.makePort, [this] { showAgain(); },
        [this](QWidget &w) { printWidget(w); }, runDialog, deps_.makePrompter});
    realTime_->Form_Load();
    realTime_->show();
}

void frmMain::cmdSetup_Click()
{
    deps_.m.SavedWindowState = windowStateOf(*this);
    openSetup();
}

void frmMain::MenuSetup_Click() { openSetup(); }

void frmMain::openSetup()
{
    hide();
    setup_.reset();
    setup_ = std::make_unique<frmSetup>(SetupWindowDeps{
        deps_.m, *db_, deps_.prompter, deps_.clock, deps_.makePort, deps_.makePrinter,
        [this](PlottingMethod method) {
            review_->chart().setPlottingMethod(method);
            redrawChart();
        },
        [this](WindowState state) {
            showAgain();
            applyWindowState(*this, state);
        },
        [this](QWidget &over) { showHelp(over); }, [this](QWidget &over) { showAbout(over); },
        runDialog, deps_.makePrompter});
    setup_->Form_Load();
    setup_->show();
}

void frmMain::showAgain()
{
    show();
    Form_Activate();
}

void frmMain::RelatedInfo_Click() { related(frmRelated::Purpose::OpenedTest); }

std::optional<NamedTest> frmMain::related(frmRelated::Purpose purpose)
{
    hide();
    std::optional<NamedTest> created;
    {
        frmRelated dialog(deps_.m, review_->repository(), prompter(), this, purpose);
        exec(dialog);
        created = dialog.created();
    }
    show();
    return created;
}

void frmMain::cmdOverlap_Click()
{
    if (deps_.m.CurrentTestName.empty()) {
        prompter().message("No opened test to overlap on.  Please open one test first.",
                           "Operation Error");
        return;
    }
    {
        frmOverlapTestName dialog(deps_.m, review_->repository(), prompter(), this);
        exec(dialog);
    }
    review_->overlayTest();
    deps_.m.keep(review_->takeChanges());
    redrawChart();
}

void frmMain::cmdReport_Click()
{
    if (deps_.m.CurrentTestName.empty()) {
        prompter().message(kNoTestForReportMessage);
        return;
    }
    const auto report = openedTestReport(*review_, deps_.m.CurrentTestName, deps_.m.rotorBob());
    if (!report) {
        viscora::show(prompter(), report.failure());
        return;
    }
    // A custom rotor-bob has no report.
    if (!*report || !deps_.previewReport)
        return;
    ReportOptions options;
    // A listing of many thousand points is offered as a summary too; the full one stays the
    // default.
    if ((*report)->lines.size() > kSummaryOfferPoints) {
        const Answer answer =
            prompter().message(summaryOfferText((*report)->lines.size()), kReportTitle,
                               Buttons::YesNoCancel, Icon::Question);
        if (answer == Answer::Cancel)
            return;
        if (answer == Answer::No)
            options.kind = ReportKind::Summary;
    }
    // The preview draws again for each print; a printer that does not start is said each time.
    auto shared = std::make_shared<const ReportData>(std::move(**report));
    deps_.previewReport([this, shared, options](QPagedPaintDevice &device) {
        if (drawReport(*shared, device, options) == RenderResult::DeviceFailed)
            prompter().message(kReportNotPrintedMessage);
    });
}

RenderResult frmMain::drawReport(const ReportData &report, QPagedPaintDevice &device,
                                 ReportOptions options)
{
    // A long report shows how far it is and can be stopped.
    std::unique_ptr<QProgressDialog> dialog;
    options.progress = [&](int page, int pages) {
        if (pages < kReportProgressPages)
            return true;
        if (!dialog) {
            dialog = std::make_unique<QProgressDialog>(QString(), QStringLiteral("Stop"), 0, pages,
                                                       this);
            dialog->setWindowTitle(QString::fromLatin1(kReportTitle));
            dialog->setWindowModality(Qt::WindowModal);
            dialog->setMinimumDuration(0);
        }
        dialog->setLabelText(QString::fromStdString(reportProgressText(page, pages)));
        dialog->setValue(page);
        QCoreApplication::processEvents();
        return !dialog->wasCanceled();
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const RenderResult result = renderReport(report, device, options);
    QApplication::restoreOverrideCursor();
    // What was sent of a stopped report is taken back.
    if (auto *printer = dynamic_cast<QPrinter *>(&device);
        printer && result == RenderResult::Stopped)
        printer->abort();
    return result;
}

void frmMain::MenuFilePrint_Click()
{
    QPagedPaintDevice *device = deps_.choosePrinter ? deps_.choosePrinter() : nullptr;
    if (!device)
        return;
    if (printPrinterTest(*device))
        prompter().message(kPrinterTestDoneMessage);
    else
        prompter().message(kPrinterTestFailedMessage);
}

void frmMain::printWidget(QWidget &widget)
{
    if (QPagedPaintDevice *device = deps_.choosePrinter ? deps_.choosePrinter() : nullptr)
        renderToPage(widget, *device);
}

void frmMain::cmdPrintChart_Click() { printWidget(*Pesgo1); }

std::string workbookFileName(const std::string &testName, const std::string &ending)
{
    // The dialog splits a name with double quotes into several files; '/' makes a path; the
    // rest cannot be copied to the lab's shared folders. A name stays within 255 bytes.
    QString name;
    for (const QChar c : QString::fromStdString(testName).trimmed()) {
        if (c == '"')
            name += '\'';
        else if (c.category() == QChar::Other_Control || QStringLiteral("/\\:*?<>|").contains(c))
            name += '_';
        else
            name += c;
    }
    while (name.startsWith('.') || name.endsWith('.') || name.endsWith(' '))
        name = name.startsWith('.') ? name.mid(1) : name.chopped(1);
    constexpr qsizetype kMostBytes = 255;
    const qsizetype room = kMostBytes - static_cast<qsizetype>(ending.size());
    while (name.toUtf8().size() > room)
        name.chop(name.back().isLowSurrogate() ? 2 : 1);
    if (name.trimmed().isEmpty())
        name = QStringLiteral("test");
    return name.toStdString() + ending;
}

template <typename Writer>
void frmMain::exportWorkbook(const char *what, const char *ending, Writer write,
                             WithRheology rheology)
{
    if (deps_.m.CurrentTestName.empty())
        return;
    const std::string path = askWorkbookPath(workbookFileName(deps_.m.CurrentTestName, ending));
    if (path.empty())
        return;
    const auto input = exportInput(*review_, deps_.m.CurrentTestName, deps_.m.units(),
                                   deps_.m.rotorBob(), rheology);
    if (!input) {
        viscora::show(prompter(), input.failure());
        return;
    }
    const ExportInput &in = *input;
    const long total = static_cast<long>(in.rows->size());
    std::unique_ptr<QProgressDialog> dialog;
    if (total > 20000) {
        dialog = std::make_unique<QProgressDialog>(QStringLiteral("Writing the workbook ..."),
                                                   QString(), 0, static_cast<int>(total), this);
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setMinimumDuration(0);
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExportResult result = write(path, in, [&](long record, long n) {
        // Every record of a short export; long ones every thousandth, to stay fast.
        if (n > 5000 && record % 1000 != 1 && record != n)
            return;
        statusPanel->setText(QString::fromStdString(writingRecordText(record, n)));
        if (dialog)
            dialog->setValue(static_cast<int>(record));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    QApplication::restoreOverrideCursor();
    dialog.reset();
    if (!result.ok) {
        prompter().message(std::string(what) + " could not be saved to " + path + ": " +
                               result.error,
                           "Export Error");
        return;
    }
    if (!deps_.openDocument || !deps_.openDocument(path))
        statusPanel->setText(QStringLiteral("Saved ") + QString::fromStdString(path));
}

std::string frmMain::askWorkbookPath(const std::string &proposedName)
{
    FileDialogRequest request;
    request.title = "Please input desired Excel file name.";
    request.filter = "Excel (*.xlsx)|*.xlsx";
    request.initialDir = QDir::currentPath().toStdString();
    request.proposedName = proposedName;
    std::string path = prompter().saveFile(request);
    if (!path.empty() &&
        !QString::fromStdString(path).endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        path += ".xlsx";
    return path;
}

void frmMain::cmdExport_Click()
{
    exportWorkbook("The workbook", ".xlsx", writeTestWorkbook, WithRheology::Yes);
}

void frmMain::MenuFileCementRpt_Click()
{
    exportWorkbook("The cement lab report", " cement.xlsx", writeCementWorkbook, WithRheology::No);
}
void frmMain::cmdCalicheck_Click()
{
    const frmCaliCheck *window = nullptr;
    frmCaliCheck dialog(
        CalibrationWindowDeps{deps_.m, deps_.prompter, deps_.clock, deps_.makePort,
                              [this, &window](const std::string &viscosity,
                                              const std::array<CalibrationRow, 5> &rows) {
                                  exportCalibration(viscosity, rows,
                                                    window ? window->recordHeader()
                                                           : CalibrationHeader{});
                              },
                              deps_.makePrompter, db_.get()},
        this);
    window = &dialog;
    exec(dialog);
    showCalibrationDue();
}

void frmMain::showCalibrationDue()
{
    lblCalibration->clear();
    lblCalibration->setStyleSheet(QString());
    if (!db_)
        return;
    const auto instrument = InstrumentRepository(*db_).assignedTo(1);
    if (!instrument || !*instrument)
        return;
    const auto due = instrumentDue(*db_, **instrument, today());
    if (!due)
        return;
    lblCalibration->setText(QStringLiteral("Calibration of %1 (Comm 1): %2")
                                .arg((*instrument)->serialNo, dueText(*due)));
    if (due->status.state == calibration::DueState::Overdue)
        lblCalibration->setStyleSheet(QStringLiteral("color: red"));
}

void frmMain::MenuToolsCalibrationFluids_Click()
{
    if (!db_)
        return;
    frmCalibrationFluids dialog({deps_.m, deps_.prompter, *db_, deps_.makePrompter}, this);
    exec(dialog);
}

void frmMain::MenuToolsCalibrationHistory_Click()
{
    if (!db_)
        return;
    frmCalibrationHistory dialog(
        {deps_.m, deps_.prompter, *db_, deps_.makePrompter, deps_.choosePrinter}, this);
    exec(dialog);
    showCalibrationDue();
}

void frmMain::exportCalibration(const std::string &viscosity,
                                const std::array<CalibrationRow, 5> &rows,
                                const CalibrationHeader &header)
{
    const std::string path = askWorkbookPath("calibration.xlsx");
    if (path.empty())
        return;
    std::vector<CalibrationResultRow> out;
    for (const auto &r : rows)
        out.push_back({r.Stress3, r.lbl3Err, r.lbl3PercentErr});
    const ExportResult result = writeCalibrationWorkbook(path, viscosity, out, header);
    if (!result.ok) {
        prompter().message("The calibration result could not be saved to " + path + ": " +
                               result.error,
                           "Export Error");
        return;
    }
    if (deps_.openDocument)
        deps_.openDocument(path);
}

void frmMain::DirectLog_Click()
{
    // One direct log at a time: a second command brings the open one forward.
    if (directLog_ && directLog_->isVisible()) {
        directLog_->raise();
        directLog_->activateWindow();
        return;
    }
    directLog_ = std::make_unique<frmDirectLog>(
        DirectLogWindowDeps{deps_.m, deps_.prompter, deps_.clock, deps_.makePort,
                            [this](QWidget &w) { printWidget(w); }, deps_.makePrompter});
    directLog_->Form_Load();
    directLog_->show();
}

void frmMain::MenuHelpContent_Click() { showHelp(*this); }

void frmMain::MenuHelpAbout_Click() { showAbout(*this); }

void frmMain::showHelp(QWidget &over)
{
    HelpViewer viewer(&over);
    exec(viewer);
}

void frmMain::showAbout(QWidget &over)
{
    frmAbout about(&over);
    exec(about);
}

void frmMain::MenuToolsSerialPorts_Click()
{
    if (!deps_.makeSerialPortsDialog)
        return;
    const std::unique_ptr<QDialog> dialog = deps_.makeSerialPortsDialog(this, db_.get());
    exec(*dialog);
}

void frmMain::MenuToolsDatabase_Click()
{
    if (!deps_.makeDatabaseDialog || !db_)
        return;
    const std::unique_ptr<QDialog> dialog = deps_.makeDatabaseDialog(this, db_->path());
    exec(*dialog);
}

void frmMain::MenuToolsCopyDatabase_Click()
{
    if (db_)
        copyTestsToDatabase(*this, *db_, prompter(), runDialog);
}

void frmMain::cmdExit_Click()
{
    closingByProgram_ = true;
    close();
}

void frmMain::Toolbar1_ButtonClick(const QString &key)
{
    if (key == QLatin1String("Open"))
        cmdOpen_Click();
    else if (key == QLatin1String("Retrieve"))
        cmdRetrieve_Click();
    else if (key == QLatin1String("Print"))
        MenuFilePrint_Click();
    else if (key == QLatin1String("Report"))
        cmdReport_Click();
    else if (key == QLatin1String("Help"))
        MenuHelpContent_Click();
    else if (key == QLatin1String("Rheology"))
        MenuAnalysisRheology_Click();
}

void frmMain::buildAnalysis()
{
    auto *analysis = new QMenu(QStringLiteral("&Analysis"), this);
    analysis->setObjectName(QStringLiteral("MenuAnalysis"));
    // Beside the program's own menus, before Tools and Help.
    menuBar()->insertMenu(MenuTools->menuAction(), analysis);
    MenuAnalysisRheology = analysis->addAction(QStringLiteral("&Rheology..."));
    MenuAnalysisRheology->setObjectName(QStringLiteral("MenuAnalysisRheology"));
    connect(MenuAnalysisRheology, &QAction::triggered, this, &frmMain::MenuAnalysisRheology_Click);
    MenuAnalysisCompare = analysis->addAction(QStringLiteral("&Compare Tests…"));
    MenuAnalysisCompare->setObjectName(QStringLiteral("MenuAnalysisCompare"));
    connect(MenuAnalysisCompare, &QAction::triggered, this, &frmMain::MenuAnalysisCompare_Click);
    MenuAnalysisAddNote = analysis->addAction(QStringLiteral("Add &Note..."));
    MenuAnalysisAddNote->setObjectName(QStringLiteral("MenuAnalysisAddNote"));
    connect(MenuAnalysisAddNote, &QAction::triggered, this, &frmMain::MenuAnalysisAddNote_Click);

    Toolbar1->addSeparator();
    QAction *key = Toolbar1->addAction(conventionalIcon(QStringLiteral("office-chart-line")),
                                       QStringLiteral("Rheology"));
    key->setObjectName(QStringLiteral("Toolbar1_Rheology"));
    key->setData(QStringLiteral("Rheology"));
    key->setToolTip(QStringLiteral("Rheology"));
    connect(key, &QAction::triggered, this,
            [this, key] { Toolbar1_ButtonClick(key->data().toString()); });
}

void frmMain::MenuAnalysisRheology_Click()
{
    if (deps_.m.CurrentTestName.empty()) {
        prompter().message(kNoTestForReportMessage);
        return;
    }
    const auto analysis =
        analyseTest(review_->repository(), QString::fromStdString(deps_.m.CurrentTestName),
                    deps_.m.rotorBob(), deps_.m.units());
    if (!analysis) {
        viscora::show(prompter(), analysis.failure());
        return;
    }
    frmRheology window(*analysis, deps_.m.CurrentTestName, this);
    exec(window);
}

void frmMain::MenuAnalysisCompare_Click()
{
    frmCompare window({review_->repository(), prompter(), deps_.m.units(), deps_.m.rotorBob(),
                       [this](QWidget &w) { printWidget(w); }},
                      this);
    exec(window);
}

void frmMain::MenuAnalysisAddNote_Click()
{
    if (deps_.m.CurrentTestName.empty()) {
        prompter().message(kNoTestForReportMessage);
        return;
    }
    NoteDialog dialog(review_->rowTime(MSFlexGrid1->currentIndex().row()), this);
    if (runDialog(dialog) != QDialog::Accepted)
        return;
    if (const Outcome added = review_->addNote(dialog.seconds(), dialog.text()); !added) {
        viscora::show(prompter(), added.failure());
        return;
    }
    redrawChart();
}

void frmMain::cmbChartType_Click(int index)
{
    if (deps_.m.CurrentTestName.empty()) {
        cmbChartType->setCurrentIndex(0);
        return;
    }
    review_->selectChartType(index);
    showReview(); // a new chart type starts with normal scales
}

void frmMain::OptionScale_Click(int option)
{
    switch (option) {
    case 1:
        Option1->setChecked(true);
        review_->setXScale(ScaleType::Normal);
        break;
    case 2:
        Option2->setChecked(true);
        review_->setXScale(ScaleType::Log);
        break;
    case 3:
        Option3->setChecked(true);
        review_->setYScale(ScaleType::Normal);
        break;
    case 4:
        Option4->setChecked(true);
        review_->setYScale(ScaleType::Log);
        break;
    default:
        return;
    }
    redrawChart();
}

} // namespace viscora
