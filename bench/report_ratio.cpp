// How long `viscora-cli report` takes to print a long test, and how much memory it peaks at,
// against `viscora-cli export` writing the same rows to a workbook from the same file; also the
// summary report (--summary). Each command runs as its own process, so its peak is its own.
// Run: build-bench/bench/viscora_report_ratio [POINTS]   (default 600,000); VISCORA_CLI names
// another viscora-cli to measure (an older build, say). On a busy machine the processor time
// (cpu) says more than the wall time.

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

using namespace viscora;

namespace {

struct Run {
    double seconds = 0, cpu = 0;
    long peakMb = 0;
};

std::string cliProgram()
{
    const QByteArray other = qgetenv("VISCORA_CLI");
    return other.isEmpty() ? std::string(VISCORA_CLI_BIN) : other.toStdString();
}

// One run of viscora-cli with its output thrown away: wall time and the process's own peak.
Run runCli(const QStringList &args)
{
    std::vector<std::string> owned{cliProgram()};
    for (const QString &a : args)
        owned.push_back(a.toStdString());
    std::vector<char *> argv;
    for (std::string &s : owned)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "could not start %s\n", argv[0]);
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    auto seconds = [](const timeval &t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    Run r{static_cast<double>(timer.nsecsElapsed()) / 1e9,
          seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss / 1024};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "viscora-cli %s failed\n", qPrintable(args.join(' ')));
        std::exit(1);
    }
    return r;
}

Run bestOf(int runs, const QStringList &args)
{
    Run best{1e9, 0, 0};
    for (int i = 0; i < runs; ++i) {
        const Run r = runCli(args);
        if (r.seconds < best.seconds)
            best = r;
    }
    return best;
}

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
