#include "frmRelated.h"

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
    fields_.build(this, layout);
    txtTestName = fields_.txtTestName;
    txtMudId = fields_.txtMudId;
    txtSampleTime = fields_.txtSampleTime;
    txtCompanyName = fields_.txtCompanyName;
    txtDesc = fields_.txtDesc;
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
        fields_.show(editor_.load());
        txtTestName->setEnabled(false);
    }
    resize(440, 340);
}

void frmRelated::cmdok_Click()
{
    if (editor_.ok(fields_.header())) {
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
