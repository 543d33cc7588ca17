// How long copying a 600,000-point test takes from a file into a server database, at several
// numbers of rows per statement, and the other ways round; seconds, rows a second and the
// memory the copy took. Starts a throwaway PostgreSQL cluster of its own (scripts/pg-cluster).
// Run: build-bench/bench/viscora_copy_bench [POINTS]

#include "BenchCluster.h"
#include "BenchSupport.h"
#include "store/DatabaseCopy.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace viscora;

namespace {

// The peak of the resident memory starts again from what is resident now.
void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

void timeCopy(const char *what, const QString &from, const QString &to, int batch)
{
    auto source = Database::open(from, Database::OpenMode::MustExist).db;
    auto target = Database::open(to, Database::OpenMode::CreateIfMissing).db;
    if (!source || !target) {
        std::fprintf(stderr, "%s: cannot open the databases\n", what);
        std::exit(1);
    }
    const long before = bench::statusMb("VmRSS:");
    resetPeakMemory();
    QElapsedTimer t;
    t.start();
    const CopyResult r = copyDatabase(*source, *target, {}, batch);
    const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    if (!r.ok) {
        std::fprintf(stderr, "%s: %s\n", what, qPrintable(r.error));
        std::exit(1);
    }
    std::printf("%-15s %5d rows a statement: %7.2f s, %9.0f rows/s, %4ld MiB more memory\n", what,
                batch, seconds, static_cast<double>(r.copied.points) / seconds,
                bench::statusMb("VmHWM:") - before);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int points = argc > 1 ? std::atoi(argv[1]) : 600000;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("k7400r.mdb"));
    bench::makeLongTest(file, points).reset();
    bench::Cluster cluster;
    if (cluster.url.isEmpty()) {
        std::fprintf(stderr, "no PostgreSQL cluster (scripts/deps installs it)\n");
        return 1;
    }
    std::printf("%d points\n", points);
    int n = 0;
    for (int batch : {1, 16, 64, 256, 1024, 4096})
        timeCopy("file -> server", file, cluster.database(QStringLiteral("into%1").arg(++n)),
                 batch);
    const QString server = cluster.database(QStringLiteral("source"));
    timeCopy("file -> server", file, server, kCopyBatchRows);
    for (int batch : {1, kCopyBatchRows})
        timeCopy("server -> file", server, dir.filePath(QStringLiteral("back%1.mdb").arg(batch)),
                 batch);
    for (int batch : {1, kCopyBatchRows})
        timeCopy("file -> file", file, dir.filePath(QStringLiteral("copy%1.mdb").arg(batch)),
                 batch);
    return 0;
}
