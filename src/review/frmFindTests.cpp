#include "review/frmFindTests.h"

#include "core/Module1.h"
#include "core/Prompter.h"
#include "store/TestRepository.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace viscora {

void CatalogModel::setEntries(std::vector<CatalogEntry> entries)
{
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
    if (sortColumn_ >= 0)
        sort(sortColumn_, sortOrder_);
}

int CatalogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int CatalogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kCatalogColumns;
}

QVariant CatalogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const CatalogEntry &e = entries_[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<CatalogColumn>(index.column());
    if (role == Qt::DisplayRole)
        return catalogText(e, column, now_());
    if (role == Qt::TextAlignmentRole &&
        (column == CatalogColumn::Points || column == CatalogColumn::Duration))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::FontRole && e.live) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    return {};
}

QVariant CatalogModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kCatalogColumns)
        return {};
    return QString::fromLatin1(catalogHeadings()[static_cast<std::size_t>(section)]);
}

void CatalogModel::sort(int column, Qt::SortOrder order)
{
    sortColumn_ = column;
    sortOrder_ = order;
    const double now = now_();
    const auto c = static_cast<CatalogColumn>(column);
    // Times and counts by their values, the unknown ones last either way; texts ignoring
    // letter case.
    auto value = [&](const CatalogEntry &e) -> std::optional<double> {
        switch (c) {
        case CatalogColumn::Start:
            return e.startedAt;
        case CatalogColumn::Duration:
            return catalogDuration(e, now);
        default:
            return static_cast<double>(e.points);
        }
    };
    const bool numeric =
        c == CatalogColumn::Start || c == CatalogColumn::Duration || c == CatalogColumn::Points;
    auto less = [&](const CatalogEntry &a, const CatalogEntry &b) {
        if (numeric)
            return *value(a) < *value(b);
        return catalogText(a, c, now).compare(catalogText(b, c, now), Qt::CaseInsensitive) < 0;
    };
    auto ordered = [&](const CatalogEntry &a, const CatalogEntry &b) {
        const bool knownA = !numeric || value(a), knownB = !numeric || value(b);
        if (knownA != knownB)
            return knownA;
        if (!knownA)
            return false;
        return order == Qt::AscendingOrder ? less(a, b) : less(b, a);
    };
    emit layoutAboutToBeChanged();
    std::stable_sort(entries_.begin(), entries_.end(), ordered);
    emit layoutChanged();
}

void CatalogModel::tick()
{
    for (int r = 0; r < rowCount(); ++r)
        if (entries_[static_cast<std::size_t>(r)].live) {
            const QModelIndex at = index(r, static_cast<int>(CatalogColumn::Duration));
            emit dataChanged(at, at, {Qt::DisplayRole});
        }
}

std::string deleteTestsQuestion(std::size_t tests, long long points)
{
    return "Delete " + std::to_string(tests) + (tests == 1 ? " test" : " tests") + " and their " +
           std::to_string(points) + (points == 1 ? " data point" : " data points") +
           "? This cannot be undone.";
}

namespace {
// Enter opens the test under the focus, as a double click does.
class ResultView : public QTableView {
public:
    using QTableView::QTableView;
    std::function<void()> onEnter;

protected:
    void keyPressEvent(QKeyEvent *e) override
    {
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && onEnter) {
            onEnter();
            return;
        }
        QTableView::keyPressEvent(e);
    }
};

QPushButton *button(QWidget *parent, const char *text, const char *name)
{
    auto *b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}
} // namespace

frmFindTests::frmFindTests(FindTestsDeps deps, QWidget *parent)
    : QDialog(parent), deps_(std::move(deps))
{
    setWindowTitle(QStringLiteral("Find Tests"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *filters = new QGridLayout;
    auto label = [this](const char *text, QWidget *buddy) {
        auto *l = new QLabel(QString::fromUtf8(text), this);
        l->setBuddy(buddy);
        return l;
    };
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setPlaceholderText(QStringLiteral("Any text of the list"));
    txtSearch->setClearButtonEnabled(true);
    txtSince = new QLineEdit(this);
    txtSince->setObjectName(QStringLiteral("txtSince"));
    txtSince->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
    txtUntil = new QLineEdit(this);
    txtUntil->setObjectName(QStringLiteral("txtUntil"));
    txtUntil->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
    cmbInstrument = new QComboBox(this);
    cmbInstrument->setObjectName(QStringLiteral("cmbInstrument"));
    chkLive = new QCheckBox(QStringLiteral("Being &recorded now"), this);
    chkLive->setObjectName(QStringLiteral("chkLive"));
    filters->addWidget(label("&Search:", txtSearch), 0, 0);
    filters->addWidget(txtSearch, 0, 1, 1, 3);
    filters->addWidget(label("Started &from:", txtSince), 1, 0);
    filters->addWidget(txtSince, 1, 1);
    filters->addWidget(label("&until:", txtUntil), 1, 2);
    filters->addWidget(txtUntil, 1, 3);
    filters->addWidget(label("&Instrument:", cmbInstrument), 2, 0);
    filters->addWidget(cmbInstrument, 2, 1, 1, 2);
    filters->addWidget(chkLive, 2, 3);
    layout->addLayout(filters);

    model = new CatalogModel(deps_.now, this);
    auto *view = new ResultView(this);
    MSFlexGrid1 = view;
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setModel(model);
    MSFlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->setSortingEnabled(true);
    MSFlexGrid1->sortByColumn(static_cast<int>(CatalogColumn::Start), Qt::DescendingOrder);
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->horizontalHeader()->setStretchLastSection(true);
    view->onEnter = [this] { cmdOpen_Click(); };
    layout->addWidget(MSFlexGrid1, 1);
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    layout->addWidget(lblCount);

    auto *buttons = new QHBoxLayout;
    cmdOpen = button(this, "&Open", "cmdOpen");
    cmdRename = button(this, "Re&name...", "cmdRename");
    cmdExport = button(this, "&Export...", "cmdExport");
    cmdDelete = button(this, "&Delete", "cmdDelete");
    cmdClose = button(this, "&Close", "cmdClose");
    cmdExport->setEnabled(static_cast<bool>(deps_.exportTests));
    for (QPushButton *b : {cmdOpen, cmdRename, cmdExport, cmdDelete})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    layout->addLayout(buttons);

    connect(txtSearch, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(txtSince, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(txtUntil, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(cmbInstrument, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
    connect(chkLive, &QCheckBox::toggled, this, [this] { applyFilter(); });
    connect(MSFlexGrid1, &QTableView::doubleClicked, this, [this] { cmdOpen_Click(); });
    // Typing and Enter opens the test found first.
    connect(txtSearch, &QLineEdit::returnPressed, this, [this] { cmdOpen_Click(); });
    connect(cmdOpen, &QPushButton::clicked, this, [this] { cmdOpen_Click(); });
    connect(cmdRename, &QPushButton::clicked, this, [this] { cmdRename_Click(); });
    connect(cmdExport, &QPushButton::clicked, this, [this] { cmdExport_Click(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, model, &CatalogModel::tick);
    Timer1->start();
    resize(900, 520);
    reload();
    txtSearch->setFocus();
}

void frmFindTests::reload()
{
    const auto read = readCatalog(deps_.db);
    if (!read) {
        viscora::show(deps_.prompter, read.failure());
        all_.clear();
    } else {
        all_ = *read;
    }
    // The instruments the tests were run on, the one chosen kept.
    const QString chosen =
        cmbInstrument->currentIndex() > 0 ? cmbInstrument->currentText() : QString();
    QStringList instruments;
    QSet<QString> seen;
    for (const CatalogEntry &e : all_)
        if (!e.instrument.isEmpty() && !seen.contains(e.instrument)) {
            seen.insert(e.instrument);
            instruments << e.instrument;
        }
    instruments.sort(Qt::CaseInsensitive);
    {
        const QSignalBlocker quiet(cmbInstrument);
        cmbInstrument->clear();
        cmbInstrument->addItem(QStringLiteral("Any instrument"));
        cmbInstrument->addItems(instruments);
        cmbInstrument->setCurrentIndex(
            std::max(0, static_cast<int>(cmbInstrument->findText(chosen))));
    }
    applyFilter();
}

void frmFindTests::applyFilter()
{
    CatalogFilter f;
    f.match = txtSearch->text();
    f.since = filterDate(txtSince->text(), false);
    f.until = filterDate(txtUntil->text(), true);
    f.instrument = cmbInstrument->currentIndex() > 0 ? cmbInstrument->currentText() : QString();
    f.liveOnly = chkLive->isChecked();
    model->setEntries(filtered(all_, f, deps_.now()));
    lblCount->setText(QStringLiteral("%1 of %2 tests").arg(model->rowCount()).arg(all_.size()));
    if (model->rowCount() > 0 && !MSFlexGrid1->selectionModel()->hasSelection())
        MSFlexGrid1->selectRow(0);
}

QStringList frmFindTests::selectedNames() const
{
    QList<int> rows;
    for (const QModelIndex &i : MSFlexGrid1->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    QStringList names;
    for (int r : rows)
        names << model->entries()[static_cast<std::size_t>(r)].name;
    return names;
}

void frmFindTests::cmdOpen_Click()
{
    const QModelIndex current = MSFlexGrid1->currentIndex();
    if (!current.isValid()) {
        deps_.prompter.message("No test was selected!", "No Selection Error.");
        return;
    }
    deps_.m.CurrentTestName =
        model->entries()[static_cast<std::size_t>(current.row())].name.toStdString();
    accept();
}

void frmFindTests::cmdRename_Click()
{
    const QStringList names = selectedNames();
    if (names.size() != 1) {
        deps_.prompter.message("Select one test to rename.", "Rename Test");
        return;
    }
    const auto typed = deps_.prompter.input(
        "New name of the test \"" + names.first().toStdString() + "\":", "Rename Test",
        names.first().toStdString());
    if (!typed)
        return;
    const auto renamed =
        renameTest(deps_.db, names.first(), QString::fromStdString(*typed), deps_.now());
    if (!renamed) {
        viscora::show(deps_.prompter, renamed.failure());
        return;
    }
    // The main window goes on showing the same test under its new name.
    for (std::string *shown : {&deps_.m.CurrentTestName, &deps_.m.OverlapTestName})
        if (*shown == names.first().toStdString())
            *shown = renamed->toStdString();
    reload();
}

void frmFindTests::cmdExport_Click()
{
    const QStringList names = selectedNames();
    if (names.isEmpty()) {
        deps_.prompter.message("No test was selected!", "No Selection Error.");
        return;
    }
    deps_.exportTests(names);
}

void frmFindTests::cmdDelete_Click()
{
    const QStringList names = selectedNames();
    if (names.isEmpty())
        return;
    long long points = 0;
    for (const CatalogEntry &e : model->entries())
        if (names.contains(e.name))
            points += e.points;
    if (deps_.prompter.message(deleteTestsQuestion(static_cast<std::size_t>(names.size()), points),
                               "Delete Confirmation.", Buttons::YesNoDefaultNo,
                               Icon::Exclamation) != Answer::Yes)
        return;
    const DbResult r = deleteTests(deps_.db, names);
    if (!r)
        deps_.prompter.message("The tests could not be deleted: " + r.error.toStdString(),
                               kDatabaseErrorTitle);
    else
        for (std::string *shown : {&deps_.m.CurrentTestName, &deps_.m.OverlapTestName})
            if (names.contains(QString::fromStdString(*shown)))
                shown->clear();
    reload();
}

} // namespace viscora
