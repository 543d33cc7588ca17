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
