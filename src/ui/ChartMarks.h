#pragma once
// Marks on a chart (the notes on a test): a dashed vertical line at each, its text at the top.
// Kept apart from the chart views so that any chart can take them.

#include "core/ChartGeometry.h"

class QAbstractAxis;
class QChart;

namespace viscora {

// Adds the geometry's marks to the chart over its axes, out of the legend.
void addMarks(QChart &chart, QAbstractAxis &x, QAbstractAxis &y, const ChartGeometry &g);

} // namespace viscora
