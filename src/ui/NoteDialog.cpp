#include "ui/NoteDialog.h"

#include "core/NumberText.h"
#include "ui/DialogButtons.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace viscora {

const char *const NoteDialog::kCaption = "Add Note";

NoteDialog::NoteDialog(double proposedSeconds, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(kCaption));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    txtNoteTime = new QLineEdit(QString::number(proposedSeconds, 'g', 12), this);
    txtNoteTime->setObjectName(QStringLiteral("txtNoteTime"));
    txtNote = new QLineEdit(this);
    txtNote->setObjectName(QStringLiteral("txtNote"));
    txtNote->setPlaceholderText(QStringLiteral("added 2 ppb polymer"));
    txtNote->setMinimumWidth(320);
    form->addRow(QStringLiteral("&Time from the test's start (S):"), txtNoteTime);
    form->addRow(QStringLiteral("&Note:"), txtNote);
    layout->addLayout(form);
    const OkCancel buttons = addOkCancel(this, layout);
    cmdOk = buttons.ok;
    cmdCancel = buttons.cancel;
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    txtNote->setFocus();
}

double NoteDialog::seconds() const
{
    return parseNumber(txtNoteTime->text().toStdString()).value_or(NAN);
}

QString NoteDialog::text() const { return txtNote->text(); }

} // namespace viscora
