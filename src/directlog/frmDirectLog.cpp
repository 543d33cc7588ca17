#include "directlog/frmDirectLog.h"

#include "ui/BusyCursor.h"
#include "ui/FocusMove.h"
#include "ui/LiveChartView.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace viscora {

frmDirectLog::frmDirectLog(DirectLogWindowDeps deps, QWidget *parent)
    : QMainWindow(parent), deps_(std::move(deps)),
      prompter_(deps_.makePrompter, *this, deps_.prompter, [this](const std::string &text) {
          statusBar()->showMessage(QString::fromStdString(text));
      })
{
    setObjectName(QStringLiteral("frmDirectLog"));
    setWindowTitle(QStringLiteral("Direct Data Logging"));
    MSComm1 = deps_.makePort();
    log_ = std::make_unique<DirectLog>(deps_.m, *MSComm1, deps_.clock, prompter_);
    deps_.m.setRotorBob(log_->rotorBob());

    auto *central = new QWidget;
    central->setObjectName(QStringLiteral("central"));
    setCentralWidget(scrollable(central));
    auto *layout = new QHBoxLayout(central);
    auto *left = new QGridLayout;
    Label3 = new QLabel(QStringLiteral("Select Run Speed:"), central);
    cmbSpeed = new QComboBox(central);
    cmbSpeed->setObjectName(QStringLiteral("cmbSpeed"));
    cmbSpeed->setEditable(true);
    Label4 = new QLabel(QStringLiteral("Rpm"), central);
    Label2 = new QLabel(QStringLiteral("Select Data Recording Rate:"), central);
    cmbRate = new QComboBox(central);
    cmbRate->setObjectName(QStringLiteral("cmbRate"));
    cmbRate->setEditable(true);
    Label1 = new QLabel(QStringLiteral("sec/Datum"), central);
    Label5 = new QLabel(QStringLiteral("Input Data File Name:"), central);
    txtFileName = new QLineEdit(QStringLiteral("Text1"), central);
    txtFileName->setObjectName(QStringLiteral("txtFileName"));
    Label6 = new QLabel(
        QStringLiteral("Data files are located at the same directory that program files are."),
        central);
    Label6->setWordWrap(true);
    Label3->setBuddy(cmbSpeed);
    Label2->setBuddy(cmbRate);
    Label5->setBuddy(txtFileName);
    left->addWidget(Label3, 0, 0, 1, 2);
    left->addWidget(cmbSpeed, 1, 0);
    left->addWidget(Label4, 1, 1);
    left->addWidget(Label2, 2, 0, 1, 2);
    left->addWidget(cmbRate, 3, 0);
    left->addWidget(Label1, 3, 1);
    left->addWidget(Label5, 4, 0, 1, 2);
    left->addWidget(txtFileName, 5, 0, 1, 2);
    left->addWidget(Label6, 6, 0, 1, 2);
    auto button = [central](const char *name, const char *text, const char *tip) {
        auto *b = new QPushButton(QString::fromUtf8(text), central);
        b->setObjectName(QString::fromLatin1(name));
        if (*tip)
            b->setToolTip(QString::fromUtf8(tip));
        return b;
    };
    cmdRun = button("cmdRun", "&Run", "Push this button to start to updating display only");
    cmdStop = button("cmdStop", "Stop", "");
    cmdStartRecord = button("cmdStartRecord", "&Start Recording",
                            "Click here to start recording data to data.txt file");
    cmdStopRecord =
        button("cmdStopRecord", "S&top Recording", "Stop recording data to data.txt file");
    Command1 = button("Command1", "Print Chart", "");
    cmdExit = button("cmdExit", "&Exit", "Click here to exit this porgram");
    int row = 7;
    for (QPushButton *b : {cmdRun, cmdStop, cmdStartRecord, cmdStopRecord, Command1, cmdExit})
        left->addWidget(b, row++, 0, 1, 2);
    left->setRowStretch(row, 1);
    // The left column keeps the width of its widest caption, so the wrapped note below the
    // file name has a known height and never squeezes the buttons.
    auto *panel = new QWidget(central);
    panel->setLayout(left);
    left->setContentsMargins(0, 0, 0, 0);
    int width = 0;
    for (QWidget *w : {static_cast<QWidget *>(Label3), static_cast<QWidget *>(Label2),
                       static_cast<QWidget *>(Label5), static_cast<QWidget *>(cmdStartRecord),
                       static_cast<QWidget *>(cmdStopRecord)})
        width = std::max(width, w->sizeHint().width());
    width = std::max(width, cmbRate->sizeHint().width() + Label1->sizeHint().width() +
                                left->horizontalSpacing());
    panel->setFixedWidth(width);
    Label6->setMinimumHeight(Label6->heightForWidth(width));
    layout->addWidget(panel);
    Pesgo1 = new LiveChartView(central);
    Pesgo1->setObjectName(QStringLiteral("Pesgo1"));
    layout->addWidget(Pesgo1, 1);
    connect(cmdRun, &QPushButton::clicked, this, &frmDirectLog::cmdRun_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmDirectLog::cmdStop_Click);
    connect(cmdStartRecord, &QPushButton::clicked, this, &frmDirectLog::cmdStartRecord_Click);
    connect(cmdStopRecord, &QPushButton::clicked, this, &frmDirectLog::cmdStopRecord_Click);
    connect(Command1, &QPushButton::clicked, this, &frmDirectLog::Command1_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmDirectLog::cmdExit_Click);
    connect(cmbRate, &QComboBox::editTextChanged, this, [this] { cmbRate_Change(); });
    cmbSpeed->installEventFilter(this);
    cmbSpeed->lineEdit()->installEventFilter(this);
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmDirectLog::Timer1_Timer);
    resize(1000, 600);
}

frmDirectLog::~frmDirectLog()
{
    Timer1->stop();
    if (MSComm1 && MSComm1->isOpen())
        MSComm1->close();
}

void frmDirectLog::Form_Load()
{
    centerOnScreen(*this);
    Timer1->stop();
    const QSignalBlocker blockRate(cmbRate);
    cmbSpeed->clear();
    cmbSpeed->addItems({"300", "600", "3", "6", "100", "200"});
    cmbSpeed->setCurrentIndex(0);
    cmbRate->clear();
    cmbRate->addItems({"1", "2", "5", "10", "30", "60"});
    cmbRate->setCurrentIndex(0);
    const std::string speed = cmbSpeed->currentText().toStdString();
    log_->rateText = cmbRate->currentText().toStdString();
    {
        const BusyCursor busy;
        log_->SendLogProgram(speed);
    }
    log_->speedText = speed;
    log_->buttons = {};
    showButtons();
    log_->resetChart();
    Pesgo1->redraw(log_->chart);
    log_->Recording = false;
}

bool frmDirectLog::eventFilter(QObject *watched, QEvent *e)
{
    // Only leaving the box for another control of this window counts, not the box's own list
    // opening or a message box, and only when the speed was changed: each send blocks the
    // window for a second.
    if ((watched == cmbSpeed || watched == cmbSpeed->lineEdit()) && e->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(e)->reason();
        const QWidget *to = focusMovedWithin(*this, reason);
        if (to && to != cmbSpeed && to != cmbSpeed->lineEdit() &&
            cmbSpeed->currentText().toStdString() != log_->speedText)
            cmbSpeed_LostFocus();
    }
    return QMainWindow::eventFilter(watched, e);
}

void frmDirectLog::showButtons()
{
    cmdRun->setEnabled(log_->buttons.run);
    cmdStop->setEnabled(log_->buttons.stop);
    cmdStartRecord->setEnabled(log_->buttons.startRecord);
    cmdStopRecord->setEnabled(log_->buttons.stopRecord);
}

void frmDirectLog::cmbSpeed_LostFocus()
{
    const BusyCursor busy;
    const std::string speed = log_->speedChanged(cmbSpeed->currentText().toStdString());
    if (cmbSpeed->currentText().toStdString() != speed)
        cmbSpeed->setCurrentText(QString::fromStdString(speed));
}

void frmDirectLog::cmbRate_Change()
{
    const std::string rate = log_->rateChanged(cmbRate->currentText().toStdString());
    if (cmbRate->currentText().toStdString() != rate) {
        const QSignalBlocker block(cmbRate);
        cmbRate->setCurrentIndex(0);
    }
}

void frmDirectLog::cmdRun_Click()
{
    bool started = false;
    {
        const BusyCursor busy;
        started = log_->run(txtFileName->text().toStdString());
    }
    if (started) {
        Pesgo1->redraw(log_->chart);
        Timer1->start();
    }
    showButtons();
}

void frmDirectLog::Timer1_Timer()
{
    if (!log_->poll())
        Timer1->stop();
    Pesgo1->redraw(log_->chart);
    showButtons();
}

void frmDirectLog::cmdStop_Click()
{
    {
        const BusyCursor busy;
        log_->stop();
    }
    if (!log_->running())
        Timer1->stop();
    showButtons();
}

void frmDirectLog::cmdStartRecord_Click()
{
    log_->startRecording();
    showButtons();
}

void frmDirectLog::cmdStopRecord_Click()
{
    log_->stopRecording();
    showButtons();
}

void frmDirectLog::Command1_Click()
{
    if (deps_.printWidget)
        deps_.printWidget(*Pesgo1);
}

void frmDirectLog::cmdExit_Click() { close(); }

void frmDirectLog::closeEvent(QCloseEvent *e)
{
    Timer1->stop();
    if (MSComm1->isOpen())
        MSComm1->close();
    QMainWindow::closeEvent(e);
}

} // namespace viscora
