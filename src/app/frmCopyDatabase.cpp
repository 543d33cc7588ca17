#include "app/frmCopyDatabase.h"

#include "core/Prompter.h"
#include "store/DatabaseCopy.h"
#include "ui/BusyCursor.h"
#include "ui/DialogButtons.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace viscora {

const char *const frmCopyDatabase::kCaption = "Copy Tests To Database";

frmCopyDatabase::frmCopyDatabase(Prompter &prompter, QWidget *parent)
    : QDialog(parent), prompter_(prompter)
{
    setObjectName(QStringLiteral("frmCopyDatabase"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("Copy every test and sequence of this database into the "
                                       "database &file or server:"),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(Label1);
    auto *row = new QHBoxLayout;
    txtTarget = new QLineEdit(this);
    txtTarget->setObjectName(QStringLiteral("txtTarget"));
    txtTarget->setPlaceholderText(
        QStringLiteral("a file's path, or postgresql://USER@HOST:PORT/DBNAME"));
    txtTarget->setMinimumWidth(
        txtTarget->fontMetrics().horizontalAdvance(txtTarget->placeholderText()) + 40);
    Label1->setBuddy(txtTarget);
    cmdFile = new QPushButton(QStringLiteral("&Browse..."), this);
    cmdFile->setObjectName(QStringLiteral("cmdFile"));
    cmdFile->setAutoDefault(false);
    row->addWidget(txtTarget, 1);
    row->addWidget(cmdFile);
    layout->addLayout(row);
    auto *hint = new QLabel(QStringLiteral("The copies follow the tests and sequences the target "
                                           "holds; a name it has already gets \" (2)\"."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    const OkCancel buttons = addOkCancel(this, layout);
    cmdOk = buttons.ok;
    cmdCancel = buttons.cancel;
    cmdOk->setEnabled(false);
    connect(txtTarget, &QLineEdit::textChanged, this,
            [this] { cmdOk->setEnabled(!target().isEmpty()); });
    connect(cmdFile, &QPushButton::clicked, this, &frmCopyDatabase::cmdFile_Click);
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString frmCopyDatabase::target() const { return txtTarget->text().trimmed(); }

void frmCopyDatabase::cmdFile_Click()
{
    FileDialogRequest request;
    request.title = kCaption;
    request.filter = "Databases (*.mdb)|*.mdb|All files (*)|*";
    request.initialDir = QDir::currentPath().toStdString();
    request.proposedName = "k7400r.mdb";
    // Tests are added to a database chosen, never written over it.
    request.confirmOverwrite = false;
    const std::string path = prompter_.saveFile(request);
    if (!path.empty())
        txtTarget->setText(QString::fromStdString(path));
}

void copyTestsToDatabase(QWidget &window, Database &source, Prompter &prompter,
                         const std::function<int(QDialog &)> &runDialog)
{
    QString target;
    {
        frmCopyDatabase dialog(prompter, &window);
        if (runDialog(dialog) != QDialog::Accepted || dialog.target().isEmpty())
            return;
        target = dialog.target();
    }
    constexpr int kSteps = 1000;
    QProgressDialog progress(QStringLiteral("Copying ..."), QStringLiteral("&Stop"), 0, kSteps,
                             &window);
    progress.setWindowTitle(QString::fromLatin1(frmCopyDatabase::kCaption));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    // Over the window's middle: shown from the copy's first step it came up in a corner.
    progress.adjustSize();
    progress.move(window.mapToGlobal(window.rect().center()) - progress.rect().center());
    CopyResult r;
    {
        const BusyCursor busy;
        r = copyDatabaseTo(source, target, [&](const CopyProgress &p) {
            progress.setLabelText(copyProgressText(p));
            // By the points copied, which take the time; by the count where there are none.
            const double part =
                p.pointsTotal > 0 ? static_cast<double>(std::min(p.pointsDone, p.pointsTotal)) /
                                        static_cast<double>(p.pointsTotal)
                                  : static_cast<double>(p.index - 1) / static_cast<double>(p.count);
            progress.setValue(static_cast<int>(part * kSteps));
            // The window stays drawn and Stop answers; the progress dialog holds off the rest.
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    }
    progress.close();
    if (r.ok)
        prompter.message(copySummary(r.copied, target).toStdString(), frmCopyDatabase::kCaption,
                         Buttons::Ok, Icon::Information);
    else if (r.cancelled)
        prompter.message(r.error.toStdString(), frmCopyDatabase::kCaption);
    else
        viscora::show(prompter, dbFailure(r.error));
}

} // namespace viscora
