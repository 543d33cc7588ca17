#include "review/TestListDialogs.h"

#include "core/Module1.h"
#include "core/Prompter.h"
#include "store/TestRepository.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace viscora {

TestNameListDialog::TestNameListDialog(const QString &caption, const QString &label,
                                       TestRepository &repo, Prompter &prompter, QWidget *parent)
    : QDialog(parent), repo_(repo), prompter_(prompter)
{
    setWindowTitle(caption);
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(label, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    DBList1 = new QListWidget(this);
    DBList1->setObjectName(QStringLiteral("DBList1"));
    Label1->setBuddy(DBList1);
    layout->addWidget(Label1);
    layout->addWidget(DBList1);
    auto *buttons = buttonRow = new QHBoxLayout;
    cmdOk = new QPushButton(QStringLiteral("&OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addWidget(cmdOk);
    buttons->addStretch();
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(DBList1, &QListWidget::itemDoubleClicked, this, [this] { cmdOk_Click(); });
    reloadList();
    resize(360, 320);
}

void TestNameListDialog::reloadList()
{
    DBList1->clear();
    const auto names = repo_.testNames();
    if (!names) {
        viscora::show(prompter_, names.failure());
        return;
    }
    DBList1->addItems(*names);
}

QString TestNameListDialog::currentText() const
{
    const auto items = DBList1->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

OpenTest::OpenTest(Module1 &m, TestRepository &repo, Prompter &prompter, QWidget *parent)
    : TestNameListDialog(QStringLiteral("Open Saved Test"),
                         QStringLiteral("Please select saved test name:"), repo, prompter, parent),
      m_(m)
{
    cmdDelete = new QPushButton(QStringLiteral("&Delete"), this);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    buttonRow->insertWidget(1, cmdDelete);
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
    // The focus frame lands on the first test; selected too, Enter opens it.
    if (DBList1->count() > 0)
        DBList1->setCurrentRow(0);
}

void OpenTest::cmdOk_Click()
{
    const QString name = currentText();
    if (name.isEmpty()) {
        prompter_.message("No test was selected!", "No Selection Error.");
        return;
    }
    m_.CurrentTestName = name.toStdString();
    accept();
}

std::string deleteTestQuestion(const QString &name, std::size_t points)
{
    return "Delete test \"" + name.toStdString() + "\" and its " + std::to_string(points) +
           (points == 1 ? " data point" : " data points") + "? This cannot be undone.";
}

void OpenTest::cmdDelete_Click()
{
    const QString name = currentText();
    if (name.isEmpty())
        return;
    // A single click must not lose a test (the selection then moves on to the next one).
    const auto points = repo_.pointCount(name);
    if (!points) {
        viscora::show(prompter_, points.failure());
        return;
    }
    if (prompter_.message(deleteTestQuestion(name, *points), "Delete Confirmation.",
                          Buttons::YesNoDefaultNo, Icon::Exclamation) != Answer::Yes)
        return;
    const DbResult r = repo_.deleteTest(name);
    if (!r) {
        prompter_.message("The test could not be deleted: " + r.error.toStdString(),
                          kDatabaseErrorTitle);
    } else {
        // The main window must not go on showing a test that is gone.
        if (m_.CurrentTestName == name.toStdString())
            m_.CurrentTestName.clear();
        if (m_.OverlapTestName == name.toStdString())
            m_.OverlapTestName.clear();
    }
    reloadList();
    if (DBList1->count() > 0)
        DBList1->setCurrentRow(0);
}

frmOverlapTestName::frmOverlapTestName(Module1 &m, TestRepository &repo, Prompter &prompter,
                                       QWidget *parent)
    : TestNameListDialog(QStringLiteral("Overlap Test Selection"),
                         QStringLiteral("Please select test to compare:"), repo, prompter, parent),
      m_(m)
{}

void frmOverlapTestName::cmdOk_Click()
{
    const QString name = currentText();
    if (name.isEmpty()) {
        prompter_.message("No test was selected!", "No Selection Error.");
        return;
    }
    m_.OverlapTestName = name.toStdString();
    if (m_.OverlapTestName == m_.CurrentTestName) {
        prompter_.message("Test can not overlap itself!", "Selection Error.");
        return;
    }
    accept();
}

} // namespace viscora
