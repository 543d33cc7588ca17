#include "calib/frmCaliCheck.h"

#include "device/Link.h"
#include "core/Module1.h"
#include "core/NumberText.h"
#include "report/CalibrationCertificate.h"
#include "core/Units.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
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
    if (deps_.db) {
        grid->addWidget(new QLabel(QStringLiteral("Result"), this), 0, 3);
        for (int r = 0; r < 5; ++r) {
            lblResult[r] = new QLabel(this);
            lblResult[r]->setObjectName(QStringLiteral("lblResult_%1").arg(r));
            grid->addWidget(lblResult[r], r + 1, 3);
        }
        buildRecordControls(layout);
    }
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

void frmCaliCheck::buildRecordControls(QVBoxLayout *layout)
{
    auto *box = new QGroupBox(QStringLiteral("Calibration record"), this);
    auto *form = new QFormLayout(box);
    cmbFluid = new QComboBox(box);
    cmbFluid->setObjectName(QStringLiteral("cmbFluid"));
    cmbFluid->addItem(QStringLiteral("(the viscosity typed above)"));
    if (const auto all = FluidRepository(*deps_.db).fluids(); all) {
        fluids_ = *all;
        for (const CalibrationFluid &f : fluids_)
            cmbFluid->addItem(
                QStringLiteral("%1 (lot %2, expires %3)").arg(f.name, f.lot, f.expiry));
    } else {
        viscora::show(prompter_.get(), all.failure());
    }
    form->addRow(QStringLiteral("Certified &fluid:"), cmbFluid);
    auto *temperature = new QHBoxLayout;
    txtTemperature = new QLineEdit(box);
    txtTemperature->setObjectName(QStringLiteral("txtTemperature"));
    lblTemperatureUnit =
        new QLabel(deps_.m.UnitSystem == 2 ? QStringLiteral("°C") : QStringLiteral("°F"), box);
    temperature->addWidget(txtTemperature);
    temperature->addWidget(lblTemperatureUnit);
    form->addRow(QStringLiteral("Sample temperature:"), temperature);
    txtOperator = new QLineEdit(defaultOperator(), box);
    txtOperator->setObjectName(QStringLiteral("txtOperator"));
    form->addRow(QStringLiteral("&Operator:"), txtOperator);
    tolerance.build(*form, QStringLiteral("Tolerance:"), *box);
    lblInstrument = new QLabel(box);
    lblInstrument->setObjectName(QStringLiteral("lblInstrument"));
    if (const auto on = InstrumentRepository(*deps_.db).assignedTo(deps_.m.CommPort); on && *on) {
        instrument_ = **on;
        QStringList parts{instrument_->serialNo};
        for (const QString &more : {instrument_->model, instrument_->location})
            if (!more.isEmpty())
                parts << more;
        lblInstrument->setText(parts.join(QStringLiteral(", ")));
    } else {
        lblInstrument->setText(QStringLiteral("none named for Comm %1 (Tools → Serial Ports...)")
                                   .arg(deps_.m.CommPort));
    }
    form->addRow(QStringLiteral("Instrument:"), lblInstrument);
    lblRecord = new QLabel(box);
    lblRecord->setObjectName(QStringLiteral("lblRecord"));
    form->addRow(lblRecord);
    layout->addWidget(box);
    connect(cmbFluid, &QComboBox::currentIndexChanged, this, &frmCaliCheck::fluidChanged);
}

std::vector<std::pair<std::string, std::string>> frmCaliCheck::recordHeader() const
{
    std::vector<std::pair<std::string, std::string>> out;
    if (!deps_.db || !recorded_)
        return out;
    const auto check = CheckRepository(*deps_.db).check(recorded_);
    if (!check || !*check)
        return out;
    const auto content = certificateContent(*deps_.db, **check);
    if (!content)
        return out;
    for (const auto &[label, value] : content->fields)
        out.emplace_back(label.toStdString(), value.toStdString());
    out.emplace_back("Result", content->verdict.toStdString());
    return out;
}

void frmCaliCheck::fluidChanged()
{
    const int i = cmbFluid->currentIndex() - 1;
    const bool typed = i < 0;
    txtVisc->setReadOnly(!typed);
    if (typed)
        return;
    const CalibrationFluid &f = fluids_[static_cast<size_t>(i)];
    tolerance.show(f.tolerance);
    txtVisc->clear();
}

bool frmCaliCheck::takeFluid()
{
    setup_ = {};
    const auto typedTolerance = tolerance.read(prompter_.get(), "Calibration Check");
    if (!typedTolerance)
        return false;
    setup_.tolerance = *typedTolerance;
    const int i = cmbFluid->currentIndex() - 1;
    if (i < 0)
        return true;
    const auto typed = parseNumber(txtTemperature->text().toStdString());
    if (!typed || *typed < -100 || *typed > 1000) {
        prompter_.get().message(
            "Please enter the sample's temperature: the fluid's viscosity is read "
            "from its certificate at it.",
            "Calibration Check");
        return false;
    }
    const double f = deps_.m.UnitSystem == 2 ? calibration::celsiusToFahrenheit(*typed) : *typed;
    setup_.fluid = fluids_[static_cast<size_t>(i)];
    setup_.temperatureF = f;
    const auto v = fluidViscosity(*setup_.fluid, f, today());
    if (!v) {
        viscora::show(prompter_.get(), v.failure());
        return false;
    }
    if (!acceptFluid(prompter_.get(), *setup_.fluid, *v))
        return false;
    txtVisc->setText(QString::fromStdString(v->text));
    return true;
}

void frmCaliCheck::record()
{
    if (!deps_.db || !unrecorded_)
        return;
    unrecorded_ = false;
    const CalibrationRecord r = recordOf(*check_, setup_);
    const auto id = CheckRepository(*deps_.db).add(r);
    if (!id) {
        viscora::show(prompter_.get(), id.failure());
        return;
    }
    recorded_ = *id;
    for (size_t i = 0; i < 5; ++i)
        lblResult[i]->setText(i < r.readings.size() ? (r.readings[i].pass ? QStringLiteral("pass")
                                                                          : QStringLiteral("FAIL"))
                                                    : QString());
    lblRecord->setText(QStringLiteral("Recorded as calibration check %1: %2")
                           .arg(*id)
                           .arg(verdictText(r.outcome)));
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
    // A second Start while one runs meets the busy port, as it always did.
    if (deps_.db && !wasRunning && !takeFluid())
        return;
    const QString started_at = recordTime();
    const bool started = check_->start(txtVisc->text().toStdString());
    showRows();
    if (started) {
        if (deps_.db) {
            setup_.operatorName = txtOperator->text().trimmed();
            setup_.instrumentId =
                instrument_ ? std::optional<int>(instrument_->instrumentId) : std::nullopt;
            setup_.started = started_at;
            unrecorded_ = true;
            lblRecord->clear();
            for (QLabel *l : lblResult)
                l->clear();
        }
        Timer1->start();
    } else if (!wasRunning) {
        Timer1->stop();
    }
}

void frmCaliCheck::Timer1_Timer()
{
    const bool going = check_->poll();
    showRows();
    if (!going) {
        Timer1->stop();
        record();
    }
}

void frmCaliCheck::cmdReturn_Click() { reject(); }

void frmCaliCheck::reject()
{
    Timer1->stop();
    check_->stop();
    record(); // a check stopped before its end is recorded as such
    QDialog::reject();
}

void frmCaliCheck::cmdExport_Click()
{
    if (deps_.exportResult)
        deps_.exportResult(txtVisc->text().toStdString(), check_->rows);
}

} // namespace viscora
