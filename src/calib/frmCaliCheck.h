#pragma once
// "Auto Calibration Check": the calibration fluid's viscosity in, the errors out.

#include "calib/CalibrationCheck.h"
#include "ui/QtPrompter.h"

#include <QDialog>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace viscora {

struct CalibrationWindowDeps {
    Module1 &m;
    Prompter &prompter;
    Clock &clock;
    std::function<std::unique_ptr<SerialPort>()> makePort;
    // Writes the result grid to a workbook the operator chooses; empty when not offered.
    std::function<void(const std::string &viscosity, const std::array<CalibrationRow, 5> &)>
        exportResult;
    // This window's own Prompter; without one it uses `prompter`.
    PrompterFactory makePrompter;
};

class frmCaliCheck : public QDialog {
    Q_OBJECT
public:
    explicit frmCaliCheck(CalibrationWindowDeps deps, QWidget *parent = nullptr);
    ~frmCaliCheck() override;

    void cmdStart_Click();
    void Timer1_Timer();
    void cmdReturn_Click();
    void cmdExport_Click();
    CalibrationCheck &check() { return *check_; }

    QLineEdit *txtVisc;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
    QLabel *Stress3[5], *lbl3Err[5], *lbl3PercentErr[5];
    QLabel *statusLabel, *CurStatus;
    QPushButton *cmdStart, *cmdReturn, *cmdExport;
    QTimer *Timer1;

protected:
    void reject() override;

private:
    void showRows();
    CalibrationWindowDeps deps_;
    WindowPrompter prompter_;
    std::unique_ptr<SerialPort> MSComm1;
    std::unique_ptr<CalibrationCheck> check_;
};

} // namespace viscora
