#include "report/Exports.h"
#include "report/Workbook.h"
#include "core/Module1.h"
#include "support/ScriptedPrompter.h"
#include "support/SixSpeeds.h"
#include "support/TestDb.h"
#include "review/TestReview.h"
#include "store/TestNotes.h"
#include "support/XlsxReader.h"
#include "rheology/Fixtures.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>

#include <unistd.h>

using namespace viscora;
using namespace viscora::test;

namespace {

struct Opened {
    TestDb t;
    Module1 m;
    ScriptedPrompter p;
    std::unique_ptr<TestReview> review;
    explicit Opened(const std::vector<StoredPoint> &points, int units = 1,
                    Backend backend = Backend::SQLite)
        : t(backend)
    {
        m.UnitSystem = units;
        t.addTest("T", points);
        review = std::make_unique<TestReview>(m, *t.db, p);
        m.CurrentTestName = "T";
        review->openCurrentTest();
        m.keep(review->takeChanges());
    }
    ExportInput input()
    {
        ExportInput in;
        in.header = *review->header();
        in.rows = &review->grid().rows();
        in.viscosityNA = [this](int r) { return review->grid().markedNA(r); };
        in.si = m.isSI();
        return in;
    }
    QString file(const char *name) { return t.dir.filePath(name); }
};

std::vector<StoredPoint> twoSteps()
{
    // Two 30 s steps recorded at 10, 20, 30 s; the second has an off-grid stress of 1003.
    return {point(1, 10, 100, 100, 500, 20, 1),    point(1, 20, 100, 100, 505, 20, 1),
            point(1, 30, 100, 100, 510, 20, 1),    point(2, 10, 150, 300, 1003, 25.55, 1),
            point(2, 20, 150, 300, 700, 25.55, 1), point(2, 30, 150, 300, 705, 25.55, 1)};
}

} // namespace

TEST(TestWorkbook, EmptyTestGivesTheHeaderOnly)
{
    Opened o({});
    ASSERT_TRUE(writeTestWorkbook(o.file("e.xlsx").toStdString(), o.input()).ok);
    XlsxReader x(o.file("e.xlsx"));
    EXPECT_EQ(x.text("A1"), "K7400r Test Report");
    EXPECT_EQ(x.text("A3"), "Test Name:");
    EXPECT_EQ(x.text("B3"), "T");
    EXPECT_EQ(x.text("A7"), "Description:");
    EXPECT_EQ(x.text("B7"), "notes");
    EXPECT_EQ(x.lastCell(), "B7");
    EXPECT_FALSE(x.workbook.contains("Print_Titles"));
    EXPECT_FALSE(x.sheet.contains("fitToPage"));
}

TEST(TestWorkbook, RowsTotalsUnitsAndNA)
{
    for (int units : {1, 2}) {
        Opened o(twoSteps(), units);
        std::vector<std::string> progress;
        ASSERT_TRUE(
            writeTestWorkbook(o.file("w.xlsx").toStdString(), o.input(), [&](long i, long n) {
                progress.push_back(writingRecordText(i, n));
            }).ok);
        EXPECT_EQ(progress.front(), "Writing Record: 1 of 6");
        EXPECT_EQ(progress.back(), "Writing Record: 6 of 6");
        XlsxReader x(o.file("w.xlsx"));
        EXPECT_EQ(x.text("A9"), "Step #");
        EXPECT_EQ(x.text("I9"), "Gel ");
        EXPECT_EQ(x.text("K9"), "Fann® 35 F1");
        EXPECT_EQ(x.text("L10"), "Gel Dial Read (deg)");
        EXPECT_EQ(x.text("D10"), units == 1 ? "(°F)" : "(C°)");
        EXPECT_EQ(x.text("G10"), units == 1 ? "(lb/100ft2)" : "(dyn/cm2)");
        EXPECT_FALSE(x.has("A10") && !x.text("A10").empty());
        // Total time: 10, 20, 30, then 40, 50, 60.
        for (int r = 11; r <= 16; ++r)
            EXPECT_EQ(x.number("C" + std::to_string(r)), (r - 10) * 10) << r;
        EXPECT_TRUE(x.at("A11").isNumber);
        EXPECT_EQ(x.number("B14"), 10);
        EXPECT_EQ(x.number("D14"), units == 1 ? 150 : (150 - 32) * 5 / 9.0);
        EXPECT_DOUBLE_EQ(x.number("G11"), units == 1 ? 500 * 0.2088 : 500);
        EXPECT_EQ(x.text("H14"), "N/A");
        EXPECT_FALSE(x.at("H14").isNumber);
        EXPECT_TRUE(x.at("H15").isNumber);
        EXPECT_DOUBLE_EQ(x.number("L14"), units == 1 ? 25.55 * 0.2088 / 1.044 : 25.55 / 5.11);
        EXPECT_EQ(x.lastCell(), "L16");
        // Fills, borders and page set-up.
        EXPECT_EQ(x.fill("A9"), "FFCCCCFF");
        EXPECT_EQ(x.fill("L10"), "FFCCCCFF");
        EXPECT_EQ(x.fill("A11"), "");
        EXPECT_EQ(x.border("A9").left, "thick");
        EXPECT_EQ(x.border("A9").top, "thick");
        EXPECT_EQ(x.border("E12").left, "thin");
        EXPECT_EQ(x.border("E12").top, "thin");
        EXPECT_EQ(x.border("L16").right, "thick");
        EXPECT_EQ(x.border("L16").bottom, "thick");
        EXPECT_TRUE(x.workbook.contains("Sheet1!$9:$10"));
        EXPECT_TRUE(x.sheet.contains("orientation=\"landscape\""));
        EXPECT_TRUE(x.sheet.contains("fitToHeight=\"11\""));
        EXPECT_TRUE(x.sheet.contains("<pageSetUpPr fitToPage=\"1\"/>"));
    }
}

namespace {
// A Bingham mud at 120 degF, gels at 6 and 3 rpm.
std::vector<StoredPoint> binghamMud()
{
    return sixSpeedPoints([](double rate) { return 50 + 0.1 * rate; }, 120,
                          [](double rpm, double) { return rpm <= 6 ? 40.0 : 0.0; });
}

// The reference of the first cell holding exactly this text, "" when none does.
std::string cellWith(const XlsxReader &x, const std::string &text)
{
    for (const auto &[ref, cell] : x.cells)
        if (!cell.isNumber && cell.text == text)
            return ref;
    return "";
}

std::string below(const std::string &ref, int rows)
{
    const auto digit = ref.find_first_of("0123456789");
    return ref.substr(0, digit) + std::to_string(std::stoi(ref.substr(digit)) + rows);
}

std::string right(const std::string &ref, int cols)
{
    const auto digit = ref.find_first_of("0123456789");
    return std::string(1, static_cast<char>(ref[0] + cols)) + ref.substr(digit);
}
} // namespace

TEST(TestWorkbook, RheologySheetFollowsTheFirstWhichStaysAsItWas)
{
    for (int units : {1, 2}) {
        SCOPED_TRACE(units);
        Opened o(binghamMud(), units);
        ASSERT_TRUE(writeTestWorkbook(o.file("plain.xlsx").toStdString(), o.input()).ok);
        const auto in = must(exportInput(*o.review, o.m.CurrentTestName, o.m.units(),
                                         o.m.rotorBob(), WithRheology::Yes));
        ASSERT_TRUE(in.rheology);
        ASSERT_TRUE(writeTestWorkbook(o.file("both.xlsx").toStdString(), in).ok);
        const XlsxReader plain(o.file("plain.xlsx")), first(o.file("both.xlsx"));
        EXPECT_EQ(first.sheet, plain.sheet);
        EXPECT_TRUE(first.workbook.contains("<sheet name=\"Rheology\" sheetId=\"2\""))
            << first.workbook.toStdString();
        EXPECT_TRUE(first.workbook.contains("Sheet1!$9:$10"));

        const XlsxReader x(o.file("both.xlsx"), 2);
        EXPECT_EQ(x.text("A1"), "Rheology");
        EXPECT_EQ(x.text("B3"), "T");
        EXPECT_EQ(x.text("B4"), units == 1 ? "EI (lb/100ft2, °F)" : "SI (dyn/cm2, °C)");
        const rheology::FlowCurve &c = in.rheology->curves.at(0);
        EXPECT_NE(cellWith(x, units == 1 ? "Flow curve 1 of 1: 120 °F, steps 1-6"
                                         : "Flow curve 1 of 1: 48.89 °C, steps 1-6"),
                  "");
        // Readings: the heading row filled and bordered, numbers as numbers.
        const std::string readings = cellWith(x, "Readings");
        ASSERT_NE(readings, "");
        const std::string head = below(readings, 1);
        EXPECT_EQ(x.text(head), "Step");
        EXPECT_EQ(x.fill(head), "FFCCCCFF");
        EXPECT_EQ(x.border(head).top, "thick");
        EXPECT_TRUE(x.at(below(head, 1)).isNumber);
        EXPECT_EQ(x.number(right(below(head, 1), 1)), 600);
        EXPECT_DOUBLE_EQ(x.number(right(below(head, 1), 3)), c.readings[0].stress);
        EXPECT_EQ(x.border(right(below(head, 6), 7)).bottom, "thick");
        // Field values, gels and models, each with its numbers in full.
        const std::string pv = cellWith(x, "Plastic viscosity");
        ASSERT_NE(pv, "");
        EXPECT_DOUBLE_EQ(x.number(right(pv, 1)), *c.field.PV.value);
        EXPECT_EQ(x.text(right(pv, 2)), "cP");
        // No rest before a slow step: no gels, said under the table's note and heading.
        const std::string gels = cellWith(x, "Gels");
        ASSERT_NE(gels, "");
        EXPECT_EQ(x.text(below(gels, 1)), units == 1
                                              ? "A gel in lb/100ft2 is the step's peak "
                                                "dial reading (R1-B1/F1 degrees)."
                                              : "A gel in dyn/cm2 is the step's peak stress.");
        EXPECT_EQ(x.text(below(gels, 2)), "Step");
        EXPECT_EQ(x.text(below(gels, 3)), "(none)");
        // The mud report opens the curve, its dial readings as numbers.
        const std::string report = cellWith(x, "Mud report");
        ASSERT_NE(report, "");
        EXPECT_LT(std::stoi(report.substr(1)), std::stoi(readings.substr(1)));
        EXPECT_EQ(x.text(below(report, 3)), "θ600");
        EXPECT_DOUBLE_EQ(x.number(right(below(report, 3), 1)), *c.thetas[0].dial.value);
        const std::string bingham = cellWith(x, "Bingham");
        ASSERT_NE(bingham, "");
        EXPECT_DOUBLE_EQ(x.number(right(bingham, 1)), param(modelOf(c, "bingham"), "tau0"));
        EXPECT_EQ(x.text(right(bingham, 7)), "yes");
        EXPECT_NE(cellWith(x, "Recommended model: Bingham"), "");
    }

    // A test without points: the first sheet as before, the second says why it is empty.
    Opened none({});
    const auto in = must(exportInput(*none.review, none.m.CurrentTestName, none.m.units(),
                                     none.m.rotorBob(), WithRheology::Yes));
    ASSERT_TRUE(writeTestWorkbook(none.file("n.xlsx").toStdString(), in).ok);
    EXPECT_EQ(XlsxReader(none.file("n.xlsx")).lastCell(), "B7");
    const XlsxReader x(none.file("n.xlsx"), 2);
    EXPECT_EQ(x.text("A1"), "Rheology");
    EXPECT_EQ(x.text("A5"), "The test has no points.");
    // The cement workbook keeps its one sheet.
    ASSERT_TRUE(writeCementWorkbook(none.file("c.xlsx").toStdString(), in).ok);
    EXPECT_FALSE(XlsxReader(none.file("c.xlsx")).workbook.contains("Rheology"));
}

// The notes get a sheet after the others, times as numbers; a test without notes has none,
// and the test's own sheet is the same either way.
TEST(TestWorkbook, NotesSheetComesLastAndOnlyWithNotes)
{
    Opened o(twoSteps());
    const std::string plain = o.file("plain.xlsx").toStdString();
    ASSERT_TRUE(writeTestWorkbook(plain, must(exportInput(*o.review, "T", o.m.units(),
                                                          o.m.rotorBob(), WithRheology::Yes)))
                    .ok);
    EXPECT_FALSE(XlsxReader(o.file("plain.xlsx")).workbook.contains("Notes"));
    TestRepository repo(*o.t.db);
    ASSERT_TRUE(addNote(repo, "T", 45, "sample foamed"));
    ASSERT_TRUE(addNote(repo, "T", 12.5, "added 2 ppb polymer"));
    const auto in =
        must(exportInput(*o.review, "T", o.m.units(), o.m.rotorBob(), WithRheology::Yes));
    ASSERT_TRUE(writeTestWorkbook(o.file("notes.xlsx").toStdString(), in).ok);
    const XlsxReader first(o.file("notes.xlsx")), before(o.file("plain.xlsx"));
    EXPECT_EQ(first.sheet, before.sheet);
    EXPECT_TRUE(first.workbook.contains("<sheet name=\"Notes\" sheetId=\"3\""))
        << first.workbook.toStdString();
    const XlsxReader x(o.file("notes.xlsx"), 3);
    EXPECT_EQ(x.text("A1"), "Notes");
    EXPECT_EQ(x.text("B3"), "T");
    EXPECT_EQ(x.text("A5"), "Total Time (S)");
    EXPECT_EQ(x.text("B5"), "Note");
    EXPECT_EQ(x.fill("A5"), "FFCCCCFF");
    EXPECT_TRUE(x.at("A6").isNumber);
    EXPECT_EQ(x.number("A6"), 12.5);
    EXPECT_EQ(x.text("B6"), "added 2 ppb polymer");
    EXPECT_EQ(x.number("A7"), 45);
    EXPECT_EQ(x.text("B7"), "sample foamed");
    EXPECT_EQ(x.lastCell(), "B7");
    // The cement workbook keeps its one sheet.
    ASSERT_TRUE(writeCementWorkbook(o.file("c.xlsx").toStdString(), in).ok);
    EXPECT_FALSE(XlsxReader(o.file("c.xlsx")).workbook.contains("Notes"));
}

TEST(TestWorkbook, ProgressTextOfARecord)
{
    EXPECT_EQ(writingRecordText(7, 120), "Writing Record: 7 of 120");
    std::vector<QueryRow> rows(120);
    for (int i = 0; i < 120; ++i) {
        rows[static_cast<size_t>(i)][col::Step] = 1;
        rows[static_cast<size_t>(i)][col::Time] = i;
    }
    EXPECT_EQ(totalTimes(rows)[119], 119);
}

TEST(CementWorkbook, RoundedReadingsAndLayout)
{
    Opened ei({point(1, 10, 100, 300, 511, 25.55, 1), point(1, 20, 100, 200, 513.6, 0, 1),
               point(1, 30, 100, 100, 508.5, 0, 1)});
    ASSERT_TRUE(writeCementWorkbook(ei.file("c.xlsx").toStdString(), ei.input()).ok);
    XlsxReader x(ei.file("c.xlsx"));
    EXPECT_EQ(x.text("A1"), "K7400 Viscosity Test Report");
    EXPECT_EQ(x.text("A4"), "ID:");
    EXPECT_EQ(x.text("A8"), "Speed");
    EXPECT_EQ(x.text("C9"), "Gel Dial Read (deg)");
    EXPECT_EQ(x.number("A10"), 300);
    EXPECT_EQ(x.number("B10"), 100);
    EXPECT_EQ(x.number("B11"), 101);
    EXPECT_EQ(x.number("B12"), 100);
    EXPECT_EQ(x.number("C10"), 5); // EI: 25.55 dyn/cm2 = 5.33 lb/100ft2, / 1.044 -> 5.1
    EXPECT_EQ(x.fill("B8"), "FFCCCCFF");
    EXPECT_EQ(x.border("B11").left, "thick");
    EXPECT_EQ(x.border("B11").right, "thick");
    EXPECT_EQ(x.border("B11").top, "thin");
    EXPECT_TRUE(x.workbook.contains("Sheet1!$8:$9"));
    EXPECT_TRUE(x.sheet.contains("fitToHeight=\"10\""));

    Opened si({point(1, 10, 100, 300, 511, 25.55, 1)}, 2);
    ASSERT_TRUE(writeCementWorkbook(si.file("s.xlsx").toStdString(), si.input()).ok);
    EXPECT_EQ(XlsxReader(si.file("s.xlsx")).number("C10"), 5);

    Opened none({});
    ASSERT_TRUE(writeCementWorkbook(none.file("n.xlsx").toStdString(), none.input()).ok);
    EXPECT_EQ(XlsxReader(none.file("n.xlsx")).lastCell(), "B6");
}

// The cement sheet reads the opened test without fitting it; the same rows either way.
TEST(CementWorkbook, ItsInputCarriesNoAnalysis)
{
    Opened o(binghamMud());
    const auto cement = must(
        exportInput(*o.review, o.m.CurrentTestName, o.m.units(), o.m.rotorBob(), WithRheology::No));
    const auto full = must(exportInput(*o.review, o.m.CurrentTestName, o.m.units(), o.m.rotorBob(),
                                       WithRheology::Yes));
    EXPECT_FALSE(cement.rheology);
    ASSERT_TRUE(full.rheology);
    EXPECT_EQ(cement.rows, full.rows);
    EXPECT_EQ(cement.header.testName, "T");
    ASSERT_TRUE(writeCementWorkbook(o.file("a.xlsx").toStdString(), cement).ok);
    ASSERT_TRUE(writeCementWorkbook(o.file("b.xlsx").toStdString(), full).ok);
    EXPECT_EQ(XlsxReader(o.file("a.xlsx")).sheet, XlsxReader(o.file("b.xlsx")).sheet);
}

TEST(Workbooks, AFailedWriteLeavesNoFileAndKeepsTheOldOne)
{
    Opened o(twoSteps());
    const ExportResult missingDir =
        writeTestWorkbook(o.file("no/such/dir/w.xlsx").toStdString(), o.input());
    EXPECT_FALSE(missingDir.ok);
    EXPECT_FALSE(missingDir.error.empty());
    // A target that cannot be replaced (a folder of that name) keeps its place and content.
    QDir(o.t.dir.path()).mkdir("taken.xlsx");
    EXPECT_FALSE(writeTestWorkbook(o.file("taken.xlsx").toStdString(), o.input()).ok);
    EXPECT_TRUE(QFileInfo(o.file("taken.xlsx")).isDir());
    for (const QString &f : QDir(o.t.dir.path()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(f.endsWith(".part")) << f.toStdString();

    // The first sheet cannot be started (here: a name no sheet may have): the workbook says so
    // at its close instead of saving a file without it.
    Workbook book(o.file("first.xlsx").toStdString(), "no [sheet]");
    book.text(1, 1, "lost");
    EXPECT_FALSE(book.close());
    EXPECT_EQ(book.error(), "the first worksheet could not be added");
    EXPECT_FALSE(QFileInfo::exists(o.file("first.xlsx")));
}

// A workbook written from the database as its rows are read is the very one written from the
// opened test's grid: its rows, "N/A" marks (also of rows read before the stress that decides
// them), totals, widths and rheology; on either backend, in either unit system, for both
// workbooks.
TEST(Workbooks, StreamedFromTheDatabaseTheyAreTheGridsOwn)
{
    std::vector<StoredPoint> onTheGrid = twoSteps();
    onTheGrid[3].shearStress = 1005;
    std::vector<StoredPoint> custom = twoSteps();
    for (StoredPoint &p : custom)
        p.rbfactor = 1703;
    const struct {
        const char *what;
        std::vector<StoredPoint> points;
    } cases[] = {{"marked after held rows", twoSteps()},
                 {"every stress on the grid", onTheGrid},
                 {"a custom rotor-bob", custom},
                 {"a mud", binghamMud()},
                 {"no points", {}}};
    using Writer =
        ExportResult (*)(const std::string &, const ExportInput &, const ExportProgress &);
    for (Backend backend : {Backend::SQLite, Backend::PostgreSQL})
        for (const auto &c : cases)
            for (int units : {1, 2})
                for (Writer write : {&writeTestWorkbook, &writeCementWorkbook}) {
                    SCOPED_TRACE(std::string(c.what) + (units == 1 ? " EI" : " SI") +
                                 (backend == Backend::SQLite ? " file" : " server"));
                    Opened o(c.points, units, backend);
                    const auto grid = must(exportInput(*o.review, o.m.CurrentTestName, o.m.units(),
                                                       o.m.rotorBob(), WithRheology::Yes));
                    ASSERT_TRUE(write(o.file("grid.xlsx").toStdString(), grid, {}).ok);
                    const TestRepository repo(*o.t.db);
                    Module1 fresh;
                    fresh.UnitSystem = units;
                    ExportResult streamed;
                    std::size_t count = 0;
                    ASSERT_TRUE(
                        o.t.db
                            ->readTogether([&] {
                                const auto in = must(storedExportInput(
                                    repo, "T", fresh.units(), fresh.rotorBob(), WithRheology::Yes));
                                count = in.rowCount();
                                streamed = write(o.file("streamed.xlsx").toStdString(), in, {});
                                return DbResult::success();
                            })
                            .ok);
                    ASSERT_TRUE(streamed.ok) << streamed.error;
                    EXPECT_EQ(count, c.points.size());
                    for (int sheet : {1, 2}) {
                        const XlsxReader a(o.file("grid.xlsx"), sheet),
                            b(o.file("streamed.xlsx"), sheet);
                        EXPECT_EQ(b.sheet, a.sheet) << sheet;
                        EXPECT_EQ(b.workbook, a.workbook);
                        EXPECT_EQ(b.styles, a.styles);
                    }
                }
}

// A number shows in a General cell as printf's "%.10G" writes it, fewer digits when that is
// longer than 11 characters; a column's width counts it so, worked out quickly or not.
TEST(Workbooks, ANumberShowsAsItsGeneralText)
{
    auto printed = [](double v) {
        char buf[32];
        for (int digits = 10; digits >= 1; --digits) {
            std::snprintf(buf, sizeof buf, "%.*G", digits, v);
            if (std::strlen(buf) <= 11)
                break;
        }
        return std::string(buf);
    };
    for (double v : {0.0,
                     -0.0,
                     7.0,
                     -7.0,
                     10.0,
                     600.0,
                     -1234.0,
                     9999999999.0,
                     -9999999999.0,
                     1e10,
                     12345678901.0,
                     0.5,
                     150.25,
                     120.0099999999333,
                     1e-7,
                     0.000123456789,
                     -3.14159265358979,
                     99999.999999,
                     1e300,
                     -2.5e-308,
                     std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(generalText(v), printed(v)) << v;
        EXPECT_EQ(generalWidth(v), printed(v).size()) << v;
    }
}
