#include "report/TestReport.h"

#include "core/Units.h"
#include "core/StepTimeline.h"
#include "core/VbFormat.h"
#include "review/TestAnalysis.h"
#include "review/TestReview.h"
#include "rheology/Tables.h"
#include "store/TestNotes.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace viscora {

const char *const kNoTestForReportMessage =
    "Currently no valid test selected.  Please first open a saved test.";
const char *const kReportNotPrintedMessage =
    "The report could not be printed: the printer could not be started.";
const char *const kPrinterTestDoneMessage =
    "Two pages, each with a single, centered line of text, have been sent to your printer.";
const char *const kPrinterTestFailedMessage = "There was a problem printing to your printer.";
const char *const kReportTitle = "Report";

std::string summaryOfferText(std::size_t points)
{
    return "This test has " + std::to_string(points) +
           " points, a line each in the full report.\n\nYes: the full report.\nNo: a summary, "
           "the last reading of each step under a chart of the whole test, with the rheology.";
}

std::string reportProgressText(int page, int pages)
{
    return "Drawing page " + std::to_string(page) + " of " + std::to_string(pages) + " (" +
           std::to_string(pages > 0 ? page * 100 / pages : 100) + "%)";
}

namespace {

// Section geometry in twips.
constexpr int kReportHeader = 720;
constexpr int kPageHeader = 360;
constexpr int kDetail = 240;
constexpr int kPageFooter = 360;

struct Column {
    const char *heading;
    int left;
};
constexpr Column kColumns[] = {
    {"STEP NO:", 0},          {"TIME (sec):", 432},       {"TEMP (F):", 1152},
    {"Speed (Rpm):", 1872},   {"Shear Rate(1/S):", 2592}, {"SH.STRESS (dyn/cm2):", 3456},
    {"Gel (dyn/cm2):", 4608}, {"RbFactor:", 5472},        {"VISC (cP):", 6048},
    {"Fann35 Read(°)", 6912}, {"Fann35 Gel(°):", 7776},
};
constexpr int kTableRight = 8640;
// Twips between a column's text and the next column's.
constexpr int kGap = 100;
// The least blank between one column heading and the next.
constexpr int kHeadingGap = 60;
// No text of the report is smaller.
constexpr double kLeastPoints = 7;

} // namespace

DbRead<std::optional<ReportData>> loadReport(const TestRepository &repo, int testId, int rbIndex)
{
    using Result = DbRead<std::optional<ReportData>>;
    // Each standard rotor-bob's report carries its shear-rate factor as a literal.
    const RotorBob *rb = rotorBobByCode(rbIndex);
    ReportData data;
    const auto rows = repo.eachReportRow(
        testId, rb ? factorValue(rb->shearFactor) : 1.0, [&](const ReportRow &v) {
            data.lines.push_back(
                {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]});
        });
    if (!rows)
        return Result::failure(rows);
    // Without points the rotor-bob decides nothing: an empty test's code is whatever was
    // left from before.
    if (!rb && *rows > 0)
        return std::optional<ReportData>();
    const auto header = repo.headerById(testId);
    if (!header)
        return Result::failure(header);
    if (*header)
        data.header = **header;
    return std::optional<ReportData>(std::move(data));
}

namespace {

// The analysis from the report's own lines, which hold the stored values it needs.
rheology::Analysis analyseLines(const std::vector<ReportLine> &lines, const RotorBobSetting &rb)
{
    auto orZero = [](double v) { return std::isnan(v) ? 0.0 : v; };
    std::vector<rheology::Point> points;
    points.reserve(lines.size());
    for (const ReportLine &l : lines)
        points.push_back({static_cast<int>(orZero(l.stepNo)), l.time, l.temperature, l.speed,
                          l.shearStress, l.gel});
    const std::optional<double> first =
        lines.empty() ? std::nullopt : std::optional<double>(orZero(lines.front().rbFactor));
    // Stored units, as the table's numbers; so are its stresses.
    return analysePoints(std::move(points), rb, first, Units::SI);
}

} // namespace

DbRead<std::optional<ReportData>>
savedTestReport(const TestRepository &repo, const std::string &testName, const RotorBobSetting &rb)
{
    using Result = DbRead<std::optional<ReportData>>;
    const QString name = QString::fromStdString(testName);
    const auto id = repo.testId(name);
    if (!id)
        return Result::failure(id);
    const auto first = repo.firstRbfactor(name);
    if (!first)
        return Result::failure(first);
    const RotorBobSetting opened = openedTestRotorBob(rb, *first);
    auto report = loadReport(repo, *id ? **id : 0, opened.index);
    if (report && *report) {
        (*report)->rheology = analyseLines((*report)->lines, opened);
        auto notes = testNotes(repo, name);
        if (!notes)
            return Result::failure(notes);
        (*report)->notes = std::move(*notes);
    }
    return report;
}

DbRead<std::optional<ReportData>> openedTestReport(TestReview &review, const std::string &testName,
                                                   const RotorBobSetting &rb)
{
    return savedTestReport(review.repository(), testName, rb);
}

std::vector<ReportLine> stepSummary(const std::vector<ReportLine> &lines)
{
    std::vector<ReportLine> out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (i + 1 == lines.size() || lines[i + 1].stepNo != lines[i].stepNo)
            out.push_back(lines[i]);
    return out;
}

std::string reportNumber(double v)
{
    if (!std::isfinite(v))
        return "";
    const double a = std::fabs(v);
    const SignificantDigits d = significantDigits(v, 15);
    return a != 0 && (a >= 1e15 || a < 1e-4) ? exponentText(d) : positionalText(d);
}

std::string fitReportNumber(double v, const std::function<bool(const std::string &)> &fits)
{
    const std::string full = reportNumber(v);
    if (full.empty() || fits(full))
        return full;
    // Fewer significant digits, written out when that fits, else with an exponent.
    for (int digits = 14; digits >= 1; --digits) {
        const SignificantDigits d = significantDigits(v, digits);
        for (const std::string &text : {positionalText(d), exponentText(d)})
            if (fits(text))
                return text;
    }
    // Nothing fits: the shortest text of the value.
    const SignificantDigits one = significantDigits(v, 1);
    const std::string a = positionalText(one), b = exponentText(one);
    return a.size() <= b.size() ? a : b;
}

std::optional<ColumnFit> fitColumns(const std::vector<ColumnNeed> &columns, int width, int gap,
                                    bool lastIsNotes)
{
    auto whole = [](const ColumnNeed &c) { return static_cast<int>(std::ceil(c.whole)); };
    auto word = [](const ColumnNeed &c) { return static_cast<int>(std::ceil(c.word)); };
    auto sum = [&](std::size_t count, auto part) {
        long total = 0;
        for (std::size_t c = 0; c < count; ++c)
            total += part(columns[c]) + gap;
        return total;
    };
    ColumnFit fit;
    std::size_t count = columns.size();
    if (count == 0)
        return fit;
    if (sum(count, whole) > width && lastIsNotes) {
        fit.notesBelow = true;
        --count;
    }
    if (sum(count, word) > width)
        return std::nullopt;
    // The widest columns wrap first: the largest cap on a column's width that lets all fit.
    int low = 0, high = 0;
    for (std::size_t c = 0; c < count; ++c)
        high = std::max(high, whole(columns[c]));
    auto capped = [&](int cap) {
        return sum(count,
                   [&](const ColumnNeed &c) { return std::max(word(c), std::min(whole(c), cap)); });
    };
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (capped(mid) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    for (std::size_t c = 0; c < count; ++c)
        fit.widths.push_back(std::max(word(columns[c]), std::min(whole(columns[c]), low)) + gap);
    if (!fit.widths.empty())
        fit.widths.back() += width - static_cast<int>(capped(low));
    return fit;
}

std::vector<int> spreadColumns(const std::vector<int> &designed, const std::vector<int> &least,
                               int total)
{
    const std::size_t n = designed.size();
    std::vector<bool> held(n, false);
    double share = 0;
    // Columns their share would make too narrow are held at their least, which leaves less to
    // share among the others; until none is.
    for (bool changed = true; changed;) {
        changed = false;
        long loose = 0, fixed = 0;
        for (std::size_t c = 0; c < n; ++c)
            (held[c] ? fixed : loose) += held[c] ? least[c] : designed[c];
        share = loose > 0 ? static_cast<double>(total - fixed) / static_cast<double>(loose) : 0;
        for (std::size_t c = 0; c < n; ++c)
            if (!held[c] && designed[c] * share < least[c]) {
                held[c] = true;
                changed = true;
            }
    }
    std::vector<int> widths(n);
    int used = 0;
    for (std::size_t c = 0; c < n; ++c) {
        widths[c] = held[c] ? least[c] : static_cast<int>(std::floor(designed[c] * share));
        used += widths[c];
    }
    // What rounding left over goes to the last column that is not held.
    for (std::size_t c = n; c-- > 0;)
        if (!held[c]) {
            widths[c] += std::max(0, total - used);
            break;
        }
    return widths;
}

std::vector<ReportPage> paginateReport(int lines, int pageHeightTwips, int firstTop)
{
    std::vector<ReportPage> pages;
    const int perPage = std::max(1, (pageHeightTwips - kPageHeader - kPageFooter) / kDetail);
    const int firstPage = std::max(1, (pageHeightTwips - firstTop - kPageFooter) / kDetail);
    int at = 0;
    ReportPage first{0, std::min(lines, firstPage)};
    pages.push_back(first);
    at = first.lineCount;
    while (at < lines) {
        const int n = std::min(perPage, lines - at);
        pages.push_back({at, n});
        at += n;
    }
    return pages;
}

namespace {

// Draws in twips from the page's top left; a dry one only measures, to count the pages first.
class TwipPainter {
public:
    TwipPainter(QPainter &p, QPagedPaintDevice &device, double scale, bool dry)
        : p_(p), device_(device), scale_(scale), dry_(dry)
    {}
    QRectF rect(int left, int top, int width, int height) const
    {
        return QRectF(left * scale_, top * scale_, width * scale_, height * scale_);
    }
    void text(int left, int top, int width, int height, const QString &s, int flags = 0)
    {
        if (dry_)
            return;
        const int horizontal = flags & Qt::AlignHorizontal_Mask ? 0 : Qt::AlignLeft;
        p_.drawText(rect(left, top, width, height), horizontal | Qt::AlignTop | flags, s);
    }
    // Width of a text in the given font, in twips.
    double width(const QFont &f, const QString &s) const
    {
        return QFontMetricsF(f, &device_).horizontalAdvance(s) / scale_;
    }
    // Height a text takes when wrapped at a width, in twips.
    double wrappedHeight(const QFont &f, const QString &s, int width) const
    {
        const QRectF r = QFontMetricsF(f, &device_)
                             .boundingRect(QRectF(0, 0, width * scale_, 1e6),
                                           Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, s);
        return r.height() / scale_;
    }
    double lineHeight(const QFont &f) const
    {
        return QFontMetricsF(f, &device_).lineSpacing() / scale_;
    }
    int step(const QFont &f) const { return static_cast<int>(std::ceil(lineHeight(f))); }
    double scale() const { return scale_; }
    bool dry() const { return dry_; }
    QPainter &painter() { return p_; }
    QPagedPaintDevice &device() const { return device_; }

private:
    QPainter &p_;
    QPagedPaintDevice &device_;
    double scale_;
    bool dry_;
};

QFont sized(QFont f, double points)
{
    f.setPointSizeF(points);
    return f;
}

// Lines of a text wrapped at its words, or anywhere in a word wider than the width; its own
// line breaks kept. At most `most` lines, the last cut short with an ellipsis.
QStringList wrapAnywhere(const TwipPainter &tp, const QFont &f, const QString &text, int width,
                         qsizetype most)
{
    QStringList lines;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString &paragraph : QString(text)
                                        .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                                        .split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, f, &tp.device());
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width * tp.scale());
            lines << paragraph.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
        if (paragraph.isEmpty())
            lines << QString();
    }
    if (lines.size() > most) {
        lines.resize(most);
        lines.back() = QFontMetricsF(f, &tp.device())
                           .elidedText(lines.back() + QStringLiteral(" \u2026"), Qt::ElideRight,
                                       width * tp.scale());
    }
    return lines;
}

// Lays the sections after the table out downwards, turning the page when a block would not
// fit; `turned` is told of each new page.
class Flow {
public:
    Flow(TwipPainter &tp, int pageHeight, int width, int y, std::function<void()> turned)
        : tp_(tp), pageHeight_(pageHeight), width_(width), y_(y), turned_(std::move(turned))
    {}
    int width() const { return width_; }
    int &y() { return y_; }
    int pagesTurned() const { return pagesTurned_; }
    // Room for `height` twips below, on a new page when this one has too little.
    bool need(double height)
    {
        if (y_ + height <= pageHeight_ - kPageFooter)
            return false;
        if (!tp_.dry())
            tp_.device().newPage();
        ++pagesTurned_;
        if (turned_)
            turned_();
        y_ = kPageHeader;
        return true;
    }
    void line(const QFont &f, const std::string &s, int gapAfter = 0)
    {
        const QString q = QString::fromStdString(s);
        const int h = static_cast<int>(std::ceil(tp_.wrappedHeight(f, q, width_)));
        need(h);
        tp_.painter().setFont(f);
        tp_.text(0, y_, width_, h, q, Qt::TextWordWrap);
        y_ += h + gapAfter;
    }
    TwipPainter &tp() { return tp_; }

private:
    TwipPainter &tp_;
    int pageHeight_, width_, y_;
    std::function<void()> turned_;
    int pagesTurned_ = 0;
};

// Lines of a text wrapped at its blanks only; a word wider than the width stays whole.
QStringList wrapAtBlanks(const TwipPainter &tp, const QFont &f, const QString &text, int width)
{
    QStringList lines;
    QString line;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString joined = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (line.isEmpty() || tp.width(f, joined) <= width) {
            line = joined;
        } else {
            lines << line;
            line = word;
        }
    }
    if (!line.isEmpty() || lines.isEmpty())
        lines << line;
    return lines;
}

// A table of the analysis: columns as wide as their cells where the page allows, wrapping at
// blanks where it does not; notes that would be squeezed go on their own line under the row.
void drawTable(Flow &flow, const rheology::Table &t, const QFont &base)
{
    TwipPainter &tp = flow.tp();
    const std::size_t n = t.header.size();
    if (n == 0)
        return;
    auto qs = [](const std::string &s) { return QString::fromStdString(s); };
    const bool lastIsNotes = t.header.back() == "Note";
    QFont font = base, bold = base;
    ColumnFit fit;
    for (double size = base.pointSizeF(); size >= kLeastPoints; size -= 0.5) {
        font = sized(base, size);
        bold = font;
        bold.setBold(true);
        std::vector<ColumnNeed> needs(n);
        auto measure = [&](std::size_t c, const std::string &text, const QFont &f) {
            const QString q = qs(text);
            needs[c].whole = std::max(needs[c].whole, tp.width(f, q));
            for (const QString &word : q.split(QLatin1Char(' ')))
                needs[c].word = std::max(needs[c].word, tp.width(f, word));
        };
        for (std::size_t c = 0; c < n; ++c) {
            measure(c, t.header[c], bold);
            for (const auto &row : t.rows)
                if (c < row.size())
                    measure(c, row[c].text, font);
        }
        if (const auto f = fitColumns(needs, flow.width(), kGap, lastIsNotes)) {
            fit = *f;
            break;
        }
        // Nothing fits even at the least size: each column as wide as its longest word.
        fit.widths.clear();
        for (const ColumnNeed &need : needs)
            fit.widths.push_back(static_cast<int>(std::ceil(need.word)) + kGap);
    }
    const std::size_t columns = fit.widths.size();
    auto linesOf = [&](const std::string &text, const QFont &f, std::size_t c) {
        return wrapAtBlanks(tp, f, qs(text), fit.widths[c] - kGap);
    };
    const auto step = [&](const QFont &f) { return static_cast<int>(std::ceil(tp.lineHeight(f))); };
    // The notes' line sits under the row, from the second column to the right edge.
    const int notesLeft = columns > 1 ? fit.widths[0] : 0;
    auto notesOf = [&](const std::vector<std::string> &cells) {
        return fit.notesBelow && cells.size() == n && !cells.back().empty()
                   ? wrapAtBlanks(tp, font, qs(cells.back()), flow.width() - notesLeft)
                   : QStringList();
    };
    auto rowHeight = [&](const std::vector<std::string> &cells, const QFont &f) {
        qsizetype lines = 1;
        for (std::size_t c = 0; c < cells.size() && c < columns; ++c)
            lines = std::max(lines, linesOf(cells[c], f, c).size());
        return static_cast<int>(lines + notesOf(cells).size()) * step(f);
    };
    auto drawRow = [&](const std::vector<std::string> &cells, const std::vector<bool> &numbers,
                       const QFont &f, int h) {
        tp.painter().setFont(f);
        int x = 0;
        qsizetype lines = 1;
        for (std::size_t c = 0; c < cells.size() && c < columns; ++c) {
            const int align = c < numbers.size() && numbers[c] ? Qt::AlignRight : Qt::AlignLeft;
            const QStringList cellLines = linesOf(cells[c], f, c);
            for (qsizetype i = 0; i < cellLines.size(); ++i)
                tp.text(x, flow.y() + static_cast<int>(i) * step(f), fit.widths[c] - kGap, step(f),
                        cellLines[i], align | Qt::TextDontClip);
            lines = std::max(lines, cellLines.size());
            x += fit.widths[c];
        }
        const QStringList notes = notesOf(cells);
        for (qsizetype i = 0; i < notes.size(); ++i)
            tp.text(notesLeft, flow.y() + static_cast<int>(lines + i) * step(f),
                    flow.width() - notesLeft, step(f), notes[i], Qt::TextDontClip);
        flow.y() += h;
    };
    // The heading row names the notes only where they are a column.
    std::vector<std::string> header = t.header;
    if (fit.notesBelow)
        header.pop_back();
    const int headerHeight = rowHeight(header, bold);
    std::vector<bool> headerNumbers(n, false);
    for (const auto &row : t.rows)
        for (std::size_t c = 0; c < row.size() && c < n; ++c)
            headerNumbers[c] = headerNumbers[c] || row[c].number.has_value();
    // The title, the heading and a first row stay together.
    const QFont titleFont = bold;
    flow.need(tp.lineHeight(titleFont) + headerHeight + 2 * tp.lineHeight(font));
    flow.line(titleFont, t.title);
    if (!t.note.empty())
        flow.line(font, t.note);
    drawRow(header, headerNumbers, bold, headerHeight);
    for (const auto &row : t.rows) {
        std::vector<std::string> cells;
        std::vector<bool> numbers;
        for (const rheology::Cell &c : row) {
            cells.push_back(c.text);
            numbers.push_back(c.number.has_value());
        }
        const int h = rowHeight(cells, font);
        if (flow.need(h))
            drawRow(header, headerNumbers, bold, headerHeight);
        drawRow(cells, numbers, font, h);
    }
    if (t.rows.empty())
        flow.line(font, "(none)");
    flow.y() += 120;
}

void drawRheology(Flow &flow, const rheology::Analysis &a, const QFont &font)
{
    QFont title = sized(font, 12);
    title.setBold(true);
    QFont curveFont = sized(font, 9);
    curveFont.setBold(true);
    // The section's title goes with its first curve's title and field values.
    flow.need(4000);
    flow.line(title, "Rheology", 60);
    flow.line(font, "Stresses in dyn/cm2 and temperatures in °F, as in the table above.", 60);
    for (const std::string &note : rheology::analysisNotes(a))
        flow.line(font, note);
    for (std::size_t i = 0; i < a.curves.size(); ++i) {
        const rheology::CurveTables t =
            rheology::curveTables(a.curves[i], i, a.curves.size(), a.units, true);
        flow.y() += 120;
        flow.need(1500);
        flow.line(curveFont, t.title, 60);
        for (const std::string &w : t.warnings)
            flow.line(font, "Warning: " + w);
        for (const rheology::Table *table : t.tables())
            drawTable(flow, *table, font);
        flow.line(curveFont, t.recommendation, 60);
    }
}

void drawNotes(Flow &flow, const std::vector<TestEvent> &notes, const QFont &font)
{
    if (notes.empty())
        return;
    QFont title = sized(font, 12);
    title.setBold(true);
    flow.need(1500);
    flow.line(title, kNotesTitle, 60);
    for (const TestEvent &n : notes)
        flow.line(font, noteTimeText(n.time) + " s:  " + n.text.toStdString());
    flow.y() += 240;
}

// The table's page geometry: the designed columns widened to the page's width.
struct Geometry {
    int pageWidth = 0, pageHeight = 0;
    double stretch = 1;     // page width over the designed table width
    std::vector<int> lefts; // each column's, then the table's right edge
    int x(int designed) const { return static_cast<int>(std::lround(designed * stretch)); }
    int columnLeft(std::size_t c) const { return lefts[c]; }
    int columnWidth(std::size_t c) const { return lefts[c + 1] - lefts[c] - kGap; }
    // A heading may reach into the gap after its column, short of the next heading.
    int headingWidth(std::size_t c) const { return columnWidth(c) + kGap - kHeadingGap; }
};

// The designed columns spread over the page, each at least as wide as its heading's longest
// word at the least size.
Geometry pageGeometry(const TwipPainter &tp, const QRect &viewport, const QFont &bold)
{
    Geometry g;
    g.pageHeight = static_cast<int>(viewport.height() / tp.scale());
    g.pageWidth = static_cast<int>(viewport.width() / tp.scale());
    g.stretch = static_cast<double>(g.pageWidth) / kTableRight;
    const QFont least = sized(bold, kLeastPoints);
    std::vector<int> designed, leastWidths;
    for (std::size_t c = 0; c < std::size(kColumns); ++c) {
        const int right = c + 1 < std::size(kColumns) ? kColumns[c + 1].left : kTableRight;
        designed.push_back(right - kColumns[c].left);
        double word = 0;
        for (const QString &w : QString::fromUtf8(kColumns[c].heading).split(QLatin1Char(' ')))
            word = std::max(word, tp.width(least, w));
        leastWidths.push_back(static_cast<int>(std::ceil(word)) + kHeadingGap);
    }
    int left = 0;
    for (int w : spreadColumns(designed, leastWidths, g.pageWidth)) {
        g.lefts.push_back(left);
        left += w;
    }
    g.lefts.push_back(left);
    return g;
}

// Where the first page's parts go: the header fields wrap within their fields, and what
// follows moves down by what they need.
struct HeaderLayout {
    struct Field {
        const char *label;
        QString value;
        int labelLeft, left, width;
        QStringList lines;
    };
    std::vector<Field> fields;
    int rowTops[3] = {288, 576, 864};
    QString summaryNote; // the summary says what its rows are
    int noteTop = 0;
    int headingsTop = 1584; // from the group header's top
    int height() const { return headingsTop + 528; }
};

constexpr int kFieldLines = 12;

HeaderLayout layoutHeader(const TwipPainter &tp, const Geometry &g, const QFont &font,
                          const ReportData &report, const ReportOptions &options)
{
    const TestHeader &h = report.header;
    HeaderLayout l;
    const int right = g.pageWidth;
    const int secondLabel = g.x(3600), secondValue = g.x(5040), firstValue = g.x(1440);
    const int firstWidth = secondLabel - firstValue - kGap, secondWidth = right - secondValue;
    l.fields = {{"TestName:", h.testName, 0, firstValue, firstWidth, {}},
                {"MudId:", h.mudId, secondLabel, secondValue, secondWidth, {}},
                {"SampleTime:", h.sampleTime, 0, firstValue, firstWidth, {}},
                {"CompanyName:", h.companyName, secondLabel, secondValue, secondWidth, {}},
                {"Desc:", h.desc, 0, firstValue, right - firstValue, {}}};
    for (auto &f : l.fields)
        f.lines = wrapAnywhere(tp, font, f.value, f.width, kFieldLines);
    const int step = tp.step(font);
    auto height = [&](std::size_t field) {
        return static_cast<int>(l.fields[field].lines.size()) * step;
    };
    l.rowTops[1] = l.rowTops[0] + std::max(288, std::max(height(0), height(1)) + 48);
    l.rowTops[2] = l.rowTops[1] + std::max(288, std::max(height(2), height(3)) + 48);
    int end = l.rowTops[2] + std::max(435, height(4));
    if (options.kind == ReportKind::Summary) {
        l.summaryNote =
            QStringLiteral("Summary: the last reading of each step, %1 of the test's %2 points.")
                .arg(stepSummary(report.lines).size())
                .arg(report.lines.size());
        l.noteTop = end + 240;
        end = l.noteTop + step;
    }
    l.headingsTop = std::max(1584, end + 288);
    return l;
}

// One size for every column heading, the largest from the body's down to the least legible
// at which each heading wraps at its own blanks within its column and the heading row.
QFont headingFont(const TwipPainter &tp, const Geometry &g, const QFont &bold)
{
    QFont f = bold;
    for (double size = bold.pointSizeF(); size >= kLeastPoints; size -= 0.25) {
        f = sized(bold, size);
        bool fits = true;
        for (std::size_t c = 0; c < std::size(kColumns) && fits; ++c) {
            const QString heading = QString::fromUtf8(kColumns[c].heading);
            for (const QString &word : heading.split(QLatin1Char(' ')))
                fits = fits && tp.width(f, word) <= g.headingWidth(c);
            fits =
                fits && wrapAtBlanks(tp, f, heading, g.headingWidth(c)).size() * tp.step(f) <= 528;
        }
        if (fits)
            return f;
    }
    return f;
}

void drawHeader(TwipPainter &tp, const Geometry &g, const HeaderLayout &l, int top,
                const QFont &font, const QFont &bold, const QFont &headings)
{
    QPainter &p = tp.painter();
    const int step = tp.step(font);
    for (std::size_t i = 0; i < l.fields.size(); ++i) {
        const auto &f = l.fields[i];
        const int rowTop = top + l.rowTops[i / 2];
        p.setFont(bold);
        tp.text(f.labelLeft, rowTop, 1400, 240, QString::fromLatin1(f.label));
        p.setFont(font);
        for (qsizetype k = 0; k < f.lines.size(); ++k)
            tp.text(f.left, rowTop + static_cast<int>(k) * step, f.width, step, f.lines[k]);
    }
    if (!l.summaryNote.isEmpty())
        tp.text(0, top + l.noteTop, g.pageWidth, step, l.summaryNote);
    p.setFont(headings);
    const int headingStep = tp.step(headings);
    for (std::size_t c = 0; c < std::size(kColumns); ++c) {
        const QStringList lines =
            wrapAtBlanks(tp, headings, QString::fromUtf8(kColumns[c].heading), g.headingWidth(c));
        for (qsizetype k = 0; k < lines.size(); ++k)
            tp.text(g.columnLeft(c), top + l.headingsTop + static_cast<int>(k) * headingStep,
                    g.headingWidth(c), headingStep, lines[k], Qt::TextDontClip);
    }
    p.setFont(font);
}

// The numbers of the table, many thousands to a report: their glyphs placed from the digits'
// advances, without shaping or layout, and a page's worth drawn as one run.
class NumberCells {
public:
    NumberCells(TwipPainter &tp, const QFont &font) : tp_(tp), font_(font)
    {
        // The font at the device's resolution, so that placed glyphs print at the font's size.
        raw_ = QRawFont::fromFont(font);
        raw_.setPixelSize(font.pointSizeF() * tp.device().logicalDpiY() / 72.0);
        ascent_ = raw_.ascent();
        const QString chars = QStringLiteral("0123456789.-+E");
        const QList<quint32> glyphs = raw_.glyphIndexesForString(chars);
        const QList<QPointF> advances = raw_.advancesForGlyphIndexes(glyphs);
        for (qsizetype i = 0; i < chars.size() && i < glyphs.size(); ++i) {
            const auto ch = static_cast<unsigned char>(chars[i].toLatin1());
            glyph_[ch] = glyphs[i];
            advance_[ch] = advances[i].x() / tp.scale();
        }
    }
    void add(double value, int left, int top, int width)
    {
        const std::string text =
            fitReportNumber(value, [&](const std::string &s) { return this->width(s) <= width; });
        if (text.empty())
            return;
        const double needed = this->width(text);
        if (needed > width) {
            // Not even one digit fits: smaller, never wider than its column.
            QPainter &p = tp_.painter();
            p.setFont(sized(font_, std::max(2.0, font_.pointSizeF() * width / needed)));
            p.drawText(QPointF(left * tp_.scale(), top * tp_.scale() + ascent_),
                       QString::fromStdString(text));
            p.setFont(font_);
            return;
        }
        double x = left * tp_.scale();
        const double y = top * tp_.scale() + ascent_;
        for (char ch : text) {
            const auto c = static_cast<unsigned char>(ch);
            glyphs_.push_back(glyph_[c]);
            positions_.push_back(QPointF(x, y));
            x += advance_[c] * tp_.scale();
        }
    }
    // Draws what was added since the last time.
    void flush()
    {
        if (glyphs_.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(raw_);
        run.setGlyphIndexes(glyphs_);
        run.setPositions(positions_);
        tp_.painter().drawGlyphRun(QPointF(0, 0), run);
        glyphs_.clear();
        positions_.clear();
    }

private:
    double width(const std::string &s) const
    {
        double w = 0;
        for (char ch : s)
            w += advance_[static_cast<unsigned char>(ch)];
        return w;
    }
    TwipPainter &tp_;
    QFont font_;
    QRawFont raw_;
    double ascent_ = 0;
    quint32 glyph_[256] = {};
    double advance_[256] = {};
    QList<quint32> glyphs_;
    QList<QPointF> positions_;
};

// Every page's number at its foot and, after the first, the test's name at its head.
class PageMarks {
public:
    PageMarks(TwipPainter &tp, const Geometry &g, const QFont &font, const QString &testName,
              int pages)
        : tp_(tp), g_(g), font_(font), pages_(pages)
    {
        const QString title = QStringLiteral("K7400 Viscosity Test Report");
        titleWidth_ = static_cast<int>(std::ceil(tp.width(font, title))) + kGap;
        name_ = QFontMetricsF(font, &tp.device())
                    .elidedText(oneLine(testName), Qt::ElideRight,
                                (g.pageWidth - titleWidth_) * tp.scale());
    }
    void mark(int page)
    {
        QPainter &p = tp_.painter();
        const QFont was = p.font();
        p.setFont(font_);
        const int step = tp_.step(font_);
        if (page > 1) {
            const int top = (kPageHeader - step) / 2;
            tp_.text(0, top, g_.pageWidth - titleWidth_, step, name_);
            tp_.text(g_.pageWidth - titleWidth_, top, titleWidth_, step,
                     QStringLiteral("K7400 Viscosity Test Report"), Qt::AlignRight);
        }
        tp_.text(0, g_.pageHeight - kPageFooter + (kPageFooter - step) / 2, g_.pageWidth, step,
                 QStringLiteral("Page %1 of %2").arg(page).arg(pages_), Qt::AlignHCenter);
        p.setFont(was);
    }

private:
    static QString oneLine(QString s)
    {
        for (QChar &c : s)
            if (c.category() == QChar::Other_Control)
                c = QLatin1Char(' ');
        return s;
    }
    TwipPainter &tp_;
    const Geometry &g_;
    QFont font_;
    QString name_;
    int titleWidth_ = 0;
    int pages_;
};

// A whole test's shear stress against its running time: each column of the plot the lowest and
// highest stress of the points it covers, so a long test draws as fast as a short one.
void drawStressChart(Flow &flow, const std::vector<ReportLine> &lines, const QFont &font)
{
    TwipPainter &tp = flow.tp();
    constexpr int kHeight = 3600, kLeftAxis = 900, kBottomAxis = 480;
    QFont bold = font;
    bold.setBold(true);
    flow.need(tp.lineHeight(bold) + 200 + kHeight);
    // Room under the title for the top stress label, which stands across the plot's edge.
    flow.line(bold, "Shear stress (dyn/cm2) against time (s)", 200);
    const int top = flow.y(), left = kLeftAxis, width = flow.width() - kLeftAxis;
    const int plotHeight = kHeight - kBottomAxis;
    flow.y() += kHeight + 120;
    if (tp.dry())
        return;
    std::vector<double> times, stresses;
    StepTimeline timeline;
    for (const ReportLine &l : lines)
        if (std::isfinite(l.time) && std::isfinite(l.shearStress)) {
            times.push_back(timeline.at(l.stepNo, l.time));
            stresses.push_back(l.shearStress);
        }
    double tMin = 0, tMax = 1, sMin = 0, sMax = 1;
    if (!times.empty()) {
        tMin = *std::min_element(times.begin(), times.end());
        tMax = std::max(tMin + 1, *std::max_element(times.begin(), times.end()));
        sMin = std::min(0.0, *std::min_element(stresses.begin(), stresses.end()));
        sMax = std::max(sMin + 1, *std::max_element(stresses.begin(), stresses.end()));
    }
    QPainter &p = tp.painter();
    const QRectF plot = tp.rect(left, top, width, plotHeight);
    p.setFont(font);
    p.drawRect(plot);
    const int step = tp.step(font);
    for (int k = 0; k <= 4; ++k) {
        const double s = sMin + (sMax - sMin) * k / 4, t = tMin + (tMax - tMin) * k / 4;
        const int y = top + plotHeight - static_cast<int>(std::lround(plotHeight * k / 4.0));
        tp.text(0, y - step / 2, kLeftAxis - 80, step,
                QString::fromStdString(rheology::displayNumber(s)), Qt::AlignRight);
        const int x = left + static_cast<int>(std::lround(width * k / 4.0));
        // The last time label ends at the plot's edge, inside the page.
        const QString time = QString::fromStdString(rheology::displayNumber(t));
        if (k < 4)
            tp.text(x - 600, top + plotHeight + 60, 1200, step, time, Qt::AlignHCenter);
        else
            tp.text(x - 1200, top + plotHeight + 60, 1200, step, time, Qt::AlignRight);
    }
    const int columns = std::max(1, static_cast<int>(plot.width()));
    std::vector<double> low(static_cast<std::size_t>(columns), HUGE_VAL),
        high(static_cast<std::size_t>(columns), -HUGE_VAL);
    for (std::size_t i = 0; i < times.size(); ++i) {
        const auto c = static_cast<std::size_t>(std::clamp(
            static_cast<int>((times[i] - tMin) / (tMax - tMin) * (columns - 1)), 0, columns - 1));
        low[c] = std::min(low[c], stresses[i]);
        high[c] = std::max(high[c], stresses[i]);
    }
    QPolygonF envelope;
    for (int c = 0; c < columns; ++c) {
        const auto i = static_cast<std::size_t>(c);
        if (low[i] > high[i])
            continue;
        const double x = plot.left() + c;
        auto yOf = [&](double s) {
            return plot.bottom() - (s - sMin) / (sMax - sMin) * plot.height();
        };
        envelope << QPointF(x, yOf(high[i])) << QPointF(x, yOf(low[i]));
    }
    p.save();
    p.setPen(QPen(QColor(0, 70, 160), 0));
    p.drawPolyline(envelope);
    p.restore();
}
} // namespace

RenderResult renderReport(const ReportData &report, QPagedPaintDevice &device,
                          const ReportOptions &options)
{
    QPainter painter;
    if (!painter.begin(&device))
        return RenderResult::DeviceFailed;
    const double scale = device.logicalDpiY() / 1440.0;
    TwipPainter tp(painter, device, scale, false);
    QFont font = painter.font();
    font.setPointSizeF(7.5);
    painter.setFont(font);
    QFont titleFont = font;
    titleFont.setPointSizeF(14);
    titleFont.setBold(true);
    QFont boldFont = font;
    boldFont.setBold(true);
    const Geometry g = pageGeometry(tp, painter.viewport(), boldFont);
    const QFont headings = headingFont(tp, g, boldFont);

    const bool summary = options.kind == ReportKind::Summary;
    const std::vector<ReportLine> stepLines =
        summary ? stepSummary(report.lines) : std::vector<ReportLine>();
    const std::vector<ReportLine> &lines = summary ? stepLines : report.lines;
    const HeaderLayout header = layoutHeader(tp, g, font, report, options);
    const auto pages = paginateReport(static_cast<int>(lines.size()), g.pageHeight,
                                      kReportHeader + kPageHeader + header.height());
    const int tableEnd = kPageHeader + (pages.size() == 1 ? kReportHeader + header.height() : 0) +
                         pages.back().lineCount * kDetail;
    // What follows the table: the chart of a summary, then the analysis.
    auto afterTable = [&](Flow &flow) {
        if (summary)
            drawStressChart(flow, report.lines, font);
        drawNotes(flow, report.notes, font);
        if (report.rheology)
            drawRheology(flow, *report.rheology, font);
    };
    int total = static_cast<int>(pages.size());
    {
        TwipPainter measure(painter, device, scale, true);
        Flow flow(measure, g.pageHeight, g.pageWidth, tableEnd + kDetail, {});
        afterTable(flow);
        total += flow.pagesTurned();
    }
    PageMarks marks(tp, g, font, report.header.testName, total);
    int page = 0;
    bool stopped = false;
    auto startPage = [&] {
        ++page;
        if (options.progress && !options.progress(page, total))
            stopped = true;
        marks.mark(page);
    };
    NumberCells cells(tp, font);
    for (std::size_t pi = 0; pi < pages.size() && !stopped; ++pi) {
        if (pi > 0)
            device.newPage();
        startPage();
        int y = kPageHeader;
        if (pi == 0) {
            painter.setFont(titleFont);
            tp.text(g.x(3168), 288, g.pageWidth - g.x(3168), 420,
                    QStringLiteral("K7400 Viscosity Test Report"));
            y += kReportHeader;
            drawHeader(tp, g, header, y, font, boldFont, headings);
            y += header.height();
        }
        const ReportPage &part = pages[pi];
        for (int i = 0; i < part.lineCount; ++i) {
            const ReportLine &l = lines[static_cast<std::size_t>(part.firstLine + i)];
            const double values[] = {l.stepNo,    l.time,        l.temperature, l.speed,
                                     l.shearRate, l.shearStress, l.gel,         l.rbFactor,
                                     l.viscosity, l.fannDial,    l.fannGel};
            for (std::size_t c = 0; c < std::size(kColumns); ++c)
                cells.add(values[c], g.columnLeft(c), y, g.columnWidth(c));
            y += kDetail;
        }
        cells.flush();
    }
    if (!stopped) {
        Flow flow(tp, g.pageHeight, g.pageWidth, tableEnd + kDetail, [&] {
            if (!stopped)
                startPage();
        });
        afterTable(flow);
    }
    painter.end();
    return stopped ? RenderResult::Stopped : RenderResult::Drawn;
}

bool printPrinterTest(QPagedPaintDevice &device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QRect page = painter.viewport();
    for (int number = 1; number <= 2; ++number) {
        const QString text = QStringLiteral("This is printed on page") + QString::number(number) +
                             QStringLiteral(".");
        const QFontMetrics fm = painter.fontMetrics();
        const int halfWidth = fm.horizontalAdvance(text) / 2;
        const int halfHeight = fm.height() / 2;
        painter.drawText(page.width() / 2 - halfWidth, page.height() / 2 - halfHeight + fm.ascent(),
                         text);
        if (number == 1 && !device.newPage())
            return false;
    }
    return painter.end();
}

} // namespace viscora
