#include "ui/ConventionalIcons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include <map>

namespace viscora {

namespace {
using Draw = void (*)(QPainter &);

const QColor kInk(70, 70, 70);
const QColor kPaper(252, 252, 252);
const QColor kBlue(45, 110, 190);
const QColor kGreen(50, 150, 60);
const QColor kRed(200, 50, 40);

// Everything is drawn on a 24 x 24 grid and scaled to the size asked for.
void page(QPainter &p)
{
    QPainterPath path;
    path.moveTo(5, 2.5);
    path.lineTo(14.5, 2.5);
    path.lineTo(19.5, 7.5);
    path.lineTo(19.5, 21.5);
    path.lineTo(5, 21.5);
    path.closeSubpath();
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawPolyline(QPolygonF({{14.5, 2.5}, {14.5, 7.5}, {19.5, 7.5}}));
}

void textLines(QPainter &p, double top, int count)
{
    p.setPen(QPen(kInk, 1.2));
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(8, top + i * 3), QPointF(16.5, top + i * 3));
}

void arrow(QPainter &p, QPointF from, QPointF to, const QColor &c)
{
    p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    p.drawPolyline(QPolygonF({to - d * 4.5 + n * 4, to, to - d * 4.5 - n * 4}));
}

void documentNew(QPainter &p)
{
    page(p);
    p.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 12), QPointF(12, 19));
    p.drawLine(QPointF(8.5, 15.5), QPointF(15.5, 15.5));
}

void documentOpen(QPainter &p)
{
    p.setPen(QPen(QColor(150, 110, 30), 1.2));
    p.setBrush(QColor(230, 180, 70));
    p.drawPolygon(QPolygonF({{2.5, 5}, {9, 5}, {11, 7.5}, {20, 7.5}, {20, 19.5}, {2.5, 19.5}}));
    p.setBrush(QColor(248, 210, 110));
    p.drawPolygon(QPolygonF({{2.5, 19.5}, {6, 10.5}, {22.5, 10.5}, {20, 19.5}}));
}

void documentSaveAs(QPainter &p)
{
    p.setPen(QPen(QColor(30, 60, 110), 1.2));
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(2.5, 2.5, 16, 16), 1.5, 1.5);
    p.setBrush(kPaper);
    p.drawRect(QRectF(6, 2.5, 9, 6));
    p.drawRect(QRectF(5.5, 11.5, 10, 7));
    // A pencil: the copy gets a new name.
    p.setPen(QPen(QColor(120, 70, 20), 1));
    p.setBrush(QColor(240, 170, 40));
    p.drawPolygon(QPolygonF({{13, 20}, {20.5, 12.5}, {22.5, 14.5}, {15, 22}, {12.5, 22.5}}));
}

void editDelete(QPainter &p)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(4, 5, 16, 2.5));
    p.drawRect(QRectF(9.5, 2.5, 5, 2.5));
    p.setBrush(QColor(225, 225, 225));
    p.drawPolygon(QPolygonF({{5.5, 7.5}, {18.5, 7.5}, {17, 21.5}, {7, 21.5}}));
    for (double x : {9.5, 12.0, 14.5})
        p.drawLine(QPointF(x, 10), QPointF(x, 19));
}

void documentPrint(QPainter &p)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawRect(QRectF(6.5, 2.5, 11, 7)); // the sheet going in
    p.setBrush(QColor(150, 150, 150));
    p.drawRoundedRect(QRectF(2.5, 8.5, 19, 9), 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(6.5, 14.5, 11, 7)); // the printed sheet
    textLines(p, 17, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(18.5, 11.5), 1.2, 1.2);
}

void documentSend(QPainter &p)
{
    page(p);
    textLines(p, 11, 3);
    arrow(p, QPointF(10, 20), QPointF(20.5, 9.5), kBlue);
}

void goDown(QPainter &p)
{
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(QColor(215, 215, 215));
    p.drawPolygon(QPolygonF({{2.5, 14},
                             {6, 14},
                             {8, 17.5},
                             {16, 17.5},
                             {18, 14},
                             {21.5, 14},
                             {21.5, 21.5},
                             {2.5, 21.5}}));
    arrow(p, QPointF(12, 2.5), QPointF(12, 15), kBlue);
}

void report(QPainter &p)
{
    page(p);
    textLines(p, 8, 2);
    // A small bar chart: a report of measured values.
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(8, 17, 2, 3));
    p.drawRect(QRectF(11, 14.5, 2, 5.5));
    p.drawRect(QRectF(14, 15.5, 2, 4.5));
}

// Measured points on a flow curve: the rheology of a test.
void chartLine(QPainter &p)
{
    p.setPen(QPen(kInk, 1.4));
    p.drawLine(QPointF(3.5, 2.5), QPointF(3.5, 20.5));
    p.drawLine(QPointF(3.5, 20.5), QPointF(21.5, 20.5));
    QPainterPath curve(QPointF(3.5, 16));
    curve.cubicTo(QPointF(7.5, 10.5), QPointF(13.5, 7.5), QPointF(21, 3.8));
    p.setPen(QPen(QColor(200, 30, 30), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    for (const QPointF &at : {QPointF(6.8, 12.8), QPointF(12, 8.6), QPointF(18, 5.5)})
        p.drawEllipse(at, 1.9, 1.9);
}

void helpContents(QPainter &p)
{
    p.setPen(QPen(QColor(30, 70, 140), 1.2));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    QFont f;
    f.setBold(true);
    f.setPixelSize(15);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(2.5, 2.5, 19, 19), Qt::AlignCenter, QStringLiteral("?"));
}

const std::map<QString, Draw> &drawings()
{
    static const std::map<QString, Draw> table = {
        {QStringLiteral("document-new"), documentNew},
        {QStringLiteral("document-open"), documentOpen},
        {QStringLiteral("document-save-as"), documentSaveAs},
        {QStringLiteral("edit-delete"), editDelete},
        {QStringLiteral("document-print"), documentPrint},
        {QStringLiteral("document-send"), documentSend},
        {QStringLiteral("go-down"), goDown},
        {QStringLiteral("x-office-document"), report},
        {QStringLiteral("help-contents"), helpContents},
        {QStringLiteral("office-chart-line"), chartLine},
    };
    return table;
}

class DrawnIconEngine : public QIconEngine {
public:
    explicit DrawnIconEngine(Draw draw) : draw_(draw) {}
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 24.0, rect.height() / 24.0);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.35);
        draw_(*painter);
        painter->restore();
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QIconEngine *clone() const override { return new DrawnIconEngine(draw_); }

private:
    Draw draw_;
};
} // namespace

QIcon drawnIcon(const QString &name)
{
    const auto it = drawings().find(name);
    return it == drawings().end() ? QIcon() : QIcon(new DrawnIconEngine(it->second));
}

QStringList drawnIconNames()
{
    QStringList names;
    for (const auto &[name, draw] : drawings())
        names << name;
    return names;
}

QIcon conventionalIcon(const QString &name)
{
    return QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name) : drawnIcon(name);
}

} // namespace viscora
