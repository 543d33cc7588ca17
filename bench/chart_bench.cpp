// The charts at length: the live chart's whole-test view of a 7-day run at one record a
// second, redrawn once a tick, and the review chart of a 600,000-point test zoomed and panned.
// Each frame is drawn into an image, as the screen would get it. Goals: 16 ms a live tick with
// memory within twice the records' own size, 50 ms a review frame.
// Run: build-bench/bench/viscora_chart_bench  (QT_QPA_PLATFORM=offscreen is set here).

#include "QtBenchMain.h"
#include "core/LiveChart.h"
#include "ui/ChartView.h"
#include "ui/LiveChartView.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cmath>

using namespace viscora;

namespace {

constexpr int kWeek = 7 * 24 * 3600;

std::size_t heapBytes() { return mallinfo2().uordblks; }

void paint(QWidget &w, QImage &frame)
{
    QPainter painter(&frame);
    w.render(&painter);
}

// One reading a second from 08:00, its steps a tenth of a day each.
void record(LiveChart &chart, int i)
{
    const double t = 8 * 3600.0 + i;
    chart.markStep(t, 1 + i / 8640, 600.0 / (1 + (i / 8640) % 6));
    chart.add(t, static_cast<float>(50 + 20 * std::sin(i / 600.0) + (i % 7)),
              static_cast<float>(30 + (i % 11)),
              static_cast<float>(120 + 50 * std::sin(i / 40000.0)));
}

void BM_LiveWholeTestTick(benchmark::State &state)
{
    const std::size_t before = heapBytes();
    auto chart = std::make_unique<LiveChart>();
    chart->Initial_chart(8 * 3600.0);
    for (int i = 0; i < kWeek; ++i)
        record(*chart, i);
    LiveChartView view;
    view.resize(900, 700);
    view.show();
    QApplication::processEvents();
    view.setWholeTest(true);
    view.redraw(*chart);
    const double held = static_cast<double>(heapBytes() - before);
    QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
    int i = kWeek;
    for (auto _ : state) {
        record(*chart, i++);
        view.redraw(*chart);
        paint(view, frame);
    }
    const double own = static_cast<double>(chart->history().size() * LiveHistory::kRecordBytes);
    state.counters["records"] = static_cast<double>(chart->history().size());
    state.counters["records_MB"] = own / 1e6;
    state.counters["held_MB"] = held / 1e6;
    state.counters["memory_ratio"] = held / own;
    state.counters["drawn_points"] = static_cast<double>(view.drawnPoints(0));
}
BENCHMARK(BM_LiveWholeTestTick)->Unit(benchmark::kMillisecond)->MinTime(3.0);

ChartModel longTest(int n)
{
    ChartModel m;
    m.setMainTitle("Shear Stress vs. Time");
    m.setXAxisLabel("Time (S)");
    m.setYAxisLabel("Shear Stress (lb/100ft2)");
    m.setPointCount(n);
    std::vector<double> x(static_cast<std::size_t>(n)), y(x.size());
    for (int i = 0; i < n; ++i) {
        x[static_cast<std::size_t>(i)] = i;
        y[static_cast<std::size_t>(i)] = 50 + 20 * std::sin(i / 600.0) + (i % 7);
    }
    m.setPoints(0, std::move(x), std::move(y));
    m.setTimeAxis(true);
    return m;
}

// state.range(0): 0 zooms (in, then out again, about a point left of the middle), 1 pans.
void BM_ReviewZoomPan(benchmark::State &state)
{
    ChartView view;
    view.resize(900, 600);
    view.show();
    QApplication::processEvents();
    view.redraw(longTest(600000));
    QApplication::processEvents();
    QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
    const QRectF plot = view.mapFromScene(view.chart()->plotArea()).boundingRect();
    const QPointF at(plot.left() + plot.width() * 0.4, plot.center().y());
    view.zoomBy(0.5, at);
    long n = 0;
    for (auto _ : state) {
        if (state.range(0) == 0)
            view.zoomBy(n % 16 < 8 ? 0.8 : 1.25, at);
        else
            view.panBy(n % 40 < 20 ? plot.width() / 20 : -plot.width() / 20, 0);
        ++n;
        paint(view, frame);
    }
}
BENCHMARK(BM_ReviewZoomPan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char **argv) { return viscora::bench::qtBenchMain(argc, argv); }
