#include "compare/frmCompare.h"

#include "core/ChartTypes.h"
#include "core/Prompter.h"
#include "rheology/Tables.h"
#include "ui/ChartView.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace viscora {

const char *const frmCompare::kTitle = "Compare Tests";

frmCompare::frmCompare(CompareWindowDeps deps, QWidget *parent)
    : QDialog(parent), deps_(std::move(deps))
{
    setWindowTitle(QString::fromLatin1(kTitle));
    auto *top = new QHBoxLayout(this);

    auto *pick = new QVBoxLayout;
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setPlaceholderText(QStringLiteral("Search tests"));
    txtSearch->setClearButtonEnabled(true);
    lstTests = new QListWidget(this);
    lstTests->setObjectName(QStringLiteral("lstTests"));
    lstTests->setSelectionMode(QAbstractItemView::ExtendedSelection);
    cmdAdd = new QPushButton(QStringLiteral("&Add"), this);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    lstCompared = new QListWidget(this);
    lstCompared->setObjectName(QStringLiteral("lstCompared"));
    lstCompared->setSelectionMode(QAbstractItemView::ExtendedSelection);
    cmdRemove = new QPushButton(QStringLiteral("&Remove"), this);
    cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
    auto *testsLabel = new QLabel(QStringLiteral("Saved &tests:"), this);
    testsLabel->setBuddy(lstTests);
    auto *comparedLabel = new QLabel(QStringLiteral("Co&mpared:"), this);
    comparedLabel->setBuddy(lstCompared);
    pick->addWidget(txtSearch);
    pick->addWidget(testsLabel);
    pick->addWidget(lstTests, 2);
    pick->addWidget(cmdAdd);
    pick->addWidget(comparedLabel);
    pick->addWidget(lstCompared, 1);
    pick->addWidget(cmdRemove);
    for (QWidget *w : {static_cast<QWidget *>(txtSearch), static_cast<QWidget *>(lstTests),
                       static_cast<QWidget *>(lstCompared)})
        w->setMaximumWidth(240);
    top->addLayout(pick, 0);

    auto *right = new QVBoxLayout;
    auto *choices = new QHBoxLayout;
    cmbChartType = new QComboBox(this);
    cmbChartType->setObjectName(QStringLiteral("cmbChartType"));
    for (int t = 0; t < kChartTypeCount; ++t)
        cmbChartType->addItem(QString::fromLatin1(chartType(t).listText));
    cmbAlign = new QComboBox(this);
    cmbAlign->setObjectName(QStringLiteral("cmbAlign"));
    for (const char *name : kAlignmentNames)
        cmbAlign->addItem(QString::fromLatin1(name));
    cmbAlign->setToolTip(QStringLiteral("How the time charts line the tests up"));
    auto *typeLabel = new QLabel(QStringLiteral("C&hart:"), this);
    typeLabel->setBuddy(cmbChartType);
    auto *alignLabel = new QLabel(QStringLiteral("A&lign:"), this);
    alignLabel->setBuddy(cmbAlign);
    choices->addWidget(typeLabel);
    choices->addWidget(cmbChartType, 1);
    choices->addWidget(alignLabel);
    choices->addWidget(cmbAlign);
    right->addLayout(choices);

    auto *split = new QSplitter(Qt::Horizontal, this);
    Pesgo1 = new ChartView(split);
    Pesgo1->setObjectName(QStringLiteral("Pesgo1"));
    Pesgo1->setMinimumSize(380, 300);
    grdRheology = new QTableWidget(split);
    grdRheology->setObjectName(QStringLiteral("grdRheology"));
    grdRheology->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdRheology->verticalHeader()->setDefaultSectionSize(grdRheology->fontMetrics().height() + 6);
    split->addWidget(Pesgo1);
    split->addWidget(grdRheology);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setSizes({540, 360});
    right->addWidget(split, 1);

    auto *buttons = new QHBoxLayout;
    cmdCopy = new QPushButton(QStringLiteral("&Copy"), this);
    cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
    cmdCopy->setToolTip(QStringLiteral("Copy the rheology table as tab-separated text"));
    cmdSaveChart = new QPushButton(QStringLiteral("&Save Chart..."), this);
    cmdSaveChart->setObjectName(QStringLiteral("cmdSaveChart"));
    cmdPrint = new QPushButton(QStringLiteral("&Print"), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdClose = new QPushButton(QStringLiteral("Cl&ose"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    buttons->addStretch();
    for (QPushButton *b : {cmdCopy, cmdSaveChart, cmdPrint, cmdClose}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    right->addLayout(buttons);
    top->addLayout(right, 3);

    connect(txtSearch, &QLineEdit::textChanged, this, [this] { txtSearch_Change(); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(lstTests, &QListWidget::itemDoubleClicked, this, [this] { cmdAdd_Click(); });
    connect(cmdRemove, &QPushButton::clicked, this, [this] { cmdRemove_Click(); });
    connect(cmbChartType, &QComboBox::currentIndexChanged, this, [this] { redraw(); });
    connect(cmbAlign, &QComboBox::currentIndexChanged, this, [this] { redraw(); });
    connect(cmdCopy, &QPushButton::clicked, this, [this] { cmdCopy_Click(); });
    connect(cmdSaveChart, &QPushButton::clicked, this, [this] { cmdSaveChart_Click(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    const auto names = deps_.repo.testNames();
    if (names)
        names_ = *names;
    else
        viscora::show(deps_.prompter, names.failure());
    txtSearch_Change();
    resize(1100, 720);
    redraw();
}

void frmCompare::txtSearch_Change()
{
    lstTests->clear();
    for (const QString &name : names_)
        if (name.contains(txtSearch->text().trimmed(), Qt::CaseInsensitive))
            lstTests->addItem(name);
}

bool frmCompare::cmdAdd_Click()
{
    bool ok = true;
    for (const QListWidgetItem *item : lstTests->selectedItems()) {
        const std::string name = item->text().toStdString();
        if (std::any_of(tests_.begin(), tests_.end(),
                        [&](const ComparedTest &t) { return t.name == name; }))
            continue;
        auto read = readCompared(deps_.repo, name, deps_.units, deps_.rotorBob);
        if (!read) {
            viscora::show(deps_.prompter, read.failure());
            ok = false;
            continue;
        }
        tests_.push_back(std::move(*read));
        lstCompared->addItem(item->text());
    }
    redraw();
    return ok;
}

void frmCompare::cmdRemove_Click()
{
    for (QListWidgetItem *item : lstCompared->selectedItems()) {
        const std::string name = item->text().toStdString();
        std::erase_if(tests_, [&](const ComparedTest &t) { return t.name == name; });
        delete item;
    }
    redraw();
}

void frmCompare::redraw()
{
    drawComparison(chart_, std::max(0, cmbChartType->currentIndex()),
                   static_cast<Alignment>(std::max(0, cmbAlign->currentIndex())),
                   deps_.units == Units::SI, tests_);
    Pesgo1->redraw(chart_);
    fillTable();
}

void frmCompare::fillTable()
{
    const Comparison c = compareTests(tests_, deps_.units);
    grdRheology->clear();
    grdRheology->setColumnCount(static_cast<int>(c.tests.size()));
    grdRheology->setRowCount(static_cast<int>(c.rows.size()) + 1);
    QStringList columns, rows;
    for (const std::string &t : c.tests)
        columns << QString::fromStdString(t);
    for (const ComparisonRow &r : c.rows)
        rows << QString::fromStdString(r.label);
    rows << QStringLiteral("Recommended model");
    grdRheology->setHorizontalHeaderLabels(columns);
    grdRheology->setVerticalHeaderLabels(rows);
    for (std::size_t i = 0; i < c.tests.size(); ++i) {
        const int column = static_cast<int>(i);
        for (std::size_t r = 0; r < c.rows.size(); ++r) {
            const auto &v = c.rows[r].values[i];
            auto *cell = new QTableWidgetItem(
                v ? QString::fromStdString(rheology::displayNumber(*v)) : QStringLiteral("-"));
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grdRheology->setItem(static_cast<int>(r), column, cell);
        }
        grdRheology->setItem(static_cast<int>(c.rows.size()), column,
                             new QTableWidgetItem(QString::fromStdString(c.recommended[i])));
    }
    grdRheology->resizeColumnsToContents();
}

void frmCompare::cmdCopy_Click()
{
    QApplication::clipboard()->setText(
        QString::fromStdString(comparisonText(compareTests(tests_, deps_.units))));
}

void frmCompare::cmdSaveChart_Click()
{
    FileDialogRequest request;
    request.title = "Save Chart";
    request.filter = "PNG image (*.png)|*.png";
    request.proposedName = "comparison.png";
    const std::string path = deps_.prompter.saveFile(request);
    if (path.empty())
        return;
    if (!Pesgo1->grab().save(QString::fromStdString(path), "PNG"))
        deps_.prompter.message("The chart could not be saved as " + path + ".", kTitle);
}

void frmCompare::cmdPrint_Click()
{
    if (deps_.printWidget)
        deps_.printWidget(*this);
}

} // namespace viscora
