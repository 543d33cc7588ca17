// Opening a long stored test: query, grid model, stress check and chart type 0 drawn.
// Run: build-bench/bench/viscora_bench  (QT_QPA_PLATFORM=offscreen is set here).

#include "BenchSupport.h"
#include "QtBenchMain.h"
#include "ui/ChartView.h"
#include "store/Database.h"
#include "core/Module1.h"
#include "core/Prompter.h"
#include "review/TestReview.h"

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <string>

using namespace viscora;

namespace {

void BM_OpenStoredTest(benchmark::State &state)
{
    QTemporaryDir dir;
    auto db = bench::makeLongTest(dir.filePath("k7400r.mdb"), static_cast<int>(state.range(0)));
    bench::SilentPrompter prompter;
    ChartView view;
    view.resize(900, 600);
    QTableView grid;
    grid.resize(980, 300);
    for (auto _ : state) {
        Module1 m;
        TestReview review(m, *db, prompter);
        m.CurrentTestName = "long";
        review.openCurrentTest();
        view.redraw(review.chart());
        grid.setModel(&review.grid());
        grid.grab();
        grid.setModel(nullptr);
        benchmark::DoNotOptimize(review.grid().rowCount());
    }
    state.counters["peak_rss_MB"] = static_cast<double>(bench::statusMb("VmHWM:"));
}
BENCHMARK(BM_OpenStoredTest)
    ->Arg(100000)
    ->Arg(600000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char **argv) { return viscora::bench::qtBenchMain(argc, argv); }
