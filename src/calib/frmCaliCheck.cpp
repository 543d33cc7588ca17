#include "calib/frmCaliCheck.h"

#include "device/Link.h"
#include "core/Module1.h"
#include "core/Units.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace viscora {

frmCaliCheck::frmCaliCheck(CalibrationWindowDeps deps, QWidget *parent)
    : QDialog(parent), deps_(std::move(deps)),
      prompter_(deps_.makePrompter, *this, deps_.prompter, [this](const std::string &text) {
          CurStatus->setText(QString::fromStdString(text));
      })
{
    setObjectName(QStringLiteral("frmCaliCheck"));
    setWindowTitle(QStringLiteral("Auto Calibration Check"));
    setModal(true);
    deps_.m.setRotorBob(chosenRotorBob(deps_.m.rotorBob()));
    MSComm1 = deps_.makePort();
    check_ = std::make_unique<CalibrationCheck>(deps_.m, *MSComm1, deps_.clock, prompter_);
    check_->processEvents = [] { QApplication::processEvents(); };
    check_->onStatus = [this](const std::string &s) {
        CurStatus->setText(QString::fromStdString(s));
    };

    auto *layout = new QVBoxLayout(this);
    Label3 = new QLabel(
        QStringLiteral("Please simply input calibration fluid viscosity in below input "
                       "box and click \"Start\" bustton. (It currently only works with R1B1.)"),
        this);
    Label3->setWordWrap(true);
    layout->addWidget(Label3);
    auto *input = new QHBoxLayout;
    Label1 = new QLabel(QStringLiteral("Calibration Fluid Viscosity:"), this);
    txtVisc = new QLineEdit(this);
    txtVisc->setObjectName(QStringLiteral("txtVisc"));
    txtVisc->setToolTip(QStringLiteral("Enter a number >0 and <6300"));
    Label1->setBuddy(txtVisc);
    Label2 = new QLabel(QStringLiteral("cP"), this);
    input->addWidget(Label1);
    input->addWidget(txtVisc);
    input->addWidget(Label2);
    layout->addLayout(input);
    Label5 = new QLabel(QStringLiteral("Calibration Check Result:"), this);
    layout->addWidget(Label5);
    auto *grid = new QGridLayout;
    Label6 = new QLabel(QStringLiteral("Shear Stress  (dyn/cm2)"), this);
    Label4 = new QLabel(QStringLiteral("Error (dyn/cm2)"), this);
    Label7 = new QLabel(QStringLiteral("Error (%)"), this);
    grid->addWidget(Label6, 0, 0);
    grid->addWidget(Label4, 0, 1);
    grid->addWidget(Label7, 0, 2);
    for (int r = 0; r < 5; ++r) {
        Stress3[r] =
            new QLabel(QString::fromStdString(check_->rows[static_cast<size_t>(r)].Stress3), this);
        lbl3Err[r] = new QLabel(QStringLiteral("N/A"), this);
        lbl3PercentErr[r] = new QLabel(QStringLiteral("N/A"), this);
        Stress3[r]->setObjectName(QStringLiteral("Stress3_%1").arg(r));
        lbl3Err[r]->setObjectName(QStringLiteral("lbl3Err_%1").arg(r));
        lbl3PercentErr[r]->setObjectName(QStringLiteral("lbl3PercentErr_%1").arg(r));
        grid->addWidget(Stress3[r], r + 1, 0);
        grid->addWidget(lbl3Err[r], r + 1, 1);
        grid->addWidget(lbl3PercentErr[r], r + 1, 2);
    }
    layout->addLayout(grid);
    auto *buttons = new QHBoxLayout;
    cmdStart = new QPushButton(QStringLiteral("&Start"), this);
    cmdStart->setObjectName(QStringLiteral("cmdStart"));
    cmdReturn = new QPushButton(QStringLiteral("&Return"), this);
    cmdReturn->setObjectName(QStringLiteral("cmdReturn"));
    cmdExport = new QPushButton(QStringLiteral("&Export Result to Excel"), this);
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdExport);
    buttons->addWidget(cmdReturn);
    layout->addLayout(buttons);
    auto *status = new QHBoxLayout;
    statusLabel = new QLabel(QStringLiteral("Status:"), this);
    CurStatus = new QLabel(this);
    CurStatus->setObjectName(QStringLiteral("CurStatus"));
    status->addWidget(statusLabel);
    status->addWidget(CurStatus, 1);
    layout->addLayout(status);
    connect(cmdStart, &QPushButton::clicked, this, &frmCaliCheck::cmdStart_Click);
    connect(cmdReturn, &QPushButton::clicked, this, &frmCaliCheck::cmdReturn_Click);
    connect(cmdExport, &QPushButton::clicked, this, &frmCaliCheck::cmdExport_Click);
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmCaliCheck::Timer1_Timer);
    initialCommport(*MSComm1, deps_.m.CommPort);
    resize(520, 360);
}

frmCaliCheck::~frmCaliCheck()
{
    Timer1->stop();
    check_->stop();
}

void frmCaliCheck::showRows()
{
    for (int r = 0; r < 5; ++r) {
        lbl3Err[r]->setText(QString::fromStdString(check_->rows[static_cast<size_t>(r)].lbl3Err));
        lbl3PercentErr[r]->setText(
            QString::fromStdString(check_->rows[static_cast<size_t>(r)].lbl3PercentErr));
    }
}

void frmCaliCheck::cmdStart_Click()
{
    const bool wasRunning = check_->running();
    const bool started = check_->start(txtVisc->text().toStdString());
    showRows();
    if (started)
        Timer1->start();
    else if (!wasRunning)
        Timer1->stop();
}

void frmCaliCheck::Timer1_Timer()
{
    const bool going = check_->poll();
    showRows();
    if (!going)
        Timer1->stop();
}

void frmCaliCheck::cmdReturn_Click() { reject(); }

void frmCaliCheck::reject()
{
    Timer1->stop();
    check_->stop();
    QDialog::reject();
}

void frmCaliCheck::cmdExport_Click()
{
    if (deps_.exportResult)
        deps_.exportResult(txtVisc->text().toStdString(), check_->rows);
}

} // namespace viscora
