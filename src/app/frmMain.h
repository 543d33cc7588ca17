#pragma once
// The start window and hub: the opened test's grid and chart, and every command.

#include "calib/CalibrationCheck.h"
#include "ui/ProportionalLayout.h"
#include "ui/QtPrompter.h"
#include "review/TestReview.h"
#include "review/frmRelated.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QDialog;
class QPagedPaintDevice;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableView;
class QToolBar;

namespace viscora {

struct Module1;
class Prompter;
class Database;
struct Located;
class ChartView;
class Clock;
class SerialPort;
class TextPrinter;
class frmSetup;
class frmRealTime;
class frmDirectLog;
enum class WithRheology : bool;
enum class RenderResult;
struct ReportData;
struct ReportOptions;

struct MainWindowDeps {
    Module1 &m;
    Prompter &prompter;
    Clock &clock;
    // The window's own serial port (MSComm1).
    SerialPort &MSComm1;
    // Ports and printers for the windows opened from here.
    std::function<std::unique_ptr<SerialPort>()> makePort;
    std::function<std::unique_ptr<TextPrinter>()> makePrinter;
    // The print dialog: the printer chosen, or nullptr when cancelled. The device stays
    // valid until the next call.
    std::function<QPagedPaintDevice *()> choosePrinter;
    // Shows a print preview of pages drawn by the given function.
    std::function<void(std::function<void(QPagedPaintDevice &)>)> previewReport;
    // Opens a saved document with the desktop's default application, if there is one.
    std::function<bool(const std::string &path)> openDocument;
    // Finds and opens the database (the locating procedure, or a test's own file).
    std::function<Located()> locateDatabase;
    // The command line left after the program's own options, as typed.
    std::string commandLine;
    // The Serial Ports dialog (Tools menu); the item is disabled without it.
    std::function<std::unique_ptr<QDialog>(QWidget *parent, Database *db)> makeSerialPortsDialog =
        {};
    // Each window's own Prompter; without one every window uses `prompter`.
    PrompterFactory makePrompter;
    // The Database dialog (Tools menu), told the location of the open database; the item is
    // disabled without it.
    std::function<std::unique_ptr<QDialog>(QWidget *parent, const QString &inUse)>
        makeDatabaseDialog = {};
};

// The file name the save dialog proposes for a test's workbook: the test's name and `ending`
// (".xlsx", " cement.xlsx"), always one valid file name, never one the dialog reads as a list
// of files or as a path.
std::string workbookFileName(const std::string &testName, const std::string &ending);

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(MainWindowDeps deps, QWidget *parent = nullptr);
    ~frmMain() override;

    // Start-up; false when the program must end (no database).
    bool Form_Load();
    void Form_Activate();

    // Runs a modal dialog; tests replace it to drive the dialog without an event loop.
    std::function<int(QDialog &)> runDialog;

    // Commands.
    void cmdOpen_Click();
    void MenuFileFind_Click();
    // The tests named in one workbook, at a path the operator chooses.
    void exportTests(const QStringList &names);
    void cmdRetrieve_Click();
    void cmdStartTest_Click();
    void cmdStopTest_Click();
    void cmdRealTime_Click();
    void cmdSetup_Click();
    void MenuSetup_Click();
    void RelatedInfo_Click();
    void cmdOverlap_Click();
    void cmdReport_Click();
    void MenuFilePrint_Click();
    void cmdPrintChart_Click();
    void cmdExport_Click();
    void MenuFileCementRpt_Click();
    void cmdCalicheck_Click();
    void DirectLog_Click();
    void MenuHelpContent_Click();
    void MenuHelpAbout_Click();
    void MenuToolsSerialPorts_Click();
    void MenuToolsDatabase_Click();
    void MenuToolsCopyDatabase_Click();
    void MenuToolsCalibrationFluids_Click();
    void MenuToolsCalibrationHistory_Click();
    // When the instrument on Comm 1 is to be checked next, in the status bar.
    void showCalibrationDue();
    void cmdExit_Click();
    void Toolbar1_ButtonClick(const QString &key);
    // Analysis: the Rheology window of the opened test.
    void MenuAnalysisRheology_Click();
    // Analysis: the Compare Tests window.
    void MenuAnalysisCompare_Click();
    // Analysis: a note on the opened test, at the selected row's time.
    void MenuAnalysisAddNote_Click();
    void cmbChartType_Click(int index);
    void OptionScale_Click(int option); // 1..4

    TestReview *review() { return review_.get(); }
    frmSetup *setupWindow() { return setup_.get(); }
    frmRealTime *realTimeWindow() { return realTime_.get(); }
    frmDirectLog *directLogWindow() { return directLog_.get(); }
    // Shows the main window again after the setup or real-time window.
    void showAgain();
    Database *database() { return db_.get(); }
    ProportionalLayout &layoutFractions() { return layout_; }

    QPushButton *cmdOpen, *cmdRetrieve, *cmdStartTest, *cmdStopTest, *cmdRealTime, *cmdSetup,
        *RelatedInfo, *cmdOverlap, *cmdReport, *cmdExport, *cmdPrintChart, *cmdCalicheck, *cmdExit;
    QLabel *Label2;
    QComboBox *cmbChartType;
    QGroupBox *Frame1, *Frame2;
    QRadioButton *Option1, *Option2, *Option3, *Option4;
    ChartView *Pesgo1;
    QTableView *MSFlexGrid1;
    QToolBar *Toolbar1;
    QLabel *statusPanel, *datePanel, *timePanel;
    QLabel *lblCalibration;
    QAction *MenuFileOpen, *MenuFileRetrieve, *MenuFilePrint, *MenuFileReport, *MenuFileCementRpt,
        *MenuSetup, *MenuFileExit, *DirectLog, *MenuHelpContent, *MenuHelpAbout;
    // Tools: what the program adds beside its own commands.
    QMenu *MenuTools;
    QAction *MenuToolsSerialPorts, *MenuToolsDatabase, *MenuToolsCopyDatabase;
    QAction *MenuFileFind;
    QAction *MenuToolsCalibrationFluids, *MenuToolsCalibrationHistory;
    QAction *MenuAnalysisRheology, *MenuAnalysisCompare, *MenuAnalysisAddNote;

    static const char *const kCaption;

protected:
    void closeEvent(QCloseEvent *e) override;
    bool event(QEvent *e) override;

private:
    void buildControls();
    void buildMenus();
    void buildToolsMenu();
    void buildToolbar();
    // The Analysis menu and its toolbar key, after the program's own.
    void buildAnalysis();
    void writeGridHeader();
    void showReview();
    void redrawChart();
    void openSetup();
    // The related-information dialog, the window hidden meanwhile; the test it made, if any.
    std::optional<NamedTest> related(frmRelated::Purpose purpose);
    // Help and about over the window that asked for them.
    void showHelp(QWidget &over);
    void showAbout(QWidget &over);
    void printWidget(QWidget &widget);
    // The save dialog for a workbook; empty when cancelled.
    std::string askWorkbookPath(const std::string &proposedName);
    void exportCalibration(const std::string &viscosity, const std::array<CalibrationRow, 5> &rows,
                           const std::vector<std::pair<std::string, std::string>> &header);
    // The report on a printer or preview, with its progress; Stop gives the printer up.
    RenderResult drawReport(const ReportData &report, QPagedPaintDevice &device,
                            ReportOptions options);
    // Both workbooks: the file dialog, the writing with its progress, the result.
    template <typename Writer>
    void exportWorkbook(const char *what, const char *ending, Writer write, WithRheology rheology);
    int exec(QDialog &d) { return runDialog(d); }
    Prompter &prompter() { return prompter_; }

    MainWindowDeps deps_;
    WindowPrompter prompter_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<TestReview> review_;
    std::unique_ptr<frmSetup> setup_;
    std::unique_ptr<frmRealTime> realTime_;
    std::unique_ptr<frmDirectLog> directLog_;
    ProportionalLayout layout_;
    QWidget *central_;
    bool closingByProgram_ = false;
    bool loaded_ = false;
};

} // namespace viscora
