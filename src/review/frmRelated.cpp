#include "frmRelated.h"

#include "DialogButtons.h"

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
    const OkCancel okCancel = addOkCancel(this, layout, "cmdok");
    cmdok = okCancel.ok;
    cmdCancel = okCancel.cancel;
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
