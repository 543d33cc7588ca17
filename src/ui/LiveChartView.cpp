#include "ui/LiveChartView.h"

#include "core/ChartModel.h"
#include "ui/ChartMarks.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>
#include <cmath>

namespace viscora {

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
    upper_ = new QChartView(top, this);
    lower_ = new QChartView(bottom, this);
    upper_->setRenderHint(QPainter::Antialiasing);
    lower_->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(upper_, 1);
    layout->addWidget(lower_, 1);
    connect(top, &QChart::plotAreaChanged, this, [this] { alignPlots(0); });
    connect(bottom, &QChart::plotAreaChanged, this, [this] { alignPlots(1); });
    redraw(LiveChart());
}

QChart *LiveChartView::upperChart() const { return upper_->chart(); }

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
    QChartView *views[] = {upper_, lower_};
    for (int i = 0; i < 2; ++i) {
        const QMargins wanted(kMargin + static_cast<int>(std::lround(left - natural_[i].x())), 4,
                              kMargin + static_cast<int>(std::lround(natural_[i].y() - right)), 4);
        if (views[i]->chart()->margins() != wanted)
            views[i]->chart()->setMargins(wanted);
    }
}
QChart *LiveChartView::lowerChart() const { return lower_->chart(); }
qsizetype LiveChartView::drawnPoints(int series) const { return series_[series]->count(); }

void LiveChartView::redraw(const LiveChart &chart)
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
            pts.append(QPointF(static_cast<double>(midnightMs_) + x * 1000.0, y));
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            if (s < 2)
                maxY[s] = std::max(maxY[s], y);
        }
        series_[s]->replace(pts);
    }
    double lo = chart.zoom ? chart.WindowStart : minX;
    double hi = chart.zoom ? chart.WindowEnd : maxX;
    if (!(lo < hi)) {
        lo = chart.ChartStart;
        hi = chart.ChartStart + LiveChart::WindowWidth;
    }
    const auto toTime = [this](double secs) {
        return QDateTime::fromMSecsSinceEpoch(midnightMs_ + static_cast<qint64>(secs * 1000.0));
    };
    timeUpper_->setRange(toTime(lo), toTime(hi));
    timeLower_->setRange(toTime(lo), toTime(hi));
    stressAxis_->setRange(0, maxY[0] > 0 ? maxY[0] * 1.1 : 10);
    viscosityAxis_->setRange(0, maxY[1] > 0 ? maxY[1] * 1.1 : 10);
    stressAxis_->applyNiceNumbers();
    viscosityAxis_->applyNiceNumbers();
    for (QAbstractSeries *s : std::exchange(marks_, {})) {
        upper_->chart()->removeSeries(s);
        delete s;
    }
    std::vector<ChartMark> marks;
    for (const ChartMark &m : chart.marks)
        if (m.x >= lo && m.x <= hi)
            marks.push_back({static_cast<double>(midnightMs_) + m.x * 1000.0, m.text});
    marks_ = addMarks(*upper_->chart(), *timeUpper_, *stressAxis_, marks, stressAxis_->min(),
                      stressAxis_->max());
}

} // namespace viscora
