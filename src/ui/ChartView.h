#pragma once
// Draws a ChartModel with Qt Charts. The model holds the data; this only turns it into a
// picture, thinning long series to what the plot's width can show.

#include "core/ChartModel.h"

#include <QChartView>

class QPagedPaintDevice;

namespace viscora {

class ChartView : public QChartView {
    Q_OBJECT
public:
    explicit ChartView(QWidget *parent = nullptr);

    // Rebuilds the picture from the model.
    void redraw(const ChartModel &model);
    // Prints the current picture on one page, scaled to fit.
    void print(QPagedPaintDevice &device);
    // The text shown for a best-fit line in the legend, empty when there is no fit.
    const QString &fitText() const { return fitText_; }

private:
    QString fitText_;
};

// The legend text of a best-fit method over the points, empty when no fit is possible.
QString bestFitText(PlottingMethod method, const std::vector<double> &x,
                    const std::vector<double> &y);

} // namespace viscora
