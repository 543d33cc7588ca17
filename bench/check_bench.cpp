// What checking a file costs, on a file of about 400 MB (190 tests of 50,000 points): SQLite's
// own checks of every page, against reading one test's rows with and without the check of
// those rows that every read of a test makes.
// Run: build-bench/bench/viscora_check_bench [TESTS] [POINTS]

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace viscora;

namespace {
double seconds(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bench::TestFilePlace place(argc, argv, 190);
    const int tests = place.tests, points = place.points;
    const QString &path = place.path;
    bench::fileOfTests(path, tests, points).reset(); // the log written back: the file whole
    std::printf("%d tests of %d points: %.0f MB\n", tests, points,
                static_cast<double>(QFileInfo(path).size()) / 1e6);
    std::unique_ptr<Database> db;
    std::printf("open: %.3f s\n",
                seconds([&] { db = Database::open(path, Database::OpenMode::MustExist).db; }));
    for (const char *pragma : {"PRAGMA quick_check", "PRAGMA integrity_check"}) {
        QString answer;
        const double s = seconds([&] {
            QSqlQuery q(db->sql());
            if (q.exec(QString::fromLatin1(pragma)) && q.next())
                answer = q.value(0).toString();
        });
        std::printf("%s: %.3f s (%s)\n", pragma, s, qPrintable(answer));
    }
    const TestRepository repo(*db);
    const QString middle = QStringLiteral("test %1").arg(tests / 2);
    std::size_t plain = 0;
    const double read = seconds([&] {
        QSqlQuery q(db->sql());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT StepNo, Time, Temperature, Speed, Shearstress, Gel, "
                                 "Rbfactor FROM TestResult WHERE TestId=? ORDER BY StepNo, Time"));
        q.addBindValue(tests / 2);
        q.exec();
        while (q.next())
            ++plain;
    });
    std::size_t checked = 0;
    const double whole = seconds([&] {
        const auto rows = repo.storedPoints(middle);
        checked = rows.ok() ? rows->size() : 0;
    });
    std::printf("one test's %zu rows, read alone: %.3f s; read and checked: %.3f s (%zu rows)\n",
                plain, read, whole, checked);
    return 0;
}
