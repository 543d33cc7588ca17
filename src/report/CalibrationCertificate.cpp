#include "report/CalibrationCertificate.h"

#include "report/PdfFile.h"

#include <QDateTime>
#include <QFont>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

#include <cstdio>

namespace viscora {

namespace {

QString fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

QString degrees(double f)
{
    return QStringLiteral("%1 °F (%2 °C)")
        .arg(fixed(f, 1), fixed(calibration::fahrenheitToCelsius(f), 1));
}

QString localTime(const QString &utc)
{
    const QDateTime t = QDateTime::fromString(utc, Qt::ISODate);
    return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm t")) : utc;
}

} // namespace

Result<CertificateContent> certificateContent(Database &db, const CalibrationRecord &c)
{
    CertificateContent out;
    auto add = [&](const char *label, const QString &value) {
        out.fields.emplace_back(QString::fromLatin1(label), value);
    };
    QString id = QString::number(c.checkId);
    if (c.replaces)
        id += QStringLiteral(", a correction of check %1").arg(*c.replaces);
    if (c.replacedBy)
        id += QStringLiteral(", replaced by check %1").arg(*c.replacedBy);
    add("Check", id);
    add("Date", localTime(c.started));
    add("Operator", c.operatorName);
    QString instrument = QStringLiteral("not named");
    if (c.instrumentId) {
        const auto i = InstrumentRepository(db).instrument(*c.instrumentId);
        if (!i)
            return i.failure();
        if (*i) {
            QStringList parts{QStringLiteral("serial number ") + (*i)->serialNo};
            if (!(*i)->model.isEmpty())
                parts << (*i)->model;
            if (!(*i)->location.isEmpty())
                parts << (*i)->location;
            instrument = parts.join(QStringLiteral(", "));
        }
    }
    add("Instrument", instrument);
    std::optional<CalibrationFluid> fluid;
    if (c.fluidRecordId) {
        const auto f = FluidRepository(db).record(*c.fluidRecordId);
        if (!f)
            return f.failure();
        fluid = *f;
    }
    if (c.fluidName.isEmpty()) {
        add("Calibration fluid", QStringLiteral("not named (viscosity typed)"));
    } else {
        add("Calibration fluid", c.fluidName);
        add("Lot", c.lot);
        const auto expiry = calibration::parseIsoDate(c.expiry.toStdString());
        const auto day = localDay(c.started);
        add("Expiry",
            c.expiry + (expiry && day && *day > *expiry ? QStringLiteral(" (expired when used)")
                                                        : QString()));
    }
    if (fluid) {
        QStringList values;
        for (const auto &p : fluid->certificate)
            values << degrees(p.temperatureF) + QStringLiteral(": ") + fixed(p.viscosityCp, 2) +
                          QStringLiteral(" cP");
        add("Certificate values", values.join(QStringLiteral("; ")));
    }
    add("Sample temperature", c.temperatureF ? degrees(*c.temperatureF) : QStringLiteral("-"));
    QString viscosity = fixed(c.viscosityCp, 2) + QStringLiteral(" cP");
    if (fluid && c.temperatureF) {
        const auto read = calibration::viscosityAt(fluid->certificate, *c.temperatureF);
        viscosity += QStringLiteral(", interpolated from the certificate");
        if (read && !read->warning.empty())
            viscosity += QStringLiteral(" (extrapolated)");
    } else if (!fluid) {
        viscosity += QStringLiteral(", as typed");
    }
    add("Viscosity used", viscosity);
    add("Tolerance", QStringLiteral("%1 % of the expected stress, at least %2 dyn/cm2")
                         .arg(fixed(c.tolerance.percent, 1), fixed(c.tolerance.floorDynCm2, 1)));
    for (int row = 0; row < 5; ++row) {
        const double expected = calibration::kReferenceStresses[row];
        const auto g = std::find_if(c.readings.begin(), c.readings.end(),
                                    [&](const CheckReading &r) { return r.row == row; });
        const QString allowed = fixed(calibration::allowedError(c.tolerance, expected), 1);
        if (g == c.readings.end())
            out.table.push_back({fixed(expected, 0), QStringLiteral("-"), QStringLiteral("-"),
                                 QStringLiteral("-"), allowed,
                                 QStringLiteral("not reached at 600 rpm")});
        else if (!g->measured)
            out.table.push_back({fixed(expected, 0), QStringLiteral("N/A"), QStringLiteral("-"),
                                 QStringLiteral("-"), allowed,
                                 QStringLiteral("FAIL (no reading)")});
        else
            out.table.push_back({fixed(expected, 0), fixed(*g->measured, 0), fixed(g->error, 1),
                                 fixed(g->percentError, 1), allowed,
                                 g->pass ? QStringLiteral("pass") : QStringLiteral("FAIL")});
    }
    out.verdict = verdictText(c.outcome);
    if (!c.note.isEmpty())
        add("Note", c.note);
    return out;
}

void drawCertificate(QPagedPaintDevice &device, const CertificateContent &content)
{
    QPainter p(&device);
    const double dpi = device.logicalDpiY();
    const auto pt = [&](double points) { return static_cast<int>(points * dpi / 72); };
    const int width = device.width();
    const int left = 0;
    int y = 0;
    QFont title(QStringLiteral("Sans Serif"), 16, QFont::Bold);
    QFont body(QStringLiteral("Sans Serif"), 10);
    // Without ligatures: "fi" stays two letters that a search of the PDF finds.
    title.setStyleStrategy(QFont::PreferNoShaping);
    body.setStyleStrategy(QFont::PreferNoShaping);
    QFont bold = body;
    bold.setBold(true);

    p.setFont(title);
    y += QFontMetrics(title, &device).height();
    p.drawText(left, y, QStringLiteral("Calibration Record"));
    y += pt(6);
    p.setPen(QPen(Qt::black, pt(1)));
    p.drawLine(left, y, width, y);
    y += pt(14);

    p.setFont(body);
    const QFontMetrics fm(body, &device);
    const int labelWidth = pt(130);
    for (const auto &[label, value] : content.fields) {
        p.setFont(bold);
        p.drawText(left, y, label + QLatin1Char(':'));
        p.setFont(body);
        const QRect box(left + labelWidth, y - fm.ascent(), width - labelWidth, pt(200));
        const QRect used = p.boundingRect(box, Qt::TextWordWrap, value);
        p.drawText(box, Qt::TextWordWrap, value);
        y += std::max(used.height(), fm.height()) + pt(3);
    }

    y += pt(12);
    const QStringList headings{
        QStringLiteral("Stress (dyn/cm2)"),  QStringLiteral("Measured (dyn/cm2)"),
        QStringLiteral("Error (dyn/cm2)"),   QStringLiteral("Error (%)"),
        QStringLiteral("Allowed (dyn/cm2)"), QStringLiteral("Result")};
    const double share[] = {0.14, 0.13, 0.16, 0.12, 0.17, 0.28};
    const int rowHeight = fm.height() + pt(6);
    auto drawRow = [&](const QStringList &cells, bool head) {
        p.setFont(head ? bold : body);
        // Headings wrap onto two lines within their column.
        const int h = head ? rowHeight + fm.height() : rowHeight;
        int x = left;
        for (int c = 0; c < cells.size(); ++c) {
            const int w = static_cast<int>(width * share[c]);
            p.drawRect(x, y, w, h);
            const int align = head     ? Qt::AlignCenter | Qt::TextWordWrap
                              : c == 5 ? Qt::AlignVCenter | Qt::AlignLeft
                                       : Qt::AlignVCenter | Qt::AlignRight;
            p.drawText(QRect(x + pt(4), y, w - pt(8), h), align, cells[c]);
            x += w;
        }
        y += h;
    };
    p.setPen(QPen(Qt::black, pt(0.5)));
    drawRow(headings, true);
    for (const QStringList &row : content.table)
        drawRow(row, false);

    y += pt(36);
    p.setFont(title);
    p.drawText(left, y, QStringLiteral("Result: ") + content.verdict);

    y += pt(60);
    p.setFont(body);
    p.setPen(QPen(Qt::black, pt(0.7)));
    p.drawLine(left, y, left + width / 2 - pt(20), y);
    p.drawLine(left + width / 2 + pt(20), y, width, y);
    y += fm.height();
    p.drawText(left, y, QStringLiteral("Signature"));
    p.drawText(left + width / 2 + pt(20), y, QStringLiteral("Date"));
}

ExportResult writeCertificatePdf(const std::string &path, const CertificateContent &content)
{
    return savePdf(path, [&](QPagedPaintDevice &device) {
        drawCertificate(device, content);
        return true;
    });
}

} // namespace viscora
