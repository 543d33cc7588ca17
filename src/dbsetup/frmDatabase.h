#pragma once
// Database: whether the window opens the k7400r.mdb file or a PostgreSQL server the lab
// shares, remembered for this user and used from the next start (the open windows keep the
// database they have).

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace viscora {

class DatabaseChoice;
class Prompter;

struct DatabaseDialogDeps {
    Prompter &prompter;
    const DatabaseChoice &choice;
    // The location of the database open now; empty at start, when none is.
    QString inUse;
};

class frmDatabase : public QDialog {
    Q_OBJECT
public:
    explicit frmDatabase(DatabaseDialogDeps deps, QWidget *parent = nullptr);

    // Opens the typed server's database once (its tables made when it is empty) and says
    // how many tests it holds, or why it cannot be used.
    void cmdConnect_Click();
    void cmdOk_Click();

    QRadioButton *optFile, *optServer;
    QLineEdit *txtServer;
    QLabel *lblInUse, *lblPassword;
    QPushButton *cmdConnect, *cmdOk, *cmdCancel;

    static constexpr const char *kTitle = "Database";

private:
    void enableServer();
    DatabaseDialogDeps deps_;
    // The location Connect could not use, last time it was pressed.
    QString failedConnect_;
};

} // namespace viscora
