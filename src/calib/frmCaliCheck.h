#pragma once
// "Auto Calibration Check": the calibration fluid's viscosity in, the errors out.

#include "calib/CalibrationCheck.h"
#include "calib/RecordedCheck.h"
#include "calib/frmCalibrationRecords.h"
#include "ui/QtPrompter.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QVBoxLayout;

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
    // Where each check is recorded, with the fluids it may start from; none: not recorded.
    Database *db = nullptr;
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
    // The record beside the check's own controls: the fluid (or the typed viscosity), the
    // sample's temperature, the operator, the tolerance, the instrument, each row's verdict.
    QComboBox *cmbFluid = nullptr;
    QLineEdit *txtTemperature = nullptr, *txtOperator = nullptr;
    ToleranceBoxes tolerance;
    QLabel *lblTemperatureUnit = nullptr, *lblInstrument = nullptr, *lblRecord = nullptr;
    QLabel *lblResult[5] = {};
    // The check last recorded (0: none yet), and its record's fields as its printed record
    // gives them, with the verdict (none when nothing was recorded).
    int recordedCheck() const { return recorded_; }
    std::vector<std::pair<std::string, std::string>> recordHeader() const;

protected:
    void reject() override;

private:
    void showRows();
    void buildRecordControls(QVBoxLayout *layout);
    void fluidChanged();
    // The fluid chosen and its viscosity at the temperature typed, in txtVisc; false when the
    // check is not to start.
    bool takeFluid();
    void record();
    std::vector<CalibrationFluid> fluids_;
    std::optional<Instrument> instrument_;
    CheckSetup setup_;
    bool unrecorded_ = false; // a check started and not recorded yet
    int recorded_ = 0;
    CalibrationWindowDeps deps_;
    WindowPrompter prompter_;
    std::unique_ptr<SerialPort> MSComm1;
    std::unique_ptr<CalibrationCheck> check_;
};

} // namespace viscora
