#pragma once
// The printed test report: the test's header and one line per stored point, in stored units,
// laid out in twips as the report was designed and widened to the page; or its summary, one
// line per step under a chart of the whole test.

#include "rheology/Rheology.h"
#include "store/TestRepository.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPagedPaintDevice;

namespace viscora {

struct ReportLine {
    double stepNo, time, temperature, speed, shearRate, shearStress, gel, rbFactor, viscosity,
        fannDial, fannGel;
};

struct ReportData {
    TestHeader header;
    std::vector<ReportLine> lines;
    // The section after the table, in stored units (stresses dyn/cm2, degF); none leaves it out.
    std::optional<rheology::Analysis> rheology;
    // Notes on the test, in time order: a section of their own after the table.
    std::vector<TestEvent> notes;
};

// The report of a test read with its standard rotor-bob (1 to 6); nullopt for any other
// code (a custom rotor-bob has no report) unless the test has no points, whose report is its
// header over an empty table whatever the rotor-bob.
DbRead<std::optional<ReportData>> loadReport(const TestRepository &repo, int testId, int rbIndex);

// A saved test's report with its rheology section, its rotor-bob chosen from its first point
// as opening the test chooses it from `rb`, the setting in force. The points are read once,
// for the table and the analysis alike.
DbRead<std::optional<ReportData>>
savedTestReport(const TestRepository &repo, const std::string &testName, const RotorBobSetting &rb);

class TestReview;
// The opened test's report with its rheology section, `rb` the rotor-bob it was opened with.
DbRead<std::optional<ReportData>> openedTestReport(TestReview &review, const std::string &testName,
                                                   const RotorBobSetting &rb);

// Each step's last line, in order: the summary's table.
std::vector<ReportLine> stepSummary(const std::vector<ReportLine> &lines);

// How a value of the query prints: up to 15 significant digits, no trailing zeros.
std::string reportNumber(double v);

// The value with the most significant digits (up to reportNumber's) whose text `fits`,
// falling back to exponent form; never another magnitude. When nothing fits, the shortest.
std::string fitReportNumber(double v, const std::function<bool(const std::string &)> &fits);

// What a table column needs, in twips at the table's font: its widest cell on one line, and
// its longest word, the narrowest it can wrap to.
struct ColumnNeed {
    double whole = 0, word = 0;
};
struct ColumnFit {
    std::vector<int> widths; // each with the gap after it; the notes' column when it is one
    bool notesBelow = false; // the last column's notes go on a line of their own under the row
};
// The columns fitted to `width`: on one line each when they fit, else the widest wrapped down
// towards their longest word until they do; the last column takes what is left. A last column of
// notes (`lastIsNotes`) that does not fit on one line with the rest goes under the rows instead.
// nullopt when even the longest words do not fit.
std::optional<ColumnFit> fitColumns(const std::vector<ColumnNeed> &columns, int width, int gap,
                                    bool lastIsNotes);

// Column widths filling `total`: each in proportion to its designed width, none narrower than
// its least; those held at their least leave the rest to the others in proportion.
std::vector<int> spreadColumns(const std::vector<int> &designed, const std::vector<int> &least,
                               int total);

// Which lines go on which page: the first page carries the report and group headers.
struct ReportPage {
    int firstLine = 0, lineCount = 0;
};
// `firstTop`: where the first page's lines start, below its headers.
std::vector<ReportPage> paginateReport(int lines, int pageHeightTwips, int firstTop = 3192);

enum class ReportKind {
    Full,    // every point
    Summary, // one line per step, a chart of the whole test and the rheology
};
struct ReportOptions {
    ReportKind kind = ReportKind::Full;
    // Told as each page starts (from 1); false stops the report there.
    std::function<bool(int page, int pages)> progress;
};
// Longer listings are offered as a summary too.
constexpr std::size_t kSummaryOfferPoints = 20000;
// "This test has 600000 points, ..." with Yes for the full report, No for the summary.
std::string summaryOfferText(std::size_t points);
extern const char *const kReportTitle; // "Report"

// Reports of this many pages or more show their progress.
constexpr int kReportProgressPages = 20;
// "Drawing page 7 of 120 (5%)"
std::string reportProgressText(int page, int pages);

enum class RenderResult {
    Drawn,
    DeviceFailed, // a printer that does not start
    Stopped,      // by the progress callback
};
[[nodiscard]] RenderResult renderReport(const ReportData &report, QPagedPaintDevice &device,
                                        const ReportOptions &options = {});

extern const char *const kNoTestForReportMessage;
// "The report could not be printed: the printer could not be started."
extern const char *const kReportNotPrintedMessage;

// The two-page printer test. False when the printer failed.
bool printPrinterTest(QPagedPaintDevice &device);
extern const char *const kPrinterTestDoneMessage;
extern const char *const kPrinterTestFailedMessage;

} // namespace viscora
