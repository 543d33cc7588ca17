// viscora-cli recording real-time tests while the instrument goes away and other programs use
// the same database file: the programs as built, over pseudo-terminals, on one real file.

#include "support/CliProcess.h"
#include "support/TestDb.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using namespace viscora;
using namespace viscora::test;

namespace {

// A running viscora-cli run whose output is collected as it comes.
struct Recording {
    QProcess process;
    QByteArray out, err;
    void start(const QStringList &args)
    {
        process.start(QStringLiteral(VISCORA_CLI_BIN), args);
        process.waitForStarted(kEventWaitMs);
    }
    void collect(int waitMs = 0)
    {
        process.waitForReadyRead(waitMs);
        out += process.readAllStandardOutput();
        err += process.readAllStandardError();
    }
    int rows() const { return static_cast<int>(out.count('\n')); }
    // Collects until the condition holds, or for kEventWaitMs at most.
    bool waitFor(const std::function<bool()> &condition)
    {
        QElapsedTimer t;
        t.start();
        while (!condition() && t.elapsed() < kEventWaitMs)
            collect(100);
        return condition();
    }
};

// The rows of a test as (step, time) pairs: what viscora-cli printed, or what was stored.
QSet<QString> printedRows(const QByteArray &out)
{
    QSet<QString> rows;
    for (const QByteArray &line : out.split('\n'))
        if (!line.isEmpty())
            rows << QString::fromLatin1(line.split('\t').mid(0, 2).join('\t'));
    return rows;
}

QSet<QString> storedRows(TestDb &t, const QString &name)
{
    QSet<QString> rows;
    QSqlQuery q(t.db->sql());
    q.prepare("SELECT StepNo, Time FROM TestResult WHERE TestId=(SELECT TestId FROM RelatedInfo "
              "WHERE TestName=?)");
    q.addBindValue(name);
    q.exec();
    while (q.next())
        rows << QString::number(q.value(0).toInt()) + '\t' + QString::number(q.value(1).toInt());
    return rows;
}

} // namespace

TEST(Resilience, AnUnpluggedInstrumentIsWaitedForAndTheRunGoesOnInTheSameTest)
{
    TestDb t;
    t.db.reset();
    const QString link = t.dir.filePath("ttyK7400R"), state = t.dir.filePath("sim.state");
    const QStringList simArgs{"--rate", "10", "--link", link, "--state", state};
    auto sim = std::make_unique<Simulator>(simArgs);
    ASSERT_FALSE(sim->device.isEmpty());
    const QStringList base{"--db", t.path, "--port", link};
    ASSERT_EQ(runCli(base + QStringList{"new-sequence", "Long", "120,150,300,1"}).code, 0);

    Recording r;
    r.start(base + QStringList{"run", "Long", "Unplugged", "--reconnect-timeout", "600"});
    ASSERT_TRUE(r.waitFor([&] { return r.rows() >= 5; })) << r.err.toStdString();
    const int before = r.rows();
    // The adapter is pulled: the simulator dies with its device.
    sim->process.kill();
    sim->process.waitForFinished(kEventWaitMs);
    ASSERT_TRUE(r.waitFor([&] { return r.err.contains("Connection to the instrument lost"); }))
        << r.err.toStdString();
    // Plugged in again: the instrument ran on meanwhile.
    sim = std::make_unique<Simulator>(simArgs);
    ASSERT_FALSE(sim->device.isEmpty());
    ASSERT_TRUE(r.waitFor([&] { return r.rows() >= before + 5; })) << r.err.toStdString();
    ::kill(static_cast<pid_t>(r.process.processId()), SIGINT);
    ASSERT_TRUE(r.process.waitForFinished(kEventWaitMs));
    r.collect();
    EXPECT_EQ(r.process.exitCode(), 0) << r.err.toStdString();

    t.db = Database::open(t.path, Database::OpenMode::MustExist).db;
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM RelatedInfo").toInt(), 1);
    EXPECT_EQ(storedRows(t, "Unplugged"), printedRows(r.out));
    const auto events = must(TestRepository(*t.db).events("Unplugged"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, "gap");
    EXPECT_TRUE(events[0].text.startsWith("No record reached the program from "));
    EXPECT_GT(events[0].time, before); // after the rows printed before the adapter was pulled
}

TEST(Resilience, AnInstrumentGoneForGoodIsGivenUpWithTheRowsKept)
{
    TestDb t;
    t.db.reset();
    const QString link = t.dir.filePath("ttyK7400R");
    auto sim = std::make_unique<Simulator>(QStringList{"--rate", "10", "--link", link});
    ASSERT_FALSE(sim->device.isEmpty());
    const QStringList base{"--db", t.path, "--port", link};
    ASSERT_EQ(runCli(base + QStringList{"new-sequence", "Long", "120,150,300,1"}).code, 0);
    Recording r;
    r.start(base + QStringList{"run", "Long", "Gone", "--reconnect-timeout", "2"});
    ASSERT_TRUE(r.waitFor([&] { return r.rows() >= 3; })) << r.err.toStdString();
    sim.reset();
    ASSERT_TRUE(r.process.waitForFinished(kEventWaitMs));
    r.collect();
    EXPECT_EQ(r.process.exitCode(), 1);
    EXPECT_TRUE(r.err.contains("Connection to the instrument lost — reconnecting…"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Communication Error: The instrument did not come back within 2 s; "
                               "the run is given up. The rows stored so far are kept."))
        << r.err.toStdString();
    t.db = Database::open(t.path, Database::OpenMode::MustExist).db;
    EXPECT_EQ(storedRows(t, "Gone"), printedRows(r.out));
    EXPECT_GE(storedRows(t, "Gone").size(), 3);
}

// Four recordings and a loop of deletes that renumber them, against one file for a minute:
// every printed row is stored in its own test, the ids stay dense, the file stays sound.
class ResilienceOn : public ::testing::TestWithParam<Backend> {};
INSTANTIATE_TEST_SUITE_P(Backends, ResilienceOn, kBothBackends, backendName);

// On a file, or on a server the lab shares: the same rule holds.
TEST_P(ResilienceOn, FourRecordingsAndADeleteLoopKeepEveryRowInItsOwnTest)
{
    TestDb t(GetParam());
    for (int i = 0; i < 300; ++i)
        t.addTest(QStringLiteral("filler %1").arg(i), {point(1, 1, 100, 300, 510)});
    t.db.reset();
    std::vector<std::unique_ptr<Simulator>> sims;
    std::vector<std::unique_ptr<Recording>> runs;
    ASSERT_EQ(runCli({"--db", t.path, "new-sequence", "Minute", "600,150,300,1"}).code, 0);
    for (int i = 0; i < 4; ++i) {
        const QString link = t.dir.filePath(QStringLiteral("tty%1").arg(i));
        sims.push_back(std::make_unique<Simulator>(QStringList{"--rate", "10", "--link", link}));
        ASSERT_FALSE(sims.back()->device.isEmpty());
        runs.push_back(std::make_unique<Recording>());
        runs.back()->start({"--db", t.path, "--port", link, "run", "Minute",
                            QStringLiteral("Recording %1").arg(i)});
    }
    auto anyRunning = [&] {
        for (auto &r : runs)
            if (r->process.state() != QProcess::NotRunning)
                return true;
        return false;
    };
    int deleted = 0;
    QElapsedTimer clock;
    clock.start();
    while (anyRunning() && clock.elapsed() < 2 * kEventWaitMs) {
        if (deleted < 300) {
            const ProcessResult d =
                runCli({"--db", t.path, "delete", QStringLiteral("filler %1").arg(deleted)});
            EXPECT_EQ(d.code, 0) << d.err.toStdString();
            ++deleted;
        }
        // Once the deletes are done, each pass waits for a run to print.
        for (auto &r : runs)
            r->collect(deleted < 300 ? 0 : 50);
    }
    for (auto &r : runs) {
        r->process.waitForFinished(kEventWaitMs);
        r->collect();
        EXPECT_EQ(r->process.exitCode(), 0) << r->err.toStdString();
    }
    EXPECT_GT(deleted, 100);

    t.db = Database::open(t.path, Database::OpenMode::MustExist).db;
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("Recording %1").arg(i);
        const QSet<QString> printed = printedRows(runs[static_cast<size_t>(i)]->out);
        EXPECT_GE(printed.size(), 590) << name.toStdString();
        EXPECT_EQ(storedRows(t, name), printed) << name.toStdString();
    }
    const int tests = t.scalar("SELECT COUNT(*) FROM RelatedInfo").toInt();
    EXPECT_EQ(t.scalar("SELECT COUNT(DISTINCT TestId) FROM RelatedInfo").toInt(), tests);
    EXPECT_EQ(t.scalar("SELECT MIN(TestId) FROM RelatedInfo").toInt(), 1);
    EXPECT_EQ(t.scalar("SELECT MAX(TestId) FROM RelatedInfo").toInt(), tests);
    // No row belongs to a test that is not there.
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM TestResult WHERE TestId NOT IN (SELECT TestId FROM "
                       "RelatedInfo)")
                  .toInt(),
              0);
    EXPECT_EQ(runCli({"--db", t.path, "check"}).out, "ok\n");
}
