#include "realtime/frmRealTime.h"

#include "ui/BusyCursor.h"
#include "ui/DialogButtons.h"
#include "ui/FittedColumns.h"
#include "ui/LiveChartView.h"
#include "ui/NoteDialog.h"
#include "store/TestNotes.h"
#include "core/Module1.h"
#include "core/Prompter.h"
#include "store/SequenceRepository.h"
#include "setup/SequenceSend.h"
#include "setup/SetupGrid.h"
#include "ui/WindowPlacement.h"
#include "realtime/LiveStatus.h"
#include "realtime/frmRealRelated.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

#include <cmath>

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
    acquisition_->onStored = [this](const StoredPoint &p) {
        stored_ = p;
        storedAt_ = acquisition_->recordsReceived();
    };
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
    cmdShow3Min =
        button("cmdShow3Min", "Sh&ow Last 3 Minutes", 10, 414, [this] { cmdShow3Min_Click(); });
    cmdPrintChart =
        button("cmdPrintChart", "Print Chart", 220, 414, [this] { cmdPrintChart_Click(); });
    cmdReturn = button("cmdReturn", "&Return", 220, 450, [this] { cmdReturn_Click(); });

    // What the test is doing now, large enough to read from across the room.
    framStatus = new QFrame(central_);
    framStatus->setObjectName(QStringLiteral("framStatus"));
    framStatus->setFrameShape(QFrame::StyledPanel);
    framStatus->setGeometry(10, 488, 410, 184);
    MenuAddNote = new QAction(QStringLiteral("Add &Note..."), this);
    MenuAddNote->setObjectName(QStringLiteral("MenuAddNote"));
    MenuAddNote->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(MenuAddNote, &QAction::triggered, this, [this] { MenuAddNote_Click(); });
    addAction(MenuAddNote);
    for (QWidget *w : {static_cast<QWidget *>(framStatus), static_cast<QWidget *>(MSFlexGrid1)}) {
        w->addAction(MenuAddNote);
        w->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    framStatus->setToolTip(
        QStringLiteral("Right-click (or Ctrl+N) to add a note to the running test"));
    auto *grid = new QGridLayout(framStatus);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setVerticalSpacing(0);
    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    auto reading = [&](QLabel *&caption, QLabel *&value, const char *name, int row, int column) {
        caption = new QLabel(framStatus);
        caption->setObjectName(QStringLiteral("lbl%1Caption").arg(QString::fromLatin1(name)));
        value = new QLabel(framStatus);
        value->setObjectName(QStringLiteral("lbl%1").arg(QString::fromLatin1(name)));
        value->setFont(big);
        grid->addWidget(caption, 2 * row, column);
        grid->addWidget(value, 2 * row + 1, column);
    };
    reading(lblStepCaption, lblStep, "Step", 0, 0);
    reading(lblLeftCaption, lblLeft, "Left", 0, 1);
    reading(lblStressCaption, lblStress, "Stress", 1, 0);
    reading(lblViscosityCaption, lblViscosity, "Viscosity", 1, 1);
    reading(lblTemperatureCaption, lblTemperature, "Temperature", 2, 0);
    reading(lblSpeedCaption, lblSpeed, "Speed", 2, 1);
    lblStepCaption->setText(QStringLiteral("Step"));
    lblLeftCaption->setText(QStringLiteral("Left in step / test"));
    lblViscosityCaption->setText(QStringLiteral("Viscosity (cP)"));
    lblSpeedCaption->setText(QStringLiteral("Speed (rpm)"));
    lblMark = new QLabel(framStatus);
    lblMark->setObjectName(QStringLiteral("lblMark"));
    lblMark->setAlignment(Qt::AlignCenter);
    QFont markFont = font();
    markFont.setBold(true);
    lblMark->setFont(markFont);
    lblMark->setAutoFillBackground(true);
    lblMark->setWordWrap(true);
    grid->addWidget(lblMark, 6, 0, 1, 2);

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

void frmRealTime::showLiveStatus()
{
    const bool si = deps_.m.isSI();
    const ShownReadings units = shownReadings(0, 0, 0, 0, si);
    lblStressCaption->setText(
        QStringLiteral("Shear stress (%1)").arg(QString::fromStdString(units.stressUnit)));
    lblTemperatureCaption->setText(
        QStringLiteral("Temperature (%1)").arg(QString::fromStdString(units.temperatureUnit)));
    const QString none = QStringLiteral("–");
    const LiveChart &chart = acquisition_->chart;
    const int last = chart.PointIndex - 1;
    const bool read = last >= 0 && std::isfinite(chart.x(0, last)) && stored_.stepNo > 0;
    if (!read) {
        for (QLabel *l : {lblStep, lblLeft, lblStress, lblViscosity, lblTemperature, lblSpeed})
            l->setText(none);
    } else {
        // The step and its time as last stored, run on by one second a record since.
        const StepProgress at = stepProgress(
            steps_, stored_.stepNo,
            stored_.time + static_cast<double>(acquisition_->recordsReceived() - storedAt_));
        lblStep->setText(at.step ? QStringLiteral("%1 of %2").arg(at.index + 1).arg(steps_.size())
                                 : QString::number(stored_.stepNo));
        lblLeft->setText(at.step ? QString::fromStdString(durationText(at.stepLeft) + " / " +
                                                          durationText(at.testLeft))
                                 : none);
        if (at.step)
            MSFlexGrid1->selectRow(at.index);
        const ShownReadings r =
            shownReadings(chart.y(0, last), chart.y(1, last), chart.y(2, last), stored_.speed, si);
        lblStress->setText(QString::fromStdString(r.stress));
        lblViscosity->setText(QString::fromStdString(r.viscosity));
        lblTemperature->setText(QString::fromStdString(r.temperature));
        lblSpeed->setText(QString::fromStdString(r.speed));
    }
    // The same words as the status line, where they are easily missed.
    QString mark;
    QColor color;
    if (acquisition_->running() && acquisition_->lostFor()) {
        mark = QString::fromUtf8(kConnectionLostStatus);
        color = QColor(0xd0, 0x30, 0x30);
    } else if (acquisition_->heldRows() > 0) {
        mark =
            QStringLiteral("Waiting for the database: %1 rows held").arg(acquisition_->heldRows());
        color = QColor(0xe0, 0x90, 0x10);
    }
    lblMark->setText(mark);
    lblMark->setVisible(!mark.isEmpty());
    QPalette palette = lblMark->palette();
    palette.setColor(QPalette::Window, color);
    palette.setColor(QPalette::WindowText, Qt::white);
    lblMark->setPalette(palette);
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
    else if (running->sentRotorBob)
        deps_.m.setRotorBob(withRotorBob(deps_.m.rotorBob(), *running->sentRotorBob));
    const std::vector<SequenceStep> steps = running ? running->steps : std::vector<SequenceStep>();
    grid_->setRows(setupRows(steps, deps_.m.isSI(), deps_.m.RbShearFactor), deps_.m.isSI());
    acquisition_->setSteps(steps);
    lblSequenceName->setText(running ? running->name
                                     : QString::fromStdString(deps_.m.CurrentSequenceName));
    acquisition_->chart.Initial_chart(acquisition_->now());
    Pesgo1->redraw(acquisition_->chart);
    testName.clear();
    steps_ = steps;
    stored_ = {};
    showLiveStatus();
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
        stored_ = {};
        Pesgo1->setPaused(false);
        Pesgo1->redraw(acquisition_->chart);
        Timer1->start();
    }
    showLiveStatus();
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
    showLiveStatus();
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
    showLiveStatus();
    updateAltKeys();
}

void frmRealTime::MenuAddNote_Click()
{
    if (!acquisition_->running()) {
        prompter().message(kNoRunningTestForNoteMessage, kNotesTitle);
        return;
    }
    NoteDialog dialog(acquisition_->runningTimeNow(), this);
    if (deps_.runDialog(dialog) != QDialog::Accepted)
        return;
    if (const Outcome added = acquisition_->addNote(dialog.seconds(), dialog.text()); !added)
        viscora::show(prompter(), added.failure());
    else
        Pesgo1->redraw(acquisition_->chart);
}

void frmRealTime::cmdShowAll_Click()
{
    acquisition_->chart.showAll();
    Pesgo1->setWholeTest(false);
    Pesgo1->redraw(acquisition_->chart);
}

void frmRealTime::cmdShow3Min_Click()
{
    acquisition_->chart.showLast();
    Pesgo1->setWholeTest(false);
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
