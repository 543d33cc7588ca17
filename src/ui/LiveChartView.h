#pragma once
// The live chart of a running test: stress and viscosity over time in one axis group (two
// scales), temperature in a second group with its fixed 10-230 degF range.

#include "core/LiveChart.h"

#include <QPointF>
#include <QWidget>

class QAbstractSeries;
class QChartView;
class QChart;
class QLineSeries;
class QDateTimeAxis;
class QValueAxis;

namespace viscora {

class LiveChartView : public QWidget {
    Q_OBJECT
public:
    explicit LiveChartView(QWidget *parent = nullptr);
    void redraw(const LiveChart &chart);
    // The points of a series as last drawn (for checks).
    qsizetype drawnPoints(int series) const;
    QChart *upperChart() const;
    QChart *lowerChart() const;

    // Room for both charts' axis titles.
    QSize minimumSizeHint() const override { return {360, 520}; }

protected:
    // As many time labels as fit side by side.
    void resizeEvent(QResizeEvent *e) override;

private:
    // One time axis under the other: each chart's margins grow by what its plot needs to end
    // where the other's does (the upper one has a second scale at its right).
    void alignPlots(int laidOut);
    QChartView *upper_, *lower_;
    // Each plot's left and right edge with the usual margins; null until laid out.
    QPointF natural_[2];
    QLineSeries *series_[3];
    QDateTimeAxis *timeUpper_, *timeLower_;
    QValueAxis *stressAxis_, *viscosityAxis_, *temperatureAxis_;
    qint64 midnightMs_;
    QList<QAbstractSeries *> marks_; // the run's notes as last drawn
};

} // namespace viscora
