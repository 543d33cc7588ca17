#include "realtime/frmRealTime.h"

#include "ui/BusyCursor.h"
#include "ui/DialogButtons.h"
#include "ui/FittedColumns.h"
#include "ui/LiveChartView.h"
#include "core/Module1.h"
#include "core/Prompter.h"
#include "store/SequenceRepository.h"
#include "setup/SequenceSend.h"
#include "setup/SetupGrid.h"
#include "ui/WindowPlacement.h"
#include "realtime/frmRealRelated.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

namespace viscora {

namespace {
constexpr int kDesignWidth = 1000;
constexpr int kDesignHeight = 680;
} // namespace

frmRealTime::frmRealTime(RealTimeWindowDeps deps, QWidget *parent)
    : QMainWindow(parent), deps_(std::move(deps)),
      prompter_(
          deps_.makePrompter, *this, deps_.prompter,
          [this](const std::string &text) { statusPanel->setText(QString::fromStdString(text)); }),
      repo_(deps_.db), grid_(std::make_unique<SetupGridModel>())
{
    if (!deps_.runDialog)
        deps_.runDialog = [](QDialog &d) { return d.exec(); };
    setObjectName(QStringLiteral("frmRealTime"));
    setWindowTitle(QStringLiteral("Real Time Test"));
    MSComm1 = deps_.makePort();
    acquisition_ = std::make_unique<Acquisition>(deps_.m, *MSComm1, deps_.clock, repo_, prompter());
    acquisition_->onStatus = [this](const std::string &text) {
        statusPanel->setText(QString::fromStdString(text));
        statusPanel->repaint();
    };
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmRealTime::Timer1_Timer);
    buildControls();
}

frmRealTime::~frmRealTime()
{
    Timer1->stop();
    if (MSComm1 && MSComm1->isOpen())
        MSComm1->close();
    MSFlexGrid1->setModel(nullptr);
}

void frmRealTime::buildControls()
{
    central_ = new QWidget(this);
    setCentralWidget(scrollable(central_));
    central_->resize(kDesignWidth, kDesignHeight);

    // The steps, buttons and choices on the left, the chart over the whole height on the
    // right: room for the grid's headers and the temperature axis, and for every caption at
    // the window's minimum size.
    Label1 = new QLabel(QStringLiteral("Test Sequence Name:"), central_);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(10, 8, 170, 22);
    lblSequenceName = new QLabel(central_);
    lblSequenceName->setObjectName(QStringLiteral("lblSequenceName"));
    lblSequenceName->setGeometry(185, 8, 235, 22);
    MSFlexGrid1 = new QTableView(central_);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setGeometry(10, 34, 410, 300);
    MSFlexGrid1->setTabKeyNavigation(false);
    MSFlexGrid1->setModel(grid_.get());
    MSFlexGrid1->horizontalHeader()->setFixedHeight(36);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(20);
    MSFlexGrid1->verticalHeader()->hide(); // the first column numbers the steps
    new FittedColumns(MSFlexGrid1);
    Pesgo1 = new LiveChartView(central_);
    Pesgo1->setObjectName(QStringLiteral("Pesgo1"));
    Pesgo1->setGeometry(430, 8, 560, 664);

    auto button = [this](const char *name, const char *text, int x, int y, auto slot) {
        auto *b = new QPushButton(QString::fromUtf8(text), central_);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, 200, 30);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    cmdSaveAs = button("cmdSaveAs", "Save Result &As", 10, 342, [this] { cmdSaveAs_Click(); });
    cmdStart = button("cmdStart", "&S&tart", 220, 342, [this] { cmdStart_Click(); });
    cmdStop = button("cmdStop", "&Stop", 10, 378, [this] { cmdStop_Click(); });
    cmdShowAll = button("cmdShowAll", "S&how All Data", 220, 378, [this] { cmdShowAll_Click(); });
    cmdShow3Min = button("cmdShow3Min", "Sh&ow Last 3 Minutes", 10, 414, [] {});
    cmdPrintChart =
        button("cmdPrintChart", "Print Chart", 220, 414, [this] { cmdPrintChart_Click(); });
    cmdReturn = button("cmdReturn", "&Return", 220, 450, [this] { cmdReturn_Click(); });

    Frame3 = new QGroupBox(QStringLiteral("Test Save Rate"), central_);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setGeometry(10, 488, 410, 92);
    const char *rates[] = {"1 data per sec.", "1 data per 10 sec", "1 data per 60 sec",
                           "1  data per 5 min"};
    const int seconds[] = {1, 10, 60, 300};
    QRadioButton **options[] = {&Option4, &Option5, &Option6, &Option7};
    for (int i = 0; i < 4; ++i) {
        auto *r = new QRadioButton(QString::fromLatin1(rates[i]), Frame3);
        r->setObjectName(QStringLiteral("Option%1").arg(4 + i));
        r->setGeometry(8 + (i % 2) * 200, 22 + (i / 2) * 32, 196, 28);
        const int value = seconds[i];
        connect(r, &QRadioButton::clicked, this, [this, value] { saveRate = value; });
        *options[i] = r;
    }
    Frame1 = new QGroupBox(QStringLiteral("Average Data?"), central_);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(10, 586, 410, 62);
    optAverageYes = new QRadioButton(QStringLiteral("Yes"), Frame1);
    optAverageYes->setObjectName(QStringLiteral("optAverageYes"));
    optAverageYes->setGeometry(8, 24, 62, 28);
    optAverageNo = new QRadioButton(QStringLiteral("No"), Frame1);
    optAverageNo->setObjectName(QStringLiteral("optAverageNo"));
    optAverageNo->setGeometry(76, 24, 58, 28);
    lblAverage = new QLabel(QStringLiteral("Average"), Frame1);
    lblAverage->setObjectName(QStringLiteral("lblAverage"));
    lblAverage->setGeometry(140, 24, 72, 28);
    txtAverage = new QLineEdit(Frame1);
    txtAverage->setObjectName(QStringLiteral("txtAverage"));
    txtAverage->setGeometry(218, 24, 60, 28);
    lblAverage2 = new QLabel(QStringLiteral("Data"), Frame1);
    lblAverage2->setObjectName(QStringLiteral("lblAverage2"));
    lblAverage2->setGeometry(284, 24, 50, 28);
    connect(optAverageYes, &QRadioButton::clicked, this, [this] { showAverage(true); });
    connect(optAverageNo, &QRadioButton::clicked, this, [this] { showAverage(false); });

    statusPanel = new QLabel(this);
    statusPanel->setObjectName(QStringLiteral("Status"));
    elapsedPanel = new QLabel(this);
    elapsedPanel->setObjectName(QStringLiteral("ElapsedTime"));
    elapsedPanel->setMinimumWidth(200);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(statusPanel, 1);
    statusBar()->addPermanentWidget(elapsedPanel);
    keepStatusBarWhole(*this);
    resize(kDesignWidth, kDesignHeight + 30);
}

void frmRealTime::showAverage(bool on)
{
    txtAverage->setVisible(on);
    lblAverage->setVisible(on);
    lblAverage2->setVisible(on);
}

void frmRealTime::Form_Load()
{
    acquisition_->reset();
    central_->resize(kDesignWidth, kDesignHeight);
    layout_.attach(central_);
    centerOnScreen(*this);
    applyWindowState(*this, deps_.m.SavedWindowState);
    // The sequence the instrument runs: the one sent last, not what Setup selects since.
    const auto running = runningSequence(deps_.m, SequenceRepository(deps_.db));
    if (!running)
        viscora::show(prompter(), running.failure());
    const std::vector<SequenceStep> steps = running ? running->steps : std::vector<SequenceStep>();
    grid_->setRows(setupRows(steps, deps_.m.isSI(), deps_.m.RbShearFactor), deps_.m.isSI());
    acquisition_->setSteps(steps);
    lblSequenceName->setText(running ? running->name
                                     : QString::fromStdString(deps_.m.CurrentSequenceName));
    acquisition_->chart.Initial_chart(acquisition_->now());
    Pesgo1->redraw(acquisition_->chart);
    testName.clear();
    saveRate = 10;
    Option5->setChecked(true);
    optAverageNo->setChecked(true);
    showAverage(false);
    updateAltKeys();
}

void frmRealTime::updateAltKeys()
{
    // "&Start" and "&Stop" share Alt+S: the one that can act answers it.
    if (acquisition_->running())
        giveAltKey(*cmdStop, {cmdStart});
    else
        giveAltKey(*cmdStart, {cmdStop});
}

void frmRealTime::cmdSaveAs_Click()
{
    hide();
    {
        frmRealRelated dialog(deps_.m, repo_, prompter(), testName, this);
        deps_.runDialog(dialog);
        if (dialog.result() == QDialog::Accepted)
            testName = dialog.testName();
    }
    show();
    acquisition_->setNamed(deps_.m.RelatedOk);
    acquisition_->setTestName(deps_.m.RelatedOk ? testName : QString());
}

void frmRealTime::cmdStart_Click()
{
    bool started = false;
    {
        // The start-reply wait holds the window for up to eleven seconds.
        const BusyCursor busy;
        started = acquisition_->start();
    }
    if (started) {
        Pesgo1->redraw(acquisition_->chart);
        Timer1->start();
    }
    updateAltKeys();
}

void frmRealTime::Timer1_Timer()
{
    const PollResult r = acquisition_->poll();
    // An ended test's held rows keep the timer going until the database takes them.
    if (!acquisition_->running() && !acquisition_->holding())
        Timer1->stop();
    if (r.charted)
        Pesgo1->redraw(acquisition_->chart);
    if (r.records > 0)
        elapsedPanel->setText(QString::fromStdString(acquisition_->elapsedText()));
    updateAltKeys();
}

void frmRealTime::cmdStop_Click()
{
    {
        const BusyCursor busy;
        acquisition_->stop();
    }
    if (!acquisition_->running() && !acquisition_->holding())
        Timer1->stop();
    updateAltKeys();
}

void frmRealTime::cmdShowAll_Click()
{
    acquisition_->chart.showAll();
    Pesgo1->redraw(acquisition_->chart);
}

void frmRealTime::cmdPrintChart_Click()
{
    if (deps_.printWidget)
        deps_.printWidget(*Pesgo1);
}

bool frmRealTime::refuseWhileRunning()
{
    if (!acquisition_->running())
        return false;
    prompter().message("Please close the running test before return.", "Communication Error");
    return true;
}

bool frmRealTime::cmdReturn_Click()
{
    if (refuseWhileRunning())
        return false;
    returning_ = true;
    close();
    return true;
}

void frmRealTime::closeEvent(QCloseEvent *e)
{
    if (!returning_ && refuseWhileRunning()) {
        e->ignore();
        return;
    }
    returning_ = false;
    e->accept();
    if (deps_.showMain)
        deps_.showMain();
}

} // namespace viscora
