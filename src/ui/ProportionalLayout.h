#pragma once
// Keeps every control of a window at the same fractions of the window's inner size when it
// is resized. Drop-down lists only move; they keep their own size.

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSize>
#include <QWidget>

#include <vector>

namespace viscora {

class ProportionalLayout : public QObject {
    Q_OBJECT
public:
    // Records the geometry of container's child controls as fractions of its size and from
    // then on follows its resizes.
    void attach(QWidget *container);
    // Applies the fractions to a new inner size; a size of 1 or less (minimised) is ignored.
    void apply(const QSize &innerSize);
    std::size_t size() const { return entries_.size(); }
    // The smallest inner size at which every recorded control still shows all of its text:
    // each control's own size hint against its fraction, and the controls in a frame below the
    // frame's title. The container takes it as its minimum size when attached.
    QSize minimumSize() const;

    struct Entry {
        QPointer<QWidget> widget;
        QRectF fraction;
        // Drop-down lists: they keep their recorded size (shrinking only to stay in their
        // place when the window is smaller than it was at attach).
        bool moveOnly;
        QSize recorded;
    };

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    QPointer<QWidget> container_;
    std::vector<Entry> entries_;
};

} // namespace viscora
