#pragma once
// The Rheology window: one test's analysis, one flow curve at a time: its warnings, the mud
// report, readings, field values, gels and models as tables, and a chart of the readings with
// the models' curves.
// It only shows what the analysis holds.

#include "rheology/Rheology.h"

#include <QDialog>
#include <QIcon>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTableWidget;

namespace viscora {

class ChartView;

// The desktop theme's chart icon, or a small drawn one: readings on a rising curve.

class frmRheology : public QDialog {
    Q_OBJECT
public:
    frmRheology(rheology::Analysis analysis, std::string testName, QWidget *parent = nullptr);

    static const char *const kTitle; // "Rheology"

    // Shows flow curve `index` (0-based).
    void cmbCurve_Click(int index);
    void chkModel_Click();
    void optScale_Click();
    // All of it, every curve, as tab-separated text on the clipboard.
    void cmdCopy_Click();

    const rheology::Analysis &analysis() const { return analysis_; }
    int currentCurve() const { return curve_; }

    QLabel *lblCurve, *lblNotes, *lblWarnings, *lblRecommended;
    QLabel *lblReportNote, *lblFieldNote, *lblGelsNote, *lblModelsNote;
    QComboBox *cmbCurve;
    QTableWidget *grdReport, *grdReadings, *grdField, *grdGels, *grdModels;
    QScrollArea *scrContent;
    ChartView *chtFlowCurve;
    std::vector<QCheckBox *> chkModel; // one per model of the table, in its order
    QRadioButton *optLinear, *optLog;
    QPushButton *cmdCopy, *cmdClose;

private:
    void redrawChart();

    rheology::Analysis analysis_;
    std::string testName_;
    int curve_ = -1;
};

} // namespace viscora
