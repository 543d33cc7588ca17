// Deleting a test of 50,000 points from a file of about 400 MB, as the test's place in the
// file varies: last (no row moves), in the middle, first (every other row moves).
// Run: build-bench/bench/viscora_delete_bench [TESTS] [POINTS]

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace viscora;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bench::TestFilePlace place(argc, argv, 80);
    const int tests = place.tests, points = place.points;
    const QString &path = place.path;
    QElapsedTimer t;
    t.start();
    auto db = bench::fileOfTests(path, tests, points);
    db.reset(); // the log written back: the file at its full size
    db = Database::open(path, Database::OpenMode::MustExist).db;
    TestRepository filled(*db);
    std::printf("%d tests of %d points: %.0f MB, made in %.1f s\n", tests, points,
                static_cast<double>(QFileInfo(path).size()) / 1e6,
                static_cast<double>(t.elapsed()) / 1e3);
    const struct {
        const char *where;
        int test;
    } cases[] = {{"last", tests}, {"middle", tests / 2}, {"first", 1}};
    int deleted = 0;
    for (const auto &c : cases) {
        // Earlier deletes renumbered the tests; the names stay.
        const QString name = QStringLiteral("test %1").arg(c.test);
        const long long moving = static_cast<long long>(tests - c.test) * points;
        t.restart();
        const DbResult r = filled.deleteTest(name);
        std::printf("delete the %s test (%lld rows move): %.2f s%s\n", c.where, moving,
                    static_cast<double>(t.elapsed()) / 1e3, r ? "" : " FAILED");
        ++deleted;
    }
    return 0;
}
