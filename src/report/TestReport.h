#pragma once
// The printed test report: the test's header and one line per stored point, in stored units,
// laid out in twips as the report was designed.

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
};

// The report of a test read with its standard rotor-bob (1 to 6); nullopt for any other
// code (a custom rotor-bob has no report) unless the test has no points, whose report is its
// header over an empty table whatever the rotor-bob.
DbRead<std::optional<ReportData>> loadReport(const TestRepository &repo, int testId, int rbIndex);

class TestReview;
// The opened test's report with its rheology section, `rb` the rotor-bob it was opened with.
DbRead<std::optional<ReportData>> openedTestReport(TestReview &review, const std::string &testName,
                                                   const RotorBobSetting &rb);

// How a value of the query prints: up to 15 significant digits, no trailing zeros.
std::string reportNumber(double v);

// The value with the most significant digits (up to reportNumber's) whose text `fits`,
// falling back to exponent form; never another magnitude. When nothing fits, the shortest.
std::string fitReportNumber(double v, const std::function<bool(const std::string &)> &fits);

// Which lines go on which page: the first page carries the report and group headers.
struct ReportPage {
    int firstLine = 0, lineCount = 0;
};
std::vector<ReportPage> paginateReport(int lines, int pageHeightTwips);

// False when the device could not be drawn on (a printer that does not start).
[[nodiscard]] bool renderReport(const ReportData &report, QPagedPaintDevice &device);

extern const char *const kNoTestForReportMessage;
// "The report could not be printed: the printer could not be started."
extern const char *const kReportNotPrintedMessage;

// The two-page printer test. False when the printer failed.
bool printPrinterTest(QPagedPaintDevice &device);
extern const char *const kPrinterTestDoneMessage;
extern const char *const kPrinterTestFailedMessage;

} // namespace viscora
