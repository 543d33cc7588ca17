// Opening a long stored test: query, grid model, stress check and chart type 0 drawn.
// Run: build-bench/bench/viscora_bench  (QT_QPA_PLATFORM=offscreen is set here).

#include "BenchSupport.h"
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

// A 98-step sequence recording every second, with stress following speed.
std::unique_ptr<Database> makeTest(const QString &path, int points)
{
    auto db = Database::open(path, Database::OpenMode::CreateIfMissing).db;
    TestRepository repo(*db);
    int id = 0;
    repo.createHeader({"long", "", "", "", ""}, id);
    std::vector<StoredPoint> pts;
    pts.reserve(static_cast<size_t>(points));
    const int perStep = std::max(1, points / 98 + 1);
    for (int i = 0; i < points; ++i) {
        const int step = i / perStep + 1;
        const double speed = 3 + (step % 10) * 60;
        pts.push_back({step, static_cast<double>(i % perStep), 120 + 50 * std::sin(i / 5000.0),
                       speed, 50 + speed * 0.8 + (i % 7), 10, 1});
    }
    repo.insertPoints(id, pts);
    return db;
}

void BM_OpenStoredTest(benchmark::State &state)
{
    QTemporaryDir dir;
    auto db = makeTest(dir.filePath("k7400r.mdb"), static_cast<int>(state.range(0)));
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

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
