#pragma once
// Draws a ChartModel with Qt Charts. The model holds the data; this only turns it into a
// picture, thinning long series to what the plot's width can show.

#include "core/ChartModel.h"
#include "ui/InteractiveChartView.h"

#include <vector>

class QPagedPaintDevice;
class QXYSeries;

namespace viscora {

class ChartView : public InteractiveChartView {
    Q_OBJECT
public:
    explicit ChartView(QWidget *parent = nullptr);

    // Marks at a time (seconds of the test) beside the model's own (its step boundaries),
    // kept across redraws; drawn only while the chart has time across.
    void setTimeMarks(std::vector<TimeMark> marks);
    // The visible points of the visible series, tab-separated, in the model's own values.
    QString visibleData() const override;

    // Rebuilds the picture from the model.
    void redraw(const ChartModel &model);
    // Prints the current picture on one page, scaled to fit.
    void print(QPagedPaintDevice &device);
    // The text shown for a best-fit line in the legend, empty when there is no fit.
    const QString &fitText() const { return fitText_; }

protected:
    QString readoutFor(QXYSeries *series, int index) const override;
    bool offersLog() const override { return true; }
    bool isLog(Qt::Orientation o) const override;
    void setLog(Qt::Orientation o, bool on) override;

private:
    // A drawn line of the model at full resolution, of which the view draws what its
    // columns can show.
    struct Piece {
        QXYSeries *series;
        int modelSeries;
        std::vector<double> x, y;        // plot coordinates
        std::vector<std::size_t> source; // the model's point of each
        std::vector<std::size_t> shown;  // the drawn ones, in x and y
        bool ascending;
    };
    void fillPieces();
    void showMarks();
    std::size_t columns() const;

    QString fitText_;
    ChartModel model_;
    std::vector<Piece> pieces_;
    std::vector<TimeMark> extraMarks_;
};

// The legend text of a best-fit method over the points, empty when no fit is possible.
QString bestFitText(PlottingMethod method, const std::vector<double> &x,
                    const std::vector<double> &y);

} // namespace viscora
