// Exporting long tests: the workbook of 100,000 and 600,000 points.
// Run: build-bench/bench/viscora_export_bench

#include "BenchSupport.h"
#include "report/Exports.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

using namespace viscora;

namespace {

void BM_TestWorkbook(benchmark::State &state)
{
    std::vector<QueryRow> rows(static_cast<size_t>(state.range(0)));
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = {static_cast<double>(i / 6000 + 1),
                   static_cast<double>(i % 6000),
                   150.5,
                   510.69,
                   300,
                   106.488,
                   99.86,
                   2.088,
                   1,
                   99.8};
    QTemporaryDir dir;
    ExportInput in;
    in.header = {"Bench", "mud", "now", "lab", ""};
    in.rows = &rows;
    in.viscosityNA = [](int) { return false; };
    for (auto _ : state) {
        const ExportResult r = writeTestWorkbook(dir.filePath("b.xlsx").toStdString(), in);
        if (!r.ok)
            state.SkipWithError(r.error.c_str());
    }
    state.counters["peak_rss_MB"] = static_cast<double>(bench::statusMb("VmHWM:"));
}
BENCHMARK(BM_TestWorkbook)->Arg(100000)->Arg(600000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
