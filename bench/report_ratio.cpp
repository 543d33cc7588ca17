// How long `viscora-cli report` takes to print a long test, and how much memory it peaks at,
// against `viscora-cli export` writing the same rows to a workbook from the same file; also the
// summary report (--summary). Each command runs as its own process, so its peak is its own.
// Run: build-bench/bench/viscora_report_ratio [POINTS]   (default 600,000); VISCORA_CLI names
// another viscora-cli to measure (an older build, say). On a busy machine the processor time
// (cpu) says more than the wall time.

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <string>
#include <vector>

using namespace viscora;

namespace {

using Run = bench::Measured;

// viscora-cli with these arguments.
std::vector<std::string> cli(const QStringList &args)
{
    std::vector<std::string> out{bench::cliProgram(VISCORA_CLI_BIN)};
    for (const QString &a : args)
        out.push_back(a.toStdString());
    return out;
}

Run bestOf(int runs, const QStringList &args) { return bench::bestOf(runs, cli(args)); }
Run runCli(const QStringList &args) { return bench::runMeasured(cli(args)); }

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const int points = args.isEmpty() ? 600000 : args[0].toInt();
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("k7400r.mdb"));
    bench::makeLongTest(db, points).reset();
    const QString xlsx = dir.filePath(QStringLiteral("long.xlsx"));
    const QString pdf = dir.filePath(QStringLiteral("long.pdf"));
    const QString summary = dir.filePath(QStringLiteral("summary.pdf"));
    const QString dbArg = QStringLiteral("--db");
    const Run workbook = bestOf(1, {dbArg, db, QStringLiteral("export"), QStringLiteral("long"), xlsx});
    const Run report = bestOf(1, {dbArg, db, QStringLiteral("report"), QStringLiteral("long"), pdf});
    std::printf("%d points: workbook %.1f s (cpu %.1f s) %ld MB peak, %lld bytes\n", points,
                workbook.seconds, workbook.cpu, workbook.peakMb,
                static_cast<long long>(QFileInfo(xlsx).size()));
    std::printf("%d points: report %.1f s (cpu %.1f s) %ld MB peak, %lld bytes\n", points,
                report.seconds, report.cpu, report.peakMb,
                static_cast<long long>(QFileInfo(pdf).size()));
    std::printf("report / workbook: time %.2f, cpu %.2f\n", report.seconds / workbook.seconds,
                report.cpu / workbook.cpu);
    // The summary, where this viscora-cli has it.
    const Run brief = runCli({dbArg, db, QStringLiteral("report"), QStringLiteral("long"),
                              summary, QStringLiteral("--summary")});
    std::printf("summary report %.1f s (cpu %.1f s) %ld MB peak, %lld bytes\n", brief.seconds,
                brief.cpu, brief.peakMb, static_cast<long long>(QFileInfo(summary).size()));
    return 0;
}
