#pragma once
// "Direct Data Logging": the rotor at one speed, the live chart, and the data file.

#include "directlog/DirectLog.h"
#include "ui/QtPrompter.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace viscora {

class LiveChartView;

struct DirectLogWindowDeps {
    Module1 &m;
    Prompter &prompter;
    Clock &clock;
    std::function<std::unique_ptr<SerialPort>()> makePort;
    std::function<void(QWidget &)> printWidget;
    // This window's own Prompter; without one it uses `prompter`.
    PrompterFactory makePrompter;
};

class frmDirectLog : public QMainWindow {
    Q_OBJECT
public:
    explicit frmDirectLog(DirectLogWindowDeps deps, QWidget *parent = nullptr);
    ~frmDirectLog() override;

    void Form_Load();
    void cmbSpeed_LostFocus();
    void cmbRate_Change();
    void cmdRun_Click();
    void cmdStop_Click();
    void cmdStartRecord_Click();
    void cmdStopRecord_Click();
    void Timer1_Timer();
    void Command1_Click();
    void cmdExit_Click();
    DirectLog &log() { return *log_; }

    QComboBox *cmbSpeed, *cmbRate;
    QLineEdit *txtFileName;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
    QPushButton *cmdRun, *cmdStop, *cmdStartRecord, *cmdStopRecord, *Command1, *cmdExit;
    LiveChartView *Pesgo1;
    QTimer *Timer1;

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;
    // Closing the window releases the port and stops the poll; the instrument is not told.
    void closeEvent(QCloseEvent *e) override;

private:
    void showButtons();
    DirectLogWindowDeps deps_;
    WindowPrompter prompter_;
    std::unique_ptr<SerialPort> MSComm1;
    std::unique_ptr<DirectLog> log_;
};

} // namespace viscora
