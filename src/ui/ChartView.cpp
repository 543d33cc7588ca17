#include "ui/ChartView.h"

#include "core/CurveFit.h"
#include "ui/WidgetPrinting.h"

#include <QChart>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <QSplineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace viscora {

namespace {

// Colours for overlay series after the first, chosen to stay apart from light blue.
constexpr int kOverlayColors[] = {12, 10, 13, 14, 11, 4, 2, 5, 6, 1, 3, 8};

QColor colorOf(int consoleIndex)
{
    const unsigned rgb = consoleColor(consoleIndex);
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QAbstractAxis *makeAxis(ScaleType scale, const QString &title)
{
    QAbstractAxis *axis;
    if (scale == ScaleType::Log) {
        auto *log = new QLogValueAxis;
        log->setBase(10);
        log->setLabelFormat(QStringLiteral("%g"));
        log->setMinorTickCount(-1);
        axis = log;
    } else {
        auto *lin = new QValueAxis;
        lin->setLabelFormat(QStringLiteral("%g"));
        axis = lin;
    }
    axis->setTitleText(title);
    return axis;
}

QString number(double v) { return QString::number(v, 'g', 4); }

} // namespace

QString bestFitText(PlottingMethod method, const std::vector<double> &x,
                    const std::vector<double> &y)
{
    if (method == PlottingMethod::BestFitLinear) {
        if (auto f = fitLinear(x, y))
            return QStringLiteral("τ = %1 + %2·x  (R² = %3)")
                .arg(number(f->a), number(f->b), QString::number(f->r2, 'f', 4));
    } else if (method == PlottingMethod::BestFitPower) {
        if (auto f = fitPower(x, y))
            return QStringLiteral("τ = %1·x^%2  (R² = %3)")
                .arg(number(f->k), number(f->n), QString::number(f->r2, 'f', 4));
    }
    return {};
}

ChartView::ChartView(QWidget *parent) : QChartView(parent)
{
    setRenderHint(QPainter::Antialiasing);
    chart()->legend()->setAlignment(Qt::AlignBottom);
}

void ChartView::redraw(const ChartModel &model)
{
    auto *c = new QChart;
    QString title =
        QStringLiteral("<b>%1</b>").arg(QString::fromStdString(model.mainTitle()).toHtmlEscaped());
    if (!model.subtitle().empty())
        title += QStringLiteral("<br>") + QString::fromStdString(model.subtitle()).toHtmlEscaped();
    c->setTitle(title);
    c->legend()->setAlignment(Qt::AlignBottom);

    QAbstractAxis *ax = makeAxis(model.xScale(), QString::fromStdString(model.xAxisLabel()));
    QAbstractAxis *ay = makeAxis(model.yScale(), QString::fromStdString(model.yAxisLabel()));
    c->addAxis(ax, Qt::AlignBottom);
    c->addAxis(ay, Qt::AlignLeft);

    const bool logX = model.xScale() == ScaleType::Log, logY = model.yScale() == ScaleType::Log;
    const std::size_t buckets = static_cast<std::size_t>(std::max(200, width()));
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    fitText_.clear();
    const PlottingMethod method = model.plottingMethod();
    const bool fit =
        method == PlottingMethod::BestFitLinear || method == PlottingMethod::BestFitPower;

    for (int s = 0; s < model.subsetCount(); ++s) {
        const std::size_t n = model.drawnPointCount(s);
        if (n == 0)
            continue;
        const ChartSeries &src = model.series(s);
        std::vector<double> xs, ys;
        xs.reserve(n);
        ys.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            const double x = src.x[i], y = src.y[i];
            if (!std::isfinite(x) || !std::isfinite(y) || (logX && x <= 0) || (logY && y <= 0))
                continue;
            xs.push_back(x);
            ys.push_back(y);
        }
        QXYSeries *series;
        if (fit)
            series = new QScatterSeries;
        else if (method == PlottingMethod::Spline)
            series = new QSplineSeries;
        else
            series = new QLineSeries;
        const QColor color = s == 0 ? colorOf(src.color)
                                    : colorOf(kOverlayColors[(s - 1) % std::size(kOverlayColors)]);
        series->setColor(color);
        if (auto *scatter = qobject_cast<QScatterSeries *>(series)) {
            scatter->setMarkerSize(6);
            scatter->setBorderColor(color);
        }
        series->setName(QString::fromStdString(src.label));
        QList<QPointF> pts;
        const auto keep = decimateMinMax(ys, buckets);
        pts.reserve(static_cast<qsizetype>(keep.size()));
        for (std::size_t i : keep) {
            pts.append(QPointF(xs[i], ys[i]));
            minX = std::min(minX, xs[i]);
            maxX = std::max(maxX, xs[i]);
            minY = std::min(minY, ys[i]);
            maxY = std::max(maxY, ys[i]);
        }
        series->replace(pts);
        c->addSeries(series);
        series->attachAxis(ax);
        series->attachAxis(ay);

        if (fit && !xs.empty()) {
            const QString text = bestFitText(method, xs, ys);
            if (s == 0)
                fitText_ = text;
            if (!text.isEmpty()) {
                auto *curve = new QLineSeries;
                curve->setName(text);
                curve->setColor(color);
                const double lo = *std::min_element(xs.begin(), xs.end());
                const double hi = *std::max_element(xs.begin(), xs.end());
                const auto lf = fitLinear(xs, ys);
                const auto pf = fitPower(xs, ys);
                QList<QPointF> line;
                for (int i = 0; i <= 100; ++i) {
                    const double x = lo + (hi - lo) * i / 100.0;
                    const double y = method == PlottingMethod::BestFitLinear
                                         ? lf->a + lf->b * x
                                         : (x > 0 ? pf->k * std::pow(x, pf->n) : 0.0);
                    if ((logX && x <= 0) || (logY && y <= 0))
                        continue;
                    line.append(QPointF(x, y));
                }
                curve->replace(line);
                c->addSeries(curve);
                curve->attachAxis(ax);
                curve->attachAxis(ay);
            }
        }
    }
    if (minX <= maxX) {
        if (minX == maxX) {
            minX -= logX ? minX / 2 : 1;
            maxX += logX ? maxX : 1;
        }
        if (minY == maxY) {
            minY -= logY ? minY / 2 : 1;
            maxY += logY ? maxY : 1;
        }
        ax->setRange(minX, maxX);
        ay->setRange(minY, maxY);
        if (auto *v = qobject_cast<QValueAxis *>(ax))
            v->applyNiceNumbers();
        if (auto *v = qobject_cast<QValueAxis *>(ay))
            v->applyNiceNumbers();
    } else {
        ax->setRange(logX ? 1 : 0, logX ? 10 : 1);
        ay->setRange(logY ? 1 : 0, logY ? 10 : 1);
    }
    // A single series needs no legend; overlays and fitted curves do.
    c->legend()->setVisible(c->series().size() > 1);
    QChart *old = chart();
    setChart(c);
    delete old;
}

} // namespace viscora

namespace viscora {

void ChartView::print(QPagedPaintDevice &device) { renderToPage(*this, device); }

} // namespace viscora
