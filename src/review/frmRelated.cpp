#include "frmRelated.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace viscora {

frmRelated::frmRelated(Module1 &m, TestRepository &repo, Prompter &prompter, QWidget *parent)
    : QDialog(parent), editor_(m, repo, prompter)
{
    setWindowTitle(QStringLiteral("Related Information "));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    auto line = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    txtTestName = line("txtTestName");
    txtMudId = line("txtMudId");
    txtSampleTime = line("txtSampleTime");
    txtCompanyName = line("txtCompanyName");
    txtDesc = new QPlainTextEdit(this);
    txtDesc->setObjectName(QStringLiteral("txtDesc"));
    txtDesc->setTabChangesFocus(true);
    form->addRow(QStringLiteral("Test Name:"), txtTestName);
    form->addRow(QStringLiteral("Fluid ID:"), txtMudId);
    form->addRow(QStringLiteral("Sample Time:"), txtSampleTime);
    form->addRow(QStringLiteral("Company Name:"), txtCompanyName);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("Description, Notes and Comments:"), this));
    layout->addWidget(txtDesc);
    auto *buttons = new QHBoxLayout;
    cmdok = new QPushButton(QStringLiteral("&OK"), this);
    cmdok->setObjectName(QStringLiteral("cmdok"));
    cmdok->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addStretch();
    buttons->addWidget(cmdok);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);
    connect(cmdok, &QPushButton::clicked, this, &frmRelated::cmdok_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmRelated::cmdCancel_Click);

    if (!editor_.newMode()) {
        const TestHeader h = editor_.load();
        txtTestName->setText(h.testName);
        txtMudId->setText(h.mudId);
        txtSampleTime->setText(h.sampleTime);
        txtCompanyName->setText(h.companyName);
        txtDesc->setPlainText(h.desc);
        txtTestName->setEnabled(false);
    }
    resize(440, 340);
}

void frmRelated::cmdok_Click()
{
    const TestHeader h{txtTestName->text(), txtMudId->text(), txtSampleTime->text(),
                       txtCompanyName->text(), txtDesc->toPlainText()};
    if (editor_.ok(h)) {
        accept();
        return;
    }
    txtTestName->setFocus();
}

void frmRelated::cmdCancel_Click() { reject(); }

void frmRelated::reject()
{
    editor_.cancel();
    QDialog::reject();
}

} // namespace viscora
