#include "store/Database.h"
#include "store/TestRepository.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDb.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace viscora;
using viscora::test::FailingStatements;
using viscora::test::must;
using viscora::test::ScriptedPrompter;
using viscora::test::TestDb;

namespace {

QStringList tablesOf(Database &db)
{
    QStringList t;
    QSqlQuery q(db.sql());
    q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"));
    while (q.next())
        t << q.value(0).toString();
    return t;
}

QStringList columnsOf(Database &db, const QString &table)
{
    QStringList c;
    QSqlQuery q(db.sql());
    q.exec(QStringLiteral("PRAGMA table_info(") + table + QStringLiteral(")"));
    while (q.next())
        c << q.value(1).toString();
    return c;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(Database, CreatesTheFourTablesInColumnOrder)
{
    QTemporaryDir dir;
    auto opened = Database::open(dir.filePath("k7400r.mdb"), Database::OpenMode::CreateIfMissing);
    ASSERT_TRUE(opened.db) << opened.message.toStdString();
    // The four tables, and ours beside them: test events, recordings, calibration records,
    // what is known of each test.
    EXPECT_EQ(tablesOf(*opened.db),
              (QStringList{"CalibrationChecks", "CalibrationFluids", "CalibrationReadings",
                           "FluidCertificates", "InstrumentPorts", "Instruments", "Recordings",
                           "RelatedInfo", "SequenceName", "SequenceSetup", "TestEvents",
                           "TestRecords", "TestResult"}));
    EXPECT_EQ(columnsOf(*opened.db, "RelatedInfo"),
              (QStringList{"TestId", "TestName", "MudId", "SampleTime", "CompanyName", "Desc"}));
    EXPECT_EQ(columnsOf(*opened.db, "TestResult"),
              (QStringList{"TestId", "StepNo", "Time", "Temperature", "Speed", "Shearstress", "Gel",
                           "Rbfactor"}));
    EXPECT_EQ(columnsOf(*opened.db, "SequenceName"),
              (QStringList{"SequenceId", "SequenceName", "Rbfactor"}));
    EXPECT_EQ(columnsOf(*opened.db, "SequenceSetup"),
              (QStringList{"SequenceId", "StepNo", "Time", "Temperature", "Speed", "RecordRate"}));
}

TEST(Database, EmptyFileGetsTablesAndMissingFileIsNotFound)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath("k7400r.mdb");
    writeFile(empty, {});
    auto opened = Database::open(empty, Database::OpenMode::MustExist);
    ASSERT_TRUE(opened.db);
    EXPECT_EQ(tablesOf(*opened.db).size(), 13);

    auto missing = Database::open(dir.filePath("nothere.mdb"), Database::OpenMode::MustExist);
    EXPECT_FALSE(missing.db);
    EXPECT_EQ(missing.error, Database::OpenError::NotFound);
    EXPECT_FALSE(QFile::exists(dir.filePath("nothere.mdb")));
}

TEST(Database, ForeignFileIsRefusedAndLeftAlone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("k7400r.mdb");
    const QByteArray junk = QByteArray("Standard Jet DB") + QByteArray(4096, '\x5a');
    writeFile(path, junk);
    auto opened = Database::open(path, Database::OpenMode::MustExist);
    EXPECT_FALSE(opened.db);
    EXPECT_EQ(opened.error, Database::OpenError::Other);
    EXPECT_FALSE(opened.message.isEmpty());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), junk);
}

TEST(Database, ReadOnlyFileWithoutTablesIsAnError)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes read-only files";
    QTemporaryDir dir;
    const QString path = dir.filePath("k7400r.mdb");
    writeFile(path, {});
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    auto opened = Database::open(path, Database::OpenMode::MustExist);
    EXPECT_FALSE(opened.db);
}

TEST(Database, LockedByAnotherProgramIsAClearError)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("k7400r.mdb");
    auto first = Database::open(path, Database::OpenMode::CreateIfMissing);
    ASSERT_TRUE(first.db);
    int id = 0;
    ASSERT_TRUE(TestRepository(*first.db).createHeader({"t", "", "", "", ""}, id).ok);
    QSqlQuery hold(first.db->sql());
    ASSERT_TRUE(hold.exec("BEGIN EXCLUSIVE"));
    auto second = Database::open(path, Database::OpenMode::MustExist, 100);
    if (second.db) { // the schema may already be readable; writing is what the lock stops
        const DbResult r = TestRepository(*second.db).deleteTest("t");
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.contains("locked")) << r.error.toStdString();
    } else {
        EXPECT_TRUE(second.message.contains("locked")) << second.message.toStdString();
    }
    hold.exec("ROLLBACK");
}

TEST(Database, TransactionRollsBackOnFailure)
{
    QTemporaryDir dir;
    auto opened = Database::open(dir.filePath("k7400r.mdb"), Database::OpenMode::CreateIfMissing);
    Database &db = *opened.db;
    const DbResult r = db.transaction([&] {
        QSqlQuery q(db.sql());
        q.exec("INSERT INTO SequenceName VALUES (1, 'a', 1)");
        return DbResult::failure("stop");
    });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "stop");
    QSqlQuery q(db.sql());
    q.exec("SELECT COUNT(*) FROM SequenceName");
    q.next();
    EXPECT_EQ(q.value(0).toInt(), 0);
}

TEST(FindFile, NameMatchesInAnyLetterCase)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("K7400r.MDB"), {});
    EXPECT_EQ(QFileInfo(findFileCaseInsensitive(dir.path(), "k7400r.mdb")).fileName(),
              "K7400r.MDB");
    EXPECT_TRUE(findFileCaseInsensitive(dir.path(), "other.mdb").isEmpty());
}

TEST(Database, AJournalThatCannotBeSetIsAClearError)
{
    // A file kept with the rollback journal, which another program is reading: it cannot be
    // switched to the write-ahead log meanwhile.
    QTemporaryDir dir;
    const QString path = dir.filePath("k7400r.mdb");
    auto reader = Database::open(path, Database::OpenMode::CreateIfMissing).db;
    ASSERT_TRUE(reader);
    ASSERT_TRUE(reader->exec("PRAGMA journal_mode=DELETE").ok);
    QSqlQuery read(reader->sql());
    ASSERT_TRUE(read.exec("BEGIN"));
    ASSERT_TRUE(read.exec("SELECT COUNT(*) FROM RelatedInfo") && read.next());
    const auto opened = Database::open(path, Database::OpenMode::MustExist, 50);
    EXPECT_FALSE(opened.db);
    EXPECT_EQ(opened.message, "database is locked");
    read.finish();
    ASSERT_TRUE(read.exec("ROLLBACK"));
    const auto later = Database::open(path, Database::OpenMode::MustExist, 50);
    ASSERT_TRUE(later.db) << later.message.toStdString();
    EXPECT_EQ(later.db->journal(), "wal");
}

TEST(Database, AWaitThatCannotBeSetBackIsNotKept)
{
    TestDb t;
    QSqlQuery timeout(t.db->sql());
    auto wait = [&] {
        return timeout.exec("PRAGMA busy_timeout") && timeout.next() ? timeout.value(0).toInt()
                                                                     : -1;
    };
    ASSERT_EQ(wait(), 3000);
    DbResult r;
    {
        const FailingStatements failing({"PRAGMA busy_timeout=3000"});
        r = t.db->transaction([] { return DbResult::success(); }, 0);
    }
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    timeout = QSqlQuery(t.db->sql());
    EXPECT_EQ(wait(), 3000);
}
