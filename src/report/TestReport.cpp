#include "report/TestReport.h"

#include "core/Units.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace viscora {

const char *const kNoTestForReportMessage =
    "Currently no valid test selected.  Please first open a saved test.";
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

} // namespace

DbRead<std::optional<ReportData>> loadReport(const TestRepository &repo, int testId, int rbIndex)
{
    using Result = DbRead<std::optional<ReportData>>;
    // Each standard rotor-bob's report carries its shear-rate factor as a literal.
    const RotorBob *rb = rotorBobByCode(rbIndex);
    if (!rb)
        return std::optional<ReportData>();
    const auto header = repo.headerById(testId);
    if (!header)
        return Result::failure(header);
    auto rows = repo.reportRows(testId, factorValue(rb->shearFactor));
    if (!rows)
        return Result::failure(rows);
    ReportData data;
    if (*header)
        data.header = **header;
    for (const ReportRow &v : *rows)
        data.lines.push_back({v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]});
    return std::optional<ReportData>(std::move(data));
}

std::string reportNumber(double v)
{
    if (!std::isfinite(v))
        return "";
    char buf[40];
    const double a = std::fabs(v);
    if (a != 0 && (a >= 1e15 || a < 1e-4)) {
        std::snprintf(buf, sizeof buf, "%.14E", v);
        // Trim the mantissa's trailing zeros and the exponent's leading ones: 1.5E+16.
        std::string s = buf;
        const auto e = s.find('E');
        std::string mant = s.substr(0, e), exp = s.substr(e + 1);
        while (mant.back() == '0')
            mant.pop_back();
        if (mant.back() == '.')
            mant.pop_back();
        const char sign = exp[0];
        exp = exp.substr(1);
        while (exp.size() > 1 && exp[0] == '0')
            exp.erase(0, 1);
        return mant + "E" + sign + exp;
    }
    std::snprintf(buf, sizeof buf, "%.15G", v);
    return buf;
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
    TwipPainter(QPainter &p, double scale) : p_(p), scale_(scale) {}
    QRectF rect(int left, int top, int width, int height) const
    {
        return QRectF(left * scale_, top * scale_, width * scale_, height * scale_);
    }
    void text(int left, int top, int width, int height, const QString &s, int flags = 0)
    {
        p_.drawText(rect(left, top, width, height), Qt::AlignLeft | Qt::AlignTop | flags, s);
    }

private:
    QPainter &p_;
    double scale_;
};

} // namespace

void renderReport(const ReportData &report, QPagedPaintDevice &device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return;
    const double scale = device.logicalDpiY() / 1440.0;
    const int pageHeight = static_cast<int>(painter.viewport().height() / scale);
    TwipPainter tp(painter, scale);
    QFont font = painter.font();
    font.setPointSizeF(7.5);
    painter.setFont(font);
    QFont titleFont = font;
    titleFont.setPointSizeF(14);
    titleFont.setBold(true);
    QFont boldFont = font;
    boldFont.setBold(true);

    const auto pages = paginateReport(static_cast<int>(report.lines.size()), pageHeight);
    for (size_t pi = 0; pi < pages.size(); ++pi) {
        if (pi > 0)
            device.newPage();
        int y = 0;
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
            painter.setFont(boldFont);
            for (size_t c = 0; c < std::size(kColumns); ++c) {
                const int right = c + 1 < std::size(kColumns) ? kColumns[c + 1].left : kTableRight;
                tp.text(kColumns[c].left, y + 1584, right - kColumns[c].left - 40, 528,
                        QString::fromUtf8(kColumns[c].heading), Qt::TextWordWrap);
            }
            painter.setFont(font);
            y += kGroupHeader;
        }
        const ReportPage &page = pages[pi];
        for (int i = 0; i < page.lineCount; ++i) {
            const ReportLine &l = report.lines[static_cast<size_t>(page.firstLine + i)];
            const double values[] = {l.stepNo,    l.time,        l.temperature, l.speed,
                                     l.shearRate, l.shearStress, l.gel,         l.rbFactor,
                                     l.viscosity, l.fannDial,    l.fannGel};
            for (size_t c = 0; c < std::size(kColumns); ++c) {
                const int right = c + 1 < std::size(kColumns) ? kColumns[c + 1].left : kTableRight;
                tp.text(kColumns[c].left, y, right - kColumns[c].left - 40, kDetail,
                        QString::fromStdString(reportNumber(values[c])));
            }
            y += kDetail;
        }
    }
    painter.end();
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
