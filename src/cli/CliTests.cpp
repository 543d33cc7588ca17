#include "cli/CliContext.h"

#include "ui/ChartView.h"
#include "report/Exports.h"
#include "report/PdfFile.h"
#include "report/TestReport.h"

#include "core/NumberText.h"

#include <array>
#include <bit>
#include <cstdint>
#include <optional>

namespace viscora::cli {

bool requireTest(Context &c, const QString &name)
{
    const auto id = TestRepository(*c.db).testId(name);
    if (!id) {
        c.failed(id.error());
        return false;
    }
    if (*id)
        return true;
    c.fail("Selection Error.", "No saved test is named \"" + name.toStdString() + "\".");
    return false;
}

int cmdTests(Context &c, const Args &)
{
    const auto tests = TestRepository(*c.db).tests();
    if (!tests)
        return c.failed(tests.error());
    for (const auto &t : *tests)
        c.out << t.testId << '\t' << oneLine(t.testName) << '\n';
    return 0;
}

// A two-line header as one line: each line trimmed, joined by one blank.
std::string joinedHeader(const QString &header)
{
    QStringList lines = header.split(QLatin1Char('\n'));
    for (QString &l : lines)
        l = l.trimmed();
    return lines.join(QLatin1Char(' ')).toStdString();
}

void printGrid(Context &c, const TestGridModel &grid)
{
    const QStringList headers = gridHeaders(c.m.isSI());
    for (int col = 0; col < headers.size(); ++col)
        c.out << (col ? "\t" : "") << joinedHeader(headers[col]);
    c.out << '\n';
    // One write per row: a long test prints hundreds of thousands of them. A column's value
    // is often the row before's (a step's speed, its rate): its text is written once.
    std::string line;
    struct Shown {
        std::uint64_t bits = 0;
        std::string text;
    };
    std::array<std::optional<Shown>, col::Count> last;
    for (int r = 0; r < grid.rowCount(); ++r) {
        line.clear();
        const QueryRow &row = grid.rows()[static_cast<std::size_t>(r)];
        for (int col = 0; col < col::Count; ++col) {
            if (col)
                line += '\t';
            if (col == col::Viscosity && grid.markedNA(r)) {
                line += grid.cell(r, col);
                continue;
            }
            const auto bits = std::bit_cast<std::uint64_t>(row[static_cast<std::size_t>(col)]);
            auto &shown = last[static_cast<std::size_t>(col)];
            if (!shown || shown->bits != bits)
                shown = Shown{bits, gridCell(row, col)};
            line += shown->text;
        }
        line += '\n';
        c.out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
}

int cmdShow(Context &c, const Args &a)
{
    const auto review = openTest(c, a.positional[0]);
    if (!review)
        return 1;
    printGrid(c, review->grid());
    return 0;
}

int cmdDelete(Context &c, const Args &a)
{
    const QString name = QString::fromStdString(a.positional[0]);
    if (!requireTest(c, name))
        return 1;
    TestRepository repo(*c.db);
    const DbResult r = repo.deleteTest(name);
    if (!r)
        return c.fail(kDatabaseErrorTitle, "The test could not be deleted: " + r.error.toStdString());
    return 0;
}

int cmdCheck(Context &c, const Args &)
{
    const auto problems = c.db->integrityProblems();
    if (!problems)
        return c.failed(problems.error());
    if (problems->isEmpty()) {
        c.out << "ok\n";
        return 0;
    }
    // The first problems say what is wrong; a hundred more say only how much.
    constexpr qsizetype kShown = 10;
    for (const QString &p : problems->mid(0, kShown))
        c.out << p.toStdString() << '\n';
    if (problems->size() > kShown)
        c.out << "… and " << problems->size() - kShown << " more problems\n";
    return c.failed(QStringLiteral("The database file is damaged: ") + problems->first());
}

void checkChart(const Context &, const Args &a)
{
    if (!parseWhole(a.positional[1], 0, 9))
        throw Usage{"TYPE must be a chart type from 0 to 9"};
}

int cmdChart(Context &c, const Args &a)
{
    const auto type = parseWhole(a.positional[1], 0, 9).value_or(0);
    const auto review = openTest(c, a.positional[0]);
    if (!review)
        return 1;
    review->selectChartType(static_cast<int>(type));
    ChartView view;
    view.resize(900, 600);
    view.redraw(review->chart());
    if (!view.grab().save(QString::fromStdString(a.positional[2]), "PNG"))
        return c.fail("File Error", "The image could not be written to " + a.positional[2] + ".");
    return 0;
}

// Opens a test as the main window does; nullptr (reported) when there is none.
std::unique_ptr<TestReview> openTest(Context &c, const std::string &name)
{
    if (!requireTest(c, QString::fromStdString(name)))
        return nullptr;
    auto review = std::make_unique<TestReview>(c.m, *c.db, c.prompter);
    c.m.CurrentTestName = name;
    const bool opened = review->openCurrentTest();
    c.m.keep(review->takeChanges());
    if (!opened)
        return nullptr;
    return review;
}

// The test's rows go from the database into the workbook as they are read: a long test is
// never held whole.
template <typename Writer>
int exportWorkbook(Context &c, const Args &a, Writer write, WithRheology rheology)
{
    if (!requireTest(c, QString::fromStdString(a.positional[0])))
        return 1;
    TestRepository repo(*c.db);
    std::optional<DbRead<ExportInput>> input;
    ExportResult r;
    // Counted and read on one state of the database.
    const DbResult read = c.db->readTogether([&] {
        input = storedExportInput(repo, a.positional[0], c.m.units(), c.m.rotorBob(), rheology);
        if (*input)
            r = write(a.positional[1], **input, {});
        return DbResult::success();
    });
    if (!read)
        return c.failed(read.error);
    if (!*input)
        return c.failed(input->error());
    if (r.readFailed)
        return c.failed(QString::fromStdString(r.error));
    if (!r.ok)
        return c.fail("Export Error",
                      "The workbook could not be saved to " + a.positional[1] + ": " + r.error);
    c.out << "Wrote " << a.positional[1] << " (" << (*input)->rowCount() << " points).\n";
    return 0;
}

int cmdExportMany(Context &c, const Args &a)
{
    const std::string &path = a.positional[0];
    QStringList names;
    for (std::size_t i = 1; i < a.positional.size(); ++i)
        names << QString::fromStdString(a.positional[i]);
    std::size_t points = 0;
    bool told = false;
    const OpenForExport open =
        [&](const QString &name, WithRheology rheology,
            const std::function<void(const ExportInput &)> &use) -> std::optional<Failure> {
        const auto review = openTest(c, name.toStdString());
        if (!review) {
            told = true;
            return Failure{"The test \"" + name.toStdString() + "\" could not be opened.", {}, {}};
        }
        const auto input =
            exportInput(*review, c.m.CurrentTestName, c.m.units(), c.m.rotorBob(), rheology);
        if (!input)
            return input.failure();
        if (rheology == WithRheology::No)
            points += input->rows->size();
        use(*input);
        return std::nullopt;
    };
    const ExportResult r = writeTestsWorkbook(path, *c.db, names, open);
    if (!r.ok)
        return told ? 1
                    : c.fail("Export Error",
                             "The workbook could not be saved to " + path + ": " + r.error);
    c.out << "Wrote " << path << " (" << names.size() << " tests, " << points << " points).\n";
    return 0;
}

int cmdExport(Context &c, const Args &a)
{
    return exportWorkbook(c, a, writeTestWorkbook, WithRheology::Yes);
}

int cmdCement(Context &c, const Args &a)
{
    return exportWorkbook(c, a, writeCementWorkbook, WithRheology::No);
}

int cmdReport(Context &c, const Args &a)
{
    const std::string &name = a.positional[0], &path = a.positional[1];
    if (!requireTest(c, QString::fromStdString(name)))
        return 1;
    const auto report = savedTestReport(TestRepository(*c.db), name, c.m.rotorBob());
    if (!report)
        return c.failed(report.error());
    if (!*report)
        return c.fail("Report", "A test with a custom rotor-bob has no printed report.");
    ReportOptions options;
    options.kind = a.has("--summary") ? ReportKind::Summary : ReportKind::Full;
    // A long report says how far it is, on one line that a terminal redraws or as a line per
    // tenth; ^C stops it and leaves no file.
    int shownTenth = -1;
    bool progressShown = false;
    options.progress = [&](int page, int pages) {
        if (pages >= kReportProgressPages) {
            progressShown = true;
            if (c.errIsTerminal) {
                c.err << '\r' << reportProgressText(page, pages) << std::flush;
            } else if (page * 10 / pages != shownTenth) {
                shownTenth = page * 10 / pages;
                c.err << reportProgressText(page, pages) << '\n' << std::flush;
            }
        }
        return !interrupted;
    };
    interrupted = 0;
    auto previous = std::signal(SIGINT, onInterrupt);
    RenderResult drawn = RenderResult::DeviceFailed;
    const ExportResult saved = savePdf(path, [&](QPagedPaintDevice &pdf) {
        drawn = renderReport(**report, pdf, options);
        return drawn == RenderResult::Drawn;
    });
    std::signal(SIGINT, previous);
    if (progressShown && c.errIsTerminal)
        c.err << '\n';
    if (drawn == RenderResult::Stopped)
        return c.fail("Report", "The report was stopped; " + path + " was not written.");
    if (!saved.ok)
        return c.fail("Report", "The report could not be written to " + path + ": " + saved.error);
    c.out << "Wrote " << path << ".\n";
    return 0;
}

} // namespace viscora::cli
