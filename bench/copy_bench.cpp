// How long copying a 600,000-point test takes from a file into a server database, against
// psql's \copy of the same rows from CSV in one run, and the other ways round at several
// numbers of rows per statement; seconds, rows a second and the memory the copy took. Starts a
// throwaway PostgreSQL cluster of its own (scripts/pg-cluster).
// Run: build-bench/bench/viscora_copy_bench [POINTS]   (VISCORA_CLI=... measures another build)

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

double timeCopy(const char *what, const QString &from, const QString &to, int batch)
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
    return seconds;
}

// The floor: the same rows written out as CSV by sqlite3 and read into an empty database of
// ours on the server by psql's \copy; seconds of the \copy alone.
double psqlCopy(const QString &file, const QString &server, const QTemporaryDir &dir)
{
    const QString csv = dir.filePath(QStringLiteral("points.csv"));
    QProcess dump;
    dump.setStandardOutputFile(csv);
    dump.start(QStringLiteral("sqlite3"),
               {QStringLiteral("-csv"), file, QStringLiteral("SELECT * FROM TestResult")});
    Database::open(server, Database::OpenMode::CreateIfMissing).db.reset();
    if (!dump.waitForFinished(-1) || dump.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3 could not write the rows as CSV\n");
        std::exit(1);
    }
    const bench::Measured m =
        bench::runMeasured({"psql", "-q", "-v", "ON_ERROR_STOP=1", server.toStdString(), "-c",
                            ("\\copy TestResult FROM '" + csv.toStdString() + "' CSV")});
    return m.seconds;
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
    const double copy =
        bench::runMeasured({bench::cliProgram(VISCORA_CLI_BIN), "copy-db", file.toStdString(),
                            cluster.database(QStringLiteral("cli")).toStdString()})
            .seconds;
    const QString server = cluster.database(QStringLiteral("source"));
    timeCopy("file -> server", file, server, kCopyBatchRows);
    const double floor = psqlCopy(file, cluster.database(QStringLiteral("floor")), dir);
    std::printf("file -> server: copy-db %.2f s, psql \\copy of the same rows %.2f s, ratio %.2f\n",
                copy, floor, copy / floor);
    std::fflush(stdout);
    for (int batch : {1, kCopyBatchRows})
        timeCopy("server -> file", server, dir.filePath(QStringLiteral("back%1.mdb").arg(batch)),
                 batch);
    for (int batch : {1, 16, kCopyBatchRows, 4096})
        timeCopy("file -> file", file, dir.filePath(QStringLiteral("copy%1.mdb").arg(batch)),
                 batch);
    return 0;
}
