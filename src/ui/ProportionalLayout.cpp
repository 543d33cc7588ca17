#include "ui/ProportionalLayout.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

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
                       qobject_cast<QComboBox *>(child) != nullptr});
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
            e.widget->move(left, top);
            continue;
        }
        e.widget->setGeometry(left, top, static_cast<int>(std::lround(e.fraction.width() * w)),
                              static_cast<int>(std::lround(e.fraction.height() * h)));
    }
}

} // namespace viscora
