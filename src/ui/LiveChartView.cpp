#include "ui/LiveChartView.h"

#include "core/ChartModel.h"
#include "core/ChartReadout.h"
#include "ui/InteractiveChartView.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QToolButton>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>
#include <cmath>

namespace viscora {

// A chart of the live view: its read-out places a reading in the test's steps.
class LiveSeriesView : public InteractiveChartView {
public:
    LiveSeriesView(QChart *chart, LiveChartView *owner) : InteractiveChartView(owner), owner_(owner)
    {
        setChart(chart);
    }

protected:
    QString readoutFor(QXYSeries *series, int index) const override
    {
        const QPointF v = series->at(index);
        const double secs = (v.x() - static_cast<double>(owner_->midnightMs_)) / 1000.0;
        ReadoutPoint p;
        p.series = series->name().toStdString();
        p.xLabel = "Time";
        p.xText = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(v.x())))
                      .toString(QStringLiteral("hh:mm:ss"))
                      .toStdString();
        for (QAbstractAxis *a : series->attachedAxes())
            if (a->orientation() == Qt::Vertical)
                p.yLabel = a->titleText().toStdString();
        p.y = v.y();
        if (owner_->last_ && !owner_->last_->stepMarks().empty())
            p.place = owner_->last_->placeAt(secs);
        return QString::fromStdString(readoutText(p));
    }

    // Every reading in view, not only those drawn: the time, then each shown series.
    QString visibleData() const override
    {
        const LiveChart *c = owner_->last_;
        const auto horizontal = chart()->axes(Qt::Horizontal);
        if (!c || horizontal.isEmpty())
            return InteractiveChartView::visibleData();
        const auto [lo, hi] = axisRange(horizontal.first());
        const double midnight = static_cast<double>(owner_->midnightMs_);
        std::vector<int> shown;
        QString text = QStringLiteral("Time");
        for (int s = 0; s < 3; ++s) {
            QLineSeries *series = owner_->series_[s];
            if (series->chart() != chart() || !series->isVisible())
                continue;
            shown.push_back(s);
            for (QAbstractAxis *a : series->attachedAxes())
                if (a->orientation() == Qt::Vertical)
                    text += QLatin1Char('\t') + a->titleText();
        }
        text += QLatin1Char('\n');
        const LiveHistory &h = c->history();
        const auto [first, last] = h.within((lo - midnight) / 1000, (hi - midnight) / 1000);
        for (std::size_t i = first; i < last; ++i) {
            text += QDateTime::fromMSecsSinceEpoch(
                        static_cast<qint64>(std::llround(owner_->toAxis(h.t(i)))))
                        .toString(QStringLiteral("hh:mm:ss"));
            for (int s : shown)
                text += QLatin1Char('\t') + QString::number(h.y(s, i), 'g', 7);
            text += QLatin1Char('\n');
        }
        return text;
    }

private:
    LiveChartView *owner_;
};

namespace {
QColor colorOf(int consoleIndex)
{
    const unsigned rgb = consoleColor(consoleIndex);
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

constexpr int kMargin = 6;

QDateTimeAxis *timeAxis(bool titled)
{
    auto *a = new QDateTimeAxis;
    a->setFormat(QStringLiteral("hh:mm:ss"));
    a->setTickCount(7);
    if (titled)
        a->setTitleText(QStringLiteral("Time (S)"));
    return a;
}
} // namespace

LiveChartView::LiveChartView(QWidget *parent)
    : QWidget(parent), midnightMs_(QDateTime(QDate::currentDate(), QTime(0, 0)).toMSecsSinceEpoch())
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 2);
    auto toggle = [this, bar](const char *name, const char *text, const char *tip) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(QString::fromUtf8(text));
        b->setToolTip(QString::fromUtf8(tip));
        b->setCheckable(true);
        b->setFocusPolicy(Qt::NoFocus);
        bar->addWidget(b);
        return b;
    };
    btnWholeTest = toggle("btnWholeTest", "Whole test", "Every reading since Start");
    btnPause = toggle("btnPause", "Pause", "Keep the view as it is; the test goes on");
    bar->addStretch(1);
    layout->addLayout(bar);
    connect(btnWholeTest, &QToolButton::toggled, this, [this](bool on) { setWholeTest(on); });
    connect(btnPause, &QToolButton::toggled, this, [this](bool on) { setPaused(on); });

    auto *top = new QChart;
    top->setTitle(QStringLiteral("<b>Shear Stress ,Viscosity & Temperature Vs. Time</b>"));
    auto *bottom = new QChart;
    const char *names[] = {"Shear Stress", "Viscosity", "Temperature"};
    const int colors[] = {9, 10, 12};
    for (int s = 0; s < 3; ++s) {
        series_[s] = new QLineSeries;
        series_[s]->setName(QString::fromLatin1(names[s]));
        series_[s]->setColor(colorOf(colors[s]));
        (s < 2 ? top : bottom)->addSeries(series_[s]);
    }
    timeUpper_ = timeAxis(false);
    timeLower_ = timeAxis(true);
    stressAxis_ = new QValueAxis;
    stressAxis_->setTitleText(QStringLiteral("Shear Stress (dyn/cm2)"));
    viscosityAxis_ = new QValueAxis;
    viscosityAxis_->setTitleText(QStringLiteral("Viscosity (Cp)"));
    temperatureAxis_ = new QValueAxis;
    temperatureAxis_->setTitleText(QStringLiteral("Temperature (°F)"));
    temperatureAxis_->setRange(10, 230);
    top->addAxis(timeUpper_, Qt::AlignBottom);
    top->addAxis(stressAxis_, Qt::AlignLeft);
    top->addAxis(viscosityAxis_, Qt::AlignRight);
    bottom->addAxis(timeLower_, Qt::AlignBottom);
    bottom->addAxis(temperatureAxis_, Qt::AlignLeft);
    series_[0]->attachAxis(timeUpper_);
    series_[0]->attachAxis(stressAxis_);
    series_[1]->attachAxis(timeUpper_);
    series_[1]->attachAxis(viscosityAxis_);
    series_[2]->attachAxis(timeLower_);
    series_[2]->attachAxis(temperatureAxis_);
    top->legend()->setAlignment(Qt::AlignTop);
    bottom->legend()->setAlignment(Qt::AlignTop);
    // Slim frames leave the lower chart's vertical axis long enough for its title.
    for (QChart *c : {top, bottom}) {
        c->setMargins(QMargins(kMargin, 4, kMargin, 4));
        c->layout()->setContentsMargins(2, 2, 2, 2);
    }
    upper_ = new LiveSeriesView(top, this);
    lower_ = new LiveSeriesView(bottom, this);
    for (LiveSeriesView *v : {upper_, lower_}) {
        v->setRenderHint(QPainter::Antialiasing);
        v->setImageWidget(this);
        layout->addWidget(v, 1);
    }
    connect(upper_, &InteractiveChartView::viewChanged, this, [this] { followTime(0); });
    connect(lower_, &InteractiveChartView::viewChanged, this, [this] { followTime(1); });
    connect(top, &QChart::plotAreaChanged, this, [this] { alignPlots(0); });
    connect(bottom, &QChart::plotAreaChanged, this, [this] { alignPlots(1); });
    redraw(LiveChart());
    last_ = nullptr;
}

QChart *LiveChartView::upperChart() const { return upper_->chart(); }
QChart *LiveChartView::lowerChart() const { return lower_->chart(); }
InteractiveChartView *LiveChartView::upperView() const { return upper_; }
InteractiveChartView *LiveChartView::lowerView() const { return lower_; }
qsizetype LiveChartView::drawnPoints(int series) const { return series_[series]->count(); }

void LiveChartView::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    const int ticks = std::clamp(width() / 90, 3, 7);
    timeUpper_->setTickCount(ticks);
    timeLower_->setTickCount(ticks);
}

void LiveChartView::alignPlots(int laidOut)
{
    // Where that plot ends with its own margins only, read as it was laid out with the ones
    // it has now.
    const QChart *chart = (laidOut == 0 ? upper_ : lower_)->chart();
    const QRectF plot = chart->plotArea();
    const QMargins margins = chart->margins();
    natural_[laidOut] = {plot.left() - (margins.left() - kMargin),
                         plot.right() + (margins.right() - kMargin)};
    if (natural_[0].isNull() || natural_[1].isNull())
        return;
    const double left = std::max(natural_[0].x(), natural_[1].x());
    const double right = std::min(natural_[0].y(), natural_[1].y());
    LiveSeriesView *views[] = {upper_, lower_};
    for (int i = 0; i < 2; ++i) {
        const QMargins wanted(kMargin + static_cast<int>(std::lround(left - natural_[i].x())), 4,
                              kMargin + static_cast<int>(std::lround(natural_[i].y() - right)), 4);
        if (views[i]->chart()->margins() != wanted) {
            views[i]->chart()->setMargins(wanted);
            // Laid out now: the other chart's next range change finds this one in place.
            views[i]->chart()->layout()->activate();
        }
    }
}

void LiveChartView::setWholeTest(bool on)
{
    wholeTest_ = on;
    if (btnWholeTest->isChecked() != on)
        btnWholeTest->setChecked(on);
    resetZoom();
}

void LiveChartView::setPaused(bool on)
{
    paused_ = on;
    if (btnPause->isChecked() != on)
        btnPause->setChecked(on);
    if (!on)
        draw();
}

void LiveChartView::resetZoom()
{
    // The lower chart follows the upper one's reset.
    upper_->resetView();
}

bool LiveChartView::userZoomed() const { return upper_->zoomed() || lower_->zoomed(); }

double LiveChartView::toAxis(double secs) const
{
    return static_cast<double>(midnightMs_) + secs * 1000.0;
}

void LiveChartView::followTime(int from)
{
    if (following_)
        return;
    following_ = true;
    LiveSeriesView *source = from == 0 ? upper_ : lower_;
    QDateTimeAxis *other = from == 0 ? timeLower_ : timeUpper_;
    const QDateTimeAxis *own = from == 0 ? timeUpper_ : timeLower_;
    if (source->zoomed()) {
        other->setRange(own->min(), own->max());
        // The other chart's values stay as they were; only the time follows.
    } else {
        // A reset: both follow the readings again.
        (from == 0 ? lower_ : upper_)->resetView();
    }
    following_ = false;
    // Paused, only the whole test is thinned again for a new range; the scrolling view
    // keeps its points.
    if (paused_ ? wholeTest_ && source->zoomed() : !source->zoomed() || wholeTest_)
        draw();
}

void LiveChartView::redraw(const LiveChart &chart)
{
    last_ = &chart;
    if (!paused_)
        draw();
}

void LiveChartView::draw()
{
    if (!last_)
        return;
    if (wholeTest_)
        drawWhole(*last_);
    else
        drawScrolling(*last_);
    std::vector<TimeMark> marks = last_->stepMarks();
    marks.insert(marks.end(), last_->notes.begin(), last_->notes.end());
    for (TimeMark &m : marks)
        m.time = toAxis(m.time);
    upper_->setMarks(marks);
    lower_->setMarks(std::move(marks));
}

void LiveChartView::setRanges(double lo, double hi, const double maxY[2])
{
    // Each change of a range works out every series' shape again: only real changes are set.
    const auto toTime = [this](double secs) {
        return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(toAxis(secs))));
    };
    for (QDateTimeAxis *axis : {timeUpper_, timeLower_})
        if (axis->min() != toTime(lo) || axis->max() != toTime(hi))
            axis->setRange(toTime(lo), toTime(hi));
    QValueAxis *axes[] = {stressAxis_, viscosityAxis_};
    for (int a = 0; a < 2; ++a) {
        QValueAxis nice;
        nice.setTickCount(axes[a]->tickCount());
        nice.setRange(0, maxY[a] > 0 ? maxY[a] * 1.1 : 10);
        nice.applyNiceNumbers();
        if (axes[a]->tickCount() != nice.tickCount())
            axes[a]->setTickCount(nice.tickCount());
        if (axes[a]->min() != nice.min() || axes[a]->max() != nice.max())
            axes[a]->setRange(nice.min(), nice.max());
    }
}

void LiveChartView::drawScrolling(const LiveChart &chart)
{
    double minX = HUGE_VAL, maxX = -HUGE_VAL;
    double maxY[2] = {0, 0};
    for (int s = 0; s < 3; ++s) {
        QList<QPointF> pts;
        pts.reserve(LiveChart::MaxPoints);
        for (int p = 0; p < LiveChart::MaxPoints; ++p) {
            const double x = chart.x(s, p);
            const double y = chart.y(s, p);
            if (!std::isfinite(x) || !std::isfinite(y))
                continue;
            pts.append(QPointF(toAxis(x), y));
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            if (s < 2)
                maxY[s] = std::max(maxY[s], y);
        }
        series_[s]->replace(pts);
    }
    if (userZoomed())
        return;
    double lo = chart.zoom ? chart.WindowStart : minX;
    double hi = chart.zoom ? chart.WindowEnd : maxX;
    if (!(lo < hi)) {
        lo = chart.ChartStart;
        hi = chart.ChartStart + LiveChart::WindowWidth;
    }
    setRanges(lo, hi, maxY);
}

void LiveChartView::drawWhole(const LiveChart &chart)
{
    const LiveHistory &h = chart.history();
    const std::size_t n = h.size();
    // The end moves on by a twentieth of the run at a time, not with every reading.
    double lo = chart.ChartStart;
    const double elapsed = n > 0 ? h.t(n - 1) - lo : 0;
    double step = LiveChart::WindowStep;
    while (step < elapsed / 20)
        step *= 2;
    double hi = lo + std::max(LiveChart::WindowWidth, std::ceil(elapsed / step) * step);
    const bool zoomed = userZoomed();
    if (zoomed) {
        lo = (static_cast<double>(timeUpper_->min().toMSecsSinceEpoch()) -
              static_cast<double>(midnightMs_)) /
             1000.0;
        hi = (static_cast<double>(timeUpper_->max().toMSecsSinceEpoch()) -
              static_cast<double>(midnightMs_)) /
             1000.0;
    }
    const double plot = upper_->chart()->plotArea().width();
    // Two pixels a column: half the points, each series' shape worked out again every tick.
    const auto columns = static_cast<std::size_t>(std::max(100.0, (plot > 0 ? plot : width()) / 2));
    double maxY[2] = {0, 0};
    for (int s = 0; s < 3; ++s) {
        const std::vector<std::size_t> keep = h.decimate(s, lo, hi, columns);
        QList<QPointF> pts;
        pts.reserve(static_cast<qsizetype>(keep.size()));
        for (std::size_t i : keep) {
            const double y = h.y(s, i);
            pts.append(QPointF(toAxis(h.t(i)), y));
            if (s < 2 && std::isfinite(y))
                maxY[s] = std::max(maxY[s], y);
        }
        series_[s]->replace(pts);
    }
    if (zoomed)
        return;
    setRanges(lo, hi, maxY);
}

} // namespace viscora
