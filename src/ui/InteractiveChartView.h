#pragma once
// What every chart lets the user do: zoom (a dragged rectangle, the wheel about the cursor,
// + and -), pan (middle button or Shift+drag, arrows), reset (double-click, Home), read the
// nearest point under a crosshair, and the right-click menu (copy, save and print the image,
// copy the visible data, reset, linear or log axes, show or hide each series). Marks at a
// time are drawn over the plot with their labels.

#include "core/ChartMarks.h"
#include "core/Prompter.h"

#include <QChartView>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QMenu;
class QRubberBand;
class QXYSeries;

namespace viscora {

class InteractiveChartView : public QChartView {
    Q_OBJECT
public:
    explicit InteractiveChartView(QWidget *parent = nullptr);

    // Zooms to a rectangle of the view (widget pixels), clipped to the plot.
    void zoomToRect(const QRectF &rect);
    // factor < 1 zooms in, > 1 out, keeping the value under `at` (widget pixels) in place.
    void zoomBy(double factor, QPointF at);
    // Moves the view by pixels: positive dx shows what lies to the right, dy what lies above.
    void panBy(double dx, double dy);
    // The ranges the chart had when drawn.
    virtual void resetView();
    bool zoomed() const { return zoomed_; }

    // The nearest drawn point to a place in the view (widget pixels) under the crosshair;
    // false when the chart has none.
    bool showReadoutAt(QPointF at);
    void clearReadout();
    QString readout() const { return readout_; }

    // Marks at values of the horizontal axis.
    void setMarks(std::vector<TimeMark> marks);
    const std::vector<TimeMark> &marks() const { return marks_; }

    // The right-click menu, built for the chart as it is now.
    QMenu *makeMenu(QWidget *parent);
    // The text "Copy data" puts on the clipboard.
    virtual QString visibleData() const;
    // Writes the image: SVG for a name ending ".svg", else PNG. False when it cannot.
    bool saveImage(const QString &path);

    // The save dialog and its messages go to this Prompter (a QtPrompter over the view when
    // none); printing goes to `printWidget` (the print dialog when empty).
    void setPrompter(Prompter *p) { prompter_ = p; }
    std::function<void(QWidget &)> printWidget;
    // The widget that is copied, saved and printed (this view unless set).
    void setImageWidget(QWidget *w) { imageWidget_ = w; }

signals:
    // The user changed the visible ranges (zoom, pan, reset).
    void viewChanged();

protected:
    // Records the ranges reset returns to; call after drawing.
    void rememberHome();
    void markZoomed(bool z) { zoomed_ = z; }
    // The read-out text of a drawn point.
    virtual QString readoutFor(QXYSeries *series, int index) const;
    // Linear or logarithmic axes: whether offered and what they are now.
    virtual bool offersLog() const { return false; }
    virtual bool isLog(Qt::Orientation) const { return false; }
    virtual void setLog(Qt::Orientation, bool) {}

    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;

private:
    // Each axis' new range as fractions of its present one (0 left or bottom, 1 right or top).
    void applyFractions(double x0, double x1, double y0, double y1);
    QRectF plotInView() const;
    QImage image();
    void copyImage();
    void saveImageAs();

    bool zoomed_ = false;
    std::vector<std::pair<double, double>> home_;
    std::vector<TimeMark> marks_;
    QString readout_;
    std::optional<QPointF> readoutAt_; // in scene coordinates
    QRubberBand *band_ = nullptr;
    QPoint pressAt_;
    enum class Drag { None, Zoom, Pan } drag_ = Drag::None;
    QWidget *imageWidget_ = nullptr;
    Prompter *prompter_ = nullptr;
};

// The range of an axis as numbers (a date-time axis in milliseconds).
std::pair<double, double> axisRange(const QAbstractAxis *axis);
void setAxisRange(QAbstractAxis *axis, double lo, double hi);

} // namespace viscora
