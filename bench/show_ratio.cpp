// How long `viscora-cli show` takes to print a 600,000-point test, against sqlite3 printing
// the rows of the same query from the same file, in one run; with --server, the test on a
// throwaway PostgreSQL server against psql printing the same rows.
// Run: build-bench/bench/viscora_show_ratio [POINTS] [--server]

#include "BenchSupport.h"
#include "core/Module1.h"
#include "core/TestQuery.h"
#include "core/VbFormat.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
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
    const TestQuery q = buildTestQuery(m.units(), m.rotorBob(), false, QueryOrder::StepThenTime);
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

// The same on a server of its own, started and removed here.
int onServer(int points, const QTemporaryDir &dir)
{
    const QString script = QStringLiteral(VISCORA_SOURCE_DIR "/scripts/pg-cluster");
    const QString state = dir.filePath(QStringLiteral("cluster"));
    if (QProcess::execute(script, {QStringLiteral("start"), state}) != 0)
        return 1;
    QFile f(state);
    f.open(QIODevice::ReadOnly);
    const QString maintenance = QString::fromUtf8(f.readLine()).trimmed();
    const QString location =
        QString(maintenance).replace(QLatin1String("/postgres?"), QLatin1String("/bench?"));
    QProcess::execute(QStringLiteral("psql"),
                      {QStringLiteral("-q"), maintenance, QStringLiteral("-c"),
                       QStringLiteral("CREATE DATABASE bench")});
    QElapsedTimer filling;
    filling.start();
    bench::makeLongTest(location, points).reset();
    std::fprintf(stderr, "stored %d points in %.1f s\n", points,
                 static_cast<double>(filling.elapsed()) / 1000);
    const double cli = bestOf(
        3, QStringLiteral(VISCORA_CLI_BIN),
        {QStringLiteral("--db"), location, QStringLiteral("show"), QStringLiteral("long")});
    const double psql = bestOf(3, QStringLiteral("psql"),
                               {QStringLiteral("-At"), QStringLiteral("-F"), QStringLiteral("\t"),
                                location, QStringLiteral("-c"), literalQuery()});
    QProcess::execute(script, {QStringLiteral("stop"), state});
    std::printf("%d points on a server: viscora-cli show %.2f s, psql %.2f s, ratio %.2f\n",
                points, cli, psql, cli / psql);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const bool server = args.contains(QStringLiteral("--server"));
    const int points = !args.isEmpty() && args[0] != QLatin1String("--server")
                           ? args[0].toInt()
                           : 600000;
    QTemporaryDir dir;
    if (server)
        return onServer(points, dir);
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
