#pragma once
// A fresh database in a temporary folder, with helpers to put tests into it.

#include "store/Database.h"
#include "store/TestRepository.h"
#include "support/Must.h"
#include "support/PgServer.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace viscora::test {

// A fresh database: a file in a temporary folder, or a database of its own on the test run's
// PostgreSQL server. `path` is what opens it again (a file's path, or a connection string).
class TestDb {
public:
    explicit TestDb(Backend backend = Backend::SQLite)
    {
        if (backend == Backend::PostgreSQL) {
            server = std::make_unique<PgDatabase>();
            path = server->url;
        } else {
            path = dir.filePath(QStringLiteral("k7400r.mdb"));
        }
        auto opened = Database::open(path, Database::OpenMode::CreateIfMissing);
        EXPECT_TRUE(opened.db) << opened.message.toStdString();
        db = std::move(opened.db);
    }

    // Adds a test with its points; returns its TestId.
    int addTest(const QString &name, const std::vector<StoredPoint> &points)
    {
        TestRepository repo(*db);
        int id = 0;
        EXPECT_TRUE(repo.createHeader({name, "mud", "10:00", "ACME", "notes"}, id).ok);
        EXPECT_TRUE(repo.insertPoints(id, points).ok);
        return id;
    }

    // One scalar of an SQL text, for checks.
    QVariant scalar(const QString &sql)
    {
        QSqlQuery q(db->sql());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        return q.next() ? q.value(0) : QVariant();
    }
    bool exec(const QString &sql)
    {
        QSqlQuery q(db->sql());
        return q.exec(sql);
    }

    // Makes every `event` ("INSERT", "DELETE") on `table` fail with `message`, as a full disk
    // or a broken file would, on either backend.
    bool failOn(const char *event, const char *table, const char *message)
    {
        if (db->backend() == Backend::SQLite)
            return exec(
                QStringLiteral("CREATE TRIGGER fail_%1_%2 BEFORE %1 ON %2 BEGIN SELECT "
                               "RAISE(ABORT, '%3'); END")
                    .arg(QLatin1String(event), QLatin1String(table), QLatin1String(message)));
        return exec(QStringLiteral("CREATE FUNCTION fail_%1_%2() RETURNS trigger AS $$ BEGIN "
                                   "RAISE EXCEPTION '%3'; END $$ LANGUAGE plpgsql")
                        .arg(QLatin1String(event), QLatin1String(table), QLatin1String(message))) &&
               exec(QStringLiteral("CREATE TRIGGER fail_%1_%2 BEFORE %1 ON %2 FOR EACH ROW "
                                   "EXECUTE FUNCTION fail_%1_%2()")
                        .arg(QLatin1String(event), QLatin1String(table)));
    }

    QTemporaryDir dir;
    std::unique_ptr<PgDatabase> server; // goes after the connection to it
    QString path;
    std::unique_ptr<Database> db;
};

inline StoredPoint point(int step, double time, double temp, double speed, double stress,
                         double gel = 0, double rb = 1)
{
    return StoredPoint{step, time, temp, speed, stress, gel, rb};
}

// While it lives, statements of our own that begin with one of `always` fail with "disk I/O
// error", as a failing disk or a dropped server would make them; those of `once`, the first
// time only.
class FailingStatements {
public:
    explicit FailingStatements(QStringList always, QStringList once = {})
    {
        Database::setStatementFault(
            [always, once](const QString &s) mutable -> std::optional<QString> {
                for (const QString &p : always)
                    if (s.startsWith(p))
                        return QStringLiteral("disk I/O error");
                for (qsizetype i = 0; i < once.size(); ++i)
                    if (s.startsWith(once[i])) {
                        once.removeAt(i);
                        return QStringLiteral("disk I/O error");
                    }
                return std::nullopt;
            });
    }
    ~FailingStatements() { Database::setStatementFault({}); }
    FailingStatements(const FailingStatements &) = delete;
    FailingStatements &operator=(const FailingStatements &) = delete;
};

// The statement a run of failNth failed; empty when the run had fewer statements.
struct StruckStatement {
    bool struck = false;
    QString statement;
};

// Runs `operation` with its nth statement (counting from 1, on every connection) failing with
// "disk I/O error", as a failing disk or a dropped server would fail it; the others run.
// Walking n = 1, 2, ... until nothing is struck fails each statement of the operation in turn.
inline StruckStatement failNth(int n, const std::function<void()> &operation)
{
    auto seen = std::make_shared<int>(0);
    auto struck = std::make_shared<StruckStatement>();
    Database::setStatementFault([=](const QString &s) -> std::optional<QString> {
        if (++*seen != n)
            return std::nullopt;
        *struck = {true, s};
        return QStringLiteral("disk I/O error");
    });
    operation();
    Database::setStatementFault({});
    return *struck;
}

// Parameterised suites run on both backends, named by them.
inline const auto kBothBackends = ::testing::Values(Backend::SQLite, Backend::PostgreSQL);
inline std::string backendName(const ::testing::TestParamInfo<Backend> &info)
{
    return info.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
}

// k7400r.mdb in dir holding a test "long" of 5000 points, with a page in the middle of the
// file overwritten as a failing disk would.
inline QString damagedDatabase(const QTemporaryDir &dir)
{
    const QString path = dir.filePath("k7400r.mdb");
    {
        auto db = Database::open(path, Database::OpenMode::CreateIfMissing).db;
        std::vector<StoredPoint> points;
        for (int i = 0; i < 5000; ++i)
            points.push_back(point(1 + i / 1000, i % 1000, 100, 300, 510 + i));
        int id = 0;
        EXPECT_TRUE(TestRepository(*db).createHeader({"long", "", "", "", ""}, id).ok);
        EXPECT_TRUE(TestRepository(*db).insertPoints(id, points).ok);
    } // closing writes the log back into the file
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 page = 4096, pages = f.size() / page;
    EXPECT_GT(pages, 10);
    f.seek((pages / 2) * page);
    f.write(QByteArray(static_cast<int>(page), '\xA5'));
    return path;
}

// k7400r.mdb in dir holding tests "before" (10 points), "long" (`points`) and "after" (10
// points), with `mask` flipped into byte `offset` of the middle page of the rows' index of that
// type ("leaf", "internal"): a leaf there holds only entries of "long". Such damage can cut a
// read of the test short without an error.
inline QString silentlyDamagedDatabase(const QTemporaryDir &dir, const char *pageType, int offset,
                                       char mask, int points = 5000)
{
    const QString path = dir.filePath("k7400r.mdb");
    {
        auto db = Database::open(path, Database::OpenMode::CreateIfMissing).db;
        TestRepository repo(*db);
        std::vector<StoredPoint> few, many;
        for (int i = 0; i < 10; ++i)
            few.push_back(point(1, i, 100, 300, 510));
        for (int i = 0; i < points; ++i)
            many.push_back(point(1 + i / 1000, i % 1000, 100, 300, 510 + i));
        for (const auto &[name, rows] :
             {std::pair{"before", &few}, {"long", &many}, {"after", &few}}) {
            int id = 0;
            EXPECT_TRUE(repo.createHeader({name, "", "", "", ""}, id).ok);
            EXPECT_TRUE(repo.insertPoints(id, *rows).ok);
        }
    } // closing writes the log back into the file
    qint64 page = 0, pageSize = 0;
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "pages");
        raw.setDatabaseName(path);
        EXPECT_TRUE(raw.open());
        QSqlQuery q(raw);
        q.prepare("SELECT pageno FROM dbstat WHERE name='TestResultByTest' AND pagetype=? ORDER "
                  "BY pageno");
        q.addBindValue(QString::fromLatin1(pageType));
        EXPECT_TRUE(q.exec());
        std::vector<qint64> pages;
        while (q.next())
            pages.push_back(q.value(0).toLongLong());
        EXPECT_FALSE(pages.empty());
        page = pages.empty() ? 1 : pages[pages.size() / 2];
        EXPECT_TRUE(q.exec("PRAGMA page_size") && q.next());
        pageSize = q.value(0).toLongLong();
        q.finish();
        raw.close();
    }
    QSqlDatabase::removeDatabase("pages");
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek((page - 1) * pageSize + offset);
    char byte = 0;
    EXPECT_TRUE(f.getChar(&byte));
    f.seek((page - 1) * pageSize + offset);
    EXPECT_TRUE(f.putChar(static_cast<char>(byte ^ mask)));
    return path;
}

} // namespace viscora::test
