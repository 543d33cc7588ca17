// The database file shared with other programs: foreign and damaged files, the journal, and
// two programs naming tests at the same moment.

#include "core/Module1.h"
#include "store/Database.h"
#include "store/TestRepository.h"
#include "support/Must.h"
#include "support/TestDb.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>
#include <thread>

using namespace viscora;
using namespace viscora::test;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A database made by another program with a table of its own.
QString foreignDatabase(const QTemporaryDir &dir, const char *createSql)
{
    const QString path = dir.filePath("k7400r.mdb");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "foreign");
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QString::fromLatin1(createSql)));
        db.close();
    }
    QSqlDatabase::removeDatabase("foreign");
    return path;
}

} // namespace

TEST(DatabaseSafety, SomeoneElsesDatabaseIsRefusedAndNeverModified)
{
    QTemporaryDir dir;
    const QString path = foreignDatabase(dir, "CREATE TABLE Customers (Id INTEGER, Name TEXT)");
    const QByteArray before = fileBytes(path);
    auto opened = Database::open(path, Database::OpenMode::MustExist);
    EXPECT_FALSE(opened.db);
    EXPECT_EQ(opened.message, "The file is not a viscometer database: it holds other tables "
                              "(Customers) and none of the test tables. It was left unchanged.");
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_FALSE(QFile::exists(path + "-wal"));
}

TEST(DatabaseSafety, AFileWithSomeOfTheTablesGetsTheRest)
{
    QTemporaryDir dir;
    const QString path = foreignDatabase(
        dir, "CREATE TABLE RelatedInfo (TestId INTEGER, TestName TEXT, MudId TEXT, SampleTime "
             "TEXT, CompanyName TEXT, \"Desc\" TEXT)");
    auto opened = Database::open(path, Database::OpenMode::MustExist);
    ASSERT_TRUE(opened.db) << opened.message.toStdString();
    int id = 0;
    EXPECT_TRUE(TestRepository(*opened.db).createHeader({"t", "", "", "", ""}, id).ok);
    EXPECT_TRUE(TestRepository(*opened.db).insertPoints(id, {point(1, 1, 100, 300, 510)}).ok);
}

TEST(DatabaseSafety, LocalFilesUseTheWriteAheadLog)
{
    TestDb t;
    EXPECT_FALSE(t.db->network());
    EXPECT_EQ(t.db->journal(), "wal");
}

// One byte of the rows' index changed: another program's read of the test ends early without
// an error. Every read of the test's rows says the file is damaged instead of handing back
// the part; the tests beside it read whole.
TEST(DatabaseSafety, RowsCutShortByADamagedPageAreNeverTakenForTheTest)
{
    const struct {
        const char *what, *pageType;
        int offset;
        char mask;
    } cases[] = {
        {"the place of a leaf's first entry", "leaf", 9, '\x80'},
        {"the root's count of its pages", "internal", 4, '\x02'},
    };
    const QString damaged =
        QStringLiteral("The database file is damaged: the test's rows do not match their index.");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = silentlyDamagedDatabase(dir, c.pageType, c.offset, c.mask);
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "raw");
            raw.setDatabaseName(path);
            ASSERT_TRUE(raw.open());
            QSqlQuery q(raw);
            ASSERT_TRUE(q.exec("SELECT COUNT(*) FROM (SELECT Time FROM TestResult WHERE TestId=2 "
                               "ORDER BY StepNo, Time)"));
            ASSERT_TRUE(q.next());
            EXPECT_GT(q.value(0).toInt(), 0);
            EXPECT_LT(q.value(0).toInt(), 5000);
            q.finish();
            raw.close();
        }
        QSqlDatabase::removeDatabase("raw");

        auto opened = Database::open(path, Database::OpenMode::MustExist);
        ASSERT_TRUE(opened.db) << opened.message.toStdString();
        const TestRepository repo(*opened.db);
        const auto query =
            repo.queryRows(buildTestQuery(Units::EI, {}, false, QueryOrder::StepThenTime), "long");
        EXPECT_EQ(query.error(), damaged);
        EXPECT_EQ(repo.storedPoints("long").error(), damaged);
        EXPECT_EQ(repo.eachReportRow(2, 1.0, [](const ReportRow &) {}).error(), damaged);
        for (const char *beside : {"before", "after"})
            EXPECT_EQ(must(repo.storedPoints(beside)).size(), 10u) << beside;
        // The check of every page finds it too.
        EXPECT_FALSE(opened.db->integrityProblems().ok() &&
                     opened.db->integrityProblems()->isEmpty());
    }
}

TEST(DatabaseSafety, ADamagedFileIsNeverShownAsComplete)
{
    QTemporaryDir dir;
    const QString path = damagedDatabase(dir);

    QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
            ADD_FAILURE() << "Qt warned: " << text.toStdString();
        });
    auto opened = Database::open(path, Database::OpenMode::MustExist);
    ASSERT_TRUE(opened.db) << opened.message.toStdString();
    const auto rows =
        TestRepository(*opened.db)
            .queryRows(buildTestQuery(Units::EI, {}, false, QueryOrder::StepThenTime), "long");
    EXPECT_FALSE(rows.ok());
    EXPECT_TRUE(rows.error().startsWith("The database file is damaged: "))
        << rows.error().toStdString();
    // The check finds it too: a list of what is wrong, or a damaged file it cannot walk.
    const auto problems = opened.db->integrityProblems();
    if (problems.ok())
        EXPECT_FALSE(problems->isEmpty());
    else
        EXPECT_TRUE(problems.error().startsWith("The database file is damaged: "))
            << problems.error().toStdString();
    opened.db.reset();
    // A file that is no database at all: refused, and no warning about its connection.
    const QString junk = dir.filePath("junk.mdb");
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    j.write(QByteArray(8192, 'x'));
    j.close();
    EXPECT_FALSE(Database::open(junk, Database::OpenMode::MustExist).db);
    qInstallMessageHandler(previous);
}
