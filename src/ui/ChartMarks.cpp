#include "ui/ChartMarks.h"

#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>

namespace viscora {

namespace {
const QColor kMarkColor(200, 90, 0);
} // namespace

void addMarks(QChart &chart, QAbstractAxis &x, QAbstractAxis &y, const ChartGeometry &g)
{
    for (const ChartMark &m : g.marks) {
        auto *line = new QLineSeries;
        QPen pen(kMarkColor);
        pen.setStyle(Qt::DashLine);
        line->setPen(pen);
        line->append(m.x, g.y.min);
        line->append(m.x, g.y.max);
        // The label is the point's own: a format without placeholders is shown as it is.
        auto *label = new QScatterSeries;
        label->setColor(kMarkColor);
        label->setBorderColor(kMarkColor);
        label->setMarkerSize(7);
        label->append(m.x, g.y.max);
        label->setName(QString::fromStdString(m.text));
        label->setPointLabelsFormat(
            QString::fromStdString(m.text).replace(QLatin1Char('@'), QStringLiteral("@\u200b")));
        label->setPointLabelsColor(kMarkColor);
        label->setPointLabelsClipping(false);
        label->setPointLabelsVisible(true);
        for (QXYSeries *s : {static_cast<QXYSeries *>(line), static_cast<QXYSeries *>(label)}) {
            chart.addSeries(s);
            s->attachAxis(&x);
            s->attachAxis(&y);
            for (QLegendMarker *marker : chart.legend()->markers(s))
                marker->setVisible(false);
        }
    }
}

} // namespace viscora
