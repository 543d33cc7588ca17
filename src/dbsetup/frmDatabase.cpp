#include "dbsetup/frmDatabase.h"

#include "core/Prompter.h"
#include "dbsetup/DatabaseChoice.h"
#include "store/Database.h"
#include "store/TestRepository.h"
#include "ui/BusyCursor.h"
#include "ui/DialogButtons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace viscora {

frmDatabase::frmDatabase(DatabaseDialogDeps deps, QWidget *parent)
    : QDialog(parent), deps_(std::move(deps))
{
    setObjectName(QStringLiteral("frmDatabase"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setModal(true);
    auto *layout = new QVBoxLayout(this);

    optFile = new QRadioButton(
        QStringLiteral("A &file: k7400r.mdb in the current folder, or the one picked at start"),
        this);
    optFile->setObjectName(QStringLiteral("optFile"));
    layout->addWidget(optFile);
    optServer = new QRadioButton(QStringLiteral("A PostgreSQL &server the lab shares:"), this);
    optServer->setObjectName(QStringLiteral("optServer"));
    layout->addWidget(optServer);

    auto *serverRow = new QHBoxLayout;
    serverRow->addSpacing(24);
    txtServer = new QLineEdit(this);
    txtServer->setObjectName(QStringLiteral("txtServer"));
    txtServer->setPlaceholderText(QStringLiteral("postgresql://user@host:5432/viscora"));
    txtServer->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
    serverRow->addWidget(txtServer, 1);
    cmdConnect = new QPushButton(QStringLiteral("Co&nnect"), this);
    cmdConnect->setObjectName(QStringLiteral("cmdConnect"));
    cmdConnect->setToolTip(
        QStringLiteral("Connect once and count the tests; an empty database gets its tables"));
    serverRow->addWidget(cmdConnect);
    layout->addLayout(serverRow);

    lblPassword = new QLabel(
        QStringLiteral("The password is read from ~/.pgpass or PGPASSWORD, never kept here."),
        this);
    lblPassword->setObjectName(QStringLiteral("lblPassword"));
    lblPassword->setWordWrap(true);
    layout->addWidget(lblPassword);

    const QString shown = isServerLocation(deps_.inUse) ? shownLocation(deps_.inUse) : deps_.inUse;
    lblInUse = new QLabel(QStringLiteral("In use now: %1").arg(shown), this);
    lblInUse->setObjectName(QStringLiteral("lblInUse"));
    lblInUse->setWordWrap(true);
    lblInUse->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblInUse->setVisible(!deps_.inUse.isEmpty());
    layout->addWidget(lblInUse);
    layout->addStretch(1);

    const OkCancel buttons = addOkCancel(this, layout);
    cmdOk = buttons.ok;
    cmdCancel = buttons.cancel;
    connect(cmdOk, &QPushButton::clicked, this, &frmDatabase::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdConnect, &QPushButton::clicked, this, &frmDatabase::cmdConnect_Click);
    connect(optServer, &QRadioButton::toggled, this, &frmDatabase::enableServer);

    // A setting that names no server is shown as it stands, for the operator to put right.
    const auto server = deps_.choice.server();
    const QString remembered = server ? *server : deps_.choice.saved();
    txtServer->setText(remembered);
    (remembered.isEmpty() ? optFile : optServer)->setChecked(true);
    enableServer();
    (remembered.isEmpty() ? static_cast<QWidget *>(optFile) : txtServer)->setFocus();
}

void frmDatabase::enableServer()
{
    txtServer->setEnabled(optServer->isChecked());
    cmdConnect->setEnabled(optServer->isChecked());
    if (optServer->isChecked())
        txtServer->setFocus();
}

void frmDatabase::cmdConnect_Click()
{
    const QString location = txtServer->text().trimmed();
    QString problem =
        isServerLocation(location) ? QString() : QStringLiteral("this is not a server's location");
    int tests = 0;
    if (problem.isEmpty()) {
        const BusyCursor busy;
        auto opened = Database::open(location, Database::OpenMode::CreateIfMissing);
        if (!opened.db) {
            problem = opened.message;
        } else {
            const auto names = TestRepository(*opened.db).testNames();
            if (names)
                tests = static_cast<int>(names->size());
            else
                problem = names.error();
        }
    }
    failedConnect_ = problem.isEmpty() ? QString() : location;
    if (!problem.isEmpty()) {
        deps_.prompter.message(QStringLiteral("Could not use %1: %2")
                                   .arg(shownLocation(location), problem)
                                   .toStdString(),
                               kTitle, Buttons::Ok, Icon::Critical);
        txtServer->setFocus();
        return;
    }
    deps_.prompter.message(QStringLiteral("Connected to %1: %2 %3.")
                               .arg(shownLocation(location))
                               .arg(tests)
                               .arg(tests == 1 ? QStringLiteral("test") : QStringLiteral("tests"))
                               .toStdString(),
                           kTitle, Buttons::Ok, Icon::Information);
}

void frmDatabase::cmdOk_Click()
{
    const QString location = optServer->isChecked() ? txtServer->text().trimmed() : QString();
    if (optServer->isChecked() && location.isEmpty()) {
        deps_.prompter.message("Type the server's location, or choose the file.", kTitle,
                               Buttons::Ok, Icon::Exclamation);
        txtServer->setFocus();
        return;
    }
    // Saved unasked, a server that cannot be reached would be what every start meets first.
    if (optServer->isChecked() && location == failedConnect_ &&
        deps_.prompter.message(QStringLiteral("Connect could not use %1 just now. Save it anyway, "
                                              "for the program to open at every start?")
                                   .arg(shownLocation(location))
                                   .toStdString(),
                               kTitle, Buttons::YesNoDefaultNo, Icon::Question) != Answer::Yes) {
        txtServer->setFocus();
        return;
    }
    const QString problem = deps_.choice.setServer(location);
    if (!problem.isEmpty()) {
        deps_.prompter.message(
            QStringLiteral("The database was not saved: %1.").arg(problem).toStdString(), kTitle,
            Buttons::Ok, Icon::Critical);
        txtServer->setFocus();
        return;
    }
    const bool sameAsNow =
        isServerLocation(deps_.inUse) ? location == deps_.inUse : location.isEmpty();
    // At start, with nothing in use, the choice is opened at once.
    if (!sameAsNow && !deps_.inUse.isEmpty())
        deps_.prompter.message("Saved. The program opens this database when it starts next.",
                               kTitle, Buttons::Ok, Icon::Information);
    accept();
}

} // namespace viscora
