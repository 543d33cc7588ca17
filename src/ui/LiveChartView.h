#pragma once
// The live chart of a running test: stress and viscosity over time in one axis group (two
// scales), temperature in a second group with its fixed 10-230 degF range. Beside the
// scrolling view of the last readings, the whole test since Start, thinned to the plot's
// pixel columns; Pause freezes what is shown while the readings go on.

#include "core/LiveChart.h"

#include <QPointF>
#include <QWidget>

class QChart;
class QLineSeries;
class QDateTimeAxis;
class QToolButton;
class QValueAxis;

namespace viscora {

class InteractiveChartView;
class LiveSeriesView;

class LiveChartView : public QWidget {
    Q_OBJECT
public:
    explicit LiveChartView(QWidget *parent = nullptr);
    void redraw(const LiveChart &chart);
    // The points of a series as last drawn (for checks).
    qsizetype drawnPoints(int series) const;
    QChart *upperChart() const;
    QChart *lowerChart() const;
    InteractiveChartView *upperView() const;
    InteractiveChartView *lowerView() const;

    // The whole test since Start instead of the scrolling view.
    void setWholeTest(bool on);
    bool wholeTest() const { return wholeTest_; }
    // While paused the view keeps what it shows; redraws resume with the latest readings.
    void setPaused(bool on);
    bool paused() const { return paused_; }
    // Both charts back to their ranges as the readings set them.
    void resetZoom();

    // Room for both charts' axis titles.
    QSize minimumSizeHint() const override { return {360, 540}; }

protected:
    // As many time labels as fit side by side.
    void resizeEvent(QResizeEvent *e) override;

private:
    friend class LiveSeriesView;
    // One time axis under the other: each chart's margins grow by what its plot needs to end
    // where the other's does (the upper one has a second scale at its right).
    void alignPlots(int laidOut);
    void draw();
    void drawScrolling(const LiveChart &chart);
    void drawWhole(const LiveChart &chart);
    // The time axes over lo..hi seconds, the value axes from 0 to a little above the highest.
    void setRanges(double lo, double hi, const double maxY[2]);
    // The other chart follows one the user zoomed or panned across.
    void followTime(int from);
    bool userZoomed() const;
    double toAxis(double secs) const;

    LiveSeriesView *upper_, *lower_;
    QToolButton *btnWholeTest, *btnPause;
    // Each plot's left and right edge with the usual margins; null until laid out.
    QPointF natural_[2];
    QLineSeries *series_[3];
    QDateTimeAxis *timeUpper_, *timeLower_;
    QValueAxis *stressAxis_, *viscosityAxis_, *temperatureAxis_;
    qint64 midnightMs_;
    const LiveChart *last_ = nullptr;
    bool wholeTest_ = false, paused_ = false, following_ = false;
};

} // namespace viscora
