#pragma once
// The printed test report: the test's header and one line per stored point, in stored units,
// laid out in twips as the report was designed.

#include "store/TestRepository.h"

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
};

// The report of a test read with its standard rotor-bob (1 to 6); nullopt for any other
// code (a custom rotor-bob has no report).
DbRead<std::optional<ReportData>> loadReport(const TestRepository &repo, int testId, int rbIndex);

// How a value of the query prints: up to 15 significant digits, no trailing zeros.
std::string reportNumber(double v);

// Which lines go on which page: the first page carries the report and group headers.
struct ReportPage {
    int firstLine = 0, lineCount = 0;
};
std::vector<ReportPage> paginateReport(int lines, int pageHeightTwips);

void renderReport(const ReportData &report, QPagedPaintDevice &device);

extern const char *const kNoTestForReportMessage;

// The two-page printer test. False when the printer failed.
bool printPrinterTest(QPagedPaintDevice &device);
extern const char *const kPrinterTestDoneMessage;
extern const char *const kPrinterTestFailedMessage;

} // namespace viscora
