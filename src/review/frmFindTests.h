#pragma once
// Find Tests: every test with what is known of it, sortable by any column, searched as the
// operator types and filtered by dates and instrument; tests being recorded are marked live
// with their elapsed time. A test opens as Open Saved Test opens it; several can be
// exported into one workbook or deleted at once, and one renamed.

#include "store/TestCatalog.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace viscora {

struct Module1;
class Prompter;

class CatalogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CatalogModel(std::function<double()> now, QObject *parent = nullptr)
        : QAbstractTableModel(parent), now_(std::move(now))
    {}
    void setEntries(std::vector<CatalogEntry> entries);
    const std::vector<CatalogEntry> &entries() const { return entries_; }
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    void sort(int column, Qt::SortOrder order) override;
    // The live tests' elapsed time moved on.
    void tick();

private:
    std::function<double()> now_;
    std::vector<CatalogEntry> entries_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

struct FindTestsDeps {
    Module1 &m;
    Database &db;
    Prompter &prompter;
    // UTC seconds since the epoch.
    std::function<double()> now;
    // Writes the named tests into one workbook (the window asks for nothing more).
    std::function<void(const QStringList &names)> exportTests;
};

class frmFindTests : public QDialog {
    Q_OBJECT
public:
    explicit frmFindTests(FindTestsDeps deps, QWidget *parent = nullptr);

    QLineEdit *txtSearch;
    QLineEdit *txtSince;
    QLineEdit *txtUntil;
    QComboBox *cmbInstrument;
    QCheckBox *chkLive;
    QTableView *MSFlexGrid1;
    QLabel *lblCount;
    QPushButton *cmdOpen, *cmdRename, *cmdExport, *cmdDelete, *cmdClose;
    CatalogModel *model;

    // Reads every test again from the database.
    void reload();
    // Shows those of the tests read that the search and filters keep.
    void applyFilter();
    // The selected tests' names, in the list's order.
    QStringList selectedNames() const;

    void cmdOpen_Click();
    void cmdRename_Click();
    void cmdExport_Click();
    void cmdDelete_Click();

private:
    FindTestsDeps deps_;
    std::vector<CatalogEntry> all_;
    QTimer *Timer1;
};

// "Delete 3 tests and their 1234 data points? This cannot be undone."
std::string deleteTestsQuestion(std::size_t tests, long long points);

} // namespace viscora
