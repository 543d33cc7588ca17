// The Find Tests list on a lab's database: how long filling the list takes (every test with
// what is known of it, one read) and each keystroke's search, on a file and on a server. The
// fixture is made once per backend with bulk statements: TESTS tests of POINTS points each,
// every one with its record (the point counts kept there), and a tenth of one percent made
// before records existed, whose points are counted.
// Run: build-bench/bench/viscora_find_bench [TESTS [POINTS]]   (defaults 10000 and 5000)

#include "BenchCluster.h"
#include "store/Database.h"
#include "store/TestCatalog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

using namespace viscora;

namespace {

void must(const DbResult &r, const char *what)
{
    if (!r) {
        std::fprintf(stderr, "%s: %s\n", what, qPrintable(r.error));
        std::exit(1);
    }
}

// Numbers 0..n-1 as a row source in the backend's words.
QString series(Database &db)
{
    return db.backend() == Backend::PostgreSQL
               ? QStringLiteral("(SELECT generate_series(0, ?::bigint - 1) AS i) AS n")
               : QStringLiteral("(WITH RECURSIVE s(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM "
                                "s WHERE i + 1 < ?) SELECT i FROM s) AS n");
}

void fill(Database &db, long long tests, long long points)
{
    QElapsedTimer t;
    t.start();
    must(execute(db,
                 QStringLiteral("INSERT INTO RelatedInfo SELECT i + 1, 'Well ' || (i % 97) || "
                                "' test ' || i, 'mud-' || (i % 13), '', 'Company ' || (i % 31), "
                                "'' FROM ") +
                     series(db),
                 {tests}),
         "headers");
    // A test every 1000 without records.
    must(execute(db,
                 QStringLiteral("INSERT INTO TestRecords SELECT i + 1, 1, 0, 'ended', "
                                "1.7e9 + i * 3600.0 + 1800, 1.7e9 + i * 3600.0, "
                                "1.7e9 + i * 3600.0 + 1800, ?, 'Comm ' || (i % 4 + 1) || "
                                "' (/dev/ttyUSB' || (i % 4) || ')', 'operator ' || (i % 7), "
                                "'API mud', '60,120,600,1', '1.0', '' FROM ") +
                     series(db) + QStringLiteral(" WHERE i % 1000 <> 999"),
                 {points, tests}),
         "records");
    must(execute(db,
                 QStringLiteral("INSERT INTO TestResult SELECT i / ? + 1, 1, i % ?, 120, 600, "
                                "50 + i % 7, 0, 1 FROM ") +
                     series(db),
                 {points, points, tests * points}),
         "points");
    if (db.backend() == Backend::PostgreSQL)
        must(db.exec(QStringLiteral("ANALYZE")), "analyze");
    std::printf("  fixture: %lld tests, %lld points in %.1f s\n", tests, tests * points,
                static_cast<double>(t.elapsed()) / 1e3);
}

// This process's processor time in ms: what the machine's other work does not inflate.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void measure(const char *backend, Database &db)
{
    std::vector<double> fills, cpu;
    std::vector<CatalogEntry> all;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        const double cpuBefore = cpuMs();
        t.start();
        auto read = readCatalog(db);
        fills.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        cpu.push_back(cpuMs() - cpuBefore);
        if (!read) {
            std::fprintf(stderr, "%s\n", read.failure().text.c_str());
            std::exit(1);
        }
        all = std::move(*read);
    }
    std::printf("%-10s list fill (%zu tests): median %.1f ms, slowest %.1f ms (this process's "
                "processor time: median %.1f ms)\n",
                backend, all.size(), median(fills), *std::max_element(fills.begin(), fills.end()),
                median(cpu));
    // "well 42 test 1" typed a key at a time, and filters on top.
    const QString typed = QStringLiteral("well 42 test 1");
    double slowest = 0;
    std::size_t found = 0;
    for (int k = 1; k <= typed.size(); ++k) {
        CatalogFilter f;
        f.match = typed.left(k);
        f.since = 1.7e9 + 1000 * 3600.0;
        f.instrument = QStringLiteral("ttyUSB2");
        QElapsedTimer t;
        t.start();
        found = filtered(all, f, 1.8e9).size();
        slowest = std::max(slowest, static_cast<double>(t.nsecsElapsed()) / 1e6);
        f.since.reset();
        f.instrument.clear();
        t.restart();
        found = filtered(all, f, 1.8e9).size();
        slowest = std::max(slowest, static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("%-10s keystroke search: slowest of %lld keys %.1f ms (%zu found at the end)\n",
                backend, static_cast<long long>(typed.size()) * 2, slowest, found);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const long long tests = argc > 1 ? std::atoll(argv[1]) : 10000;
    const long long points = argc > 2 ? std::atoll(argv[2]) : 5000;
    std::printf("%lld tests of %lld points\n", tests, points);
    QTemporaryDir dir;
    {
        auto file = Database::open(dir.filePath(QStringLiteral("k7400r.mdb")),
                                   Database::OpenMode::CreateIfMissing)
                        .db;
        fill(*file, tests, points);
        measure("file", *file);
    }
    bench::Cluster cluster;
    if (cluster.url.isEmpty()) {
        std::fprintf(stderr, "no PostgreSQL cluster (scripts/deps installs it)\n");
        return 1;
    }
    auto server =
        Database::open(cluster.database(QStringLiteral("lab")), Database::OpenMode::CreateIfMissing)
            .db;
    fill(*server, tests, points);
    measure("server", *server);
    return 0;
}
