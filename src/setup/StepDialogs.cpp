#include "setup/StepDialogs.h"

#include "ui/DialogButtons.h"
#include "ui/FocusMove.h"

#include "core/Module1.h"
#include "core/Prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace viscora {

StepDialog::StepDialog(StepDialogKind kind, Module1 &m, Prompter &prompter, QWidget *parent)
    : QDialog(parent), kind_(kind), m_(m), prompter_(prompter)
{
    const bool insert = kind == StepDialogKind::Insert;
    setObjectName(insert ? QStringLiteral("frmInsertStep") : QStringLiteral("frmAddEditStep"));
    setWindowTitle(insert ? QStringLiteral("Insert Step")
                          : QStringLiteral("Input Step Parameters"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Please input test parameters:"), this));
    auto *form = new QFormLayout;
    auto field = [this](const char *name, const char *tip) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        if (*tip)
            e->setToolTip(QString::fromLatin1(tip));
        return e;
    };
    txtStepNo = field("txtStepNo", "");
    txtStepNo->setReadOnly(true);
    txtStepNo->setFocusPolicy(Qt::NoFocus); // shown only: the dialog starts at the step time
    txtTime = field("txtTime", "Enter a number >0 and <6300");
    txtTemp = field("txtTemp", "");
    txtSpeed = field("txtSpeed", "Enter a number >=0 and <=600.00");
    txtShearrate = field("txtShearrate", "");
    txtRecordRate = field("txtRecordRate", "Integer, >=1");
    lblTemp =
        new QLabel(m_.isSI() ? QStringLiteral("Temp (°C)") : QStringLiteral("Temp (°F)"), this);
    lblTemp->setObjectName(QStringLiteral("lblTemp"));
    form->addRow(insert ? QStringLiteral("Step No:") : QStringLiteral("Step No.:"), txtStepNo);
    if (insert) {
        cmbBeforeAfter = new QComboBox(this);
        cmbBeforeAfter->setObjectName(QStringLiteral("cmbBeforeAfter"));
        cmbBeforeAfter->addItems({QStringLiteral("after"), QStringLiteral("before")});
        cmbBeforeAfter->setCurrentIndex(0);
        m_.InsertAfter = true;
        connect(cmbBeforeAfter, &QComboBox::currentIndexChanged, this,
                [this](int i) { m_.InsertAfter = i != 1; });
        form->addRow(QStringLiteral("Insert"), cmbBeforeAfter);
    }
    form->addRow(QStringLiteral("Step time (S):"), txtTime);
    form->addRow(lblTemp, txtTemp);
    form->addRow(QStringLiteral("Speed (Rpm):"), txtSpeed);
    form->addRow(QStringLiteral("Shear rate (1/S):"), txtShearrate);
    form->addRow(QStringLiteral("Record rate (Sec/Datum):"), txtRecordRate);
    layout->addLayout(form);
    const OkCancel okCancel = addOkCancel(this, layout);
    cmdOk = okCancel.ok;
    cmdCancel = okCancel.cancel;
    connect(cmdOk, &QPushButton::clicked, this, &StepDialog::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &StepDialog::cmdCancel_Click);
    txtSpeed->installEventFilter(this);
    txtShearrate->installEventFilter(this);
}

void StepDialog::setRow(const SetupRow &row)
{
    QLineEdit *fields[] = {txtStepNo, txtTime, txtTemp, txtSpeed, txtShearrate, txtRecordRate};
    for (size_t i = 0; i < 6; ++i)
        fields[i]->setText(row[i]);
    checkedSpeed_ = txtSpeed->text();
    checkedShearrate_ = txtShearrate->text();
}

void StepDialog::setStepNo(const QString &stepNo) { txtStepNo->setText(stepNo); }

bool StepDialog::leaveNeedsCheck(const QLineEdit *box, Qt::FocusReason reason) const
{
    if (closing_ || !isVisible())
        return false;
    const QWidget *to = focusMovedWithin(*this, reason);
    if (!to)
        return false;
    // Going to Cancel must not first complain about the field being left.
    if (to == cmdCancel)
        return false;
    return box->text() != (box == txtSpeed ? checkedSpeed_ : checkedShearrate_);
}

bool StepDialog::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(e)->reason();
        if (watched == txtSpeed && leaveNeedsCheck(txtSpeed, reason))
            txtSpeed_LostFocus();
        else if (watched == txtShearrate && leaveNeedsCheck(txtShearrate, reason))
            txtShearrate_LostFocus();
    }
    return QDialog::eventFilter(watched, e);
}

void StepDialog::focus(StepField field)
{
    focusedField = field;
    QLineEdit *target = field == StepField::Time          ? txtTime
                        : field == StepField::Temperature ? txtTemp
                        : field == StepField::Speed       ? txtSpeed
                        : field == StepField::ShearRate   ? txtShearrate
                                                          : txtRecordRate;
    target->setFocus();
    target->selectAll();
}

void StepDialog::txtSpeed_LostFocus()
{
    checkedSpeed_ = txtSpeed->text();
    const Conversion c = speedLostFocus(txtSpeed->text().toStdString(), m_.RbShearFactor);
    if (c.error) {
        prompter_.message(c.error->message, c.error->title);
        focus(StepField::Speed);
        return;
    }
    txtShearrate->setText(QString::fromStdString(*c.text));
    checkedShearrate_ = txtShearrate->text();
}

void StepDialog::txtShearrate_LostFocus()
{
    checkedShearrate_ = txtShearrate->text();
    const Conversion c = shearRateLostFocus(txtShearrate->text().toStdString(), m_.RbShearFactor);
    if (c.text) {
        txtSpeed->setText(QString::fromStdString(*c.text));
        checkedSpeed_ = txtSpeed->text();
    }
    if (c.error) {
        prompter_.message(c.error->message, c.error->title);
        focus(StepField::ShearRate);
    }
}

void StepDialog::cmdOk_Click()
{
    const StepFields f{txtTime->text().toStdString(), txtTemp->text().toStdString(),
                       txtSpeed->text().toStdString(), txtShearrate->text().toStdString(),
                       txtRecordRate->text().toStdString()};
    const AcceptedStep accepted = acceptStepFields(f, kind_, m_.units());
    if (const auto &error = accepted.error) {
        prompter_.message(error->message, error->title);
        focus(error->field);
        return;
    }
    m_.StepTimeText = accepted.handBack.time;
    m_.StepTempText = accepted.handBack.temperatureF;
    m_.StepSpeedText = accepted.handBack.speed;
    m_.StepRecordRateText = accepted.handBack.recordRate;
    m_.StepDialogCancelled = false;
    accept();
}

void StepDialog::cmdCancel_Click() { reject(); }

void StepDialog::reject()
{
    m_.StepDialogCancelled = true;
    QDialog::reject();
}

void StepDialog::done(int r)
{
    closing_ = true;
    QDialog::done(r);
}

frmCopyPaste::frmCopyPaste(int stepCount, Prompter &prompter, QWidget *parent)
    : QDialog(parent), prompter_(prompter)
{
    setObjectName(QStringLiteral("frmCopyPaste"));
    setWindowTitle(QStringLiteral("Copy & Paste"));
    setModal(true);
    auto combo = [this, stepCount](const char *name) {
        auto *c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        for (int i = 1; i <= stepCount; ++i)
            c->addItem(QString::number(i));
        c->setCurrentIndex(0);
        return c;
    };
    cmbCopyfrom = combo("cmbCopyfrom");
    cmbCopyto = combo("cmbCopyto");
    cmbPasteto = combo("cmbPasteto");
    cmbBeforeAfter = new QComboBox(this);
    cmbBeforeAfter->setObjectName(QStringLiteral("cmbBeforeAfter"));
    cmbBeforeAfter->addItems({QStringLiteral("after"), QStringLiteral("before")});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Copy source:"), this));
    auto *source = new QHBoxLayout;
    source->addWidget(new QLabel(QStringLiteral("From step"), this));
    source->addWidget(cmbCopyfrom);
    source->addWidget(new QLabel(QStringLiteral("to"), this));
    source->addWidget(cmbCopyto);
    layout->addLayout(source);
    layout->addWidget(new QLabel(QStringLiteral("Paste to:"), this));
    auto *target = new QHBoxLayout;
    target->addWidget(new QLabel(QStringLiteral("Paste target:"), this));
    target->addWidget(cmbBeforeAfter);
    target->addWidget(new QLabel(QStringLiteral("step No."), this));
    target->addWidget(cmbPasteto);
    layout->addLayout(target);
    const OkCancel okCancel = addOkCancel(this, layout);
    cmdOk = okCancel.ok;
    cmdCancel = okCancel.cancel;
    connect(cmdOk, &QPushButton::clicked, this, &frmCopyPaste::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmCopyPaste::cmdCancel_Click);
}

void frmCopyPaste::cmdOk_Click()
{
    const int from = cmbCopyfrom->currentText().toInt();
    const int to = cmbCopyto->currentText().toInt();
    if (from > to) {
        prompter_.message("Copy from step No. should be larger than to step No!",
                          "Step No input invalid");
        return;
    }
    choice = {from, to, cmbPasteto->currentText().toInt(),
              cmbBeforeAfter->currentIndex() == 1 ? 1 : 0};
    accept();
}

void frmCopyPaste::cmdCancel_Click()
{
    choice.copyFrom1 = 0;
    reject();
}

} // namespace viscora
