// A running test against what goes wrong around it: other programs using the database, a
// busy file, an instrument that vanishes and comes back, a noisy line.

#include "core/Module1.h"
#include "realtime/Acquisition.h"
#include "realtime/RealTestNaming.h"
#include "review/TestQueries.h"
#include "store/Recordings.h"
#include "support/FakeClock.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace viscora;
using namespace viscora::test;

namespace {

std::string record(int step, int time, int stress = 100, int rb = 1)
{
    return std::to_string(step) + "," + std::to_string(time) + ",150," + std::to_string(stress) +
           ",0,30000," + std::to_string(rb) + "\x1a";
}

// A recording named "B" after a test "A", and a second connection to the same file: another
// program using the database at the same time.
struct Fixture {
    explicit Fixture(Backend backend = Backend::SQLite);
    TestDb t;
    std::unique_ptr<Database> other;
    Module1 m;
    ScriptedPrompter p;
    FakeClock clock{36000.0, 0.05};
    ScriptedPort port{clock};
    TestRepository repo{*t.db};
    Acquisition acq{m, port, clock, repo, p};
    std::vector<std::string> statuses;
    std::vector<StoredPoint> printed;

    void init()
    {
        t.addTest("A", {point(1, 1, 100, 300, 510)});
        other = Database::open(t.path, Database::OpenMode::MustExist, 50).db;
        m.SequenceSent = true;
        RealTestNaming naming(repo, p);
        EXPECT_EQ(naming.ok({{"B", "", "", "", ""}, false, "", ""}), NamingOutcome::Created);
        m.RelatedOk = true;
        m.nameRun(naming.created()->id, std::nullopt);
        acq.setNamed(true);
        acq.setTestName("B");
        acq.setSteps({{1, 100, 150, 300, 1}, {2, 100, 150, 300, 1}});
        acq.onStatus = [this](const std::string &s) { statuses.push_back(s); };
        acq.onStored = [this](const StoredPoint &pt) { printed.push_back(pt); };
        // The instrument's first record is the start reply.
        port.onWrite = [this](const std::string &b) {
            if (b == "\x05")
                port.deliver(record(1, 1), clock.now + 1.0);
        };
    }
    PollResult tick(const std::string &bytes = {})
    {
        port.deliver(bytes, clock.now);
        clock.now += 1.0;
        return acq.poll();
    }
    int rowsOf(const char *name)
    {
        QSqlQuery q(t.db->sql());
        q.prepare("SELECT COUNT(*) FROM TestResult WHERE TestId=(SELECT TestId FROM RelatedInfo "
                  "WHERE TestName=?)");
        q.addBindValue(QString::fromLatin1(name));
        return q.exec() && q.next() ? q.value(0).toInt() : -1;
    }
    bool otherExec(const char *sql)
    {
        QSqlQuery q(other->sql());
        return q.exec(QString::fromLatin1(sql));
    }
    // While the database cannot be written, records 3 to 5 arrive and wait in memory.
    void threeRowsWaitForTheDatabase()
    {
        PollResult r = tick(record(1, 3));
        EXPECT_FALSE(r.failed);
        EXPECT_EQ(r.held, 1u);
        r = tick(record(1, 4) + record(1, 5));
        EXPECT_EQ(r.held, 3u);
        EXPECT_TRUE(acq.running());
        EXPECT_EQ(statuses.back(), "Waiting for the database: 3 rows held");
    }
    // The other program takes the writers' lock and keeps it until its COMMIT or ROLLBACK.
    bool otherHoldsTheWriteLock()
    {
        for (const QString &s : other->dialect().beginWrite(50))
            if (!QSqlQuery(other->sql()).exec(s))
                return false;
        return true;
    }
};

Fixture::Fixture(Backend backend) : t(backend) { init(); }

class RobustAcquisitionOn : public ::testing::TestWithParam<Backend> {};
INSTANTIATE_TEST_SUITE_P(Backends, RobustAcquisitionOn, kBothBackends, backendName);

} // namespace

TEST_P(RobustAcquisitionOn, RowsLandInTheirOwnTestWhateverIsRenumbered)
{
    Fixture f(GetParam());
    ASSERT_TRUE(f.acq.start());
    EXPECT_EQ(f.acq.runTestId(), 2);
    f.tick(record(1, 2));
    // Another program deletes test A: B moves from id 2 to id 1 while it is being recorded.
    ASSERT_TRUE(TestRepository(*f.other).deleteTest("A").ok);
    f.tick(record(1, 3));
    f.tick(record(1, 4));
    EXPECT_EQ(f.rowsOf("B"), 4);
    EXPECT_EQ(f.t.scalar("SELECT COUNT(*) FROM TestResult").toInt(), 4);
    EXPECT_EQ(f.t.scalar("SELECT MAX(TestId) FROM TestResult").toInt(), 1);
    EXPECT_EQ(f.printed.size(), 4u);

    // The test being recorded is not deleted, by this program or another.
    for (Database *db : {f.t.db.get(), f.other.get()}) {
        const DbResult r = TestRepository(*db).deleteTest("B");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "the test \"B\" is being recorded; it can be deleted once its "
                           "recording has ended");
    }
    ASSERT_TRUE(f.acq.stop());
    EXPECT_TRUE(TestRepository(*f.other).deleteTest("B").ok);
}

// A recording is known by the lock it holds, not by the clock: one whose heartbeat looks
// stale (another machine's clock behind, a database busy for minutes) still keeps its test,
// and one that died (its lock gone with it) keeps nothing, however fresh its row looks.
TEST_P(RobustAcquisitionOn, ARecordingIsKnownByItsLockNotByTheClock)
{
    Fixture f(GetParam());
    ASSERT_TRUE(Recordings(*f.t.db).begin("A").ok);
    EXPECT_FALSE(TestRepository(*f.other).deleteTest("A").ok);
    ASSERT_TRUE(f.otherExec("UPDATE Recordings SET Heartbeat = Heartbeat - 300"));
    EXPECT_TRUE(*Recordings(*f.other).isRecorded("A"));
    // Another database (on the same server) and its own test of that name are not held.
    TestDb elsewhere(GetParam());
    EXPECT_FALSE(*Recordings(*elsewhere.db).isRecorded("A"));
    EXPECT_FALSE(TestRepository(*f.other).deleteTest("A").ok);
    ASSERT_TRUE(Recordings(*f.t.db).end("A").ok);

    // What a recording killed mid-run leaves: its row, fresh, and no lock.
    ASSERT_TRUE(f.otherExec("INSERT INTO Recordings (TestName, Host, Pid, Heartbeat) "
                            "VALUES ('A', 'elsewhere', 1, 9e12)"));
    EXPECT_FALSE(*Recordings(*f.other).isRecorded("A"));
    EXPECT_TRUE(TestRepository(*f.other).deleteTest("A").ok);
}

// The mark that keeps a running test from being deleted is made, renewed and taken away even
// when the database is busy at that moment: each is tried again on the next tick.
TEST_P(RobustAcquisitionOn, TheRecordingMarkSurvivesABusyDatabase)
{
    Fixture f(GetParam());
    // Busy at the start: the run goes on, kept by its lock at once; its row is written once
    // the database is free.
    ASSERT_TRUE(f.otherHoldsTheWriteLock());
    ASSERT_TRUE(f.acq.start());
    EXPECT_TRUE(*Recordings(*f.other).isRecorded("B"));
    EXPECT_EQ(f.t.scalar("SELECT COUNT(*) FROM Recordings WHERE TestName='B'").toInt(), 0);
    ASSERT_TRUE(f.otherExec("COMMIT"));
    f.tick(record(1, 2));
    EXPECT_EQ(f.t.scalar("SELECT COUNT(*) FROM Recordings WHERE TestName='B'").toInt(), 1);
    EXPECT_TRUE(*Recordings(*f.other).isRecorded("B"));

    // A heartbeat due while the lock is held is renewed as soon as it is free, not a whole
    // beat later: the mark never goes stale meanwhile.
    for (int i = 0; i < 9; ++i)
        f.tick(record(1, 3 + i));
    ASSERT_TRUE(f.otherHoldsTheWriteLock());
    f.tick(record(1, 12));
    f.tick(record(1, 13));
    ASSERT_TRUE(f.otherExec("UPDATE Recordings SET Heartbeat = Heartbeat - 121"));
    ASSERT_TRUE(f.otherExec("COMMIT"));
    f.tick(record(1, 14));
    EXPECT_TRUE(*Recordings(*f.other).isRecorded("B"));

    // Ended while the lock is held: the mark goes once the lock does.
    ASSERT_TRUE(f.otherHoldsTheWriteLock());
    ASSERT_TRUE(f.acq.stop());
    EXPECT_TRUE(f.acq.holding());
    ASSERT_TRUE(f.otherExec("COMMIT"));
    f.tick();
    EXPECT_FALSE(f.acq.holding());
    EXPECT_FALSE(*Recordings(*f.other).isRecorded("B"));
    EXPECT_TRUE(f.p.shown.empty());
}

// A mark that cannot be made for another reason than a busy database stops the test at once,
// before a row is recorded unprotected.
TEST(RobustAcquisition, AMarkThatCannotBeMadeStopsTheTest)
{
    Fixture f;
    ASSERT_TRUE(f.t.exec("CREATE TRIGGER nomark BEFORE INSERT ON Recordings "
                         "BEGIN SELECT RAISE(ABORT, 'no room for the mark'); END"));
    EXPECT_FALSE(f.acq.start());
    EXPECT_FALSE(f.acq.running());
    ASSERT_FALSE(f.p.shown.empty());
    EXPECT_EQ(f.p.shown.back().text,
              "The test could not be saved and was stopped: no room for the mark");
    EXPECT_EQ(f.port.writes.back().bytes, "\x06");
}

TEST_P(RobustAcquisitionOn, ABusyDatabaseHoldsRowsInsteadOfFailing)
{
    Fixture f(GetParam());
    ASSERT_TRUE(f.acq.start());
    f.tick(record(1, 2));
    ASSERT_TRUE(f.otherHoldsTheWriteLock());
    f.threeRowsWaitForTheDatabase();
    EXPECT_EQ(f.printed.size(), 2u); // printed once stored, not before
    ASSERT_TRUE(f.otherExec("COMMIT"));
    const PollResult r = f.tick(record(1, 6));
    EXPECT_EQ(r.held, 0u);
    EXPECT_EQ(r.stored, 4);
    EXPECT_EQ(f.rowsOf("B"), 6);
    EXPECT_EQ(f.statuses.back(), "Test in progress ...");
    EXPECT_TRUE(f.p.shown.empty());

    // Rows held when the test ends are written once the file frees.
    ASSERT_TRUE(f.otherHoldsTheWriteLock());
    f.tick(record(1, 7));
    f.tick("\x08");
    // Early in the sequence: the end once no record follows it for a while.
    for (int i = 0; i < 6; ++i)
        f.tick();
    EXPECT_FALSE(f.acq.running());
    EXPECT_TRUE(f.acq.holding());
    ASSERT_TRUE(f.otherExec("COMMIT"));
    f.tick();
    EXPECT_FALSE(f.acq.holding());
    EXPECT_EQ(f.rowsOf("B"), 7);
}

TEST(RobustAcquisition, ALostInstrumentIsReconnectedAndTheGapRecorded)
{
    Fixture f;
    ASSERT_TRUE(f.acq.start());
    f.tick(record(1, 2));
    // The adapter is pulled: nothing arrives, and the device cannot be opened.
    f.port.failOpen = true;
    PollResult r;
    int ticks = 0;
    while (!r.connectionLost && ticks++ < 60)
        r = f.tick();
    // No record for 30 s beyond the step's one-second record interval.
    EXPECT_EQ(ticks, 32);
    EXPECT_EQ(f.statuses.back(), "Connection to the instrument lost — reconnecting…");
    EXPECT_FALSE(f.port.isOpen());
    EXPECT_TRUE(f.acq.running());
    const int opensBefore = f.port.opens;
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(f.tick().connectionLost);
    EXPECT_EQ(f.port.opens - opensBefore, 5); // one attempt a second
    EXPECT_NEAR(*f.acq.lostFor(), 5, 0.5);
    // It comes back; the instrument kept running and goes on with its records.
    f.port.failOpen = false;
    r = f.tick();
    EXPECT_FALSE(r.connectionLost);
    EXPECT_EQ(f.statuses.back(), "Test in progress ...");
    f.tick(record(1, 45));
    f.tick(record(1, 46));
    EXPECT_EQ(f.rowsOf("B"), 4);
    const auto events = must(f.repo.events("B"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, "gap");
    EXPECT_EQ(events[0].time, 45); // the running time of the first row after the gap
    EXPECT_EQ(events[0].text.toStdString(),
              "No record reached the program from 10:00:04 to 10:00:43.");
    EXPECT_TRUE(f.p.shown.empty());
}

// The window and the CLI share one patience: a lost instrument is waited for, then the run is
// given up, said once, its rows kept.
TEST(RobustAcquisition, AnInstrumentLostForGoodIsGivenUpAfterTheWait)
{
    Fixture f;
    f.acq.setGiveUpAfter(10);
    ASSERT_TRUE(f.acq.start());
    f.tick(record(1, 2));
    f.port.failOpen = true;
    PollResult r;
    int ticks = 0;
    while (!r.failed && ticks++ < 100)
        r = f.tick();
    EXPECT_TRUE(r.failed);
    EXPECT_TRUE(r.connectionLost);
    EXPECT_FALSE(f.acq.running());
    EXPECT_EQ(ticks, 32 + 11); // noticed after 30 s of silence, given up 10 s later
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].title, "Communication Error");
    EXPECT_EQ(f.p.shown[0].text, "The instrument did not come back within 10 s; the run is given "
                                 "up. The rows stored so far are kept.");
    EXPECT_EQ(f.rowsOf("B"), 2);
    EXPECT_EQ(Acquisition::kGiveUpAfter, 600);
}

TEST(RobustAcquisition, AVanishedDeviceIsNoticedAtOnceAndStopEndsTheRun)
{
    Fixture f;
    ASSERT_TRUE(f.acq.start());
    f.tick(record(1, 2));
    f.port.brokenNow = true; // the far end closed: the next read fails
    EXPECT_TRUE(f.tick().connectionLost);
    f.port.failOpen = true;
    EXPECT_TRUE(f.tick().connectionLost);
    // The operator stops: the run ends with its rows, though nobody could tell the instrument.
    EXPECT_FALSE(f.acq.stop());
    EXPECT_FALSE(f.acq.running());
    EXPECT_TRUE(f.p.shown.empty());
    EXPECT_EQ(f.rowsOf("B"), 2);
    EXPECT_TRUE(TestRepository(*f.other).deleteTest("B").ok); // no longer being recorded
}

TEST(RobustAcquisition, SilenceAfterTheLastStepIsTheEndAndNoiseIsCounted)
{
    Fixture f;
    f.acq.setSteps({{1, 3, 150, 300, 1}});
    ASSERT_TRUE(f.acq.start());
    f.tick("\x01\x7f\x1a");
    f.tick("garbage\x1a" + record(1, 2));
    f.tick(record(1, 3));
    // The end byte is lost in the line: the records stop after the sequence's time.
    PollResult r;
    for (int i = 0; i < 40 && !r.finished; ++i)
        r = f.tick();
    EXPECT_TRUE(r.finished);
    EXPECT_FALSE(r.connectionLost);
    EXPECT_EQ(f.p.shown.back().text, "Test is finished.");
    EXPECT_EQ(f.acq.spoiledRecords(), 2);
    EXPECT_EQ(f.statuses.back(), "2 records were spoiled by line noise and skipped.");
}

// The file removed, replaced or cut under a running recording: the run stops without writing
// into whatever is there now, never says it finished, and its rows are kept in a file beside.
TEST(RobustAcquisition, ADatabaseFileThatGoesAwayStopsTheRunWithItsRowsKept)
{
    const struct {
        const char *why;
        std::function<void(const QString &path)> act;
    } cases[] = {
        {"removed", [](const QString &path) { ASSERT_TRUE(QFile::remove(path)); }},
        {"replaced by another file",
         [](const QString &path) {
             QFile other(path + ".other");
             ASSERT_TRUE(other.open(QIODevice::WriteOnly));
             other.write("someone else's file");
             other.close();
             ASSERT_EQ(::rename((path + ".other").toLocal8Bit().constData(),
                                path.toLocal8Bit().constData()),
                       0);
         }},
        {"truncated", [](const QString &path) { ASSERT_TRUE(QFile::resize(path, 0)); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        Fixture f;
        ASSERT_TRUE(f.acq.start());
        f.tick(record(1, 2));
        f.tick(record(1, 3));
        c.act(f.t.path);
        const QByteArray now = QFileInfo::exists(f.t.path) ? [&] {
            QFile in(f.t.path);
            return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
        }() : QByteArray();
        const PollResult r = f.tick(record(1, 4));
        EXPECT_TRUE(r.failed);
        EXPECT_FALSE(f.acq.running());
        EXPECT_FALSE(f.acq.holding());
        EXPECT_EQ(f.port.writes.back().bytes, "\x06");
        const QString kept = f.t.dir.filePath("B.rescued.csv");
        ASSERT_FALSE(f.p.shown.empty());
        EXPECT_EQ(f.p.shown.back().text,
                  "The database file was " + std::string(c.why) +
                      " while the test was recorded: the test was stopped. Its 3 rows are kept "
                      "in " +
                      kept.toStdString() + ".");
        EXPECT_EQ(f.p.shown.back().title, "Database Error");
        QFile rows(kept);
        ASSERT_TRUE(rows.open(QIODevice::ReadOnly));
        EXPECT_EQ(rows.readAll(), "StepNo,Time,Temperature,Speed,Shearstress,Gel,Rbfactor\n"
                                  "1,1,150,300,100,0,1\n1,2,150,300,100,0,1\n"
                                  "1,3,150,300,100,0,1\n");
        // Nothing more goes into what is there now, and no end is reported as success.
        f.tick(record(1, 5));
        f.tick("\x08");
        f.tick();
        if (QFileInfo::exists(f.t.path)) {
            QFile in(f.t.path);
            ASSERT_TRUE(in.open(QIODevice::ReadOnly));
            EXPECT_EQ(in.readAll(), now);
        }
        for (const auto &shown : f.p.shown)
            EXPECT_NE(shown.text, "Test is finished.");
    }
}

// An end byte long before the sequence's time is over, with records after it, is the line's:
// counted with the spoiled records, and the test goes on.
TEST(RobustAcquisition, AStrayEndByteBetweenRecordsIsNoise)
{
    Fixture f;
    f.acq.setSteps({{1, 240, 150, 300, 1}});
    ASSERT_TRUE(f.acq.start());
    for (int s = 2; s <= 36; ++s)
        f.tick(record(1, s));
    f.tick("\x08");
    EXPECT_FALSE(f.tick().finished);
    EXPECT_FALSE(f.tick(record(1, 38)).finished);
    f.tick(record(1, 39));
    EXPECT_TRUE(f.acq.running());
    EXPECT_EQ(f.acq.spoiledRecords(), 1);
    EXPECT_EQ(f.rowsOf("B"), 38);
    EXPECT_TRUE(f.p.shown.empty());
}

// With nothing after it, an early end byte is the end: the test was stopped at the instrument.
// Noise before the end byte does not hide it.
TEST(RobustAcquisition, AnEarlyEndByteWithNothingAfterItEndsTheTest)
{
    for (const std::string before : {"", "\x83\x91"}) {
        Fixture f;
        f.acq.setSteps({{1, 240, 150, 300, 1}});
        ASSERT_TRUE(f.acq.start());
        f.tick(record(1, 2) + before);
        f.tick("\x08");
        PollResult r;
        int ticks = 0;
        for (; ticks < 10 && !r.finished; ++ticks)
            r = f.tick();
        EXPECT_TRUE(r.finished) << before.size();
        EXPECT_EQ(ticks, 6); // the end byte seen, then 5 s without a record
        EXPECT_EQ(f.p.shown.back().text, "Test is finished.");
    }
    // At the sequence's end, the end byte ends the test at once, noise or not.
    Fixture f;
    f.acq.setSteps({{1, 3, 150, 300, 1}});
    ASSERT_TRUE(f.acq.start());
    f.tick(record(1, 2));
    f.tick(record(1, 3) + "\x83\x91");
    f.tick("\x08");
    EXPECT_TRUE(f.tick().finished);
}

// Garbage before a record spoils only itself: the record is read from its own start. A record
// of a step the sequence does not have is spoiled.
TEST(RobustAcquisition, NoiseBeforeARecordSpoilsNothingButItself)
{
    Fixture f;
    f.acq.setSteps({{1, 100, 150, 300, 1}});
    ASSERT_TRUE(f.acq.start());
    const char *noise[] = {"\x83\x02", "abc", ",,\x7f", "12;", "\x1a\x1a"};
    int second = 1;
    for (const char *n : noise)
        f.tick(n + record(1, ++second));
    f.tick("7" + record(1, ++second)); // reads as step 71
    EXPECT_EQ(f.rowsOf("B"), 6);
    EXPECT_EQ(f.acq.spoiledRecords(), 3); // two empty records, step 71
}

// A line that brings only garbage is noise, not a lost instrument.
TEST(RobustAcquisition, ALineOfOnlyNoiseIsNotALostInstrument)
{
    Fixture f;
    f.acq.setSteps({{1, 600, 150, 300, 1}});
    ASSERT_TRUE(f.acq.start());
    PollResult r;
    for (int i = 0; i < 40; ++i)
        r = f.tick("\x83\x91\x22");
    EXPECT_FALSE(r.connectionLost);
    EXPECT_TRUE(f.acq.running());
    EXPECT_TRUE(
        f.statuses.back().starts_with("Only line noise from the instrument: no record for "))
        << f.statuses.back();
    // Silence is still a lost instrument.
    for (int i = 0; i < 40 && !r.connectionLost; ++i)
        r = f.tick();
    EXPECT_TRUE(r.connectionLost);
}

TEST_P(RobustAcquisitionOn, TestIdsAboveThirtyTwoThousandDoNotWrap)
{
    Fixture f(GetParam());
    ASSERT_TRUE(f.t.exec("UPDATE RelatedInfo SET TestId=32767 WHERE TestName='B'"));
    RealTestNaming naming(f.repo, f.p);
    ASSERT_EQ(naming.ok({{"C", "", "", "", ""}, false, "", ""}), NamingOutcome::Created);
    EXPECT_EQ(naming.created()->id, 32768);
    f.m.nameRun(32768, std::nullopt);
    f.acq.setTestName("C");
    ASSERT_TRUE(f.acq.start());
    f.tick(record(1, 2));
    EXPECT_EQ(f.t.scalar("SELECT MAX(TestId) FROM TestResult").toInt(), 32768);
    EXPECT_EQ(must(dosql(f.repo, "C", Units::EI, {})).rows.size(), 2u);
}

TEST_P(RobustAcquisitionOn, NamingReportsALockedDatabaseAsSuch)
{
    Fixture f(GetParam());
    ASSERT_TRUE(f.otherHoldsTheWriteLock());
    auto busy = Database::open(f.t.path, Database::OpenMode::MustExist, 50).db;
    TestRepository repo(*busy);
    RealTestNaming naming(repo, f.p);
    EXPECT_EQ(naming.ok({{"D", "", "", "", ""}, false, "", ""}), NamingOutcome::Failed);
    EXPECT_EQ(f.p.shown.back().title, "Database Error");
    EXPECT_EQ(f.p.shown.back().text, "The test could not be saved: database is locked");
    f.otherExec("ROLLBACK");
}

// A server that goes away mid-recording (restarted, the network cut) is as a busy file: the
// rows wait in memory, each tick tries again, and they are written once it is back.
TEST(RobustAcquisition, ALostServerConnectionHoldsRowsUntilTheServerIsBack)
{
    Fixture f(Backend::PostgreSQL);
    ASSERT_TRUE(f.acq.start());
    f.tick(record(1, 2));
    ASSERT_EQ(f.rowsOf("B"), 2);
    const QString name = f.t.server->name();
    f.t.server->asOwner("ALTER DATABASE " + name + " ALLOW_CONNECTIONS false");
    f.t.server->asOwner("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" +
                        name + "'");
    f.threeRowsWaitForTheDatabase();

    f.t.server->asOwner("ALTER DATABASE " + name + " ALLOW_CONNECTIONS true");
    const PollResult r = f.tick(record(1, 6));
    EXPECT_EQ(r.held, 0u);
    EXPECT_EQ(f.rowsOf("B"), 6);
    EXPECT_EQ(f.printed.size(), 6u);
    EXPECT_TRUE(f.p.shown.empty());
    ASSERT_TRUE(f.acq.stop());
}

// A file nobody may write is said to be one, not taken for a fault in what was typed.
TEST(RobustAcquisition, NamingInAReadOnlyFileSaysSo)
{
    TestDb t;
    t.db.reset();
    // Root writes a file whatever its permissions; only an immutable one stops it.
    auto keep = [&](bool on) {
        if (geteuid() == 0)
            return QProcess::execute("chattr", {on ? "+i" : "-i", t.path}) == 0;
        return QFile::setPermissions(t.path, on ? QFileDevice::ReadOwner
                                                : QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    };
    if (!keep(true))
        GTEST_SKIP() << "this file system cannot keep a file from changing";
    NamingOutcome outcome = NamingOutcome::Created;
    ScriptedPrompter p;
    {
        auto opened = Database::open(t.path, Database::OpenMode::MustExist);
        if (opened.db) {
            TestRepository repo(*opened.db);
            outcome = RealTestNaming(repo, p).ok({{"late", "", "", "", ""}, false, "", ""});
        }
        EXPECT_TRUE(opened.db) << opened.message.toStdString();
    }
    ASSERT_TRUE(keep(false));
    EXPECT_EQ(outcome, NamingOutcome::Failed);
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown[0].text,
              "The test could not be saved: the database file cannot be written: it is read-only");
    EXPECT_EQ(p.shown[0].title, "Database Error");
}

// Each statement of a recording failing in turn: every record the instrument sent is in the
// test or kept in a file beside the database and told of, the operator is told of the
// failure, and no mark of the recording outlives it.
TEST_P(RobustAcquisitionOn, ARecordingFailingAtAnyStatementKeepsEveryRow)
{
    QTemporaryDir cwd; // where a server's rescued rows go
    const QString was = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cwd.path()));
    for (int n = 1;; ++n) {
        ASSERT_LT(n, 300);
        Fixture f(GetParam());
        bool failed = false;
        long long records = 0;
        const StruckStatement struck = failNth(n, [&] {
            if (!f.acq.start()) {
                failed = true;
                return;
            }
            for (const std::string &bytes :
                 {record(1, 2), record(1, 3), record(1, 4) + record(1, 5), record(1, 6)}) {
                const PollResult r = f.tick(bytes);
                records += r.records;
                failed = failed || r.failed;
            }
            f.acq.stop();
            for (int i = 0; i < 3 && f.acq.holding(); ++i)
                failed = f.tick().failed || failed;
        });
        const std::string at =
            "statement " + std::to_string(n) + ": " + struck.statement.toStdString();
        // Rows in the test, and rows kept beside the database.
        std::vector<double> times;
        for (const StoredPoint &p : must(TestRepository(*f.other).storedPoints("B")))
            times.push_back(p.time);
        std::size_t kept = 0;
        for (const QDir &dir : {QDir(f.t.dir.path()), QDir(cwd.path())})
            for (const QString &file : dir.entryList({"*.rescued*.csv"})) {
                QFile in(dir.filePath(file));
                EXPECT_TRUE(in.open(QIODevice::ReadOnly)) << at;
                const QList<QByteArray> rows = in.readAll().trimmed().split('\n');
                for (qsizetype i = 1; i < rows.size(); ++i, ++kept)
                    times.push_back(rows[i].split(',').value(1).toDouble());
                const std::string told = f.p.shown.empty() ? "" : f.p.shown.back().text;
                EXPECT_NE(told.find(dir.filePath(file).toStdString()), std::string::npos)
                    << at << ": " << told;
                in.remove();
            }
        std::sort(times.begin(), times.end());
        std::vector<double> sent;
        for (long long r = 1; r <= records; ++r)
            sent.push_back(static_cast<double>(r));
        EXPECT_EQ(times, sent) << at;
        if (failed) {
            ASSERT_FALSE(f.p.shown.empty()) << at;
            EXPECT_EQ(f.p.shown.back().title, "Database Error") << at;
        } else {
            EXPECT_EQ(records, 6) << at;
            EXPECT_EQ(kept, 0u) << at;
        }
        EXPECT_FALSE(f.acq.running()) << at;
        EXPECT_FALSE(f.acq.holding()) << at;
        for (Database *db : {f.t.db.get(), f.other.get()})
            EXPECT_FALSE(must(Recordings(*db).isRecorded("B"))) << at;
        EXPECT_TRUE(must(f.t.db->integrityProblems()).isEmpty()) << at;
        if (!struck.struck) {
            EXPECT_FALSE(failed);
            break;
        }
    }
    ASSERT_TRUE(QDir::setCurrent(was));
}
