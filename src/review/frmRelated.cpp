#include "review/frmRelated.h"

#include "core/Module1.h"

#include "ui/DialogButtons.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace viscora {

namespace {
std::optional<QString> editedTest(const Module1 &m, frmRelated::Purpose purpose)
{
    if (purpose == frmRelated::Purpose::NameNewTest || m.NoTestShown)
        return std::nullopt;
    return QString::fromStdString(m.CurrentTestName);
}
} // namespace

frmRelated::frmRelated(Module1 &m, TestRepository &repo, Prompter &prompter, QWidget *parent,
                       Purpose purpose)
    : QDialog(parent), m_(m), purpose_(purpose), editor_(repo, prompter, editedTest(m, purpose))
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
    m_.RelatedOk = true;
    if (editor_.ok(header())) {
        if (const auto &made = editor_.created(); made && purpose_ == Purpose::OpenedTest) {
            m_.CurrentTestName = made->name.toStdString();
            m_.NewTestId = made->id;
            m_.NoTestShown = false;
        }
        accept();
        return;
    }
    txtTestName->setFocus();
}

void frmRelated::cmdCancel_Click() { reject(); }

void frmRelated::reject()
{
    m_.RelatedOk = false;
    QDialog::reject();
}

} // namespace viscora
