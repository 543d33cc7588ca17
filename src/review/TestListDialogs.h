#pragma once
// The two dialogs that pick a saved test by name: OpenTest (with Delete) and
// frmOverlapTestName.

#include <QDialog>

#include <string>

class QHBoxLayout;
class QLabel;
class QListWidget;
class QPushButton;

namespace viscora {

struct Module1;
class Prompter;
class TestRepository;

class TestNameListDialog : public QDialog {
    Q_OBJECT
public:
    TestNameListDialog(const QString &caption, const QString &label, TestRepository &repo,
                       Prompter &prompter, QWidget *parent);
    QListWidget *DBList1;
    QPushButton *cmdOk;
    QPushButton *cmdCancel;
    QLabel *Label1;
    // The list's current text: the selected name, empty when none is selected.
    QString currentText() const;
    void reloadList();

protected:
    virtual void cmdOk_Click() = 0;
    void cmdCancel_Click() { reject(); }
    TestRepository &repo_;
    Prompter &prompter_;
    QHBoxLayout *buttonRow;
};

// "Delete test "NAME" and its N data points? This cannot be undone."
std::string deleteTestQuestion(const QString &name, std::size_t points);

class OpenTest : public TestNameListDialog {
    Q_OBJECT
public:
    OpenTest(Module1 &m, TestRepository &repo, Prompter &prompter, QWidget *parent = nullptr);
    QPushButton *cmdDelete;
    void cmdDelete_Click();

protected:
    void cmdOk_Click() override;

private:
    Module1 &m_;
};

class frmOverlapTestName : public TestNameListDialog {
    Q_OBJECT
public:
    frmOverlapTestName(Module1 &m, TestRepository &repo, Prompter &prompter,
                       QWidget *parent = nullptr);

protected:
    void cmdOk_Click() override;

private:
    Module1 &m_;
};

} // namespace viscora
