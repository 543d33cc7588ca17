// How long `viscora-cli show` takes to print a 600,000-point test, against sqlite3 printing
// the rows of the same query from the same file, in one run.
// Run: build-bench/bench/viscora_show_ratio [POINTS]

#include "BenchSupport.h"
#include "core/Module1.h"
#include "core/TestQuery.h"
#include "core/VbFormat.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace viscora;

namespace {

// Seconds of the best of `runs` runs of a command, its output thrown away.
double bestOf(int runs, const QString &program, const QStringList &args)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer t;
        t.start();
        p.start(program, args);
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                         p.readAllStandardError().constData());
            std::exit(1);
        }
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    return best;
}

// The opened test's query with its values written into the text, for sqlite3.
QString literalQuery()
{
    Module1 m;
    m.RbShearFactor = 1.0f;
    m.RbFannFactor = 1.0f;
    const TestQuery q = buildTestQuery(m, false, QueryOrder::StepThenTime);
    std::string sql;
    size_t next = 0;
    for (char c : q.sql) {
        if (c != '?') {
            sql += c;
            continue;
        }
        sql += next < q.factors.size() ? shortestText(q.factors[next++]) : "'long'";
    }
    return QString::fromStdString(sql);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int points = argc > 1 ? std::atoi(argv[1]) : 600000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("k7400r.mdb"));
    bench::makeLongTest(path, points).reset();
    const double cli =
        bestOf(3, QStringLiteral(VISCORA_CLI_BIN),
               {QStringLiteral("--db"), path, QStringLiteral("show"), QStringLiteral("long")});
    const double sqlite = bestOf(3, QStringLiteral("sqlite3"), {path, literalQuery()});
    std::printf("%d points: viscora-cli show %.2f s, sqlite3 %.2f s, ratio %.2f\n", points, cli,
                sqlite, cli / sqlite);
    return 0;
}
