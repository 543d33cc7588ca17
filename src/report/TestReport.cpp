#include "report/TestReport.h"

#include "core/Units.h"
#include "review/TestAnalysis.h"
#include "review/TestReview.h"
#include "rheology/Tables.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace viscora {

const char *const kNoTestForReportMessage =
    "Currently no valid test selected.  Please first open a saved test.";
const char *const kReportNotPrintedMessage =
    "The report could not be printed: the printer could not be started.";
const char *const kPrinterTestDoneMessage =
    "Two pages, each with a single, centered line of text, have been sent to your printer.";
const char *const kPrinterTestFailedMessage = "There was a problem printing to your printer.";

namespace {

// Section geometry in twips.
constexpr int kReportHeader = 720;
constexpr int kPageHeader = 360;
constexpr int kGroupHeader = 2112; // the column headings end at 1584 + 528
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

int columnWidth(size_t c)
{
    const int right = c + 1 < std::size(kColumns) ? kColumns[c + 1].left : kTableRight;
    return right - kColumns[c].left - kGap;
}

// "1.50000000000000E+016" -> "1.5E+16": the mantissa's trailing zeros and the exponent's
// leading ones go; a text without an exponent is left as it is.
std::string compactExponent(const std::string &s)
{
    const auto e = s.find('E');
    if (e == std::string::npos)
        return s;
    std::string mant = s.substr(0, e), exp = s.substr(e + 1);
    if (mant.find('.') != std::string::npos) {
        while (mant.back() == '0')
            mant.pop_back();
        if (mant.back() == '.')
            mant.pop_back();
    }
    const char sign = exp[0];
    exp = exp.substr(1);
    while (exp.size() > 1 && exp[0] == '0')
        exp.erase(0, 1);
    return mant + "E" + sign + exp;
}

} // namespace

DbRead<std::optional<ReportData>> loadReport(const TestRepository &repo, int testId, int rbIndex)
{
    using Result = DbRead<std::optional<ReportData>>;
    // Each standard rotor-bob's report carries its shear-rate factor as a literal.
    const RotorBob *rb = rotorBobByCode(rbIndex);
    auto rows = repo.reportRows(testId, rb ? factorValue(rb->shearFactor) : 1.0);
    if (!rows)
        return Result::failure(rows);
    // Without points the rotor-bob decides nothing: an empty test's code is whatever was
    // left from before.
    if (!rb && !rows->empty())
        return std::optional<ReportData>();
    const auto header = repo.headerById(testId);
    if (!header)
        return Result::failure(header);
    ReportData data;
    if (*header)
        data.header = **header;
    for (const ReportRow &v : *rows)
        data.lines.push_back({v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]});
    return std::optional<ReportData>(std::move(data));
}

DbRead<std::optional<ReportData>> openedTestReport(TestReview &review, const std::string &testName,
                                                   const RotorBobSetting &rb)
{
    using Result = DbRead<std::optional<ReportData>>;
    auto report = loadReport(review.repository(), review.CurrentTestId, rb.index);
    if (!report || !*report)
        return report;
    // The report's numbers are in stored units; so are its analysis' stresses.
    const auto analysis =
        analyseTest(review.repository(), QString::fromStdString(testName), rb, Units::SI);
    if (!analysis)
        return Result::failure(analysis);
    (*report)->rheology = *analysis;
    return report;
}

std::string reportNumber(double v)
{
    if (!std::isfinite(v))
        return "";
    char buf[40];
    const double a = std::fabs(v);
    if (a != 0 && (a >= 1e15 || a < 1e-4)) {
        std::snprintf(buf, sizeof buf, "%.14E", v);
        return compactExponent(buf);
    }
    std::snprintf(buf, sizeof buf, "%.15G", v);
    return buf;
}

namespace {

// A value rounded to some significant digits of its 15-digit decimal form, half away from
// zero: the digits and the power of ten of the first one.
struct Rounded {
    bool negative = false;
    std::string digits; // no leading zero, unless the value is 0
    int exponent = 0;
};

Rounded roundSignificant(double v, int count)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14E", v);
    const std::string s = buf;
    Rounded r;
    r.negative = s[0] == '-';
    const std::size_t start = r.negative ? 1 : 0;
    const auto e = s.find('E');
    for (std::size_t i = start; i < e; ++i)
        if (s[i] != '.')
            r.digits.push_back(s[i]);
    r.exponent = std::atoi(s.c_str() + e + 1);
    const bool up = r.digits[static_cast<std::size_t>(count)] >= '5';
    r.digits.resize(static_cast<std::size_t>(count));
    if (up) {
        int i = count - 1;
        for (; i >= 0 && r.digits[static_cast<std::size_t>(i)] == '9'; --i)
            r.digits[static_cast<std::size_t>(i)] = '0';
        if (i >= 0) {
            ++r.digits[static_cast<std::size_t>(i)];
        } else {
            r.digits.insert(r.digits.begin(), '1');
            r.digits.pop_back();
            ++r.exponent;
        }
    }
    while (r.digits.size() > 1 && r.digits.back() == '0')
        r.digits.pop_back();
    if (r.digits == "0")
        r.negative = false;
    return r;
}

// 1626.5, 26900000000, 0.000012
std::string positional(const Rounded &r)
{
    std::string s;
    const int n = static_cast<int>(r.digits.size());
    if (r.digits == "0") {
        s = "0";
    } else if (r.exponent < 0) {
        s = "0." + std::string(static_cast<std::size_t>(-r.exponent - 1), '0') + r.digits;
    } else if (r.exponent + 1 >= n) {
        s = r.digits + std::string(static_cast<std::size_t>(r.exponent + 1 - n), '0');
    } else {
        s = r.digits.substr(0, static_cast<std::size_t>(r.exponent + 1)) + "." +
            r.digits.substr(static_cast<std::size_t>(r.exponent + 1));
    }
    return (r.negative ? "-" : "") + s;
}

// 2.69E+10, 1.2E-5
std::string exponential(const Rounded &r)
{
    std::string s = r.digits.substr(0, 1);
    if (r.digits.size() > 1)
        s += "." + r.digits.substr(1);
    return (r.negative ? "-" : "") + s + "E" + (r.exponent < 0 ? "-" : "+") +
           std::to_string(std::abs(r.exponent));
}

} // namespace

std::string fitReportNumber(double v, const std::function<bool(const std::string &)> &fits)
{
    const std::string full = reportNumber(v);
    if (full.empty() || fits(full))
        return full;
    // Fewer significant digits, written out when that fits, else with an exponent.
    for (int digits = 14; digits >= 1; --digits) {
        const Rounded r = roundSignificant(v, digits);
        for (const std::string &text : {positional(r), exponential(r)})
            if (fits(text))
                return text;
    }
    // Nothing fits: the shortest text of the value.
    const Rounded one = roundSignificant(v, 1);
    const std::string a = positional(one), b = exponential(one);
    return a.size() <= b.size() ? a : b;
}

std::vector<ReportPage> paginateReport(int lines, int pageHeightTwips)
{
    std::vector<ReportPage> pages;
    const int perPage = std::max(1, (pageHeightTwips - kPageHeader - kPageFooter) / kDetail);
    const int firstPage = std::max(
        1, (pageHeightTwips - kReportHeader - kPageHeader - kGroupHeader - kPageFooter) / kDetail);
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

class TwipPainter {
public:
    TwipPainter(QPainter &p, QPagedPaintDevice &device, double scale)
        : p_(p), device_(device), scale_(scale)
    {}
    QRectF rect(int left, int top, int width, int height) const
    {
        return QRectF(left * scale_, top * scale_, width * scale_, height * scale_);
    }
    void text(int left, int top, int width, int height, const QString &s, int flags = 0)
    {
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
    QPainter &painter() { return p_; }
    QPagedPaintDevice &device() { return device_; }

private:
    QPainter &p_;
    QPagedPaintDevice &device_;
    double scale_;
};

QFont sized(QFont f, double points)
{
    f.setPointSizeF(points);
    return f;
}

// A heading's lines at a font: its words packed greedily; a word wider than the column breaks
// where a capital follows a small letter ("RbFactor:" -> "Rb", "Factor:"). Empty when a piece
// still does not fit.
QStringList headingLines(const TwipPainter &tp, const QFont &f, const QString &heading, int width)
{
    struct Piece {
        QString text;
        bool glued; // continues the word before, no blank between
    };
    std::vector<Piece> pieces;
    for (const QString &word : heading.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        qsizetype start = 0;
        if (tp.width(f, word) > width)
            for (qsizetype i = 1; i < word.size(); ++i)
                if (word[i - 1].isLower() && word[i].isUpper()) {
                    pieces.push_back({word.mid(start, i - start), start > 0});
                    start = i;
                }
        pieces.push_back({word.mid(start), start > 0});
    }
    QStringList lines;
    QString line;
    for (const Piece &p : pieces) {
        if (tp.width(f, p.text) > width)
            return {};
        const QString joined =
            line.isEmpty() ? p.text : line + (p.glued ? QString() : QStringLiteral(" ")) + p.text;
        if (tp.width(f, joined) <= width) {
            line = joined;
        } else {
            lines << line;
            line = p.text;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

// A column heading inside its column: wrapped, and in a smaller font only when it must be.
void drawHeading(TwipPainter &tp, const QFont &font, const QString &heading, int left, int top,
                 int width, int height)
{
    QFont f = font;
    QStringList lines;
    for (double size = font.pointSizeF(); size >= 3; size -= 0.25) {
        f = sized(font, size);
        lines = headingLines(tp, f, heading, width);
        if (!lines.isEmpty() && static_cast<double>(lines.size()) * tp.lineHeight(f) <= height)
            break;
    }
    if (lines.isEmpty())
        lines << heading;
    tp.painter().setFont(f);
    const int step = static_cast<int>(std::ceil(tp.lineHeight(f)));
    for (qsizetype i = 0; i < lines.size(); ++i)
        tp.text(left, top + static_cast<int>(i) * step, width, step, lines[i], Qt::TextDontClip);
    tp.painter().setFont(font);
}

// A value in its column: the most digits that fit; a font shrunk to fit when none do.
void drawFitted(TwipPainter &tp, const QFont &font, double value, int left, int top, int width)
{
    const std::string text = fitReportNumber(value, [&](const std::string &s) {
        return tp.width(font, QString::fromStdString(s)) <= width;
    });
    const QString q = QString::fromStdString(text);
    const double needed = tp.width(font, q);
    QPainter &p = tp.painter();
    if (needed > width && needed > 0)
        p.setFont(sized(font, std::max(2.0, font.pointSizeF() * width / needed)));
    tp.text(left, top, width, kDetail, q, Qt::TextDontClip);
    p.setFont(font);
}

// Lays the rheology section out downwards, turning the page when a block would not fit.
class Flow {
public:
    Flow(TwipPainter &tp, int pageHeight, int width, int y)
        : tp_(tp), pageHeight_(pageHeight), width_(width), y_(y)
    {}
    int width() const { return width_; }
    int &y() { return y_; }
    // Room for `height` twips below, on a new page when this one has too little.
    bool need(double height)
    {
        if (y_ + height <= pageHeight_ - kPageFooter)
            return false;
        tp_.device().newPage();
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
};

// A table of the analysis: every column as wide as its widest cell, the last (the notes)
// taking the rest of the width and wrapping; the font shrinks until the columns fit.
void drawTable(Flow &flow, const rheology::Table &t, const QFont &base)
{
    TwipPainter &tp = flow.tp();
    const std::size_t n = t.header.size();
    if (n == 0)
        return;
    auto qs = [](const std::string &s) { return QString::fromStdString(s); };
    QFont font = base, bold = base;
    std::vector<int> widths(n, 0);
    for (double size = base.pointSizeF(); size >= 4.5; size -= 0.5) {
        font = sized(base, size);
        bold = font;
        bold.setBold(true);
        // Headings wrap at blanks; cells stay on one line but the last column's (the notes).
        std::vector<double> whole(n, 0), words(n, 0);
        for (std::size_t c = 0; c < n; ++c) {
            for (const QString &word : qs(t.header[c]).split(QLatin1Char(' ')))
                words[c] = std::max(words[c], tp.width(bold, word));
            whole[c] = words[c];
            for (const auto &row : t.rows) {
                if (c >= row.size())
                    continue;
                whole[c] = std::max(whole[c], tp.width(font, qs(row[c].text)));
                for (const QString &word : qs(row[c].text).split(QLatin1Char(' ')))
                    words[c] = std::max(words[c], tp.width(font, word));
            }
            widths[c] = static_cast<int>(std::ceil(whole[c])) + kGap;
        }
        int used = 0;
        for (std::size_t c = 0; c + 1 < n; ++c)
            used += widths[c];
        if (used + widths[n - 1] <= flow.width())
            break;
        const int least = static_cast<int>(std::ceil(words[n - 1])) + kGap;
        if (used + least <= flow.width() || size - 0.5 < 4.5) {
            widths[n - 1] = std::max(least, flow.width() - used);
            break;
        }
    }
    // Cells wrap at blanks only, as the headings of the table above.
    auto linesOf = [&](const std::string &text, const QFont &f, std::size_t c) {
        QStringList lines = headingLines(tp, f, qs(text), widths[c] - kGap);
        return lines.isEmpty() ? QStringList{qs(text)} : lines;
    };
    const auto step = [&](const QFont &f) { return static_cast<int>(std::ceil(tp.lineHeight(f))); };
    auto rowHeight = [&](const std::vector<std::string> &cells, const QFont &f) {
        qsizetype lines = 1;
        for (std::size_t c = 0; c < cells.size() && c < n; ++c)
            lines = std::max(lines, linesOf(cells[c], f, c).size());
        return static_cast<int>(lines) * step(f);
    };
    auto drawRow = [&](const std::vector<std::string> &cells, const std::vector<bool> &numbers,
                       const QFont &f, int h) {
        tp.painter().setFont(f);
        int x = 0;
        for (std::size_t c = 0; c < cells.size() && c < n; ++c) {
            const int align = c < numbers.size() && numbers[c] ? Qt::AlignRight : Qt::AlignLeft;
            const QStringList lines = linesOf(cells[c], f, c);
            for (qsizetype i = 0; i < lines.size(); ++i)
                tp.text(x, flow.y() + static_cast<int>(i) * step(f), widths[c] - kGap, step(f),
                        lines[i], align | Qt::TextDontClip);
            x += widths[c];
        }
        flow.y() += h;
    };
    const int headerHeight = rowHeight(t.header, bold);
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
    drawRow(t.header, headerNumbers, bold, headerHeight);
    for (const auto &row : t.rows) {
        std::vector<std::string> cells;
        std::vector<bool> numbers;
        for (const rheology::Cell &c : row) {
            cells.push_back(c.text);
            numbers.push_back(c.number.has_value());
        }
        const int h = rowHeight(cells, font);
        if (flow.need(h))
            drawRow(t.header, headerNumbers, bold, headerHeight);
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

} // namespace

bool renderReport(const ReportData &report, QPagedPaintDevice &device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const double scale = device.logicalDpiY() / 1440.0;
    const int pageHeight = static_cast<int>(painter.viewport().height() / scale);
    const int pageWidth = static_cast<int>(painter.viewport().width() / scale);
    TwipPainter tp(painter, device, scale);
    QFont font = painter.font();
    font.setPointSizeF(7.5);
    painter.setFont(font);
    QFont titleFont = font;
    titleFont.setPointSizeF(14);
    titleFont.setBold(true);
    QFont boldFont = font;
    boldFont.setBold(true);

    const auto pages = paginateReport(static_cast<int>(report.lines.size()), pageHeight);
    int y = 0;
    for (size_t pi = 0; pi < pages.size(); ++pi) {
        if (pi > 0)
            device.newPage();
        y = 0;
        if (pi == 0) {
            painter.setFont(titleFont);
            tp.text(3168, 288, 6000, 420, QStringLiteral("K7400 Viscosity Test Report"));
            y += kReportHeader;
        }
        y += kPageHeader;
        if (pi == 0) {
            const TestHeader &h = report.header;
            painter.setFont(boldFont);
            tp.text(0, y + 288, 1400, 240, QStringLiteral("TestName:"));
            tp.text(3600, y + 288, 1400, 240, QStringLiteral("MudId:"));
            tp.text(0, y + 576, 1400, 240, QStringLiteral("SampleTime:"));
            tp.text(3600, y + 576, 1400, 240, QStringLiteral("CompanyName:"));
            tp.text(0, y + 864, 1400, 240, QStringLiteral("Desc:"));
            painter.setFont(font);
            tp.text(1440, y + 288, 2100, 240, h.testName);
            tp.text(5040, y + 288, 3600, 240, h.mudId);
            tp.text(1440, y + 576, 2100, 240, h.sampleTime);
            tp.text(5040, y + 576, 3600, 240, h.companyName);
            tp.text(1440, y + 864, 6630, 435, h.desc, Qt::TextWordWrap);
            for (size_t c = 0; c < std::size(kColumns); ++c)
                drawHeading(tp, boldFont, QString::fromUtf8(kColumns[c].heading), kColumns[c].left,
                            y + 1584, columnWidth(c), 528);
            painter.setFont(font);
            y += kGroupHeader;
        }
        const ReportPage &page = pages[pi];
        for (int i = 0; i < page.lineCount; ++i) {
            const ReportLine &l = report.lines[static_cast<size_t>(page.firstLine + i)];
            const double values[] = {l.stepNo,    l.time,        l.temperature, l.speed,
                                     l.shearRate, l.shearStress, l.gel,         l.rbFactor,
                                     l.viscosity, l.fannDial,    l.fannGel};
            for (size_t c = 0; c < std::size(kColumns); ++c)
                drawFitted(tp, font, values[c], kColumns[c].left, y, columnWidth(c));
            y += kDetail;
        }
    }
    if (report.rheology) {
        Flow flow(tp, pageHeight, std::min(pageWidth, kTableRight), y + kDetail);
        drawRheology(flow, *report.rheology, font);
    }
    painter.end();
    return true;
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
