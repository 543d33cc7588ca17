// Opening a database is safe: a location says no more than it shows, and a database that is
// not ours is refused and left as it was, on both backends.

#include "store/DatabaseCopy.h"
#include "store/DatabaseLocator.h"
#include "store/TestRepository.h"
#include "support/TestDb.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <vector>

using namespace viscora;
using namespace viscora::test;

namespace {

class Opening : public ::testing::TestWithParam<Backend> {};

// A database reached as another program would: no rules of ours, nothing made in it.
class Raw {
public:
    Raw(Backend backend, const QString &location)
    {
        static int counter = 0;
        name_ = QStringLiteral("raw-%1").arg(++counter);
        QSqlDatabase db = QSqlDatabase::addDatabase(
            backend == Backend::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"),
            name_);
        if (backend == Backend::SQLite) {
            db.setDatabaseName(location);
        } else {
            const auto s = must(serverSettings(location));
            db.setHostName(s.host);
            db.setPort(s.port);
            db.setUserName(s.user);
            db.setDatabaseName(s.database);
        }
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
    }
    ~Raw() { QSqlDatabase::removeDatabase(name_); }
    Raw(const Raw &) = delete;
    Raw &operator=(const Raw &) = delete;

    bool exec(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(name_));
        const bool ok = q.exec(sql);
        EXPECT_TRUE(ok) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return ok;
    }
    QStringList column(const QString &sql)
    {
        QStringList out;
        QSqlQuery q(QSqlDatabase::database(name_));
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        while (q.next())
            out << q.value(0).toString();
        return out;
    }

private:
    QString name_;
};

// Every table, column and index, for telling whether anything was made or changed.
QStringList schemaOf(Backend backend, const QString &location)
{
    Raw raw(backend, location);
    return raw.column(
        backend == Backend::SQLite
            ? "SELECT type || ' ' || name || ' ' || COALESCE(sql, '') FROM sqlite_master ORDER BY 1"
            : "SELECT table_name || '.' || column_name FROM information_schema.columns WHERE "
              "table_schema = current_schema() UNION ALL SELECT indexname FROM pg_indexes WHERE "
              "schemaname = current_schema() ORDER BY 1");
}

// A database of nobody's yet: a file's place in a folder, or an empty server database.
struct Blank {
    explicit Blank(Backend b) : backend(b)
    {
        if (b == Backend::PostgreSQL) {
            server = std::make_unique<PgDatabase>();
            location = server->url;
        } else {
            location = dir.filePath(QStringLiteral("k7400r.mdb"));
        }
    }
    Backend backend;
    QTemporaryDir dir;
    std::unique_ptr<PgDatabase> server;
    QString location;
    QString word() const { return backend == Backend::SQLite ? "file" : "database"; }
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Store, Opening, kBothBackends, backendName);

TEST_P(Opening, ADatabaseWhoseTableOfOurNameIsSomeoneElsesIsRefusedUnchanged)
{
    const char *const kTestColumns =
        "TestId, StepNo, Time, Temperature, Speed, Shearstress, Gel, Rbfactor";
    const struct {
        const char *what;
        bool oursFirst; // made by the program, then altered by someone else
        QStringList statements;
        const char *table, *missing; // empty: it is ours and opens
    } cases[] = {
        {"a foreign table alone",
         false,
         {"CREATE TABLE TestResult (x INTEGER)"},
         "TestResult",
         kTestColumns},
        {"ours with one table replaced and one gone",
         true,
         {"DROP TABLE Recordings", "CREATE TABLE Recordings (TestName TEXT, Owner TEXT)",
          "DROP TABLE TestEvents"},
         "Recordings",
         "Host, Pid, Heartbeat"},
        {"a foreign table beside one of ours",
         false,
         {"CREATE TABLE SequenceName (SequenceId INTEGER, SequenceName TEXT, Rbfactor INTEGER)",
          "CREATE TABLE RelatedInfo (TestId INTEGER, Name TEXT)"},
         "RelatedInfo",
         "TestName, MudId, SampleTime, CompanyName, Desc"},
        // Nothing to make in it: refused all the same.
        {"ours, complete, a column renamed",
         true,
         {"ALTER TABLE RelatedInfo RENAME COLUMN MudId TO FluidId"},
         "RelatedInfo",
         "MudId"},
        {"every table and index there, TestResult someone else's",
         true,
         {"DROP TABLE TestResult", "CREATE TABLE TestResult (x int)",
          "CREATE INDEX TestResultByTest ON TestResult (x)"},
         "TestResult",
         kTestColumns},
        // Letter case and columns added by the lab do not make it someone else's.
        {"ours in other letters, a column added",
         false,
         {"CREATE TABLE testresult (testid INTEGER, stepno INTEGER, time REAL, temperature REAL, "
          "speed REAL, shearstress REAL, gel REAL, rbfactor REAL, operator TEXT)"},
         "",
         ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Blank target(GetParam()), copyTarget(GetParam());
        for (Blank *b : {&target, &copyTarget}) {
            if (c.oursFirst) {
                ASSERT_TRUE(Database::open(b->location, Database::OpenMode::CreateIfMissing).db);
            }
            Raw raw(GetParam(), b->location);
            for (const QString &s : c.statements)
                ASSERT_TRUE(raw.exec(s));
        }
        const QStringList before = schemaOf(GetParam(), target.location);
        const auto opened = Database::open(target.location, Database::OpenMode::MustExist);
        if (!*c.table) {
            EXPECT_TRUE(opened.db) << opened.message.toStdString();
            continue;
        }
        EXPECT_FALSE(opened.db);
        const QString refusal =
            QStringLiteral("The %1 is not a viscometer database: its table %2 lacks the "
                           "columns %3. It was left unchanged.")
                .arg(target.word(), QLatin1String(c.table), QLatin1String(c.missing));
        EXPECT_EQ(opened.message, refusal);
        EXPECT_EQ(schemaOf(GetParam(), target.location), before);

        // Nor is a copy made into it.
        TestDb source(GetParam());
        source.addTest("t", {point(1, 1, 100, 300, 510)});
        const QStringList copyBefore = schemaOf(GetParam(), copyTarget.location);
        const CopyResult r = copyDatabaseTo(*source.db, copyTarget.location);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.endsWith(refusal)) << r.error.toStdString();
        EXPECT_EQ(schemaOf(GetParam(), copyTarget.location), copyBefore);
    }
}

// Each setting of a server location reaches the server as that one setting, whatever its
// value holds: a space, a quote, a backslash, or text that reads as another setting.
TEST(ServerLocation, EverySettingReachesTheServerAsItself)
{
    TestDb t(Backend::PostgreSQL);
    const auto s = must(serverSettings(t.path));
    const QString keywords = QStringLiteral("host='%1' port=%2 user=%3 dbname=%4 ")
                                 .arg(s.host)
                                 .arg(s.port)
                                 .arg(s.user, t.server->name());
    const struct {
        QString location;
        const char *applicationName;
    } cases[] = {
        {t.path + "&application_name=x%20dbname%3Dpostgres", "x dbname=postgres"},
        {t.path + "&application_name=x%20password%3Dsecret", "x password=secret"},
        {t.path + "&application_name=my%20app", "my app"},
        {t.path + "&application_name=lab%27s%5Cviscometer", "lab's\\viscometer"},
        {keywords + "application_name='lab\\'s dbname=postgres'", "lab's dbname=postgres"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.location.toStdString());
        EXPECT_EQ(serverLocationProblem(c.location), "");
        const auto opened = Database::open(c.location, Database::OpenMode::MustExist);
        ASSERT_TRUE(opened.db) << opened.message.toStdString();
        QSqlQuery q(opened.db->sql());
        ASSERT_TRUE(q.exec("SELECT current_database(), current_setting('application_name')") &&
                    q.next());
        EXPECT_EQ(q.value(0).toString(), t.server->name());
        EXPECT_EQ(q.value(1).toString(), QString::fromUtf8(c.applicationName));
    }
    // A password is found where the server library finds it, however it is written; a ';',
    // which the Qt driver would turn into a space, is refused.
    const struct {
        QString location;
        const char *problem;
    } refused[] = {
        {t.path + "&password=secret", "a password does not belong in the database location"},
        {keywords + "password = 'a b'", "a password does not belong in the database location"},
        {t.path + "&application_name=a%3Bb", "the setting application_name cannot hold a ';'"},
    };
    for (const auto &c : refused) {
        EXPECT_TRUE(serverLocationProblem(c.location).startsWith(QString::fromLatin1(c.problem)))
            << c.location.toStdString();
        EXPECT_FALSE(Database::open(c.location, Database::OpenMode::MustExist).db);
    }
}

// A file's location is its path: nothing that is no path, and nothing that loosens the
// locking several programs rely on.
TEST(FileLocation, OnlyAPathIsTaken)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("k7400r.mdb");
    const struct {
        QString location;
        const char *why;
    } cases[] = {
        {"", "no database location was given"},
        {" ", "no database location was given"},
        {"file:" + file + "?vfs=unix-none", "vfs=unix-none"},
        {"file:" + file + "?nolock=1", "nolock=1"},
        {"file:" + file + "?immutable=1&mode=rwc", "immutable=1&mode=rwc"},
        {"FILE:" + file + "?locking_mode=NORMAL", "locking_mode=NORMAL"},
    };
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.location.toStdString());
        const auto opened = Database::open(c.location, Database::OpenMode::CreateIfMissing);
        EXPECT_FALSE(opened.db);
        EXPECT_EQ(opened.error, Database::OpenError::Refused);
        EXPECT_TRUE(opened.message.contains(QString::fromLatin1(c.why)))
            << opened.message.toStdString();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                  QStringList{});
    }
    QDir::setCurrent(cwd);
    EXPECT_EQ(locationProblem("file:" + file + "?vfs=unix-none"),
              "SQLite's options in a database location (vfs=unix-none) could turn off the "
              "locking that keeps the file safe for several programs: give the file's path "
              "alone");
    EXPECT_EQ(locationProblem(" "), "no database location was given");
    EXPECT_EQ(locationProblem(file), "");
}

// A file cut short (a full disk, a copy that stopped) is said to be damaged.
TEST(FileLocation, ATruncatedFileIsSaidToBeDamaged)
{
    QTemporaryDir dir;
    const QString path = damagedDatabase(dir);
    QFile f(path);
    ASSERT_TRUE(f.resize(f.size() / 3));
    const auto opened = openStartDatabase(path);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.failure().text,
              "The database file is damaged: database disk image is malformed");
}

// A server that cannot be reached again: every use fails with its reason, and no statement
// is run on the closed connection (Qt's warning about it each time).
TEST(ServerLocation, AClosedConnectionRunsNoStatement)
{
    TestDb t(Backend::PostgreSQL);
    t.addTest("t", {point(1, 1, 100, 300, 510)});
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { warnings << text; });
    const QString name = t.server->name();
    t.server->asOwner("ALTER DATABASE " + name + " ALLOW_CONNECTIONS false");
    t.server->asOwner("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" +
                      name + "'");
    TestRepository repo(*t.db);
    // The first write finds the connection ended; the next ones cannot open it again.
    EXPECT_TRUE(repo.insertPoints(1, {point(1, 2, 100, 300, 515)}).busy);
    std::vector<QString> failures;
    for (int i = 0; i < 2; ++i) {
        const DbResult r = repo.insertPoints(1, {point(1, 2, 100, 300, 515)});
        EXPECT_TRUE(r.busy);
        failures.push_back(r.error);
        failures.push_back(repo.tests().error());
        failures.push_back(t.db->exec("SELECT 1").error);
    }
    qInstallMessageHandler(previous);
    t.server->asOwner("ALTER DATABASE " + name + " ALLOW_CONNECTIONS true");
    for (const QString &f : failures)
        EXPECT_TRUE(f.contains("is not currently accepting connections")) << f.toStdString();
    EXPECT_EQ(warnings.join('\n').toStdString(), "");
    EXPECT_TRUE(repo.insertPoints(1, {point(1, 3, 100, 300, 520)}).ok);
}
