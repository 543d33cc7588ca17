#pragma once
// The setup window: sequences and their steps, port, rotor-bob, units and curve style.

#include "core/ChartModel.h"
#include "core/Module1.h"
#include "core/Clock.h"
#include "ui/ProportionalLayout.h"
#include "ui/QtPrompter.h"
#include "setup/SequenceOperations.h"
#include "device/SerialPort.h"
#include "core/TextPrinter.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableView;
class QToolBar;

namespace viscora {

struct Module1;
class Database;
class Prompter;
class SetupGridModel;

struct SetupWindowDeps {
    Module1 &m;
    Database &db;
    Prompter &prompter;
    Clock &clock;
    std::function<std::unique_ptr<SerialPort>()> makePort;
    std::function<std::unique_ptr<TextPrinter>()> makePrinter;
    // The curve style of the main window's chart.
    std::function<void(PlottingMethod)> setPlottingMethod;
    // Shows the main window again, in the given state (Return hands over its own; None
    // leaves the main window's as it was).
    std::function<void(WindowState)> showMain;
    // Help and about, over the given window.
    std::function<void(QWidget &)> showHelp;
    std::function<void(QWidget &)> showAbout;
    std::function<int(QDialog &)> runDialog;
    // This window's own Prompter; without one it uses `prompter`.
    PrompterFactory makePrompter;
};

class frmSetup : public QMainWindow {
    Q_OBJECT
public:
    explicit frmSetup(SetupWindowDeps deps, QWidget *parent = nullptr);
    ~frmSetup() override;

    void Form_Load();
    void DBList1_Click();
    void selectSequence(const QString &name);
    void setUnit(int unitSystem);
    void cmbRbselect_Click(int position);
    void cmbComm_Click(int position);
    void curveStyle_Click(PlottingMethod method);
    void cmdNew_Click();
    void cmdSaveAs_Click();
    void cmdDelete_Click();
    void MenuFileDelete_Click();
    void cmdEditStep_Click();
    void cmdInsertStep_Click();
    void cmdDeleteStep_Click();
    void cmdCopyPaste_Click();
    void cmdPrint_Click();
    void cmdSend_Click();
    void cmdReturn_Click();
    void Toolbar1_ButtonClick(const QString &key);

    // The step grid's current row, 1-based; 0 when there are no steps.
    int currentRow() const;
    void setCurrentRow(int row);
    QString currentSequence() const;
    SetupGridModel &grid() { return *grid_; }
    ProportionalLayout &layoutFractions() { return layout_; }

    QListWidget *DBList1;
    QTableView *MSFlexGrid1;
    QComboBox *cmbRbselect, *cmbComm;
    QLabel *Label3, *lblRotorBob, *Label2;
    QGroupBox *Frame1, *Frame2;
    QRadioButton *Option1, *Option2, *radBfc, *radBfl, *radSpline, *radLinear;
    QPushButton *cmdNew, *cmdSaveAs, *cmdDelete, *cmdEditStep, *cmdInsertStep, *cmdDeleteStep,
        *cmdCopyPaste, *cmdPrint, *cmdSend, *cmdReturn;
    QProgressBar *ProgressBar1;
    QLabel *statusPanel, *timePanel;
    QToolBar *Toolbar1;
    QAction *MenuFilenew, *MenuFilesaveas, *MenuFileDelete, *MenuReturn, *MenuUnitEI, *MenuUnitSI,
        *MenuAddStep, *MenuDeleteStep, *MenuSend, *MenuHelpContent, *MenuHelpAbout;

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    void setCopyPasteEnabled(bool enabled);
    void buildMenus();
    void buildToolbar();
    void buildControls();
    void refreshGrid();
    // False when the list could not be read (the failure is shown).
    bool reloadList(const QString &select);
    // Selects the first sequence in table order, or nothing when there is none.
    void selectFirstSequence();
    void setDeleteEnabled(bool on);

    Prompter &prompter() { return prompter_; }

    SetupWindowDeps deps_;
    WindowPrompter prompter_;
    SequenceRepository repo_;
    SequenceOperations ops_;
    std::unique_ptr<SetupGridModel> grid_;
    std::unique_ptr<SerialPort> MSComm1;
    ProportionalLayout layout_;
    QWidget *central_;
    bool loaded_ = false;
    // A mouse press that changed the chosen sequence has shown it; its click need not again.
    bool pressChangedRow_ = false;
};

} // namespace viscora
