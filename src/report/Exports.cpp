#include "report/Exports.h"

#include "core/StepTimeline.h"
#include "core/Units.h"
#include "review/TestAnalysis.h"
#include "review/TestGridModel.h"
#include "review/TestReview.h"
#include "core/VbFormat.h"
#include "report/Workbook.h"
#include "rheology/Tables.h"
#include "store/TestNotes.h"
#include "store/TestRecords.h"

#include <QDateTime>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace viscora {

namespace {
// What every export adds to the test's rows: its notes and, when asked, its analysis.
DbRead<ExportInput> withNotesAndAnalysis(ExportInput in, const TestRepository &repo,
                                         const QString &name, const RotorBobSetting &rb,
                                         Units units, WithRheology rheology)
{
    auto notes = testNotes(repo, name);
    if (!notes)
        return DbRead<ExportInput>::failure(notes);
    in.notes = std::move(*notes);
    if (rheology == WithRheology::No)
        return in;
    auto analysis = analyseTest(repo, name, rb, units);
    if (!analysis)
        return DbRead<ExportInput>::failure(analysis);
    in.rheology = std::move(*analysis);
    return in;
}
} // namespace

DbRead<ExportInput> exportInput(TestReview &review, const std::string &testName, Units units,
                                const RotorBobSetting &rb, WithRheology rheology)
{
    const QString name = QString::fromStdString(testName);
    const auto header = review.repository().header(name);
    if (!header)
        return DbRead<ExportInput>::failure(header);
    ExportInput in;
    in.header = *header ? **header : TestHeader{name, {}, {}, {}, {}};
    in.rows = &review.grid().rows();
    in.viscosityNA = [&review](int row) { return review.grid().markedNA(row); };
    in.si = units == Units::SI;
    return withNotesAndAnalysis(std::move(in), review.repository(), name, rb, units, rheology);
}

namespace {

// The grid's rows as read, each handed on with its "N/A" mark. A test that may have marks
// holds its rows only until one stress leaves the grid (for most tests, the first): the rows
// before it are marked by what comes after.
class MarkedRows {
public:
    MarkedRows(bool si, const ExportRowFn &out) : si_(si), out_(out) {}

    void add(const QueryRow &row)
    {
        if (!check_)
            check_.emplace(gridCell(row, col::Rbfactor), si_);
        if (!check_->possible()) {
            out_(row, false);
            return;
        }
        if (check_->offGrid()) {
            out_(row, marked(row));
            return;
        }
        const std::string stress = gridCell(row, col::ShearStress);
        if (!check_->offGrid(stress)) {
            held_.push_back(row);
            return;
        }
        for (const QueryRow &h : held_)
            out_(h, marked(h));
        held_.clear();
        held_.shrink_to_fit();
        out_(row, check_->inBand(stress));
    }

    // Rows still held were never marked: every stress was on the grid.
    void finish()
    {
        for (const QueryRow &h : held_)
            out_(h, false);
        held_.clear();
    }

private:
    // The shown stress is worked out only near the band: it is the stress to three decimals.
    bool marked(const QueryRow &row) const
    {
        const double stress = row[col::ShearStress];
        return std::abs(stress - StressCheck::bandMiddle(si_)) < StressCheck::bandHalf(si_) + 1 &&
               check_->inBand(gridCell(row, col::ShearStress));
    }

    bool si_;
    const ExportRowFn &out_;
    std::optional<StressCheck> check_;
    std::vector<QueryRow> held_;
};

} // namespace

DbRead<ExportInput> storedExportInput(const TestRepository &repo, const std::string &testName,
                                      Units units, const RotorBobSetting &current,
                                      WithRheology rheology)
{
    const QString name = QString::fromStdString(testName);
    const auto header = repo.header(name);
    if (!header)
        return DbRead<ExportInput>::failure(header);
    const auto first = repo.firstRbfactor(name);
    if (!first)
        return DbRead<ExportInput>::failure(first);
    const RotorBobSetting rb = openedTestRotorBob(current, *first);
    ExportInput in;
    in.header = *header ? **header : TestHeader{name, {}, {}, {}, {}};
    in.si = units == Units::SI;
    if (*first) {
        const auto count = repo.pointCount(name);
        if (!count)
            return DbRead<ExportInput>::failure(count);
        in.streamedRows = *count;
    }
    const bool si = in.si;
    const TestQuery query = buildTestQuery(units, rb, rb.custom, QueryOrder::StepThenTime);
    in.stream = [&repo, name, si, query,
                 any = in.streamedRows > 0](const ExportRowFn &out) -> std::optional<QString> {
        if (!any)
            return std::nullopt;
        MarkedRows marked(si, out);
        const auto read =
            repo.eachQueryRow(query, name, [&](const QueryRow &row) { marked.add(row); });
        if (!read)
            return read.error();
        marked.finish();
        return std::nullopt;
    };
    return withNotesAndAnalysis(std::move(in), repo, name, rb, units, rheology);
}

std::string writingRecordText(long record, long total)
{
    return "Writing Record: " + std::to_string(record) + " of " + std::to_string(total);
}

std::vector<double> totalTimes(const std::vector<QueryRow> &rows)
{
    std::vector<double> out;
    out.reserve(rows.size());
    StepTimeline timeline;
    for (const auto &r : rows) {
        const long long offset = timeline.offsetOf(r[col::Step], r[col::Time]);
        out.push_back(static_cast<double>(roundHalfEven(r[col::Time]) + offset));
    }
    return out;
}

namespace {

// Each row of the export with its "N/A" mark, from the grid or from the database; why they could
// not all be read.
std::optional<QString> eachRow(const ExportInput &in, const ExportRowFn &row)
{
    if (!in.rows)
        return in.stream ? in.stream(row) : std::nullopt;
    const std::vector<QueryRow> &rows = *in.rows;
    for (std::size_t i = 0; i < rows.size(); ++i)
        row(rows[i], in.viscosityNA && in.viscosityNA(static_cast<int>(i)));
    return std::nullopt;
}

// The gel column is already in the unit system's stress unit.
double gelDialDivisor(bool si) { return si ? formula::kDialDivisor : formula::kGelDialEI; }

void headerRows(Workbook &wb, const char *title,
                const std::vector<std::pair<const char *, QString>> &fields)
{
    wb.text(1, 1, title);
    int row = 3;
    for (const auto &[label, value] : fields) {
        wb.text(row, 1, label);
        wb.text(row, 2, value.toStdString());
        ++row;
    }
}

// A table of the analysis at `row`: heading row filled, the block bordered, numbers as
// numbers. Returns the row after it.
int rheologyTable(Workbook &wb, int row, const rheology::Table &t, int &widest)
{
    const int lastCol = static_cast<int>(t.header.size());
    widest = std::max(widest, lastCol);
    wb.text(row++, 1, t.title);
    if (!t.note.empty())
        wb.text(row++, 1, t.note);
    const int first = row, last = row + static_cast<int>(t.rows.size());
    for (int c = 1; c <= lastCol; ++c)
        wb.text(row, c, t.header[static_cast<size_t>(c - 1)],
                gridStyle(row, c, first, last, lastCol, true));
    for (const auto &cells : t.rows) {
        ++row;
        for (int c = 1; c <= lastCol; ++c) {
            const CellStyle style = gridStyle(row, c, first, last, lastCol, false);
            const rheology::Cell *cell = static_cast<size_t>(c) <= cells.size()
                                             ? &cells[static_cast<size_t>(c - 1)]
                                             : nullptr;
            if (cell && cell->number)
                wb.number(row, c, *cell->number, style);
            else
                wb.text(row, c, cell ? cell->text : std::string(), style);
        }
    }
    if (t.rows.empty())
        wb.text(++row, 1, "(none)");
    return row + 2;
}

// The second sheet: every flow curve's warnings, mud report, readings, field values, gels and
// models.
void rheologySheet(Workbook &wb, const rheology::Analysis &a, const QString &testName)
{
    wb.addSheet("Rheology");
    wb.text(1, 1, "Rheology");
    wb.text(3, 1, "Test Name:");
    wb.text(3, 2, testName.toStdString());
    wb.text(4, 1, "Units:");
    wb.text(4, 2, rheology::unitsText(a.units));
    int row = 5;
    for (const std::string &note : rheology::analysisNotes(a))
        wb.text(row++, 1, note);
    row += 1;
    int widest = 2;
    for (std::size_t i = 0; i < a.curves.size(); ++i) {
        const rheology::CurveTables t =
            rheology::curveTables(a.curves[i], i, a.curves.size(), a.units);
        wb.text(row, 1, t.title);
        row += 2;
        for (const std::string &w : t.warnings)
            wb.text(row++, 1, "Warning: " + w);
        if (!t.warnings.empty())
            ++row;
        for (const rheology::Table *table : t.tables())
            row = rheologyTable(wb, row, *table, widest);
        wb.text(row, 1, t.recommendation);
        row += 3;
    }
    wb.fitColumns(1, widest);
}

// A sheet after the others: each note's time in the test's running time and its text.
void notesSheet(Workbook &wb, const std::vector<TestEvent> &notes, const QString &testName)
{
    if (notes.empty())
        return;
    wb.addSheet(kNotesTitle);
    wb.text(1, 1, kNotesTitle);
    wb.text(3, 1, "Test Name:");
    wb.text(3, 2, testName.toStdString());
    const int first = 5, last = first + static_cast<int>(notes.size());
    wb.text(first, 1, "Total Time (S)", gridStyle(first, 1, first, last, 2, true));
    wb.text(first, 2, "Note", gridStyle(first, 2, first, last, 2, true));
    int row = first;
    for (const TestEvent &n : notes) {
        ++row;
        wb.number(row, 1, n.time, gridStyle(row, 1, first, last, 2, false));
        wb.text(row, 2, n.text.toStdString(), gridStyle(row, 2, first, last, 2, false));
    }
    wb.fitColumns(1, 2);
}

ExportResult finish(Workbook &wb)
{
    if (wb.close())
        return {};
    return {false, wb.error()};
}

// A read that failed half-way: the workbook is not written.
ExportResult notRead(const QString &error) { return {false, error.toStdString(), true}; }

} // namespace

namespace {
// The test's header and every row, on the sheet begun last; why the rows could not all be
// read.
std::optional<QString> testSheet(Workbook &wb, const ExportInput &in,
                                 const ExportProgress &progress)
{
    const TestHeader &h = in.header;
    headerRows(wb, "K7400r Test Report",
               {{"Test Name:", h.testName},
                {"Fluid ID:", h.mudId},
                {"Sample Time:", h.sampleTime},
                {"Company:", h.companyName},
                {"Description:", h.desc}});
    const long n = static_cast<long>(in.rowCount());
    if (n == 0)
        return std::nullopt;
    constexpr int kLastCol = col::Count + 2;
    const int lastRow = 10 + static_cast<int>(n);
    const char *headings[] = {"Step #",     "Step Time", "Total Time",   "Temp",
                              "Shear Rate", "Speed",     "Shear Stress", "Viscosity",
                              "Gel ",       "Rb Factor", "Fann® 35 F1",  "Fann® 35 F1"};
    const char *unitsEI[] = {"",
                             "(S)",
                             "(S)",
                             "(°F)",
                             "(1/S)",
                             "(Rpm)",
                             "(lb/100ft2)",
                             "(cP)",
                             "(lb/100ft2)",
                             "",
                             "Reading (deg)",
                             "Gel Dial Read (deg)"};
    const char *unitsSI[] = {"",          "(S)",   "(S)",           "(C°)",
                             "(1/S)",     "(Rpm)", "(dyn/cm2)",     "(cP)",
                             "(dyn/cm2)", "",      "Reading (deg)", "Gel Dial Read (deg)"};
    for (int c = 1; c <= kLastCol; ++c)
        wb.text(9, c, headings[c - 1], gridStyle(9, c, 9, lastRow, kLastCol, true));
    for (int c = 1; c <= kLastCol; ++c)
        wb.text(10, c, (in.si ? unitsSI : unitsEI)[c - 1],
                gridStyle(10, c, 9, lastRow, kLastCol, true));
    StepTimeline timeline;
    const double gelDivisor = gelDialDivisor(in.si);
    long i = 0;
    const auto read = eachRow(in, [&](const QueryRow &r, bool na) {
        if (i >= n)
            return;
        if (progress)
            progress(i + 1, n);
        const int row = 11 + static_cast<int>(i++);
        auto style = [&](int c) { return gridStyle(row, c, 9, lastRow, kLastCol, false); };
        const long long offset = timeline.offsetOf(r[col::Step], r[col::Time]);
        wb.number(row, 1, r[col::Step], style(1));
        wb.number(row, 2, r[col::Time], style(2));
        wb.number(row, 3, static_cast<double>(roundHalfEven(r[col::Time]) + offset), style(3));
        wb.number(row, 4, r[col::Temperature], style(4));
        wb.number(row, 5, r[col::ShearRate], style(5));
        wb.number(row, 6, r[col::Speed], style(6));
        wb.number(row, 7, r[col::ShearStress], style(7));
        if (na)
            wb.text(row, 8, "N/A", style(8));
        else
            wb.number(row, 8, r[col::Viscosity], style(8));
        wb.number(row, 9, r[col::Gel], style(9));
        wb.number(row, 10, r[col::Rbfactor], style(10));
        wb.number(row, 11, r[col::Dial], style(11));
        wb.number(row, 12, r[col::Gel] / gelDivisor, style(12));
    });
    if (read)
        return read;
    wb.fitColumns(1, kLastCol);
    wb.printSetUp(9, 10, 1, 11);
    return std::nullopt;
}
} // namespace

ExportResult writeTestWorkbook(const std::string &path, const ExportInput &in,
                               const ExportProgress &progress)
{
    Workbook wb(path);
    if (const auto read = testSheet(wb, in, progress))
        return notRead(*read);
    if (in.rheology)
        rheologySheet(wb, *in.rheology, in.header.testName);
    notesSheet(wb, in.notes, in.header.testName);
    return finish(wb);
}

std::vector<std::string> sheetNames(const QStringList &testNames)
{
    // A sheet's name holds at most 31 characters, none of []:*?/\, and no two alike in any
    // letter case; "Summary" is the first sheet's.
    QSet<QString> taken{QStringLiteral("summary")};
    std::vector<std::string> out;
    for (const QString &name : testNames) {
        QString base;
        for (const QChar c : name)
            base += QStringLiteral("[]:*?/\\").contains(c) || c.unicode() < 0x20 ? QChar(u'_') : c;
        base = base.trimmed();
        // Nor may it begin or end with an apostrophe.
        if (base.startsWith(QLatin1Char('\'')))
            base[0] = QLatin1Char('_');
        if (base.endsWith(QLatin1Char('\'')))
            base[base.size() - 1] = QLatin1Char('_');
        if (base.isEmpty())
            base = QStringLiteral("Test");
        QString candidate = base.left(31);
        for (int n = 2; taken.contains(candidate.toCaseFolded()); ++n) {
            const QString suffix = QStringLiteral(" (%1)").arg(n);
            candidate = base.left(31 - suffix.size()) + suffix;
        }
        taken.insert(candidate.toCaseFolded());
        out.push_back(candidate.toStdString());
    }
    return out;
}

namespace {
QString localTime(const std::optional<double> &utc)
{
    return utc ? QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(*utc * 1000)))
                     .toLocalTime()
                     .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
               : QStringLiteral("unknown");
}

void textOrUnknown(Workbook &wb, int row, int col, const QString &text)
{
    wb.text(row, col, (text.isEmpty() ? QStringLiteral("unknown") : text).toStdString());
}
} // namespace

ExportResult writeTestsWorkbook(const std::string &path, Database &db, const QStringList &names,
                                const OpenForExport &open)
{
    // What the summary shows of each test, gathered first: its rows go in order, headings
    // first, and those depend on the most curves of any test.
    struct Curve {
        double temperature = 0;
        std::vector<std::optional<double>> values;
        std::string model;
    };
    struct Summary {
        TestRecord record;
        std::size_t points = 0;
        std::vector<Curve> curves;
    };
    const std::vector<rheology::Field> &fields = rheology::fieldTable();
    std::vector<Summary> summaries;
    std::size_t curves = 0;
    for (const QString &name : names) {
        const auto record = TestRecords(db).latest(name);
        if (!record)
            return {false, record.failure().text};
        Summary s{record->value_or(TestRecord{}), 0, {}};
        if (std::optional<Failure> failed =
                open(name, WithRheology::Yes, [&](const ExportInput &in) {
                    s.points = in.rowCount();
                    for (const rheology::FlowCurve &c :
                         in.rheology ? in.rheology->curves : std::vector<rheology::FlowCurve>{}) {
                        Curve curve{
                            c.temperature, {}, c.recommended ? c.recommended->name : "none"};
                        for (const rheology::Field &f : fields)
                            curve.values.push_back((c.field.*(f.member)).value);
                        s.curves.push_back(std::move(curve));
                    }
                }))
            return {false, failed->text};
        curves = std::max(curves, s.curves.size());
        summaries.push_back(std::move(s));
    }
    Workbook wb(path, "Summary");
    const std::vector<std::string> sheets = sheetNames(names);
    const int perCurve = 2 + static_cast<int>(fields.size());
    const char *fixed[] = {"Test Name",  "Sheet",    "Start",    "End",
                           "Instrument", "Operator", "Sequence", "Points"};
    constexpr int kFixed = 8;
    wb.text(1, 1, "Summary");
    for (int c = 0; c < kFixed; ++c)
        wb.text(3, c + 1, fixed[c]);
    for (std::size_t k = 0; k < curves; ++k) {
        int col = kFixed + 1 + static_cast<int>(k) * perCurve;
        const std::string curve = "Curve " + std::to_string(k + 1) + " ";
        wb.text(3, col++, curve + "Temperature");
        for (const rheology::Field &f : fields)
            wb.text(3, col++, curve + f.key);
        wb.text(3, col, curve + "Recommended Model");
    }
    for (std::size_t i = 0; i < summaries.size(); ++i) {
        const Summary &s = summaries[i];
        const int row = 4 + static_cast<int>(i);
        wb.text(row, 1, names[static_cast<qsizetype>(i)].toStdString());
        wb.text(row, 2, sheets[i]);
        wb.text(row, 3, localTime(s.record.startedAt).toStdString());
        wb.text(row, 4, localTime(s.record.endedAt).toStdString());
        textOrUnknown(wb, row, 5, s.record.instrument);
        textOrUnknown(wb, row, 6, s.record.operatorName);
        textOrUnknown(wb, row, 7, s.record.sequenceName);
        wb.number(row, 8, static_cast<double>(s.points));
        int col = kFixed + 1;
        for (const Curve &c : s.curves) {
            wb.number(row, col++, c.temperature);
            for (const std::optional<double> &v : c.values) {
                if (v)
                    wb.number(row, col, *v);
                ++col;
            }
            wb.text(row, col++, c.model);
        }
    }
    wb.fitColumns(1, kFixed + static_cast<int>(curves) * perCurve);
    for (int i = 0; i < names.size(); ++i) {
        wb.addSheet(sheets[static_cast<std::size_t>(i)]);
        std::optional<QString> read;
        if (std::optional<Failure> failed =
                open(names[i], WithRheology::No,
                     [&](const ExportInput &in) { read = testSheet(wb, in, {}); }))
            return {false, failed->text};
        if (read)
            return notRead(*read);
    }
    return finish(wb);
}

ExportResult writeCementWorkbook(const std::string &path, const ExportInput &in,
                                 const ExportProgress &progress)
{
    Workbook wb(path);
    const TestHeader &h = in.header;
    headerRows(wb, "K7400 Viscosity Test Report",
               {{"Test Name:", h.testName},
                {"ID:", h.mudId},
                {"Sample Time:", h.sampleTime},
                {"Company:", h.companyName}});
    const long n = static_cast<long>(in.rowCount());
    if (n == 0)
        return finish(wb);
    // Every cell of the block: thick left and right edges, a thin top edge.
    auto style = [](bool fill) {
        CellStyle s;
        s.fill = fill;
        s.left = s.right = Edge::Thick;
        s.top = Edge::Thin;
        return s;
    };
    const char *headings[] = {"Speed", "Fann® 35 F1", "Fann® 35 F1"};
    const char *units[] = {"(Rpm)", "Reading (deg)", "Gel Dial Read (deg)"};
    for (int c = 1; c <= 3; ++c)
        wb.text(8, c, headings[c - 1], style(true));
    for (int c = 1; c <= 3; ++c)
        wb.text(9, c, units[c - 1], style(true));
    const double gelDivisor = gelDialDivisor(in.si);
    long i = 0;
    const auto read = eachRow(in, [&](const QueryRow &r, bool) {
        if (i >= n)
            return;
        if (progress)
            progress(i + 1, n);
        const int row = 10 + static_cast<int>(i++);
        wb.number(row, 1, r[col::Speed], style(false));
        wb.number(row, 2, Int(r[col::Dial] + 0.5), style(false));
        wb.number(row, 3, Int(r[col::Gel] / gelDivisor + 0.5), style(false));
    });
    if (read)
        return notRead(*read);
    wb.fitColumns(1, 3);
    wb.printSetUp(8, 9, 1, 10);
    return finish(wb);
}

ExportResult writeCalibrationWorkbook(const std::string &path, const std::string &viscosity,
                                      const std::vector<CalibrationResultRow> &rows,
                                      const CalibrationHeader &header)
{
    Workbook wb(path);
    wb.text(1, 1, "Auto Calibration Check");
    for (size_t i = 0; i < header.size(); ++i) {
        wb.text(3 + static_cast<int>(i), 1, header[i].first + ":");
        wb.text(3 + static_cast<int>(i), 2, header[i].second);
    }
    const int top = header.empty() ? 3 : 4 + static_cast<int>(header.size());
    wb.text(top, 1, "Calibration Fluid Viscosity:");
    const double v = Val(viscosity);
    if (!viscosity.empty())
        wb.number(top, 2, v);
    wb.text(top, 3, "cP");
    const int head = top + 2;
    const int last = head + static_cast<int>(rows.size());
    const char *headings[] = {"Shear Stress  (dyn/cm2)", "Error (dyn/cm2)", "Error (%)"};
    for (int c = 1; c <= 3; ++c)
        wb.text(head, c, headings[c - 1], gridStyle(head, c, head, last, 3, true));
    for (size_t i = 0; i < rows.size(); ++i) {
        const int row = head + 1 + static_cast<int>(i);
        const std::string cells[] = {rows[i].stress, rows[i].error, rows[i].percent};
        for (int c = 1; c <= 3; ++c) {
            const std::string &cell = cells[c - 1];
            // Results are numbers; "N/A" stays text.
            if (cell == "N/A" || cell.empty())
                wb.text(row, c, cell, gridStyle(row, c, head, last, 3, false));
            else
                wb.number(row, c, Val(cell), gridStyle(row, c, head, last, 3, false));
        }
    }
    wb.fitColumns(1, 3);
    return finish(wb);
}

} // namespace viscora
