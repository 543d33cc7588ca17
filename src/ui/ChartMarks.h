#pragma once
// Marks on a chart (the notes on a test): a dashed vertical line at each, its text at the top.
// Kept apart from the chart views so that any chart can take them.

#include "core/ChartGeometry.h"

#include <QList>

class QAbstractAxis;
class QAbstractSeries;
class QChart;

namespace viscora {

// Adds the geometry's marks to the chart over its axes, out of the legend.
void addMarks(QChart &chart, QAbstractAxis &x, QAbstractAxis &y, const ChartGeometry &g);
// The same for marks already in the X axis' units, from `bottom` to `top` of the Y axis; the
// series added, for a chart that is redrawn in place to take away before the next marks.
QList<QAbstractSeries *> addMarks(QChart &chart, QAbstractAxis &x, QAbstractAxis &y,
                                  const std::vector<ChartMark> &marks, double bottom, double top);

} // namespace viscora
