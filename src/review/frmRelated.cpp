#include "review/frmRelated.h"

#include "ui/DialogButtons.h"

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
    build(this, layout);
    const OkCancel okCancel = addOkCancel(this, layout, "cmdok");
    cmdok = okCancel.ok;
    cmdCancel = okCancel.cancel;
    connect(cmdok, &QPushButton::clicked, this, &frmRelated::cmdok_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmRelated::cmdCancel_Click);

    if (!editor_.newMode()) {
        showHeader(editor_.load());
        txtTestName->setEnabled(false);
    }
    resize(440, 340);
}

void frmRelated::cmdok_Click()
{
    if (editor_.ok(header())) {
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
