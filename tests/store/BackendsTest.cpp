// What both backends must do alike, each against the real thing: a file, and a database on
// the test run's own PostgreSQL server.

#include "store/Database.h"
#include "store/TestRepository.h"
#include "support/TestDb.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <thread>

using namespace viscora;
using namespace viscora::test;

namespace {

class Backends : public ::testing::TestWithParam<Backend> {};

// Another program in the middle of a write: it holds the writers' lock until it commits.
struct Writer {
    std::unique_ptr<Database> db;
    explicit Writer(const QString &location)
        : db(Database::open(location, Database::OpenMode::MustExist).db)
    {
        for (const QString &s : db->dialect().beginWrite(1000))
            EXPECT_TRUE(db->exec(s).ok) << s.toStdString();
    }
    ~Writer() { db->exec(QStringLiteral("ROLLBACK")); }
};

QStringList columnsOf(TestDb &t, const char *table)
{
    QStringList c;
    QSqlQuery q(t.db->sql());
    q.exec(QStringLiteral("SELECT * FROM %1 WHERE 1=0").arg(QLatin1String(table)));
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i)
        c << r.fieldName(i).toLower();
    return c;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Store, Backends, kBothBackends, backendName);

TEST_P(Backends, TheTablesAndTheirColumnsInOrder)
{
    TestDb t(GetParam());
    EXPECT_EQ(columnsOf(t, "RelatedInfo"),
              (QStringList{"testid", "testname", "mudid", "sampletime", "companyname", "desc"}));
    EXPECT_EQ(columnsOf(t, "TestResult"), (QStringList{"testid", "stepno", "time", "temperature",
                                                       "speed", "shearstress", "gel", "rbfactor"}));
    EXPECT_EQ(columnsOf(t, "SequenceName"),
              (QStringList{"sequenceid", "sequencename", "rbfactor"}));
    EXPECT_EQ(columnsOf(t, "SequenceSetup"),
              (QStringList{"sequenceid", "stepno", "time", "temperature", "speed", "recordrate"}));
    EXPECT_EQ(columnsOf(t, "TestEvents"), (QStringList{"testid", "time", "kind", "text"}));
    // Opening it again finds every table and changes nothing.
    t.db.reset();
    auto again = Database::open(t.path, Database::OpenMode::MustExist);
    ASSERT_TRUE(again.db) << again.message.toStdString();
}

TEST_P(Backends, SomeoneElsesDatabaseIsRefused)
{
    TestDb t(GetParam());
    t.db.reset();
    // A database of other tables only: the test tables are dropped from it.
    {
        auto raw = Database::open(t.path, Database::OpenMode::MustExist).db;
        for (const char *table : {"RelatedInfo", "TestResult", "SequenceName", "SequenceSetup",
                                  "TestEvents", "Recordings", "TestRecords"})
            ASSERT_TRUE(raw->exec(QStringLiteral("DROP TABLE %1").arg(QLatin1String(table))).ok);
        ASSERT_TRUE(raw->exec(QStringLiteral("CREATE TABLE Customers (Id INTEGER)")).ok);
    }
    const auto opened = Database::open(t.path, Database::OpenMode::MustExist);
    EXPECT_FALSE(opened.db);
    EXPECT_TRUE(opened.message.startsWith("The file is not a viscometer database: it holds other "
                                          "tables ("))
        << opened.message.toStdString();
}

TEST_P(Backends, AWriteWaitsForAnotherProgramThenSaysItIsBusy)
{
    TestDb t(GetParam());
    t.addTest("t", {point(1, 1, 100, 300, 510)});
    auto second = Database::open(t.path, Database::OpenMode::MustExist, 100).db;
    {
        Writer other(t.path);
        const DbResult r = TestRepository(*second).deleteTest("t");
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.busy) << r.error.toStdString();
        // Readers are never held up by a writer.
        EXPECT_EQ(must(TestRepository(*second).tests()).size(), 1u);
    }
    EXPECT_TRUE(TestRepository(*second).deleteTest("t").ok);
}

TEST_P(Backends, AFailedTransactionLeavesEverythingAsItWas)
{
    TestDb t(GetParam());
    Database &db = *t.db;
    const DbResult r = db.transaction([&] {
        db.exec(QStringLiteral("INSERT INTO SequenceName VALUES (1, 'a', 1)"));
        return DbResult::failure("stop");
    });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "stop");
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM SequenceName").toInt(), 0);
    // The connection is fine afterwards.
    EXPECT_TRUE(t.exec("INSERT INTO SequenceName VALUES (1, 'b', 1)"));
}

// Opening does not wait for another program's write in progress, such as a long copy.
TEST_P(Backends, OpeningDoesNotWaitForAWriteInProgress)
{
    TestDb t(GetParam());
    // The indexes that serve reading were made when the database was, so an open makes none.
    EXPECT_EQ(t.scalar(GetParam() == Backend::SQLite
                           ? "SELECT COUNT(*) FROM sqlite_master WHERE type='index' AND name "
                             "LIKE '%By%'"
                           : "SELECT COUNT(*) FROM pg_indexes WHERE schemaname = current_schema() "
                             "AND indexname LIKE '%by%'")
                  .toInt(),
              6);
    const QString location = t.path;
    std::future<bool> opening;
    bool promptly = false;
    t.db->transaction([&] {
        EXPECT_TRUE(t.db->exec(QStringLiteral("INSERT INTO TestResult (TestId, StepNo, Time, "
                                              "Temperature, Speed, Shearstress, Gel, Rbfactor) "
                                              "VALUES (1, 1, 10, 150, 300, 510, 0, 1)"))
                        .ok);
        opening = std::async(std::launch::async, [location] {
            return Database::open(location, Database::OpenMode::MustExist).db != nullptr;
        });
        // A guard against waiting for ever, not a measure of speed: the write ends after it.
        promptly = opening.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
        return DbResult::failure("only held");
    });
    EXPECT_TRUE(promptly);
    EXPECT_TRUE(opening.get());
}

TEST(ServerBackend, ALostConnectionIsOpenedAgainAndCountsAsBusyMeanwhile)
{
    TestDb t(Backend::PostgreSQL);
    t.addTest("t", {point(1, 1, 100, 300, 510)});
    TestRepository repo(*t.db);
    // The server ends this connection (a restart, a network cut).
    auto admin = Database::open(t.path, Database::OpenMode::MustExist).db;
    QSqlQuery kill(admin->sql());
    ASSERT_TRUE(kill.exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                          "datname = current_database() AND pid <> pg_backend_pid()"));
    // The next write fails as retryable; the one after finds the connection opened again.
    DbResult r = repo.insertPoints(1, {point(1, 2, 100, 300, 515)});
    const DbResult first = r;
    if (!r.ok) {
        EXPECT_TRUE(r.busy) << r.error.toStdString();
    }
    r = repo.insertPoints(1, {point(1, 3, 100, 300, 520)});
    EXPECT_TRUE(r.ok) << r.error.toStdString() << " first " << first.error.toStdString();
    EXPECT_GE(t.scalar("SELECT COUNT(*) FROM TestResult").toInt(), 2);
}

// A connection the server ends in the middle of a transaction is not opened again inside it:
// the rest of the transaction fails instead of landing alone on a new connection.
TEST(ServerBackend, AConnectionLostInATransactionIsNotOpenedAgainInIt)
{
    TestDb t(Backend::PostgreSQL);
    auto admin = Database::open(t.path, Database::OpenMode::MustExist).db;
    const DbResult r = t.db->transaction([&] {
        QSqlQuery kill(admin->sql());
        EXPECT_TRUE(kill.exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                              "datname = current_database() AND pid <> pg_backend_pid()"));
        QSqlQuery probe(t.db->sql());
        EXPECT_FALSE(probe.exec("SELECT 1")); // the server ended the connection
        return execute(*t.db, "INSERT INTO RelatedInfo (TestId, TestName) VALUES (?, ?)",
                       {1, "half"});
    });
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.busy) << r.error.toStdString();
    EXPECT_EQ(r.error, "the connection to the database was lost during a transaction");
    // Outside it, the connection is opened again, and nothing of the transaction is there.
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM RelatedInfo").toInt(), 0);
}

TEST(ServerBackend, ConnectionStringsAsTheServerLibraryReadsThem)
{
    struct Case {
        const char *location;
        bool server;
    } cases[] = {
        {"postgresql://lab@db.example:5433/viscora", true},
        {"postgres://db/viscora?sslmode=require", true},
        {"host=/run/postgresql dbname=viscora", true},
        {"k7400r.mdb", false},
        {"/home/lab/tests/k7400r.mdb", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isServerLocation(QString::fromLatin1(c.location)), c.server) << c.location;
    const auto s = must(serverSettings("postgresql://lab@db.example:5433/viscora?sslmode=require"));
    EXPECT_EQ(s.host, "db.example");
    EXPECT_EQ(s.port, 5433);
    EXPECT_EQ(s.user, "lab");
    EXPECT_EQ(s.database, "viscora");
    // An unreachable server gives up within seconds unless the location says otherwise.
    EXPECT_EQ(s.options, "sslmode=require;connect_timeout=10");
    EXPECT_EQ(must(serverSettings("host=db connect_timeout=3")).options, "connect_timeout=3");
    EXPECT_FALSE(serverSettings("postgresql://[bad"));

    // What the operator may type: a password never, it would stand where others read it.
    struct Typed {
        const char *location;
        bool usable;
        const char *shown;
    } typed[] = {
        {"postgresql://lab@db/viscora", true, "postgresql://lab@db/viscora"},
        {"postgresql://lab:secret@db/viscora", false, "postgresql://lab@db/viscora"},
        {"host=db password=secret dbname=v", false, "host=db password=… dbname=v"},
        {"host=db dbname='unclosed", false, "host=db dbname='unclosed"},
    };
    for (const Typed &c : typed) {
        EXPECT_EQ(serverLocationProblem(QString::fromUtf8(c.location)).isEmpty(), c.usable)
            << c.location;
        EXPECT_EQ(shownLocation(QString::fromUtf8(c.location)), QString::fromUtf8(c.shown));
    }
    EXPECT_TRUE(serverLocationProblem("postgresql://lab:secret@db/v").contains("~/.pgpass"));
    const auto refused = Database::open("host=/nonexistent-folder port=1 dbname=x user=lab",
                                        Database::OpenMode::MustExist);
    EXPECT_FALSE(refused.db);
    EXPECT_FALSE(refused.message.isEmpty());
}
// Programs started together on a database without tables: every one opens it.
TEST_P(Backends, ProgramsOpeningAnEmptyDatabaseAtOnceAllOpenIt)
{
    constexpr int kPrograms = 4;
    for (int round = 0; round < 5; ++round) {
        QTemporaryDir dir;
        std::unique_ptr<PgDatabase> server;
        QString location = dir.filePath(QStringLiteral("k7400r.mdb"));
        if (GetParam() == Backend::PostgreSQL) {
            server = std::make_unique<PgDatabase>();
            location = server->url;
        }
        std::atomic<int> ready{0};
        std::vector<QString> failures(kPrograms);
        std::vector<std::thread> programs;
        for (int i = 0; i < kPrograms; ++i)
            programs.emplace_back([&, i] {
                // All read the empty schema before any makes a table, as far as can be had.
                for (++ready; ready < kPrograms;)
                    std::this_thread::yield();
                const auto opened = Database::open(location, Database::OpenMode::CreateIfMissing);
                if (!opened.db)
                    failures[static_cast<size_t>(i)] = opened.message;
            });
        for (std::thread &p : programs)
            p.join();
        for (const QString &f : failures)
            EXPECT_EQ(f.toStdString(), "") << "round " << round;
    }
}

TEST_P(Backends, TwoProgramsNamingAtOnceNeverShareAnIdOrAName)
{
    TestDb t(GetParam());
    const QString path = t.path;
    // Each thread is a program of its own: its own connection to the file.
    auto namer = [path](int who, std::vector<int> *ids) {
        auto db = Database::open(path, Database::OpenMode::MustExist).db;
        TestRepository repo(*db);
        for (int i = 0; i < 40; ++i) {
            const NewHeader made = repo.createUniqueHeader(
                {QStringLiteral("p%1-%2").arg(who).arg(i), "", "", "", ""}, Qt::CaseInsensitive);
            if (made.outcome == NewHeader::Outcome::Created)
                ids->push_back(made.id);
            // Both want this one name; only one may have it.
            const NewHeader shared = repo.createUniqueHeader(
                {QStringLiteral("shared-%1").arg(i), "", "", "", ""}, Qt::CaseInsensitive);
            if (shared.outcome == NewHeader::Outcome::Created)
                ids->push_back(shared.id);
        }
    };
    std::vector<int> a, b;
    std::thread first(namer, 1, &a), second(namer, 2, &b);
    first.join();
    second.join();
    std::set<int> all(a.begin(), a.end());
    all.insert(b.begin(), b.end());
    EXPECT_EQ(all.size(), a.size() + b.size()); // no id twice
    EXPECT_EQ(all.size(), 120u);                // 40 + 40 own names, 40 shared ones once
    EXPECT_EQ(*all.begin(), 1);
    EXPECT_EQ(*all.rbegin(), 120); // dense
    EXPECT_EQ(t.scalar("SELECT COUNT(DISTINCT TestName) FROM RelatedInfo").toInt(), 120);
}

TEST_P(Backends, AStatementThatSetsUpTheConnectionFailsTheOpening)
{
    TestDb t(GetParam());
    t.db.reset();
    const auto dialect = Dialect::make(GetParam());
    QStringList statements = dialect->onConnect() + dialect->setUp(false, 0);
    statements << QString::fromLatin1(dialect->indexListSql());
    for (const QString &s : statements) {
        const FailingStatements failing({s});
        const auto opened = Database::open(t.path, Database::OpenMode::MustExist);
        EXPECT_FALSE(opened.db) << s.toStdString();
        EXPECT_EQ(opened.message, "disk I/O error") << s.toStdString();
    }
    EXPECT_TRUE(Database::open(t.path, Database::OpenMode::MustExist).db);
}

TEST_P(Backends, AFailedRollbackNeverLeavesTheTransactionOpen)
{
    const QString setUp =
        GetParam() == Backend::SQLite ? "PRAGMA journal_mode" : "SET client_min_messages";
    const struct {
        QStringList failing;
        QString error;
    } cases[] = {
        {{"ROLLBACK"}, "stop"},
        {{"ROLLBACK", setUp}, "stop; the connection could not be opened again: disk I/O error"},
    };
    for (const auto &c : cases) {
        TestDb t(GetParam());
        DbResult r;
        {
            const FailingStatements failing(c.failing);
            r = t.db->transaction([&] {
                EXPECT_TRUE(t.db->exec("INSERT INTO SequenceName VALUES (1, 'half', 1)").ok);
                return DbResult::failure("stop");
            });
        }
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, c.error);
        // Nothing of it stays, the writers' lock is free, and the next write works.
        auto other = Database::open(t.path, Database::OpenMode::MustExist, 100).db;
        ASSERT_TRUE(other);
        EXPECT_TRUE(other->transaction([] { return DbResult::success(); }).ok);
        const DbResult next = t.db->transaction(
            [&] { return t.db->exec("INSERT INTO SequenceName VALUES (1, 'b', 1)"); });
        EXPECT_TRUE(next.ok) << next.error.toStdString();
        EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM SequenceName WHERE SequenceName='half'").toInt(),
                  0);
    }
}

TEST(ServerBackend, AConnectionThatCannotBeSetUpAgainIsNotUsed)
{
    TestDb t(Backend::PostgreSQL);
    t.addTest("t", {point(1, 1, 100, 300, 510)});
    TestRepository repo(*t.db);
    t.server->asOwner(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                     "WHERE datname = '%1'")
                          .arg(t.server->name()));
    {
        const FailingStatements failing({"SET client_min_messages"});
        for (int i = 0; i < 2; ++i) {
            const DbResult r = repo.insertPoints(1, {point(1, 2, 100, 300, 515)});
            EXPECT_FALSE(r.ok) << i;
            EXPECT_TRUE(r.busy) << r.error.toStdString();
        }
    }
    const DbResult r = repo.insertPoints(1, {point(1, 3, 100, 300, 520)});
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM TestResult").toInt(), 2);
}
