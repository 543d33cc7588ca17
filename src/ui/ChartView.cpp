#include "ui/ChartView.h"

#include "core/ChartGeometry.h"
#include "core/Decimation.h"
#include "ui/WidgetPrinting.h"

#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QCategoryAxis>
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

// A linear axis over the values, or a logarithmic one drawn as a linear axis over their
// logarithms, labelled at the geometry's ticks (a plain log axis labels only powers of ten).
QAbstractAxis *makeAxis(const AxisGeometry &g, const QString &title)
{
    QValueAxis *axis;
    if (g.log) {
        auto *cat = new QCategoryAxis;
        cat->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        for (const auto &[at, text] : g.ticks)
            cat->append(QString::fromStdString(text), at);
        axis = cat;
    } else {
        axis = new QValueAxis;
        axis->setLabelFormat(QStringLiteral("%g"));
    }
    axis->setRange(g.min, g.max);
    if (!g.log)
        axis->applyNiceNumbers();
    axis->setTitleText(title);
    return axis;
}

QString number(double v) { return QString::number(v, 'g', 4); }

} // namespace

QString fitLegend(const SeriesFit &f)
{
    if (f.method == PlottingMethod::BestFitPower)
        return QStringLiteral("τ = %1·x^%2  (R² = %3)")
            .arg(number(f.a), number(f.b), QString::number(f.r2, 'f', 4));
    return QStringLiteral("τ = %1 + %2·x  (R² = %3)")
        .arg(number(f.a), number(f.b), QString::number(f.r2, 'f', 4));
}

QString bestFitText(PlottingMethod method, const std::vector<double> &x,
                    const std::vector<double> &y)
{
    const auto f = fitSeries(method, x, y);
    return f ? fitLegend(*f) : QString();
}

ChartView::ChartView(QWidget *parent) : InteractiveChartView(parent)
{
    setRenderHint(QPainter::Antialiasing);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    connect(this, &InteractiveChartView::viewChanged, this, [this] { fillPieces(); });
}

std::size_t ChartView::columns() const
{
    const double plot = chart()->plotArea().width();
    return static_cast<std::size_t>(std::max(200.0, plot > 0 ? plot : width()));
}

void ChartView::fillPieces()
{
    const auto horizontal = chart()->axes(Qt::Horizontal);
    if (horizontal.isEmpty())
        return;
    const auto [lo, hi] = axisRange(horizontal.first());
    const std::size_t cols = columns();
    for (Piece &p : pieces_) {
        if (p.ascending) {
            p.shown = decimateColumns(p.x, p.y, lo, hi, cols);
        } else {
            p.shown = decimateMinMax(p.y, cols);
        }
        QList<QPointF> pts;
        pts.reserve(static_cast<qsizetype>(p.shown.size()));
        for (std::size_t i : p.shown)
            pts.append(QPointF(p.x[i], p.y[i]));
        p.series->replace(pts);
    }
}

void ChartView::setTimeMarks(std::vector<TimeMark> marks)
{
    extraMarks_ = std::move(marks);
    showMarks();
}

void ChartView::showMarks()
{
    std::vector<TimeMark> marks;
    if (model_.timeAxis() && model_.xScale() == ScaleType::Normal) {
        marks = model_.timeMarks();
        marks.insert(marks.end(), model_.noteMarks().begin(), model_.noteMarks().end());
        marks.insert(marks.end(), extraMarks_.begin(), extraMarks_.end());
    }
    setMarks(std::move(marks));
}

bool ChartView::isLog(Qt::Orientation o) const
{
    return (o == Qt::Horizontal ? model_.xScale() : model_.yScale()) == ScaleType::Log;
}

void ChartView::setLog(Qt::Orientation o, bool on)
{
    ChartModel m = model_;
    const ScaleType scale = on ? ScaleType::Log : ScaleType::Normal;
    if (o == Qt::Horizontal)
        m.setXScale(scale);
    else
        m.setYScale(scale);
    redraw(m);
}

QString ChartView::readoutFor(QXYSeries *series, int index) const
{
    const auto piece = std::find_if(pieces_.begin(), pieces_.end(),
                                    [&](const Piece &p) { return p.series == series; });
    if (piece == pieces_.end() || static_cast<std::size_t>(index) >= piece->shown.size())
        return InteractiveChartView::readoutFor(series, index);
    const std::size_t i = piece->source[piece->shown[static_cast<std::size_t>(index)]];
    const ChartSeries &src = model_.series(piece->modelSeries);
    ReadoutPoint p;
    if (model_.subsetCount() > 1)
        p.series = src.label;
    p.xLabel = model_.xAxisLabel();
    p.yLabel = model_.yAxisLabel();
    p.x = src.x[i];
    p.y = src.y[i];
    if (i < src.places.size())
        p.place = src.places[i];
    if (model_.viscosityFactor() > 0 && p.x > 0)
        p.viscosityCp = p.y / p.x * model_.viscosityFactor();
    return QString::fromStdString(readoutText(p));
}

QString ChartView::visibleData() const
{
    const auto horizontal = chart()->axes(Qt::Horizontal);
    const auto vertical = chart()->axes(Qt::Vertical);
    if (horizontal.isEmpty() || vertical.isEmpty())
        return {};
    const auto [x0, x1] = axisRange(horizontal.first());
    const auto [y0, y1] = axisRange(vertical.first());
    const bool named = model_.subsetCount() > 1;
    QString text = named ? QStringLiteral("Series\t") : QString();
    text += QString::fromStdString(model_.xAxisLabel()) + QLatin1Char('\t') +
            QString::fromStdString(model_.yAxisLabel()) + QLatin1Char('\n');
    for (const Piece &p : pieces_) {
        if (!p.series->isVisible())
            continue;
        const ChartSeries &src = model_.series(p.modelSeries);
        const QString name = QString::fromStdString(src.label);
        for (std::size_t k = 0; k < p.x.size(); ++k) {
            if (p.x[k] < x0 || p.x[k] > x1 || p.y[k] < y0 || p.y[k] > y1)
                continue;
            const std::size_t i = p.source[k];
            if (named)
                text += name + QLatin1Char('\t');
            text += QString::number(src.x[i], 'g', 10) + QLatin1Char('\t') +
                    QString::number(src.y[i], 'g', 10) + QLatin1Char('\n');
        }
    }
    return text;
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
    // Slim frames leave the axes long enough for their titles in a small window.
    c->setMargins(QMargins(6, 4, 6, 4));
    c->layout()->setContentsMargins(2, 2, 2, 2);

    // Labels a little wider or taller than the usual ones keep apart at this size; the plot
    // is the view less the titles, labels and legend around it.
    const QFontMetricsF fm(c->font());
    const AxisRoom xRoom{std::max(60.0, width() - 90.0),
                         fm.horizontalAdvance(QStringLiteral("00000")) + 12};
    const AxisRoom yRoom{std::max(60.0, height() - 150.0), fm.height() * 1.5};
    // Every point is kept; the view draws what its columns show of the range in view.
    const ChartGeometry g = chartGeometry(model, 0, xRoom, yRoom);
    model_ = model;
    pieces_.clear();
    // A log axis's last label is centred on its tick: the right margin keeps it whole.
    if (g.x.log && !g.x.ticks.empty() && g.x.max > g.x.min) {
        const auto &[at, text] = g.x.ticks.back();
        const double half = fm.horizontalAdvance(QString::fromStdString(text)) / 2;
        const double room = (g.x.max - at) / (g.x.max - g.x.min) * xRoom.length;
        c->setMargins(QMargins(6, 4, 6 + static_cast<int>(std::ceil(std::max(0.0, half - room))), 4));
    }
    QAbstractAxis *ax = makeAxis(g.x, QString::fromStdString(model.xAxisLabel()));
    QAbstractAxis *ay = makeAxis(g.y, QString::fromStdString(model.yAxisLabel()));
    c->addAxis(ax, Qt::AlignBottom);
    c->addAxis(ay, Qt::AlignLeft);

    fitText_.clear();
    const PlottingMethod method = model.plottingMethod();
    const bool fit =
        method == PlottingMethod::BestFitLinear || method == PlottingMethod::BestFitPower;
    auto add = [&](QXYSeries *series, const std::vector<double> &xs,
                   const std::vector<double> &ys) {
        QList<QPointF> pts;
        pts.reserve(static_cast<qsizetype>(xs.size()));
        for (std::size_t i = 0; i < xs.size(); ++i)
            pts.append(QPointF(xs[i], ys[i]));
        series->replace(pts);
        c->addSeries(series);
        series->attachAxis(ax);
        series->attachAxis(ay);
    };
    qsizetype hiddenPieces = 0;
    for (const SeriesGeometry &sg : g.series) {
        const ChartSeries &src = model.series(sg.index);
        const QColor color =
            sg.index == 0 || src.colorSet
                ? colorOf(src.color)
                : colorOf(kOverlayColors[(sg.index - 1) % std::size(kOverlayColors)]);
        auto makeSeries = [&]() -> QXYSeries * {
            QXYSeries *s;
            if (fit || src.markers)
                s = new QScatterSeries;
            else if (method == PlottingMethod::Spline)
                s = new QSplineSeries;
            else
                s = new QLineSeries;
            s->setColor(color);
            if (auto *scatter = qobject_cast<QScatterSeries *>(s)) {
                scatter->setMarkerSize(6);
                scatter->setBorderColor(color);
            }
            s->setName(QString::fromStdString(src.label));
            return s;
        };
        // A broken line is drawn piece by piece, under one legend entry.
        for (std::size_t p = 0; p < sg.pieces.size(); ++p) {
            const std::size_t lo = sg.pieces[p];
            const std::size_t hi = p + 1 < sg.pieces.size() ? sg.pieces[p + 1] : sg.x.size();
            QXYSeries *piece = makeSeries();
            add(piece, {}, {});
            const auto from = [lo, hi](const auto &v) {
                return std::vector<typename std::decay_t<decltype(v)>::value_type>(
                    v.begin() + static_cast<std::ptrdiff_t>(lo),
                    v.begin() + static_cast<std::ptrdiff_t>(hi));
            };
            Piece kept{piece, sg.index, from(sg.x), from(sg.y), from(sg.source), {}, false};
            kept.ascending = std::is_sorted(kept.x.begin(), kept.x.end());
            pieces_.push_back(std::move(kept));
            if (p > 0) {
                for (QLegendMarker *marker : c->legend()->markers(piece))
                    marker->setVisible(false);
                ++hiddenPieces;
            }
        }
        if (sg.fit) {
            const QString text = fitLegend(*sg.fit);
            if (sg.index == 0)
                fitText_ = text;
            auto *curve = new QLineSeries;
            curve->setName(text);
            curve->setColor(color);
            add(curve, sg.fitX, sg.fitY);
        }
    }
    // A single series needs no legend; overlays and fitted curves do.
    c->legend()->setVisible(c->series().size() - hiddenPieces > 1);
    QChart *old = chart();
    setChart(c);
    delete old;
    clearReadout();
    rememberHome();
    fillPieces();
    showMarks();
}

} // namespace viscora

namespace viscora {

void ChartView::print(QPagedPaintDevice &device) { renderToPage(*this, device); }

} // namespace viscora
