#pragma once
// The Compare Tests window: any number of saved tests picked from the list (with a search),
// overlaid on any chart type with a legend and a colour each, aligned by test time, by step or
// by temperature, beside a table of their rheology side by side.

#include "compare/Comparison.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace viscora {

class ChartView;
class Prompter;

struct CompareWindowDeps {
    const TestRepository &repo;
    Prompter &prompter;
    Units units;
    RotorBobSetting rotorBob;
    // Prints a widget (the print dialog in the program, a file in tests).
    std::function<void(QWidget &)> printWidget;
};

class frmCompare : public QDialog {
    Q_OBJECT
public:
    explicit frmCompare(CompareWindowDeps deps, QWidget *parent = nullptr);

    static const char *const kTitle; // "Compare Tests"

    // The list shows the saved tests whose names hold the text (any letter case).
    void txtSearch_Change();
    // Adds the tests selected in the list (each once); false when one could not be read.
    bool cmdAdd_Click();
    // Takes the tests selected among the compared ones away.
    void cmdRemove_Click();
    void redraw();
    // The table as tab-separated text on the clipboard.
    void cmdCopy_Click();
    // The chart as a PNG file, chosen with the save dialog.
    void cmdSaveChart_Click();
    void cmdPrint_Click();

    const std::vector<ComparedTest> &compared() const { return tests_; }
    const ChartModel &chart() const { return chart_; }

    QLineEdit *txtSearch;
    QListWidget *lstTests, *lstCompared;
    QComboBox *cmbChartType, *cmbAlign;
    ChartView *Pesgo1;
    QTableWidget *grdRheology;
    QPushButton *cmdAdd, *cmdRemove, *cmdCopy, *cmdSaveChart, *cmdPrint, *cmdClose;

private:
    void fillTable();

    CompareWindowDeps deps_;
    QStringList names_;
    std::vector<ComparedTest> tests_;
    ChartModel chart_;
};

} // namespace viscora
