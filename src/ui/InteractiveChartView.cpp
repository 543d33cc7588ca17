#include "ui/InteractiveChartView.h"

#include "core/ChartReadout.h"
#include "ui/QtPrompter.h"
#include "ui/SvgImage.h"
#include "ui/WidgetPrinting.h"

#include <QApplication>
#include <QChart>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QValueAxis>
#include <QWheelEvent>
#include <QXYSeries>

#include <algorithm>
#include <cmath>
#include <limits>

namespace viscora {

std::pair<double, double> axisRange(const QAbstractAxis *axis)
{
    if (const auto *v = qobject_cast<const QValueAxis *>(axis))
        return {v->min(), v->max()};
    if (const auto *d = qobject_cast<const QDateTimeAxis *>(axis))
        return {static_cast<double>(d->min().toMSecsSinceEpoch()),
                static_cast<double>(d->max().toMSecsSinceEpoch())};
    return {0, 1};
}

void setAxisRange(QAbstractAxis *axis, double lo, double hi)
{
    if (auto *v = qobject_cast<QValueAxis *>(axis))
        v->setRange(lo, hi);
    else if (auto *d = qobject_cast<QDateTimeAxis *>(axis))
        d->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(lo))),
                    QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(hi))));
}

namespace {

// Where a value of the series lies in the scene, from its axes' ranges and the plot.
std::optional<QPointF> scenePoint(const QChart &chart, QXYSeries &s, QPointF value)
{
    const QRectF plot = chart.plotArea();
    double fx = -1, fy = -1;
    for (const QAbstractAxis *a : s.attachedAxes()) {
        const auto [lo, hi] = axisRange(a);
        if (!(hi > lo))
            return std::nullopt;
        if (a->orientation() == Qt::Horizontal)
            fx = (value.x() - lo) / (hi - lo);
        else
            fy = (value.y() - lo) / (hi - lo);
    }
    if (fx < -1e9 || fy < -1e9)
        return std::nullopt;
    return QPointF(plot.left() + fx * plot.width(), plot.bottom() - fy * plot.height());
}

QString valueText(const QAbstractAxis *axis, double v)
{
    if (qobject_cast<const QDateTimeAxis *>(axis))
        return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(v)))
            .toString(QStringLiteral("hh:mm:ss"));
    return QString::fromStdString(readoutNumber(v));
}

const QAbstractAxis *axisOf(QXYSeries &s, Qt::Orientation o)
{
    for (const QAbstractAxis *a : s.attachedAxes())
        if (a->orientation() == o)
            return a;
    return nullptr;
}

} // namespace

InteractiveChartView::InteractiveChartView(QWidget *parent) : QChartView(parent)
{
    setMouseTracking(true);
    // Clicked, it takes the keys; the windows' Tab order stays as it was.
    setFocusPolicy(Qt::ClickFocus);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    // A screen reader finds the chart by its name and reads the read-out as its description.
    setAccessibleName(QStringLiteral("Chart"));
}

QRectF InteractiveChartView::plotInView() const
{
    return mapFromScene(chart()->plotArea()).boundingRect();
}

void InteractiveChartView::rememberHome()
{
    home_.clear();
    for (const QAbstractAxis *a : chart()->axes())
        home_.push_back(axisRange(a));
    zoomed_ = false;
}

void InteractiveChartView::resetView()
{
    const auto axes = chart()->axes();
    for (qsizetype i = 0; i < axes.size() && static_cast<std::size_t>(i) < home_.size(); ++i)
        setAxisRange(axes[i], home_[static_cast<std::size_t>(i)].first,
                     home_[static_cast<std::size_t>(i)].second);
    zoomed_ = false;
    clearReadout();
    emit viewChanged();
}

void InteractiveChartView::applyFractions(double x0, double x1, double y0, double y1)
{
    if (!(x1 > x0) || !(y1 > y0))
        return;
    for (QAbstractAxis *a : chart()->axes()) {
        const auto [lo, hi] = axisRange(a);
        const bool h = a->orientation() == Qt::Horizontal;
        const double f0 = h ? x0 : y0, f1 = h ? x1 : y1;
        setAxisRange(a, lo + f0 * (hi - lo), lo + f1 * (hi - lo));
    }
    zoomed_ = true;
    clearReadout();
    emit viewChanged();
}

void InteractiveChartView::zoomToRect(const QRectF &rect)
{
    const QRectF plot = plotInView();
    const QRectF r = rect.normalized().intersected(plot);
    if (r.width() < 2 || r.height() < 2)
        return;
    applyFractions(
        (r.left() - plot.left()) / plot.width(), (r.right() - plot.left()) / plot.width(),
        (plot.bottom() - r.bottom()) / plot.height(), (plot.bottom() - r.top()) / plot.height());
}

void InteractiveChartView::zoomBy(double factor, QPointF at)
{
    const QRectF plot = plotInView();
    if (plot.isEmpty())
        return;
    const double fx = std::clamp((at.x() - plot.left()) / plot.width(), 0.0, 1.0);
    const double fy = std::clamp((plot.bottom() - at.y()) / plot.height(), 0.0, 1.0);
    applyFractions(fx - fx * factor, fx + (1 - fx) * factor, fy - fy * factor,
                   fy + (1 - fy) * factor);
}

void InteractiveChartView::panBy(double dx, double dy)
{
    const QRectF plot = plotInView();
    if (plot.isEmpty())
        return;
    const double fx = dx / plot.width(), fy = dy / plot.height();
    applyFractions(fx, 1 + fx, fy, 1 + fy);
}

bool InteractiveChartView::showReadoutAt(QPointF at)
{
    const QPointF scene = mapToScene(at.toPoint());
    QXYSeries *best = nullptr;
    int bestIndex = -1;
    QPointF bestAt;
    double bestDistance = std::numeric_limits<double>::infinity();
    const QRectF plot = chart()->plotArea();
    for (QAbstractSeries *a : chart()->series()) {
        auto *s = qobject_cast<QXYSeries *>(a);
        if (!s || !s->isVisible())
            continue;
        const QList<QPointF> pts = s->points();
        for (qsizetype i = 0; i < pts.size(); ++i) {
            const auto p = scenePoint(*chart(), *s, pts[i]);
            if (!p || !plot.adjusted(-1, -1, 1, 1).contains(*p))
                continue;
            const double d = std::hypot(p->x() - scene.x(), p->y() - scene.y());
            if (d < bestDistance) {
                bestDistance = d;
                best = s;
                bestIndex = static_cast<int>(i);
                bestAt = *p;
            }
        }
    }
    if (!best) {
        clearReadout();
        return false;
    }
    readout_ = readoutFor(best, bestIndex);
    readoutAt_ = bestAt;
    setAccessibleDescription(readout_);
    viewport()->update();
    return true;
}

void InteractiveChartView::clearReadout()
{
    readout_.clear();
    readoutAt_.reset();
    setAccessibleDescription({});
    viewport()->update();
}

QString InteractiveChartView::readoutFor(QXYSeries *series, int index) const
{
    const QPointF v = series->at(index);
    const QAbstractAxis *ax = axisOf(*series, Qt::Horizontal);
    const QAbstractAxis *ay = axisOf(*series, Qt::Vertical);
    ReadoutPoint p;
    p.series = series->name().toStdString();
    p.xLabel = ax ? ax->titleText().toStdString() : "X";
    p.yLabel = ay ? ay->titleText().toStdString() : "Y";
    p.x = v.x();
    p.y = v.y();
    if (ax && qobject_cast<const QDateTimeAxis *>(ax))
        p.xText = valueText(ax, v.x()).toStdString();
    return QString::fromStdString(readoutText(p));
}

void InteractiveChartView::setMarks(std::vector<TimeMark> marks)
{
    marks_ = std::move(marks);
    viewport()->update();
}

QString InteractiveChartView::visibleData() const
{
    // Each visible series' drawn points inside the present ranges, one line a point.
    QString text;
    QString xTitle = QStringLiteral("X");
    for (const QAbstractAxis *a : chart()->axes(Qt::Horizontal))
        if (!a->titleText().isEmpty())
            xTitle = a->titleText();
    text += QStringLiteral("Series\t%1\tValue\n").arg(xTitle);
    for (QAbstractSeries *a : chart()->series()) {
        auto *s = qobject_cast<QXYSeries *>(a);
        if (!s || !s->isVisible())
            continue;
        const QAbstractAxis *ax = axisOf(*s, Qt::Horizontal);
        const QAbstractAxis *ay = axisOf(*s, Qt::Vertical);
        if (!ax || !ay)
            continue;
        const auto [x0, x1] = axisRange(ax);
        const auto [y0, y1] = axisRange(ay);
        for (const QPointF &p : s->points())
            if (p.x() >= x0 && p.x() <= x1 && p.y() >= y0 && p.y() <= y1)
                text += QStringLiteral("%1\t%2\t%3\n")
                            .arg(s->name(), valueText(ax, p.x()), QString::number(p.y(), 'g', 10));
    }
    return text;
}

QImage InteractiveChartView::image()
{
    // The crosshair belongs to the pointer, not to the picture.
    const auto keptAt = readoutAt_;
    readoutAt_.reset();
    QWidget *w = imageWidget_ ? imageWidget_ : this;
    const QImage img = w->grab().toImage();
    readoutAt_ = keptAt;
    return img;
}

void InteractiveChartView::copyImage() { QApplication::clipboard()->setImage(image()); }

bool InteractiveChartView::saveImage(const QString &path)
{
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        const auto keptAt = readoutAt_;
        readoutAt_.reset();
        const bool ok = writeSvg(imageWidget_ ? *imageWidget_ : *this, path);
        readoutAt_ = keptAt;
        return ok;
    }
    return image().save(path, "PNG");
}

void InteractiveChartView::saveImageAs()
{
    FileDialogRequest request;
    request.title = "Save Chart Image";
    request.filter = "PNG image (*.png)|*.png|SVG image (*.svg)|*.svg";
    request.proposedName = "chart.png";
    QtPrompter own(this);
    Prompter &prompter = prompter_ ? *prompter_ : own;
    const std::string name = prompter.saveFile(request);
    if (name.empty())
        return;
    QString path = QString::fromStdString(name);
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    if (!saveImage(path))
        prompter.message("The image could not be written to " + path.toStdString() + ".",
                         "Save Chart Image", Buttons::Ok, Icon::Exclamation);
}

QMenu *InteractiveChartView::makeMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->addAction(QStringLiteral("Copy Image"), this, [this] { copyImage(); });
    menu->addAction(QStringLiteral("Save Image As..."), this, [this] { saveImageAs(); });
    menu->addAction(QStringLiteral("Copy Data"), this,
                    [this] { QApplication::clipboard()->setText(visibleData()); });
    menu->addAction(QStringLiteral("Print..."), this, [this] {
        QWidget &w = imageWidget_ ? *imageWidget_ : *this;
        const auto keptAt = readoutAt_;
        readoutAt_.reset();
        if (printWidget)
            printWidget(w);
        else
            printWithDialog(w, this);
        readoutAt_ = keptAt;
    });
    menu->addSeparator();
    QAction *reset = menu->addAction(QStringLiteral("Reset Zoom"), this, [this] { resetView(); });
    reset->setEnabled(zoomed_);
    for (const auto &[orientation, text] : {std::pair{Qt::Horizontal, "Logarithmic X Axis"},
                                            std::pair{Qt::Vertical, "Logarithmic Y Axis"}}) {
        QAction *log = menu->addAction(QString::fromLatin1(text));
        log->setCheckable(true);
        log->setEnabled(offersLog());
        log->setChecked(isLog(orientation));
        const Qt::Orientation o = orientation;
        connect(log, &QAction::toggled, this, [this, o](bool on) { setLog(o, on); });
    }
    menu->addSeparator();
    // One entry per named series (a broken line is drawn in pieces under one name).
    QStringList names;
    for (QAbstractSeries *s : chart()->series())
        if (!s->name().isEmpty() && !names.contains(s->name()))
            names.append(s->name());
    for (const QString &name : names) {
        QAction *show = menu->addAction(QStringLiteral("Show %1").arg(name));
        show->setCheckable(true);
        bool visible = false;
        for (QAbstractSeries *s : chart()->series())
            visible = visible || (s->name() == name && s->isVisible());
        show->setChecked(visible);
        connect(show, &QAction::toggled, this, [this, name](bool on) {
            for (QAbstractSeries *s : chart()->series())
                if (s->name() == name)
                    s->setVisible(on);
            clearReadout();
        });
    }
    return menu;
}

void InteractiveChartView::contextMenuEvent(QContextMenuEvent *e)
{
    QMenu *menu = makeMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}

void InteractiveChartView::mousePressEvent(QMouseEvent *e)
{
    pressAt_ = e->position().toPoint();
    const bool pan = e->button() == Qt::MiddleButton ||
                     (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ShiftModifier));
    if (pan) {
        drag_ = Drag::Pan;
        setCursor(Qt::ClosedHandCursor);
    } else if (e->button() == Qt::LeftButton && plotInView().contains(e->position())) {
        drag_ = Drag::Zoom;
        if (!band_)
            band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
        band_->setGeometry(QRect(pressAt_, QSize()));
        band_->show();
    }
    e->accept();
}

void InteractiveChartView::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint at = e->position().toPoint();
    if (drag_ == Drag::Pan) {
        panBy(pressAt_.x() - at.x(), at.y() - pressAt_.y());
        pressAt_ = at;
    } else if (drag_ == Drag::Zoom && band_) {
        band_->setGeometry(QRect(pressAt_, at).normalized());
    } else {
        showReadoutAt(e->position());
    }
    e->accept();
}

void InteractiveChartView::mouseReleaseEvent(QMouseEvent *e)
{
    if (drag_ == Drag::Zoom && band_) {
        band_->hide();
        zoomToRect(QRectF(pressAt_, e->position()));
    }
    if (drag_ == Drag::Pan)
        unsetCursor();
    drag_ = Drag::None;
    e->accept();
}

void InteractiveChartView::mouseDoubleClickEvent(QMouseEvent *e)
{
    drag_ = Drag::None;
    if (band_)
        band_->hide();
    resetView();
    e->accept();
}

void InteractiveChartView::wheelEvent(QWheelEvent *e)
{
    const int steps = e->angleDelta().y();
    if (steps != 0)
        zoomBy(steps > 0 ? 0.8 : 1.25, e->position());
    e->accept();
}

void InteractiveChartView::keyPressEvent(QKeyEvent *e)
{
    const QRectF plot = plotInView();
    const QPointF centre = plot.center();
    switch (e->key()) {
    case Qt::Key_Home:
        resetView();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomBy(0.8, centre);
        break;
    case Qt::Key_Minus:
        zoomBy(1.25, centre);
        break;
    case Qt::Key_Left:
        panBy(-plot.width() / 10, 0);
        break;
    case Qt::Key_Right:
        panBy(plot.width() / 10, 0);
        break;
    case Qt::Key_Up:
        panBy(0, plot.height() / 10);
        break;
    case Qt::Key_Down:
        panBy(0, -plot.height() / 10);
        break;
    default:
        QChartView::keyPressEvent(e);
        return;
    }
    e->accept();
}

void InteractiveChartView::leaveEvent(QEvent *e)
{
    clearReadout();
    QChartView::leaveEvent(e);
}

void InteractiveChartView::drawForeground(QPainter *painter, const QRectF &rect)
{
    QChartView::drawForeground(painter, rect);
    const QRectF plot = chart()->plotArea();
    const auto horizontal = chart()->axes(Qt::Horizontal);
    painter->save();
    if (!marks_.empty() && !horizontal.isEmpty()) {
        const auto [lo, hi] = axisRange(horizontal.first());
        QFont f = painter->font();
        f.setPointSizeF(f.pointSizeF() * 0.8);
        painter->setFont(f);
        const QFontMetricsF fm(f);
        // Labels that would overlap go a row lower; with no row free, the line stands alone.
        constexpr int kRows = 4;
        double rowEnds[kRows];
        std::fill(std::begin(rowEnds), std::end(rowEnds), -HUGE_VAL);
        for (const TimeMark &m : marks_) {
            if (!(hi > lo) || m.time < lo || m.time > hi)
                continue;
            const double x = plot.left() + (m.time - lo) / (hi - lo) * plot.width();
            const bool note = m.kind == TimeMarkKind::Note;
            const QColor color = note ? QColor(0xd0, 0x70, 0x00) : QColor(0x80, 0x80, 0x80);
            painter->setPen(QPen(color, 1, note ? Qt::SolidLine : Qt::DashLine));
            painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
            const QString label = QString::fromStdString(m.label);
            QRectF box(x + 2, plot.top() + 1, fm.horizontalAdvance(label) + 4, fm.height());
            if (box.right() > plot.right())
                box.moveRight(x - 2); // near the right edge, left of its line
            for (int row = 0; row < kRows; ++row) {
                if (rowEnds[row] > box.left())
                    continue;
                rowEnds[row] = box.right() + 2;
                box.moveTop(plot.top() + 1 + row * fm.height());
                painter->fillRect(box, QColor(255, 255, 255, 200));
                painter->setPen(color.darker(150));
                painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter, label);
                break;
            }
        }
    }
    if (readoutAt_ && plot.contains(*readoutAt_)) {
        const QPointF p = *readoutAt_;
        painter->setPen(QPen(QColor(0x40, 0x40, 0x40), 1, Qt::DotLine));
        painter->drawLine(QPointF(plot.left(), p.y()), QPointF(plot.right(), p.y()));
        painter->drawLine(QPointF(p.x(), plot.top()), QPointF(p.x(), plot.bottom()));
        painter->setPen(QPen(Qt::black, 1.5));
        painter->drawEllipse(p, 4, 4);
        const QFontMetricsF fm(painter->font());
        const QRectF text = fm.boundingRect(QRectF(0, 0, 400, 400), Qt::AlignLeft, readout_);
        QRectF box(p + QPointF(10, 10), text.size() + QSizeF(10, 8));
        if (box.right() > plot.right())
            box.moveRight(p.x() - 10);
        if (box.bottom() > plot.bottom())
            box.moveBottom(p.y() - 10);
        painter->setPen(QColor(0x60, 0x60, 0x60));
        painter->setBrush(QColor(255, 255, 225, 235));
        painter->drawRect(box);
        painter->setPen(Qt::black);
        painter->drawText(box.adjusted(5, 4, -5, -4), Qt::AlignLeft, readout_);
    }
    painter->restore();
}

} // namespace viscora
