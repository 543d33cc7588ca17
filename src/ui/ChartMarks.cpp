#include "ui/ChartMarks.h"

#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>

namespace viscora {

namespace {
const QColor kMarkColor(200, 90, 0);
} // namespace

void addMarks(QChart &chart, QAbstractAxis &x, QAbstractAxis &y, const ChartGeometry &g)
{
    // From edge to edge of the plot: the axis may have widened the data's range.
    double bottom = g.y.min, top = g.y.max;
    if (const auto *values = qobject_cast<QValueAxis *>(&y)) {
        bottom = values->min();
        top = values->max();
    }
    addMarks(chart, x, y, g.marks, bottom, top);
}

QList<QAbstractSeries *> addMarks(QChart &chart, QAbstractAxis &x, QAbstractAxis &y,
                                  const std::vector<ChartMark> &marks, double bottom, double top)
{
    QList<QAbstractSeries *> added;
    // Labels inside the plot, a step lower for each of three neighbours, so close notes stay apart.
    std::size_t i = 0;
    for (const ChartMark &m : marks) {
        const double at = top - (top - bottom) * (0.05 + 0.06 * static_cast<double>(i++ % 3));
        auto *line = new QLineSeries;
        QPen pen(kMarkColor);
        pen.setStyle(Qt::DashLine);
        line->setPen(pen);
        line->append(m.x, bottom);
        line->append(m.x, top);
        // The label is the point's own: a format without placeholders is shown as it is.
        auto *label = new QScatterSeries;
        label->setColor(kMarkColor);
        label->setBorderColor(kMarkColor);
        label->setMarkerSize(7);
        label->append(m.x, at);
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
            added.append(s);
        }
    }
    return added;
}

} // namespace viscora
