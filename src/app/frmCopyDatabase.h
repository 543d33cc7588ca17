#pragma once
// Tools > Copy Tests To Database: where to copy every test and sequence of the window's
// database, a file chosen through the save dialog or a server's connection string typed in.

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace viscora {

class Database;
class Prompter;

class frmCopyDatabase : public QDialog {
    Q_OBJECT
public:
    explicit frmCopyDatabase(Prompter &prompter, QWidget *parent = nullptr);

    // The location typed or chosen, without surrounding blanks.
    QString target() const;
    void cmdFile_Click();

    QLabel *Label1;
    QLineEdit *txtTarget;
    QPushButton *cmdFile, *cmdOk, *cmdCancel;

    static const char *const kCaption; // "Copy Tests To Database"

private:
    Prompter &prompter_;
};

// Asks for the target (runDialog runs the dialog), copies with a progress dialog that can stop
// it, and shows the counts read back from the target, or why nothing was copied.
void copyTestsToDatabase(QWidget &window, Database &source, Prompter &prompter,
                         const std::function<int(QDialog &)> &runDialog);

} // namespace viscora
