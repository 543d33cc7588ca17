#pragma once
// The calibration records' windows: the certified fluids (Tools → Calibration Fluids...), and
// every check with the instruments' due dates and the error trend (Tools → Calibration
// History...).

#include "store/CalibrationRecords.h"
#include "ui/QtPrompter.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPagedPaintDevice;
class QPushButton;
class QTableWidget;

class QChartView;
class QFormLayout;

namespace viscora {

struct Module1;

// A tolerance's two boxes on one form row: "P % of the stress, at least F dyn/cm2".
struct ToleranceBoxes {
    QLineEdit *percent = nullptr, *floor = nullptr;
    void build(QFormLayout &form, const QString &label, QWidget &parent);
    void show(const calibration::Tolerance &t);
    // The tolerance typed; none, the operator told why, when it is not two numbers 0 or more.
    std::optional<calibration::Tolerance> read(Prompter &prompter, const char *title) const;
};

struct CalibrationRecordsDeps {
    Module1 &m; // the unit system temperatures are shown in
    Prompter &prompter;
    Database &db;
    PrompterFactory makePrompter;
    // The print dialog: the printer chosen, or nullptr when cancelled.
    std::function<QPagedPaintDevice *()> choosePrinter = {};
};

class frmCalibrationFluids : public QDialog {
    Q_OBJECT
public:
    explicit frmCalibrationFluids(CalibrationRecordsDeps deps, QWidget *parent = nullptr);

    void cmdNew_Click();
    void cmdSave_Click();
    void cmdRemove_Click();

    QListWidget *lstFluids;
    QLineEdit *txtName, *txtLot;
    ToleranceBoxes tolerance;
    QDateEdit *dateExpiry;
    QTableWidget *gridCertificate;
    QPushButton *cmdNew, *cmdSave, *cmdRemove, *cmdClose;

private:
    void load(int selectFluidId = 0);
    void showFluid();
    // The fluid as the boxes give it; none (the operator told why) when they do not.
    std::optional<CalibrationFluid> typed();
    bool si() const;
    CalibrationRecordsDeps deps_;
    WindowPrompter prompter_;
    std::vector<CalibrationFluid> fluids_;
};

class frmCalibrationHistory : public QDialog {
    Q_OBJECT
public:
    explicit frmCalibrationHistory(CalibrationRecordsDeps deps, QWidget *parent = nullptr);

    void cmdInterval_Click();
    void cmdPdf_Click();
    void cmdPrint_Click();
    void cmdCorrect_Click();

    QComboBox *cmbInstrument;
    QLabel *lblDue;
    QLineEdit *txtInterval;
    QTableWidget *gridChecks;
    QChartView *chartTrend;
    QPushButton *cmdInterval, *cmdPdf, *cmdPrint, *cmdCorrect, *cmdClose;

    const std::vector<CalibrationRecord> &shown() const { return checks_; }

private:
    void load();
    void showChecks();
    void showTrend();
    std::optional<CalibrationRecord> selected();
    CalibrationRecordsDeps deps_;
    WindowPrompter prompter_;
    std::vector<Instrument> instruments_;
    std::vector<CalibrationRecord> checks_;
};

} // namespace viscora
