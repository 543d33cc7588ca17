#include "realtime/Acquisition.h"
#include "support/FakeClock.h"
#include "core/Module1.h"
#include "core/Version.h"
#include "realtime/RealTestNaming.h"
#include "store/TestCatalog.h"
#include "store/TestRecords.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDb.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

using namespace viscora;
using namespace viscora::test;

namespace {

std::string record(int step, int time, int temp, int stress, int gel, int speed, int rb)
{
    return std::to_string(step) + "," + std::to_string(time) + "," + std::to_string(temp) + "," +
           std::to_string(stress) + "," + std::to_string(gel) + "," + std::to_string(speed) + "," +
           std::to_string(rb) + "\x1a";
}

struct Fixture {
    TestDb t;
    Module1 m;
    ScriptedPrompter p;
    FakeClock clock{36000.0, 0.05};
    ScriptedPort port{clock};
    TestRepository repo{*t.db};
    Acquisition acq{m, port, clock, repo, p};

    Fixture()
    {
        m.SequenceSent = true;
        m.RbShearFactor = 1.0f;
        RealTestNaming naming(repo, p);
        EXPECT_TRUE(naming.ok({{"run", "", "", "", ""}, false, "", ""}) == NamingOutcome::Created);
        m.RelatedOk = true;
        m.nameRun(naming.created()->id, naming.created()->custom);
        acq.setNamed(true);
        acq.setTestName("run");
        acq.setRecordRates({10, 10, 1});
        // The instrument's first record arrives a second after the start byte.
        port.onWrite = [this](const std::string &b) {
            if (b == "\x05")
                port.deliver(record(1, 1, 150, 100, 0, 30000, 1), clock.now + 1.0);
        };
    }
    bool start() { return acq.start(); }
    // One tick: what arrived meanwhile, then the poll.
    PollResult tick(const std::string &bytes)
    {
        port.deliver(bytes, clock.now);
        clock.now += 1.0;
        return acq.poll();
    }
    int rows() { return t.scalar("SELECT COUNT(*) FROM TestResult").toInt(); }
};

} // namespace

TEST(AcquisitionStart, ChecksInOrder)
{
    {
        Fixture f;
        f.acq.setNamed(false);
        EXPECT_FALSE(f.start());
        EXPECT_EQ(f.p.shown.back().text,
                  "Please first name this test by clicking the 'Save Result As' button.");
        EXPECT_EQ(f.p.shown.back().title, "Communication Error");
        EXPECT_TRUE(f.port.writes.empty());
    }
    {
        Fixture f;
        f.m.SequenceSent = false;
        EXPECT_FALSE(f.start());
        EXPECT_EQ(f.p.shown.back().text, "Please first go to Setup Screen to send the sequence to "
                                         "K7400r before your real time test.");
        EXPECT_EQ(f.p.shown.back().title, "Operation Error");
    }
    {
        Fixture f;
        f.m.RelatedOk = false;
        const size_t before = f.p.shown.size();
        EXPECT_FALSE(f.start());
        EXPECT_EQ(f.p.shown.size(), before);
        EXPECT_TRUE(f.port.writes.empty());
    }
    {
        Fixture f;
        f.port.availablePort = 2;
        EXPECT_FALSE(f.start());
        EXPECT_EQ(f.p.shown.back().title, "Comport Error");
        EXPECT_FALSE(f.acq.running());
    }
}

TEST(AcquisitionStart, ReplyWaitOnTheSecondsField)
{
    struct Case {
        double start;   // time of day
        int replyBytes; // what the instrument sends
        bool running;
        double minWait, maxWait;
    } cases[] = {
        {36000.0, 5, true, 3.0, 4.0},    // on from 3 s once 5 bytes wait
        {36000.0, 4, false, 11.0, 12.0}, // too few bytes: the time-out
        {36000.0, 0, false, 11.0, 12.0}, // silent instrument
        {36055.0, 5, true, 3.0, 4.0},    // across a minute boundary
        {36055.0, 0, false, 11.0, 12.0},
    };
    for (const auto &c : cases) {
        Fixture f;
        f.clock.now = c.start;
        f.port.onWrite = [&f, &c](const std::string &b) {
            if (b == "\x05" && c.replyBytes)
                f.port.deliver(std::string(static_cast<size_t>(c.replyBytes), '1'),
                               f.clock.now + 0.2);
        };
        EXPECT_EQ(f.start(), c.running) << c.start << " " << c.replyBytes;
        const double waited = f.clock.now - c.start;
        EXPECT_GE(waited, c.minWait) << c.start << " " << c.replyBytes;
        EXPECT_LT(waited, c.maxWait) << c.start << " " << c.replyBytes;
        EXPECT_EQ(f.port.writes.front().bytes, "\x05");
        if (!c.running) {
            EXPECT_EQ(f.p.shown.back().text, "No response from K7400r, please check connection.");
            EXPECT_EQ(f.p.shown.back().title, "Communication Error");
            EXPECT_FALSE(f.port.isOpen());
        }
    }
}

TEST(AcquisitionPoll, StoresEveryRecordRateAcrossStepsAndChartsEveryValidRecord)
{
    Fixture f;
    ASSERT_TRUE(f.start());
    EXPECT_EQ(f.acq.runTestId(), 1);
    // The first record waits from the start reply on; then 24 more in step 1 and 10 in
    // step 2, both at rate 10: rows for the records counted 0, 10, 20, 30.
    std::vector<int> storedTimes;
    for (int i = 2; i <= 35; ++i)
        f.tick(record(i <= 25 ? 1 : 2, i, 150, 100 + i, 0, 30000, 1));
    QSqlQuery q(f.t.db->sql());
    q.exec("SELECT Time FROM TestResult ORDER BY rowid");
    while (q.next())
        storedTimes.push_back(q.value(0).toInt());
    EXPECT_EQ(storedTimes, (std::vector<int>{1, 11, 21, 31}));
    EXPECT_EQ(f.t.scalar("SELECT StepNo FROM TestResult WHERE Time=31").toInt(), 2);
    EXPECT_EQ(f.acq.recordsReceived(), 35);
    EXPECT_EQ(f.acq.chart.PointIndex, 1 + 35);
}

TEST(AcquisitionPoll, ValidityStoreRuleAndStoredValues)
{
    Fixture f;
    f.acq.setRecordRates({1});
    ASSERT_TRUE(f.start());
    f.port.readAll(); // the first record is not wanted here
    const struct {
        std::string text;
        bool stored, charted;
    } cases[] = {
        {record(1, 1, 150, 60000, 5, 30000, 1), true, true},
        {record(1, 2, 150, 60001, 5, 30000, 1), false, false},
        {record(1, 3, 150, 100, 5, 30000, 0), false, true},
        {record(1, 4, 150, 100, 5, 30000, 7), false, true},
        {record(1, 0, 150, 100, 5, 30000, 1), false, false},
        {record(0, 5, 150, 100, 5, 30000, 1), false, false},
        {record(1, 6, 0, 100, 5, 30000, 1), false, false},
        {record(101, 7, 150, 100, 5, 30000, 1), false, true}, // no rate for that step
        {record(2, 8, 150, 100, 5, 30000, 1), false, true},   // step without a rate
        {record(1, 9, 150, 200, 5, 0, 6), true, true},
    };
    int rows = 0, points = 1;
    for (const auto &c : cases) {
        const PollResult r = f.tick(c.text);
        rows += c.stored;
        points += c.charted;
        EXPECT_EQ(f.rows(), rows) << c.text;
        EXPECT_EQ(f.acq.chart.PointIndex, points) << c.text;
        EXPECT_EQ(r.records, 1);
    }
    EXPECT_DOUBLE_EQ(f.t.scalar("SELECT Speed FROM TestResult WHERE Time=9").toDouble(), 0.000001);
    EXPECT_DOUBLE_EQ(f.t.scalar("SELECT Speed FROM TestResult WHERE Time=1").toDouble(), 300);
    EXPECT_EQ(f.t.scalar("SELECT Rbfactor FROM TestResult WHERE Time=9").toInt(), 6);
    // The viscosity of a point at speed 0 stays finite.
    EXPECT_TRUE(std::isfinite(f.acq.chart.y(1, points - 1)));
}

TEST(AcquisitionPoll, SplitRecordsNoiseAndCustomFactors)
{
    Fixture f;
    f.acq.setRecordRates({1});
    f.m.CustomRb = true;
    f.m.CustomStressFactor = 2.0;
    f.m.CustomRbFactor = 1.7035;
    ASSERT_TRUE(f.start());
    f.port.readAll();
    const std::string r = record(1, 1, 150, 100, 7, 30000, 1);
    f.tick(r.substr(0, 6));
    EXPECT_EQ(f.rows(), 0);
    // Noise ending in a RecordEnd is one bad record; noise glued before a record spoils only
    // itself.
    f.tick(r.substr(6) + "\x01\x7f\x1a" + record(1, 2, 150, 50, 0, 30000, 1) + "~" +
           record(1, 3, 150, 50, 0, 30000, 1));
    EXPECT_EQ(f.rows(), 3);
    EXPECT_EQ(f.acq.recordsReceived(), 4);
    EXPECT_DOUBLE_EQ(f.t.scalar("SELECT Shearstress FROM TestResult WHERE Time=1").toDouble(), 200);
    EXPECT_DOUBLE_EQ(f.t.scalar("SELECT Gel FROM TestResult WHERE Time=1").toDouble(), 14);
    EXPECT_EQ(f.t.scalar("SELECT Rbfactor FROM TestResult WHERE Time=1").toInt(), 1703);
    EXPECT_NEAR(f.acq.chart.y(0, 1), 200.000002, 1e-3);
}

TEST(AcquisitionPoll, TestEndOnlyWhenAloneAndOnTheNextTick)
{
    Fixture f;
    ASSERT_TRUE(f.start());
    f.port.readAll();
    f.tick(record(1, 1, 150, 100, 0, 30000, 1));
    EXPECT_FALSE(f.tick("\x08x").finished);
    EXPECT_TRUE(f.acq.running());
    Fixture g;
    ASSERT_TRUE(g.start());
    g.port.readAll();
    EXPECT_FALSE(g.tick("\x08").finished); // received on this tick
    const PollResult r = g.tick("");
    EXPECT_TRUE(r.finished);
    EXPECT_FALSE(g.acq.running());
    EXPECT_FALSE(g.acq.named());
    EXPECT_FALSE(g.port.isOpen());
    EXPECT_EQ(g.p.shown.back().text, "Test is finished.");
    EXPECT_EQ(g.p.shown.back().title, "Message");
}

TEST(AcquisitionPoll, RingDropsTwoHundredAndElapsedTime)
{
    Fixture f;
    ASSERT_TRUE(f.start());
    f.port.readAll();
    std::string batch;
    for (int i = 0; i < 998; ++i)
        batch += record(3, i + 1, 150, 100, 0, 30000, 1);
    f.tick(batch);
    EXPECT_EQ(f.acq.chart.PointIndex, 999);
    const double lastX = f.acq.chart.x(0, 998);
    f.tick(record(3, 999, 150, 100, 0, 30000, 1));
    EXPECT_EQ(f.acq.chart.PointIndex, 800);
    EXPECT_EQ(f.acq.chart.x(0, 798), lastX);
    EXPECT_TRUE(std::isnan(f.acq.chart.x(0, 800)));
    std::string more;
    for (int i = 0; i < 3725 - 999; ++i)
        more += record(3, i + 1, 150, 100, 0, 30000, 1);
    f.tick(more);
    EXPECT_EQ(f.acq.recordsReceived(), 3725);
    EXPECT_EQ(f.acq.elapsedText(), "Elapsed Time: 01:02:05");
    EXPECT_EQ(elapsedTimeText(86400 + 61), "Elapsed Time: 00:01:01");
}

TEST(AcquisitionPoll, WindowMovesByThirtySeconds)
{
    LiveChart c;
    c.startAt(1000);
    EXPECT_EQ(c.WindowEnd, 1180);
    c.add(1100, 1, 1, 1);
    EXPECT_EQ(c.WindowEnd, 1180);
    c.add(1181, 1, 1, 1);
    EXPECT_EQ(c.WindowEnd, 1210);
    EXPECT_EQ(c.WindowStart, 1030);
    EXPECT_EQ(c.manualMin, 1100);
    c.showAll();
    EXPECT_FALSE(c.zoom);
    EXPECT_TRUE(c.automaticX);
}

TEST(AcquisitionPoll, DatabaseFailureStopsOnceAndKeepsRows)
{
    Fixture f;
    f.acq.setRecordRates({1});
    ASSERT_TRUE(f.start());
    f.port.readAll();
    f.tick(record(1, 1, 150, 100, 0, 30000, 1));
    ASSERT_TRUE(f.t.exec("CREATE TRIGGER full BEFORE INSERT ON TestResult "
                         "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
    const PollResult r = f.tick(record(1, 2, 150, 100, 0, 30000, 1));
    EXPECT_TRUE(r.failed);
    EXPECT_FALSE(f.acq.running());
    // The row it could not write is kept beside the database.
    const QString kept = f.t.dir.filePath("run.rescued.csv");
    EXPECT_EQ(f.p.shown.back().text,
              "The test could not be saved and was stopped: database or disk is full. The row "
              "not saved is kept in " +
                  kept.toStdString() + ".");
    EXPECT_EQ(f.p.shown.back().title, "Database Error");
    EXPECT_EQ(f.port.writes.back().bytes, "\x06");
    QFile rows(kept);
    ASSERT_TRUE(rows.open(QIODevice::ReadOnly));
    EXPECT_EQ(rows.readAll(),
              "StepNo,Time,Temperature,Speed,Shearstress,Gel,Rbfactor\n1,2,150,300,100,0,1\n");
    const size_t messages = f.p.shown.size();
    f.tick(record(1, 3, 150, 100, 0, 30000, 1));
    EXPECT_EQ(f.p.shown.size(), messages);
    EXPECT_EQ(f.rows(), 1);
}

// The stop byte that does not go out is not reported as a stopped test.
TEST(AcquisitionPoll, DatabaseFailureWithAnInstrumentThatCannotBeToldToStop)
{
    Fixture f;
    f.acq.setRecordRates({1});
    ASSERT_TRUE(f.start());
    f.port.readAll();
    ASSERT_TRUE(f.t.exec("CREATE TRIGGER full BEFORE INSERT ON TestResult "
                         "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
    f.port.failWriteAfter = static_cast<int>(f.port.writes.size());
    EXPECT_TRUE(f.tick(record(1, 1, 150, 100, 0, 30000, 1)).failed);
    EXPECT_FALSE(f.acq.running());
    EXPECT_EQ(f.p.shown.back().text,
              "The test could not be saved: database or disk is full. The instrument could not "
              "be told to stop: stop the test on the instrument itself. The row not saved is "
              "kept in " +
                  f.t.dir.filePath("run.rescued.csv").toStdString() + ".");
    EXPECT_EQ(f.p.shown.back().title, "Database Error");
}

TEST(AcquisitionStop, SendsStopAndEndsTheRun)
{
    Fixture f;
    f.acq.stop(); // nothing running: the byte is still sent, the port stays open
    EXPECT_EQ(f.port.allWritten(), "\x06");
    EXPECT_TRUE(f.port.isOpen());
    ASSERT_TRUE(f.start());
    f.acq.stop();
    EXPECT_FALSE(f.acq.running());
    EXPECT_FALSE(f.acq.named());
    EXPECT_FALSE(f.port.isOpen());
    EXPECT_EQ(f.port.writes.back().bytes, "\x06");
    f.port.availablePort = 9;
    f.acq.stop();
    EXPECT_EQ(f.p.shown.back().title, "Comport Error");
}

TEST(RealTestNaming, RulesAndCustomFactors)
{
    TestDb t;
    ScriptedPrompter p;
    TestRepository repo(*t.db);
    RealTestNaming naming(repo, p);
    EXPECT_FALSE(naming.ok({{"", "", "", "", ""}, false, "", ""}) == NamingOutcome::Created);
    EXPECT_EQ(p.shown.back().text, "Must input Test name.");
    EXPECT_EQ(p.shown.back().title, "Blank Input Error.");
    EXPECT_FALSE(naming.created());
    ASSERT_TRUE(naming.ok({{"ABC", "F", "S", "C", "D"}, false, "", ""}) == NamingOutcome::Created);
    EXPECT_EQ(naming.created()->id, 1);
    EXPECT_FALSE(naming.created()->custom);
    EXPECT_FALSE(naming.ok({{"abc", "", "", "", ""}, false, "", ""}) == NamingOutcome::Created);
    EXPECT_EQ(p.shown.back().text, "Duplicated test name. Please enter a new test name.");
    EXPECT_EQ(p.shown.back().title, "Test Name Error.");
    // Blanks around a name do not count.
    EXPECT_FALSE(naming.ok({{" abc", "", "", "", ""}, false, "", ""}) == NamingOutcome::Created);
    EXPECT_EQ(p.shown.back().text, "Duplicated test name. Please enter a new test name.");
    EXPECT_TRUE(naming.ok({{" other ", "", "", "", ""}, false, "", ""}) == NamingOutcome::Created);
    EXPECT_EQ(naming.created()->name, "other");
    EXPECT_FALSE(naming.ok({{"zero", "", "", "", ""}, true, "1", "0"}) == NamingOutcome::Created);
    EXPECT_EQ(p.shown.back().text, "The shear rate factor must be a number greater than 0.");
    EXPECT_EQ(p.shown.back().title, "Input Error");
    ASSERT_TRUE(naming.ok({{"custom", "", "", "", ""}, true, "1.5x", "2.25"}) ==
                NamingOutcome::Created);
    EXPECT_EQ(naming.created()->id, 3);
    ASSERT_TRUE(naming.created()->custom);
    EXPECT_EQ(naming.created()->custom->stress, 1.5);
    EXPECT_EQ(naming.created()->custom->rate, 2.25);
    // The session keeps the factors for the run, and a plain rotor-bob after them.
    Module1 m;
    m.nameRun(naming.created()->id, naming.created()->custom);
    EXPECT_EQ(m.NewTestId, 3);
    EXPECT_TRUE(m.CustomRb);
    EXPECT_EQ(m.CustomStressFactor, 1.5);
    EXPECT_EQ(m.CustomRbFactor, 2.25);
    m.nameRun(4, std::nullopt);
    EXPECT_FALSE(m.CustomRb);
    EXPECT_EQ(naming.load("ABC").companyName, "C");
    ASSERT_TRUE(t.exec("CREATE TRIGGER full BEFORE INSERT ON RelatedInfo "
                       "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    EXPECT_FALSE(naming.ok({{"late", "", "", "", ""}, false, "", ""}) == NamingOutcome::Created);
    EXPECT_EQ(p.shown.back().text, "Input error! Please check your input.");
    EXPECT_EQ(p.shown.back().title, "Input Error");
}

TEST(AcquisitionRecords, ARunIsOnRecordWithItsTimesInstrumentSequenceAndPoints)
{
    Fixture f;
    double wall = 1.8e9;
    f.acq.wallClock = [&wall] { return wall; };
    f.m.LastSentSequence = SentSequence{"API mud", 0, {{1, 60, 120, 600, 1}, {2, 30, 120, 3, 1}}};
    ASSERT_TRUE(f.start());
    auto latest = [&] { return *TestRecords(*f.t.db).latest("run").value(); };
    TestRecord started = latest();
    EXPECT_EQ(started.kind, "recorded");
    EXPECT_EQ(started.startedAt, 1.8e9);
    EXPECT_FALSE(started.endedAt);
    EXPECT_FALSE(started.points);
    EXPECT_EQ(started.instrument, "Comm 1");
    EXPECT_EQ(started.operatorName, operatorName());
    EXPECT_FALSE(started.operatorName.isEmpty());
    EXPECT_EQ(started.sequenceName, "API mud");
    EXPECT_EQ(started.steps, "60,120,600,1 30,120,3,1");
    EXPECT_EQ(started.programVersion, QLatin1String(versionText()));
    // While it runs the list says so.
    const auto running = readCatalog(*f.t.db);
    ASSERT_TRUE(running.ok());
    EXPECT_TRUE(running->front().live);
    f.port.readAll();
    for (int i = 2; i <= 25; ++i)
        f.tick(record(1, i, 150, 100 + i, 0, 30000, 1));
    wall += 125.5;
    f.tick("\x08");
    ASSERT_TRUE(f.tick("").finished);
    ASSERT_FALSE(f.acq.holding());
    const TestRecord ended = latest();
    EXPECT_EQ(ended.kind, "ended");
    EXPECT_EQ(ended.startedAt, 1.8e9);
    EXPECT_EQ(ended.endedAt, 1.8e9 + 125.5);
    EXPECT_EQ(ended.points, f.rows());
    EXPECT_EQ(ended.steps, started.steps);
    EXPECT_EQ(TestRecords(*f.t.db).history("run")->size(), 2u);
    const auto done = readCatalog(*f.t.db);
    EXPECT_FALSE(done->front().live);
    EXPECT_EQ(catalogText(done->front(), CatalogColumn::Duration, wall), "0:02:05");
}
