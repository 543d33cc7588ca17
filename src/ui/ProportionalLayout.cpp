#include "ui/ProportionalLayout.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <cmath>

namespace viscora {

namespace {
// Controls inside frames scale too, against the window's size, like the frames around them.
void collect(QWidget *parent, double w, double h, std::vector<ProportionalLayout::Entry> &out)
{
    for (QObject *o : parent->children()) {
        auto *child = qobject_cast<QWidget *>(o);
        if (!child || child->isWindow() || qobject_cast<QMenuBar *>(child) ||
            qobject_cast<QStatusBar *>(child) || qobject_cast<QToolBar *>(child))
            continue;
        const QRect g = child->geometry();
        out.push_back({child, QRectF(g.x() / w, g.y() / h, g.width() / w, g.height() / h),
                       qobject_cast<QComboBox *>(child) != nullptr, g.size()});
        if (qobject_cast<QGroupBox *>(child))
            collect(child, w, h, out);
    }
}
} // namespace

void ProportionalLayout::attach(QWidget *container)
{
    entries_.clear();
    if (container_)
        container_->removeEventFilter(this);
    container_ = container;
    const double w = container->width(), h = container->height();
    if (w > 1 && h > 1)
        collect(container, w, h, entries_);
    container->installEventFilter(this);
    container->setMinimumSize(minimumSize());
}

namespace {
// The size at which a control shows all of its text.
QSize neededSize(const QWidget &w)
{
    if (qobject_cast<const QAbstractButton *>(&w) || qobject_cast<const QLabel *>(&w) ||
        qobject_cast<const QComboBox *>(&w))
        return w.sizeHint().expandedTo(w.minimumSizeHint());
    return w.minimumSizeHint();
}

int atLeast(int needed, double fraction)
{
    return fraction > 0 && needed > 0 ? static_cast<int>(std::ceil(needed / fraction)) : 0;
}
} // namespace

QSize ProportionalLayout::minimumSize() const
{
    QSize min(0, 0);
    for (const auto &e : entries_) {
        if (!e.widget)
            continue;
        const QSize need = neededSize(*e.widget);
        min = min.expandedTo(QSize(atLeast(need.width(), e.fraction.width()),
                                   atLeast(need.height(), e.fraction.height())));
        // Inside a frame, a control starts below the frame's title.
        if (const auto *frame = qobject_cast<const QGroupBox *>(e.widget->parentWidget()))
            min = min.expandedTo(
                QSize(0, atLeast(frame->fontMetrics().height() + 2, e.fraction.y())));
    }
    return min;
}

bool ProportionalLayout::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == container_ && e->type() == QEvent::Resize)
        apply(container_->size());
    return QObject::eventFilter(watched, e);
}

void ProportionalLayout::apply(const QSize &innerSize)
{
    const double w = innerSize.width(), h = innerSize.height();
    if (w <= 1 || h <= 1)
        return;
    for (const auto &e : entries_) {
        if (!e.widget)
            continue;
        const int left = static_cast<int>(std::lround(e.fraction.x() * w));
        const int top = static_cast<int>(std::lround(e.fraction.y() * h));
        if (e.moveOnly) {
            e.widget->setGeometry(
                left, top,
                std::min(e.recorded.width(), static_cast<int>(std::lround(e.fraction.width() * w))),
                std::min(e.recorded.height(),
                         static_cast<int>(std::lround(e.fraction.height() * h))));
            continue;
        }
        e.widget->setGeometry(left, top, static_cast<int>(std::lround(e.fraction.width() * w)),
                              static_cast<int>(std::lround(e.fraction.height() * h)));
    }
}

} // namespace viscora
