#include "realtime/frmRealRelated.h"

#include "core/Module1.h"

#include "ui/DialogButtons.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace viscora {

frmRealRelated::frmRealRelated(Module1 &m, TestRepository &repo, Prompter &prompter,
                               const QString &currentName, QWidget *parent)
    : QDialog(parent), m_(m), naming_(repo, prompter)
{
    setObjectName(QStringLiteral("frmRealRelated"));
    setWindowTitle(QStringLiteral("Real Time Test Testname"));
    setModal(true);
    auto line = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    auto *layout = new QVBoxLayout(this);
    build(this, layout);

    Frame1 = new QGroupBox(QStringLiteral("Custom RB factor?"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *grid = new QGridLayout(Frame1);
    Option2 = new QRadioButton(QStringLiteral("Yes"), Frame1);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option1 = new QRadioButton(QStringLiteral("No"), Frame1);
    Option1->setObjectName(QStringLiteral("Option1"));
    txtStressFactor = line("txtStressFactor");
    txtRateFactor = line("txtRateFactor");
    lblStressFactor = new QLabel(QStringLiteral("Shear Stress Factor:"), Frame1);
    Label5 = new QLabel(QStringLiteral("(Per B1 Bob Stress)"), Frame1);
    lblRateFactor = new QLabel(QStringLiteral("Shear Rate Factor"), Frame1);
    Label4 = new QLabel(QStringLiteral("(Sec-1/Rpm)"), Frame1);
    grid->addWidget(Option2, 0, 0);
    grid->addWidget(Option1, 0, 1);
    grid->addWidget(lblStressFactor, 1, 0);
    grid->addWidget(txtStressFactor, 1, 1);
    grid->addWidget(Label5, 1, 2);
    grid->addWidget(lblRateFactor, 2, 0);
    grid->addWidget(txtRateFactor, 2, 1);
    grid->addWidget(Label4, 2, 2);
    layout->addWidget(Frame1);
    // The caption's doubled ampersand shows as one; a label without a buddy shows it as is.
    Label1 = new QLabel(
        QStringLiteral("Note: For special rotor & bob, select R1B1 in setup screen."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    layout->addWidget(Label1);
    const OkCancel okCancel = addOkCancel(this, layout, "cmdok");
    cmdok = okCancel.ok;
    cmdCancel = okCancel.cancel;
    connect(Option1, &QRadioButton::clicked, this, &frmRealRelated::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &frmRealRelated::Option2_Click);
    connect(cmdok, &QPushButton::clicked, this, &frmRealRelated::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmRealRelated::reject);

    showHeader(naming_.load(currentName));
    Option1_Click();
    resize(460, 460);
}

void frmRealRelated::showFactors(bool on)
{
    for (QWidget *w : std::initializer_list<QWidget *>{
             txtStressFactor, txtRateFactor, lblStressFactor, Label5, lblRateFactor, Label4})
        w->setVisible(on);
}

void frmRealRelated::Option1_Click()
{
    showFactors(false);
    Option1->setChecked(true);
    m_.CustomRb = false;
}

void frmRealRelated::Option2_Click()
{
    showFactors(true);
    Option2->setChecked(true);
    m_.CustomRb = true;
}

QString frmRealRelated::testName() const
{
    return naming_.created() ? naming_.created()->name : txtTestName->text();
}

void frmRealRelated::focusEntry(QLineEdit *box)
{
    box->setFocus();
    box->selectAll();
}

void frmRealRelated::cmdOk_Click()
{
    RealTestName e;
    e.header = header();
    e.custom = Option2->isChecked();
    e.stressFactor = txtStressFactor->text().toStdString();
    e.rateFactor = txtRateFactor->text().toStdString();
    m_.RelatedOk = true;
    switch (naming_.ok(e)) {
    case NamingOutcome::Created:
        m_.nameRun(naming_.created()->id, naming_.created()->custom);
        accept();
        return;
    case NamingOutcome::RefusedOther:
        focusEntry(txtRateFactor);
        return;
    case NamingOutcome::RefusedName:
    case NamingOutcome::Failed:
        focusEntry(txtTestName);
        return;
    }
}

void frmRealRelated::reject()
{
    m_.RelatedOk = false;
    QDialog::reject();
}

} // namespace viscora
