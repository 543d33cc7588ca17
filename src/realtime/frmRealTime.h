#pragma once
// The real-time test window: the sequence's steps, naming, start and stop, the live chart.

#include "realtime/Acquisition.h"
#include "ui/ProportionalLayout.h"
#include "ui/QtPrompter.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QDialog;
class QFrame;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace viscora {

class Database;
class LiveChartView;
class SetupGridModel;

struct RealTimeWindowDeps {
    Module1 &m;
    Database &db;
    Prompter &prompter;
    Clock &clock;
    std::function<std::unique_ptr<SerialPort>()> makePort;
    std::function<void()> showMain;
    // Prints a widget (the print dialog in the program, a file in tests).
    std::function<void(QWidget &)> printWidget;
    std::function<int(QDialog &)> runDialog;
    // This window's own Prompter; without one it uses `prompter`.
    PrompterFactory makePrompter;
};

class frmRealTime : public QMainWindow {
    Q_OBJECT
public:
    explicit frmRealTime(RealTimeWindowDeps deps, QWidget *parent = nullptr);
    ~frmRealTime() override;

    void Form_Load();
    void cmdSaveAs_Click();
    void cmdStart_Click();
    void cmdStop_Click();
    void Timer1_Timer();
    void cmdShowAll_Click();
    // A note on the running test at the time now (or as typed).
    void MenuAddNote_Click();
    void cmdShow3Min_Click();
    void cmdPrintChart_Click();
    // False when refused (a test is running).
    bool cmdReturn_Click();

    Acquisition &acquisition() { return *acquisition_; }
    QTimer *Timer1;
    QLabel *Label1, *lblSequenceName;
    QTableView *MSFlexGrid1;
    LiveChartView *Pesgo1;
    QPushButton *cmdSaveAs, *cmdStart, *cmdStop, *cmdShowAll, *cmdShow3Min, *cmdPrintChart,
        *cmdReturn;
    // The running test at a glance: its step (also selected in the grid), the time left in
    // the step and in the test, the last readings in the units chosen, and a mark while the
    // instrument is lost or rows wait for the database.
    QFrame *framStatus;
    QLabel *lblStep, *lblLeft, *lblStress, *lblViscosity, *lblTemperature, *lblSpeed, *lblMark;
    QLabel *lblStepCaption, *lblLeftCaption, *lblStressCaption, *lblViscosityCaption,
        *lblTemperatureCaption, *lblSpeedCaption;
    QLabel *statusPanel, *elapsedPanel;
    QString testName; // the name given with Save Result As
    // "Add Note..." (Ctrl+N), also on the context menu of the status frame and the step grid.
    QAction *MenuAddNote;

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    void buildControls();
    void showLiveStatus();
    void updateAltKeys();
    bool refuseWhileRunning();

    Prompter &prompter() { return prompter_; }

    RealTimeWindowDeps deps_;
    WindowPrompter prompter_;
    TestRepository repo_;
    std::unique_ptr<SerialPort> MSComm1;
    std::unique_ptr<Acquisition> acquisition_;
    std::unique_ptr<SetupGridModel> grid_;
    ProportionalLayout layout_;
    QWidget *central_;
    bool returning_ = false;
    std::vector<SequenceStep> steps_;
    StoredPoint stored_;     // the run's last stored row
    long long storedAt_ = 0; // records received when it was stored
};

} // namespace viscora
