#pragma once
// The opened test as a workbook: the full export and the cement laboratory sheet.

#include "rheology/Rheology.h"
#include "store/TestRepository.h"

#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace viscora {

// A row of the grid, and whether the grid shows "N/A" as its viscosity.
using ExportRowFn = std::function<void(const QueryRow &row, bool viscosityNA)>;

// What every export reads from the main window, or from the database as the window would show
// it.
struct ExportInput {
    TestHeader header;
    const std::vector<QueryRow> *rows = nullptr;
    std::function<bool(int row)> viscosityNA; // the grid shows "N/A" in this row
    // Without `rows`: how many there are, and their read, handing each on as it comes so that
    // a long test is never held whole; why they could not all be read.
    std::size_t streamedRows = 0;
    std::function<std::optional<QString>(const ExportRowFn &)> stream;
    bool si = false;
    // The test's analysis in the same units; the test workbook gives it a second sheet.
    std::optional<rheology::Analysis> rheology;
    // The test's notes; the test workbook lists them on a sheet after the others.
    std::vector<TestEvent> notes;

    std::size_t rowCount() const { return rows ? rows->size() : streamedRows; }
};

class TestReview;

// Whether an export carries the test's analysis: the cement sheet has no use for it, and
// fitting a long test is not free.
enum class WithRheology : bool { No, Yes };

// The opened test as the exports read it: its header as stored now, the grid's rows and
// "N/A" marks, the unit system and, when asked, the analysis.
DbRead<ExportInput> exportInput(TestReview &review, const std::string &testName, Units units,
                                const RotorBobSetting &rb, WithRheology rheology);

// The same for a test not opened: its rows read from the database while the workbook is
// written, with the rotor-bob the opened test would get from `current`. Run the read and the
// writing on one state of the database (Database::readTogether), so the rows counted are the
// rows read.
DbRead<ExportInput> storedExportInput(const TestRepository &repo, const std::string &testName,
                                      Units units, const RotorBobSetting &current,
                                      WithRheology rheology);

// Called with (record, total) before each data row.
using ExportProgress = std::function<void(long record, long total)>;

// "Writing Record: 7 of 120"
std::string writingRecordText(long record, long total);

struct ExportResult {
    bool ok = true;
    std::string error;
    // The failure is the database's (a streamed read), its message whole.
    bool readFailed = false;
};

ExportResult writeTestWorkbook(const std::string &path, const ExportInput &in,
                               const ExportProgress &progress = {});
ExportResult writeCementWorkbook(const std::string &path, const ExportInput &in,
                                 const ExportProgress &progress = {});

// The names of the sheets of the tests, in order: each test's name as a sheet may hold it
// (at most 31 characters, none of []:*?/\, not "Summary"), made unique ignoring letter case.
std::vector<std::string> sheetNames(const QStringList &testNames);

// Opens a test as the main window does and hands what its export reads to `use`; the failure
// when it cannot.
using OpenForExport =
    std::function<std::optional<Failure>(const QString &name, WithRheology rheology,
                                         const std::function<void(const ExportInput &)> &use)>;

// Several tests in one workbook: first the sheet "Summary", a row per test with its dates,
// instrument, operator, sequence and points, and each flow curve's temperature, field values
// and recommended model; then a sheet per test, named by it, as the test workbook's first.
ExportResult writeTestsWorkbook(const std::string &path, Database &db, const QStringList &names,
                                const OpenForExport &open);

// The calibration check's result grid: the fluid's viscosity, then one row per reference
// stress with its error in dyn/cm2 and in percent ("N/A" where no reading came).
struct CalibrationResultRow {
    std::string stress, error, percent;
};
// A recorded check's fields (label, value) go above the grid, which moves down below them.
using CalibrationHeader = std::vector<std::pair<std::string, std::string>>;
ExportResult writeCalibrationWorkbook(const std::string &path, const std::string &viscosity,
                                      const std::vector<CalibrationResultRow> &rows,
                                      const CalibrationHeader &header = {});

// Total time of each row: the step times joined into one running time (whole seconds of
// each finished step carried over).
std::vector<double> totalTimes(const std::vector<QueryRow> &rows);

} // namespace viscora
