#include "ui/SvgImage.h"

#include <QBuffer>
#include <QFile>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <QWidget>

#include <cmath>

namespace viscora {

namespace {

QString colorAttr(const QColor &c)
{
    return c.alpha() == 0 ? QStringLiteral("none") : c.name(QColor::HexRgb);
}

QString num(double v) { return QString::number(v, 'f', 2); }

// A gradient is drawn in its first colour.
QColor brushColor(const QBrush &b)
{
    if (b.gradient() && !b.gradient()->stops().isEmpty())
        return b.gradient()->stops().first().second;
    return b.color();
}

class SvgEngine : public QPaintEngine {
public:
    SvgEngine() : QPaintEngine(AllFeatures) {}
    QString body;

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState &st) override
    {
        const QPaintEngine::DirtyFlags f = st.state();
        if (f & DirtyPen)
            pen_ = st.pen();
        if (f & DirtyBrush)
            brush_ = st.brush();
        if (f & DirtyTransform)
            transform_ = st.transform();
        if (f & DirtyFont)
            font_ = st.font();
        if (f & (DirtyClipRegion | DirtyClipPath | DirtyClipEnabled)) {
            if (!st.isClipEnabled() || st.clipOperation() == Qt::NoClip) {
                clip_ = QRectF();
            } else if (f & DirtyClipRegion) {
                clip_ = transform_.mapRect(QRectF(st.clipRegion().boundingRect()));
            } else if (f & DirtyClipPath) {
                clip_ = transform_.map(st.clipPath()).boundingRect();
            }
        }
    }

    void drawPath(const QPainterPath &path) override
    {
        const QPainterPath p = transform_.map(path);
        QString d;
        for (int i = 0; i < p.elementCount(); ++i) {
            const QPainterPath::Element e = p.elementAt(i);
            if (e.isMoveTo())
                d += QStringLiteral("M%1 %2 ").arg(num(e.x), num(e.y));
            else if (e.isLineTo())
                d += QStringLiteral("L%1 %2 ").arg(num(e.x), num(e.y));
            else if (e.isCurveTo() && i + 2 < p.elementCount()) {
                const auto c2 = p.elementAt(i + 1), end = p.elementAt(i + 2);
                d += QStringLiteral("C%1 %2 %3 %4 %5 %6 ")
                         .arg(num(e.x), num(e.y), num(c2.x), num(c2.y), num(end.x), num(end.y));
                i += 2;
            }
        }
        shape(QStringLiteral("<path d=\"%1\"").arg(d.trimmed()), true);
    }

    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        QString pts;
        for (int i = 0; i < count; ++i) {
            const QPointF p = transform_.map(points[i]);
            pts += num(p.x()) + QLatin1Char(',') + num(p.y()) + QLatin1Char(' ');
        }
        const bool line = mode == PolylineMode;
        shape(
            QStringLiteral("<%1 points=\"%2\"")
                .arg(line ? QStringLiteral("polyline") : QStringLiteral("polygon"), pts.trimmed()),
            !line);
    }

    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &sr) override
    {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        pm.copy(sr.toRect()).save(&buffer, "PNG");
        const QRectF t = transform_.mapRect(r);
        body += QStringLiteral("<image x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                               "href=\"data:image/png;base64,%5\"/>\n")
                    .arg(num(t.x()), num(t.y()), num(t.width()), num(t.height()),
                         QString::fromLatin1(png.toBase64()));
    }

    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        const QPointF at = transform_.map(p);
        const QFont f = item.font();
        const double size = f.pixelSize() > 0 ? f.pixelSize() : f.pointSizeF() * 96.0 / 72.0;
        QString rotate;
        if (transform_.isRotating()) {
            const double angle = std::atan2(transform_.m12(), transform_.m11()) * 180 / M_PI;
            rotate = QStringLiteral(" transform=\"rotate(%1 %2 %3)\"")
                         .arg(num(angle), num(at.x()), num(at.y()));
        }
        body += QStringLiteral("<text x=\"%1\" y=\"%2\" font-family=\"%3\" font-size=\"%4\"%5 "
                               "fill=\"%6\"%7>%8</text>\n")
                    .arg(num(at.x()), num(at.y()), f.family().toHtmlEscaped(), num(size),
                         f.bold() ? QStringLiteral(" font-weight=\"bold\"") : QString(),
                         colorAttr(pen_.color()), rotate, item.text().toHtmlEscaped());
    }

    QString defs;

private:
    QString clipAttr()
    {
        if (clip_.isNull())
            return {};
        const QString id = QStringLiteral("c%1").arg(clips_++);
        defs +=
            QStringLiteral("<clipPath id=\"%1\"><rect x=\"%2\" y=\"%3\" width=\"%4\" "
                           "height=\"%5\"/></clipPath>\n")
                .arg(id, num(clip_.x()), num(clip_.y()), num(clip_.width()), num(clip_.height()));
        return QStringLiteral(" clip-path=\"url(#%1)\"").arg(id);
    }

    void shape(const QString &open, bool filled)
    {
        const bool stroke = pen_.style() != Qt::NoPen;
        const bool fill = filled && brush_.style() != Qt::NoBrush;
        if (!stroke && !fill)
            return;
        const QColor fillColor = brushColor(brush_);
        QString attrs = QStringLiteral(" fill=\"%1\"")
                            .arg(fill ? colorAttr(fillColor) : QStringLiteral("none"));
        if (fill && fillColor.alphaF() < 1)
            attrs += QStringLiteral(" fill-opacity=\"%1\"").arg(num(fillColor.alphaF()));
        if (stroke) {
            const double scale = std::sqrt(std::abs(transform_.determinant()));
            attrs += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"")
                         .arg(colorAttr(pen_.color()),
                              num(std::max(pen_.widthF(), 1.0) * (pen_.isCosmetic() ? 1 : scale)));
            if (pen_.color().alphaF() < 1)
                attrs += QStringLiteral(" stroke-opacity=\"%1\"").arg(num(pen_.color().alphaF()));
            if (pen_.style() == Qt::DashLine)
                attrs += QStringLiteral(" stroke-dasharray=\"4 2\"");
            else if (pen_.style() == Qt::DotLine)
                attrs += QStringLiteral(" stroke-dasharray=\"1 2\"");
        }
        body += open + attrs + clipAttr() + QStringLiteral("/>\n");
    }

    QPen pen_;
    QBrush brush_;
    QTransform transform_;
    QFont font_;
    QRectF clip_;
    int clips_ = 0;
};

class SvgDevice : public QPaintDevice {
public:
    explicit SvgDevice(QSize size) : size_(size) {}
    QPaintEngine *paintEngine() const override { return &engine_; }
    SvgEngine &engine() const { return engine_; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
            return size_.width();
        case PdmHeight:
            return size_.height();
        case PdmWidthMM:
            return size_.width() * 254 / 960;
        case PdmHeightMM:
            return size_.height() * 254 / 960;
        case PdmNumColors:
            return 0x7fffffff;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    QSize size_;
    mutable SvgEngine engine_;
};

} // namespace

bool writeSvg(QWidget &widget, const QString &path)
{
    SvgDevice device(widget.size());
    widget.render(&device, QPoint(), QRegion(), QWidget::DrawChildren);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QSize s = widget.size();
    const QString svg =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/"
                       "2000/svg\" width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\">\n"
                       "<defs>\n%3</defs>\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
                       "%4</svg>\n")
            .arg(s.width())
            .arg(s.height())
            .arg(device.engine().defs, device.engine().body);
    return file.write(svg.toUtf8()) >= 0 && file.flush();
}

} // namespace viscora
