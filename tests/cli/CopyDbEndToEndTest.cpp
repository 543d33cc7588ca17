// viscora-cli copy-db as built, between files and a database on the test run's server.

#include "store/SequenceRepository.h"
#include "support/CliProcess.h"
#include "support/TestDb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace viscora;
using namespace viscora::test;

namespace {

// A file of two tests and a sequence, the second test's name quoted.
void fill(TestDb &t)
{
    t.addTest("A", {point(1, 10, 100.5, 300, 510.25), point(2, 20, 1.0 / 3, 600, 700)});
    t.addTest("Mud \"7\" 'x'", {point(1, 5, 80, 3, 20, 5, 2)});
    int id = 0;
    ASSERT_TRUE(SequenceRepository(*t.db)
                    .createSequence("Quick", 1, {{1, 600, 100, 100, 10}, {2, 30, 150, 300, 5}}, id)
                    .ok);
}

} // namespace

TEST(CopyDbEndToEnd, FileToServerAndBackShowsTheSameTests)
{
    TestDb file, server(Backend::PostgreSQL), back;
    fill(file);
    server.addTest("A", {point(1, 1, 100, 300, 500)});
    back.db.reset();
    QFile::remove(back.path); // made by the copy

    ProcessResult r = runCli({"copy-db", file.path, server.path});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Copied 2 tests (3 points, 0 events) and 1 sequence (2 steps) into " +
                         server.path + ".\n");
    // Each line over the last, padded where it is shorter; a newline at the end.
    EXPECT_EQ(r.err.toStdString(), "\rCopying test 1 of 2: A\rCopying test 2 of 2: Mud \"7\" 'x'"
                                   "\rCopying sequence 1 of 1: Quick  \n");
    EXPECT_EQ(runCli({"--db", server.path, "tests"}).out, "1\tA\n2\tA (2)\n3\tMud \"7\" 'x'\n");

    r = runCli({"copy-db", server.path, back.path});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Copied 3 tests (4 points, 0 events) and 1 sequence (2 steps) into " +
                         back.path + ".\n");
    // Every digit of the grid as the file showed it, through the server and back.
    for (const auto &[original, copied] :
         {std::pair{"A", "A (2)"}, std::pair{"Mud \"7\" 'x'", "Mud \"7\" 'x'"}}) {
        const ProcessResult shown = runCli({"--db", file.path, "show", original});
        ASSERT_EQ(shown.code, 0) << shown.err.toStdString();
        EXPECT_EQ(runCli({"--db", back.path, "show", copied}).out, shown.out) << copied;
    }
    EXPECT_EQ(runCli({"--db", back.path, "steps", "Quick"}).out,
              runCli({"--db", file.path, "steps", "Quick"}).out);
}

TEST(CopyDbEndToEnd, FailuresSayWhyExitOneAndLeaveNothingBehind)
{
    TestDb from, to(Backend::PostgreSQL);
    fill(from);
    to.addTest("B", {point(1, 1, 100, 300, 500)});
    const QString missing = from.dir.filePath("missing.mdb");
    const QString made = from.dir.filePath("new.mdb");
    struct Case {
        QStringList args;
        QString err;
    } cases[] = {
        {{"copy-db", from.path, from.path},
         "Database Error: A database cannot be copied into itself. Nothing was copied from " +
             from.path + " into " + from.path + ".\n"},
        {{"copy-db", from.path, "postgresql://lab:secret@/viscora?host=/tmp"},
         "Database Error: The database to copy into could not be opened: a password does not "
         "belong in the database location, where others can read it: put it in ~/.pgpass or "
         "PGPASSWORD (postgresql://lab@/viscora?host=/tmp)\n"},
        {{"copy-db", missing, made},
         "Database Error: The database to copy (" + missing +
             ") could not be opened: Could not find file '" + missing + "'.\n"},
    };
    QTemporaryDir work;
    for (const Case &c : cases) {
        QProcess p;
        p.setWorkingDirectory(work.path());
        p.start(QStringLiteral(VISCORA_CLI_BIN), c.args);
        ASSERT_TRUE(p.waitForFinished(kEventWaitMs));
        EXPECT_EQ(p.exitCode(), 1);
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()), c.err);
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    }
    // No database was made on the way: neither the missing target nor one in the folder.
    EXPECT_FALSE(QFile::exists(made));
    EXPECT_TRUE(QDir(work.path()).isEmpty());

    // Points of no test in the target would join a copied test: the counts read back differ.
    ASSERT_TRUE(to.exec("INSERT INTO TestResult VALUES (2, 1, 1, 100, 300, 510, 0, 1)"));
    const ProcessResult r = runCli({"copy-db", from.path, to.path});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.endsWith(
        "Database Error: The copy does not match what was read: 2 tests (3 points, 0 events) and "
        "1 sequence (2 steps) were read, but the target holds 2 tests (4 points, 0 events) and 1 "
        "sequence (2 steps). Nothing was copied from " +
        from.path + " into " + to.path + ".\n"))
        << r.err.toStdString();
    EXPECT_EQ(runCli({"--db", to.path, "tests"}).out, "1\tB\n");
    EXPECT_EQ(runCli({"copy-db", from.path}).code, 2);
}

TEST(CopyDbEndToEnd, AnInterruptStopsTheCopyWithNothingWritten)
{
    TestDb from;
    std::vector<StoredPoint> many;
    for (int i = 0; i < 100000; ++i)
        many.push_back(point(1 + i / 1000, i % 1000, 100, 300, 510));
    from.addTest("long", many);
    const QString into = from.dir.filePath("into.mdb");
    QProcess p;
    p.start(QStringLiteral(VISCORA_CLI_BIN), {"copy-db", from.path, into});
    p.setReadChannel(QProcess::StandardError);
    ASSERT_TRUE(p.waitForReadyRead(kEventWaitMs)); // the first progress line: the copy has begun
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(kEventWaitMs));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError())
                    .endsWith("\nDatabase Error: The copy was stopped. Nothing was copied from " +
                              from.path + " into " + into + ".\n"));
    EXPECT_FALSE(QFile::exists(into));
}
